// Every described profile run for real: the main form fills the job from "profiles.qev", the
// encoder runner's command line starts register.dat on a two-second clip shaped like the capture's
// intermediate file, and ffprobe then opens the output with the demuxer of its extension.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "dialogs.h"
#include "profiles_qev_jobs.h"
#include "testsupport.h"

using namespace profiles_qev;

namespace {

// The demuxer that reads each extension's container, and the major brand the ISO family writes.
struct TContainer {
  const char *Demuxer;
  const char *Brand;  // prefix of major_brand; empty: not looked at
};

const std::map<std::string, TContainer> ContainerByExtension = {
    {".asf", {"asf", ""}},  {".wmv", {"asf", ""}},     {".wma", {"asf", ""}},      {".avi", {"avi", ""}},
    {".mp4", {"mov", ""}},  {".MP4", {"mov", ""}},     {".m4a", {"mov", "M4A"}},  {".mov", {"mov", "qt"}},
    {".3gp", {"mov", "3gp"}}, {".3g2", {"mov", "3g2"}}, {".flv", {"flv", ""}},     {".swf", {"swf", ""}},
    {".rm", {"rm", ""}},    {".ra", {"rm", ""}},       {".mkv", {"matroska", ""}}, {".ts", {"mpegts", ""}},
    {".mpg", {"mpeg", ""}}, {".mpeg", {"mpeg", ""}},   {".vob", {"mpeg", ""}},    {".aac", {"aac", ""}},
    {".ac3", {"ac3", ""}},  {".mp3", {"mp3", ""}},     {".mp2", {"mp3", ""}},     {".ogg", {"ogg", ""}},
    {".wav", {"wav", ""}},  {".aiff", {"aiff", ""}},   {".au", {"au", ""}},       {".amr", {"amr", ""}}};

struct TRun {
  int Profile = 0;
  intputrec Job;
  std::string Extension;
  std::string ExpectedSize;  // "WxH"; empty for an audio profile
  std::string Console;       // what register.dat printed
  bool Finished = false;     // ended within the time allowed
  std::string Probe;         // ffprobe's JSON, or its error
  bool Probed = false;
};

// Runs a program to its end and returns its stdout and stderr; false when it did not end in time.
bool RunToEnd(const std::shared_ptr<win::TProcess> &process, std::string &output, int timeoutSeconds) {
  if (!process) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  char buffer[4096];
  for (;;) {
    if (std::chrono::steady_clock::now() > deadline) {
      process->Terminate();
      return false;
    }
    const long n = process->Output()->ReadTimeout(buffer, sizeof buffer, 1000);
    if (n == -2) continue;
    if (n <= 0) break;
    output.append(buffer, static_cast<std::size_t>(n));
  }
  return process->Wait(10000);
}

std::shared_ptr<win::TProcess> Start(const std::string &program, const std::vector<std::string> &arguments) {
  win::TProcessStart start;
  start.Program = program;
  start.Arguments = arguments;
  try {
    return std::make_shared<win::TProcess>(start);
  } catch (const std::exception &) {
    return nullptr;
  }
}

std::string Capture(const std::string &program, const std::vector<std::string> &arguments) {
  std::string output;
  RunToEnd(Start(program, arguments), output, 120);
  return output;
}

// The names this ffmpeg takes after "-vcodec" and "-acodec": its encoders, and the codecs it can
// encode (such as "flv1", whose encoder is called "flv").
std::set<std::string> AvailableEncoders() {
  std::set<std::string> names;
  for (const char *list : {"-encoders", "-codecs"}) {
    std::istringstream lines(Capture("ffmpeg", {"-hide_banner", list}));
    for (std::string line; std::getline(lines, line);) {
      std::istringstream words(line);
      std::string flags, name;
      if (!(words >> flags >> name) || flags.size() != 6 || name == "=") continue;
      // Encoders list their kind first; codecs say in the second flag whether they encode.
      if (std::string(list) == "-encoders" || flags[1] == 'E') names.insert(name);
    }
  }
  return names;
}

// Encoders named in an option line that this ffmpeg lacks.
std::vector<std::string> MissingEncoders(const std::string &options, const std::set<std::string> &available) {
  std::vector<std::string> missing;
  std::istringstream words(options);
  for (std::string word, value; words >> word;)
    if ((word == "-vcodec" || word == "-acodec") && words >> value && !available.count(value))
      missing.push_back(value);
  return missing;
}

void Convert(TRun &run) {
  run.Finished = RunToEnd(StartPipedProcess(EncoderCommandLine(run.Job), run.Job.WorkDir), run.Console, 600);
  if (!run.Finished) return;
  std::string probe;
  const char *demuxer = ContainerByExtension.count(run.Extension) ? ContainerByExtension.at(run.Extension).Demuxer : "";
  auto process = Start("ffprobe", {"-v", "error", "-print_format", "json", "-show_format", "-show_streams", "-f",
                                   demuxer, "file:" + run.Job.OutputFile});
  run.Probed = RunToEnd(process, probe, 120) && process->ExitCode() == 0;
  run.Probe = probe;
}

// Checks one finished run: its file opens with its extension's demuxer, holds a video stream of the
// expected size (none for an audio profile) and an audio stream.
void CheckRun(const TRun &run) {
  SCOPED_TRACE("profile " + std::to_string(run.Profile) + ": " + EncoderCommandLine(run.Job) + "\n" + run.Console);
  ASSERT_TRUE(run.Finished) << "register.dat did not end in time";
  ASSERT_TRUE(run.Probed) << "ffprobe cannot read it as " << run.Extension << ": " << run.Probe;
  // Whatever ffprobe reports besides the JSON stands before or after it.
  const std::size_t open = run.Probe.find('{'), close = run.Probe.rfind('}');
  ASSERT_TRUE(open != std::string::npos && close != std::string::npos) << run.Probe;
  const QJsonObject probe =
      QJsonDocument::fromJson(QByteArray::fromStdString(run.Probe.substr(open, close - open + 1))).object();
  const std::string brand = probe["format"].toObject()["tags"].toObject()["major_brand"].toString().toStdString();
  const std::string wanted = ContainerByExtension.at(run.Extension).Brand;
  if (!wanted.empty()) {
    EXPECT_EQ(brand.rfind(wanted, 0), 0u) << "major brand " << brand;
  }
  // An ".mp4" that is really a QuickTime or 3GPP file would not play on the device.
  if (run.Extension == ".mp4" || run.Extension == ".MP4") {
    EXPECT_NE(brand.rfind("qt", 0), 0u) << brand;
    EXPECT_NE(brand.rfind("3g", 0), 0u) << brand;
  }
  std::vector<std::string> videoSizes;
  int audioStreams = 0;
  for (const QJsonValue &value : probe["streams"].toArray()) {
    const QJsonObject stream = value.toObject();
    const QString type = stream["codec_type"].toString();
    if (type == "video")
      videoSizes.push_back(std::to_string(stream["width"].toInt()) + "x" + std::to_string(stream["height"].toInt()));
    else if (type == "audio")
      ++audioStreams;
  }
  if (run.ExpectedSize.empty()) {
    EXPECT_TRUE(videoSizes.empty()) << videoSizes.size() << " video streams";
  } else {
    EXPECT_EQ(videoSizes, std::vector<std::string>{run.ExpectedSize});
  }
  EXPECT_EQ(audioStreams, 1);
}

// The main form as the program makes it, in fresh folders, with message dialogs answered with OK.
class ProfileConversionTest : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    Main = MainGlobals{};
    PreviousDialog = win::SetMessageDialogHandler([](const win::TMessageRequest &) { return win::idOK; });
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Form = CreateForm<Tfm_main>(nullptr);
    fm_main = Form;
    EnsureDesignItems(*Form);
  }
  void TearDown() override {
    delete Form;
    fm_main = nullptr;
    QLocale::setDefault(QLocale::system());
    win::SetMessageDialogHandler(PreviousDialog);
  }

  // Two seconds of motion-JPEG video and 16-bit stereo sound, as the capture assembles them; a size
  // no profile lists, so that every video output shows the size piece at work.
  std::string MakeClip() {
    const std::string clip = Places.WorkDir / "FinalVideo.AVI";
    Capture("ffmpeg", {"-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                       "testsrc=size=400x300:rate=25:duration=2", "-f", "lavfi", "-i",
                       "sine=frequency=440:sample_rate=44100:duration=2", "-ac", "2", "-c:v", "mjpeg", "-c:a",
                       "pcm_s16le", "-shortest", clip});
    Main.MediaInfo = {Toriginalinfo{clip, "400x300", "00:00:02", "", "5000", "1411"}};
    Main.CurItem = 0;
    return clip;
  }

  testsupport::FreshPlaces Places;
  Tfm_main *Form = nullptr;
  win::MessageDialogFn PreviousDialog;
};

}  // namespace

