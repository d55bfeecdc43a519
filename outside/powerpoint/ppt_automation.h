#pragma once
// Automation client of the presentation application: what a caller sees of POWERPNT.EXE. Each object
// call is a request over the process's standard input and output (see PROTOCOL.md); any failure
// throws EOleError, as an automation call would.
#include <memory>
#include <stdexcept>
#include <string>

namespace ppt {

struct EOleError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct SlideShowTransition {
  int AdvanceOnClick = 0;  // non-zero: advances on a click
  int AdvanceOnTime = 0;   // non-zero: advances after AdvanceTime
  float AdvanceTime = 0;   // seconds
};

class Application {
public:
  // Starts "POWERPNT.EXE" from the program folder (or `exePath`) in automation mode.
  // Throws EOleError when it cannot start or does not answer.
  explicit Application(const std::string &exePath = "");
  ~Application();  // ends a process that is still running
  Application(const Application &) = delete;
  Application &operator=(const Application &) = delete;

  void SetVisible(int visible);
  // Presentations.Open(FileName, ReadOnly, Untitled, WithWindow): the application never writes the file.
  void Open(const std::string &fileName, int readOnly, int untitled, int withWindow);
  int SlidesCount();                                   // ActivePresentation.Slides.Count
  SlideShowTransition Transition(int slideIndex);      // ActivePresentation.Slides.Item(i).SlideShowTransition
  void Close();                                        // ActivePresentation.Close
  void Quit();                                         // Application.Quit; the process ends
  int Pid() const;

  // Bounds every answer's wait, so that a broken file or a hung process never hangs the caller.
  static constexpr int AnswerTimeoutMs = 30000;

private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

}  // namespace ppt
