#include "arecord2.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "mediaerror.h"

using namespace media;

namespace {

QCoreApplication &App() {
  static int argc = 1;
  static char name[] = "multimedia_test";
  static char *argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  return *QCoreApplication::instance();
}

// Runs the event loop until `done` holds or `limitMs` have passed.
template <typename Pred>
void RunUntil(Pred done, int limitMs) {
  App();
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

class RecorderSilent : public ::testing::Test {
protected:
  void SetUp() override { TARecord2::SetSystemLines({"Microphone", "Stereo Mix", "Line In"}, 0); }
  void TearDown() override { TARecord2::ResetSystemLines(); }
};

}  // namespace

TEST(RecorderLines, StereoMixComesFirstAndTheMicrophoneRecords) {
  TARecord2::ResetSystemLines();
  TARecord2 rec;
  ASSERT_GE(rec.LineCount(), 2);
  rec.SelectLine(0);
  EXPECT_EQ(rec.LineName(), "Stereo Mix");
  EXPECT_EQ(rec.IsCurrentSource(), 0);
  rec.SelectLine(1);
  EXPECT_EQ(rec.LineName(), "Microphone");
  EXPECT_NE(rec.IsCurrentSource(), 0);
}

TEST_F(RecorderSilent, SourceAndVolumeStayPerLine) {
  TARecord2 rec;
  EXPECT_EQ(rec.LineCount(), 3);
  rec.SelectLine(1);
  EXPECT_EQ(rec.GetVolume(), TARecord2::kMaxVolume);
  rec.SetVolume(0x8000);
  rec.MakeSource(-1);
  EXPECT_NE(rec.IsCurrentSource(), 0);
  rec.SelectLine(0);
  EXPECT_EQ(rec.IsCurrentSource(), 0);
  EXPECT_EQ(rec.GetVolume(), TARecord2::kMaxVolume);
  rec.MakeSource(0);  // false makes nothing the source
  EXPECT_EQ(rec.IsCurrentSource(), 0);
  rec.SelectLine(1);
  EXPECT_EQ(rec.GetVolume(), 0x8000);
  rec.SetVolume(100000);
  EXPECT_EQ(rec.GetVolume(), TARecord2::kMaxVolume);
  EXPECT_THROW(rec.SelectLine(3), EMediaError);
  EXPECT_THROW(rec.SelectLine(-1), EMediaError);

  TARecord2 other;  // another recorder has its own settings
  other.SelectLine(1);
  EXPECT_EQ(other.IsCurrentSource(), 0);
  EXPECT_EQ(other.GetVolume(), TARecord2::kMaxVolume);
}

TEST_F(RecorderSilent, DeliversBlocksOfTheAskedDurationOnThisThread) {
  App();
  TARecord2 rec;
  rec.SetRecordingFormat(44100, 2);
  const int units = rec.BlockSizeForDuration(200);
  EXPECT_EQ(units, 8820);
  rec.SetBlockSize(units);
  std::vector<std::size_t> sizes;
  bool allSilent = true;
  bool onThisThread = true;
  rec.OnEndArrayRecord = [&] {
    const TSoundBlock b = rec.RecordedBlock();
    sizes.push_back(b.size());
    for (std::int16_t s : b) allSilent = allSilent && s == 0;
    onThisThread = onThisThread && QThread::currentThread() == App().thread();
  };
  QElapsedTimer clock;
  clock.start();
  rec.Start();
  EXPECT_TRUE(rec.Recording());
  RunUntil([&] { return sizes.size() >= 3; }, 10000);
  rec.Stop();
  const double elapsedMs = clock.nsecsElapsed() / 1e6;
  EXPECT_FALSE(rec.Recording());
  ASSERT_GE(sizes.size(), 3u);
  for (std::size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 17640u) << i;
  // Stopping hands over what was recorded since the last full block.
  EXPECT_LE(sizes.back(), 17640u);
  EXPECT_EQ(sizes.back() % 2, 0u);
  EXPECT_TRUE(allSilent);
  EXPECT_TRUE(onThisThread);
  // Never ahead of the clock.
  std::size_t total = 0;
  for (std::size_t s : sizes) total += s / 2;
  EXPECT_LE(double(total), elapsedMs * 44.1);
}

TEST_F(RecorderSilent, HandlerThatPumpsMessagesIsNotEnteredAgain) {
  App();
  TARecord2 rec;
  rec.SetBlockSize(rec.BlockSizeForDuration(20));
  int depth = 0, maxDepth = 0, blocks = 0;
  rec.OnEndArrayRecord = [&] {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    ++blocks;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 80) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    --depth;
  };
  rec.Start();
  RunUntil([&] { return blocks >= 3; }, 10000);
  rec.OnEndArrayRecord = nullptr;  // the slow handler has fallen behind the clock; skip the rest
  rec.Stop();
  EXPECT_GE(blocks, 3);
  EXPECT_EQ(maxDepth, 1);
}

TEST_F(RecorderSilent, FailingHandlerDoesNotStopTheRecording) {
  App();
  TARecord2 rec;
  rec.SetBlockSize(rec.BlockSizeForDuration(20));
  int calls = 0;
  rec.OnEndArrayRecord = [&] {
    ++calls;
    throw EMediaError("disk full");
  };
  rec.Start();
  RunUntil([&] { return calls >= 2; }, 10000);
  EXPECT_TRUE(rec.Recording());
  rec.Stop();
  EXPECT_GE(calls, 2);
}

TEST_F(RecorderSilent, FormatAndBlockSizeAreFixedWhileRecording) {
  App();
  TARecord2 rec;
  EXPECT_THROW(rec.SetBlockSize(0), EMediaError);
  EXPECT_THROW(rec.SetRecordingFormat(44100, 3), EMediaError);
  rec.SetRecordingFormat(22050, 1);
  EXPECT_EQ(rec.BlockSizeForDuration(200), 4410);
  rec.Start();
  EXPECT_THROW(rec.SetRecordingFormat(44100, 2), EMediaError);
  EXPECT_THROW(rec.SetBlockSize(100), EMediaError);
  rec.Stop();
  rec.Stop();  // a second stop does nothing
}

TEST_F(RecorderSilent, DestroyingARecordingRecorderAnnouncesNothing) {
  App();
  int calls = 0;
  {
    TARecord2 rec;
    rec.SetBlockSize(rec.BlockSizeForDuration(10));
    rec.OnEndArrayRecord = [&] { ++calls; };
    rec.Start();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30) {
    }
  }
  EXPECT_EQ(calls, 0);
}
