#include "webbrowser.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <climits>
#include <charconv>
#include <memory>
#include <thread>
#include <vector>

#include "endscreen.h"
#include "paths.h"
#include "process.h"

namespace {

// A window of the tree that only holds the next one.
class TChildWindow : public QWidget {
public:
  TChildWindow(QWidget *parent, const char *className) : QWidget(parent) {
    win::SetClassName(win::HandleOf(this), className);
  }
};

// The slide-show pane: white, a slide scaled to fit on black, or the end-of-show screen.
class TSlideShowPane : public QWidget {
public:
  enum class TState { White, Slide, EndScreen };

  explicit TSlideShowPane(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    win::SetClassName(win::HandleOf(this), "paneClassDC");
  }

  void ShowWhite() { SetState(TState::White, QImage()); }
  void ShowSlide(const QImage &slide) { SetState(TState::Slide, slide); }
  void ShowEndScreen() { SetState(TState::EndScreen, QImage()); }
  TState State() const { return FState; }

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    switch (FState) {
      case TState::White: painter.fillRect(rect(), Qt::white); break;
      case TState::Slide:
        painter.fillRect(rect(), Qt::black);
        painter.drawImage(ScaledPosition(), Scaled());
        break;
      case TState::EndScreen: endscreen::DrawEndOfShowScreen(painter, width(), height()); break;
    }
  }

  // Real input takes the same road as posted messages, through the window procedure.
  void keyPressEvent(QKeyEvent *event) override {
    if (event->key() == Qt::Key_PageDown) {
      win::SendMessage(win::HandleOf(this), win::WM_KEYDOWN, win::VK_NEXT, 1);
      return;
    }
    QWidget::keyPressEvent(event);
  }
  void mouseDoubleClickEvent(QMouseEvent *event) override {
    if (event->button() != Qt::LeftButton) return;
    QPoint at = event->position().toPoint();
    win::SendMessage(win::HandleOf(this), win::WM_LBUTTONDBLCLK, 0,
                     win::LPARAM((at.y() & 0xFFFF) << 16 | (at.x() & 0xFFFF)));
  }

private:
  void SetState(TState state, const QImage &slide) {
    FState = state;
    FSlide = slide;
    FScaled = QImage();
    update();
  }

  QSize ScaledSize() const { return FSlide.size().scaled(size(), Qt::KeepAspectRatio); }
  QPoint ScaledPosition() const {
    QSize scaled = ScaledSize();
    return QPoint((width() - scaled.width()) / 2, (height() - scaled.height()) / 2);
  }
  // Scaled once per pane size, since the capture paints the pane 20 times a second.
  const QImage &Scaled() {
    QSize target = ScaledSize();
    if (FScaled.size() != target)
      FScaled = target == FSlide.size() ? FSlide : FSlide.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return FScaled;
  }

  TState FState = TState::White;
  QImage FSlide;
  QImage FScaled;
};

bool IsPresentationPath(const QString &path) {
  QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == "ppt" || suffix == "pps" || suffix == "pot";
}

// A local path for file addresses and plain paths; empty for other addresses.
QString LocalPath(const std::string &url) {
  QString text = QString::fromStdString(url);
  if (text.startsWith("file:", Qt::CaseInsensitive)) return QUrl(text).toLocalFile();
  if (text.contains("://") || text.startsWith("about:", Qt::CaseInsensitive)) return QString();
  return text;
}

struct TShowSlide {
  QImage Picture;
  bool OnTime = false;
  double Seconds = 0;
};

// Splits off the first blank-separated word.
std::string Word(std::string &text) {
  std::size_t blank = text.find(' ');
  std::string word = text.substr(0, blank);
  text = blank == std::string::npos ? std::string() : text.substr(blank + 1);
  return word;
}

bool ParseNumber(const std::string &text, double &value) {
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

}  // namespace

// Longer than the slide renderer's own time limit.
constexpr int kShowReadyTimeoutMs = 180000;
constexpr std::size_t kMaxShowLine = 64 * 1024;

struct TWebBrowser::Impl {
  TWebBrowser *Browser = nullptr;
  QObject Receiver;  // queued deliveries die with it
  QWidget *DocObjectView = nullptr;
  QWidget *ShowView = nullptr;  // the first "childclass"
  QWidget *InnerView = nullptr;  // the second
  TSlideShowPane *Pane = nullptr;
  QTextBrowser *Document = nullptr;
  unsigned Generation = 0;  // raised by every navigation; stale deliveries compare unequal
  std::string Url;

