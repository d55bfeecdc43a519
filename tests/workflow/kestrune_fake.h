#pragma once
// A recording stand-in for the capture library's exports, so that unit tests of the program never run
// the real library's load-time work in the user's folders.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Kestrune.h"

namespace kestrune_fake {

struct TCalls {
  // Export names in call order.
  std::vector<std::string> Log;
  win::HWND MainWnd = 0;
  win::HWND PreviewWnd = 0;
  std::int32_t SlideNo = 0;
  TImage *Picture = nullptr;
};
TCalls &Calls();
// Forgets the calls and the hooks.
void Reset();

// Answers of the exports; the defaults are those of a file that is not a presentation.
extern std::function<std::int32_t(const char *FileName)> SlidesCount;
extern std::function<const char *(std::int32_t Id)> WebAddress;
// Runs inside the named export, after it is logged.
extern std::function<void()> OnEndConvert;
extern std::function<void()> OnStartConvert;

}  // namespace kestrune_fake
