#include "uCommFunctions.h"

#include <QImage>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "files.h"
#include "image.h"
#include "jpeg.h"
#include "paths.h"
#include "process.h"
#include "registry.h"

QList<QByteArray> *CaptureList = nullptr;
int FrameCounter = 0;

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string WorkingFolder() { return win::ProgramFilesFolder() + "QueltFiles"; }

bool IsSafeWorkingFolder(const std::string &folder, std::string &why) {
  namespace fs = std::filesystem;
  fs::path path(folder);
  if (folder.empty() || !path.is_absolute()) {
    why = "the working folder \"" + folder + "\" is not an absolute path";
    return false;
  }
  std::error_code ec;
  if (fs::is_symlink(path, ec)) {
    why = "the working folder \"" + folder + "\" is a symbolic link";
    return false;
  }
  fs::path resolved = fs::weakly_canonical(path, ec);
  if (ec) resolved = path.lexically_normal();
  fs::path home = fs::weakly_canonical(fs::path(win::HomeFolder()), ec);
  std::string target = WithoutTrailingSlash(resolved.string());
  std::string homeText = WithoutTrailingSlash(home.string());
  if (target == "/" || target.empty()) {
    why = "the working folder \"" + folder + "\" is the root folder";
    return false;
  }
  if (target == homeText || (homeText.size() > target.size() && homeText.compare(0, target.size() + 1, target + "/") == 0)) {
    why = "the working folder \"" + folder + "\" is the home folder or holds it";
    return false;
  }
  return true;
}

void ClearWorkingFolder() {
  std::string why;
  if (IsSafeWorkingFolder(WorkingFolder(), why)) DeleteFolderTree(WorkingFolder());
}

void EnsureWorkingFolder() {
  std::string folder = WorkingFolder();
  std::string why;
  if (!IsSafeWorkingFolder(folder, why)) return;
  win::ForceDirectories(folder);
  std::uint32_t attributes = win::GetFileAttributes(folder);
  if (attributes != win::INVALID_FILE_ATTRIBUTES)
    win::SetFileAttributes(folder, attributes | win::FILE_ATTRIBUTE_HIDDEN);
}

bool IsProcessRunning(const std::string &ExeName) {
  // The watchdog asks every 50 ms: the process found last time answers in one look, and only when it
  // has gone are all the machine's processes walked.
  static std::mutex lock;
  static std::string lastName;
  static pid_t lastPid = 0;
  const std::string wanted = Upper(ExeName);
  std::lock_guard<std::mutex> guard(lock);
  std::string exeFile;
  if (lastPid > 0 && lastName == wanted && win::LiveProcessExeFile(lastPid, exeFile) && Upper(exeFile) == wanted)
    return true;
  lastPid = 0;
  for (const win::TProcessEntry &entry : win::ProcessSnapshot()) {
    if (Upper(entry.ExeFile) == wanted) {
      lastName = wanted;
      lastPid = entry.Pid;
      return true;
    }
  }
  return false;
}

bool KillProcessById(int Pid) { return win::TerminateProcess(Pid); }

bool KillProcessByName(const std::string &ExeName) {
  std::string wanted = Upper(ExeName);
  for (const win::TProcessEntry &entry : win::ProcessSnapshot()) {
    if (Upper(entry.ExeFile) == wanted) {
      KillProcessById(entry.Pid);
      break;
    }
  }
  return true;
}

void DeleteFolderTree(const std::string &Folder) {
  // A link in place of a folder is removed; what it points to is never listed.
  std::error_code ec;
  if (std::filesystem::is_symlink(WithoutTrailingSlash(Folder), ec)) {
    win::DeleteFile(WithoutTrailingSlash(Folder));
    return;
  }
  std::vector<win::TSearchRec> entries;
  if (!win::ListFolder(Folder, "*.*", entries)) return;
  std::string prefix = win::IncludeTrailingPathDelimiter(Folder);
  for (const win::TSearchRec &entry : entries) {
    if (entry.Name == "." || entry.Name == "..") continue;
    if (entry.Attr == win::FILE_ATTRIBUTE_ARCHIVE)
      win::DeleteFile(prefix + entry.Name);
    else
      DeleteFolderTree(prefix + entry.Name);
  }
  win::RemoveDirectory(Folder);
}

void SetPowerPointEditFlags(std::uint32_t Value) {
  win::TRegistry registry(win::HKEY::HKEY_LOCAL_MACHINE);
  if (registry.OpenKey("\\SOFTWARE\\Classes\\PowerPoint.Show.8", true)) {
    registry.WriteInteger("EditFlags", Value);
    registry.CloseKey();
  }
}

bool IsPresentationFile(const std::string &FileName) {
  std::string ext = win::ExtractFileExt(FileName);
  if (ext.empty()) return false;
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return std::string("*.ppt;*.pps;*.pot").find(ext) != std::string::npos;
}

// ---- Capture and picture helpers ----

void CaptureWindowToPicture(win::HWND Wnd, TImage *Image, TPicture *Picture) {
  // A fresh bitmap starts black; what the window does not cover stays so.
  QImage bitmap(800, 600, QImage::Format_RGB32);
  bitmap.fill(Qt::black);
  win::PrintWindow(Wnd, bitmap);
  if (Image) {
    Image->Picture()->Assign(bitmap);
    Image->resize(bitmap.width(), bitmap.height());
  }
  if (Picture) Picture->Assign(bitmap);
  if (!win::DirectoryExists(WorkingFolder())) EnsureWorkingFolder();
  std::vector<std::uint8_t> jpeg = media::JpegCompress(bitmap, 100);
  if (CaptureList) CaptureList->append(QByteArray(reinterpret_cast<const char *>(jpeg.data()), qsizetype(jpeg.size())));
}

void WriteCapturedJpegs() {
  if (!CaptureList || CaptureList->isEmpty()) return;
  std::string failure;
  if (!win::DirectoryExists(WorkingFolder())) EnsureWorkingFolder();
  std::string prefix = win::IncludeTrailingPathDelimiter(WorkingFolder());
  for (const QByteArray &stream : *CaptureList) {
    ++FrameCounter;
    char name[32];
    std::snprintf(name, sizeof name, "%.6d.JPG", FrameCounter);
    std::string path = prefix + name;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    bool written = file && std::fwrite(stream.constData(), 1, std::size_t(stream.size()), file) == std::size_t(stream.size());
    if (file && std::fclose(file) != 0) written = false;
    if (!written) {
      // A frame cut short must not pass for a usable one.
      win::DeleteFile(path);
      failure = "Cannot write the frame file " + path;
      break;
    }
  }
  CaptureList->clear();
  if (!failure.empty()) throw std::runtime_error(failure);
}

bool SameTopStrip(const TPicture *A, const TPicture *B, int Width) {
  if (!A || !B || A->Empty() || B->Empty()) return false;
  const QImage &a = A->Image();
  const QImage &b = B->Image();
  constexpr int kRows = 5;
  if (a.width() < Width || b.width() < Width || a.height() < kRows || b.height() < kRows) return false;
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < Width; ++x)
      if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
  return true;
}

bool IsUsableFrame(const win::TSearchRec &Entry) {
  return Entry.Attr == win::FILE_ATTRIBUTE_ARCHIVE && win::ExtractFileExt(Entry.Name) == ".JPG" &&
         Entry.Size >= 8230 && Entry.Size != 15428;
}
