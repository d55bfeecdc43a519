// The media probe: reading the encoder's report, and probes run on a stand-in encoder that prints a
// report the test gives.
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "gettime.h"
#include "mainform_fixture.h"
#include "win.h"

namespace {

const std::string Report =
    "Input #0, avi, from 'clip.avi':\r\n"
    "  Duration: 00:01:23.45, start: 0.000000, bitrate: 1500 kb/s\r\n"
    "    Stream #0:0: Video: mjpeg, yuvj420p, 640x480, 1200 kb/s, 25 fps\r\n"
    "    Stream #0:1: Audio: pcm_s16le, 44100 Hz, stereo, s16, 128 kb/s\r\n";

}  // namespace

TEST(ProbeKbps, ReadsTheNumberBeforeKbOnTheKeysLine) {
  EXPECT_EQ(ExtractKbps("bitrate:", Report), "1500");
  EXPECT_EQ(ExtractKbps("Video:", Report), "1200");
  EXPECT_EQ(ExtractKbps("Audio:", Report), "128");
}

TEST(ProbeKbps, OnlyTheFirstLineWithTheKeyCounts) {
  // The key's first line has no rate; a later line's rate is not taken for it.
  EXPECT_EQ(ExtractKbps("Video:", "Video: mjpeg, 640x480\rVideo: h264, 900 kb/s\r"), "");
  EXPECT_EQ(ExtractKbps("Audio:", "Video: mjpeg, 900 kb/s\r"), "");
}

TEST(ProbeKbps, TextAfterTheLastCrIsNotSearched) {
  EXPECT_EQ(ExtractKbps("Audio:", "Video: mjpeg\rAudio: pcm, 128 kb/s"), "");
  EXPECT_EQ(ExtractKbps("Audio:", "Video: mjpeg\rAudio: pcm, 128 kb/s\r"), "128");
}

TEST(ProbeKbps, LooksBackAtMostTenCharacters) {
  EXPECT_EQ(ExtractKbps("Audio:", "Audio:,12345678901234 kb/s\r"), "5678901234");
  EXPECT_EQ(ExtractKbps("x", "x96 kb/s\r"), "x96");
}

TEST(ProbeResolution, ReadsTheSizeAfterTheCodecAndPixelFormat) {
  EXPECT_EQ(ExtractResolution(Report), "640x480");
  EXPECT_EQ(ExtractResolution("Video: h264, yuv420p, 1920x1080, 25 fps\r"), "1920x1080");
  // The line's last character (its CR) is not part of the height.
  EXPECT_EQ(ExtractResolution("Video: mjpeg, 320x240\r"), "320x240");
}

TEST(ProbeResolution, AnXBeforeTheSizeIsTakenInstead) {
  EXPECT_EQ(ExtractResolution("Video: mpeg4 (DIVX / 0x58564944), yuv420p, 640x480\r"), "0x58564944");
  EXPECT_EQ(ExtractResolution("Video: mpeg4 (xvid), yuv420p, 640x480\r"), "(x");
}

TEST(ProbeResolution, NothingWithoutAVideoLineOrAnX) {
  EXPECT_EQ(ExtractResolution("Audio: pcm, 44100 Hz\r"), "");
  EXPECT_EQ(ExtractResolution("Video: mjpeg, yuvj420p\r"), "");
  EXPECT_EQ(ExtractResolution("Video: mjpeg, 320x240"), "");  // not ended by CR
}

// ---------------------------------------------------------------------------------------------------

class ProbeTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Gettime = GettimeGlobals{};
    Create();
    // A stand-in encoder: prints report.txt from its folder, whatever it is asked.
    const std::string encoder = Dir / "fake register.dat";
    std::ofstream(encoder) << "#!/bin/sh\ncat \"$(dirname \"$0\")/report.txt\"\n";
    chmod(encoder.c_str(), 0755);
    Main.EncoderJob.EncoderPath = encoder;
    Main.EncoderJob.WorkDir = Dir.Path;
  }
  void TearDown() override {
    MainFormTest::TearDown();
    EXPECT_FALSE(Gettime.ProbeBusy);
    EXPECT_EQ(Gettime.ProbeProcess, nullptr);
  }
  void SetReport(const std::string &text) { std::ofstream(Dir / "report.txt", std::ios::binary) << text; }
  void Probe(const std::string &path) {
    StartMediaProbe(path);
    EXPECT_TRUE(Gettime.ProbeBusy);
    ASSERT_TRUE(win::PumpUntil([] { return !Gettime.ProbeBusy; }, 20000)) << "the probe did not end";
  }
  testsupport::TempDir Dir;
};

