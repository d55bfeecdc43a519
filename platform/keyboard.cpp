#include "keyboard.h"

#include <QWidget>
#include <atomic>

namespace win {
namespace {

std::atomic<HWND> FocusWindow {0};

}  // namespace

HWND SetFocus(HWND wnd) {
  QWidget *widget = WidgetOf(wnd);
  HWND previous = GetFocus();
  FocusWindow = widget ? wnd : 0;
  if (widget) widget->setFocus(Qt::OtherFocusReason);
  return previous;
}

HWND GetFocus() {
  HWND wnd = FocusWindow;
  return IsWindow(wnd) ? wnd : 0;
}

void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extraInfo) {
  HWND target = GetFocus();
  if (!target) return;
  bool up = (flags & KEYEVENTF_KEYUP) != 0;
  // The key message's lParam: repeat count 1, scan code, extended flag, previous state and transition.
  LPARAM lParam = 1 | (LPARAM(scan) << 16);
  if (flags & KEYEVENTF_EXTENDEDKEY) lParam |= LPARAM(1) << 24;
  if (up) lParam |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
  SendMessage(target, up ? WM_KEYUP : WM_KEYDOWN, vk, lParam);
}

bool SetForegroundWindow(HWND wnd) {
  QWidget *widget = WidgetOf(wnd);
  if (!widget) return false;
  QWidget *top = widget->window();
  if (!top->isVisible() || top->testAttribute(Qt::WA_DontShowOnScreen) || top->isMinimized()) return false;
  top->raise();
  top->activateWindow();
  return true;
}

}  // namespace win
