// DVD input texts and what ffmpeg is given for them.
#include "decoderinput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "testsupport.h"

using namespace decoderinput;

namespace {

void Touch(const std::string &path) { std::ofstream(path) << "x"; }

}  // namespace

TEST(VtsInputText, ReadsEveryFieldAndTheRootAfterTheLastSeparator) {
  auto input = ParseVtsInput("vts://01*1200*98765*0x80*0x21*//media/disc one");
  ASSERT_TRUE(input);
  EXPECT_EQ(input->TitleSet, 1);
  EXPECT_EQ(input->StartSector, 1200);
  EXPECT_EQ(input->EndSector, 98765);
  EXPECT_EQ(input->AudioStream, "0x80");
  EXPECT_EQ(input->SubtitleStream, "0x21");
  EXPECT_EQ(input->Root, "/media/disc one");
}

TEST(VtsInputText, RefusesMalformedTexts) {
  EXPECT_FALSE(ParseVtsInput("/media/clip.mpg"));
  EXPECT_FALSE(ParseVtsInput("vts://1*0*100*0x80*0*"));          // no root
  EXPECT_FALSE(ParseVtsInput("vts://1*0*100*0x80*/media"));      // a field short
  EXPECT_FALSE(ParseVtsInput("vts://x*0*100*0x80*0*/media"));    // title set not a number
  EXPECT_FALSE(ParseVtsInput("vts://0*0*100*0x80*0*/media"));    // no title set 0
  EXPECT_FALSE(ParseVtsInput("vts://1*500*100*0x80*0*/media"));  // end before start
  EXPECT_FALSE(ParseVtsInput("vts://1*-5*100*0x80*0*/media"));
}

TEST(VtsInputText, AnEmptyRootMeansTheFileSystemRoot) {
  auto input = ParseVtsInput("vts://2*0*10*0*0*/");
  ASSERT_TRUE(input);
  EXPECT_EQ(input->Root, "");
}

TEST(TitleSetFiles, FindsTheTitleSetsVobsInOrderWhateverTheLetterCase) {
  testsupport::TempDir root;
  std::filesystem::create_directory(root / "video_ts");
  for (const char *name : {"VTS_03_0.VOB", "vts_03_2.vob", "VTS_03_1.VOB", "VTS_04_1.VOB", "VTS_03_4.VOB"})
    Touch(root / ("video_ts/" + std::string(name)));
  TVtsInput input;
  input.TitleSet = 3;
  input.Root = root.Path;
  // Part 0 is the menu, and a gap ends the title set.
  EXPECT_EQ(TitleSetVobFiles(input),
            (std::vector<std::string>{root / "video_ts/VTS_03_1.VOB", root / "video_ts/vts_03_2.vob"}));
}

TEST(TitleSetFiles, TakesTheRootItselfWhenItHasNoVideoTsFolder) {
  testsupport::TempDir root;
  Touch(root / "VTS_01_1.VOB");
  TVtsInput input;
  input.TitleSet = 1;
  input.Root = root.Path;
  EXPECT_EQ(TitleSetVobFiles(input), std::vector<std::string>{root / "VTS_01_1.VOB"});
  input.TitleSet = 2;
  EXPECT_TRUE(TitleSetVobFiles(input).empty());
}

TEST(FfmpegInput, PlainFilesAreGivenAsTheyAre) {
  EXPECT_EQ(FfmpegInputArguments("/tmp/a b.mp4"), (std::vector<std::string>{"-i", "/tmp/a b.mp4"}));
}

TEST(FfmpegInput, ATitleIsTheByteRangeOfItsSectorsOverTheJoinedVobs) {
  testsupport::TempDir root;
  std::filesystem::create_directory(root / "VIDEO_TS");
  Touch(root / "VIDEO_TS/VTS_01_1.VOB");
  Touch(root / "VIDEO_TS/VTS_01_2.VOB");
  auto args = FfmpegInputArguments("vts://1*10*19*0x80*0*/" + root.Path);
  ASSERT_GE(args.size(), 2u);
  EXPECT_EQ(args[args.size() - 2], "-i");
  // The last sector counts: sectors 10..19 are bytes 20480..40960.
  EXPECT_EQ(args.back(), "subfile,,start,20480,end,40960,,:concat:" + root / "VIDEO_TS/VTS_01_1.VOB" + "|" +
                             root / "VIDEO_TS/VTS_01_2.VOB");
}

TEST(FfmpegInput, ATitleWithoutItsFilesIsRefused) {
  testsupport::TempDir root;
  EXPECT_THROW(FfmpegInputArguments("vts://1*0*10*0x80*0*/" + root.Path), std::runtime_error);
  EXPECT_THROW(FfmpegInputArguments("vts://1*0*"), std::runtime_error);
}
