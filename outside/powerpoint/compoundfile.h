#pragma once
// Reader of compound files (the OLE2 structured storage that holds .ppt, .pps and .pot files).
// Every structure is checked before use: a damaged file gives EFormatError, never a hang or a read
// outside the file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ppt {

struct EFormatError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Random access to the bytes of a file or of a buffer.
class TByteSource {
public:
  virtual ~TByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads exactly `size` bytes at `offset`; false when they are not all there.
  virtual bool ReadAt(std::uint64_t offset, void *buffer, std::size_t size) const = 0;
};

std::shared_ptr<TByteSource> MemorySource(std::string bytes);

// UTF-16LE text (names in the file's records) as UTF-8; lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::string_view utf16);
// Opens the file for reading only; throws EFormatError when it cannot be opened.
std::shared_ptr<TByteSource> FileSource(const std::string &path);

class TCompoundFile {
public:
  enum TEntryType : std::uint8_t { etEmpty = 0, etStorage = 1, etStream = 2, etRoot = 5 };
  static constexpr std::uint32_t NoStream = 0xFFFFFFFF;

  struct TDirEntry {
    std::string Name;  // UTF-8
    TEntryType Type = etEmpty;
    std::uint32_t Left = NoStream, Right = NoStream, Child = NoStream;
    std::uint32_t StartSector = 0;
    std::uint64_t Size = 0;
  };

  // Reads header, allocation tables and directory; throws EFormatError.
  explicit TCompoundFile(std::shared_ptr<TByteSource> source);

  std::uint32_t SectorSize() const { return FSectorSize; }
  const std::vector<TDirEntry> &Entries() const { return FEntries; }
  // Entries directly inside a storage (0 is the root), in directory-tree order.
  std::vector<std::uint32_t> Children(std::uint32_t storage) const;
  // A stream or storage directly inside `storage` by name (case-insensitive); NoStream when absent.
  std::uint32_t Find(const std::string &name, std::uint32_t storage = 0) const;
  // The whole stream; throws EFormatError when its sectors are damaged.
  std::string ReadStream(std::uint32_t entry) const;

private:
  std::vector<std::uint32_t> Chain(const std::vector<std::uint32_t> &table, std::uint32_t start,
                                   std::uint64_t limit, const char *what) const;
  std::string ReadSector(std::uint32_t sector) const;
  std::string ReadChain(const std::vector<std::uint32_t> &chain) const;
  void ReadHeader();
  void ReadFat();
  void ReadDirectory();
  void ReadMiniStream();

  std::shared_ptr<TByteSource> FSource;
  std::uint32_t FSectorSize = 512;
  std::uint32_t FMiniSectorSize = 64;
  std::uint32_t FMiniCutoff = 4096;
  std::uint64_t FSectorCount = 0;  // sectors present in the file, after the header
  std::uint32_t FFatSectors = 0, FFirstDirSector = 0, FFirstMiniFatSector = 0, FMiniFatSectors = 0;
  std::uint32_t FFirstDifatSector = 0;
  std::uint16_t FMajorVersion = 3;
  std::vector<std::uint32_t> FHeaderDifat;
  std::vector<std::uint32_t> FFat, FMiniFat;
  std::vector<TDirEntry> FEntries;
  std::string FMiniStream;
};

}  // namespace ppt
