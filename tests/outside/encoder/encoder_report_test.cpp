#include "encoder_report.h"

#include "console_parsers.h"

#include <gtest/gtest.h>

using encoder::DurationText;
using encoder::ProbeReport;
using encoder::ProgressFormatter;

namespace {

// ffprobe's description of a file: the format, then the streams as given.
std::string Json(const std::string &format, const std::string &streams) {
  return R"({"streams": [)" + streams + R"(], "format": {)" + format + "}}";
}

const char *AviFormat =
    R"("format_name": "avi", "start_time": "0.000000", "duration": "3.000000", "size": "925230",
       "bit_rate": "2467280")";
const char *MjpegVideo =
    R"({"index": 0, "codec_name": "mjpeg", "codec_type": "video", "pix_fmt": "yuvj444p",
        "width": 320, "height": 240, "avg_frame_rate": "25/1", "bit_rate": "1029968",
        "disposition": {"attached_pic": 0}})";
const char *PcmAudio =
    R"({"index": 1, "codec_name": "pcm_s16le", "codec_type": "audio", "sample_fmt": "s16",
        "sample_rate": "44100", "channels": 2, "bits_per_sample": 16, "bit_rate": "1411200"})";

console::ProbeReader Read(const std::string &report) {
  console::ProbeReader reader;
  reader.Feed(report);
  return reader;
}

}  // namespace

TEST(ProbeReport, GivesTheProgramDurationBitratesAndSize) {
  const auto report = ProbeReport(Json(AviFormat, std::string(MjpegVideo) + "," + PcmAudio));
  ASSERT_TRUE(report);
  EXPECT_EQ(*report,
            "Input #0, avi:\r\n"
            "  Duration: 00:00:03.00, start: 0.000000, bitrate: 2467 kb/s\r\n"
            "    Stream #0:0: Video: mjpeg, yuvj444p, 320x240, 1030 kb/s, 25 fps\r\n"
            "    Stream #0:1: Audio: pcm_s16le, 44100 Hz, stereo, s16, 1411 kb/s\r\n");
  const auto r = Read(*report);
  EXPECT_EQ(r.Duration, "00:00:03");
  EXPECT_EQ(r.Bitrate, "2467");
  EXPECT_EQ(r.VideoKbps, "1030");
  EXPECT_EQ(r.AudioKbps, "1411");
  EXPECT_EQ(r.FrameSize, "320x240");
}

TEST(ProbeReport, AnXInTheCodecOrPixelFormatDoesNotHideTheSize) {
  const auto report = ProbeReport(Json(
      AviFormat, R"({"index": 0, "codec_name": "dnxhd", "codec_type": "video",
                     "pix_fmt": "x2rgb10le", "width": 1920, "height": 1080, "bit_rate": "900000"})"));
  ASSERT_TRUE(report);
  EXPECT_EQ(Read(*report).FrameSize, "1920x1080");
}

TEST(ProbeReport, EstimatesTheVideoBitrateTheContainerLeavesOut) {
  const auto report = ProbeReport(Json(
      AviFormat, R"({"index": 0, "codec_name": "mjpeg", "codec_type": "video", "width": 320,
                     "height": 240},)" + std::string(PcmAudio)));
  ASSERT_TRUE(report);
  const auto r = Read(*report);
  EXPECT_EQ(r.VideoKbps, "1056");  // 2467280 - 1411200 bit/s
  EXPECT_EQ(r.AudioKbps, "1411");
}

