#include "files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace win {
namespace {

// Where Samba keeps the DOS attributes of a file.
constexpr const char *DosAttribName = "user.DOSATTRIB";
constexpr std::uint32_t StoredBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool ParseHex(const std::string &text, std::uint32_t &value) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
  std::uint64_t v = 0;
  for (std::size_t i = 2; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    v = v * 16 + digit;
    if (v > 0xFFFFFFFFu) return false;
  }
  value = static_cast<std::uint32_t>(v);
  return true;
}

std::uint32_t LittleEndian32(const unsigned char *p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Samba writes either the bare text "0x<hex>" or an NDR blob: that text (or an empty one) ended by
// NUL and padded to two bytes, a 16-bit version, the version again as the 32-bit union level, then
// (from version 3 on) a 32-bit valid-flags word before the attributes.
bool DecodeDosAttrib(const std::string &blob, std::uint32_t &attributes) {
  std::size_t nul = blob.find('\0');
  std::string text = blob.substr(0, nul);
  if (ParseHex(text, attributes)) return true;
  if (nul == std::string::npos) return false;
  std::size_t offset = (nul + 2) & ~std::size_t(1);
  const auto *bytes = reinterpret_cast<const unsigned char *>(blob.data());
  if (offset + 2 > blob.size()) return false;
  unsigned version = bytes[offset] | (bytes[offset + 1] << 8);
  offset += 2 + 4;
  if (version >= 3) offset += 4;
  if (version < 1 || version > 5 || offset + 4 > blob.size()) return false;
  attributes = LittleEndian32(bytes + offset);
  return true;
}

enum class StoredState { Absent, Present, Unreadable };

StoredState ReadStoredState(const std::string &path, std::uint32_t &attributes) {
  char buffer[256];
  ssize_t n = lgetxattr(path.c_str(), DosAttribName, buffer, sizeof buffer);
  if (n < 0) return errno == ENODATA || errno == ENOTSUP ? StoredState::Absent : StoredState::Unreadable;
  return DecodeDosAttrib(std::string(buffer, static_cast<std::size_t>(n)), attributes) ? StoredState::Present
                                                                                       : StoredState::Unreadable;
}

bool ReadDosAttrib(const std::string &path, std::uint32_t &attributes) {
  return ReadStoredState(path, attributes) == StoredState::Present;
}

bool IsDotName(const std::string &name) { return name == "." || name == ".."; }

std::string LastComponent(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uint32_t AttributesOf(const std::string &path, const std::string &name, const struct stat &st) {
  bool folder = S_ISDIR(st.st_mode);
  std::uint32_t attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : 0;
  std::uint32_t stored = 0;
  bool hasStored = ReadDosAttrib(path, stored);
  if (hasStored)
    attributes |= stored & StoredBits;
  else if (!folder)
    attributes |= FILE_ATTRIBUTE_ARCHIVE;  // every non-folder entry, links included, is a plain file
  // A link's own permission bits mean nothing; it counts as writable.
  if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.' && !IsDotName(name)) attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool WildMatch(const char *pattern, const char *name) {
  const char *starPattern = nullptr;
  const char *starName = nullptr;
  while (*name) {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == '?' || (*pattern && Fold(*pattern) == Fold(*name))) {
      ++pattern;
      ++name;
    } else if (starPattern) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// Windows' wildcard rules: "*.*" and "*" match every name, "name.*" also matches "name" without any
// extension, and letters compare without case.
bool MatchesPattern(std::string pattern, const std::string &name) {
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
  if (WildMatch(pattern.c_str(), name.c_str())) return true;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos) {
    pattern.resize(pattern.size() - 2);
    return WildMatch(pattern.c_str(), name.c_str());
  }
  return false;
}

bool NameLess(const std::string &a, const std::string &b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Read without changing it: umask() itself would race with other threads creating files.
mode_t CurrentUmask() {
  std::string status;
  if (ReadWholeFile("/proc/self/status", status)) {
    std::size_t at = status.find("\nUmask:");
    if (at != std::string::npos) return static_cast<mode_t>(std::strtoul(status.c_str() + at + 7, nullptr, 8));
  }
  return 022;
}

}  // namespace

std::uint32_t GetFileAttributes(const std::string &path) {
  struct stat st;
  if (path.empty() || lstat(WithoutTrailingSlashes(path).c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
  return AttributesOf(WithoutTrailingSlashes(path), LastComponent(path), st);
}

bool SetFileAttributes(const std::string &path, std::uint32_t attributes) {
  std::string target = WithoutTrailingSlashes(path);
  struct stat st;
  if (target.empty() || lstat(target.c_str(), &st) != 0) return false;
  bool folder = S_ISDIR(st.st_mode);
  bool link = S_ISLNK(st.st_mode);
  // A link carries neither permissions nor user attributes of its own.
  if (link && (attributes & FILE_ATTRIBUTE_READONLY)) return false;

  std::uint32_t stored = attributes & StoredBits;
  std::uint32_t implied = folder ? 0 : FILE_ATTRIBUTE_ARCHIVE;
  std::uint32_t current = 0;
  StoredState state = ReadStoredState(target, current);
  // What the file's type says already needs no attribute, which also suits file systems without
  // extended attributes.
  bool attributeRight = stored == implied ? state == StoredState::Absent
                                          : state == StoredState::Present && (current & StoredBits) == stored;
  if (link) return attributeRight;

  mode_t mode = st.st_mode & 07777;
  mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
  if (!attributeRight) {
    // Only root may change the attributes of a file its owner may not write: lend the owner the write
    // bit for the change; it is taken back below when the file stays or becomes read-only.
    mode_t writable = mode | S_IWUSR;
    if (writable != mode && chmod(target.c_str(), writable) != 0) return false;
    bool changed;
    if (stored == implied) {
      changed = lremovexattr(target.c_str(), DosAttribName) == 0 || errno == ENODATA || errno == ENOTSUP;
    } else {
      char text[16];
      std::snprintf(text, sizeof text, "0x%x", stored | (folder ? FILE_ATTRIBUTE_DIRECTORY : 0));
      changed = lsetxattr(target.c_str(), DosAttribName, text, std::strlen(text), 0) == 0;
    }
    if (!changed) {
      int saved = errno;
      if (writable != mode) chmod(target.c_str(), mode);
      errno = saved;
      return false;
    }
    mode = writable;
  }
  return wanted == mode || chmod(target.c_str(), wanted) == 0;
}

bool ListFolder(const std::string &folder, const std::string &pattern, std::vector<TSearchRec> &entries) {
  entries.clear();
  std::string prefix = IncludeTrailingPathDelimiter(folder);
  DIR *dir = opendir(prefix.c_str());
  if (!dir) return false;
  std::string wanted = pattern;
  while (!wanted.empty() && (wanted[0] == '/' || wanted[0] == '\\')) wanted.erase(0, 1);

  std::vector<TSearchRec> found;
  while (dirent *entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (!MatchesPattern(wanted, name)) continue;
    struct stat st;
    if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    TSearchRec rec;
    rec.Name = name;
    rec.Attr = AttributesOf(prefix + name, name, st);
    rec.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size);
    found.push_back(std::move(rec));
  }
  closedir(dir);

  auto rank = [](const std::string &name) { return name == "." ? 0 : name == ".." ? 1 : 2; };
  std::sort(found.begin(), found.end(), [&](const TSearchRec &a, const TSearchRec &b) {
    if (rank(a.Name) != rank(b.Name)) return rank(a.Name) < rank(b.Name);
    return NameLess(a.Name, b.Name);
  });
  entries = std::move(found);
  return true;
}

bool DeleteFile(const std::string &path) {
  std::string target = WithoutTrailingSlashes(path);
  struct stat st;
  if (target.empty() || lstat(target.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  // A read-only file is refused as Windows refuses it, even for a user whom permissions do not stop.
  if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) {
    errno = EACCES;
    return false;
  }
  return unlink(target.c_str()) == 0;
}

bool RemoveDirectory(const std::string &path) {
  std::string target = WithoutTrailingSlashes(path);
  return !target.empty() && rmdir(target.c_str()) == 0;
}

bool CreateDirectory(const std::string &path) {
  std::string target = WithoutTrailingSlashes(path);
  if (target.empty()) return false;
  if (mkdir(target.c_str(), 0777) == 0) return true;
  return errno == EEXIST && DirectoryExists(target);
}

bool ForceDirectories(const std::string &path) {
  std::string target = WithoutTrailingSlashes(path);
  if (target.empty()) return false;
  if (DirectoryExists(target)) return true;
  std::size_t slash = target.rfind('/');
  if (slash != std::string::npos && slash > 0 && !ForceDirectories(target.substr(0, slash))) return false;
  return CreateDirectory(target);
}

bool FileExists(const std::string &path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string &path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t FileSize(const std::string &path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return st.st_size;
}

bool ReadWholeFile(const std::string &path, std::string &content, std::size_t limit) {
  content.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > limit) {
    close(fd);
    errno = EFBIG;
    return false;
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      content.append(buffer, static_cast<std::size_t>(n));
      if (content.size() > limit) {
        content.clear();
        content.shrink_to_fit();
        close(fd);
        errno = EFBIG;
        return false;
      }
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      int saved = errno;
      close(fd);
      errno = saved;
      return false;
    }
  }
  close(fd);
  return true;
}

bool WriteFileAtomically(const std::string &path, const std::string &content) {
  std::string temp = ExtractFilePath(path) + "." + ExtractFileName(path) + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  struct stat old;
  mode_t mode = 0666;
  if (stat(path.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    mode &= ~CurrentUmask();
  }
  ok = fchmod(fd, mode) == 0;
  std::size_t done = 0;
  while (ok && done < content.size()) {
    ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
    else if (n < 0 && errno != EINTR) ok = false;
  }
  if (ok && fsync(fd) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  if (ok && rename(name.data(), path.c_str()) != 0) ok = false;
  if (!ok) {
    int saved = errno;
    unlink(name.data());
    errno = saved;
  }
  return ok;
}

std::string IncludeTrailingPathDelimiter(const std::string &folder) {
  std::string result = folder;
  while (result.size() > 1 && result.back() == '/' && result[result.size() - 2] == '/') result.pop_back();
  if (result.empty() || result.back() != '/') result += '/';
  return result;
}

std::string ExtractFileName(const std::string &path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFilePath(const std::string &path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileExt(const std::string &path) {
  std::size_t dot = path.rfind('.');
  std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot);
}

}  // namespace win
