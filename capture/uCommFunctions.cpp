#include "uCommFunctions.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "files.h"
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
  std::string wanted = Upper(ExeName);
  for (const win::TProcessEntry &entry : win::ProcessSnapshot())
    if (Upper(entry.ExeFile) == wanted) return true;
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
