// Files written here must be what ffmpeg, the outside encoder's engine, reads.
#include <map>

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "avitestdata.h"
#include "avireader.h"
#include "aviwriter.h"
#include "testfolder.h"

using namespace media;

namespace {

// One map of "key=value" lines per stream, from ffprobe's flat output.
std::vector<std::map<std::string, std::string>> ProbeStreams(const std::string &path) {
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                      "stream=codec_name,codec_type,width,height,r_frame_rate,nb_read_frames,sample_rate,channels,duration",
                      "-of", "default=noprint_wrappers=0", QString::fromStdString(path)});
  p.waitForFinished(120000);
  std::vector<std::map<std::string, std::string>> streams;
  for (const QByteArray &raw : p.readAllStandardOutput().split('\n')) {
    const std::string line = raw.trimmed().toStdString();
    if (line == "[STREAM]") streams.emplace_back();
    const auto eq = line.find('=');
    if (eq != std::string::npos && !streams.empty()) streams.back()[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return streams;
}

// ffmpeg's complaints while decoding the whole file; empty when it reads cleanly.
std::string DecodeErrors(const std::string &path) {
  QProcess p;
  p.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(path), "-f", "null", "-"});
  p.waitForFinished(120000);
  return p.readAllStandardError().toStdString();
}

// Units of sound ffmpeg decodes from the file.
std::int64_t DecodedSoundUnits(const std::string &path) {
  QProcess p;
  p.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(path), "-map", "0:a", "-f", "s16le", "-"});
  p.waitForFinished(120000);
  return p.readAllStandardOutput().size() / 4;
}

void WriteShow(const std::string &path, int frames, double rate, int soundUnits, std::int64_t riffLimit = 0) {
  TAviWriter w;
  w.SetInterleave(-1);
  w.SetWithSound(soundUnits > 0 ? -1 : 0);
  w.SetVideoOutputFormat(640, 480, rate);
  w.SetSoundOutputFormat(kPcm16, 44100, 2);
  if (riffLimit) w.SetRiffSizeLimit(riffLimit);
  w.CreateFile(path, 1);
  for (int k = 0, at = 0; k < frames || at < soundUnits; ++k) {
    if (k < frames) {
      const auto frame = NumberedFrame(k);
      w.WriteJpegFrame(frame.data(), frame.size());
    }
    if (at < soundUnits) {
      const int n = std::min(44100, soundUnits - at);
      w.WriteSoundBlock(Tone(n, at));
      at += n;
    }
  }
  w.CloseFile();
}

class FfprobeReads : public ::testing::Test {
protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable("ffprobe").isEmpty()) GTEST_SKIP() << "ffprobe is not installed";
  }
  TestFolder Dir;
};

}  // namespace

TEST_F(FfprobeReads, FramesAndSoundWithAFractionalRate) {
  const std::string path = Dir.Path("FinalVideo.AVI");
  WriteShow(path, 45, 18.75, 44100 * 2 + 22050);  // 2.4 s of frames, 2.5 s of sound
  const auto streams = ProbeStreams(path);
  ASSERT_EQ(streams.size(), 2u);
  auto video = streams[0], audio = streams[1];
  if (video["codec_type"] != "video") std::swap(video, audio);
  EXPECT_EQ(video["codec_name"], "mjpeg");
  EXPECT_EQ(video["width"], "640");
  EXPECT_EQ(video["height"], "480");
  EXPECT_EQ(video["r_frame_rate"], "75/4");
  EXPECT_EQ(video["nb_read_frames"], "45");
  EXPECT_NEAR(std::stod(video["duration"]), 2.4, 0.01);
  EXPECT_EQ(audio["codec_name"], "pcm_s16le");
  EXPECT_EQ(audio["sample_rate"], "44100");
  EXPECT_EQ(audio["channels"], "2");
  EXPECT_EQ(DecodedSoundUnits(path), 44100 * 2 + 22050);
  EXPECT_EQ(DecodeErrors(path), "");
}

TEST_F(FfprobeReads, FramesOnlyFile) {
  const std::string path = Dir.Path("OutVideo.AVI");
  WriteShow(path, 20, 9, 0);
  const auto streams = ProbeStreams(path);
  ASSERT_EQ(streams.size(), 1u);
  EXPECT_EQ(streams[0].at("codec_name"), "mjpeg");
  EXPECT_EQ(streams[0].at("r_frame_rate"), "9/1");
  EXPECT_EQ(streams[0].at("nb_read_frames"), "20");
}

TEST_F(FfprobeReads, EveryFrameOfAFileThatOutgrewItsFirstRiff) {
  const std::string path = Dir.Path("FinalVideo.AVI");
  WriteShow(path, 60, 12.5, 44100 * 5, 96 * 1024);
  TAviReader check;
  check.OpenFile(path);
  ASSERT_GT(check.RiffCount(), 3);
  const auto streams = ProbeStreams(path);
  ASSERT_EQ(streams.size(), 2u);
  auto video = streams[0], audio = streams[1];
  if (video["codec_type"] != "video") std::swap(video, audio);
  EXPECT_EQ(video["nb_read_frames"], "60");
  EXPECT_NEAR(std::stod(video["duration"]), 4.8, 0.01);
  EXPECT_EQ(audio["codec_name"], "pcm_s16le");
  EXPECT_EQ(DecodedSoundUnits(path), 44100 * 5);
  EXPECT_EQ(DecodeErrors(path), "");
}
