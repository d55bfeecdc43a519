#include "show_mode.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "automation_session.h"
#include "pptfile.h"
#include "pptsounds.h"
#include "show_sound.h"
#include "slide_render.h"
#include "soundserver.h"

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

// Appends what arrives on standard input to `pending`; false at its end. Waits up to `timeoutMs`
// (negative: as long as it takes).
bool ReadInput(std::string &pending, int timeoutMs) {
  pollfd fd {STDIN_FILENO, POLLIN, 0};
  int ready = ::poll(&fd, 1, timeoutMs);
  if (ready < 0) return errno == EINTR;
  if (ready == 0) return true;
  char buffer[512];
  ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
  if (n > 0) pending.append(buffer, std::size_t(n));
  return n > 0 || (n < 0 && errno == EINTR);
}

// Milliseconds from now until `due`, rounded up; -1 for a time that never comes.
int MillisecondsUntil(TShowSoundtrack::TClock::time_point due) {
  if (due == TShowSoundtrack::TClock::time_point::max()) return -1;
  auto left = std::chrono::ceil<std::chrono::milliseconds>(due - TShowSoundtrack::TClock::now()).count();
  return int(std::clamp<long long>(left, 0, 60000));
}

// The show's sounds heard through the desktop's sound server; silent where none answers.
class TServerOutput : public TSoundOutput {
public:
  // Silence plays all through the show: a sink left idle wakes up late (a second or more), and a
  // sound played meanwhile would be heard late.
  TServerOutput(std::unique_ptr<sound::TServer> server, const std::string &folder) : FServer(std::move(server)) {
    if (!FServer || folder.empty()) return;
    const std::string silence = folder + "/silence.raw";
    std::ofstream(silence, std::ios::binary) << std::string(sound::kRate * 4 / 10, '\0');
    FServer->Play(silence, true);
  }
  int Play(const std::string &rawPath, bool loop) override { return FServer ? FServer->Play(rawPath, loop) : 0; }
  void Stop(int sound) override {
    if (FServer) FServer->Stop(sound);
  }
  bool Playing(int sound) const override { return FServer && FServer->Playing(sound); }

private:
  std::unique_ptr<sound::TServer> FServer;
};

// Damaged sound records cost the show its sounds, not its slides.
TShowSounds ReadSounds(const std::string &path) {
  try {
    return ReadPresentationSounds(TCompoundFile(FileSource(path)));
  } catch (const EFormatError &e) {
    std::fprintf(stderr, "POWERPNT.EXE: the presentation's sounds are left out: %s\n", e.what());
    std::fflush(stderr);
    return {};
  }
}

std::unique_ptr<sound::TServer> ConnectSoundServer() {
  std::string why;
  auto server = sound::TServer::Connect("POWERPNT.EXE", &why);
  if (!server) {
    std::fprintf(stderr, "POWERPNT.EXE: the show is silent: %s\n", why.c_str());
    std::fflush(stderr);
  }
  return server;
}

// "slide <i>" as the browser shows slide i, "end" as it shows the end of the show.
void HandleShowInput(const std::string &line, TShowSoundtrack &soundtrack) {
  if (line == "end") {
    soundtrack.Ended();
    return;
  }
  if (line.rfind("slide ", 0) != 0) return;
  int slide = 0;
  const char *first = line.data() + 6, *last = line.data() + line.size();
  auto [end, ec] = std::from_chars(first, last, slide);
  if (ec == std::errc() && end == last) soundtrack.SlideShown(slide, TShowSoundtrack::TClock::now());
}

std::string ExecutableFolder() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
}

// Watches standard input while the rendering begun by StartRendering goes on, so that a caller who
// leaves meanwhile ends us; then `serve` writes the pictures and their lines, and they stay until
// standard input ends. From then on the caller's lines go to `soundtrack`, where there is one, and it
// runs whenever a sound of it is due.
template <class TServe>
int ServeUntilInputEnds(const std::string &path, TPages pages, const TPictureFolder &folder, TServe serve,
                        TShowSoundtrack *soundtrack) {
  bool served = false;
  std::string pending;
  auto next = TShowSoundtrack::TClock::time_point::max();
  while (ReadInput(pending, served ? MillisecondsUntil(next) : 0)) {
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (served && soundtrack) HandleShowInput(line, *soundtrack);
    }
    if (pending.size() > 65536) pending.clear();  // no line of ours is that long
    if (served) {
      if (soundtrack) next = soundtrack->Run(TShowSoundtrack::TClock::now());
      continue;
    }
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
  TShowSounds sounds = ReadSounds(path);
  StartRendering(path, TPages::EverySlide);
  TPictureFolder folder;
  // The sound server wakes, and the sounds are decoded, while LibreOffice draws: the show starts
  // with all of them ready.
  TServerOutput output(sounds.Sounds.empty() ? nullptr : ConnectSoundServer(), folder.Path());
  std::vector<std::string> decoded =
      folder.Path().empty() ? std::vector<std::string>(sounds.Sounds.size()) : DecodeSounds(sounds.Sounds, path, folder.Path());
  TShowSoundtrack soundtrack(std::move(sounds.Slides), std::move(decoded), output);
  return ServeUntilInputEnds(
      path, TPages::EverySlide, folder,
      [&transitions](const std::vector<QImage> &slides, const TPictureFolder &folder) {
        return ServeSlides(slides, transitions, folder);
      },
      &soundtrack);
}

int RunPage(const std::string &path) {
  StartRendering(path, TPages::FirstPage);
  TPictureFolder folder;
  return ServeUntilInputEnds(
      path, TPages::FirstPage, folder,
      [](const std::vector<QImage> &pages, const TPictureFolder &folder) {
        std::string picture = SavePicture(folder, 1, pages.front());
        return !picture.empty() && WriteLine("page " + picture);
      },
      nullptr);
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
