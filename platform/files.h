#pragma once
// File attributes, directory enumeration and deletion with Windows' meanings over a POSIX file system.
#include <cstdint>
#include <string>
#include <vector>

namespace win {

constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// read-only: the owner may not write; hidden: the name begins with "." or the extended attribute
// user.DOSATTRIB marks it; archive: a regular file (or a symbolic link, never followed) not marked
// otherwise. INVALID_FILE_ATTRIBUTES when the path does not exist.
std::uint32_t GetFileAttributes(const std::string &path);
// Sets read-only (owner write bit) and hidden/system/archive (user.DOSATTRIB); false on failure.
bool SetFileAttributes(const std::string &path, std::uint32_t attributes);

struct TSearchRec {
  std::string Name;
  std::uint32_t Attr = 0;
  std::int64_t Size = 0;
};

// Entries of `folder` matching `pattern` ("*.*" and "*" match all, "*.JPG" matches by extension,
// case-insensitively as Windows does), "." and ".." first, then in name order. False when the folder
// cannot be listed.
bool ListFolder(const std::string &folder, const std::string &pattern, std::vector<TSearchRec> &entries);

bool DeleteFile(const std::string &path);     // removes a file or a symbolic link, never its target
bool RemoveDirectory(const std::string &path); // removes an empty folder
bool CreateDirectory(const std::string &path); // one level; true when it exists afterwards
bool ForceDirectories(const std::string &path);
bool FileExists(const std::string &path);      // a file (not a folder)
bool DirectoryExists(const std::string &path);
std::int64_t FileSize(const std::string &path); // -1 when missing

// The whole content of a file; false when it cannot be read, and false with errno EFBIG (and
// `content` empty) when it holds more than `limit` bytes, so that a huge or endless file costs no
// more than that.
bool ReadWholeFile(const std::string &path, std::string &content, std::size_t limit = SIZE_MAX);
// Replaces a file's content at once: readers see the old or the new file, never a part. Keeps the old
// file's permissions; false when the folder refuses it.
bool WriteFileAtomically(const std::string &path, const std::string &content);

// Joins a folder and a name with exactly one "/".
std::string IncludeTrailingPathDelimiter(const std::string &folder);
std::string ExtractFileName(const std::string &path);  // after the last "/"
std::string ExtractFilePath(const std::string &path);  // up to and including the last "/"
std::string ExtractFileExt(const std::string &path);   // from the last "." of the name, "" when none

}  // namespace win
