// The shipped profile data file: one four-line block per profile number, tokens the program can
// read, option lines that name the container of the profile's extension, and the jobs the main form
// fills from them.
#include <QLocale>

#include <algorithm>
#include <charconv>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "mainform_fixture.h"
#include "profiles_qev_jobs.h"

using namespace profiles_qev;

namespace {

std::vector<std::string> Words(const std::string &line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string Join(const std::vector<std::string> &words) {
  std::string joined;
  for (const std::string &word : words) joined += (joined.empty() ? "" : " ") + word;
  return joined;
}

// The value after the first occurrence of option, or empty.
std::string OptionValue(const std::string &line, const std::string &option) {
  const std::vector<std::string> words = Words(line);
  auto it = std::find(words.begin(), words.end(), option);
  return it != words.end() && it + 1 != words.end() ? *(it + 1) : std::string();
}

bool PositiveNumber(const std::string &text, long &value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value > 0;
}

std::string Extension(int n) {
  return QString::fromStdWString(Tfm_main::ProfileDescription(n)).section('*', 1).chopped(1).toStdString();
}

// The muxers that write each extension's container.
const std::map<std::string, std::set<std::string>> MuxersByExtension = {
    {".asf", {"asf"}},       {".wmv", {"asf"}},         {".wma", {"asf"}},   {".avi", {"avi"}},
    {".mp4", {"mp4", "psp", "ipod"}}, {".MP4", {"mp4"}}, {".m4a", {"ipod"}},  {".mov", {"mov"}},
    {".3gp", {"3gp"}},       {".3g2", {"3g2"}},         {".flv", {"flv"}},   {".swf", {"swf"}},
    {".rm", {"rm"}},         {".ra", {"rm"}},           {".mkv", {"matroska"}}, {".ts", {"mpegts"}},
    {".mpg", {"mpeg", "vob"}}, {".mpeg", {"mpeg", "vob"}}, {".aac", {"adts"}}, {".ac3", {"ac3"}},
    {".mp3", {"mp3"}},       {".mp2", {"mp2"}},         {".ogg", {"ogg"}},   {".wav", {"wav"}},
    {".aiff", {"aiff"}},     {".au", {"au"}},           {".amr", {"amr"}}};

// Options that the program's own pieces set; the same option in a profile's line would silently
// override the user's choice (ffmpeg keeps the last one), and a second "-i" is refused. A fixed "-ar"
// is allowed: some containers and codecs take only a few sample rates.
const std::set<std::string> PieceOptions = {"-y", "-i", "-r", "-b", "-ab", "-ac", "-s", "-aspect", "-t"};

}  // namespace

// ---- the file

TEST(ProfilesFile, TheProgramFolderHoldsTheCommittedFile) {
  const std::string committed = ReadAll(SourceFile());
  ASSERT_FALSE(committed.empty());
  EXPECT_TRUE(ReadAll(ProgramFile()) == committed) << "the build copies data/profiles.qev beside the program";
}

TEST(ProfilesFile, EveryNumberUpTo132HasAFourLineBlockThatItsNameLineOpens) {
  const std::vector<std::string> lines = SplitLines(ReadAll(ProgramFile()));
  ASSERT_EQ(lines.size(), 4u * 132u);
  // A block that lost or gained a line shifts every later block: the name lines would no longer
  // carry their own numbers.
  for (int n = 1; n <= 132; ++n) {
    const std::string name = BlockLine(n, 0);
    const std::string number = std::to_string(n);
    EXPECT_TRUE(name.rfind(number, 0) == 0 && (name.size() == number.size() || name[number.size()] == ' '))
        << "block " << n << " opens with \"" << name << "\"";
  }
}

TEST(ProfilesFile, Describes116ProfilesAndLeavesTheOtherBlocksEmpty) {
  EXPECT_EQ(DescribedProfiles().size(), 116u);
  for (int n = 1; n <= 132; ++n) {
    SCOPED_TRACE("profile " + std::to_string(n));
    if (Described(n)) {
      EXPECT_FALSE(BlockLine(n, 3).empty());
      // The name line repeats the description for the reader of the file.
      EXPECT_NE(BlockLine(n, 0).find(Extension(n) + ")"), std::string::npos) << BlockLine(n, 0);
    } else {
      for (int k = 1; k <= 3; ++k) EXPECT_EQ(BlockLine(n, k), "") << "line " << k;
    }
  }
}

TEST(ProfilesFile, SizeLinesListWholeEvenSizesTheProgramReadsInFull) {
  const std::regex token(R"(([0-9]+)x([0-9]+)(\(.*\))?)");
  for (int n : DescribedProfiles()) {
    SCOPED_TRACE("profile " + std::to_string(n));
    const std::string line = BlockLine(n, 1);
    const std::vector<std::string> sizes = Tfm_main::SplitProfileLine(line);
    if (AudioOnly(n)) {
      EXPECT_EQ(line, "");
      continue;
    }
    ASSERT_FALSE(sizes.empty());
    // Joined again they give the whole line: no size is lost to a double blank or a short token.
    EXPECT_EQ(Join(sizes), line);
    for (const std::string &size : sizes) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(size, m, token)) << size;
      long w = 0, h = 0;
      ASSERT_TRUE(PositiveNumber(m[1], w) && PositiveNumber(m[2], h)) << size;
      // 4:2:0 video needs even sides.
      EXPECT_TRUE(w % 2 == 0 && h % 2 == 0) << size;
    }
    // With a single size, a general profile's only item would also be its last one, which some
    // rules read as the source's own size.
    if (Tfm_main::IsGeneralProfile(n) && !Tfm_main::IsDiscTarget(n)) {
      EXPECT_GE(sizes.size(), 2u);
    }
  }
}

