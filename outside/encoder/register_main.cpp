// register.dat: the outside encoder. Takes the old-style encoder command lines the program sends,
// runs ffmpeg (or ffprobe for a probe) with today's options, and prints the console lines the
// program reads. Everything goes to stdout, one write per line, so that the program sees each line
// as soon as it is made.
#include "encoder_options.h"
#include "encoder_report.h"

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// No line of ffmpeg's or ffprobe's is this long; what outgrows it is dropped, so that endless
// output costs bounded memory.
constexpr std::size_t kMaxLine = 64 * 1024;
// ffprobe's report of any real file is far smaller; a probe that writes more is stopped.
constexpr std::size_t kMaxProbeReport = 16 * 1024 * 1024;

volatile sig_atomic_t ChildPid = 0;
volatile sig_atomic_t StopSignal = 0;

void Print(const std::string &text) {
  const char *p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(STDOUT_FILENO, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nobody reads any more; the work goes on regardless
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

void PrintError(const std::string &message) { Print("register.dat: " + message + "\r\n"); }

// Asked to stop: let ffmpeg end the output properly; what it has written stays.
void OnStopSignal(int sig) {
  StopSignal = sig;
  if (ChildPid > 0) ::kill(ChildPid, SIGTERM);
}

std::string FindOnPath(const std::string &name) {
  const char *path = std::getenv("PATH");
  if (!path) return {};
  std::string all = path;
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    std::string dir = all.substr(start, end - start);
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + name;
    struct stat st{};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return {};
}

// Empty when the input can be opened for reading, else the reason.
std::string InputProblem(const std::string &path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  struct stat st{};
  const bool isDir = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  ::close(fd);
  return isDir ? "it is a folder" : "";
}

struct Child {
  pid_t Pid = -1;
  int Out = -1;  // the child's stdout
  int Err = -1;  // the child's stderr
};

// Starts the tool with stdin from `in`, or from /dev/null when it is -1. The tool is told to stop
// when this process dies, so that a killed encoder leaves no conversion running behind it.
Child Spawn(const std::string &program, const std::vector<std::string> &args, int in = -1) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return {};
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return {};
  }
  std::vector<char *> argv;
  argv.push_back(const_cast<char *>(program.c_str()));
  for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t parent = ::getpid();

  const pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    const int null = in >= 0 ? in : ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null >= 0) ::dup2(null, STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    // Whatever else we were handed (our caller's pipes) must not be kept open by the tool.
    ::close_range(3, ~0U, 0);
    ::signal(SIGPIPE, SIG_DFL);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  if (pid < 0) {
    ::close(out[0]);
    ::close(err[0]);
    return {};
  }
  return {pid, out[0], err[0]};
}

