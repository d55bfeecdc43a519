#include "webbrowser.h"

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

// The slide-show pane: white, a slide on black, or the end-of-show screen.
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

  // A slide keeps its own size from the pane's top-left corner and shrinks only to fit a smaller
  // pane: a capture of the pane from its corner at the slide's size then holds the whole slide and
  // nothing else, whatever room the pane has beside it.
  QSize SlideArea() const { return FSlide.size().boundedTo(size()); }
  QSize ScaledSize() const { return FSlide.size().scaled(SlideArea(), Qt::KeepAspectRatio); }
  QPoint ScaledPosition() const {
    QSize area = SlideArea();
    QSize scaled = ScaledSize();
    return QPoint((area.width() - scaled.width()) / 2, (area.height() - scaled.height()) / 2);
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

// The picture named at the end of a "slide" or "page" line; empty for other lines.
std::string PicturePath(std::string line) {
  std::string verb = Word(line);
  if (verb == "page") return line;
  if (verb != "slide") return std::string();
  for (int i = 0; i < 4; ++i) Word(line);
  return line;
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
  // Cleared when the browser goes, for a wait of Navigate that outlives it.
  std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
  std::string Url;

  // The running show.
  std::unique_ptr<win::TProcess> Process;
  std::shared_ptr<win::TPipe> Output;
  std::thread Reader;
  std::vector<TShowSlide> Slides;
  int Current = 0;      // slide shown, 1-based; 0 before the first
  bool Started = false;  // the first slide has shown
  bool Ended = false;    // the end-of-show screen shows
  bool StillPage = false;  // a document's first page shows, and no input advances it
  bool Waiting = false;    // Navigate waits for the first slide or page
  std::string Error;
  bool ApplicationFailed = false;  // the Error is the show application's own, not the file's
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
    Started = Ended = StillPage = Waiting = false;
  }

  // `mode` is "/show" for a slide show, "/page" for a document's first page.
  void StartShow(const QString &path, const char *mode) {
    Pane->ShowWhite();
    ShowShowView();
    // Nothing to draw: no application is started.
    if (!QFileInfo(path).isFile()) {
      Fail("Cannot read " + path.toStdString() + ": there is no such file");
      return;
    }
    win::TProcessStart start;
    start.Program = win::ProgramFolder() + "POWERPNT.EXE";
    start.Arguments = {mode, path.toStdString()};
    try {
      Process = std::make_unique<win::TProcess>(start);
    } catch (const std::exception &e) {
      Fail(std::string("POWERPNT.EXE cannot start: ") + e.what(), true);
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
        if (std::string path = PicturePath(line); !path.empty()) {
          picture.load(QString::fromStdString(path));
          picture = picture.convertToFormat(QImage::Format_RGB32);
        }
        Deliver(generation, [this, line, picture] { HandleLine(line, picture); });
      }
      // A line this long is none of the show's; endless output must not cost endless memory.
      if (pending.size() > kMaxShowLine) pending.clear();
    }
    Deliver(generation, [this] {
      if (!Started) Fail("POWERPNT.EXE ended before anything was shown", true);
    });
  }

  // The address cannot be shown: the first reason is kept, and the host hears of it once, never
  // from inside Navigate, whose caller may free the browser on hearing it.
  void Fail(const std::string &reason, bool application = false) {
    if (!Error.empty()) return;
    Error = reason;
    ApplicationFailed = application;
    if (!Waiting) QueueNavigateError();
  }

  void QueueNavigateError() {
    Deliver(Generation, [this] {
      if (Browser->OnNavigateError) Browser->OnNavigateError(Url, Error);
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

  // "slide <i> <onClick> <onTime> <seconds> <picture>", then "show <n>"; or "page <picture>"; or
  // "error <text>".
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
    } else if (verb == "page") {
      StillPage = true;
      Slides.push_back({picture.isNull() ? BlankSlide() : picture});
      GoTo(1);
    } else if (verb == "error") {
      Fail(rest);
    }
  }

  static QImage BlankSlide() {
    QImage blank(800, 600, QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
  }

  // The show process plays the sounds of what is shown.
  void TellShow(const std::string &line) {
    if (!Process) return;
    if (auto input = Process->Input()) input->Write(line + "\n");
  }

  void GoTo(int slide) {
    SlideTimer.stop();
    if (slide > int(Slides.size())) {
      Ended = true;
      Pane->ShowEndScreen();
      TellShow("end");
      return;
    }
    Started = true;
    Current = slide;
    const TShowSlide &shown = Slides[std::size_t(slide - 1)];
    Pane->ShowSlide(shown.Picture);
    TellShow("slide " + std::to_string(slide));
    if (shown.OnTime) SlideTimer.start(int(std::clamp(shown.Seconds * 1000 + 0.5, 0.0, double(INT_MAX))));
    QueueDocumentComplete();
  }

  void Advance() {
    if (!Started || Ended || StillPage) return;
    GoTo(Current + 1);
  }

  win::LRESULT PaneProc(win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if ((msg == win::WM_KEYDOWN && wParam == win::VK_NEXT) || msg == win::WM_LBUTTONDBLCLK) {
      Advance();
      return 0;
    }
    return win::DefWindowProc(wnd, msg, wParam, lParam);
  }

  // A plain page: an empty address, or one that names no file.
  void ShowPlainPage() {
    Document->clear();
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
  // A coarse timer may fire 5% early: a 3.5 s slide would show for 3.33 s.
  d.SlideTimer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&d.SlideTimer, &QTimer::timeout, &d.Receiver, [&d] { d.Advance(); });
}

void TWebBrowser::resizeEvent(QResizeEvent *event) {
  FImpl->FillBrowser();
  QWidget::resizeEvent(event);
}

TWebBrowser::~TWebBrowser() {
  *FImpl->Alive = false;
  FImpl->EndShow();
  win::SetWindowProc(win::HandleOf(FImpl->Pane), nullptr);
}

void TWebBrowser::Navigate(const std::string &url) {
  Impl &d = *FImpl;
  d.EndShow();
  d.Url = url;
  d.Error.clear();
  d.ApplicationFailed = false;
  if (url.empty()) {
    d.ShowPlainPage();
    return;
  }
  QString path = LocalPath(url);
  if (!path.isEmpty()) {
    // A presentation plays as a show; any other file shows its first page.
    d.Waiting = true;
    d.StartShow(path, IsPresentationPath(path) ? "/show" : "/page");
    // Slides and pages are drawn by LibreOffice the first time, which takes seconds: they are ready
    // when Navigate returns, so that whoever starts watching then does not watch a blank page. What
    // runs inside the wait may free this browser (a Stop frees the work window): the wait then ends
    // without touching it, and so does Navigate.
    const unsigned generation = d.Generation;
    const std::shared_ptr<bool> alive = d.Alive;
    win::PumpUntil(
        [&d, alive, generation] { return !*alive || generation != d.Generation || d.Started || !d.Error.empty(); },
        kShowReadyTimeoutMs);
    if (!*alive || generation != d.Generation) return;
    d.Waiting = false;
    if (!d.Error.empty()) d.QueueNavigateError();
    return;
  }
  d.ShowPlainPage();
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

bool TWebBrowser::ShowApplicationFailed() const { return FImpl->ApplicationFailed; }