TEST(ProfilesFile, BitrateLinesRiseFromTheLowestToTheHighestQuality) {
  for (int n : DescribedProfiles()) {
    SCOPED_TRACE("profile " + std::to_string(n));
    const std::string line = BlockLine(n, 2);
    if (Tfm_main::IsDiscTarget(n)) continue;  // the target fixes the bitrate
    if (line == "*") {
      EXPECT_FALSE(Tfm_main::IsGeneralProfile(n)) << "only device and audio profiles can be audio-only";
      continue;
    }
    const std::vector<std::string> tokens = Tfm_main::SplitProfileLine(line);
    ASSERT_EQ(tokens.size(), 5u) << line;
    long previous = 0;
    for (const std::string &token : tokens) {
      long kbps = 0;
      ASSERT_TRUE(PositiveNumber(token, kbps)) << token;
      EXPECT_GT(kbps, previous) << line;
      previous = kbps;
    }
  }
}

TEST(ProfilesFile, OptionLinesNameTheContainerOfTheProfilesExtension) {
  for (int n : DescribedProfiles()) {
    const std::string line = BlockLine(n, 3);
    SCOPED_TRACE("profile " + std::to_string(n) + ": " + line);
    EXPECT_EQ(Join(Words(line)), line) << "single blanks, none at the ends";
    if (Tfm_main::IsDiscTarget(n)) {
      const char *target[] = {"-target pal-vcd", "-target pal-svcd", "-target pal-dvd"};
      EXPECT_EQ(line, target[n - 112]);
      continue;
    }
    const std::string ext = Extension(n);
    ASSERT_TRUE(MuxersByExtension.count(ext)) << ext;
    EXPECT_TRUE(MuxersByExtension.at(ext).count(OptionValue(line, "-f"))) << ext;
    // Audio outputs drop the video, which some audio containers would otherwise try to keep.
    const std::vector<std::string> words = Words(line);
    EXPECT_EQ(std::find(words.begin(), words.end(), "-vn") != words.end(), AudioOnly(n));
    if (!AudioOnly(n)) {
      EXPECT_FALSE(OptionValue(line, "-vcodec").empty());
    }
    EXPECT_FALSE(OptionValue(line, "-acodec").empty());
    for (const std::string &word : words) EXPECT_FALSE(PieceOptions.count(word)) << word;
  }
}

// ---- the jobs the main form fills from the file

class ProfileJobsTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Create();
    EnsureDesignItems(*Form);
    Main.MediaInfo = {Toriginalinfo{Places.WorkDir / "FinalVideo.AVI", "400x300", "00:00:02", "", "5000", "1411"}};
    Main.CurItem = 0;
  }
  void TearDown() override {
    QLocale::setDefault(QLocale::system());
    MainFormTest::TearDown();
  }
};

TEST_F(ProfileJobsTest, EveryProfileFillsTheJobFromItsOwnBlock) {
  for (int n : DescribedProfiles()) {
    const intputrec job = JobFor(*Form, n, Places.WorkDir / "FinalVideo.AVI", Places.WorkDir.Path);
    SCOPED_TRACE("profile " + std::to_string(n) + ": " + EncoderCommandLine(job));
    if (Tfm_main::IsDiscTarget(n)) {
      const char *target[] = {" -target pal-vcd ", " -target pal-svcd ", " -target pal-dvd "};
      EXPECT_EQ(job.ProfileOptions, target[n - 112]);
      EXPECT_EQ(job.SizeArg + job.AspectArg + job.VideoRateArg + job.AudioBitrateArg + job.SampleRateArg, "");
      EXPECT_EQ(job.ChannelsArg, " -ac 2");
      continue;
    }
    EXPECT_EQ(job.ProfileOptions, BlockLine(n, 3));
    EXPECT_FALSE(job.AudioBitrateArg.empty());
    if (AudioOnly(n)) {
      EXPECT_FALSE(Form->cb_size->Enabled());
      EXPECT_EQ(job.SizeArg + job.AspectArg + job.VideoRateArg, "");
      continue;
    }
    const std::string first = Tfm_main::SplitProfileLine(BlockLine(n, 1)).front();
    EXPECT_EQ(job.SizeArg, " -s " + SizeOfItem(first));
    EXPECT_EQ(job.AspectArg.rfind(" -aspect ", 0), 0u);
    if (Tfm_main::IsGeneralProfile(n)) {
      EXPECT_EQ(job.VideoRateArg.rfind(" -r 25 -b ", 0), 0u);
      EXPECT_NE(job.VideoRateArg, " -r 25 -b 0");
    } else {
      // "Normal" is the middle token.
      EXPECT_EQ(job.VideoRateArg, " -r 25 -b " + Tfm_main::SplitProfileLine(BlockLine(n, 2))[2] + "000");
    }
  }
}
