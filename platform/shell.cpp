#include "shell.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "files.h"
#include "process.h"

extern char **environ;

namespace win {
namespace {

std::string Lower(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Parameters as one Windows-style text, split into arguments.
std::vector<std::string> Parameters(const std::string &parameters) {
  std::vector<std::string> args = SplitCommandLine("x " + parameters);
  args.erase(args.begin());
  return args;
}

// Starts a program in a session of its own that outlives us; a thread of ours reaps it meanwhile.
bool StartDetached(const std::string &program, const std::vector<std::string> &arguments,
                   const std::string &directory) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!directory.empty() && DirectoryExists(directory))
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> args{program};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char *> argv;
  for (std::string &arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  pid_t pid = -1;
  int rc = program.find('/') != std::string::npos
               ? posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ)
               : posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) return false;
  std::thread([pid] {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

// An executable file that the system can run itself, as opposed to a document with the execute bit.
bool IsProgram(const std::string &file) {
  struct stat st;
  if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || access(file.c_str(), X_OK) != 0) return false;
  int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char magic[4] = {};
  ssize_t n = read(fd, magic, sizeof magic);
  close(fd);
  return (n >= 4 && magic[0] == 0x7f && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F') ||
         (n >= 2 && magic[0] == '#' && magic[1] == '!');
}

bool DefaultShellExecute(const std::string &operation, const std::string &file, const std::string &parameters,
                         const std::string &directory) {
  std::string verb = Lower(operation);
  if (!verb.empty() && verb != "open") return false;
  if (file.empty()) return false;

  std::string name = Lower(ExtractFileName(file));
  if (name == "shutdown.exe") {
    if (Parameters(parameters) == std::vector<std::string>{"-s", "-t", "0"})
      return StartDetached("systemctl", {"poweroff"}, "");
    return false;
  }
  if (!parameters.empty() || IsProgram(file)) return StartDetached(file, Parameters(parameters), directory);
  return StartDetached("xdg-open", {file}, directory);
}

std::mutex HandlerLock;

ShellExecuteFn &Handler() {
  static auto *handler = new ShellExecuteFn(DefaultShellExecute);
  return *handler;
}

}  // namespace

bool ShellExecute(const std::string &operation, const std::string &file, const std::string &parameters,
                  const std::string &directory) {
  ShellExecuteFn handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock);
    handler = Handler();
  }
  return handler ? handler(operation, file, parameters, directory) : false;
}

ShellExecuteFn SetShellExecuteHandler(ShellExecuteFn fn) {
  std::lock_guard<std::mutex> guard(HandlerLock);
  ShellExecuteFn previous = std::move(Handler());
  Handler() = fn ? std::move(fn) : ShellExecuteFn(DefaultShellExecute);
  return previous;
}

}  // namespace win
