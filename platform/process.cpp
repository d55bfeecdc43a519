#include "process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "files.h"

extern char **environ;

namespace win {

// ---------------------------------------------------------------------------------------------------
// Pipes

struct TPipe::State {
  std::mutex Lock;
  int Fd = -1;
  int CancelFd = -1;  // becomes readable when the pipe is closed, waking every blocked user
  bool Closed = false;
  int Users = 0;

  ~State() { Release(); }

  // Registers a user; false once the pipe is closed.
  bool Enter(int &fd, int &cancelFd) {
    std::lock_guard<std::mutex> guard(Lock);
    if (Closed || Fd < 0) return false;
    ++Users;
    fd = Fd;
    cancelFd = CancelFd;
    return true;
  }

  void Leave() {
    std::lock_guard<std::mutex> guard(Lock);
    if (--Users == 0 && Closed) Release();
  }

  void Close() {
    std::lock_guard<std::mutex> guard(Lock);
    if (Closed) return;
    Closed = true;
    if (CancelFd >= 0) {
      std::uint64_t one = 1;
      [[maybe_unused]] ssize_t n = write(CancelFd, &one, sizeof one);
    }
    // The descriptor stays until the last reader or writer has let go, so that its number is never
    // reused under a blocked call.
    if (Users == 0) Release();
  }