// Reads both pipes of the child until they close, handing complete lines to the callbacks.
template <typename OutLine, typename ErrLine>
void Pump(Child &child, OutLine onOut, ErrLine onErr) {
  std::string outBuf, errBuf;
  auto drain = [](std::string &buf, auto &onLine) {
    std::size_t pos;
    while ((pos = buf.find('\n')) != std::string::npos) {
      std::string line = buf.substr(0, pos);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      buf.erase(0, pos + 1);
      onLine(line);
    }
  };
  while (child.Out >= 0 || child.Err >= 0) {
    pollfd fds[2] = {{child.Out, POLLIN, 0}, {child.Err, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      int &fd = i == 0 ? child.Out : child.Err;
      if (fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char chunk[4096];
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      std::string &buf = i == 0 ? outBuf : errBuf;
      if (n <= 0) {
        ::close(fd);
        fd = -1;
        if (!buf.empty()) buf += '\n';
      } else {
        buf.append(chunk, static_cast<std::size_t>(n));
      }
      if (i == 0) drain(buf, onOut);
      else drain(buf, onErr);
      if (buf.size() > kMaxLine) buf.clear();
    }
  }
}

// The exit status as a shell reports it: the code, or 128 + the signal.
int WaitStatus(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return 1;
  ChildPid = 0;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 1;
}

int Probe(const encoder::Request &request) {
  const std::string ffprobe = FindOnPath("ffprobe");
  if (ffprobe.empty()) {
    PrintError("ffprobe was not found on PATH; install the ffmpeg package");
    return 127;
  }
  Child child = Spawn(ffprobe, encoder::FfprobeArguments(request.Input));
  if (child.Pid < 0) {
    PrintError("cannot start " + ffprobe + ": " + std::strerror(errno));
    return 1;
  }
  ChildPid = child.Pid;
  std::string json, why;
  bool tooLarge = false;
  Pump(
      child,
      [&](const std::string &l) {
        if (tooLarge) return;
        json += l + "\n";
        if (json.size() <= kMaxProbeReport) return;
        tooLarge = true;
        json.clear();
        ::kill(child.Pid, SIGKILL);
      },
      [&why](const std::string &l) {
        if (why.empty()) why = l;
      });
  const int status = WaitStatus(child.Pid);
  if (tooLarge) {
    PrintError("cannot read input \"" + request.Input + "\": ffprobe's report of it is larger than " +
               std::to_string(kMaxProbeReport / (1024 * 1024)) + " MB");
    return 1;
  }
  const auto report = status == 0 ? encoder::ProbeReport(json) : std::nullopt;
  if (!report) {
    PrintError("cannot read input \"" + request.Input + "\"" +
               (why.empty() ? std::string(": not a media file") : ": " + why));
    return 1;
  }
  Print(*report);
  return 0;
}

// The pieces of the VOB files that hold a DVD title; empty, with the reason printed, when the
// title cannot be read.
std::vector<encoder::VobPiece> DvdTitlePieces(const encoder::DvdInput &dvd) {
  const std::vector<std::string> files = encoder::TitleVobFiles(dvd.Root, dvd.TitleSet);
  if (files.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "VTS_%02d_1.VOB", dvd.TitleSet);
    PrintError("cannot read DVD title: no " + std::string(name) + " in \"" + dvd.Root + "\" or its VIDEO_TS folder");
    return {};
  }
  std::vector<std::int64_t> sizes;
  for (const std::string &file : files) {
    if (const std::string problem = InputProblem(file); !problem.empty()) {
      PrintError("cannot read \"" + file + "\": " + problem);
      return {};
    }
    struct stat st{};
    sizes.push_back(::stat(file.c_str(), &st) == 0 ? st.st_size : 0);
  }
  std::vector<encoder::VobPiece> pieces;
  std::string error;
  if (!encoder::SectorPieces(files, sizes, dvd.StartSector, dvd.EndSector, pieces, error))
    PrintError("cannot read DVD title: " + error);
  return pieces;
}

int Convert(const encoder::Request &request) {
  const std::string ffmpeg = FindOnPath("ffmpeg");
  if (ffmpeg.empty()) {
    PrintError("ffmpeg was not found on PATH; install the ffmpeg package");
    return 127;
  }
  // A DVD title reaches ffmpeg through a pipe, fed from the title's sectors by a thread of ours.
  std::vector<encoder::VobPiece> pieces;
  int feed[2] = {-1, -1};
  if (request.IsDvdTitle) {
    pieces = DvdTitlePieces(request.Dvd);
    if (pieces.empty()) return 1;
    if (::pipe2(feed, O_CLOEXEC) != 0) {
      PrintError(std::string("cannot make a pipe: ") + std::strerror(errno));
      return 1;
    }
  }
  Child child = Spawn(ffmpeg, encoder::FfmpegArguments(request), feed[0]);
  if (feed[0] >= 0) ::close(feed[0]);
  if (child.Pid < 0) {
    if (feed[1] >= 0) ::close(feed[1]);
    PrintError("cannot start " + ffmpeg + ": " + std::strerror(errno));
    return 1;
  }
  ChildPid = child.Pid;
  if (StopSignal) ::kill(child.Pid, SIGTERM);
  std::thread feeder;
  if (feed[1] >= 0) {
    // A write fails once ffmpeg has what it wants and closes its end; that ends the feeding.
    feeder = std::thread([&pieces, fd = feed[1]] {
      encoder::CopyPieces(pieces, fd);
      ::close(fd);
    });
  }

  encoder::ProgressFormatter progress;
  bool printedProgress = false;
  Pump(child,
       [&](const std::string &l) {
         const std::string line = progress.Feed(l);
         if (line.empty()) return;
         Print(line);
         printedProgress = true;
       },
       [](const std::string &l) {
         if (!l.empty()) Print(l + "\r\n");
       });
  if (printedProgress) Print("\n");
  const int status = WaitStatus(child.Pid);
  if (feeder.joinable()) feeder.join();
  if (StopSignal) {
    PrintError("stopped; the output written so far is kept");
    return 128 + StopSignal;
  }
  if (status != 0) {
    PrintError("ffmpeg failed (exit status " + std::to_string(status) + "); the output \"" +
               request.Output + "\" may be missing or incomplete");
    return status;
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  ::signal(SIGPIPE, SIG_IGN);
  struct sigaction sa{};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);

  const encoder::Request request =
      encoder::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (request.Kind == encoder::RequestKind::Invalid) {
    PrintError(request.Error);
    return 1;
  }
  // A DVD title's files are checked when its sectors are looked up.
  if (const std::string problem = request.IsDvdTitle ? "" : InputProblem(request.Input); !problem.empty()) {
    PrintError("cannot read input \"" + request.Input + "\": " + problem);
    return 1;
  }
  return request.Kind == encoder::RequestKind::Probe ? Probe(request) : Convert(request);
}
