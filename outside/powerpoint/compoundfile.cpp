#include "compoundfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ppt {
namespace {

constexpr std::uint32_t MaxRegSect = 0xFFFFFFFA;
constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t FreeSect = 0xFFFFFFFF;
constexpr unsigned char Signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t HeaderSize = 512;
constexpr std::size_t HeaderDifatCount = 109;
constexpr std::size_t DirEntrySize = 128;

std::uint16_t Get16(const std::string &b, std::size_t at) {
  return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

std::uint32_t Get32(const std::string &b, std::size_t at) {
  return std::uint32_t(Get16(b, at)) | std::uint32_t(Get16(b, at + 2)) << 16;
}

void AppendUtf8(std::string &out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | cp >> 6);
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | cp >> 12);
    out += char(0x80 | (cp >> 6 & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | cp >> 18);
    out += char(0x80 | (cp >> 12 & 0x3F));
    out += char(0x80 | (cp >> 6 & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

bool SameNameNoCase(const std::string &a, const std::string &b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
           return up(x) == up(y);
         });
}

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) { return a / b + (a % b != 0); }

class TMemorySource : public TByteSource {
public:
  explicit TMemorySource(std::string bytes) : FBytes(std::move(bytes)) {}
  std::uint64_t Size() const override { return FBytes.size(); }
  bool ReadAt(std::uint64_t offset, void *buffer, std::size_t size) const override {
    if (offset > FBytes.size() || size > FBytes.size() - offset) return false;
    std::memcpy(buffer, FBytes.data() + offset, size);
    return true;
  }

private:
  std::string FBytes;
};

class TFileSource : public TByteSource {
public:
  TFileSource(int fd, std::uint64_t size) : FFd(fd), FSize(size) {}
  ~TFileSource() override { ::close(FFd); }
  std::uint64_t Size() const override { return FSize; }
  bool ReadAt(std::uint64_t offset, void *buffer, std::size_t size) const override {
    if (offset > FSize || size > FSize - offset) return false;
    auto *out = static_cast<char *>(buffer);
    while (size > 0) {
      ssize_t got = ::pread(FFd, out, size, off_t(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;  // the file shrank or cannot be read
      out += got;
      offset += std::uint64_t(got);
      size -= std::size_t(got);
    }
    return true;
  }

private:
  int FFd;
  std::uint64_t FSize;
};

}  // namespace

std::string Utf16ToUtf8(std::string_view utf16) {
  std::string out;
  const std::size_t units = utf16.size() / 2;
  auto unit = [&](std::size_t i) {
    return std::uint32_t(std::uint8_t(utf16[2 * i]) | std::uint8_t(utf16[2 * i + 1]) << 8);
  };
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
      std::uint32_t low = unit(i + 1);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
  }
  return out;
}

std::shared_ptr<TByteSource> MemorySource(std::string bytes) {
  return std::make_shared<TMemorySource>(std::move(bytes));
}

std::shared_ptr<TByteSource> FileSource(const std::string &path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EFormatError("cannot open the file: " + std::string(std::strerror(errno)));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw EFormatError("not a regular file");
  }
  return std::make_shared<TFileSource>(fd, std::uint64_t(st.st_size));
}

TCompoundFile::TCompoundFile(std::shared_ptr<TByteSource> source) : FSource(std::move(source)) {
  ReadHeader();
  ReadFat();
  ReadDirectory();
  ReadMiniStream();
}

void TCompoundFile::ReadHeader() {
  std::uint64_t size = FSource->Size();
  if (size == 0) throw EFormatError("the file is empty");
  std::string h(HeaderSize, '\0');
  if (size < HeaderSize || !FSource->ReadAt(0, h.data(), HeaderSize)) {
    if (size >= sizeof Signature) {
      std::string sig(sizeof Signature, '\0');
      if (FSource->ReadAt(0, sig.data(), sig.size()) && std::memcmp(sig.data(), Signature, sizeof Signature) == 0)
        throw EFormatError("the compound file is truncated (no complete header)");
    }
    throw EFormatError("not a compound file");
  }
  if (std::memcmp(h.data(), Signature, sizeof Signature) != 0) throw EFormatError("not a compound file");
  if (Get16(h, 0x1C) != 0xFFFE) throw EFormatError("compound file header: bad byte order mark");
  FMajorVersion = Get16(h, 0x1A);
  std::uint16_t sectorShift = Get16(h, 0x1E);
  // Version and sector size belong together, but some writers mix them; both sizes are read.
  if (sectorShift != 9 && sectorShift != 12)
    throw EFormatError("compound file header: unsupported sector size 2^" + std::to_string(sectorShift));
  if (Get16(h, 0x20) != 6) throw EFormatError("compound file header: unsupported mini sector size");
  FSectorSize = 1u << sectorShift;
  FFatSectors = Get32(h, 0x2C);
  FFirstDirSector = Get32(h, 0x30);
  FMiniCutoff = Get32(h, 0x38);
  if (FMiniCutoff != 4096) throw EFormatError("compound file header: unsupported mini stream cutoff");
  FFirstMiniFatSector = Get32(h, 0x3C);
  FMiniFatSectors = Get32(h, 0x40);
  FFirstDifatSector = Get32(h, 0x44);
  for (std::size_t i = 0; i < HeaderDifatCount; ++i) FHeaderDifat.push_back(Get32(h, 0x4C + 4 * i));

  // The header fills sector -1; a short last sector is padded with zeros when read.
  FSectorCount = size > FSectorSize ? CeilDiv(size - FSectorSize, FSectorSize) : 0;
  if (FSectorCount == 0) throw EFormatError("the compound file is truncated (no sectors after the header)");
}

