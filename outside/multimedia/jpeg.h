#pragma once
// Baseline JPEG coding through libjpeg, in memory.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QImage>
#include <QSysInfo>

#include "pixelarray.h"

namespace media {

// Compresses a picture; 32-bit and 24-bit formats are read without conversion.
std::vector<std::uint8_t> JpegCompress(const QImage &image, int quality = 100);
// The same into `out`, whose storage is kept from picture to picture.
void JpegCompressInto(const QImage &image, int quality, std::vector<std::uint8_t> &out);
// Compresses 24-bit R, G, B rows of `stride` bytes.
std::vector<std::uint8_t> JpegCompress(const std::uint8_t *rgb, int width, int height, int stride,
                                       int quality = 100);
// Decodes to 24-bit pixels; throws EMediaError on data that is no JPEG stream.
std::vector<std::uint8_t> JpegDecompress(const std::uint8_t *data, std::size_t size, int &width,
                                         int &height);
// Decodes into `into` as Format_RGB32 at `eighths` / 8 of the picture's size (libjpeg's DCT scaling,
// 1 to 8), reusing its pixels when it already has the size; throws EMediaError like JpegDecompress.
void JpegDecodeInto(const std::uint8_t *data, std::size_t size, int eighths, QImage &into);
// The smallest DCT scaling worth decoding at that still covers the target size: 1, 2, 4 or 8 eighths.
int JpegDecodeEighths(int width, int height, int targetWidth, int targetHeight);
// The size in the stream's header; false when it is no JPEG stream.
bool JpegImageSize(const std::uint8_t *data, std::size_t size, int &width, int &height);

// The picture-class shape: assign a bitmap, then save the compressed stream.
class TJPEGImage {
public:
  int CompressionQuality = 100;

  void Assign(const QImage &bitmap) { FBitmap = bitmap; }  // shares the pixels, no copy
  int Width() const { return FBitmap.width(); }
  int Height() const { return FBitmap.height(); }
  // Compresses the assigned bitmap into `stream`, replacing its content.
  void SaveToStream(std::vector<std::uint8_t> &stream) const;

private:
  QImage FBitmap;
};

}  // namespace media