  void Release() {
    if (Fd >= 0) close(Fd);
    if (CancelFd >= 0) close(CancelFd);
    Fd = CancelFd = -1;
  }
};

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`; -1 for no limit.
int Remaining(bool limited, Clock::time_point deadline) {
  if (!limited) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

std::shared_ptr<TPipe> MakePipe(int fd) {
  auto state = std::make_shared<TPipe::State>();
  state->Fd = fd;
  state->CancelFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (state->CancelFd < 0) {
    close(fd);
    throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));
  }
  return std::make_shared<TPipe>(state);
}

}  // namespace

TPipe::TPipe(std::shared_ptr<State> state) : FState(std::move(state)) {}

TPipe::~TPipe() { Close(); }

long TPipe::Read(char *buffer, std::size_t size) { return ReadTimeout(buffer, size, -1); }

long TPipe::ReadTimeout(char *buffer, std::size_t size, int timeoutMs) {
  std::shared_ptr<State> state = FState;
  int fd, cancelFd;
  if (size == 0 || !state->Enter(fd, cancelFd)) return 0;
  bool limited = timeoutMs >= 0;
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
  long result;
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {cancelFd, POLLIN, 0}};
    int ready = poll(fds, 2, Remaining(limited, deadline));
    if (ready < 0) {
      if (errno == EINTR) continue;
      result = -1;
      break;
    }
    if (fds[1].revents) {
      result = 0;
      break;
    }
    if (ready == 0) {
      result = -2;
      break;
    }
    ssize_t n = read(fd, buffer, size);
    if (n >= 0) {
      result = static_cast<long>(n);
      break;
    }
    if (errno != EAGAIN && errno != EINTR) {
      result = -1;
      break;
    }
  }
  state->Leave();
  return result;
}

bool TPipe::Write(const std::string &data) {
  std::shared_ptr<State> state = FState;
  int fd, cancelFd;
  if (!state->Enter(fd, cancelFd)) return false;

  // A reader that went away must fail this write, not end the whole program with SIGPIPE.
  sigset_t pipeSignal, oldMask, pending;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &oldMask);
  sigpending(&pending);
  bool wasPending = sigismember(&pending, SIGPIPE);

  bool ok = true;
  std::size_t done = 0;
  while (ok && done < data.size()) {
    pollfd fds[2] = {{fd, POLLOUT, 0}, {cancelFd, POLLIN, 0}};
    int ready = poll(fds, 2, -1);
    if (ready < 0) {
      ok = errno == EINTR;
      continue;
    }
    if (fds[1].revents) {
      ok = false;
      break;
    }
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      ok = false;
      if (errno == EPIPE && !wasPending) {
        timespec zero{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &zero);
      }
    }
  }
  pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
  state->Leave();
  return ok;
}

void TPipe::Close() {
  if (FState) FState->Close();
}

bool TPipe::IsClosed() const {
  std::lock_guard<std::mutex> guard(FState->Lock);
  return FState->Closed;
}

// ---------------------------------------------------------------------------------------------------
// Processes

namespace {

// One child of ours: reaped exactly once, whoever ends or waits for it.
struct ChildProcess {
  pid_t Pid = -1;
  std::mutex Lock;
  bool Reaped = false;
  int Status = 0;

  // Under Lock.
  bool TryReap() {
    if (Reaped || Pid <= 0) return true;
    int status = 0;
    pid_t r;
    do r = waitpid(Pid, &status, WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r == Pid) {
      Reaped = true;
      Status = status;
    } else if (r < 0 && errno == ECHILD) {
      // Someone else reaped it (SIGCHLD ignored, for instance): it has ended, its code is lost.
      Reaped = true;
      Status = -1;
    }
    return Reaped;
  }

  // Under Lock.
  void KillAndReap() {
    // Never a process group: kill(-1) would end every process we may signal.
    if (Reaped || Pid <= 0) return;
    kill(Pid, SIGKILL);
    int status = 0;
    pid_t r;
    do r = waitpid(Pid, &status, 0);
    while (r < 0 && errno == EINTR);
    Reaped = true;
    Status = r == Pid ? status : -1;
  }
};

// Our own children by process id, so that ending one by id also reaps it.
std::mutex ChildrenLock;
std::map<pid_t, std::shared_ptr<ChildProcess>> &Children() {
  static auto *children = new std::map<pid_t, std::shared_ptr<ChildProcess>>;
  return *children;
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  return -1;
#endif
}

struct SpawnActions {
  posix_spawn_file_actions_t Actions;
  posix_spawnattr_t Attributes;
  SpawnActions() {
    posix_spawn_file_actions_init(&Actions);
    posix_spawnattr_init(&Attributes);
  }
  ~SpawnActions() {
    posix_spawn_file_actions_destroy(&Actions);
    posix_spawnattr_destroy(&Attributes);
  }
};

void CloseAll(std::initializer_list<int> fds) {
  for (int fd : fds)
    if (fd >= 0) close(fd);
}

}  // namespace

struct TProcess::Impl {
  std::shared_ptr<ChildProcess> Child = std::make_shared<ChildProcess>();
  int PidFd = -1;  // readable once the child has ended
  std::shared_ptr<TPipe> Input;
  std::shared_ptr<TPipe> Output;
};

TProcess::TProcess(const TProcessStart &start) : FImpl(std::make_unique<Impl>()) {
  if (start.Program.empty()) throw std::runtime_error("cannot start a process without a program");
  int in[2] = {-1, -1};
  int out[2] = {-1, -1};
  if (start.RedirectInput && pipe2(in, O_CLOEXEC) != 0)
    throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));
  if (start.RedirectOutput && pipe2(out, O_CLOEXEC) != 0) {
    int saved = errno;
    CloseAll({in[0], in[1]});
    throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(saved));
  }
  // With a standard descriptor of ours closed, a pipe end could take its number and be overwritten
  // by the child's own redirection.
  for (int *fd : {&in[0], &in[1], &out[0], &out[1]}) {
    if (*fd >= 0 && *fd < 3) {
      int moved = fcntl(*fd, F_DUPFD_CLOEXEC, 3);
      close(*fd);
      *fd = moved;
    }
  }
  if ((start.RedirectInput && (in[0] < 0 || in[1] < 0)) || (start.RedirectOutput && (out[0] < 0 || out[1] < 0))) {
    CloseAll({in[0], in[1], out[0], out[1]});
    throw std::runtime_error("cannot make a pipe: out of descriptors");
  }
  // Our ends never block: waiting happens in poll, where Close can interrupt it.
  if (in[1] >= 0) fcntl(in[1], F_SETFL, fcntl(in[1], F_GETFL) | O_NONBLOCK);
  if (out[0] >= 0) fcntl(out[0], F_SETFL, fcntl(out[0], F_GETFL) | O_NONBLOCK);

  SpawnActions spawn;
  if (in[0] >= 0) posix_spawn_file_actions_adddup2(&spawn.Actions, in[0], 0);
  if (out[1] >= 0) {
    posix_spawn_file_actions_adddup2(&spawn.Actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&spawn.Actions, out[1], 2);
  }
  if (!start.WorkDir.empty()) posix_spawn_file_actions_addchdir_np(&spawn.Actions, start.WorkDir.c_str());
  // Whatever another part of the program opened without close-on-exec stays with us.
  posix_spawn_file_actions_addclosefrom_np(&spawn.Actions, 3);

  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&spawn.Attributes, &none);
  posix_spawnattr_setsigdefault(&spawn.Attributes, &all);
  posix_spawnattr_setflags(&spawn.Attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> args;
  args.push_back(start.Program);
  args.insert(args.end(), start.Arguments.begin(), start.Arguments.end());
  std::vector<char *> argv;
  for (std::string &arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  pid_t pid = -1;
  int rc;
  if (start.Program.find('/') != std::string::npos)
    rc = posix_spawn(&pid, start.Program.c_str(), &spawn.Actions, &spawn.Attributes, argv.data(), environ);
  else
    rc = posix_spawnp(&pid, start.Program.c_str(), &spawn.Actions, &spawn.Attributes, argv.data(), environ);
  CloseAll({in[0], out[1]});
  if (rc != 0) {
    CloseAll({in[1], out[0]});
    throw std::runtime_error("cannot start " + start.Program + ": " + std::strerror(rc));
  }

  FImpl->Child->Pid = pid;
  FImpl->PidFd = OpenPidFd(pid);
  try {
    if (in[1] >= 0) FImpl->Input = MakePipe(std::exchange(in[1], -1));
    if (out[0] >= 0) FImpl->Output = MakePipe(std::exchange(out[0], -1));
  } catch (...) {
    CloseAll({in[1], out[0]});
    FImpl->Child->KillAndReap();
    if (FImpl->PidFd >= 0) close(FImpl->PidFd);
    throw;
  }
  std::lock_guard<std::mutex> guard(ChildrenLock);
  Children()[pid] = FImpl->Child;
}

TProcess::~TProcess() {
  {
    std::lock_guard<std::mutex> guard(ChildrenLock);
    Children().erase(FImpl->Child->Pid);
  }
  {
    std::lock_guard<std::mutex> guard(FImpl->Child->Lock);
    if (!FImpl->Child->TryReap()) FImpl->Child->KillAndReap();
  }
  if (FImpl->PidFd >= 0) close(FImpl->PidFd);
}

pid_t TProcess::Pid() const { return FImpl->Child->Pid; }

std::shared_ptr<TPipe> TProcess::Input() const { return FImpl->Input; }

std::shared_ptr<TPipe> TProcess::Output() const { return FImpl->Output; }

bool TProcess::Wait(int timeoutMs) {
  bool limited = timeoutMs >= 0;
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(FImpl->Child->Lock);
      if (FImpl->Child->TryReap()) return true;
    }
    int left = Remaining(limited, deadline);
    if (left == 0) return false;
    if (FImpl->PidFd >= 0) {
      // The descriptor lives as long as this object; a Terminate on another thread wakes this poll too.
      pollfd fd{FImpl->PidFd, POLLIN, 0};
      poll(&fd, 1, left);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(left < 0 || left > 10 ? 10 : left));
    }
  }
}

bool TProcess::Running() { return !Wait(0); }

int TProcess::ExitCode() const {
  ChildProcess &child = *FImpl->Child;
  std::lock_guard<std::mutex> guard(child.Lock);
  if (!child.Reaped || child.Status < 0) return -1;
  if (WIFEXITED(child.Status)) return WEXITSTATUS(child.Status);
  if (WIFSIGNALED(child.Status)) return 128 + WTERMSIG(child.Status);
  return -1;
}

void TProcess::Terminate() {
  std::lock_guard<std::mutex> guard(FImpl->Child->Lock);
  FImpl->Child->KillAndReap();
}

// ---------------------------------------------------------------------------------------------------
// Command lines

std::vector<std::string> SplitCommandLine(const std::string &commandLine) {
  std::vector<std::string> args;
  std::size_t i = 0, n = commandLine.size();
  auto blank = [&](std::size_t at) { return commandLine[at] == ' ' || commandLine[at] == '\t'; };
  while (i < n && blank(i)) ++i;
  if (i == n) return args;

  // The program name: quotes only group, backslashes are plain characters. A doubled quote inside
  // the quotes stands for a quote, which no Windows file name holds but a Linux one may.
  std::string program;
  if (commandLine[i] == '"') {
    ++i;
    while (i < n) {
      if (commandLine[i] != '"') {
        program += commandLine[i++];
      } else if (i + 1 < n && commandLine[i + 1] == '"') {
        program += '"';
        i += 2;
      } else {
        ++i;
        break;
      }
    }
  } else {
    while (i < n && !blank(i)) program += commandLine[i++];
  }
  args.push_back(program);

  for (;;) {
    while (i < n && blank(i)) ++i;
    if (i == n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !blank(i))) {
      if (commandLine[i] == '\\') {
        std::size_t slashes = 0;
        while (i < n && commandLine[i] == '\\') ++slashes, ++i;
        if (i < n && commandLine[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2) {
            arg += '"';
            ++i;
          }
          // An even count leaves the quote to the code below.
        } else {
          arg.append(slashes, '\\');
        }
      } else if (commandLine[i] == '"') {
        ++i;
        if (quoted && i < n && commandLine[i] == '"') {
          // "" inside quotes is a literal quote and ends the quoted part.
          arg += '"';
          ++i;
          quoted = false;
        } else {
          quoted = !quoted;
        }
      } else {
        arg += commandLine[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

// ---------------------------------------------------------------------------------------------------
// Process snapshot

namespace {

std::string BaseName(std::string path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process state letter from /proc/PID/stat; the name in brackets may itself hold ") ".
char ProcessState(const std::string &proc) {
  std::string stat;
  if (!ReadWholeFile(proc + "/stat", stat)) return '?';
  std::size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return '?';
  return stat[close + 2];
}

std::string ExecutableName(const std::string &proc) {
  char target[4096];
  ssize_t n = readlink((proc + "/exe").c_str(), target, sizeof target - 1);
  if (n > 0) {
    std::string path(target, static_cast<std::size_t>(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
      path.resize(path.size() - deleted.size());
    return BaseName(path);
  }
  std::string cmdline;
  if (ReadWholeFile(proc + "/cmdline", cmdline) && !cmdline.empty() && cmdline[0] != '\0')
    return BaseName(cmdline.substr(0, cmdline.find('\0')));
  std::string comm;
  if (ReadWholeFile(proc + "/comm", comm)) {
    while (!comm.empty() && comm.back() == '\n') comm.pop_back();
    return comm;
  }
  return "";
}

}  // namespace

bool LiveProcessExeFile(pid_t pid, std::string &exeFile) {
  exeFile.clear();
  if (pid <= 0) return false;
  const std::string proc = "/proc/" + std::to_string(pid);
  const char state = ProcessState(proc);
  if (state == '?' || state == 'Z' || state == 'X' || state == 'x') return false;
  exeFile = ExecutableName(proc);
  return true;
}

std::vector<TProcessEntry> ProcessSnapshot() {
  std::vector<TProcessEntry> entries;
  DIR *dir = opendir("/proc");
  if (!dir) return entries;
  while (dirent *entry = readdir(dir)) {
    char *end = nullptr;
    long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    TProcessEntry item;
    item.Pid = static_cast<pid_t>(pid);
    if (LiveProcessExeFile(item.Pid, item.ExeFile)) entries.push_back(std::move(item));
  }
  closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const TProcessEntry &a, const TProcessEntry &b) { return a.Pid < b.Pid; });
  return entries;
}

bool TerminateProcess(pid_t pid) {
  // 0 and negative ids name whole process groups; never send those.
  if (pid <= 0) return false;
  std::shared_ptr<ChildProcess> child;
  {
    std::lock_guard<std::mutex> guard(ChildrenLock);
    auto found = Children().find(pid);
    if (found != Children().end()) child = found->second;
  }
  if (!child) return kill(pid, SIGKILL) == 0;
  std::lock_guard<std::mutex> guard(child->Lock);
  if (child->Reaped) return false;
  child->KillAndReap();
  return true;
}

}  // namespace win
