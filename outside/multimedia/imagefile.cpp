#include "imagefile.h"

#include "mediaerror.h"
#include "riff.h"

namespace media {

namespace {
constexpr std::int64_t kMaxFileSize = 256LL * 1024 * 1024;
}

TPixelArray TImageFile::LoadFileAsPixels(const std::string &path) const {
  riff::InFile file;
  file.Open(path);
  if (file.Size() > kMaxFileSize) throw EMediaError("Picture file too large: " + path);
  std::vector<std::uint8_t> data(std::size_t(file.Size()));
  if (!file.ReadAt(0, data.data(), data.size())) throw EMediaError("Cannot read " + path);
  // Decoded only where the pixels are needed: a writer storing the same capture again never is.
  return TPixelArray::FromJpeg(std::move(data));
}

}  // namespace media