  // The running show.
  std::unique_ptr<win::TProcess> Process;
  std::shared_ptr<win::TPipe> Output;
  std::thread Reader;
  std::vector<TShowSlide> Slides;
  int Current = 0;      // slide shown, 1-based; 0 before the first
  bool Started = false;  // the first slide has shown
  bool Ended = false;    // the end-of-show screen shows
  std::string Error;
  QTimer SlideTimer;

  // Every window of the tree fills the browser, also those hidden now (whose own resize would wait).
  void FillBrowser() {
    DocObjectView->setGeometry(Browser->rect());
    ShowView->setGeometry(DocObjectView->rect());
    InnerView->setGeometry(ShowView->rect());
    Pane->setGeometry(InnerView->rect());
    Document->setGeometry(DocObjectView->rect());
  }

  void ShowDocumentView() {
    ShowView->hide();
    Document->show();
  }
  void ShowShowView() {
    Document->hide();
    ShowView->show();
  }

  void QueueDocumentComplete() {
    unsigned generation = Generation;
    QMetaObject::invokeMethod(
        &Receiver,
        [this, generation] {
          if (generation != Generation) return;
          if (Browser->OnDocumentComplete) Browser->OnDocumentComplete(Url);
        },
        Qt::QueuedConnection);
  }

  void EndShow() {
    ++Generation;
    SlideTimer.stop();
    if (Process) {
      // End of input asks the show to end; one that does not is killed.
      if (auto input = Process->Input()) input->Close();
      if (!Process->Wait(2000)) Process->Terminate();
    }
    if (Output) Output->Close();
    if (Reader.joinable()) Reader.join();
    Output.reset();
    Process.reset();
    Slides.clear();
    Current = 0;
    Started = Ended = false;
  }

  void StartShow(const QString &path) {
    Pane->ShowWhite();
    ShowShowView();
    Error.clear();
    win::TProcessStart start;
    start.Program = win::ProgramFolder() + "POWERPNT.EXE";
    start.Arguments = {"/show", path.toStdString()};
    try {
      Process = std::make_unique<win::TProcess>(start);
    } catch (const std::exception &e) {
      Error = std::string("POWERPNT.EXE cannot start: ") + e.what();
      return;
    }
    Output = Process->Output();
    unsigned generation = Generation;
    Reader = std::thread([this, generation, output = Output] { ReadShow(generation, output); });
  }

  // On the reader thread: each line of the show process, with a slide's picture already loaded.
  void ReadShow(unsigned generation, std::shared_ptr<win::TPipe> output) {
    std::string pending;
    char buffer[4096];
    for (;;) {
      long n = output->Read(buffer, sizeof buffer);
      if (n <= 0) break;
      pending.append(buffer, std::size_t(n));
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        QImage picture;
        if (line.rfind("slide ", 0) == 0) {
          std::string rest = line;
          for (int i = 0; i < 5; ++i) Word(rest);
          picture.load(QString::fromStdString(rest));
          picture = picture.convertToFormat(QImage::Format_RGB32);
        }
        Deliver(generation, [this, line, picture] { HandleLine(line, picture); });
      }
      // A line this long is none of the show's; endless output must not cost endless memory.
      if (pending.size() > kMaxShowLine) pending.clear();
    }
    Deliver(generation, [this] {
      if (!Started && Error.empty()) Error = "POWERPNT.EXE ended before the show started";
    });
  }

  template <class F>
  void Deliver(unsigned generation, F f) {
    QMetaObject::invokeMethod(
        &Receiver,
        [this, generation, f] {
          if (generation == Generation) f();
        },
        Qt::QueuedConnection);
  }

  // "slide <i> <onClick> <onTime> <seconds> <picture>", then "show <n>"; or "error <text>".
  void HandleLine(const std::string &line, const QImage &picture) {
    std::string rest = line;
    std::string verb = Word(rest);
    if (verb == "slide") {
      Word(rest);  // the number: slides arrive in order
      Word(rest);  // click advance: clicks always advance here
      TShowSlide slide;
      slide.OnTime = Word(rest) == "1";
      if (!ParseNumber(Word(rest), slide.Seconds)) slide.Seconds = 0;
      slide.Picture = picture.isNull() ? BlankSlide() : picture;
      Slides.push_back(slide);
    } else if (verb == "show") {
      if (!Slides.empty()) GoTo(1);
    } else if (verb == "error") {
      Error = rest;
    }
  }

  static QImage BlankSlide() {
    QImage blank(800, 600, QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
  }

  void GoTo(int slide) {
    SlideTimer.stop();
    if (slide > int(Slides.size())) {
      Ended = true;
      Pane->ShowEndScreen();
      return;
    }
    Started = true;
    Current = slide;
    const TShowSlide &shown = Slides[std::size_t(slide - 1)];
    Pane->ShowSlide(shown.Picture);
    if (shown.OnTime) SlideTimer.start(int(std::clamp(shown.Seconds * 1000 + 0.5, 0.0, double(INT_MAX))));
    QueueDocumentComplete();
  }

  void Advance() {
    if (!Started || Ended) return;
    GoTo(Current + 1);
  }

  win::LRESULT PaneProc(win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if ((msg == win::WM_KEYDOWN && wParam == win::VK_NEXT) || msg == win::WM_LBUTTONDBLCLK) {
      Advance();
      return 0;
    }
    return win::DefWindowProc(wnd, msg, wParam, lParam);
  }

  void ShowDocument(const QString &path) {
    Document->clear();
    if (!path.isEmpty()) {
      QFile file(path);
      QString suffix = QFileInfo(path).suffix().toLower();
      if ((suffix == "htm" || suffix == "html") && file.open(QIODevice::ReadOnly)) {
        Document->setSearchPaths({QFileInfo(path).absolutePath()});
        Document->setHtml(QString::fromUtf8(file.readAll()));
      }
    }
    ShowDocumentView();
  }
};

