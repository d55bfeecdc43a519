#include "jpeg.h"

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "imagefile.h"
#include "mediaerror.h"
#include "testfolder.h"

using namespace media;

namespace {

// Four flat quadrants: red, green, blue, white.
QImage Quadrants(int w, int h, QImage::Format format) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      QRgb c = y < h / 2 ? (x < w / 2 ? qRgb(220, 20, 30) : qRgb(20, 200, 40)) : (x < w / 2 ? qRgb(30, 40, 210) : qRgb(255, 255, 255));
      img.setPixel(x, y, c);
    }
  return img.convertToFormat(format);
}

void ExpectNear(const std::vector<std::uint8_t> &rgb, int w, int x, int y, QRgb c, int tolerance = 6) {
  const std::uint8_t *p = rgb.data() + (std::size_t(y) * w + x) * 3;
  EXPECT_NEAR(p[0], qRed(c), tolerance) << "at " << x << "," << y;
  EXPECT_NEAR(p[1], qGreen(c), tolerance) << "at " << x << "," << y;
  EXPECT_NEAR(p[2], qBlue(c), tolerance) << "at " << x << "," << y;
}

void ExpectQuadrants(const std::vector<std::uint8_t> &rgb, int w, int h) {
  ExpectNear(rgb, w, w / 4, h / 4, qRgb(220, 20, 30));
  ExpectNear(rgb, w, 3 * w / 4, h / 4, qRgb(20, 200, 40));
  ExpectNear(rgb, w, w / 4, 3 * h / 4, qRgb(30, 40, 210));
  ExpectNear(rgb, w, 3 * w / 4, 3 * h / 4, qRgb(255, 255, 255));
}

}  // namespace

TEST(JpegRoundTrip, KeepsSizeAndColours) {
  const std::vector<std::uint8_t> jpeg = JpegCompress(Quadrants(800, 600, QImage::Format_RGB32), 100);
  ASSERT_GE(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
  EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
  int w = 0, h = 0;
  const std::vector<std::uint8_t> rgb = JpegDecompress(jpeg.data(), jpeg.size(), w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  ASSERT_EQ(rgb.size(), 800u * 600 * 3);
  ExpectQuadrants(rgb, w, h);
}

TEST(JpegRoundTrip, ReadsEveryPictureLayoutInItsChannelOrder) {
  for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888,
                                QImage::Format_BGR888, QImage::Format_RGBA8888, QImage::Format_RGB16}) {
    SCOPED_TRACE(int(format));
    const std::vector<std::uint8_t> jpeg = JpegCompress(Quadrants(64, 48, format), 100);
    int w = 0, h = 0;
    const std::vector<std::uint8_t> rgb = JpegDecompress(jpeg.data(), jpeg.size(), w, h);
    ASSERT_EQ(w, 64);
    ASSERT_EQ(h, 48);
    ExpectQuadrants(rgb, w, h);
  }
}

TEST(JpegRoundTrip, OddSizesAndPaddedRows) {
  // A 24-bit picture of odd width has padded rows in Qt.
  const std::vector<std::uint8_t> jpeg = JpegCompress(Quadrants(101, 33, QImage::Format_RGB888), 100);
  int w = 0, h = 0;
  ASSERT_TRUE(JpegImageSize(jpeg.data(), jpeg.size(), w, h));
  EXPECT_EQ(w, 101);
  EXPECT_EQ(h, 33);
  ExpectQuadrants(JpegDecompress(jpeg.data(), jpeg.size(), w, h), w, h);
}

TEST(JpegDecode, RefusesDataThatIsNoJpeg) {
  const std::vector<std::uint8_t> junk(1000, 0x42);
  int w = 7, h = 7;
  EXPECT_THROW(JpegDecompress(junk.data(), junk.size(), w, h), EMediaError);
  EXPECT_EQ(w, 0);
  EXPECT_THROW(JpegDecompress(nullptr, 0, w, h), EMediaError);
  EXPECT_FALSE(JpegImageSize(junk.data(), junk.size(), w, h));
  EXPECT_THROW(TPixelArray::FromJpeg(junk), EMediaError);
}

