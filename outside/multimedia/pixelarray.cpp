#include "pixelarray.h"

#include <cstring>

#include <QImage>

#include "jpeg.h"
#include "mediaerror.h"

namespace media {

TPixelArray::TPixelArray(int width, int height, std::vector<std::uint8_t> rgb) {
  if (width <= 0 || height <= 0) return;
  if (rgb.size() != std::size_t(width) * height * 3) throw EMediaError("Pixel data does not fit the picture size");
  FWidth = width;
  FHeight = height;
  FData = std::make_shared<Data>();
  FData->Rgb = std::move(rgb);
  FData->Decoded = true;
}

TPixelArray TPixelArray::FromJpeg(std::vector<std::uint8_t> jpeg) {
  int w = 0, h = 0;
  if (!JpegImageSize(jpeg.data(), jpeg.size(), w, h)) throw EMediaError("Not a readable JPEG picture");
  TPixelArray result;
  result.FWidth = w;
  result.FHeight = h;
  result.FData = std::make_shared<Data>();
  result.FData->Jpeg = std::move(jpeg);
  return result;
}

TPixelArray TPixelArray::FromImage(const QImage &image) {
  if (image.isNull()) return {};
  QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  const std::size_t row = std::size_t(rgb.width()) * 3;
  std::vector<std::uint8_t> pixels(row * rgb.height());
  for (int y = 0; y < rgb.height(); ++y) std::memcpy(pixels.data() + row * y, rgb.constScanLine(y), row);
  return TPixelArray(rgb.width(), rgb.height(), std::move(pixels));
}

const std::vector<std::uint8_t> &TPixelArray::Pixels() const {
  static const std::vector<std::uint8_t> none;
  if (!FData) return none;
  if (!FData->Decoded) {
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgb = JpegDecompress(FData->Jpeg.data(), FData->Jpeg.size(), w, h);
    if (w != FWidth || h != FHeight) throw EMediaError("JPEG picture changed size while decoding");
    FData->Rgb = std::move(rgb);
    FData->Decoded = true;
  }
  return FData->Rgb;
}

const std::vector<std::uint8_t> &TPixelArray::Jpeg() const {
  static const std::vector<std::uint8_t> none;
  return FData ? FData->Jpeg : none;
}

QImage TPixelArray::ToImage() const {
  if (Empty()) return {};
  const auto &rgb = Pixels();
  return QImage(rgb.data(), FWidth, FHeight, FWidth * 3, QImage::Format_RGB888).copy();
}

TPixelArray TPixelArray::Scaled(int width, int height) const {
  if (Empty() || width <= 0 || height <= 0) return {};
  if (width == FWidth && height == FHeight) return *this;
  const auto &rgb = Pixels();
  QImage view(rgb.data(), FWidth, FHeight, FWidth * 3, QImage::Format_RGB888);
  return FromImage(view.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace media
