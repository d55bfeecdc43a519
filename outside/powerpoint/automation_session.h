#pragma once
// The automation mode of POWERPNT.EXE: one request line in, one answer line out (see PROTOCOL.md).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pptfile.h"

namespace ppt {

class TAutomationSession {
public:
  // The answer to one request line (without its line end). `Quit` is set by "quit".
  std::string Handle(const std::string &request);
  bool Quit() const { return FQuit; }
  bool Visible() const { return FVisible; }

  // Called with the file name after each successful "open" (POWERPNT.EXE begins rendering there).
  std::function<void(const std::string &path)> OnOpened;

  // Longest request line taken; a longer one is answered with an error.
  static constexpr std::size_t MaxRequestLength = 65536;

private:
  std::string Open(const std::string &args);
  std::string Transition(const std::string &args);

  bool FQuit = false;
  bool FVisible = false;
  std::optional<std::vector<TSlideTransition>> FSlides;  // the active presentation
};

// Number formats of the protocol, independent of the locale.
std::string FormatSeconds(float seconds);
bool ParseInt(const std::string &text, int &value);

}  // namespace ppt
