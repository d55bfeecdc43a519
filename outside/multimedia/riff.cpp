#include "riff.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mediaerror.h"

namespace media::riff {

namespace {
std::string SystemReason() { return std::strerror(errno); }
}  // namespace

std::string FourCCText(std::uint32_t code) {
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) s[i] = char((code >> (8 * i)) & 0xFF);
  return s;
}

void SamplesToBytes(const std::int16_t *samples, std::size_t count, std::uint8_t *out) {
  if constexpr (std::endian::native == std::endian::little) {
    // An empty block may come with no storage at all, and memcpy must not see its null pointers.
    if (count) std::memcpy(out, samples, count * 2);
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      out[2 * i] = std::uint8_t(samples[i]);
      out[2 * i + 1] = std::uint8_t(std::uint16_t(samples[i]) >> 8);
    }
  }
}

void BytesToSamples(const std::uint8_t *bytes, std::size_t count, std::int16_t *out) {
  if constexpr (std::endian::native == std::endian::little) {
    if (count) std::memcpy(out, bytes, count * 2);
  } else {
    for (std::size_t i = 0; i < count; ++i) out[i] = std::int16_t(Get16(bytes + 2 * i));
  }
}

OutFile::~OutFile() { Discard(); }

void OutFile::Create(const std::string &path) {
  Discard();
  ::unlink(path.c_str());
  // "e": close-on-exec, so that no child process inherits the file.
  FFile = std::fopen(path.c_str(), "wbe");
  if (!FFile) throw EMediaError("Cannot create " + path + ": " + SystemReason());
  std::setvbuf(FFile, nullptr, _IOFBF, 1 << 20);
  FPos = 0;
  FPath = path;
}

void OutFile::Write(const void *data, std::size_t size) {
  if (!FFile) throw EMediaError("No file is open for writing");
  if (size && std::fwrite(data, 1, size, FFile) != size)
    throw EMediaError("Cannot write " + FPath + ": " + SystemReason());
  FPos += std::int64_t(size);
}

void OutFile::Write32(std::uint32_t v) {
  std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
  Write(b, 4);
}

void OutFile::PatchAt(std::int64_t offset, const void *data, std::size_t size) {
  if (!FFile) throw EMediaError("No file is open for writing");
  if (::fseeko(FFile, offset, SEEK_SET) != 0 || std::fwrite(data, 1, size, FFile) != size ||
      ::fseeko(FFile, FPos, SEEK_SET) != 0)
    throw EMediaError("Cannot write " + FPath + ": " + SystemReason());
}

void OutFile::Patch32(std::int64_t offset, std::uint32_t v) {
  std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
  PatchAt(offset, b, 4);
}

void OutFile::Flush() {
  if (FFile && std::fflush(FFile) != 0) throw EMediaError("Cannot write " + FPath + ": " + SystemReason());
}

void OutFile::Close() {
  if (!FFile) return;
  std::FILE *f = FFile;
  FFile = nullptr;
  bool ok = std::fflush(f) == 0 && !std::ferror(f);
  ok = std::fclose(f) == 0 && ok;
  if (!ok) throw EMediaError("Cannot write " + FPath + ": " + SystemReason());
}

void OutFile::Discard() {
  if (FFile) std::fclose(FFile);
  FFile = nullptr;
}

InFile::~InFile() { Close(); }

void InFile::Open(const std::string &path) {
  Close();
  FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (FFd < 0) throw EMediaError("Cannot open " + path + ": " + SystemReason());
  struct stat st {};
  if (::fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    throw EMediaError("Cannot open " + path + ": not a regular file");
  }
  FSize = st.st_size;
}

bool InFile::ReadAt(std::int64_t offset, void *data, std::size_t size) const {
  if (FFd < 0 || offset < 0) return false;
  auto *p = static_cast<char *>(data);
  while (size > 0) {
    ssize_t n = ::pread(FFd, p, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    offset += n;
    size -= std::size_t(n);
  }
  return true;
}

void InFile::Close() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  FSize = 0;
}

}  // namespace media::riff
