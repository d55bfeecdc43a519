// One capture every 50 ms must never overrun; the assembly's cost per frame sets how long the user
// waits after the show. Each case runs beside its peer: libjpeg alone for the capture, the /proc walk
// for the watchdog, ffmpeg for the frames-only video. Counters report the JPEG bytes a capture holds
// in memory until the show ends.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include <jpeglib.h>

#include "Kestrune.h"
#include "arecord2.h"
#include "avireader.h"
#include "aviwriter.h"
#include "fakehost.h"
#include "files.h"
#include "image.h"
#include "jpeg.h"
#include "process.h"
#include "uCommFunctions.h"
#include "uPPTToVideo.h"

namespace {

constexpr double kCapturesPerMinute = 20 * 60;

using Picture = QImage (*)(int number);

void Pen(QPainter &p, QColor colour, int pixelSize, bool bold = false) {
  QFont font = p.font();
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  p.setFont(font);
  p.setPen(colour);
}

// A slide with one line of large text on a plain colour, between black bars.
QImage TitleSlide(int number) {
  QImage image(800, 600, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  p.fillRect(0, 75, 800, 450, QColor(192, 0, 0));
  Pen(p, Qt::white, 64, true);
  p.drawText(QRect(0, 75, 800, 450), Qt::AlignCenter, QString("Slide %1 of 6").arg(number));
  return image;
}

// A slide with a coloured title bar and eight lines of text.
QImage TextSlide(int number) {
  QImage image(800, 600, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.fillRect(0, 0, 800, 90, QColor(30, 60, 130));
  Pen(p, Qt::white, 40);
  p.drawText(40, 62, QString("Quarterly review, part %1").arg(number));
  Pen(p, Qt::black, 26);
  for (int line = 0; line < 8; ++line)
    p.drawText(70, 160 + line * 52, QString("- Point %1.%2: figures, names and a short remark").arg(number).arg(line + 1));
  return image;
}

// A photograph-like picture: smooth shapes under fine grain, different for every number; its JPEG at
// quality 100 is about as large as a capture of a photograph.
QImage Photograph(int number) {
  QImage image(800, 600, QImage::Format_RGB32);
  std::mt19937 random{unsigned(number)};
  std::uniform_int_distribution<int> grain(-12, 12);
  auto channel = [&](double base) { return std::clamp(int(base) + grain(random), 0, 255); };
  const double phase = number * 0.7;
  for (int y = 0; y < 600; ++y) {
    QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < 800; ++x) {
      const double u = x / 800.0, v = y / 600.0;
      const double a = std::sin(6 * u + phase) * std::cos(5 * v - phase), b = std::sin(11 * (u + v) + 2 * phase);
      row[x] = qRgb(channel(128 + 90 * a), channel(120 + 70 * b), channel(110 + 60 * a * b));
    }
  }
  return image;
}

// A pane of the fake work window that shows a fixed picture.
class PicturePane : public QWidget {
public:
  PicturePane(QWidget *parent, QImage picture) : QWidget(parent), FPicture(std::move(picture)) {}

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    p.drawImage(0, 0, FPicture);
  }

private:
  QImage FPicture;
};

// PrintWindow of the 800 x 600 browser tree, JPEG at quality 100 into memory, kept in the list; the
// counters tell what a minute of captures holds in memory until the show ends.
void BM_Capture(benchmark::State &state, Picture picture) {
  fakehost::FakeWorkWindow work;
  auto *pane = new PicturePane(work.Pane, picture(1));
  pane->setGeometry(0, 0, 800, 600);
  pane->show();
  if (!CaptureList) CaptureList = new QList<QByteArray>;
  TPicture captured;
  std::int64_t bytes = 0, captures = 0;
  for (auto _ : state) {
    CaptureWindowToPicture(work.BrowserWnd(), nullptr, &captured);
    bytes += CaptureList->back().size();
    ++captures;
    if (CaptureList->size() > 200) CaptureList->clear();
  }
  CaptureList->clear();
  const double perCapture = double(bytes) / double(captures);
  state.counters["jpeg_kB"] = perCapture / 1024;
  state.counters["held_MB_per_minute"] = perCapture * kCapturesPerMinute / (1024 * 1024);
}
BENCHMARK_CAPTURE(BM_Capture, title_slide, &TitleSlide)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Capture, text_slide, &TextSlide)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Capture, photograph, &Photograph)->Unit(benchmark::kMillisecond);

