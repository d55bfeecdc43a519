// POWERPNT.EXE: the presentation application. The first argument chooses the mode.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "automation_session.h"
#include "show_mode.h"

namespace {

bool WriteLine(const std::string &line) {
  std::string out = line + "\n";
  const char *p = out.data();
  std::size_t left = out.size();
  while (left > 0) {
    ssize_t n = ::write(STDOUT_FILENO, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= std::size_t(n);
  }
  return true;
}

// Answers requests from stdin until "quit" or the end of stdin.
int RunAutomation(int, char **) {
  ppt::TAutomationSession session;
  // The show that follows a probe finds its slides rendered.
  session.OnOpened = ppt::StartBackgroundRendering;
  if (!WriteLine("ok ready")) return 1;
  std::string line;
  bool overlong = false;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    for (ssize_t i = 0; i < n; ++i) {
      char c = buffer[i];
      if (c != '\n') {
        // An overlong line is not kept in memory; it is answered once its end arrives.
        if (line.size() <= ppt::TAutomationSession::MaxRequestLength) line += c;
        else overlong = true;
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::string answer = overlong ? "error request too long" : session.Handle(line);
      line.clear();
      overlong = false;
      if (!WriteLine(answer)) return 1;
      if (session.Quit()) return 0;
    }
  }
}

// "<mode> <path>": one file served to the web-browser control.
int RunWithPath(int argc, char **argv, int (*run)(const std::string &path)) {
  if (argc != 3) {
    std::fprintf(stderr, "POWERPNT.EXE: start the %s mode with %s <path>\n", argv[1] + 1, argv[1]);
    return 2;
  }
  return run(argv[2]);
}

// "/show <path>": the slide show of one presentation.
int RunShow(int argc, char **argv) { return RunWithPath(argc, argv, ppt::RunShow); }
// "/page <path>": the first page of any other document.
int RunPage(int argc, char **argv) { return RunWithPath(argc, argv, ppt::RunPage); }

struct TMode {
  const char *Argument;
  int (*Run)(int argc, char **argv);
};

const TMode Modes[] = {
    {"/automation", RunAutomation},
    {"/show", RunShow},
    {"/page", RunPage},
};

}  // namespace

int main(int argc, char **argv) {
  std::signal(SIGPIPE, SIG_IGN);  // a vanished caller ends us through a failed write instead
  if (argc >= 2)
    for (const TMode &mode : Modes)
      if (std::strcmp(argv[1], mode.Argument) == 0) return mode.Run(argc, argv);
  std::fprintf(stderr, "POWERPNT.EXE: unknown mode; start it with /automation, /show <path> or /page <path>\n");
  return 2;
}
