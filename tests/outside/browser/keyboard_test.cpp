// Keyboard focus and synthesized keys inside the process.
#include "keyboard.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <vector>

#include "testsupport.h"

namespace {

struct TMessage {
  win::UINT Msg;
  win::WPARAM WParam;
  win::LPARAM LParam;
};

win::HWND Recording(QWidget &widget, std::vector<TMessage> &log) {
  win::HWND wnd = win::HandleOf(&widget);
  win::SetWindowProc(wnd, [&log](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) {
    log.push_back({msg, w, l});
    return win::LRESULT(0);
  });
  return wnd;
}

}  // namespace

TEST(Keyboard, KeyGoesToTheWindowLastGivenFocus) {
  testsupport::App();
  QWidget first, second;
  std::vector<TMessage> firstLog, secondLog;
  win::HWND a = Recording(first, firstLog), b = Recording(second, secondLog);
  win::SetFocus(a);
  EXPECT_EQ(win::SetFocus(b), a);
  EXPECT_EQ(win::GetFocus(), b);
  win::keybd_event(0x22, 0, 0, 0);
  ASSERT_EQ(secondLog.size(), 1u);
  EXPECT_TRUE(firstLog.empty());
  EXPECT_EQ(secondLog[0].Msg, win::WM_KEYDOWN);
  EXPECT_EQ(secondLog[0].WParam, win::VK_NEXT);
  EXPECT_EQ(secondLog[0].LParam & 0xFFFF, 1) << "repeat count";
}

TEST(Keyboard, KeyUpFlagSendsKeyUpWithScanCode) {
  testsupport::App();
  QWidget widget;
  std::vector<TMessage> log;
  win::SetFocus(Recording(widget, log));
  win::keybd_event(0x22, 0x51, win::KEYEVENTF_KEYUP, 0);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Msg, win::WM_KEYUP);
  EXPECT_EQ((log[0].LParam >> 16) & 0xFF, 0x51);
  EXPECT_NE(log[0].LParam & (win::LPARAM(1) << 31), 0) << "transition state of a release";
}

TEST(Keyboard, NoFocusedWindowMeansNoKey) {
  testsupport::App();
  std::vector<TMessage> log;
  {
    auto *widget = new QWidget;
    win::SetFocus(Recording(*widget, log));
    delete widget;
  }
  EXPECT_EQ(win::GetFocus(), 0u);
  win::keybd_event(0x22, 0, 0, 0);  // must not reach the destroyed window
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(win::SetFocus(0x7FFFFFF0), 0u);
  EXPECT_EQ(win::GetFocus(), 0u);
}

TEST(Keyboard, ForegroundOnlyForAWindowOnScreen) {
  testsupport::App();
  QWidget hidden;
  EXPECT_FALSE(win::SetForegroundWindow(win::HandleOf(&hidden)));
  QWidget transparent;
  transparent.setAttribute(Qt::WA_DontShowOnScreen);
  transparent.show();
  EXPECT_FALSE(win::SetForegroundWindow(win::HandleOf(&transparent)));
  QWidget shown;
  QWidget child(&shown);
  shown.show();
  EXPECT_TRUE(win::SetForegroundWindow(win::HandleOf(&child)));
  EXPECT_FALSE(win::SetForegroundWindow(0));
}
