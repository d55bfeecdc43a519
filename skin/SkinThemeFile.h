#pragma once
// Reader of theme files: a 24-byte header and a chain of 77-byte named entries holding pictures
// (complete BMP file images), integers, booleans or texts.
#include <cstdint>
#include <memory>
#include <istream>
#include <streambuf>
#include <string>
#include <vector>

// Layout of one entry of the chain, as stored (packed, little-endian).
struct ThemeFileEntry {
  char Name[64];
  std::uint8_t Kind;  // 0 stream, 1 integer, 2 boolean, 3 text; anything else is skipped
  std::uint32_t DataOffset;
  std::uint32_t DataSize;
  std::uint32_t NextOffset;  // 0 ends the chain
};

// A read-only stream over a slice of bytes that it shares with others.
class SliceBuffer : public std::streambuf {
public:
  SliceBuffer(std::shared_ptr<const std::string> bytes, std::size_t offset, std::size_t size);

protected:
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

private:
  std::shared_ptr<const std::string> FBytes;
};

class SliceStream : public std::istream {
public:
  SliceStream(std::shared_ptr<const std::string> bytes, std::size_t offset, std::size_t size)
      : std::istream(&FBuffer), FBuffer(std::move(bytes), offset, size) {}

private:
  SliceBuffer FBuffer;
};

constexpr int ThemeFileHeaderSize = 24;
constexpr int ThemeFileEntrySize = 77;

bool ThemeFileExists(const std::string &path);

class TskinThemeFileReader {
public:
  // Parses the file at once. A file that cannot be opened throws std::system_error; a malformed one
  // yields the entries read before the fault.
  explicit TskinThemeFileReader(const std::string &fileName);
  ~TskinThemeFileReader();
  TskinThemeFileReader(const TskinThemeFileReader &) = delete;
  TskinThemeFileReader &operator=(const TskinThemeFileReader &) = delete;

  // The first stream entry of that name (letter case ignored), positioned at its start and still
  // owned by the reader; none when there is no such entry.
  std::istream *GetStream(const std::string &name);
  // -1 without such an entry or when its text is not a decimal number.
  int GetInteger(const std::string &name) const;
  // The low byte of the stored number; 0 without such an entry.
  std::uint8_t GetBoolean(const std::string &name) const;

  // The four lists as read, in file order: names of the streams, and "name=value" lines.
  std::vector<std::string> StreamNames() const;
  const std::vector<std::string> &Integers() const { return FIntegers; }
  const std::vector<std::string> &Booleans() const { return FBooleans; }
  std::vector<std::string> Texts() const;

private:
  void ParseThemeFile(const std::string &path);

  struct StreamEntry {
    std::string Name;
    std::unique_ptr<SliceStream> Stream;
  };
  struct TextEntry {
    std::string Name;
    std::size_t Offset;
    std::size_t Size;
  };
  // The whole file; streams and texts are slices of it.
  std::shared_ptr<const std::string> FBytes;
  std::vector<StreamEntry> FStreams;
  std::vector<std::string> FIntegers;
  std::vector<std::string> FBooleans;
  std::vector<TextEntry> FTexts;
};
