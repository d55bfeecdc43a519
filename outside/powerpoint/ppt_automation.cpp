#include "ppt_automation.h"

#include <charconv>
#include <chrono>
#include <stdexcept>

#include "paths.h"
#include "process.h"

namespace ppt {
namespace {

bool ParseInt(const std::string &text, int &value) {
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

}  // namespace

struct Application::Impl {
  static constexpr std::size_t MaxLine = 1 << 20;
  std::unique_ptr<win::TProcess> Process;
  std::string Pending;  // output read past the last answer
  bool Ended = false;   // quit, died or given up on

  void Fail(const std::string &text) {
    End();
    throw EOleError(text);
  }

  void End() {
    Ended = true;
    if (Process && !Process->Wait(0)) Process->Terminate();
  }

  // The next answer line ("ok ..." or "error ..."); other output of the process is skipped.
  // `request` is empty while waiting for the greeting.
  std::string Answer(const std::string &request) {
    std::string when = request.empty() ? "at start" : "while answering \"" + request + "\"";
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::milliseconds(AnswerTimeoutMs);
    for (;;) {
      std::size_t end = Pending.find('\n');
      if (end != std::string::npos) {
        std::string line = Pending.substr(0, end);
        Pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "ok" || line.rfind("ok ", 0) == 0 || line.rfind("error ", 0) == 0) return line;
        continue;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      char buffer[4096];
      long n = left > 0 ? Process->Output()->ReadTimeout(buffer, sizeof buffer, int(left)) : -2;
      if (n == -2)
        Fail("POWERPNT.EXE did not answer " + (request.empty() ? "at start" : "\"" + request + "\"") + " within " +
             std::to_string(AnswerTimeoutMs / 1000) + " seconds");
      if (n <= 0) Fail("POWERPNT.EXE ended unexpectedly " + when);
      Pending.append(buffer, std::size_t(n));
      if (Pending.size() > MaxLine) Fail("POWERPNT.EXE wrote an unreadable answer " + when);
    }
  }

  // Sends one request and returns the text after "ok"; an "error" answer throws.
  std::string Call(const std::string &request, const std::string &shown) {
    if (Ended || !Process) throw EOleError("POWERPNT.EXE is not running");
    if (!Process->Input()->Write(request + "\n")) Fail("POWERPNT.EXE ended unexpectedly (request \"" + shown + "\")");
    std::string line = Answer(shown);
    if (line.rfind("error ", 0) == 0) throw EOleError("POWERPNT.EXE: " + line.substr(6));
    return line.size() > 3 ? line.substr(3) : std::string();
  }
};

Application::Application(const std::string &exePath) : FImpl(std::make_unique<Impl>()) {
  win::TProcessStart start;
  start.Program = exePath.empty() ? win::ProgramFolder() + "POWERPNT.EXE" : exePath;
  start.Arguments = {"/automation"};
  try {
    FImpl->Process = std::make_unique<win::TProcess>(start);
  } catch (const std::exception &e) {
    throw EOleError("cannot start POWERPNT.EXE: " + std::string(e.what()));
  }
  std::string greeting = FImpl->Answer("");
  if (greeting != "ok ready") FImpl->Fail("POWERPNT.EXE did not start in automation mode: " + greeting);
}

Application::~Application() {
  if (!FImpl->Process) return;
  try {
    // Closing its input ends the application; one that does not end is killed.
    if (auto input = FImpl->Process->Input()) input->Close();
    if (!FImpl->Process->Wait(2000)) FImpl->Process->Terminate();
  } catch (...) {
  }
}

void Application::SetVisible(int visible) { FImpl->Call("visible " + std::to_string(visible), "visible"); }

void Application::Open(const std::string &fileName, int readOnly, int untitled, int withWindow) {
  if (fileName.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
    throw EOleError("POWERPNT.EXE: cannot open a file whose name holds a line break");
  FImpl->Call("open " + std::to_string(readOnly) + " " + std::to_string(untitled) + " " + std::to_string(withWindow) +
                  " " + fileName,
              "open " + fileName);
}

int Application::SlidesCount() {
  int count = 0;
  std::string text = FImpl->Call("count", "count");
  if (!ParseInt(text, count)) throw EOleError("POWERPNT.EXE gave no slide count: " + text);
  return count;
}

SlideShowTransition Application::Transition(int slideIndex) {
  std::string request = "transition " + std::to_string(slideIndex);
  std::string text = FImpl->Call(request, request);
  // "<onClick> <onTime> <seconds>"
  std::size_t a = text.find(' '), b = a == std::string::npos ? a : text.find(' ', a + 1);
  SlideShowTransition t;
  bool good = b != std::string::npos && ParseInt(text.substr(0, a), t.AdvanceOnClick) &&
              ParseInt(text.substr(a + 1, b - a - 1), t.AdvanceOnTime);
  if (good) {
    std::string seconds = text.substr(b + 1);
    auto result = std::from_chars(seconds.data(), seconds.data() + seconds.size(), t.AdvanceTime);
    good = result.ec == std::errc() && result.ptr == seconds.data() + seconds.size();
  }
  if (!good) throw EOleError("POWERPNT.EXE gave an unreadable transition: " + text);
  return t;
}

void Application::Close() { FImpl->Call("close", "close"); }

void Application::Quit() {
  FImpl->Call("quit", "quit");
  FImpl->Ended = true;
  if (!FImpl->Process->Wait(AnswerTimeoutMs)) FImpl->Process->Terminate();
}

int Application::Pid() const { return FImpl->Process ? int(FImpl->Process->Pid()) : 0; }

}  // namespace ppt
