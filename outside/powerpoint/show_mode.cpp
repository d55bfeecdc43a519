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

// Writes the picture numbered `number` into the folder; its path, or empty (with the error line
// written) when it cannot be written.
std::string SavePicture(const TPictureFolder &folder, std::size_t number, const QImage &picture) {
  if (folder.Path().empty()) return WriteLine("error cannot create a folder for the slide pictures"), std::string();
  char name[32];
  std::snprintf(name, sizeof name, "/%04zu.png", number);
  std::string path = folder.Path() + name;
  // Light compression: the pictures live only as long as the show.
  if (!picture.save(QString::fromStdString(path), "PNG", 90))
    return WriteLine("error cannot write the slide picture " + path), std::string();
  return path;
}

// Writes every slide's picture and line, then "show <n>"; false (with the error line written) when a
// picture cannot be written.
bool ServeSlides(const std::vector<QImage> &slides, const std::vector<TSlideTransition> &transitions,
                 const TPictureFolder &folder) {
  for (std::size_t i = 0; i < slides.size(); ++i) {
    std::string picture = SavePicture(folder, i + 1, slides[i]);
    if (picture.empty()) return false;
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

// Renders while watching standard input, so that a caller who leaves meanwhile ends us; then
// `serve` writes the pictures and their lines, and they stay until standard input ends.
template <class TServe>
int ServeUntilInputEnds(const std::string &path, TPages pages, TServe serve) {
  StartRendering(path, pages);
  TPictureFolder folder;
  bool served = false;
  while (InputOpen(served ? -1 : 0)) {
    if (served) continue;
    try {
      auto pictures = WaitSlides(path, 100, pages);
      if (!pictures) continue;
      if (!serve(*pictures, folder)) return 1;
      served = true;
    } catch (const ERenderError &e) {
      WriteLine(std::string("error ") + e.what());
      return 1;
    }
  }
  return 0;
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
  return ServeUntilInputEnds(path, TPages::EverySlide,
                             [&transitions](const std::vector<QImage> &slides, const TPictureFolder &folder) {
                               return ServeSlides(slides, transitions, folder);
                             });
}

int RunPage(const std::string &path) {
  return ServeUntilInputEnds(path, TPages::FirstPage, [](const std::vector<QImage> &pages, const TPictureFolder &folder) {
    std::string picture = SavePicture(folder, 1, pages.front());
    return !picture.empty() && WriteLine("page " + picture);
  });
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
