// One capture every 50 ms: compressing an 800x600 frame must take a small part of that.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "aviwriter.h"
#include "jpeg.h"

namespace {

// A slide-like picture: a gradient with text and shapes, as a capture of a show would hold.
QImage Slide() {
  QImage img(800, 600, QImage::Format_RGB32);
  QPainter p(&img);
  QLinearGradient g(0, 0, 800, 600);
  g.setColorAt(0, QColor(20, 40, 120));
  g.setColorAt(1, QColor(230, 230, 250));
  p.fillRect(img.rect(), g);
  p.setPen(Qt::white);
  for (int i = 0; i < 12; ++i) p.drawRect(40 + i * 55, 120 + (i % 4) * 100, 45, 80);
  p.drawEllipse(500, 50, 200, 120);
  p.end();
  return img;
}

void BM_CompressCapture800x600Quality100(benchmark::State &state) {
  const QImage slide = Slide();
  for (auto _ : state) benchmark::DoNotOptimize(media::JpegCompress(slide, 100));
}
BENCHMARK(BM_CompressCapture800x600Quality100)->Unit(benchmark::kMillisecond);

// The frames-only video's work per new picture: decode a capture, fit it to 640x480, compress it,
// with the buffers kept from frame to frame as the writer keeps them.
void BM_CaptureToVideoFrame(benchmark::State &state) {
  const std::vector<std::uint8_t> capture = media::JpegCompress(Slide(), 100);
  QImage decoded;
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    media::JpegDecodeInto(capture.data(), capture.size(), 8, decoded);
    media::JpegCompressInto(decoded.scaled(640, 480, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                            media::TAviWriter::kFrameQuality, out);
  }
}
BENCHMARK(BM_CaptureToVideoFrame)->Unit(benchmark::kMillisecond);

// Decoding a capture whole (8/8) and with libjpeg's DCT scaling to 7/8 (700x525, the nearest size
// above 640x480): the 7/8 inverse DCT has no fast path and costs more than it saves.
void BM_DecodeCapture(benchmark::State &state) {
  const std::vector<std::uint8_t> capture = media::JpegCompress(Slide(), 100);
  QImage decoded;
  for (auto _ : state) media::JpegDecodeInto(capture.data(), capture.size(), int(state.range(0)), decoded);
}
BENCHMARK(BM_DecodeCapture)->Arg(8)->Arg(7)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
