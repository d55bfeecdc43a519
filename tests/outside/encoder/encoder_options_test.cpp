#include "encoder_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using encoder::FfmpegArguments;
using encoder::ParseCommandLine;
using encoder::Request;
using encoder::RequestKind;

namespace {

std::vector<std::string> Words(const std::string &line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

// The value that follows `name` in `args`, or "<none>".
std::string ValueOf(const std::vector<std::string> &args, const std::string &name) {
  const auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end() || it + 1 == args.end()) return "<none>";
  return *(it + 1);
}

bool Has(const std::vector<std::string> &args, const std::string &word) {
  return std::find(args.begin(), args.end(), word) != args.end();
}

}  // namespace

TEST(EncoderCommandLine, TranslatesTheOldOptionSpellings) {
  // The pieces as the program joins them for a general profile.
  const Request r = ParseCommandLine(
      Words("-y -i FinalVideo.AVI -r 25 -b 799000 -ab 128000 -ac 2 -aspect 1.3333 -s 320x240 "
            "-ar 44100 -vcodec mpeg4 -acodec libmp3lame /out/a.avi"));
  ASSERT_EQ(r.Kind, RequestKind::Convert) << r.Error;
  EXPECT_EQ(r.Input, "FinalVideo.AVI");
  EXPECT_EQ(r.Output, "/out/a.avi");
  EXPECT_TRUE(r.Overwrite);
  const auto &o = r.OutputOptions;
  EXPECT_EQ(ValueOf(o, "-b:v"), "799000");
  EXPECT_EQ(ValueOf(o, "-b:a"), "128000");
  EXPECT_EQ(ValueOf(o, "-c:v"), "mpeg4");
  EXPECT_EQ(ValueOf(o, "-c:a"), "libmp3lame");
  EXPECT_EQ(ValueOf(o, "-r"), "25");
  EXPECT_EQ(ValueOf(o, "-ac"), "2");
  EXPECT_EQ(ValueOf(o, "-aspect"), "1.3333");
  EXPECT_EQ(ValueOf(o, "-s"), "320x240");
  EXPECT_EQ(ValueOf(o, "-ar"), "44100");
  // A bare "-b" today sets every stream's bitrate, the audio's too.
  EXPECT_FALSE(Has(o, "-b"));
  EXPECT_FALSE(Has(o, "-ab"));
}

TEST(EncoderCommandLine, DiscTargetsAndProfileOptionsPassThrough) {
  const Request r = ParseCommandLine(
      Words("-y -i in.avi -ac 2 -target ntsc-dvd -f vob -qmin 3 -g 300 -vtag XVID out.vob"));
  ASSERT_EQ(r.Kind, RequestKind::Convert) << r.Error;
  EXPECT_EQ(r.OutputOptions, Words("-ac 2 -target ntsc-dvd -f vob -qmin 3 -g 300 -vtag XVID"));
  EXPECT_EQ(r.Output, "out.vob");
}

TEST(EncoderCommandLine, DroppedEncodersAndFlagsGetTodaysEquivalent) {
  const Request r =
      ParseCommandLine(Words("-y -i in.avi -acodec libfaac -sameq -an -f mp4 out.mp4"));
  ASSERT_EQ(r.Kind, RequestKind::Convert) << r.Error;
  EXPECT_EQ(r.OutputOptions, Words("-c:a aac -an -f mp4"));
}

TEST(EncoderCommandLine, AspectWithDecimalCommaIsReadWithDot) {
  const Request r = ParseCommandLine(Words("-y -i in.avi -aspect 1,7778 out.mp4"));
  ASSERT_EQ(r.Kind, RequestKind::Convert) << r.Error;
  EXPECT_EQ(ValueOf(r.OutputOptions, "-aspect"), "1.7778");
}

