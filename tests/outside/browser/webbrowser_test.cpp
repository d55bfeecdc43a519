// Slide shows in the browser, served by POWERPNT.EXE's show mode, driven as the capture library and
// the preview drive them.
#include "webbrowser.h"

#include <gtest/gtest.h>

#include <QDir>
#include <chrono>
#include <unistd.h>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include "forms.h"
#include "keyboard.h"
#include "library.h"
#include "process.h"
#include "testsupport.h"

namespace {

const std::string Decks = VANTREL_DECKS "/";
constexpr int RenderTimeoutMs = 180000;  // LibreOffice's first rendering of a deck

// The panel as the platform registers it: a window from its creation.
class TPanel : public QWidget {
public:
  explicit TPanel(QWidget *parent) : QWidget(parent) { win::HandleOf(this); }
};

struct TWorkWindow {
  TForm Form;
  TPanel *Panel = new TPanel(&Form);
  TWebBrowser *WB = new TWebBrowser(Panel);
  std::vector<std::string> Completed;
  std::vector<std::chrono::steady_clock::time_point> CompletedAt;
  // The work window's browser is wider than the 800 x 600 that the capture takes from its corner.
  explicit TWorkWindow(QSize browser = QSize(816, 600)) {
    Form.SetClientSize(820, 680);
    Panel->setGeometry(0, 0, 817, 605);
    WB->setGeometry(QRect(QPoint(0, 0), browser));
    Form.setAttribute(Qt::WA_DontShowOnScreen);
    Form.show();
    WB->OnDocumentComplete = [this](const std::string &url) {
      Completed.push_back(url);
      CompletedAt.push_back(std::chrono::steady_clock::now());
    };
  }
  bool WaitPages(std::size_t count, int timeoutMs) {
    return win::PumpUntil([&] { return Completed.size() >= count; }, timeoutMs);
  }
  QImage Print(QSize size = QSize(800, 600)) {
    QImage shot(size, QImage::Format_RGB32);
    shot.fill(Qt::gray);
    win::PrintWindow(WB->Handle(), shot);
    return shot;
  }
};

// The capture library's slide advance: foreground, focus, Page Down key-down.
void PageDown(win::HWND pane) {
  win::SetForegroundWindow(pane);
  win::SetFocus(pane);
  win::keybd_event(win::BYTE(win::VK_NEXT), 0, 0, 0);
}

void Pump(int ms) {
  win::PumpUntil([] { return false; }, ms);
}

QImage ResourceBitmap(unsigned id) {
  QImage bitmap;
  win::HMODULE module = win::LoadLibrary("Resource.dll");
  win::LoadBitmap(module, id, bitmap);
  win::FreeLibrary(module);
  return bitmap;
}

bool SameTopStrip(const QImage &a, const QImage &b, int width) {
  if (a.isNull() || b.isNull() || a.width() < width || b.width() < width) return false;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < width; ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

bool IsAllWhite(const QImage &image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
  return true;
}

// The deck's slides are red, blue and green.
int Dominant(const QImage &shot, const QPoint &at) {
  QRgb c = shot.pixel(at);
  if (qRed(c) > 150 && qGreen(c) < 60 && qBlue(c) < 60) return 1;
  if (qBlue(c) > 150 && qRed(c) < 60) return 2;
  if (qGreen(c) > 120 && qRed(c) < 60 && qBlue(c) < 120) return 3;
  return 0;
}

// POWERPNT.EXE processes started by this test process (other suites may run their own meanwhile).
bool OurPowerPointRunning() {
  for (const auto &entry : win::ProcessSnapshot()) {
    if (QString::fromStdString(entry.ExeFile).compare("POWERPNT.EXE", Qt::CaseInsensitive) != 0) continue;
    QFile stat(QString("/proc/%1/stat").arg(entry.Pid));
    if (!stat.open(QIODevice::ReadOnly)) continue;
    QList<QByteArray> fields = stat.readAll().split(')').value(1).trimmed().split(' ');
    if (fields.value(1).toInt() == ::getpid()) return true;
  }
  return false;
}

bool ProcessGone(int pid) {
  for (const auto &entry : win::ProcessSnapshot())
    if (entry.Pid == pid) return false;
  return true;
}

void SaveScreenshot(const QImage &shot, const char *name) {
  QDir().mkpath(VANTREL_SCREENSHOTS);
  shot.save(QString(VANTREL_SCREENSHOTS "/") + name);
}

}  // namespace

TEST(BrowserShow, PlaysTheDeckToTheEndScreen) {
  testsupport::App();
  TWorkWindow work;
  win::HWND pane = work.WB->PaneHandle();
  work.WB->Navigate(Decks + "three.ppt");
  int pid = work.WB->ShowProcessId();
  EXPECT_NE(pid, 0) << "the show process runs before Navigate returns";
  // Navigate returns once the first slide shows, so that a capture never starts on a blank page.
  EXPECT_FALSE(IsAllWhite(work.Print())) << work.WB->ShowError();
  ASSERT_TRUE(work.WaitPages(1, RenderTimeoutMs)) << work.WB->ShowError();
  Pump(300);
  ASSERT_EQ(work.Completed.size(), 1u);
  EXPECT_EQ(work.Completed[0], Decks + "three.ppt");
  QImage first = work.Print();
  EXPECT_EQ(Dominant(first, QPoint(400, 150)), 1);
  // The capture's 800 x 600 holds the whole slide and nothing else: slide at both edges of the
  // (16:9) slide's rows, the letterbox inside it.
  for (int x : {0, 3, 796, 799}) EXPECT_EQ(Dominant(first, QPoint(x, 300)), 1) << "column " << x;
  EXPECT_EQ(first.pixel(400, 10), qRgb(0, 0, 0));
  EXPECT_FALSE(SameTopStrip(first, ResourceBitmap(1), 800));
  SaveScreenshot(first, "slide1.png");

  PageDown(pane);
  ASSERT_TRUE(work.WaitPages(2, 5000));
  EXPECT_EQ(Dominant(work.Print(), QPoint(400, 150)), 2);
  // Slide 2 advances by itself after its 3.5 seconds, not at once.
  Pump(1000);
  EXPECT_EQ(work.Completed.size(), 2u);
  ASSERT_TRUE(work.WaitPages(3, 15000));
  EXPECT_EQ(Dominant(work.Print(), QPoint(400, 150)), 3);
  // Never early: a timer that may fire within 5% of its time cuts the slide short in the video.
  const std::chrono::duration<double, std::milli> shown = work.CompletedAt[2] - work.CompletedAt[1];
  EXPECT_GE(shown.count(), 3490) << "slide 2 advanced before its 3.5 s";

  // After the last slide: the end screen, without a DocumentComplete.
  PageDown(pane);
  Pump(500);
  EXPECT_EQ(work.Completed.size(), 3u);
  QImage end = work.Print();
  SaveScreenshot(end, "endscreen.png");
  QImage reference = ResourceBitmap(1);
  ASSERT_EQ(reference.size(), QSize(800, 600));
  EXPECT_TRUE(SameTopStrip(reference, end, 800));

  // Advance input on the end screen is ignored.
  PageDown(pane);
  win::PostMessage(pane, win::WM_LBUTTONDBLCLK, 0, 0);
  Pump(300);
  EXPECT_EQ(work.Completed.size(), 3u);
  EXPECT_EQ(work.Print(), end);

  // The same screen in the preview's thumbnail size.
  work.WB->resize(160, 100);
  Pump(100);
  QImage thumb = work.Print(QSize(160, 100));
  SaveScreenshot(thumb, "endscreen-thumb.png");
  QImage smallReference = ResourceBitmap(2);
  ASSERT_EQ(smallReference.size(), QSize(160, 100));
  EXPECT_TRUE(SameTopStrip(smallReference, thumb, 141));

  // Navigating to "" ends the show and its process, and raises nothing.
  work.WB->Navigate("");
  EXPECT_EQ(work.WB->ShowProcessId(), 0);
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_FALSE(OurPowerPointRunning());
  Pump(200);
  EXPECT_EQ(work.Completed.size(), 3u);
}

TEST(BrowserShow, ThumbnailShowsTheSlideScaled) {
  testsupport::App();
  TWorkWindow work(QSize(178, 124));
  work.WB->Navigate(Decks + "three.ppt");
  ASSERT_TRUE(work.WaitPages(1, RenderTimeoutMs)) << work.WB->ShowError();
  QImage thumb = work.Print(QSize(160, 100));
  SaveScreenshot(thumb, "slide1-thumb.png");
  EXPECT_EQ(Dominant(thumb, QPoint(89, 62)), 1) << "the slide fills the middle of a small browser";
  EXPECT_FALSE(SameTopStrip(thumb, ResourceBitmap(2), 141));
  // The preview advances with a double click as well.
  win::PostMessage(work.WB->PaneHandle(), win::WM_LBUTTONDBLCLK, 0, 0);
  ASSERT_TRUE(work.WaitPages(2, 5000));
}

TEST(BrowserShow, NavigatingAwayEndsTheShowProcess) {
  testsupport::App();
  // An address that names no file: a plain page, with no process of its own.
  std::string page = "http://example.invalid/after.html";
  TWorkWindow work;
  work.WB->Navigate(Decks + "three.ppt");
  int pid = work.WB->ShowProcessId();
  ASSERT_NE(pid, 0);
  work.WB->Navigate(page);
  EXPECT_EQ(work.WB->ShowProcessId(), 0);
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_FALSE(OurPowerPointRunning());
  // The show's first slide and then the page complete; nothing of the show that was left arrives later.
  Pump(1500);
  ASSERT_EQ(work.Completed.size(), 2u);
  EXPECT_EQ(work.Completed[1], page);
}

TEST(BrowserShow, UnreadablePresentationStaysWhite) {
  testsupport::App();
  TWorkWindow work;
  work.WB->Navigate(Decks + "notppt.ppt");
  ASSERT_TRUE(win::PumpUntil([&] { return !work.WB->ShowError().empty(); }, 10000));
  EXPECT_NE(work.WB->ShowError().find("not a compound file"), std::string::npos) << work.WB->ShowError();
  EXPECT_TRUE(win::PumpUntil([&] { return work.WB->ShowProcessId() == 0; }, 5000))
      << "POWERPNT.EXE ends, so that a watchdog sees it gone";
  PageDown(work.WB->PaneHandle());
  Pump(200);
  EXPECT_TRUE(work.Completed.empty());
  EXPECT_TRUE(IsAllWhite(work.Print()));
}

TEST(BrowserShow, RealKeyAndDoubleClickOnThePaneAdvance) {
  testsupport::App();
  TWorkWindow work;
  work.WB->Navigate(Decks + "three.ppt");
  ASSERT_TRUE(work.WaitPages(1, RenderTimeoutMs)) << work.WB->ShowError();
  QWidget *pane = win::WidgetOf(work.WB->PaneHandle());
  QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
  QApplication::sendEvent(pane, &press);
  ASSERT_TRUE(work.WaitPages(2, 5000));
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(pane, &click);
  ASSERT_TRUE(work.WaitPages(3, 5000));
}

// Any other file shows its first page, drawn by LibreOffice like a slide, with one DocumentComplete.
TEST(BrowserPage, ADocumentShowsItsFirstPageAndStaysOnIt) {
  testsupport::App();
  testsupport::TempDir dir;
  std::string outline = dir / "outline.txt";
  testsupport::WriteFile(outline, "Quarterly review\n\tSales\n\tOutlook\n");
  std::string web = dir / "page.html";
  testsupport::WriteFile(web, "<html><body><h1>Hello Vantrel</h1></body></html>");
  TWorkWindow work;
  for (const std::string &file : {outline, web}) {
    work.Completed.clear();
    work.WB->Navigate(file);
    // The page shows when Navigate returns: a portrait page, white, pillarboxed on black.
    QImage shown = work.Print();
    EXPECT_EQ(shown.pixel(400, 20), qRgb(255, 255, 255)) << file << ": " << work.WB->ShowError();
    EXPECT_EQ(shown.pixel(5, 300), qRgb(0, 0, 0)) << file;
    int ink = 0;  // the text at the top of the paper
    for (int y = 20; y < 150; ++y)
      for (int x = 200; x < 600; ++x) ink += qGray(shown.pixel(x, y)) < 128;
    EXPECT_GT(ink, 50) << file << ": the page shows no text";
    SaveScreenshot(shown, file == outline ? "page-outline.png" : "page-web.png");
    EXPECT_NE(work.WB->ShowProcessId(), 0);

    // No input turns the page.
    PageDown(work.WB->PaneHandle());
    win::PostMessage(work.WB->PaneHandle(), win::WM_LBUTTONDBLCLK, 0, 0);
    Pump(300);
    ASSERT_EQ(work.Completed.size(), 1u) << file;
    EXPECT_EQ(work.Completed[0], file);
    EXPECT_EQ(work.Print(), shown) << file;
  }
  int pid = work.WB->ShowProcessId();
  work.WB->Navigate("");
  EXPECT_TRUE(ProcessGone(pid));
}

// What cannot be shown is reported once, after Navigate has returned, with a reason naming it.
TEST(BrowserPage, AFileThatCannotBeShownRaisesNavigateError) {
  testsupport::App();
  testsupport::TempDir dir;
  std::string addin = dir / "addin.ppam";
  testsupport::WriteFile(addin, std::string("\0\1binary", 8));
  // LibreOffice opens what it cannot identify as text, and an empty file as a new document: neither
  // may pass for the presentation or document it is offered as.
  std::string garbage = dir / "deck.odp";
  testsupport::WriteFile(garbage, std::string(4000, '\x93') + "text among the bytes");
  std::string empty = dir / "note.txt";
  testsupport::WriteFile(empty, "");
  TWorkWindow work;
  std::vector<std::pair<std::string, std::string>> errors;
  work.WB->OnNavigateError = [&](const std::string &url, const std::string &reason) { errors.push_back({url, reason}); };
  for (const std::string &url : {addin, "file://" + dir.Path + "/missing.docx", garbage, empty}) {
    errors.clear();
    work.WB->Navigate(url);
    EXPECT_TRUE(errors.empty()) << "raised inside Navigate";
    ASSERT_TRUE(win::PumpUntil([&] { return !errors.empty(); }, RenderTimeoutMs)) << url;
    Pump(300);
    ASSERT_EQ(errors.size(), 1u) << url;
    EXPECT_EQ(errors[0].first, url);
    EXPECT_EQ(errors[0].second, work.WB->ShowError());
    EXPECT_NE(errors[0].second.find(dir.Path), std::string::npos) << errors[0].second;
    EXPECT_FALSE(work.WB->ShowApplicationFailed()) << url;
    EXPECT_TRUE(work.Completed.empty()) << url;
    EXPECT_TRUE(IsAllWhite(work.Print())) << url;
  }
}
