#pragma once
// The slide capture library's exports, as a host sees them.
#include <cstdint>

#include "win.h"

class TImage;

constexpr win::UINT WM_CONVERT_ERROR = win::WM_USER + 1;     // wParam: error text
constexpr win::UINT WM_CONVERT_PROGRESS = win::WM_USER + 2;  // wParam: status text or 0, lParam: 0..150

extern "C" {
const char *GetWebAddress(std::int32_t Id);
void EndConvert();
void PassCurrProgessToDLL(std::int32_t SlideNo);
void StartConvert();
void PassMainFrmHandlesToDLL(win::HWND MainWnd, win::HWND PreviewWnd);
void SetCallBackPictureObject(TImage *Image);
// Slide count, or 100 for a file that is not a presentation; throws std::runtime_error after two
// failed attempts of the presentation application.
std::int32_t GetPPTFileSlidesCount(const char *FileName);
}