TEST(EncoderCommandLine, OptionsBeforeTheInputStayInputOptions) {
  const Request r = ParseCommandLine(Words("-y -ss 10 -i in.avi -t 00:01:00 out.mpg"));
  ASSERT_EQ(r.Kind, RequestKind::Convert) << r.Error;
  EXPECT_EQ(r.InputOptions, Words("-ss 10"));
  EXPECT_EQ(r.OutputOptions, Words("-t 00:01:00"));
}

TEST(EncoderCommandLine, OptionValuesThatLookLikeOptionsAreValues) {
  const Request r = ParseCommandLine({"-i", "in.avi", "-threads", "-1", "out.mp4"});
  ASSERT_EQ(r.Kind, RequestKind::Convert) << r.Error;
  EXPECT_EQ(ValueOf(r.OutputOptions, "-threads"), "-1");
  EXPECT_EQ(r.Output, "out.mp4");
}

TEST(EncoderCommandLine, InputWithoutOutputIsAProbe) {
  const Request r = ParseCommandLine({"-i", "/tmp/a b/FinalVideo.AVI"});
  EXPECT_EQ(r.Kind, RequestKind::Probe);
  EXPECT_EQ(r.Input, "/tmp/a b/FinalVideo.AVI");
}

TEST(EncoderCommandLine, RefusesWhatItCannotServe) {
  struct Case {
    std::vector<std::string> args;
    std::string inError;
  };
  const std::vector<Case> cases = {
      {{}, "no input"},
      {{"-y", "out.mp4"}, "before -i"},
      {{"-y", "-i"}, "-i needs"},
      {{"-i", "a.avi", "-b"}, "-b needs a value"},
      {{"-i", "a.avi", "-i", "b.avi", "out.mp4"}, "one input"},
      {{"-i", "a.avi", "out1.mp4", "out2.mp4"}, "one output"},
      {{"-y", "-i", "vts://1*0*100*0x80*0x20", "out.vob"}, "vts://"},
      {{"-i", "vts://1*0*100*0x80*0x20*//media/dvd"}, "vts://"},
  };
  for (const Case &c : cases) {
    const Request r = ParseCommandLine(c.args);
    EXPECT_EQ(r.Kind, RequestKind::Invalid) << c.inError;
    EXPECT_NE(r.Error.find(c.inError), std::string::npos) << r.Error;
  }
}

TEST(FfmpegCommand, ReportsProgressOnStdoutAndNeverReadsStdin) {
  const Request r = ParseCommandLine(Words("-y -i in.avi -b 600000 out.mp4"));
  const auto a = FfmpegArguments(r);
  EXPECT_TRUE(Has(a, "-nostdin"));
  EXPECT_EQ(ValueOf(a, "-progress"), "pipe:1");
  EXPECT_TRUE(Has(a, "-nostats"));
  EXPECT_TRUE(Has(a, "-y"));
  EXPECT_FALSE(Has(a, "-n"));
  // The output is last, the input follows "-i"; both are opened as plain files whatever their
  // names hold (a colon would otherwise name a protocol).
  EXPECT_EQ(a.back(), "file:out.mp4");
  EXPECT_EQ(ValueOf(a, "-i"), "file:in.avi");
  EXPECT_EQ(ValueOf(a, "-b:v"), "600000");
}

TEST(FfmpegCommand, WithoutYesAnExistingOutputIsNotOverwritten) {
  const auto a = FfmpegArguments(ParseCommandLine(Words("-i in.avi out.mp4")));
  EXPECT_TRUE(Has(a, "-n"));
  EXPECT_FALSE(Has(a, "-y"));
}

TEST(FfmpegCommand, InputOptionsComeBeforeTheInput) {
  const auto a = FfmpegArguments(ParseCommandLine(Words("-y -ss 5 -i in.avi -t 10 out.mpg")));
  const auto ss = std::find(a.begin(), a.end(), "-ss");
  const auto i = std::find(a.begin(), a.end(), "-i");
  const auto t = std::find(a.begin(), a.end(), "-t");
  ASSERT_TRUE(ss != a.end() && i != a.end() && t != a.end());
  EXPECT_LT(ss, i);
  EXPECT_GT(t, i);
}