std::string TCompoundFile::ReadSector(std::uint32_t sector) const {
  if (sector >= FSectorCount) throw EFormatError("the compound file is truncated (sector past the end)");
  std::uint64_t offset = (std::uint64_t(sector) + 1) * FSectorSize;
  std::uint64_t avail = std::min<std::uint64_t>(FSectorSize, FSource->Size() - offset);
  std::string data(FSectorSize, '\0');
  if (!FSource->ReadAt(offset, data.data(), std::size_t(avail)))
    throw EFormatError("the compound file cannot be read (it changed or is damaged)");
  return data;
}

void TCompoundFile::ReadFat() {
  // Each allocation-table sector is a sector of the file, so the count cannot exceed it.
  if (FFatSectors == 0) throw EFormatError("compound file header: no allocation table");
  if (FFatSectors > FSectorCount) throw EFormatError("the compound file is truncated (allocation table larger than the file)");

  std::vector<std::uint32_t> difat;
  for (std::uint32_t s : FHeaderDifat)
    if (difat.size() < FFatSectors) difat.push_back(s);
  std::uint32_t next = FFirstDifatSector;
  std::vector<bool> seen(std::size_t(FSectorCount), false);
  std::uint32_t perSector = FSectorSize / 4 - 1;
  while (difat.size() < FFatSectors) {
    if (next == EndOfChain || next == FreeSect)
      throw EFormatError("compound file: the list of allocation-table sectors ends early");
    if (next > MaxRegSect || next >= FSectorCount)
      throw EFormatError("the compound file is truncated (allocation-table list sector past the end)");
    if (seen[next]) throw EFormatError("compound file: loop in the list of allocation-table sectors");
    seen[next] = true;
    std::string sec = ReadSector(next);
    for (std::uint32_t i = 0; i < perSector && difat.size() < FFatSectors; ++i) difat.push_back(Get32(sec, 4 * i));
    next = Get32(sec, 4 * perSector);
  }

  FFat.reserve(std::size_t(FFatSectors) * (FSectorSize / 4));
  for (std::uint32_t s : difat) {
    if (s > MaxRegSect || s >= FSectorCount)
      throw EFormatError("the compound file is truncated (allocation-table sector past the end)");
    std::string sec = ReadSector(s);
    for (std::uint32_t i = 0; i < FSectorSize / 4; ++i) FFat.push_back(Get32(sec, 4 * i));
  }
}

std::vector<std::uint32_t> TCompoundFile::Chain(const std::vector<std::uint32_t> &table, std::uint32_t start,
                                                std::uint64_t limit, const char *what) const {
  // Sector numbers are checked against both the table and the sectors actually present.
  std::uint64_t present = &table == &FFat ? FSectorCount : CeilDiv(FMiniStream.size(), FMiniSectorSize);
  std::vector<std::uint32_t> chain;
  std::vector<bool> seen(table.size(), false);
  std::uint32_t cur = start;
  while (chain.size() < limit) {
    if (cur == EndOfChain || (cur == FreeSect && chain.empty() && limit == UINT64_MAX)) break;
    if (cur > MaxRegSect || cur >= table.size() || cur >= present)
      throw EFormatError(std::string("the compound file is truncated or damaged (") + what + ": sector past the end)");
    if (seen[cur]) throw EFormatError(std::string("compound file: loop in a sector chain (") + what + ")");
    seen[cur] = true;
    chain.push_back(cur);
    cur = table[cur];
  }
  if (limit != UINT64_MAX && chain.size() < limit)
    throw EFormatError(std::string("the compound file is truncated or damaged (") + what + ": chain ends early)");
  return chain;
}

std::string TCompoundFile::ReadChain(const std::vector<std::uint32_t> &chain) const {
  std::string out;
  out.reserve(chain.size() * FSectorSize);
  for (std::uint32_t s : chain) out += ReadSector(s);
  return out;
}

