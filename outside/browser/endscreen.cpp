#include "endscreen.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace endscreen {
namespace {

// Colours a few steps above black, so that a person sees only black while a capture can still tell
// the strip apart: no slide rendering lays out such channel changes in two-pixel steps along its top
// edge, and a dark page is one level across. Red and blue stay at 8, green at 4: the smallest values
// that come back unchanged from a 16-bit (565) capture, where 5-bit 1 expands to 8 and 6-bit 1 to 4.
const QRgb Palette[] = {qRgb(8, 0, 0), qRgb(8, 4, 0), qRgb(0, 4, 0),
                        qRgb(0, 4, 8), qRgb(0, 0, 8), qRgb(8, 0, 8)};
constexpr int PaletteSize = sizeof Palette / sizeof Palette[0];

QImage Strip(int width) {
  QImage strip(std::max(width, 1), StripRows, QImage::Format_RGB32);
  for (int y = 0; y < StripRows; ++y)
    for (int x = 0; x < strip.width(); ++x) strip.setPixel(x, y, StripPixel(x, y));
  return strip;
}

}  // namespace

QRgb StripPixel(int x, int y) { return Palette[(x / 2 + y) % PaletteSize]; }

void DrawEndOfShowScreen(QPainter &painter, int width, int height) {
  if (width <= 0 || height <= 0) return;
  painter.save();
  painter.fillRect(0, 0, width, height, Qt::black);
  QFont font = painter.font();
  int pixelSize = std::max(6, height / 25);
  font.setPixelSize(pixelSize);
  // One line, shrunk until it fits across a small screen.
  while (pixelSize > 6 && QFontMetrics(font).horizontalAdvance(QString::fromLatin1(EndOfShowText)) > width - 4)
    font.setPixelSize(--pixelSize);
  painter.setFont(font);
  painter.setPen(Qt::white);
  // The text keeps off the strip, however small the screen.
  QRect textArea(0, StripRows + 1, width, std::max(0, height - StripRows - 1));
  painter.drawText(textArea, Qt::AlignCenter, QString::fromLatin1(EndOfShowText));
  painter.setClipRect(0, 0, width, height);
  painter.drawImage(QPoint(0, 0), Strip(width), QRect(0, 0, width, std::min(height, StripRows)));
  painter.restore();
}

QImage EndOfShowScreen(int width, int height) {
  QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  DrawEndOfShowScreen(painter, width, height);
  return image;
}

}  // namespace endscreen
