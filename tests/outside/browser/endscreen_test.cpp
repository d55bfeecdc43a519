// The end-of-show screen: the same top strip at every size, and nothing else in it.
#include "endscreen.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <algorithm>
#include <vector>

#include "testsupport.h"

namespace {

bool SameStrip(const QImage &a, const QImage &b, int width) {
  for (int y = 0; y < endscreen::StripRows; ++y)
    for (int x = 0; x < width; ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

int WhitePixelsBelowStrip(const QImage &image) {
  int count = 0;
  for (int y = endscreen::StripRows; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += qGray(image.pixel(x, y)) > 100;
  return count;
}

}  // namespace

TEST(EndScreen, StripIsTheSameAtEverySize) {
  testsupport::App();
  QImage large = endscreen::EndOfShowScreen(800, 600);
  QImage thumb = endscreen::EndOfShowScreen(160, 100);
  QImage odd = endscreen::EndOfShowScreen(816, 600);
  EXPECT_TRUE(SameStrip(large, thumb, 160));
  EXPECT_TRUE(SameStrip(large, odd, 800));
  for (int y = 0; y < endscreen::StripRows; ++y)
    for (int x = 0; x < 800; x += 37) EXPECT_EQ(large.pixel(x, y), endscreen::StripPixel(x, y));
}

TEST(EndScreen, BlackWithOneWhiteLineOfText) {
  testsupport::App();
  for (QSize size : {QSize(800, 600), QSize(160, 100)}) {
    QImage screen = endscreen::EndOfShowScreen(size.width(), size.height());
    EXPECT_EQ(screen.size(), size);
    EXPECT_EQ(screen.pixel(size.width() / 2, size.height() - 2), qRgb(0, 0, 0));
    EXPECT_EQ(screen.pixel(1, size.height() / 4), qRgb(0, 0, 0));
    EXPECT_GT(WhitePixelsBelowStrip(screen), 10) << "the text is missing at " << size.width();
    // The text stays in a band around the middle.
    for (int x = 0; x < size.width(); ++x) EXPECT_EQ(screen.pixel(x, size.height() / 6), qRgb(0, 0, 0));
  }
}

TEST(EndScreen, StripMatchesNoPlainOrLetterboxedPage) {
  testsupport::App();
  QImage screen = endscreen::EndOfShowScreen(800, 600);
  std::vector<QColor> fills = {QColor(Qt::white), QColor(192, 0, 0)};
  // A dark slide: black, or one level of grey or of any strip colour across the page.
  for (int level = 0; level <= 32; ++level) fills.push_back(QColor(level, level, level));
  for (int x = 0; x < 12; x += 2) fills.push_back(QColor(endscreen::StripPixel(x, 0)));
  for (QColor fill : fills) {
    QImage page(800, 600, QImage::Format_RGB32);
    page.fill(fill);
    EXPECT_FALSE(SameStrip(screen, page, 141)) << qPrintable(fill.name());
  }
  // Any single row of the strip holds several colours within a few pixels.
  for (int y = 0; y < endscreen::StripRows; ++y) EXPECT_NE(screen.pixel(0, y), screen.pixel(2, y));
}

TEST(EndScreen, StripLooksBlackAndSurvivesASixteenBitCapture) {
  testsupport::App();
  for (QSize size : {QSize(800, 600), QSize(160, 100)}) {
    QImage screen = endscreen::EndOfShowScreen(size.width(), size.height());
    double luminance = 0;
    for (int y = 0; y < endscreen::StripRows; ++y)
      for (int x = 0; x < size.width(); ++x) {
        QRgb pixel = screen.pixel(x, y);
        EXPECT_LE(std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}), 24) << "visible at " << x << "," << y;
        luminance += 0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel);
      }
    EXPECT_LT(luminance / (endscreen::StripRows * size.width()), 8.0) << "the strip shows as a line";
    // A desktop at 16 bits per pixel hands the capture 565 pixels expanded back to 888.
    QImage sixteen = screen.convertToFormat(QImage::Format_RGB16).convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(SameStrip(screen, sixteen, size.width())) << size.width();
  }
}

TEST(EndScreen, DrawsUnscaledAtTheOriginOfAPainter) {
  testsupport::App();
  QImage target(300, 200, QImage::Format_RGB32);
  target.fill(Qt::white);
  {
    QPainter painter(&target);
    endscreen::DrawEndOfShowScreen(painter, 160, 100);
  }
  EXPECT_TRUE(SameStrip(target, endscreen::EndOfShowScreen(160, 100), 160));
  EXPECT_EQ(target.pixel(200, 2), qRgb(255, 255, 255)) << "drew outside its area";
  EXPECT_EQ(target.pixel(10, 150), qRgb(255, 255, 255)) << "drew outside its area";
}
