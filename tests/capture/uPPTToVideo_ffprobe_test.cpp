// "FinalVideo.AVI" of a whole run, read by ffprobe, the engine of the outside encoder.
#include <QProcess>
#include <QStandardPaths>
#include <map>

#include "aviwriter.h"
#include "fullrun.h"

using fullrun::FullRun;

namespace {

std::vector<std::map<std::string, std::string>> ProbeStreams(const std::string &path) {
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                      "stream=codec_name,codec_type,width,height,r_frame_rate,nb_read_frames,sample_rate,channels",
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

}  // namespace

TEST_F(FullRun, FfprobeReadsTheFinalVideo) {
  if (QStandardPaths::findExecutable("ffprobe").isEmpty()) GTEST_SKIP() << "ffprobe is not installed";
  ASSERT_EQ(GetPPTFileSlidesCount("clip.mp4"), 100);
  ASSERT_TRUE(Run());
  ASSERT_TRUE(Host.Errors().empty()) << Host.Errors()[0].Text;
  const int frames = int(UsableFrames().size());
  std::uint32_t rate = 0, scale = 0;
  media::TAviWriter::RateToRatio(FrameRateFor(frames, Convertor->FTotalTime), rate, scale);

  auto streams = ProbeStreams(WorkingFolder() + "/FinalVideo.AVI");
  ASSERT_EQ(streams.size(), 2u);
  auto &video = streams[0]["codec_type"] == "video" ? streams[0] : streams[1];
  auto &audio = streams[0]["codec_type"] == "video" ? streams[1] : streams[0];
  EXPECT_EQ(video["codec_name"], "mjpeg");
  EXPECT_EQ(video["width"], "640");
  EXPECT_EQ(video["height"], "480");
  EXPECT_EQ(video["nb_read_frames"], std::to_string(frames));
  EXPECT_EQ(video["r_frame_rate"], std::to_string(rate) + "/" + std::to_string(scale));
  EXPECT_EQ(audio["codec_name"], "pcm_s16le");
  EXPECT_EQ(audio["sample_rate"], "44100");
  EXPECT_EQ(audio["channels"], "2");
}
