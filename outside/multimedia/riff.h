#pragma once
// Little-endian packing and plain binary files for the RIFF-based formats (WAV, AVI).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace media::riff {

constexpr std::uint32_t FourCC(const char (&s)[5]) {
  return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
         std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}
std::string FourCCText(std::uint32_t code);

inline void Put16(std::vector<std::uint8_t> &b, std::uint16_t v) {
  b.push_back(std::uint8_t(v));
  b.push_back(std::uint8_t(v >> 8));
}
inline void Put32(std::vector<std::uint8_t> &b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
inline void Put64(std::vector<std::uint8_t> &b, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
inline std::uint16_t Get16(const std::uint8_t *p) { return std::uint16_t(p[0] | p[1] << 8); }
inline std::uint32_t Get32(const std::uint8_t *p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
inline std::uint64_t Get64(const std::uint8_t *p) {
  return std::uint64_t(Get32(p)) | std::uint64_t(Get32(p + 4)) << 32;
}

// Interleaved 16-bit samples <-> little-endian bytes.
void SamplesToBytes(const std::int16_t *samples, std::size_t count, std::uint8_t *out);
void BytesToSamples(const std::uint8_t *bytes, std::size_t count, std::int16_t *out);

// A file written front to back with occasional patches behind; throws EMediaError on any failure.
class OutFile {
public:
  OutFile() = default;
  ~OutFile();
  OutFile(const OutFile &) = delete;
  OutFile &operator=(const OutFile &) = delete;

  void Create(const std::string &path);  // replaces an old file
  bool IsOpen() const { return FFile != nullptr; }
  void Write(const void *data, std::size_t size);
  void Write(const std::vector<std::uint8_t> &data) { Write(data.data(), data.size()); }
  void Write32(std::uint32_t v);
  void PatchAt(std::int64_t offset, const void *data, std::size_t size);  // returns to the end
  void Patch32(std::int64_t offset, std::uint32_t v);
  std::int64_t Tell() const { return FPos; }
  void Flush();    // hands buffered data to the system, so that readers see it
  void Close();    // throws when the data could not be stored
  void Discard();  // closes without checks
  const std::string &Path() const { return FPath; }

private:
  std::FILE *FFile = nullptr;
  std::int64_t FPos = 0;
  std::string FPath;
};

// A file read at explicit offsets.
class InFile {
public:
  InFile() = default;
  ~InFile();
  InFile(const InFile &) = delete;
  InFile &operator=(const InFile &) = delete;

  void Open(const std::string &path);
  bool IsOpen() const { return FFd >= 0; }
  std::int64_t Size() const { return FSize; }
  // Reads exactly `size` bytes at `offset`; false when the file ends before.
  bool ReadAt(std::int64_t offset, void *data, std::size_t size) const;
  void Close();

private:
  int FFd = -1;
  std::int64_t FSize = 0;
};

}  // namespace media::riff