TWebBrowser::TWebBrowser(QWidget *parent, TComponent *owner)
    : QWidget(parent), TComponent(owner), FImpl(std::make_unique<Impl>()) {
  Impl &d = *FImpl;
  d.Browser = this;
  win::SetClassName(Handle(), "Shell Embedding");
  d.DocObjectView = new TChildWindow(this, "Shell DocObject View");
  d.ShowView = new TChildWindow(d.DocObjectView, "childclass");
  d.InnerView = new TChildWindow(d.ShowView, "childclass");
  d.Pane = new TSlideShowPane(d.InnerView);

  d.Document = new QTextBrowser(d.DocObjectView);
  d.Document->setFrameShape(QFrame::NoFrame);
  d.Document->setOpenExternalLinks(false);
  win::SetClassName(win::HandleOf(d.Document), "Internet Explorer_Server");
  d.FillBrowser();
  d.ShowDocumentView();

  win::SetWindowProc(win::HandleOf(d.Pane),
                     [&d](win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
                       return d.PaneProc(wnd, msg, wParam, lParam);
                     });
  d.SlideTimer.setSingleShot(true);
  QObject::connect(&d.SlideTimer, &QTimer::timeout, &d.Receiver, [&d] { d.Advance(); });
}

void TWebBrowser::resizeEvent(QResizeEvent *event) {
  FImpl->FillBrowser();
  QWidget::resizeEvent(event);
}

TWebBrowser::~TWebBrowser() {
  FImpl->EndShow();
  win::SetWindowProc(win::HandleOf(FImpl->Pane), nullptr);
}

void TWebBrowser::Navigate(const std::string &url) {
  Impl &d = *FImpl;
  d.EndShow();
  d.Url = url;
  d.Error.clear();
  if (url.empty()) {
    d.ShowDocument(QString());
    return;
  }
  QString path = LocalPath(url);
  if (!path.isEmpty() && IsPresentationPath(path)) {
    d.StartShow(path);
    // Slides are drawn by LibreOffice the first time, which takes seconds: the show is ready when
    // Navigate returns, so that whoever starts watching it then does not watch a blank page.
    unsigned generation = d.Generation;
    win::PumpUntil([&d, generation] { return generation != d.Generation || d.Started || !d.Error.empty(); },
                   kShowReadyTimeoutMs);
    return;
  }
  d.ShowDocument(path);
  d.QueueDocumentComplete();
}

void TWebBrowser::Stop() {
  Impl &d = *FImpl;
  if (d.Process && !d.Started) {
    d.EndShow();
    return;
  }
  if (!d.Process) ++d.Generation;  // a document's DocumentComplete still queued is dropped
}

win::HWND TWebBrowser::PaneHandle() const { return win::HandleOf(FImpl->Pane); }

int TWebBrowser::ShowProcessId() const { return FImpl->Process && FImpl->Process->Running() ? FImpl->Process->Pid() : 0; }

std::string TWebBrowser::ShowError() const { return FImpl->Error; }
