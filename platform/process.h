#pragma once
// Child processes with pipes, and the process snapshot.
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace win {

// A pipe end as an object: Close from another thread makes a blocked Read fail; the descriptor is
// released only when the last user lets go.
class TPipe {
public:
  ~TPipe();
  // Reads up to `size` bytes; 0 at end of stream or after Close; -1 on error.
  long Read(char *buffer, std::size_t size);
  // Like Read, but gives up after `timeoutMs` with -2.
  long ReadTimeout(char *buffer, std::size_t size, int timeoutMs);
  bool Write(const std::string &data);
  void Close();
  bool IsClosed() const;

  struct State;
  explicit TPipe(std::shared_ptr<State> state);

private:
  std::shared_ptr<State> FState;
};

struct TProcessStart {
  std::string Program;                // path of the executable
  std::vector<std::string> Arguments; // without the program
  std::string WorkDir;                // empty: the caller's
  bool RedirectInput = true;          // child's stdin from a pipe
  bool RedirectOutput = true;         // child's stdout and stderr into one pipe
};

class TProcess {
public:
  // Starts the child; throws std::runtime_error with the reason when it cannot start.
  explicit TProcess(const TProcessStart &start);
  ~TProcess();  // terminates a child still running, and reaps it
  TProcess(const TProcess &) = delete;
  TProcess &operator=(const TProcess &) = delete;

  pid_t Pid() const;
  std::shared_ptr<TPipe> Input() const;   // write end of the child's stdin (null when not redirected)
  std::shared_ptr<TPipe> Output() const;  // read end of the child's stdout+stderr
  // Waits up to `timeoutMs` (negative: no limit); true when the child has ended (and is reaped).
  bool Wait(int timeoutMs = -1);
  bool Running();
  int ExitCode() const;  // valid after Wait returned true; 128+signal for a killed child
  void Terminate();      // SIGKILL, then reap

private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

// Splits a command line the way Windows' command-line rules split it (double quotes group, \" is a
// quote, backslashes otherwise literal; in the program name "" inside quotes is a quote).
std::vector<std::string> SplitCommandLine(const std::string &commandLine);

struct TProcessEntry {
  pid_t Pid = 0;
  std::string ExeFile;  // the executable's file name, without folder
};

// Running processes of this machine, zombies skipped, in process-id order.
std::vector<TProcessEntry> ProcessSnapshot();
// One process as the snapshot would list it: false when it has ended or is a zombie, else its
// executable's file name in `exeFile`.
bool LiveProcessExeFile(pid_t pid, std::string &exeFile);
// Ends the process at once (SIGKILL); reaps it when it is our child. True when it was ended.
bool TerminateProcess(pid_t pid);

}  // namespace win
