// A JPEG stream as a video frame is decoded: the size its header gives is the size of the pixels.
#include "fuzz_support.h"
#include "jpeg.h"
#include "mediaerror.h"
#include "pixelarray.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  int headerWidth = 0, headerHeight = 0;
  const bool sized = media::JpegImageSize(data, size, headerWidth, headerHeight);
  try {
    const media::TPixelArray frame = media::TPixelArray::FromJpeg(std::vector<std::uint8_t>(data, data + size));
    FUZZ_CHECK(sized && frame.Width() == headerWidth && frame.Height() == headerHeight);
  } catch (const media::EMediaError &) {
    FUZZ_CHECK(!sized);
  }
  // Pictures between 4 Mpixels and the decoder's limit of 64 Mpixels decode as smaller ones do, only
  // taking seconds under the sanitizers; larger ones are refused from their header alone.
  const std::int64_t pixels = std::int64_t(headerWidth) * headerHeight;
  if (pixels > (4 << 20) && pixels <= (64 << 20)) return 0;
  int width = 0, height = 0;
  try {
    const std::vector<std::uint8_t> rgb = media::JpegDecompress(data, size, width, height);
    FUZZ_CHECK(sized && width == headerWidth && height == headerHeight);
    FUZZ_CHECK(rgb.size() == std::size_t(width) * std::size_t(height) * 3);
  } catch (const media::EMediaError &) {
    FUZZ_CHECK(width == 0 && height == 0);
  }
  return 0;
}
