// One capture every 50 ms must never overrun; the assembly's cost per frame sets how long the user
// waits after the show. Counters report the JPEG bytes a capture holds in memory until the show ends.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "arecord2.h"
#include "avireader.h"
#include "aviwriter.h"
#include "fakehost.h"
#include "files.h"
#include "image.h"
#include "imagefile.h"
#include "jpeg.h"
#include "process.h"
#include "uCommFunctions.h"
#include "uPPTToVideo.h"

namespace {

constexpr double kCapturesPerMinute = 20 * 60;

// A photo-like slide: fine detail everywhere, the hardest case for JPEG.
QImage PhotoSlide() {
  QImage image(800, 600, QImage::Format_RGB32);
  std::srand(7);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x)
      image.setPixel(x, y, qRgb((x + std::rand() % 64) & 255, (y + std::rand() % 64) & 255, ((x ^ y) + std::rand() % 32) & 255));
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

void Capture(benchmark::State &state, bool photo) {
  fakehost::FakeWorkWindow work;
  if (photo) {
    auto *pane = new PicturePane(work.Pane, PhotoSlide());
    pane->setGeometry(0, 0, 800, 600);
    pane->show();
  }
  if (!CaptureList) CaptureList = new QList<QByteArray>;
  TPicture picture;
  std::int64_t bytes = 0, captures = 0;
  for (auto _ : state) {
    CaptureWindowToPicture(work.BrowserWnd(), nullptr, &picture);
    bytes += CaptureList->back().size();
    ++captures;
    if (CaptureList->size() > 200) CaptureList->clear();
  }
  CaptureList->clear();
  const double perCapture = double(bytes) / double(captures);
  state.counters["jpeg_kB"] = perCapture / 1024;
  state.counters["held_MB_per_minute"] = perCapture * kCapturesPerMinute / (1024 * 1024);
}

// PrintWindow of the 800 x 600 browser tree, JPEG at quality 100 into memory, kept in the list.
void BM_CaptureSlide(benchmark::State &state) { Capture(state, false); }
BENCHMARK(BM_CaptureSlide)->Unit(benchmark::kMillisecond);
void BM_CapturePhotoSlide(benchmark::State &state) { Capture(state, true); }
BENCHMARK(BM_CapturePhotoSlide)->Unit(benchmark::kMillisecond);

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

// The frames-only video, per frame: decode the capture file, fit it to 640 x 480, write it.
void BM_ComposeFrame(benchmark::State &state) {
  testsupport::TempDir dir;
  const std::vector<std::uint8_t> jpeg = media::JpegCompress(fakehost::SlidePicture(1), 100);
  const std::string frame = dir / "000001.JPG";
  std::ofstream(frame, std::ios::binary).write(reinterpret_cast<const char *>(jpeg.data()), std::streamsize(jpeg.size()));
  media::TImageFile decoder;
  media::TAviWriter writer;
  writer.SetWithSound(0);
  writer.SetVideoOutputFormat(640, 480, 19);
  writer.CreateFile(dir / "OutVideo.AVI", 1);
  for (auto _ : state) writer.WriteVideoFrame(decoder.LoadFileAsPixels(frame));
  writer.CloseFile();
}
BENCHMARK(BM_ComposeFrame)->Unit(benchmark::kMillisecond);

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