TEST(ProbeReport, EstimatesTheTotalFromSizeAndDuration) {
  const auto report = ProbeReport(Json(
      R"("format_name": "matroska,webm", "duration": "10.0", "size": "1250000")",
      R"({"index": 0, "codec_name": "h264", "codec_type": "video", "width": 640, "height": 480},
         {"index": 1, "codec_name": "vorbis", "codec_type": "audio", "sample_rate": "44100",
          "channels": 1, "tags": {"BPS-eng": "96000"}})"));
  ASSERT_TRUE(report);
  const auto r = Read(*report);
  EXPECT_EQ(r.Bitrate, "1000");
  EXPECT_EQ(r.AudioKbps, "96");
  EXPECT_EQ(r.VideoKbps, "904");
  EXPECT_EQ(r.FrameSize, "640x480");
}

TEST(ProbeReport, NeverPrintsZeroKbps) {
  // Streams that claim more than the whole file: the estimate is left out rather than made 0.
  const auto report = ProbeReport(Json(
      R"("format_name": "avi", "duration": "2.0", "bit_rate": "1000")",
      R"({"index": 0, "codec_name": "mjpeg", "codec_type": "video", "width": 8, "height": 8},
         {"index": 1, "codec_name": "pcm_u8", "codec_type": "audio", "sample_rate": "8000",
          "channels": 1, "bit_rate": "2000"})"));
  ASSERT_TRUE(report);
  EXPECT_EQ(report->find(" 0 kb/s"), std::string::npos) << *report;
  const auto r = Read(*report);
  EXPECT_EQ(r.Bitrate, "1");
  EXPECT_EQ(r.AudioKbps, "2");
  EXPECT_EQ(r.VideoKbps, "");
  EXPECT_EQ(r.FrameSize, "8x8");
}

TEST(ProbeReport, WithoutDurationReportsNoDurationKey) {
  const auto report = ProbeReport(Json(
      R"("format_name": "mjpeg")",
      R"({"index": 0, "codec_name": "mjpeg", "codec_type": "video", "width": 64, "height": 48})"));
  ASSERT_TRUE(report);
  const auto r = Read(*report);
  EXPECT_EQ(r.Duration, "");
  EXPECT_EQ(r.Bitrate, "");
  EXPECT_EQ(r.FrameSize, "64x48");
}

TEST(ProbeReport, CoverPicturesAreNotVideo) {
  const auto report = ProbeReport(Json(
      R"("format_name": "mp3", "duration": "60.0", "bit_rate": "128000")",
      R"({"index": 0, "codec_name": "mp3", "codec_type": "audio", "sample_rate": "44100",
          "channels": 2, "bit_rate": "128000"},
         {"index": 1, "codec_name": "mjpeg", "codec_type": "video", "width": 500, "height": 500,
          "disposition": {"attached_pic": 1}})"));
  ASSERT_TRUE(report);
  const auto r = Read(*report);
  EXPECT_EQ(r.VideoKbps, "");
  EXPECT_EQ(r.FrameSize, "");
  EXPECT_EQ(r.AudioKbps, "128");
}

TEST(ProbeReport, RefusesWhatIsNotADescription) {
  EXPECT_FALSE(ProbeReport(""));
  EXPECT_FALSE(ProbeReport("not json"));
  EXPECT_FALSE(ProbeReport(R"({"streams": []})"));
}

TEST(ProbeReport, NumbersBeyondAnyRealOneAreLeftOutNotConverted) {
  const auto report = ProbeReport(Json(
      R"("format_name": "avi", "duration": "1e30", "bit_rate": 1e300)",
      R"({"index": 1e30, "codec_name": "mjpeg", "codec_type": "video", "width": 1e20, "height": 3e9,
          "avg_frame_rate": "1e300/1", "bit_rate": "1e300"},
         {"index": -3e9, "codec_name": "pcm_s16le", "codec_type": "audio", "sample_rate": "1e300",
          "channels": 1e10, "bit_rate": "64000"})"));
  ASSERT_TRUE(report);
  EXPECT_EQ(*report,
            "Input #0, avi:\r\n"
            "  Duration unknown, start: 0.000000, bitrate: N/A\r\n"
            "    Stream #0:0: Video: mjpeg\r\n"
            "    Stream #0:1: Audio: pcm_s16le, 64 kb/s\r\n");
  EXPECT_EQ(DurationText(1e300), "00:00:00.00");
}

TEST(ProbeReport, DurationIsRoundedToHundredths) {
  EXPECT_EQ(DurationText(2.999), "00:00:03.00");
  EXPECT_EQ(DurationText(83.456), "00:01:23.46");
  EXPECT_EQ(DurationText(3723.0), "01:02:03.00");
  EXPECT_EQ(DurationText(-1), "00:00:00.00");
  EXPECT_EQ(console::TimeTextToSeconds(DurationText(3723.0)), 3723);
}

TEST(ProgressLines, CarrySecondsTheProgramReads) {
  ProgressFormatter f;
  std::string line;
  for (const char *kv : {"frame=75", "fps=25.00", "stream_0_0_q=2.0", "bitrate= 359.1kbits/s",
                         "total_size=135510", "out_time_us=3018594", "out_time=00:00:03.018594",
                         "progress=continue"})
    line = f.Feed(kv);
  EXPECT_EQ(line, "frame=   75 fps=25.00 q=2.0 size=     132kB time=3.01 bitrate= 359.1kbits/s\r");
  EXPECT_EQ(console::ParseProgressSeconds(line), 3);
  EXPECT_FALSE(f.Ended());
}

TEST(ProgressLines, OnlyABlockEndMakesALineEndedByCarriageReturnAlone) {
  ProgressFormatter f;
  EXPECT_EQ(f.Feed("frame=1"), "");
  EXPECT_EQ(f.Feed("out_time_us=7000000"), "");
  const std::string line = f.Feed("progress=end");
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.back(), '\r');
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_NE(line.find("time=7.00 bitrate="), std::string::npos);
  EXPECT_TRUE(f.Ended());
}

TEST(ProgressLines, UnknownOrNegativeTimesKeepTheLastTime) {
  ProgressFormatter f;
  EXPECT_EQ(console::ParseProgressSeconds(f.Feed("out_time_us=N/A") + f.Feed("progress=continue")),
            0);
  f.Feed("out_time_us=125000000");
  EXPECT_EQ(console::ParseProgressSeconds(f.Feed("progress=continue")), 125);
  f.Feed("out_time_us=-9223372036854775807");
  EXPECT_EQ(console::ParseProgressSeconds(f.Feed("progress=continue")), 125);
  f.Feed("out_time_us=N/A");
  f.Feed("bitrate=N/A");
  const std::string line = f.Feed("progress=continue");
  EXPECT_EQ(console::ParseProgressSeconds(line), 125);
  EXPECT_NE(line.find("bitrate=N/A"), std::string::npos);
}

TEST(ProgressLines, ReaderSeesRisingSecondsAcrossSplitReads) {
  ProgressFormatter f;
  std::string console;
  for (int us : {0, 1500000, 2990000, 4000000, 61000000}) {
    f.Feed("out_time_us=" + std::to_string(us));
    console += f.Feed("progress=continue");
  }
  console::ProgressReader reader;
  // Pieces of an odd size split lines anywhere, as pipe reads do.
  for (std::size_t i = 0; i < console.size(); i += 37) reader.Feed(console.substr(i, 37));
  EXPECT_EQ(reader.Seconds, (std::vector<int>{1, 2, 4, 61}));
}
