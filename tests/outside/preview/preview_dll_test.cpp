// Preview.dll as the program loads it: by bare name from the program folder, playing real clips made
// by ffmpeg into a window of the program's window table.
#include <gtest/gtest.h>

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <iterator>
#include <string>
#include <thread>
#include <chrono>
#include <vector>

#include "library.h"
#include "testsupport.h"
#include "win.h"

namespace {

struct TExports {
  void (*InitPreviewWindow)(std::uintptr_t, int, int);
  void (*SetEventFuntion)(void (*)(double));
  int (*Play)(const char *);
  void (*Pause)();
  void (*Stop)();
  void (*Seek)(int);
  void (*DestroyPreviewWindow)();
};

// What the callback saw, and what it does at each position.
std::vector<double> Positions;
std::function<void(double)> OnPosition;
void PositionCallback(double position) {
  Positions.push_back(position);
  if (OnPosition) OnPosition(position);
}

void MakeClip(const std::string &path, const std::string &source, const std::string &extra = "") {
  std::string command = "ffmpeg -v error -y -f lavfi -i " + source + " " + extra + " '" + path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class PreviewDll : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    Positions.clear();
    OnPosition = nullptr;
    Module = win::LoadLibrary("Preview.dll");
    ASSERT_NE(Module, nullptr) << "Preview.dll is not in the program folder; build preview_dll";
    auto bind = [this](auto &fn, const char *name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(win::GetProcAddress(Module, name));
      ASSERT_NE(fn, nullptr) << name;
    };
    bind(Dll.InitPreviewWindow, "InitPreviewWindow");
    bind(Dll.SetEventFuntion, "SetEventFuntion");
    bind(Dll.Play, "Play");
    bind(Dll.Pause, "Pause");
    bind(Dll.Stop, "Stop");
    bind(Dll.Seek, "Seek");
    bind(Dll.DestroyPreviewWindow, "DestroyPreviewWindow");
    Host = std::make_unique<QWidget>();
    Host->setAttribute(Qt::WA_DontShowOnScreen);
    Host->resize(80, 60);
    Host->show();
    Dll.InitPreviewWindow(win::HandleOf(Host.get()), 80, 60);
    Dll.SetEventFuntion(&PositionCallback);
  }
  void TearDown() override {
    if (Dll.DestroyPreviewWindow) Dll.DestroyPreviewWindow();
    OnPosition = nullptr;
  }

  win::HMODULE Module = nullptr;
  TExports Dll{};
  std::unique_ptr<QWidget> Host;
  testsupport::TempDir Folder;
};

}  // namespace

TEST_F(PreviewDll, PlaysAClipToItsEndWithRisingPositions) {
  const std::string clip = Folder / "two seconds.mp4";
  MakeClip(clip, "testsrc=size=160x120:rate=25:duration=2", "-pix_fmt yuv420p");
  EXPECT_EQ(Dll.Play(clip.c_str()), 0);
  ASSERT_GT(Positions.size(), 40u);
  EXPECT_DOUBLE_EQ(Positions.front(), 0.0);
  for (std::size_t i = 1; i < Positions.size(); ++i) ASSERT_GT(Positions[i], Positions[i - 1]);
  EXPECT_GE(Positions.back(), 1.9);
  EXPECT_LT(Positions.back(), 2.1);
}

TEST_F(PreviewDll, PaintsTheFramesIntoItsWindowAtTheWindowsSize) {
  const std::string clip = Folder / "red.mp4";
  MakeClip(clip, "color=c=red:size=64x48:rate=25:duration=1", "-pix_fmt yuv420p");
  QImage seen;
  OnPosition = [this, &seen](double position) {
    if (position >= 0.4 && seen.isNull()) seen = Host->grab().toImage();
  };
  Dll.Play(clip.c_str());
  ASSERT_FALSE(seen.isNull());
  // The whole window shows the picture, stretched to it; red stays red (byte order of the frames).
  for (QPoint at : {QPoint(1, 1), QPoint(40, 30), QPoint(78, 58)}) {
    QColor colour = seen.pixelColor(at);
    EXPECT_GT(colour.red(), 200) << at.x() << "," << at.y();
    EXPECT_LT(colour.green(), 60);
    EXPECT_LT(colour.blue(), 60);
  }
}

TEST_F(PreviewDll, StopFromTheCallbackEndsPlayEarly) {
  const std::string clip = Folder / "long.mp4";
  MakeClip(clip, "testsrc=size=64x48:rate=25:duration=20", "-pix_fmt yuv420p");
  OnPosition = [this](double position) {
    if (position >= 0.5) Dll.Stop();
  };
  EXPECT_EQ(Dll.Play(clip.c_str()), 0);
  ASSERT_FALSE(Positions.empty());
  EXPECT_LT(Positions.back(), 1.0);
}

