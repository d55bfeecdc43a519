// Reading "vts://" DVD title inputs and turning them into file pieces and ffmpeg options.
#include "dvd_input.h"
#include "encoder_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace encoder;
namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
  TempFolder() {
    char pattern[] = "/tmp/dvd_input_XXXXXX";
    Path = ::mkdtemp(pattern);
  }
  ~TempFolder() { fs::remove_all(Path); }
  fs::path Path;
};

void WriteBytes(const fs::path &file, const std::string &bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

bool Has(const std::vector<std::string> &a, const std::string &word) {
  return std::find(a.begin(), a.end(), word) != a.end();
}

}  // namespace

TEST(DvdTitleText, ReadsEveryField) {
  DvdInput in;
  std::string error;
  ASSERT_TRUE(ParseDvdInput("vts://01*1576*3153*0x80*0x21*//media/my dvd", in, error)) << error;
  EXPECT_EQ(in.TitleSet, 1);
  EXPECT_EQ(in.StartSector, 1576);
  EXPECT_EQ(in.EndSector, 3153);
  EXPECT_EQ(in.AudioCode, "0x80");
  EXPECT_EQ(in.SubtitleCode, "0x21");
  EXPECT_EQ(in.Root, "/media/my dvd");
}

TEST(DvdTitleText, AnEmptyRootIsTheFileSystemRoot) {
  DvdInput in;
  std::string error;
  ASSERT_TRUE(ParseDvdInput("vts://12*0*5000*0*0*/", in, error)) << error;
  EXPECT_EQ(in.TitleSet, 12);
  EXPECT_EQ(in.Root, "/");
  EXPECT_EQ(in.AudioCode, "0");
}

TEST(DvdTitleText, RefusesBrokenTexts) {
  for (const char *text : {"vts://1*0*100*0x80*0", "vts://1*0*100*0x80*0*media", "vts://x*0*100*0x80*0*//d",
                           "vts://0*0*100*0x80*0*//d", "vts://1*-5*100*0x80*0*//d", "vts://1*200*100*0x80*0*//d",
                           "vts://1*0*100*128*0*//d", "vts://1*0*100*0x80*sub*//d", "vts://1*0*1e3*0x80*0*//d",
                           "file://1*0*100*0x80*0*//d"}) {
    DvdInput in;
    std::string error;
    EXPECT_FALSE(ParseDvdInput(text, in, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(DvdStreamCodes, MpegAudioTakesFfmpegsStartCodeId) {
  EXPECT_EQ(DvdStreamId("0x80"), 0x80);
  EXPECT_EQ(DvdStreamId("0x8A"), 0x8a);
  EXPECT_EQ(DvdStreamId("0xa0"), 0xa0);
  EXPECT_EQ(DvdStreamId("0x20"), 0x20);
  EXPECT_EQ(DvdStreamId("0xc0"), 0x1c0);
  EXPECT_EQ(DvdStreamId("0xC7"), 0x1c7);
  EXPECT_EQ(DvdStreamId("0"), 0);
  EXPECT_EQ(DvdStreamId(""), -1);
  EXPECT_EQ(DvdStreamId("0x"), -1);
  EXPECT_EQ(DvdStreamId("0x100"), -1);
  EXPECT_EQ(DvdStreamId("80"), -1);
}

TEST(DvdSectors, PiecesFollowTheVobFilesAsOne) {
  const std::vector<std::string> files = {"a", "b", "c"};
  const std::vector<std::int64_t> sizes = {10 * 2048, 4 * 2048, 10 * 2048};
  std::vector<VobPiece> pieces;
  std::string error;
  // Sectors 8..15: two of a, all four of b, two of c; the end sector is included.
  ASSERT_TRUE(SectorPieces(files, sizes, 8, 15, pieces, error)) << error;
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].File, "a");
  EXPECT_EQ(pieces[0].Offset, 8 * 2048);
  EXPECT_EQ(pieces[0].Length, 2 * 2048);
  EXPECT_EQ(pieces[1].File, "b");
  EXPECT_EQ(pieces[1].Offset, 0);
  EXPECT_EQ(pieces[1].Length, 4 * 2048);
  EXPECT_EQ(pieces[2].File, "c");
  EXPECT_EQ(pieces[2].Offset, 0);
  EXPECT_EQ(pieces[2].Length, 2 * 2048);
}

TEST(DvdSectors, AnEndPastTheFilesIsCutAndAStartPastThemRefused) {
  const std::vector<std::string> files = {"a"};
  const std::vector<std::int64_t> sizes = {10 * 2048};
  std::vector<VobPiece> pieces;
  std::string error;
  ASSERT_TRUE(SectorPieces(files, sizes, 9, 400, pieces, error));
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].Length, 2048);
  EXPECT_FALSE(SectorPieces(files, sizes, 10, 12, pieces, error));
  EXPECT_NE(error.find("outside"), std::string::npos) << error;
}

