// register.dat run as the program runs it: a Windows-style command line, stdout and stderr in one
// pipe read 256 bytes at a time, an open stdin that nobody writes, the working directory given.
#include "console_parsers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path ProgramFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }

std::string QuoteIfBlank(const std::string &s) {
  return s.find(' ') != std::string::npos ? "\"" + s + "\"" : s;
}

// The encoder job's pieces, joined as the program joins them.
struct Job {
  std::string InputFile, OutputFile, EncoderPath;
  std::string VideoRateArg, AudioBitrateArg, ProfileOptions, SizeArg, SampleRateArg, ChannelsArg,
      AspectArg, StartArg, LengthArg;

  std::string CommandLine() const {
    return QuoteIfBlank(EncoderPath) + " -y " + " -i " + QuoteIfBlank(InputFile) + VideoRateArg +
           AudioBitrateArg + ChannelsArg + AspectArg + StartArg + LengthArg + SizeArg + " " +
           SampleRateArg + ProfileOptions + " " + QuoteIfBlank(OutputFile);
  }
};

std::string ProbeCommandLine(const std::string &encoder, const std::string &file) {
  return QuoteIfBlank(encoder) + " -i " + QuoteIfBlank(file);
}

// Windows command-line splitting as far as these lines need it: blanks separate, double quotes
// group.
std::vector<std::string> Split(const std::string &line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

struct RunResult {
  int Status = -1;  // exit code, or 128 + signal
  std::string Output;
};

// Runs a command line in `workDir`; `onPiece` sees each piece read and the child's pid.
RunResult RunCommandLine(const std::string &commandLine, const fs::path &workDir,
              const std::function<void(const std::string &, pid_t)> &onPiece = {},
              const std::string &pathVariable = "", rlim_t addressSpace = 0) {
  const std::vector<std::string> words = Split(commandLine);
  std::vector<char *> argv;
  for (const std::string &w : words) argv.push_back(const_cast<char *>(w.c_str()));
  argv.push_back(nullptr);
  int out[2], in[2];
  if (::pipe(out) != 0 || ::pipe(in) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(out[1], 2);
    // Like the program: the child gets its three standard descriptors and nothing else.
    for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
    if (::chdir(workDir.c_str()) != 0) ::_exit(126);
    if (!pathVariable.empty()) ::setenv("PATH", pathVariable.c_str(), 1);
    if (addressSpace) {
      const rlimit limit{addressSpace, addressSpace};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(in[0]);
  RunResult result;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) {
    const std::string piece(buffer, static_cast<std::size_t>(n));
    result.Output += piece;
    if (onPiece) onPiece(piece, pid);
  }
  ::close(out[0]);
  ::close(in[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

bool MakeClip(const fs::path &file, int seconds, const std::string &size) {
  const std::string d = std::to_string(seconds);
  const std::string cmd = "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i testsrc=size=" +
                          size + ":rate=25:duration=" + d +
                          " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + d +
                          " -ac 2 -c:v mjpeg -c:a pcm_s16le -shortest '" + file.string() + "'";
  return std::system(cmd.c_str()) == 0 && fs::exists(file);
}

console::ProbeReader Probe(const std::string &encoder, const std::string &file,
                           const fs::path &workDir) {
  console::ProbeReader reader;
  RunCommandLine(ProbeCommandLine(encoder, file), workDir,
      [&reader](const std::string &piece, pid_t) { reader.Feed(piece); });
  return reader;
}

// Processes whose command line mentions `needle`.
int ProcessesMentioning(const std::string &needle) {
  int count = 0;
  for (const auto &entry : fs::directory_iterator("/proc")) {
    std::ifstream f(entry.path() / "cmdline", std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (cmdline.find(needle) != std::string::npos) ++count;
  }
  return count;
}

class RegisterDat : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/register_dat_XXXXXX";
    SuiteDir = ::mkdtemp(pattern);
    ClipMade = MakeClip(SuiteDir / "sample.avi", 3, "320x240");
  }
  static void TearDownTestSuite() { fs::remove_all(SuiteDir); }

  void SetUp() override {
    ASSERT_TRUE(ClipMade) << "ffmpeg could not make the test clip";
    Encoder = (ProgramFolder() / "register.dat").string();
    ASSERT_TRUE(fs::exists(Encoder));
    char pattern[] = "/tmp/register_dat_case_XXXXXX";
    Dir = ::mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(Dir); }

  static inline fs::path SuiteDir;
  static inline bool ClipMade = false;
  std::string Encoder;
  fs::path Dir;
  std::string Sample() const { return (SuiteDir / "sample.avi").string(); }
};

}  // namespace

TEST_F(RegisterDat, ProbeReportsDurationBitratesAndSize) {
  const console::ProbeReader r = Probe(Encoder, Sample(), Dir);
  EXPECT_EQ(r.Duration, "00:00:03");
  EXPECT_EQ(console::TimeTextToSeconds(r.Duration), 3);
  EXPECT_EQ(r.FrameSize, "320x240");
  EXPECT_GT(std::stoi(r.VideoKbps), 0);
  EXPECT_EQ(r.AudioKbps, "1411");  // 44100 Hz x 16 bit x 2
  EXPECT_GE(std::stoi(r.Bitrate), std::stoi(r.VideoKbps) + std::stoi(r.AudioKbps) - 1);
}

TEST_F(RegisterDat, ProbeLinesEndWithCrLf) {
  const RunResult run = RunCommandLine(ProbeCommandLine(Encoder, Sample()), Dir);
  EXPECT_EQ(run.Status, 0);
  ASSERT_FALSE(run.Output.empty());
  EXPECT_EQ(run.Output.substr(run.Output.size() - 2), "\r\n");
  for (std::size_t i = 0; i < run.Output.size(); ++i) {
    if (run.Output[i] == '\n') {
      EXPECT_EQ(run.Output[i - 1], '\r');
    }
  }
}

TEST_F(RegisterDat, ConversionPrintsRisingSecondsAndWritesTheOutput) {
  const fs::path clip = Dir / "long.avi";
  ASSERT_TRUE(MakeClip(clip, 20, "640x480"));
  Job job;
  job.EncoderPath = Encoder;
  job.InputFile = clip.string();
  job.OutputFile = (Dir / "long.mp4").string();
  job.VideoRateArg = " -r 25 -b 1598000";
  job.AudioBitrateArg = " -ab 128000";
  job.ChannelsArg = " -ac 2";
  job.AspectArg = " -aspect 1.3333";
  job.SizeArg = " -s 640x480";
  job.SampleRateArg = " -ar 44100 ";
  job.ProfileOptions = "-vcodec libx264 -acodec libfaac -f mp4";
  console::ProgressReader reader;
  const RunResult run = RunCommandLine(job.CommandLine(), Dir,
                            [&reader](const std::string &piece, pid_t) { reader.Feed(piece); });
  EXPECT_EQ(run.Status, 0) << run.Output;
  ASSERT_FALSE(reader.Seconds.empty()) << run.Output;
  EXPECT_TRUE(std::is_sorted(reader.Seconds.begin(), reader.Seconds.end()));
  EXPECT_LT(reader.Seconds.front(), reader.Seconds.back());
  EXPECT_NEAR(reader.Seconds.back(), 20, 1);
  const console::ProbeReader out = Probe(Encoder, job.OutputFile, Dir);
  EXPECT_EQ(out.FrameSize, "640x480");
  EXPECT_EQ(console::TimeTextToSeconds(out.Duration), 20);
}

TEST_F(RegisterDat, NtscDvdTargetWorks) {
  Job job;
  job.EncoderPath = Encoder;
  job.InputFile = Sample();
  job.OutputFile = (Dir / "dvd.vob").string();
  job.ChannelsArg = " -ac 2";
  job.ProfileOptions = " -target ntsc-dvd ";
  const RunResult run = RunCommandLine(job.CommandLine(), Dir);
  EXPECT_EQ(run.Status, 0) << run.Output;
  const console::ProbeReader out = Probe(Encoder, job.OutputFile, Dir);
  EXPECT_EQ(out.FrameSize, "720x480");
  EXPECT_EQ(console::TimeTextToSeconds(out.Duration), 3);
}

TEST_F(RegisterDat, PathsWithBlanksAndRelativePathsInTheWorkingDirectory) {
  fs::create_directories(Dir / "my clips");
  fs::copy_file(Sample(), Dir / "my clips" / "final video.avi");
  Job job;
  job.EncoderPath = Encoder;
  job.InputFile = "my clips/final video.avi";
  job.OutputFile = "my clips/out put.mpg";
  job.VideoRateArg = " -r 25 -b 600000";
  job.AudioBitrateArg = " -ab 128000";
  job.ChannelsArg = " -ac 1 ";
  job.SizeArg = " -s 320x240";
  job.SampleRateArg = " -ar 22050 ";
  job.ProfileOptions = "-f mpeg -vcodec mpeg1video -acodec mp2";
  ASSERT_NE(job.CommandLine().find("\"my clips/final video.avi\""), std::string::npos);
  const RunResult run = RunCommandLine(job.CommandLine(), Dir);
  EXPECT_EQ(run.Status, 0) << run.Output;
  EXPECT_TRUE(fs::exists(Dir / "my clips" / "out put.mpg"));
  const console::ProbeReader probed = Probe(Encoder, "my clips/out put.mpg", Dir);
  EXPECT_EQ(probed.FrameSize, "320x240");
  EXPECT_EQ(probed.Duration, "00:00:03");
}

TEST_F(RegisterDat, UnreadableInputFailsWithAMessage) {
  std::ofstream(Dir / "garbage.avi") << "this is not a video";
  for (const std::string &input : {std::string("missing.avi"), std::string("garbage.avi")}) {
    for (const std::string &line :
         {ProbeCommandLine(Encoder, input),
          QuoteIfBlank(Encoder) + " -y  -i " + input + " -ab 128000 out.mp4"}) {
      const RunResult run = RunCommandLine(line, Dir);
      EXPECT_NE(run.Status, 0) << line;
      EXPECT_NE(run.Output.find("register.dat: "), std::string::npos) << run.Output;
      EXPECT_NE(run.Output.find(input), std::string::npos) << run.Output;
      EXPECT_EQ(run.Output.find("Duration:"), std::string::npos);
    }
  }
}

TEST_F(RegisterDat, MissingFfmpegFailsWithAMessage) {
  fs::create_directories(Dir / "empty bin");
  for (const std::string &line :
       {ProbeCommandLine(Encoder, Sample()),
        QuoteIfBlank(Encoder) + " -y  -i " + Sample() + " out.mp4"}) {
    const RunResult run = RunCommandLine(line, Dir, {}, (Dir / "empty bin").string());
    EXPECT_NE(run.Status, 0);
    EXPECT_NE(run.Output.find("not found"), std::string::npos) << run.Output;
  }
  EXPECT_FALSE(fs::exists(Dir / "out.mp4"));
}

// A media probe that writes without end, or one endless line, costs bounded memory and ends with a
// message instead of taking the encoder down.
TEST_F(RegisterDat, EndlessProbeOutputFailsWithAMessage) {
#if defined(__SANITIZE_ADDRESS__)
  const rlim_t limit = 0;  // the sanitizer's shadow memory needs more room than any cap
#else
  const rlim_t limit = rlim_t(256) << 20;
#endif
  const fs::path bin = Dir / "bin";
  fs::create_directories(bin);
  const std::vector<std::pair<std::string, std::string>> probes = {
      {"endless report", "exec yes '  \"tag\": \"x\",'"},
      {"one endless line", "head -c 400000000 /dev/zero | tr '\\0' x"}};
  for (const auto &[what, script] : probes) {
    std::ofstream(bin / "ffprobe") << "#!/bin/sh\n" << script << "\n";
    fs::permissions(bin / "ffprobe", fs::perms::owner_all);
    const RunResult run =
        RunCommandLine(ProbeCommandLine(Encoder, Sample()), Dir, {}, bin.string() + ":/usr/bin:/bin", limit);
    EXPECT_EQ(run.Status, 1) << what << ": " << run.Output.substr(0, 400);
    EXPECT_NE(run.Output.find("register.dat: cannot read input"), std::string::npos) << what;
    EXPECT_EQ(run.Output.find("Duration:"), std::string::npos) << what;
  }
}

TEST_F(RegisterDat, DvdTitleWithoutItsFolderFailsWithAMessage) {
  const RunResult run = RunCommandLine(
      QuoteIfBlank(Encoder) + " -y  -i " + QuoteIfBlank("vts://1*0*2000*0x80*0x20*/" + (Dir / "no dvd").string()) +
          " out.vob",
      Dir);
  EXPECT_NE(run.Status, 0);
  EXPECT_NE(run.Output.find("VTS_01_1.VOB"), std::string::npos) << run.Output;
  EXPECT_FALSE(fs::exists(Dir / "out.vob"));
}

TEST_F(RegisterDat, KilledMidwayLeavesThePartialOutputAndNoEncoderBehind) {
  const fs::path clip = Dir / "long.avi";
  // Long and slow enough that an encoder left running would outlive the wait below by far.
  ASSERT_TRUE(MakeClip(clip, 60, "640x480"));
  Job job;
  job.EncoderPath = Encoder;
  job.InputFile = clip.string();
  job.OutputFile = (Dir / "partial.mp4").string();
  job.VideoRateArg = " -r 25 -b 2000000";
  job.ProfileOptions = "-vcodec libx264 -preset veryslow";
  bool killed = false;
  const RunResult run = RunCommandLine(job.CommandLine(), Dir, [&killed](const std::string &piece, pid_t pid) {
    if (!killed && console::ParseProgressSeconds(piece) > 0) {
      ::kill(pid, SIGKILL);
      killed = true;
    }
  });
  ASSERT_TRUE(killed) << run.Output;
  EXPECT_EQ(run.Status, 128 + SIGKILL);
  // ffmpeg is told to stop when the encoder dies; give it time to close the file.
  for (int i = 0; i < 50 && ProcessesMentioning(job.OutputFile) > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(ProcessesMentioning(job.OutputFile), 0);
  ASSERT_TRUE(fs::exists(job.OutputFile));
  EXPECT_GT(fs::file_size(job.OutputFile), 0u);
  // The encoder got to finish the file, so what was converted can be played.
  EXPECT_FALSE(Probe(Encoder, job.OutputFile, Dir).Duration.empty());
}
