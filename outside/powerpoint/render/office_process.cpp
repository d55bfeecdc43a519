#include "office_process.h"

#include "slide_render.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <mutex>
#include <set>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace ppt::detail {
namespace {

bool IsExecutableFile(const std::string &path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void ExecChild(const char *program, char *const argv[], int logFd, int errorFd, int maxFd) {
  setpgid(0, 0);
  // Dies with the thread that waits for it, so a crashed host leaves no converter behind.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  // Lift both descriptors above the standard ones first, so that no dup2 below overwrites them.
  errorFd = fcntl(errorFd, F_DUPFD_CLOEXEC, 10);
  logFd = fcntl(logFd, F_DUPFD_CLOEXEC, 10);
  int nullFd = open("/dev/null", O_RDONLY);
  if (nullFd > 0) dup2(nullFd, 0);
  dup2(logFd, 1);
  dup2(logFd, 2);
  // The error pipe sits at 3, close-on-exec; nothing else above 2 is inherited.
  dup3(errorFd, 3, O_CLOEXEC);
  errorFd = 3;
  if (syscall(SYS_close_range, 4U, ~0U, 0U) != 0) {
    for (int fd = 4; fd < maxFd; ++fd) close(fd);
  }
  execve(program, argv, environ);
  int err = errno;
  ssize_t ignored = write(errorFd, &err, sizeof err);
  (void)ignored;
  _exit(127);
}

// Groups of conversions under way, for KillRunningConversions. A leader stays listed only while it
// is unreaped, so its id still names our group.
struct RunningGroups {
  std::mutex Lock;
  std::set<pid_t> Leaders;
};

RunningGroups &Running() {
  static auto *running = new RunningGroups;  // never destroyed: used from an exit handler
  return *running;
}

void Forget(pid_t pid) {
  std::lock_guard lock(Running().Lock);
  Running().Leaders.erase(pid);
}

void KillGroupAndReap(pid_t pid) {
  Forget(pid);
  // The leader is still unreaped here, so its id cannot have been handed to another group.
  kill(-pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// A member of one of the groups is still running (zombies, which nobody may reap, do not count).
bool AnyAlive(const std::set<pid_t> &groups) {
  if (groups.empty()) return false;
  std::error_code ec;
  for (const auto &entry : std::filesystem::directory_iterator("/proc", ec)) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(line.substr(close + 1));
    char state = 0;
    long ppid = 0, pgrp = 0;
    if (fields >> state >> ppid >> pgrp && state != 'Z' && state != 'X' && groups.count(static_cast<pid_t>(pgrp)))
      return true;
  }
  return false;
}

}  // namespace

std::string FindExecutable(const std::string &name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
  const char *pathEnv = getenv("PATH");
  std::string path = pathEnv ? pathEnv : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    // An empty entry means the current folder.
    std::string candidate = end > start ? path.substr(start, end - start) + "/" + name : "./" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

int RunTimeBoxed(const std::string &program, const std::vector<std::string> &args,
                 const std::string &logPath, int timeoutMs) {
  int logFd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (logFd < 0) throw ERenderError("Cannot create " + logPath + ": " + std::strerror(errno));
  int errorPipe[2];
  if (pipe2(errorPipe, O_CLOEXEC) != 0) {
    close(logFd);
    throw ERenderError(std::string("Cannot start LibreOffice: ") + std::strerror(errno));
  }

  std::vector<std::string> strings;
  strings.push_back(program);
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (auto &s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  long openMax = sysconf(_SC_OPEN_MAX);
  int maxFd = openMax > 0 && openMax < 1048576 ? static_cast<int>(openMax) : 1048576;

  pid_t pid = fork();
  if (pid == 0) ExecChild(program.c_str(), argv.data(), logFd, errorPipe[1], maxFd);
  int forkErrno = errno;
  close(logFd);
  close(errorPipe[1]);
  if (pid < 0) {
    close(errorPipe[0]);
    throw ERenderError(std::string("Cannot start LibreOffice: ") + std::strerror(forkErrno));
  }
  setpgid(pid, pid);  // also here, so that a kill right after fork reaches the group
  {
    std::lock_guard lock(Running().Lock);
    Running().Leaders.insert(pid);
  }

  int execErrno = 0;
  ssize_t got;
  while ((got = read(errorPipe[0], &execErrno, sizeof execErrno)) < 0 && errno == EINTR) {
  }
  close(errorPipe[0]);
  if (got == static_cast<ssize_t>(sizeof execErrno)) {
    KillGroupAndReap(pid);
    throw ERenderError("Cannot start LibreOffice (" + program + "): " + std::strerror(execErrno));
  }

  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    siginfo_t info {};
    // WNOWAIT keeps the leader a zombie until its group is killed.
    int rc = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    if (rc == 0 && info.si_pid == pid) {
      int code = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
      KillGroupAndReap(pid);
      return code;
    }
    // Someone else reaped it (a process-wide child handler): it has ended, its code is unknown.
    if (rc < 0 && errno == ECHILD) {
      Forget(pid);
      return -1;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      KillGroupAndReap(pid);
      std::string limit = timeoutMs % 1000 == 0 ? std::to_string(timeoutMs / 1000) + " s"
                                                : std::to_string(timeoutMs) + " ms";
      throw ERenderError("LibreOffice did not finish within " + limit + " and was stopped.");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
}

void KillRunningConversions() {
  std::set<pid_t> groups;
  {
    std::lock_guard lock(Running().Lock);
    groups = Running().Leaders;
  }
  for (pid_t pid : groups) kill(-pid, SIGKILL);
  // A kill takes effect a moment later; the caller removes the folders they write to.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (AnyAlive(groups) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace ppt::detail
