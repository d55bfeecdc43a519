#include "show_mode.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "automation_session.h"
#include "pptfile.h"
#include "slide_render.h"

extern char **environ;

namespace fs = std::filesystem;

namespace ppt {
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

// The show's pictures, removed with the folder when the show ends.
class TPictureFolder {
public:
  TPictureFolder() {
    std::string pattern = (fs::temp_directory_path() / "vantrel-show-XXXXXX").string();
    if (mkdtemp(pattern.data())) FPath = pattern;
  }
  ~TPictureFolder() {
    std::error_code ec;
    if (!FPath.empty()) fs::remove_all(FPath, ec);
  }
  TPictureFolder(const TPictureFolder &) = delete;
  TPictureFolder &operator=(const TPictureFolder &) = delete;
  const std::string &Path() const { return FPath; }

private:
  std::string FPath;
};

// Writes every slide's picture and line, then "show <n>"; false (with the error line written) when a
// picture cannot be written.
bool ServeSlides(const std::vector<QImage> &slides, const std::vector<TSlideTransition> &transitions,
                 const TPictureFolder &folder) {
  if (folder.Path().empty()) return WriteLine("error cannot create a folder for the slide pictures"), false;
  for (std::size_t i = 0; i < slides.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/%04zu.png", i + 1);
    std::string picture = folder.Path() + name;
    // Light compression: the pictures live only as long as the show.
    if (!slides[i].save(QString::fromStdString(picture), "PNG", 90))
      return WriteLine("error cannot write the slide picture " + picture), false;
    // A slide the file does not list (LibreOffice saw more pages) advances on a click only.
    TSlideTransition t = i < transitions.size() ? transitions[i] : TSlideTransition {};
    WriteLine("slide " + std::to_string(i + 1) + " " + (t.AdvanceOnClick ? "1" : "0") + " " +
              (t.AdvanceOnTime ? "1" : "0") + " " + FormatSeconds(t.AdvanceTime()) + " " + picture);
  }
  return WriteLine("show " + std::to_string(slides.size()));
}

// True while standard input is open; reads and drops what arrives. Waits up to `timeoutMs`.
bool InputOpen(int timeoutMs) {
  pollfd fd {STDIN_FILENO, POLLIN, 0};
  int ready = ::poll(&fd, 1, timeoutMs);
  if (ready < 0) return errno == EINTR;
  if (ready == 0) return true;
  char buffer[512];
  ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
  return n > 0 || (n < 0 && errno == EINTR);
}

std::string ExecutableFolder() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
}

}  // namespace

int RunShow(const std::string &path) {
  std::vector<TSlideTransition> transitions;
  try {
    transitions = ReadPresentationFile(path);
  } catch (const EFormatError &e) {
    WriteLine("error cannot open " + path + ": " + e.what());
    return 1;
  }
  StartRendering(path);
  TPictureFolder folder;
  bool served = false;
  while (InputOpen(served ? -1 : 0)) {
    if (served) continue;
    try {
      auto slides = WaitSlides(path, 100);
      if (!slides) continue;
      if (!ServeSlides(*slides, transitions, folder)) return 1;
      served = true;
    } catch (const ERenderError &e) {
      WriteLine(std::string("error ") + e.what());
      return 1;
    }
  }
  return 0;
}

void StartBackgroundRendering(const std::string &path) {
  // Renderers that have finished meanwhile.
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
  std::string helper = ExecutableFolder() + "/pptrender";
  if (::access(helper.c_str(), X_OK) != 0) {
    StartRendering(path);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  // Our standard output is the automation caller's pipe: the helper must not hold it open.
  for (int fd = 0; fd <= 2; ++fd)
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::vector<char *> argv = {helper.data(), const_cast<char *>(path.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, helper.c_str(), &actions, &attributes, argv.data(), environ) != 0) StartRendering(path);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
}

}  // namespace ppt
