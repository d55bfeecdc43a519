// Whole conversions: a fixed-count run and a presentation run, each ending with "FinalVideo.AVI".
#include <cmath>

#include "avireader.h"
#include "fullrun.h"

using fullrun::FullRun;

namespace {

// The video the host reads: 640 x 480 motion JPEG with the usable frames at the formula's rate, and
// the recording as 16-bit stereo sound at 44100 Hz.
void ExpectFinalVideo(int frames, float totalTime) {
  media::TAviReader video;
  video.OpenFile(WorkingFolder() + "/FinalVideo.AVI");
  EXPECT_EQ(video.VideoCodec(), "MJPG");
  EXPECT_EQ(video.Width(), 640);
  EXPECT_EQ(video.Height(), 480);
  EXPECT_EQ(video.FrameCount(), frames);
  EXPECT_NEAR(video.FrameRate(), FrameRateFor(frames, totalTime), 1e-6);
  ASSERT_TRUE(video.HasAudio());
  EXPECT_EQ(video.AudioChannels(), 2);
  EXPECT_EQ(video.AudioSampleRate(), 44100);
  EXPECT_EQ(video.AudioBitsPerSample(), 16);
  EXPECT_NEAR(double(video.AudioLength()) * 1000 / 44100, totalTime, 1.0);
}

}  // namespace

TEST_F(FullRun, FixedCountModeEndsAfter100Captures) {
  ASSERT_EQ(GetPPTFileSlidesCount("clip.mp4"), 100);
  ASSERT_TRUE(Run());
  ASSERT_TRUE(Host.Errors().empty()) << Host.Errors()[0].Text;
  EXPECT_EQ(Convertor->FCaptureCount, 100);
  EXPECT_FALSE(Convertor->FTimer->Enabled());
  EXPECT_FALSE(Convertor->FBusy);
  EXPECT_EQ(Work.Pane->PageDowns + Work.Pane->DoubleClicks, 0);
  std::vector<std::string> frames = UsableFrames();
  EXPECT_GE(frames.size(), 100u);
  EXPECT_GE(Convertor->FTotalTime, 4000.0f) << "100 ticks of 50 ms were recorded";
  // Ticks that came late left their places to the picture before: one frame per 50 ms.
  EXPECT_NEAR(frames.size() * 50.0, Convertor->FTotalTime, 150);
  ExpectFinalVideo(int(frames.size()), Convertor->FTotalTime);
  ExpectMessagesInOrder();
  int fixedProgress = 0;
  for (const fakehost::Message &m : Host.Seen) {
    if (m.Text.empty()) EXPECT_EQ(m.LParam, win::MulDiv(++fixedProgress, 50, 100));
  }
  EXPECT_EQ(fixedProgress, 100);

  // The recording line of before the run is back.
  media::TARecord2 &recorder = *Convertor->FAudioRecorder;
  recorder.SelectLine(0);
  EXPECT_TRUE(recorder.IsCurrentSource());
  recorder.SelectLine(1);
  EXPECT_EQ(recorder.GetVolume(), media::TARecord2::kMaxVolume);
}

TEST_F(FullRun, PresentationModeAdvancesEachSlideItsWayAndEndsAtTheEndScreen) {
  fakehost::FakePowerPoint powerPoint;
  PreparePresentation();
  ASSERT_TRUE(Run());
  ASSERT_TRUE(Host.Errors().empty()) << Host.Errors()[0].Text;
  EXPECT_EQ(Work.Pane->DoubleClicks, 1) << "slide 1 advances on a click";
  EXPECT_EQ(Work.Pane->PageDowns, 1) << "slide 3 advances on a key; slide 2 by itself";
  EXPECT_GT(Work.Pane->Shown, 3);
  std::vector<std::string> frames = UsableFrames();
  EXPECT_GE(frames.size(), 30u);
  EXPECT_LE(frames.size() * 50.0, Convertor->FTotalTime + 100) << "no more frames than places of 50 ms";
  ExpectFinalVideo(int(frames.size()), Convertor->FTotalTime);
  ExpectMessagesInOrder();
}

TEST_F(FullRun, FrameNumbersGoOnInTheNextRun) {
  FrameCounter = 0;
  ASSERT_EQ(GetPPTFileSlidesCount("clip.mp4"), 100);
  ASSERT_TRUE(Run());
  // At least a frame per capture; a late tick adds the picture before again.
  const int first = FrameCounter;
  EXPECT_GE(first, 100);
  auto frame = [](int number) {
    char name[16];
    std::snprintf(name, sizeof name, "/%06d.JPG", number);
    return WorkingFolder() + name;
  };
  EXPECT_TRUE(win::FileExists(frame(first)));
  Host.Seen.clear();
  ASSERT_TRUE(Run());
  ASSERT_TRUE(Host.Errors().empty()) << Host.Errors()[0].Text;
  EXPECT_FALSE(win::FileExists(frame(first))) << "the start empties the folder";
  EXPECT_TRUE(win::FileExists(frame(first + 1)));
  EXPECT_GE(FrameCounter, first + 100);
  EXPECT_TRUE(win::FileExists(frame(FrameCounter)));
  ExpectFinalVideo(FrameCounter - first, Convertor->FTotalTime);
}