TEST_F(PreviewDll, KeepsTheGuiLoopRunningAndAStopFromATimerReturns) {
  const std::string clip = Folder / "long.mp4";
  MakeClip(clip, "testsrc=size=64x48:rate=25:duration=20", "-pix_fmt yuv420p");
  int ticks = 0;
  QTimer timer;
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++ticks == 30) Dll.Stop();
  });
  timer.start();
  EXPECT_EQ(Dll.Play(clip.c_str()), 0);
  EXPECT_GE(ticks, 30);
  // The stop may come before the first frame; either way the run ended long before the clip's end.
  if (!Positions.empty()) EXPECT_LT(Positions.back(), 5.0);
}

TEST_F(PreviewDll, SeekMovesARunningPlayAndReportsPositionsFromThere) {
  const std::string clip = Folder / "ten.mp4";
  MakeClip(clip, "testsrc=size=64x48:rate=25:duration=10", "-pix_fmt yuv420p");
  bool sought = false;
  OnPosition = [&](double position) {
    if (!sought && position >= 0.2) {
      sought = true;
      Dll.Seek(8);
    }
  };
  EXPECT_EQ(Dll.Play(clip.c_str()), 0);
  ASSERT_TRUE(sought);
  EXPECT_GE(Positions.back(), 9.5);
  // Fewer frames than a whole run: the seconds between were skipped.
  EXPECT_LT(Positions.size(), 150u);
}

TEST_F(PreviewDll, ASeekBeforePlayIsWherePlayBegins) {
  const std::string clip = Folder / "four.mp4";
  MakeClip(clip, "testsrc=size=64x48:rate=25:duration=4", "-pix_fmt yuv420p");
  Dll.Seek(3);
  EXPECT_EQ(Dll.Play(clip.c_str()), 0);
  ASSERT_FALSE(Positions.empty());
  EXPECT_DOUBLE_EQ(Positions.front(), 3.0);
  // The next Play starts from the beginning again.
  Positions.clear();
  OnPosition = [this](double) { Dll.Stop(); };
  Dll.Play(clip.c_str());
  ASSERT_FALSE(Positions.empty());
  EXPECT_DOUBLE_EQ(Positions.front(), 0.0);
}

TEST_F(PreviewDll, AnUnreadableInputReturnsWithoutPositions) {
  EXPECT_EQ(Dll.Play((Folder / "missing.mp4").c_str()), 0);
  EXPECT_TRUE(Positions.empty());
  EXPECT_NE(Dll.Play("vts://1*0*10*0x80*0*/nowhere"), 0);
  EXPECT_TRUE(Positions.empty());
}

TEST_F(PreviewDll, PlayWithoutAWindowIsRefused) {
  Dll.DestroyPreviewWindow();
  const std::string clip = Folder / "short.mp4";
  MakeClip(clip, "testsrc=size=64x48:rate=25:duration=1", "-pix_fmt yuv420p");
  EXPECT_NE(Dll.Play(clip.c_str()), 0);
  EXPECT_TRUE(Positions.empty());
}

TEST_F(PreviewDll, PlaysADvdTitleFromTheSectorsOfItsVobFiles) {
  // A title set written as DVD video, split over two VOB files at a sector boundary.
  const std::string stream = Folder / "title.mpg";
  MakeClip(stream, "testsrc=size=320x240:rate=25:duration=2", "-target pal-dvd -s 720x576");
  std::filesystem::create_directories(Folder / "disc/VIDEO_TS");
  const auto size = static_cast<long long>(std::filesystem::file_size(stream));
  ASSERT_EQ(size % 2048, 0);
  const long long half = size / 2048 / 2 * 2048;
  std::filesystem::path in(stream);
  {
    std::ifstream source(stream, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
    std::ofstream(Folder / "disc/VIDEO_TS/VTS_01_1.VOB", std::ios::binary) << bytes.substr(0, half);
    std::ofstream(Folder / "disc/VIDEO_TS/VTS_01_2.VOB", std::ios::binary) << bytes.substr(half);
  }
  const std::string input =
      "vts://01*0*" + std::to_string(size / 2048 - 1) + "*0x80*0*/" + Folder / "disc";
  EXPECT_EQ(Dll.Play(input.c_str()), 0);
  ASSERT_GT(Positions.size(), 40u);
  EXPECT_GE(Positions.back(), 1.8);
}

TEST_F(PreviewDll, ASlowCallbackStillLetsTheGuiInBetweenFrames) {
  const std::string clip = Folder / "short.mp4";
  MakeClip(clip, "testsrc=size=64x48:rate=25:duration=1", "-pix_fmt yuv420p");
  int ticks = 0;
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start();
  // Every frame comes late after this callback, so no frame waits for its time.
  std::vector<int> ticksSeen;
  OnPosition = [&](double) {
    ticksSeen.push_back(ticks);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  };
  Dll.Play(clip.c_str());
  ASSERT_GT(ticksSeen.size(), 10u);
  for (std::size_t i = 1; i < ticksSeen.size(); ++i) ASSERT_GT(ticksSeen[i], ticksSeen[i - 1]) << i;
}
