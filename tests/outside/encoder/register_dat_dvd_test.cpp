// register.dat converting "vts://" DVD titles of the generated test DVD: each sector range gives
// its own pictures and sound, with the streams the codes choose.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../../fixtures/dvd/dvd_fixture.h"

namespace fs = std::filesystem;
using dvdfixture::Chapters;

namespace {

class RegisterDatDvd : public ::testing::Test {
protected:
  void SetUp() override {
    Dvd = dvdfixture::Folder();
    ASSERT_FALSE(Dvd.empty()) << "the test DVD could not be made";
    char pattern[] = "/tmp/register_dat_dvd_XXXXXX";
    Dir = ::mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(Dir); }

  // Runs the encoder as the program's command line would, through a shell, joining its output.
  std::string Convert(const std::string &input, const std::string &options, const std::string &output,
                      int *status = nullptr) {
    const std::string command = "cd " + dvdfixture::Quote(Dir.string()) + " && " +
                                dvdfixture::Quote(dvdfixture::ProgramFolder() + "/register.dat") + " -y -i " +
                                dvdfixture::Quote(input) + " " + options + " " + dvdfixture::Quote(output) +
                                " 2>&1; echo \"status=$?\"";
    const std::string out = dvdfixture::Run(command);
    if (status) *status = std::atoi(out.substr(out.rfind("status=") + 7).c_str());
    return out;
  }

  // Sectors of the chapters as Ifoinfo.dll reports them for the test DVD (cells in playing order).
  static std::string Title(int set, long start, long end, const std::string &audio, const std::string &sub,
                           const std::string &root) {
    return "vts://" + std::to_string(set) + "*" + std::to_string(start) + "*" + std::to_string(end) + "*" +
           audio + "*" + sub + "*/" + root;
  }

  std::string Dvd;
  fs::path Dir;
};

}  // namespace

TEST_F(RegisterDatDvd, EachChapterRangeGivesItsOwnColourAndTone) {
  // The VOB is constant-rate; the chapters' sectors follow from the IFO (see the Ifoinfo tests).
  const long bounds[][2] = {{0, 1575}, {1576, 3153}, {3154, 5235}, {5236, 6808}};
  for (std::size_t i = 0; i < Chapters().size(); ++i) {
    const auto &c = Chapters()[i];
    const std::string out = (Dir / ("chapter" + std::to_string(i) + ".mpg")).string();
    int status = -1;
    const std::string console =
        Convert(Title(1, bounds[i][0], bounds[i][1], "0x80", "0", Dvd), "-target pal-dvd", out, &status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_NE(console.find("time="), std::string::npos) << console;
    EXPECT_NEAR(dvdfixture::Duration(out), c.Seconds, 0.3) << out;
    EXPECT_TRUE(dvdfixture::IsColour(dvdfixture::MeanColour(out, c.Seconds / 2.0), c)) << "chapter " << i;
    const double hz = dvdfixture::ToneHz(out, 0.5, c.Seconds - 1.0);
    EXPECT_TRUE(dvdfixture::IsTone(hz, c)) << "chapter " << i << ": " << hz << " Hz";
  }
}

TEST_F(RegisterDatDvd, ALengthOptionCutsTheTitle) {
  const std::string out = (Dir / "cut.mpg").string();
  int status = -1;
  const std::string console =
      Convert(Title(1, 3154, 6808, "0x80", "0", Dvd), "-t 00:00:02 -target pal-dvd", out, &status);
  ASSERT_EQ(status, 0) << console;
  EXPECT_NEAR(dvdfixture::Duration(out), 2.0, 0.3);
  EXPECT_TRUE(dvdfixture::IsColour(dvdfixture::MeanColour(out, 1.0), Chapters()[2]));
}

TEST_F(RegisterDatDvd, AudioCodeZeroGivesAVideoWithoutSound) {
  const std::string out = (Dir / "silent.mpg").string();
  int status = -1;
  const std::string console = Convert(Title(1, 0, 1575, "0", "0", Dvd), "-target pal-dvd", out, &status);
  ASSERT_EQ(status, 0) << console;
  EXPECT_EQ(dvdfixture::StreamCount(out, "video"), 1);
  EXPECT_EQ(dvdfixture::StreamCount(out, "audio"), 0);
}

TEST_F(RegisterDatDvd, AStreamTheTitleLacksFailsTheConversion) {
  const std::string out = (Dir / "nosuch.mpg").string();
  int status = -1;
  const std::string console = Convert(Title(1, 0, 1575, "0x83", "0", Dvd), "-target pal-dvd", out, &status);
  EXPECT_NE(status, 0) << console;
}

TEST_F(RegisterDatDvd, ARootWithBlanksAndLowerCaseNamesIsRead) {
  const fs::path root = Dir / "my dvd";
  fs::create_directories(root / "video_ts");
  fs::create_symlink(Dvd + "/VIDEO_TS/VTS_01_1.VOB", root / "video_ts/vts_01_1.vob");
  const std::string out = (Dir / "blank.mpg").string();
  int status = -1;
  const std::string console =
      Convert(Title(1, 0, 1575, "0x80", "0", root.string()), "-target pal-dvd", out, &status);
  ASSERT_EQ(status, 0) << console;
  EXPECT_TRUE(dvdfixture::IsColour(dvdfixture::MeanColour(out, 1.5), Chapters()[0]));
}

TEST_F(RegisterDatDvd, SectorsPastTheTitleSetFail) {
  int status = -1;
  const std::string console =
      Convert(Title(1, 90000, 91000, "0x80", "0", Dvd), "-target pal-dvd", (Dir / "past.mpg").string(), &status);
  EXPECT_NE(status, 0);
  EXPECT_NE(console.find("outside"), std::string::npos) << console;
}
