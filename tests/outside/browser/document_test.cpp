// The browser's window tree and its plain pages, without a process.
#include "webbrowser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTextBrowser>

#include "forms.h"
#include "testsupport.h"

namespace {

// The panel as the platform registers it: a window from its creation.
class TPanel : public QWidget {
public:
  explicit TPanel(QWidget *parent) : QWidget(parent) { win::HandleOf(this); }
};

// The work window's layout: form > panel with an empty caption > browser.
struct TWorkWindow {
  TForm Form;
  TPanel *Panel = new TPanel(&Form);
  TWebBrowser *WB = new TWebBrowser(Panel);
  TWorkWindow() {
    Form.SetClientSize(820, 680);
    Panel->setGeometry(0, 0, 817, 605);
    WB->setGeometry(0, 0, 816, 600);
    Form.setAttribute(Qt::WA_DontShowOnScreen);
    Form.show();
  }
};

win::HWND Child(win::HWND parent, const std::string &className, const std::string &caption = "") {
  return win::FindWindowEx(parent, 0, className, caption);
}

}  // namespace

TEST(BrowserWindowTree, CaptureSearchFromTheWorkWindowReachesThePane) {
  testsupport::App();
  TWorkWindow work;
  win::HWND wb = work.WB->Handle();
  EXPECT_EQ(win::GetClassName(wb), "Shell Embedding");
  win::HWND wnd = win::GetParent(win::GetParent(wb));
  EXPECT_EQ(wnd, work.Form.Handle());
  for (const char *className : {"TPanel", "Shell Embedding", "Shell DocObject View", "childclass", "childclass",
                                "paneClassDC"}) {
    wnd = Child(wnd, className);
    ASSERT_NE(wnd, 0u) << "no " << className;
  }
  EXPECT_EQ(wnd, work.WB->PaneHandle());
  // Every window of the chain fills the browser.
  QWidget *pane = win::WidgetOf(wnd);
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->mapTo(work.WB, QPoint(0, 0)), QPoint(0, 0));
  EXPECT_EQ(pane->size(), QSize(816, 600));
}

TEST(BrowserWindowTree, PreviewSearchByPanelCaption) {
  testsupport::App();
  QWidget main;
  TPanel *other = new TPanel(&main);
  TPanel *pnlWB = new TPanel(&main);
  pnlWB->setWindowTitle("WB");
  auto *wb = new TWebBrowser(pnlWB);
  (void)other;
  win::HWND wnd = win::HandleOf(&main);
  for (auto [className, caption] : {std::pair{"TPanel", "WB"}, {"Shell Embedding", ""}, {"Shell DocObject View", ""},
                                    {"childclass", ""}, {"childclass", ""}, {"paneClassDC", ""}})
    wnd = Child(wnd, className, caption);
  EXPECT_EQ(wnd, wb->PaneHandle());
}

TEST(BrowserDocument, AddressWithoutAFileShowsAPlainPageWithOneDocumentComplete) {
  testsupport::App();
  const std::string page = "http://example.invalid/page.html";
  TWorkWindow work;
  std::vector<std::string> completed;
  work.WB->OnDocumentComplete = [&](const std::string &url) { completed.push_back(url); };
  work.WB->Navigate(page);
  EXPECT_TRUE(completed.empty()) << "DocumentComplete arrives from the message loop, not inside Navigate";
  win::PumpUntil([&] { return !completed.empty(); }, 2000);
  win::PumpUntil([] { return false; }, 200);
  ASSERT_EQ(completed.size(), 1u);
  EXPECT_EQ(completed[0], page);
  auto *view = win::WidgetOf(Child(Child(work.WB->Handle(), "Shell DocObject View"), "Internet Explorer_Server"));
  auto *document = dynamic_cast<QTextBrowser *>(view);
  ASSERT_NE(document, nullptr);
  EXPECT_TRUE(document->isVisible());
  EXPECT_EQ(work.WB->ShowProcessId(), 0);
}

TEST(BrowserDocument, OtherAddressesShowAPlainPage) {
  testsupport::App();
  TWorkWindow work;
  int completed = 0;
  work.WB->OnDocumentComplete = [&](const std::string &) { ++completed; };
  work.WB->Navigate("about:blank");
  win::PumpUntil([&] { return completed > 0; }, 2000);
  work.WB->Navigate("https://example.invalid/missing.html");
  win::PumpUntil([&] { return completed > 1; }, 2000);
  win::PumpUntil([] { return false; }, 100);
  EXPECT_EQ(completed, 2);
  QImage shot(816, 600, QImage::Format_RGB32);
  shot.fill(Qt::black);
  ASSERT_TRUE(win::PrintWindow(work.WB->Handle(), shot));
  EXPECT_EQ(shot.pixel(400, 300), qRgb(255, 255, 255));
}

TEST(BrowserDocument, EmptyAddressRaisesNoDocumentComplete) {
  testsupport::App();
  TWorkWindow work;
  int completed = 0;
  work.WB->OnDocumentComplete = [&](const std::string &) { ++completed; };
  work.WB->Navigate("");
  win::PumpUntil([] { return false; }, 200);
  EXPECT_EQ(completed, 0);
  // Navigating to "" right after a page drops that page's pending DocumentComplete too.
  work.WB->Navigate("about:blank");
  work.WB->Navigate("");
  win::PumpUntil([] { return false; }, 200);
  EXPECT_EQ(completed, 0);
}

TEST(BrowserDocument, StopDropsAPendingDocumentComplete) {
  testsupport::App();
  TWorkWindow work;
  int completed = 0;
  work.WB->OnDocumentComplete = [&](const std::string &) { ++completed; };
  work.WB->Navigate("about:blank");
  work.WB->Stop();
  win::PumpUntil([] { return false; }, 200);
  EXPECT_EQ(completed, 0);
}
