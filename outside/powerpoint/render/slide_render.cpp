#include "slide_render.h"

#include "office_process.h"

#include <QCryptographicHash>
#include <QUrl>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <pwd.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace ppt {
namespace {

struct TJob {
  unsigned long long Id = 0;
  std::shared_future<std::vector<QImage>> Slides;
};

struct RenderGlobals {
  std::mutex Lock;
  std::string OfficeProgram;  // empty: "soffice" on PATH
  int OfficeTimeoutMs = DefaultOfficeTimeoutMs;
  std::atomic<int> OfficeRuns {0};
  // Background renderings by absolute path. Never destroyed: a process that ends while one runs
  // must not wait for it in a static destructor.
  std::map<std::string, TJob> Jobs;
  unsigned long long NextJobId = 1;
  std::set<std::string> WorkFolders;  // conversions under way
};

RenderGlobals &Globals() {
  static auto *globals = new RenderGlobals;
  return *globals;
}

const char *const ManifestName = "slides.txt";

// A file descriptor that closes itself.
class TFd {
public:
  explicit TFd(int fd) : FFd(fd) {}
  ~TFd() {
    if (FFd >= 0) close(FFd);
  }
  TFd(const TFd &) = delete;
  TFd &operator=(const TFd &) = delete;
  int Get() const { return FFd; }

private:
  int FFd;
};

// A folder removed with its contents when the scope ends.
class TTempFolder {
public:
  explicit TTempFolder(const fs::path &pattern) {
    std::string text = pattern.string();
    if (!mkdtemp(text.data()))
      throw ERenderError("Cannot create a folder in " + pattern.parent_path().string() + ": " + std::strerror(errno));
    FPath = text;
    std::lock_guard lock(Globals().Lock);
    Globals().WorkFolders.insert(text);
  }
  ~TTempFolder() {
    std::error_code ec;
    for (int attempt = 0; attempt < 10 && fs::exists(FPath, ec); ++attempt) fs::remove_all(FPath, ec);
    std::lock_guard lock(Globals().Lock);
    Globals().WorkFolders.erase(FPath.string());
  }
  TTempFolder(const TTempFolder &) = delete;
  TTempFolder &operator=(const TTempFolder &) = delete;
  const fs::path &Path() const { return FPath; }

private:
  fs::path FPath;
};

struct TFileVersion {
  std::string CanonicalPath;
  long long Size = 0;
  long long MTimeSec = 0;
  long long MTimeNsec = 0;
  bool operator==(const TFileVersion &) const = default;
};

TFileVersion VersionOf(const struct stat &st, const std::string &canonical) {
  return {canonical, static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
          static_cast<long long>(st.st_mtim.tv_nsec)};
}

std::string Errno(int err) { return std::strerror(err); }

// Opens the presentation for reading: the checks that give "unreadable" its reason.
int OpenPresentation(const std::string &path, struct stat &st) {
  // Non-blocking, so that a named pipe given as the path cannot stall us before it is refused.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw ERenderError("Cannot read " + path + ": " + Errno(errno));
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    throw ERenderError("Cannot read " + path + ": not a regular file");
  }
  return fd;
}

// Copies the open file to `target`; false when reading or writing fails.
bool CopyOpenFile(int fd, const fs::path &target) {
  TFd out(open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (out.Get() < 0) return false;
  char buffer[65536];
  off_t offset = 0;
  for (;;) {
    ssize_t got = pread(fd, buffer, sizeof buffer, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    offset += got;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = write(out.Get(), buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return false;
      done += put;
    }
  }
}

// The copy keeps a plain name with the original extension: soffice chooses its import by the
// extension, and a name beginning with "-" would read as an option.
std::string CopyName(const std::string &path) {
  std::string extension = fs::path(path).extension().string();
  bool plain = extension.size() > 1 && extension.size() <= 8;
  for (size_t i = 1; plain && i < extension.size(); ++i)
    plain = std::isalnum(static_cast<unsigned char>(extension[i])) != 0;
  return "presentation" + (plain ? extension : std::string());
}

// The last line that soffice printed, as the reason of a failed conversion.
std::string LastLogLine(const fs::path &log) {
  std::ifstream in(log);
  std::string line, last;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty() && line.find("javaldx") == std::string::npos) last = line;
  }
  return last;
}

