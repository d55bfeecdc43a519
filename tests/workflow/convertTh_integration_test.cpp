// The media probe and the encoder runner on real clips through register.dat and ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "convertTh.h"
#include "dialogs.h"
#include "gettime.h"
#include "main.h"
#include "paths.h"
#include "testsupport.h"
#include "win.h"

namespace fs = std::filesystem;

namespace {

bool MakeClip(const std::string &file, int seconds) {
  const std::string d = std::to_string(seconds);
  const std::string cmd = "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i testsrc=size=320x240:rate=25:duration=" +
                          d + " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + d +
                          " -ac 2 -c:v mjpeg -c:a pcm_s16le -shortest '" + file + "'";
  return std::system(cmd.c_str()) == 0 && fs::exists(file);
}

class RealEncoder : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    Main = MainGlobals{};
    Gettime = GettimeGlobals{};
    ConvertTh = ConvertThGlobals{};
    PreviousDialog = win::SetMessageDialogHandler([](const win::TMessageRequest &) { return win::idOK; });
    Main.EncoderJob.EncoderPath = win::ProgramFolder() + "register.dat";
    Main.EncoderJob.WorkDir = win::ProgramFolder();
    ASSERT_TRUE(fs::exists(Main.EncoderJob.EncoderPath)) << "build register_dat first";
    Clip = Dir / "sample clip.avi";
    ASSERT_TRUE(MakeClip(Clip, 5)) << "ffmpeg could not make the test clip";
    fm_main = new Tfm_main(nullptr);
  }
  void TearDown() override {
    delete fm_main;
    fm_main = nullptr;
    win::SetMessageDialogHandler(PreviousDialog);
  }
  testsupport::FreshPlaces Places;
  testsupport::TempDir Dir;
  std::string Clip;
  win::MessageDialogFn PreviousDialog;
};

TEST_F(RealEncoder, TheProbeFillsDurationRatesAndFrameSize) {
  fm_main->AddMediaFile(Clip);
  ASSERT_EQ(fm_main->lv->Count(), 1);
  TListItem *row = fm_main->lv->Items()[0];
  EXPECT_EQ(row->Caption(), "sample clip");
  EXPECT_EQ(row->SubItems()[0], "320x240");
  EXPECT_EQ(row->SubItems()[1], "00:00:05");
  ASSERT_EQ(Main.MediaInfo.size(), 1u);
  const Toriginalinfo &record = Main.MediaInfo[0];
  EXPECT_EQ(record.FrameSize, "320x240");
  EXPECT_EQ(record.Duration, "00:00:05");
  int video = 0, audio = 0;
  ASSERT_TRUE(TryStrToInt(record.VideoKbps, video));
  ASSERT_TRUE(TryStrToInt(record.AudioKbps, audio));
  EXPECT_GT(video, 0);
  // 44100 Hz, 16 bits, two channels.
  EXPECT_NEAR(audio, 1411, 2);
}

TEST_F(RealEncoder, AJobConvertsTheClipWithProgressToItsEnd) {
  fm_main->lv->Items().Add()->SetCaption("sample clip");
  intputrec job = Main.EncoderJob;
  job.InputFile = Clip;
  job.OutputFile = Dir / "out put.mp4";
  job.VideoRateArg = " -r 25 -b 400000";
  job.AudioBitrateArg = " -ab 128000";
  job.ChannelsArg = " -ac 2";
  job.SizeArg = " -s 160x120";
  job.SampleRateArg = " -ar 44100";
  job.DurationSecs = 5;
  Main.EncoderJob = job;
  Main.CurItem = 0;
  Main.Converting = true;
  // A base of 100 keeps the encoder's own progress (up to 200) apart from the end's step (base + 50).
  Main.ProgressBase = 100;
  StartEncoderJob(job);
  int highest = 0;
  ASSERT_TRUE(win::PumpUntil(
      [&] {
        highest = std::max(highest, fm_main->pbOperation->Position());
        return !Main.Converting;
      },
      120000));
  EXPECT_GE(highest, 100 + win::MulDiv(4, 100, 5));
  EXPECT_EQ(fm_main->pbOperation->Position(), 150);
  EXPECT_EQ(fm_main->lv->Items()[0]->SubItems()[3], "Finish");
  ASSERT_TRUE(fs::exists(job.OutputFile));
  EXPECT_GT(fs::file_size(job.OutputFile), 0u);

  Main.SkipProbe = false;
  fm_main->AddMediaFile(job.OutputFile);
  EXPECT_EQ(Main.MediaInfo.back().FrameSize, "160x120");
  EXPECT_EQ(Main.MediaInfo.back().Duration, "00:00:05");
}

TEST_F(RealEncoder, NamesWithQuotesTabsAndBackslashesAreProbedAndConvertedAsThemselves) {
  // The second name would have closed the quotes early and handed the encoder options of its own.
  for (const std::string name : {"My \"Best\" Clip", "-Über\t\\\" -f mp4 -y \"out\\"}) {
    const std::string input = Dir / (name + ".avi");
    const std::string output = Dir / (name + ".mp4");
    fs::copy_file(Clip, input);
    Main.MediaInfo.clear();
    fm_main->lv->Clear();
    fm_main->AddMediaFile(input);
    ASSERT_EQ(Main.MediaInfo.size(), 1u) << name;
    EXPECT_EQ(Main.MediaInfo[0].Duration, "00:00:05") << name;

    intputrec job = Main.EncoderJob;
    job.InputFile = input;
    job.OutputFile = output;
    job.SizeArg = " -s 160x120";
    job.DurationSecs = 5;
    Main.EncoderJob = job;
    Main.CurItem = 0;
    Main.Converting = true;
    StartEncoderJob(job);
    ASSERT_TRUE(win::PumpUntil([] { return !Main.Converting; }, 120000)) << name;
    EXPECT_EQ(ConvertTh.EncoderExitCode, 0) << name;
    EXPECT_GT(fs::file_size(output), 0u) << name;
  }
  std::vector<std::string> made;
  for (const auto &entry : fs::directory_iterator(Dir.Path)) made.push_back(entry.path().filename().string());
  std::sort(made.begin(), made.end());
  EXPECT_EQ(made, (std::vector<std::string>{"-Über\t\\\" -f mp4 -y \"out\\.avi", "-Über\t\\\" -f mp4 -y \"out\\.mp4",
                                            "My \"Best\" Clip.avi", "My \"Best\" Clip.mp4", "sample clip.avi"}));
}

}  // namespace
