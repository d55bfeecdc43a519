#include "SkinThemeFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unordered_set>

namespace {

std::uint32_t ReadU32(const unsigned char *p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool SameText(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

// The value part of the first "name=value" line whose name matches; false when there is none.
bool FindValue(const std::vector<std::string> &lines, const std::string &name, std::string &value) {
  for (const std::string &line : lines) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos || !SameText(line.substr(0, eq), name)) continue;
    value = line.substr(eq + 1);
    return true;
  }
  return false;
}

bool ParseDecimal(const std::string &text, int &value) {
  if (text.empty()) return false;
  const char *first = text.data();
  const char *last = first + text.size();
  if (*first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last;
}

}  // namespace

SliceBuffer::SliceBuffer(std::shared_ptr<const std::string> bytes, std::size_t offset, std::size_t size)
    : FBytes(std::move(bytes)) {
  // Only ever read from: the buffer hands out its bytes through the get area alone.
  char *begin = const_cast<char *>(FBytes->data()) + offset;
  setg(begin, begin, begin + size);
}

SliceBuffer::pos_type SliceBuffer::seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) {
  if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
  const off_type base = dir == std::ios_base::beg   ? 0
                        : dir == std::ios_base::cur ? gptr() - eback()
                                                    : egptr() - eback();
  const off_type target = base + off;
  if (target < 0 || target > egptr() - eback()) return pos_type(off_type(-1));
  setg(eback(), eback() + target, egptr());
  return pos_type(target);
}

SliceBuffer::pos_type SliceBuffer::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

bool ThemeFileExists(const std::string &path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}

TskinThemeFileReader::TskinThemeFileReader(const std::string &fileName) { ParseThemeFile(fileName); }

TskinThemeFileReader::~TskinThemeFileReader() = default;

void TskinThemeFileReader::ParseThemeFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::system_error(errno, std::generic_category(), "Cannot open file \"" + path + "\"");
  file.seekg(0, std::ios::end);
  const std::uint64_t fileSize = static_cast<std::uint64_t>(file.tellg());
  // Its pictures are read into memory: a file far beyond any theme is refused.
  constexpr std::uint64_t MaxThemeFileSize = 64u << 20;
  if (fileSize > MaxThemeFileSize)
    throw std::system_error(EFBIG, std::generic_category(), "Cannot open file \"" + path + "\"");

  // The file is read once. Entries may share a data block, so each picture and text is a slice of
  // these bytes rather than a copy: however many entries point at a block, it is held once.
  auto bytes = std::make_shared<std::string>(fileSize, '\0');
  file.seekg(0);
  file.read(bytes->data(), static_cast<std::streamsize>(fileSize));
  bytes->resize(static_cast<std::size_t>(file.gcount()));
  FBytes = bytes;
  const std::uint64_t size = bytes->size();

  // Every read stays inside the file; a read that would run past its end ends the parse.
  auto inside = [size](std::uint64_t offset, std::uint64_t count) {
    return offset <= size && count <= size - offset;
  };
  auto readAt = [&](std::uint64_t offset, void *buffer, std::uint64_t count) {
    if (!inside(offset, count)) return false;
    std::memcpy(buffer, bytes->data() + offset, count);
    return true;
  };
  auto readEntry = [&](std::uint32_t offset, ThemeFileEntry &entry) {
    unsigned char raw[ThemeFileEntrySize];
    if (!readAt(offset, raw, sizeof raw)) return false;
    std::memcpy(entry.Name, raw, 64);
    entry.Kind = raw[64];
    entry.DataOffset = ReadU32(raw + 65);
    entry.DataSize = ReadU32(raw + 69);
    entry.NextOffset = ReadU32(raw + 73);
    return true;
  };

  unsigned char header[ThemeFileHeaderSize];
  if (!readAt(0, header, 16)) return;
  // The header length (offset 12) is not needed further: the header is always read as 24 bytes.
  if (!readAt(0, header, ThemeFileHeaderSize)) return;
  std::uint32_t offset = ReadU32(header + 20);

  ThemeFileEntry entry{};
  if (!readEntry(offset, entry)) return;
  // A chain that comes back to an entry, or holds more entries than fit in the file, is cut there.
  std::unordered_set<std::uint32_t> visited;
  const std::uint64_t maxEntries = size / ThemeFileEntrySize;
  while (entry.NextOffset != 0) {
    if (!visited.insert(offset).second || visited.size() > maxEntries) break;
    std::string name(entry.Name, strnlen(entry.Name, sizeof entry.Name));
    switch (entry.Kind) {
      case 0:
        if (!inside(entry.DataOffset, entry.DataSize)) return;
        FStreams.push_back({name, std::make_unique<SliceStream>(bytes, entry.DataOffset, entry.DataSize)});
        break;
      case 1: {
        unsigned char raw[4];
        if (!readAt(entry.DataOffset, raw, 4)) return;
        FIntegers.push_back(name + "=" + std::to_string(static_cast<std::int32_t>(ReadU32(raw))));
        break;
      }
      case 2: {
        unsigned char raw = 0;
        if (!readAt(entry.DataOffset, &raw, 1)) return;
        FBooleans.push_back(name + "=" + std::to_string(raw));
        break;
      }
      case 3:
        if (!inside(entry.DataOffset, entry.DataSize)) return;
        FTexts.push_back({name, entry.DataOffset, entry.DataSize});
        break;
      default:
        break;
    }
    offset = entry.NextOffset;
    if (!readEntry(offset, entry)) break;
  }
}

std::istream *TskinThemeFileReader::GetStream(const std::string &name) {
  for (StreamEntry &entry : FStreams) {
    if (!SameText(entry.Name, name)) continue;
    entry.Stream->clear();
    entry.Stream->seekg(0);
    return entry.Stream.get();
  }
  return nullptr;
}

int TskinThemeFileReader::GetInteger(const std::string &name) const {
  std::string text;
  int value = 0;
  if (!FindValue(FIntegers, name, text) || !ParseDecimal(text, value)) return -1;
  return value;
}

std::uint8_t TskinThemeFileReader::GetBoolean(const std::string &name) const {
  std::string text;
  int value = 0;
  if (!FindValue(FBooleans, name, text) || !ParseDecimal(text, value)) return 0;
  return static_cast<std::uint8_t>(value & 0xFF);
}

std::vector<std::string> TskinThemeFileReader::Texts() const {
  std::vector<std::string> lines;
  for (const TextEntry &entry : FTexts) lines.push_back(entry.Name + "=" + FBytes->substr(entry.Offset, entry.Size));
  return lines;
}

std::vector<std::string> TskinThemeFileReader::StreamNames() const {
  std::vector<std::string> names;
  for (const StreamEntry &entry : FStreams) names.push_back(entry.Name);
  return names;
}
