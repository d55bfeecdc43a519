#pragma once
// Frames and sound for the video file tests.
#include <cmath>
#include <vector>

#include <QImage>
#include <QPainter>

#include "jpeg.h"
#include "soundblock.h"

// A 640x480 JPEG frame whose colour and bar position tell frame `k` apart.
inline std::vector<std::uint8_t> NumberedFrame(int k, int width = 640, int height = 480) {
  QImage img(width, height, QImage::Format_RGB32);
  img.fill(qRgb((k * 37) % 256, (k * 91) % 256, (k * 53) % 256));
  QPainter p(&img);
  p.fillRect((k * 13) % (width - 40), 0, 40, height, Qt::white);
  p.end();
  return media::JpegCompress(img, 90);
}

// `units` stereo units of a 440 Hz tone, left and right apart.
inline media::TSoundBlock Tone(int units, int startUnit = 0) {
  media::TSoundBlock b(std::size_t(units) * 2);
  for (int i = 0; i < units; ++i) {
    const double t = double(startUnit + i) / 44100.0;
    b[2 * std::size_t(i)] = std::int16_t(8000 * std::sin(2 * M_PI * 440 * t));
    b[2 * std::size_t(i) + 1] = std::int16_t(-(startUnit + i) % 30000);
  }
  return b;
}