std::string OfficeExecutable() {
  std::string configured;
  {
    std::lock_guard lock(Globals().Lock);
    configured = Globals().OfficeProgram;
  }
  std::string program = detail::FindExecutable(configured.empty() ? "soffice" : configured);
  if (program.empty())
    throw ERenderError(configured.empty()
                           ? std::string("LibreOffice (soffice) was not found on PATH; install libreoffice-impress.")
                           : "LibreOffice was not found at " + configured + "; install libreoffice-impress.");
  return program;
}

std::string LowerExtension(const std::string &path) {
  std::string extension = fs::path(path).extension().string();
  for (char &c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

bool IsWebPage(const std::string &path) {
  std::string extension = LowerExtension(path);
  return extension == ".htm" || extension == ".html";
}

// The presentation import of a file offered as a presentation; empty for other files. LibreOffice
// opens a file it cannot identify as plain text, and a damaged presentation must not become a page
// of garbled characters.
std::string PresentationImportFilter(const std::string &path) {
  static const std::map<std::string, std::string> filters = {
      {".pptx", "Impress MS PowerPoint 2007 XML"},
      {".ppts", "Impress MS PowerPoint 2007 XML"},
      {".thmx", "Impress MS PowerPoint 2007 XML"},
      {".pptm", "Impress MS PowerPoint 2007 XML VBA"},
      {".ppam", "Impress MS PowerPoint 2007 XML VBA"},
      {".ppsx", "Impress MS PowerPoint 2007 XML AutoPlay"},
      {".ppsm", "Impress MS PowerPoint 2007 XML AutoPlay"},
      {".potx", "Impress MS PowerPoint 2007 XML Template"},
      {".potm", "Impress MS PowerPoint 2007 XML Template"},
      {".pots", "Impress MS PowerPoint 2007 XML Template"},
      {".ppa", "MS PowerPoint 97"},
      {".odp", "impress8"},
      {".otp", "impress8_template"},
      {".fodp", "OpenDocument Presentation Flat XML"},
  };
  auto it = filters.find(LowerExtension(path));
  return it == filters.end() ? std::string() : it->second;
}

// soffice converts the copy `input` in `work` to "presentation.pdf" there, in a profile of its own
// so that concurrent runs never meet; returns the PDF's pictures.
std::vector<QImage> Convert(const std::string &path, const fs::path &input, const fs::path &work, TPages pages) {
  std::string program = OfficeExecutable();
  fs::path outDir = work / "out";
  fs::create_directory(outDir);
  fs::path profile = work / "profile";
  int timeoutMs;
  {
    std::lock_guard lock(Globals().Lock);
    timeoutMs = Globals().OfficeTimeoutMs;
  }
  QUrl profileUrl = QUrl::fromLocalFile(QString::fromStdString(profile.string()));
  std::vector<std::string> args = {"--headless", "--norestore", "--nolockcheck",
                                   "-env:UserInstallation=" + profileUrl.toString(QUrl::FullyEncoded).toStdString()};
  if (pages == TPages::EverySlide) {
    // Slides come only from a file that loads as a presentation, so that a damaged file is not
    // turned into pages of text by the word processor.
    args.insert(args.end(), {"--infilter=MS PowerPoint 97", "--convert-to", "pdf:impress_pdf_Export"});
  } else {
    // Writer/Web's own export leaves headings out; the word processor lays a web page out whole.
    if (IsWebPage(path)) args.push_back("--infilter=HTML (StarWriter)");
    if (std::string filter = PresentationImportFilter(path); !filter.empty()) args.push_back("--infilter=" + filter);
    // A first page comes through the export of whatever application opened the file.
    args.insert(args.end(), {"--convert-to", "pdf"});
  }
  args.insert(args.end(), {"--outdir", outDir.string(), input.string()});
  ++Globals().OfficeRuns;
  fs::path log = work / "soffice.log";
  detail::RunTimeBoxed(program, args, log.string(), timeoutMs);  // its exit code says nothing

  fs::path pdf = outDir / "presentation.pdf";
  std::error_code ec;
  const std::string target = pages == TPages::EverySlide ? " to slides" : " to a page";
  if (!fs::is_regular_file(pdf, ec) || fs::file_size(pdf, ec) == 0) {
    std::string reason = LastLogLine(log);
    throw ERenderError("LibreOffice could not convert " + path + target +
                       (reason.empty() ? std::string(".") : " (" + reason + ")."));
  }
  try {
    return RenderPdfPages(pdf.string(), pages == TPages::EverySlide ? INT_MAX : 1);
  } catch (const ERenderError &e) {
    throw ERenderError("LibreOffice could not convert " + path + target + ": " + e.what());
  }
}

std::string HomeFolder() {
  if (const char *home = getenv("HOME"); home && *home) return home;
  if (const passwd *pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

std::string VersionFolderName(const TFileVersion &v) {
  return std::to_string(v.Size) + "-" + std::to_string(v.MTimeSec) + "." + std::to_string(v.MTimeNsec);
}

// A first page is cached and collected apart from the same file's slides.
std::string WithPages(const std::string &key, TPages pages) {
  return pages == TPages::EverySlide ? key : key + "\nfirst page";
}

std::string PathHash(const std::string &canonical, TPages pages) {
  return QCryptographicHash::hash(QByteArray::fromStdString(WithPages(canonical, pages)), QCryptographicHash::Sha1)
      .toHex()
      .toStdString();
}

// The cached pictures of one file version; empty when absent or damaged.
std::vector<QImage> LoadCached(const fs::path &folder) {
  std::ifstream manifest(folder / ManifestName);
  int count = 0;
  if (!(manifest >> count) || count <= 0) return {};
  std::vector<QImage> slides;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d.png", i);
    QImage slide;
    if (!slide.load(QString::fromStdString((folder / name).string()), "PNG") || slide.width() != SlideWidth ||
        slide.height() != SlideHeight)
      return {};
    slides.push_back(slide.convertToFormat(QImage::Format_RGB32));
  }
  return slides;
}

// Writes the pictures beside `target` and moves them into place in one rename, so that a reader
// sees either nothing or every picture.
void StoreCached(const fs::path &target, const std::vector<QImage> &slides) {
  fs::path staging = target.parent_path() / ".new-XXXXXX";
  std::string text = staging.string();
  if (!mkdtemp(text.data())) return;
  staging = text;
  bool ok = true;
  for (size_t i = 0; ok && i < slides.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%04zu.png", i + 1);
    ok = slides[i].save(QString::fromStdString((staging / name).string()), "PNG");
  }
  if (ok) {
    std::ofstream manifest(staging / ManifestName);
    manifest << slides.size() << "\n";
    ok = static_cast<bool>(manifest.flush());
  }
  std::error_code ec;
  if (ok) {
    fs::remove_all(target, ec);  // a damaged entry of the same version
    ok = rename(staging.c_str(), target.c_str()) == 0;
  }
  if (!ok) fs::remove_all(staging, ec);
}

// Older versions of the same file are of no further use.
void RemoveOtherVersions(const fs::path &fileFolder, const fs::path &keep) {
  std::error_code ec;
  for (const auto &entry : fs::directory_iterator(fileFolder, ec)) {
    // Under the lock, a leftover ".new-" folder belongs to a rendering that died.
    if (entry.path() == keep || entry.path().filename() == ".lock") continue;
    fs::remove_all(entry.path(), ec);
  }
}

// A host that exits while a conversion runs in the background must not leave LibreOffice working
// (its real worker is a grandchild that outlives us) nor its folder behind.
void EndConversionsAtExit() {
  detail::KillRunningConversions();
  std::set<std::string> folders;
  {
    std::lock_guard lock(Globals().Lock);
    folders = Globals().WorkFolders;
  }
  // The waiting thread may be removing the same folder meanwhile; each stops at what the other took.
  std::error_code ec;
  for (const auto &folder : folders)
    for (int attempt = 0; attempt < 10 && fs::exists(folder, ec); ++attempt) fs::remove_all(folder, ec);
}

std::vector<QImage> Render(const std::string &path, TPages pages) {
  static std::once_flag exitHandler;
  std::call_once(exitHandler, [] { std::atexit(EndConversionsAtExit); });
  fs::path tempRoot = fs::temp_directory_path();
  // The file may change while it is copied; the cache must hold the version that was rendered.
  for (int attempt = 0; attempt < 3; ++attempt) {
    struct stat st {};
    TFd fd(OpenPresentation(path, st));
    // LibreOffice makes a new, blank document of an empty file.
    if (st.st_size == 0) throw ERenderError("Cannot read " + path + ": the file is empty");
    std::error_code ec;
    std::string canonical = fs::canonical(path, ec).string();
    if (ec) canonical = fs::absolute(path).lexically_normal().string();
    TFileVersion version = VersionOf(st, canonical);

    fs::path fileFolder = fs::path(SlideCacheFolder()) / PathHash(canonical, pages);
    fs::path versionFolder = fileFolder / VersionFolderName(version);
    if (auto cached = LoadCached(versionFolder); !cached.empty()) return cached;

    bool cacheUsable = fs::create_directories(fileFolder, ec) || fs::is_directory(fileFolder, ec);
    int lockFd = -1;
    if (cacheUsable) {
      lockFd = open((fileFolder / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
      cacheUsable = lockFd >= 0;
    }
    TFd lock(lockFd);
    if (cacheUsable) {
      // Concurrent renderings of the file, in this process or another, wait here for the first.
      while (flock(lock.Get(), LOCK_EX) != 0 && errno == EINTR) {
      }
      if (auto cached = LoadCached(versionFolder); !cached.empty()) return cached;
    }

    TTempFolder work(tempRoot / "vantrel-slides-XXXXXX");
    fs::path copy = work.Path() / CopyName(path);
    if (!CopyOpenFile(fd.Get(), copy)) throw ERenderError("Cannot read " + path + ": " + Errno(errno));
    struct stat after {};
    if (fstat(fd.Get(), &after) != 0 || !(VersionOf(after, canonical) == version)) continue;
    std::vector<QImage> slides = Convert(path, copy, work.Path(), pages);
    if (cacheUsable) {
      StoreCached(versionFolder, slides);
      RemoveOtherVersions(fileFolder, versionFolder);
    }
    return slides;
  }
  throw ERenderError("The file " + path + " kept changing while it was being read.");
}

std::string JobKey(const std::string &path, TPages pages) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  return WithPages(ec ? path : absolute.lexically_normal().string(), pages);
}

// Called with the globals' lock held.
TJob Launch(const std::string &path, TPages pages) {
  auto promise = std::make_shared<std::promise<std::vector<QImage>>>();
  TJob job {Globals().NextJobId++, promise->get_future().share()};
  std::thread([promise, path, pages] {
    try {
      promise->set_value(Render(path, pages));
    } catch (const ERenderError &) {
      promise->set_exception(std::current_exception());
    } catch (const std::exception &e) {
      promise->set_exception(std::make_exception_ptr(ERenderError(std::string("Rendering failed: ") + e.what())));
    }
  }).detach();
  return job;
}

}  // namespace

std::string SlideCacheFolder() {
  const char *xdg = getenv("XDG_CACHE_HOME");
  // Relative values are not valid for XDG and are ignored.
  std::string base = xdg && xdg[0] == '/' ? std::string(xdg) : HomeFolder() + "/.cache";
  return base + "/vantrel/slides";
}

void SetOfficeProgram(const std::string &program) {
  std::lock_guard lock(Globals().Lock);
  Globals().OfficeProgram = program;
}

void SetOfficeTimeoutMs(int timeoutMs) {
  std::lock_guard lock(Globals().Lock);
  Globals().OfficeTimeoutMs = timeoutMs > 0 ? timeoutMs : DefaultOfficeTimeoutMs;
}

int OfficeRunCount() { return Globals().OfficeRuns.load(); }

std::vector<QImage> RenderSlides(const std::string &path, TPages pages) {
  try {
    return Render(path, pages);
  } catch (const ERenderError &) {
    throw;
  } catch (const std::exception &e) {
    throw ERenderError(std::string("Rendering failed: ") + e.what());
  }
}

void StartRendering(const std::string &path, TPages pages) {
  std::string key = JobKey(path, pages);
  std::lock_guard lock(Globals().Lock);
  auto &jobs = Globals().Jobs;
  auto it = jobs.find(key);
  if (it != jobs.end() && it->second.Slides.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
  jobs[key] = Launch(path, pages);
}

std::optional<std::vector<QImage>> WaitSlides(const std::string &path, int timeoutMs, TPages pages) {
  std::string key = JobKey(path, pages);
  TJob job;
  {
    std::lock_guard lock(Globals().Lock);
    auto &jobs = Globals().Jobs;
    auto it = jobs.find(key);
    if (it == jobs.end()) it = jobs.emplace(key, Launch(path, pages)).first;
    job = it->second;
  }
  if (timeoutMs < 0)
    job.Slides.wait();
  else if (job.Slides.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
    return std::nullopt;
  {
    std::lock_guard lock(Globals().Lock);
    auto &jobs = Globals().Jobs;
    // Forget it, unless a newer start has replaced it meanwhile.
    if (auto it = jobs.find(key); it != jobs.end() && it->second.Id == job.Id) jobs.erase(it);
  }
  return job.Slides.get();  // rethrows the rendering's ERenderError
}

}  // namespace ppt
