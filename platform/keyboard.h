#pragma once
// Keyboard focus and synthesized keys inside our process. Keys go to the window last given SetFocus,
// never through the desktop's focus, so a user switching programs does not take the keys away.
#include <cstdint>

#include "win.h"

namespace win {

using BYTE = std::uint8_t;
using ULONG_PTR = std::uintptr_t;

constexpr DWORD KEYEVENTF_EXTENDEDKEY = 0x0001;
constexpr DWORD KEYEVENTF_KEYUP = 0x0002;

// Makes `wnd` the window that receives synthesized keys; returns the previous one (0 when none).
// A window that does not exist clears the focus. The widget also gets Qt's focus, so that a real key
// pressed while our window is active reaches it too.
HWND SetFocus(HWND wnd);
// The window last given SetFocus, or 0 when it has gone.
HWND GetFocus();
// Sends WM_KEYDOWN (or WM_KEYUP with KEYEVENTF_KEYUP) with `vk` to the focused window's procedure,
// synchronously on the calling thread; nothing happens without a focused window.
void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extraInfo);
// The virtual-key code of a key as the framework reports it (its Qt key code): letters and digits
// keep their codes, the named keys (Del, arrows, Enter, F1 ...) and the unshifted punctuation keys
// get theirs; 0 for a key that has none here.
WPARAM VirtualKeyOf(int qtKey);
// Raises and activates the window's top-level window when it is on screen; false otherwise (also for
// a fully transparent window that is not mapped).
bool SetForegroundWindow(HWND wnd);

}  // namespace win
