#pragma once
// A picture as 24-bit pixels (R, G, B bytes; rows top-down, no padding). A picture that came from a
// JPEG stream keeps that stream and is decoded only when its pixels are asked for, so that a frame
// copied from one video file to another need not be decoded and compressed again.
#include <cstdint>
#include <memory>
#include <vector>

class QImage;

namespace media {

class TPixelArray {
public:
  TPixelArray() = default;  // empty: the end of the frames
  TPixelArray(int width, int height, std::vector<std::uint8_t> rgb);
  // Reads the stream's size at once (throws EMediaError when it is no JPEG stream).
  static TPixelArray FromJpeg(std::vector<std::uint8_t> jpeg);
  static TPixelArray FromImage(const QImage &image);

  bool Empty() const { return FWidth <= 0 || FHeight <= 0; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Width * Height * 3 bytes; decodes a JPEG-backed picture on first use (throws EMediaError).
  const std::vector<std::uint8_t> &Pixels() const;
  // The compressed stream this picture came from; empty when it was made from pixels.
  const std::vector<std::uint8_t> &Jpeg() const;
  // A copy scaled smoothly to the given size.
  TPixelArray Scaled(int width, int height) const;
  QImage ToImage() const;  // a deep copy

private:
  struct Data {
    std::vector<std::uint8_t> Rgb;
    std::vector<std::uint8_t> Jpeg;
    bool Decoded = false;
  };
  int FWidth = 0;
  int FHeight = 0;
  std::shared_ptr<Data> FData;
};

}  // namespace media