TEST(DvdFiles, FindsTheTitleVobsWhateverTheirCaseAndSkipsTheMenuVob) {
  TempFolder dir;
  for (const char *name : {"video_ts/VTS_02_0.VOB", "video_ts/vts_02_1.vob", "video_ts/VTS_02_2.VOB",
                           "video_ts/VTS_02_4.VOB", "video_ts/VTS_03_1.VOB"})
    WriteBytes(dir.Path / name, "x");
  const auto files = TitleVobFiles(dir.Path.string(), 2);
  ASSERT_EQ(files.size(), 2u) << "the files end at the first missing number";
  EXPECT_EQ(files[0], (dir.Path / "video_ts/vts_02_1.vob").string());
  EXPECT_EQ(files[1], (dir.Path / "video_ts/VTS_02_2.VOB").string());
  EXPECT_TRUE(TitleVobFiles(dir.Path.string(), 4).empty());
}

TEST(DvdFiles, CopiesExactlyTheSectorsAsked) {
  TempFolder dir;
  std::string one(3 * 2048, '\0'), two(2 * 2048, '\0');
  for (std::size_t i = 0; i < one.size(); ++i) one[i] = static_cast<char>(i / 2048 + 'A');
  for (std::size_t i = 0; i < two.size(); ++i) two[i] = static_cast<char>(i / 2048 + 'a');
  WriteBytes(dir.Path / "VIDEO_TS/VTS_01_1.VOB", one);
  WriteBytes(dir.Path / "VIDEO_TS/VTS_01_2.VOB", two);
  const auto files = TitleVobFiles(dir.Path.string(), 1);
  std::vector<VobPiece> pieces;
  std::string error;
  ASSERT_TRUE(SectorPieces(files, {3 * 2048, 2 * 2048}, 2, 3, pieces, error));
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_TRUE(CopyPieces(pieces, fds[1]));
  ::close(fds[1]);
  std::string got(8192, '\0');
  std::size_t total = 0;
  for (ssize_t n; (n = ::read(fds[0], got.data() + total, got.size() - total)) > 0;) total += n;
  ::close(fds[0]);
  ASSERT_EQ(total, 2u * 2048);
  EXPECT_EQ(got[0], 'C');
  EXPECT_EQ(got[2047], 'C');
  EXPECT_EQ(got[2048], 'a');
  EXPECT_EQ(got[4095], 'a');
}

TEST(DvdFfmpegCommand, ReadsThePipeAndMapsTheChosenStreams) {
  const Request r = ParseCommandLine({"-y", "-i", "vts://1*0*100*0x81*0*//dvd", "-t", "00:00:03", "out.mpg"});
  ASSERT_EQ(r.Kind, RequestKind::Convert) << r.Error;
  ASSERT_TRUE(r.IsDvdTitle);
  const auto a = FfmpegArguments(r);
  const auto input = std::find(a.begin(), a.end(), "-i");
  ASSERT_NE(input, a.end());
  EXPECT_EQ(*(input + 1), "pipe:0");
  EXPECT_EQ(*(input - 1), "30M") << "the probing options stand before the input";
  EXPECT_TRUE(Has(a, "0:v:0"));
  EXPECT_TRUE(Has(a, "0:i:0x81"));
  EXPECT_FALSE(Has(a, "-filter_complex"));
  EXPECT_EQ(a.back(), "file:out.mpg");
}

TEST(DvdFfmpegCommand, CodesOfZeroMapNoAudioAndDrawNoSubtitles) {
  const Request r = ParseCommandLine({"-y", "-i", "vts://1*0*100*0*0*//dvd", "out.mpg"});
  const auto a = FfmpegArguments(r);
  EXPECT_TRUE(Has(a, "0:v:0"));
  EXPECT_EQ(std::count(a.begin(), a.end(), "-map"), 1);
  EXPECT_FALSE(Has(a, "-filter_complex"));
}

TEST(DvdFfmpegCommand, ASubtitleStreamIsDrawnOntoThePicture) {
  const Request r = ParseCommandLine({"-y", "-i", "vts://1*0*100*0xc1*0x22*//dvd", "out.mpg"});
  const auto a = FfmpegArguments(r);
  const auto graph = std::find(a.begin(), a.end(), "-filter_complex");
  ASSERT_NE(graph, a.end());
  EXPECT_EQ(*(graph + 1), "[0:v:0][0:i:0x22]overlay[vts]");
  EXPECT_TRUE(Has(a, "[vts]"));
  EXPECT_TRUE(Has(a, "0:i:0x1c1"));
  EXPECT_FALSE(Has(a, "0:v:0"));
}

TEST(DvdFfmpegCommand, ATitleCannotBeProbed) {
  const Request r = ParseCommandLine({"-i", "vts://1*0*100*0x80*0*//dvd"});
  EXPECT_EQ(r.Kind, RequestKind::Invalid);
  EXPECT_NE(r.Error.find("vts://"), std::string::npos) << r.Error;
}
