// "FinalVideo.AVI" of a whole run, read by ffprobe, the engine of the outside encoder, and what the
// encoder makes of it.
#include <QProcess>
#include <QStandardPaths>
#include <charconv>
#include <map>

#include "aviwriter.h"
#include "fullrun.h"
#include "paths.h"
#include "process.h"

using fullrun::FullRun;

namespace {

std::vector<std::map<std::string, std::string>> ProbeStreams(const std::string &path) {
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                      "stream=codec_name,codec_type,width,height,r_frame_rate,nb_read_frames,sample_rate,channels,"
                      "duration,nb_frames",
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

double Number(const std::string &text) {
  double value = -1;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Seconds of the file's video and sound streams as ffprobe reads them; an AVI's PCM sound gives its
// length in units only.
struct Lengths {
  double Video = -1, Audio = -1;
};

Lengths ProbeLengths(const std::string &path) {
  Lengths lengths;
  for (auto &stream : ProbeStreams(path)) {
    double seconds = Number(stream["duration"]);
    if (stream["codec_type"] == "audio" && seconds < 0) seconds = Number(stream["nb_frames"]) / Number(stream["sample_rate"]);
    (stream["codec_type"] == "video" ? lengths.Video : lengths.Audio) = seconds;
  }
  return lengths;
}

// The encoder's MP4 job as the batch driver starts it for profile 4.
bool EncodeMp4(const std::string &input, const std::string &output) {
  win::TProcessStart start;
  start.Program = win::ProgramFolder() + "register.dat";
  start.Arguments = {"-y", "-i", input, "-r", "25", "-b", "800000", "-ab", "128000", "-ac", "2", "-s", "640x480",
                     "-ar", "44100", "-vcodec", "mpeg4", "-acodec", "aac", "-f", "mp4", output};
  start.RedirectInput = false;
  win::TProcess encoder(start);
  char console[4096];
  while (encoder.Output()->Read(console, sizeof console) > 0) {
  }
  return encoder.Wait(120000) && encoder.ExitCode() == 0;
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

// A capture of known length and frame count: its pictures end with its sound in the intermediate file
// and in the encoder's MP4, however few the frames.
class EqualLengths : public FullRun, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(EqualLengths, PicturesAndSoundEndWithinOneFrame) {
  if (QStandardPaths::findExecutable("ffprobe").isEmpty()) GTEST_SKIP() << "ffprobe is not installed";
  const auto [frames, milliseconds] = GetParam();
  EnsureWorkingFolder();
  for (int k = 1; k <= frames; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "/%06d.JPG", k);
    fakehost::WriteJpeg(WorkingFolder() + name, fakehost::SlidePicture(k));
  }
  fakehost::WriteWav(WorkingFolder() + "/OutAudio.WAV", milliseconds * 441 / 10);
  Convertor->FTotalTime = float(milliseconds);
  Convertor->ComposePicsToAVI();
  ASSERT_TRUE(Host.Errors().empty()) << Host.Errors()[0].Text;
  ASSERT_EQ(Host.Seen.back().LParam, 150);

  const double frame = milliseconds / 1000.0 / frames;
  const Lengths intermediate = ProbeLengths(WorkingFolder() + "/FinalVideo.AVI");
  EXPECT_NEAR(intermediate.Audio, milliseconds / 1000.0, 0.001);
  EXPECT_NEAR(intermediate.Video, intermediate.Audio, frame);

  testsupport::TempDir out;
  ASSERT_TRUE(EncodeMp4(WorkingFolder() + "/FinalVideo.AVI", out / "show.mp4"));
  const Lengths final = ProbeLengths(out / "show.mp4");
  EXPECT_NEAR(final.Audio, milliseconds / 1000.0, 0.05);
  EXPECT_NEAR(final.Video, final.Audio, std::min(frame, 1.0 / 25));
}

INSTANTIATE_TEST_SUITE_P(Captures, EqualLengths,
                         ::testing::Values(std::pair{60, 3000}, std::pair{11, 10000}, std::pair{1, 4000}),
                         [](const auto &info) {
                           return std::to_string(info.param.first) + "FramesIn" + std::to_string(info.param.second) + "ms";
                         });
