#pragma once
// Window handles and messages over Qt widgets: every window a caller treats as a window has a handle
// from one process-wide table, so the program, the capture library and the preview library agree.
#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace win {

using HWND = std::uintptr_t;
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using DWORD = std::uint32_t;

constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_RESTORE = 0xF120;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM VK_NEXT = 0x22;  // Page Down

using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// The handle of a widget, registering it on first use. The class name defaults to the widget's class
// name without namespace ("TPanel"); the caption is the window title.
HWND HandleOf(QWidget *widget);
// nullptr for 0, an unknown handle, or a window already destroyed.
QWidget *WidgetOf(HWND wnd);
bool IsWindow(HWND wnd);

void SetClassName(HWND wnd, const std::string &className);
std::string GetClassName(HWND wnd);
std::string GetWindowText(HWND wnd);
void SetWindowText(HWND wnd, const std::string &text);
HWND GetParent(HWND wnd);

// Searches registered top-level windows (no parent); an empty class or caption matches any.
HWND FindWindow(const std::string &className, const std::string &caption);
// Searches the direct children of `parent` (0: top-level windows) after `childAfter`, in creation order.
HWND FindWindowEx(HWND parent, HWND childAfter, const std::string &className, const std::string &caption);

// Replaces a window's procedure (subclassing); returns the previous one, which the new one may call.
WindowProc SetWindowProc(HWND wnd, WindowProc proc);
WindowProc GetWindowProc(HWND wnd);
LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Calls the window procedure at once on the calling thread; 0 for a window that does not exist.
LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues the message for the GUI thread's loop; false for a window that does not exist.
bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Windows' MulDiv: a * b / c rounded half away from zero, -1 when c is 0.
int MulDiv(int a, int b, int c);

// Dispatches what is pending and returns at once.
void ProcessMessages();
// Waits for at least one event (or `maxWaitMs`), then dispatches what is pending: the body of
// "pump until ..." loops, so that they never spin.
void WaitMessage(int maxWaitMs = 50);
// Pumps until `done` returns true or `timeoutMs` passes (negative: no limit); true when done.
bool PumpUntil(const std::function<bool()> &done, int timeoutMs = -1);

}  // namespace win

namespace win {
// Layered alpha is the window's opacity: 0 leaves it laid out and painted but invisible.
void SetLayeredWindowAlpha(HWND wnd, int alpha);
}  // namespace win

class QImage;
namespace win {
// The window paints itself with its children into `target` at 1:1 from (0, 0), never scaled, also
// while it is transparent or covered; a larger window is cut, a smaller one leaves the rest as it was.
// False for a window that does not exist.
bool PrintWindow(HWND wnd, QImage &target);
}  // namespace win