TEST_F(ProbeTest, ParsingKeepsValuesOnceFoundAndWaitsForUnfinishedLines) {
  TtimeProcessor reader;
  reader.FOutput = "  Duration: 00:00:07.50, start: 0.0, bitrate: 900 kb/s\r\n    Stream #0:0: Video: mjp";
  reader.ParseProbeOutput();
  EXPECT_EQ(Gettime.ProbeDuration, "00:00:07");
  EXPECT_EQ(Gettime.ProbeBitrate, "900");
  EXPECT_EQ(reader.FOutput, "    Stream #0:0: Video: mjp");
  reader.FOutput += "eg, yuvj420p, 320x240, 700 kb/s\r\n";
  reader.ParseProbeOutput();
  EXPECT_EQ(Gettime.ProbeFrameSize, "320x240");
  EXPECT_EQ(Gettime.ProbeVideoKbps, "700");
  // Later output without these keys does not clear them.
  reader.FOutput += "At least one output file must be specified\r\n";
  reader.ParseProbeOutput();
  EXPECT_EQ(Gettime.ProbeDuration, "00:00:07");
  EXPECT_EQ(Gettime.ProbeBitrate, "900");
  EXPECT_EQ(Gettime.ProbeFrameSize, "320x240");
}

TEST_F(ProbeTest, AProbeReadsTheEncodersReport) {
  SetReport(Report);
  Probe(Dir / "my clip.avi");
  EXPECT_EQ(Gettime.ProbeDuration, "00:01:23");
  EXPECT_EQ(Gettime.ProbeBitrate, "1500");
  EXPECT_EQ(Gettime.ProbeVideoKbps, "1200");
  EXPECT_EQ(Gettime.ProbeAudioKbps, "128");
  EXPECT_EQ(Gettime.ProbeFrameSize, "640x480");
  EXPECT_EQ(ProbeCommandLine(Dir / "my clip.avi"),
            "\"" + Main.EncoderJob.EncoderPath + "\" -i \"" + (Dir / "my clip.avi") + "\"");
}

TEST_F(ProbeTest, EveryLineIsParsedBeforeTheProbeIsOver) {
  // A report longer than one read whose last key comes at its very end, printed as the process ends.
  std::string report = "Input #0, avi, from 'clip.avi':\r\n";
  for (int i = 0; i < 80; ++i) report += "    Metadata line " + std::to_string(i) + " of the stand-in's report\r\n";
  report += Report;
  SetReport(report);
  for (int run = 0; run < 10; ++run) {
    Probe(Dir / "clip.avi");
    EXPECT_EQ(Gettime.ProbeAudioKbps, "128") << "run " << run;
    EXPECT_EQ(Gettime.ProbeFrameSize, "640x480") << "run " << run;
  }
}

TEST_F(ProbeTest, ANewProbeStartsFromEmptyValues) {
  SetReport(Report);
  Probe(Dir / "clip.avi");
  SetReport("nothing to say\r\n");
  Probe(Dir / "clip.avi");
  EXPECT_EQ(Gettime.ProbeDuration, "");
  EXPECT_EQ(Gettime.ProbeBitrate, "");
  EXPECT_EQ(Gettime.ProbeFrameSize, "");
}

TEST_F(ProbeTest, AnEncoderThatCannotStartEndsTheProbeWithNothingFound) {
  Main.EncoderJob.EncoderPath = Dir / "missing.dat";
  Probe(Dir / "clip.avi");
  EXPECT_EQ(Gettime.ProbeDuration, "");
  EXPECT_EQ(Gettime.ProbeBitrate, "");
}

TEST_F(ProbeTest, ClosingTheFormEndsARunningProbe) {
  const std::string encoder = Dir / "slow.sh";
  std::ofstream(encoder) << "#!/bin/sh\nexec sleep 30\n";
  chmod(encoder.c_str(), 0755);
  Main.EncoderJob.EncoderPath = encoder;
  StartMediaProbe(Dir / "clip.avi");
  ASSERT_NE(Gettime.ProbeProcess, nullptr);
  const pid_t pid = Gettime.ProbeProcess->Pid();
  delete Form;
  Form = nullptr;
  fm_main = nullptr;
  EXPECT_NE(kill(pid, 0), 0) << "the probe outlived the form";
}