TEST(JpegDecode, CutStreamStillGivesAPictureOfItsSize) {
  std::vector<std::uint8_t> jpeg = JpegCompress(Quadrants(160, 120, QImage::Format_RGB32), 100);
  jpeg.resize(jpeg.size() / 2);
  int w = 0, h = 0;
  const std::vector<std::uint8_t> rgb = JpegDecompress(jpeg.data(), jpeg.size(), w, h);
  EXPECT_EQ(w, 160);
  EXPECT_EQ(rgb.size(), 160u * 120 * 3);
}

TEST(JpegDecode, DctScalingLandsAtOrAboveTheTargetSize) {
  EXPECT_EQ(JpegDecodeEighths(800, 600, 640, 480), 8) << "no fast scaling lands in between";
  EXPECT_EQ(JpegDecodeEighths(1600, 1200, 640, 480), 4);
  EXPECT_EQ(JpegDecodeEighths(1279, 959, 640, 480), 4) << "scaled sizes round up";
  EXPECT_EQ(JpegDecodeEighths(5120, 3840, 640, 480), 1);
  EXPECT_EQ(JpegDecodeEighths(320, 240, 640, 480), 8) << "a smaller picture is decoded whole";

  const std::vector<std::uint8_t> jpeg = JpegCompress(Quadrants(1279, 959, QImage::Format_RGB32), 95);
  QImage decoded;
  JpegDecodeInto(jpeg.data(), jpeg.size(), JpegDecodeEighths(1279, 959, 640, 480), decoded);
  ASSERT_EQ(decoded.size(), QSize(640, 480));
  ExpectQuadrants(TPixelArray::FromImage(decoded).Pixels(), 640, 480);
}

TEST(JpegCompression, EmptyPictureThrows) { EXPECT_THROW(JpegCompress(QImage(), 100), EMediaError); }

TEST(TJPEGImage, SavesTheAssignedBitmapAtItsQuality) {
  QImage bitmap = Quadrants(200, 100, QImage::Format_RGB32);
  for (int i = 0; i < 200; ++i) bitmap.setPixel(i, (i * 7) % 100, qRgb(i, 255 - i, (i * 3) % 256));
  TJPEGImage jpeg;
  jpeg.CompressionQuality = 100;
  jpeg.Assign(bitmap);
  std::vector<std::uint8_t> best, low;
  jpeg.SaveToStream(best);
  jpeg.CompressionQuality = 30;
  jpeg.SaveToStream(low);
  EXPECT_GT(best.size(), low.size());
  int w = 0, h = 0;
  ASSERT_TRUE(JpegImageSize(best.data(), best.size(), w, h));
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 100);
}

TEST(TImageFile, LoadsAJpegFileAsPixels) {
  TestFolder dir;
  const std::vector<std::uint8_t> jpeg = JpegCompress(Quadrants(80, 60, QImage::Format_RGB32), 100);
  const std::string path = dir.Path("000001.JPG");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(jpeg.data()), std::streamsize(jpeg.size()));
  const TPixelArray picture = TImageFile().LoadFileAsPixels(path);
  ASSERT_EQ(picture.Width(), 80);
  ASSERT_EQ(picture.Height(), 60);
  ExpectQuadrants(picture.Pixels(), 80, 60);
  EXPECT_EQ(picture.Jpeg(), jpeg);
}

TEST(TImageFile, MissingOrDamagedFileThrows) {
  TestFolder dir;
  EXPECT_THROW(TImageFile().LoadFileAsPixels(dir.Path("none.JPG")), EMediaError);
  const std::string path = dir.Path("bad.JPG");
  std::ofstream(path) << "not a picture";
  EXPECT_THROW(TImageFile().LoadFileAsPixels(path), EMediaError);
}

TEST(TPixelArray, ScalesToAskedSizeKeepingColours) {
  const TPixelArray big = TPixelArray::FromImage(Quadrants(800, 600, QImage::Format_RGB32));
  const TPixelArray small = big.Scaled(640, 480);
  ASSERT_EQ(small.Width(), 640);
  ASSERT_EQ(small.Height(), 480);
  EXPECT_TRUE(small.Jpeg().empty());
  ExpectQuadrants(small.Pixels(), 640, 480);
  EXPECT_THROW(TPixelArray(2, 2, std::vector<std::uint8_t>(5)), EMediaError);
}