// Peer: libjpeg alone compressing the same pixels at quality 100 into memory.
void BM_PlainLibjpeg(benchmark::State &state, Picture picture) {
  const QImage pixels = picture(1).convertToFormat(QImage::Format_RGB32);
  for (auto _ : state) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = 800;
    cinfo.image_height = 600;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(pixels.constScanLine(int(cinfo.next_scanline)));
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    benchmark::DoNotOptimize(size);
    std::free(out);
  }
}
BENCHMARK_CAPTURE(BM_PlainLibjpeg, title_slide, &TitleSlide)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainLibjpeg, text_slide, &TextSlide)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainLibjpeg, photograph, &Photograph)->Unit(benchmark::kMillisecond);

// The end test that runs on every tick of the last slide.
void BM_EndScreenTest(benchmark::State &state) {
  TPicture a, b;
  a.Assign(fakehost::EndPicture());
  b.Assign(fakehost::EndPicture(800, 600, qRgb(5, 5, 5)));
  for (auto _ : state) benchmark::DoNotOptimize(SameTopStrip(&a, &b, 800));
}
BENCHMARK(BM_EndScreenTest)->Unit(benchmark::kMicrosecond);

// A running program under a name no other process of the machine carries, standing in for the
// show's presentation application (whose own name other shows on this machine would see).
struct NamedProcess {
  NamedProcess() {
    std::filesystem::copy_file("/bin/sleep", Dir / Name);
    std::filesystem::permissions(Dir / Name, std::filesystem::perms::owner_all);
    win::TProcessStart start;
    start.Program = Dir / Name;
    start.Arguments = {"3600"};
    Process = std::make_unique<win::TProcess>(start);
  }
  testsupport::TempDir Dir;
  std::string Name = "VTWATCH" + std::to_string(getpid());
  std::unique_ptr<win::TProcess> Process;
};

void CountProcesses(benchmark::State &state) { state.counters["processes"] = double(win::ProcessSnapshot().size()); }

// The watchdog on every tick of a presentation, while the application runs.
void BM_WatchdogTick(benchmark::State &state) {
  NamedProcess show;
  for (auto _ : state) benchmark::DoNotOptimize(IsProcessRunning(show.Name));
  CountProcesses(state);
}
BENCHMARK(BM_WatchdogTick)->Unit(benchmark::kMicrosecond);

// Peer: the walk over every process of the machine, which a tick takes only when the application
// it found before has gone.
void BM_WatchdogProcWalk(benchmark::State &state) {
  NamedProcess show;
  for (auto _ : state) {
    const std::vector<win::TProcessEntry> entries = win::ProcessSnapshot();
    benchmark::DoNotOptimize(std::find_if(entries.begin(), entries.end(), [&](const win::TProcessEntry &e) {
      return e.ExeFile == show.Name;
    }));
  }
  CountProcesses(state);
}
BENCHMARK(BM_WatchdogProcWalk)->Unit(benchmark::kMicrosecond);

// A show's captures in the working folder as the capture writes them: `each` captures of each of
// `pictures` pictures in turn (a slide shown for 10 s gives 200).
struct Show {
  Picture Drawn;
  int Pictures;
  int Each;
};

int WriteCaptures(const Show &show) {
  ClearWorkingFolder();
  EnsureWorkingFolder();
  int frame = 0;
  for (int k = 1; k <= show.Pictures; ++k) {
    const std::vector<std::uint8_t> jpeg = media::JpegCompress(show.Drawn(k), 100);
    for (int i = 0; i < show.Each; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "/%06d.JPG", ++frame);
      std::ofstream(WorkingFolder() + name, std::ios::binary)
          .write(reinterpret_cast<const char *>(jpeg.data()), std::streamsize(jpeg.size()));
    }
  }
  return frame;
}