void TCompoundFile::ReadDirectory() {
  std::string dir = ReadChain(Chain(FFat, FFirstDirSector, UINT64_MAX, "directory"));
  std::size_t count = dir.size() / DirEntrySize;
  if (count == 0) throw EFormatError("compound file: empty directory");
  FEntries.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t at = i * DirEntrySize;
    TDirEntry &e = FEntries[i];
    std::uint8_t type = std::uint8_t(dir[at + 0x42]);
    e.Type = type == etStorage || type == etStream || type == etRoot ? TEntryType(type) : etEmpty;
    if (e.Type == etEmpty) continue;
    std::uint16_t nameBytes = Get16(dir, at + 0x40);
    std::size_t units = nameBytes >= 2 && nameBytes <= 64 ? nameBytes / 2 - 1 : 0;
    e.Name = Utf16ToUtf8(std::string_view(dir).substr(at, 2 * units));
    e.Left = Get32(dir, at + 0x44);
    e.Right = Get32(dir, at + 0x48);
    e.Child = Get32(dir, at + 0x4C);
    e.StartSector = Get32(dir, at + 0x74);
    e.Size = Get32(dir, at + 0x78);
    // Version 3 files may leave garbage in the high half of the size.
    if (FMajorVersion >= 4) e.Size |= std::uint64_t(Get32(dir, at + 0x7C)) << 32;
  }
  if (FEntries[0].Type != etRoot) throw EFormatError("compound file: the directory has no root entry");
}

void TCompoundFile::ReadMiniStream() {
  const TDirEntry &root = FEntries[0];
  if (root.Size == 0) return;
  if (root.Size > FSource->Size()) throw EFormatError("the compound file is truncated (its mini stream is larger than the file)");
  std::string data = ReadChain(Chain(FFat, root.StartSector, CeilDiv(root.Size, FSectorSize), "mini stream"));
  data.resize(std::size_t(root.Size));
  if (FMiniFatSectors != 0 && FFirstMiniFatSector != EndOfChain) {
    std::string table = ReadChain(Chain(FFat, FFirstMiniFatSector, UINT64_MAX, "mini allocation table"));
    FMiniFat.reserve(table.size() / 4);
    for (std::size_t i = 0; i + 4 <= table.size(); i += 4) FMiniFat.push_back(Get32(table, i));
  }
  FMiniStream = std::move(data);
}

std::vector<std::uint32_t> TCompoundFile::Children(std::uint32_t storage) const {
  std::vector<std::uint32_t> out;
  if (storage >= FEntries.size()) return out;
  std::vector<bool> seen(FEntries.size(), false);
  auto valid = [&](std::uint32_t i) { return i < FEntries.size() && !seen[i] && FEntries[i].Type != etEmpty; };
  // In-order walk of the sibling tree; an entry met twice ends that branch.
  std::vector<std::uint32_t> stack;
  std::uint32_t cur = FEntries[storage].Child;
  seen[storage] = true;
  while (valid(cur) || !stack.empty()) {
    while (valid(cur)) {
      seen[cur] = true;
      stack.push_back(cur);
      cur = FEntries[cur].Left;
    }
    cur = stack.back();
    stack.pop_back();
    out.push_back(cur);
    cur = FEntries[cur].Right;
  }
  return out;
}

std::uint32_t TCompoundFile::Find(const std::string &name, std::uint32_t storage) const {
  for (std::uint32_t i : Children(storage))
    if (SameNameNoCase(FEntries[i].Name, name)) return i;
  return NoStream;
}

std::string TCompoundFile::ReadStream(std::uint32_t entry) const {
  if (entry >= FEntries.size() || FEntries[entry].Type != etStream)
    throw EFormatError("compound file: no such stream");
  const TDirEntry &e = FEntries[entry];
  if (e.Size == 0) return {};
  if (e.Size < FMiniCutoff) {
    auto chain = Chain(FMiniFat, e.StartSector, CeilDiv(e.Size, FMiniSectorSize), e.Name.c_str());
    std::string out;
    out.reserve(std::size_t(e.Size));
    for (std::uint32_t s : chain) {
      std::size_t at = std::size_t(s) * FMiniSectorSize;
      std::size_t n = std::min<std::size_t>(FMiniSectorSize, FMiniStream.size() - at);
      out.append(FMiniStream, at, n);
    }
    if (out.size() < e.Size) throw EFormatError("the compound file is truncated (" + e.Name + " is cut short)");
    out.resize(std::size_t(e.Size));
    return out;
  }
  if (e.Size > FSource->Size()) throw EFormatError("the compound file is truncated (stream " + e.Name + " is larger than the file)");
  std::string out = ReadChain(Chain(FFat, e.StartSector, CeilDiv(e.Size, FSectorSize), e.Name.c_str()));
  out.resize(std::size_t(e.Size));
  return out;
}

}  // namespace ppt