TEST_F(ProfileConversionTest, EveryDescribedProfileMakesAFileOfItsFormat) {
  ASSERT_TRUE(std::filesystem::exists(Main.EncoderJob.EncoderPath)) << "build register_dat first";
  const std::string clip = MakeClip();
  ASSERT_TRUE(std::filesystem::exists(clip));
  // A blank in the folder's name: the command line must quote the output.
  const std::string outputs = Places.WorkDir / "made files";
  std::filesystem::create_directory(outputs);
  const std::set<std::string> encoders = AvailableEncoders();
  ASSERT_TRUE(encoders.count("mpeg4")) << "ffmpeg -encoders lists nothing";

  // The form is used on this thread only; the conversions then run side by side.
  std::vector<TRun> runs;
  std::vector<std::string> notMade;
  for (int n : DescribedProfiles()) {
    TRun run;
    run.Profile = n;
    run.Job = JobFor(*Form, n, clip, outputs);
    run.Extension = Form->OutputExtension();
    if (Tfm_main::IsDiscTarget(n))
      run.ExpectedSize = PalTargetSize(n);
    else if (!AudioOnly(n))
      run.ExpectedSize = SizeOfItem(Tfm_main::SplitProfileLine(BlockLine(n, 1)).front());
    const std::vector<std::string> missing = MissingEncoders(run.Job.ProfileOptions, encoders);
    if (!missing.empty()) {
      notMade.push_back(std::to_string(n) + " (" + run.Extension + ": no encoder " + missing.front() + ")");
      continue;
    }
    runs.push_back(run);
  }
  ASSERT_GE(runs.size(), 100u);

  std::atomic<std::size_t> next{0};
  std::vector<std::thread> workers;
  const unsigned count = std::max(2u, std::min(8u, std::thread::hardware_concurrency()));
  for (unsigned i = 0; i < count; ++i)
    workers.emplace_back([&] {
      for (std::size_t k; (k = next++) < runs.size();) Convert(runs[k]);
    });
  for (std::thread &worker : workers) worker.join();

  for (const TRun &run : runs) CheckRun(run);
  for (const std::string &profile : notMade) {
    std::cout << "Not made by this ffmpeg: profile " << profile << "\n";
    RecordProperty("not_made_" + profile.substr(0, profile.find(' ')), profile);
  }
}