void CountFrames(benchmark::State &state, int frames) {
  state.counters["per_frame"] =
      benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// "OutVideo.AVI" as the library builds it after the show: every capture decoded, fitted to 640 x 480
// and compressed, or the previous frame's output again for the same bytes. There is no recording, so
// the final video's step that follows stops at its first look.
void BM_AssembleFramesOnlyVideo(benchmark::State &state, Show show) {
  const int frames = WriteCaptures(show);
  fakehost::Receiver host;
  delete Convertor;
  PassMainFrmHandlesToDLL(host.Wnd, 0);
  Convertor->FTotalTime = float(frames * 50);
  for (auto _ : state) {
    Convertor->ComposePicsToAVI();
    host.Seen.clear();
  }
  delete Convertor;
  CountFrames(state, frames);
}
// A minute's show of six slides; photographs enough that ffmpeg's start counts little.
constexpr Show kSlideDeck{&TextSlide, 6, 200};
constexpr Show kPhotographs{&Photograph, 200, 1};

BENCHMARK_CAPTURE(BM_AssembleFramesOnlyVideo, slide_deck, kSlideDeck)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_AssembleFramesOnlyVideo, all_different_photographs, kPhotographs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Peer: ffmpeg re-encoding the same frame files to 640 x 480 motion JPEG at its best quality step.
void BM_FfmpegReencode(benchmark::State &state, Show show) {
  const int frames = WriteCaptures(show);
  testsupport::TempDir out;
  const QStringList arguments = {"-v", "error", "-y", "-framerate", "20", "-i",
                                 QString::fromStdString(WorkingFolder() + "/%06d.JPG"), "-vf", "scale=640:480",
                                 "-c:v", "mjpeg", "-q:v", "2", "-an", QString::fromStdString(out / "peer.avi")};
  for (auto _ : state)
    if (QProcess::execute("ffmpeg", arguments) != 0) state.SkipWithError("ffmpeg failed");
  CountFrames(state, frames);
}
BENCHMARK_CAPTURE(BM_FfmpegReencode, slide_deck, kSlideDeck)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_FfmpegReencode, all_different_photographs, kPhotographs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// ffmpeg's own start, which the two above include.
BENCHMARK_CAPTURE(BM_FfmpegReencode, one_frame, Show{&TextSlide, 1, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

// The final video, per frame: copy the frame and a twentieth of a second of sound.
void BM_FinalFrame(benchmark::State &state) {
  testsupport::TempDir dir;
  const std::vector<std::uint8_t> jpeg = media::JpegCompress(fakehost::SlidePicture(1, 640, 480), 95);
  {
    media::TAviWriter writer;
    writer.SetWithSound(0);
    writer.SetVideoOutputFormat(640, 480, 20);
    writer.CreateFile(dir / "OutVideo.AVI", 1);
    for (int i = 0; i < 200; ++i) writer.WriteJpegFrame(jpeg.data(), jpeg.size());
    writer.CloseFile();
  }
  media::TAviReader reader;
  reader.OpenFile(dir / "OutVideo.AVI");
  media::TAviWriter finalVideo;
  finalVideo.SetWithSound(-1);
  finalVideo.SetVideoOutputFormat(640, 480, 20);
  finalVideo.SetSoundOutputFormat(media::kPcm16, 44100, 2);
  finalVideo.CreateFile(dir / "FinalVideo.AVI", 1);
  const media::TSoundBlock sound(2205 * 2, 100);
  for (auto _ : state) {
    media::TPixelArray frame = reader.ReadNextVideoFrame();
    if (frame.Empty()) {
      reader.SetPosition(0);
      frame = reader.ReadNextVideoFrame();
    }
    finalVideo.WriteVideoFrame(frame);
    finalVideo.WriteSoundBlock(sound);
  }
  finalVideo.CloseFile();
}
BENCHMARK(BM_FinalFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testsupport::App();
  testsupport::FreshPlaces places;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
