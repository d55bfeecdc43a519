// The profile model and the encoder option pieces: the profile data file, the option lists, the
// bitrate and size estimate, and every piece of the encoder's command line.
#include <QLocale>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

#include "canvas.h"
#include "mainform_fixture.h"
#include "paths.h"

namespace {

std::string ReadAll(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The program reads "profiles.qev" from its own folder: put the committed file there, replacing it in
// one step so that test programs running side by side never see half a file.
void InstallProfileFile() {
  const std::string source = ReadAll(std::string(VANTREL_SOURCE_DIR) + "/data/profiles.qev");
  ASSERT_FALSE(source.empty());
  const std::string target = win::ProgramFolder() + "profiles.qev";
  if (ReadAll(target) == source) return;
  const std::string temp = target + "." + std::to_string(getpid());
  std::ofstream(temp, std::ios::binary) << source;
  std::filesystem::rename(temp, target);
}

const std::vector<std::string> Qualities = {"Higher Quality", "High Quality", "Normal", "Low Quality",
                                            "Lower Quality"};

class ProfilesTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    InstallProfileFile();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Create();
    // The form design's items of the quality and channel lists.
    for (TComboBox *list : {Form->cb_videobitrate, Form->cb_audiobitrate})
      if (list->Items().Count() == 0)
        for (const std::string &item : Qualities) list->Add(item);
    if (Form->cb_channel->Items().Count() == 0) {
      Form->cb_channel->Add("Mono");
      Form->cb_channel->Add("Stereo");
      Form->cb_channel->SetItemIndex(1);
    }
  }
  void TearDown() override {
    QLocale::setDefault(QLocale::system());
    MainFormTest::TearDown();
  }

  // As the chooser does: SelProfile first, then SelectProfile.
  void Select(int n) {
    Main.SelProfile = n;
    Form->SelectProfile(n);
  }
  // SelectProfile's steps for a block that the data file does not hold.
  void Apply(int n, const std::string &sizes, const std::string &bitrates) {
    Main.SelProfile = n;
    Form->ShowProfileDescription(n);
    Form->FillSizeList(sizes);
    Form->ApplyProfileBitrateLine(bitrates);
  }
  // The record the pieces read: one listed source.
  void Source(const std::string &frame, const std::string &videoKbps, const std::string &audioKbps,
              const std::string &duration = "00:01:00") {
    Main.MediaInfo = {Toriginalinfo{"/tmp/in.avi", frame, duration, "", videoKbps, audioKbps}};
    Main.CurItem = 0;
  }
  void Choose(int size, int video, int audio, int channel = 1) {
    Form->cb_size->SetItemIndex(size);
    Form->cb_videobitrate->SetItemIndex(video);
    Form->cb_audiobitrate->SetItemIndex(audio);
    Form->cb_channel->SetItemIndex(channel);
  }
  static std::vector<std::string> Items(const TComboBox *list) { return list->Items().Items(); }
  static std::string Last(const TComboBox *list) { return list->Items()[list->Items().Count() - 1]; }

  struct Pieces {
    std::string Size, Aspect, Video, Audio, SampleRate, Channels;
  };
  // In the callers' order: later pieces read earlier ones.
  Pieces AllPieces() {
    Pieces p;
    p.Size = Form->SizeArgument();
    p.Aspect = Form->AspectArgument(p.Size);
    p.Video = Form->VideoBitrateArgument();
    p.Audio = Form->AudioBitrateArgument();
    p.SampleRate = Form->SampleRateArgument(p.Audio);
    p.Channels = Form->ChannelsArgument();
    return p;
  }
};

class ProfileFileTest : public ::testing::Test {
protected:
  std::string Write(const std::string &text) {
    std::ofstream(Dir / "profiles.qev", std::ios::binary) << text;
    return Dir / "profiles.qev";
  }
  testsupport::TempDir Dir;
};

}  // namespace

// ---- the profile data file

TEST_F(ProfileFileTest, BlocksAreFoundByCountingLinesWhateverTheyEndWith) {
  std::string path = Write("one\n1a\n1b\n1c\r\ntwo\r\n2a 2b\r\n\r\n-f x\r\nthree\n3a\n3b\n3c\n");
  EXPECT_EQ(Tfm_main::ReadProfileBlock(path, 1), (std::vector<std::string>{"1a", "1b", "1c"}));
  EXPECT_EQ(Tfm_main::ReadProfileBlock(path, 2), (std::vector<std::string>{"2a 2b", "", "-f x"}));
  EXPECT_EQ(Tfm_main::ReadProfileBlock(path, 3), (std::vector<std::string>{"3a", "3b", "3c"}));
}

TEST_F(ProfileFileTest, AFileEndingInsideOrBeforeABlockGivesOnlyTheLinesItHolds) {
  std::string path = Write("one\n1a\n1b\n1c\ntwo\n2a");
  EXPECT_EQ(Tfm_main::ReadProfileBlock(path, 2), (std::vector<std::string>{"2a"}));
  EXPECT_TRUE(Tfm_main::ReadProfileBlock(path, 3).empty());
  EXPECT_TRUE(Tfm_main::ReadProfileBlock(path, 0).empty());
  EXPECT_TRUE(Tfm_main::ReadProfileBlock(path, -1).empty());
}

TEST_F(ProfileFileTest, AMissingFileIsAnError) {
  EXPECT_THROW(Tfm_main::ReadProfileBlock(Dir / "absent.qev", 1), std::runtime_error);
  // So is one far larger than any profile list, which is not read at all.
  std::filesystem::resize_file(Write("one\n1a\n1b\n1c\n"), 1ull << 30);
  try {
    Tfm_main::ReadProfileBlock(Dir / "profiles.qev", 1);
    ADD_FAILURE() << "read";
  } catch (const std::runtime_error &error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + Dir / "profiles.qev" + "\". File too large.");
  }
}

TEST(ProfileLine, TwoBlanksOrAOneCharacterLastTokenEndTheList) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Tfm_main::SplitProfileLine("320x240 640x480"), (V{"320x240", "640x480"}));
  EXPECT_EQ(Tfm_main::SplitProfileLine("320x240  640x480"), (V{"320x240"}));
  EXPECT_EQ(Tfm_main::SplitProfileLine("320x240 *"), (V{"320x240"}));
  EXPECT_EQ(Tfm_main::SplitProfileLine("*"), V{});
  EXPECT_EQ(Tfm_main::SplitProfileLine(" 320x240"), V{});
  EXPECT_EQ(Tfm_main::SplitProfileLine("a b cd "), (V{"a", "b", "cd"}));
}

TEST(ProfileTables, EveryProfileNumberWithADescriptionHasItsText) {
  EXPECT_STREQ(Tfm_main::ProfileDescription(1), L"ASF-Advanced Streaming Format(*.asf)");
  EXPECT_STREQ(Tfm_main::ProfileDescription(27), L"iPod(320\u00D7240)MPEG-4 Codec(*.mp4)");
  EXPECT_STREQ(Tfm_main::ProfileDescription(131), L"MKV - WMV Movie(*.mkv)");
  int described = 0;
  for (int n = 1; n <= 140; ++n) described += Tfm_main::ProfileDescription(n) != nullptr;
  EXPECT_EQ(described, 116);
  for (int n : {26, 33, 101, 117, 124, 132, 0})
    EXPECT_EQ(Tfm_main::ProfileDescription(n), nullptr) << n;
}

// ---- selecting a profile

TEST_F(ProfilesTest, AGeneralProfileGetsTheOriginalItemsAndKeepsItsOptionLine) {
  Select(1);
  EXPECT_EQ(Form->OutputExtension(), ".asf");
  EXPECT_EQ(Items(Form->cb_size), (std::vector<std::string>{"320x240", "176x144", "352x288", "640x480", "720x480",
                                                            "720x576", "The original width and height"}));
  EXPECT_EQ(Last(Form->cb_videobitrate), "The Original Video Quliay");
  EXPECT_EQ(Last(Form->cb_audiobitrate), "The Original Audio Quliay");
  EXPECT_EQ(Main.EncoderJob.ProfileOptions, "-vcodec wmv2 -acodec wmav2 -f asf");
  EXPECT_EQ(Main.CurProfile, 1);
  // Choosing it again adds nothing twice.
  Select(1);
  EXPECT_EQ(Form->cb_videobitrate->Items().Count(), 6);
  EXPECT_EQ(Form->cb_audiobitrate->Items().Count(), 6);
}

TEST_F(ProfilesTest, AnMp4ProfileHasNoOriginalItemsAndDropsThoseLeftByTheLastProfile) {
  Select(1);
  Select(4);
  EXPECT_EQ(Form->OutputExtension(), ".mp4");
  EXPECT_EQ(Items(Form->cb_videobitrate), Qualities);
  EXPECT_EQ(Items(Form->cb_audiobitrate), Qualities);
  EXPECT_EQ(Form->cb_size->Items().IndexOf("The original width and height"), -1);
  EXPECT_EQ(Main.EncoderJob.ProfileOptions, "-vcodec mpeg4 -acodec aac -f mp4");
}

TEST_F(ProfilesTest, UpperCaseMp4IsNotMp4) {
  Select(4);
  Select(123);
  EXPECT_EQ(Form->OutputExtension(), ".MP4");
  EXPECT_EQ(Last(Form->cb_videobitrate), "The Original Video Quliay");
  EXPECT_EQ(Last(Form->cb_audiobitrate), "The Original Audio Quliay");
  // The size item is for profiles up to 111 only.
  EXPECT_EQ(Form->cb_size->Items().IndexOf("The original width and height"), -1);
  Apply(111, "320x240 720x576", "100 200 300 400 500");
  EXPECT_EQ(Last(Form->cb_size), "The original width and height");
}

TEST_F(ProfilesTest, TheDvdEditionGetsNoOriginalQualities) {
  Main.EditionName = "Vantrel DVD.exe";
  Select(1);
  EXPECT_EQ(Items(Form->cb_videobitrate), Qualities);
  EXPECT_EQ(Items(Form->cb_audiobitrate), Qualities);
  // The size item does not depend on the edition.
  EXPECT_EQ(Last(Form->cb_size), "The original width and height");
}

TEST_F(ProfilesTest, AnAudioProfileShowsNoVideoAndDisablesTheVideoLists) {
  Select(1);
  Select(15);
  EXPECT_EQ(Items(Form->cb_size), std::vector<std::string>{"No Video"});
  EXPECT_EQ(Form->cb_size->ItemIndex(), 0);
  EXPECT_FALSE(Form->cb_size->Enabled());
  EXPECT_EQ(Form->cb_videobitrate->Text(), "No Video");
  EXPECT_FALSE(Form->cb_videobitrate->Enabled());
  EXPECT_TRUE(Form->cb_audiobitrate->Enabled());
  EXPECT_EQ(Form->ProfileTokens.Bitrates[0], "*");
  // Audio only: the total is the audio part alone.
  Source("320x240", "1200", "96");
  Form->cb_audiobitrate->SetItemIndex(0);
  EXPECT_EQ(Form->TotalBitrateKbps(), 320);
}

TEST_F(ProfilesTest, NoVideoIsListedOnceAndLeavesWithTheAudioProfiles) {
  Select(15);
  Select(15);
  EXPECT_EQ(Form->cb_videobitrate->Items().Count(), 6);
  Select(1);
  EXPECT_TRUE(Form->cb_size->Enabled());
  EXPECT_TRUE(Form->cb_videobitrate->Enabled());
  EXPECT_EQ(Items(Form->cb_videobitrate).back(), "The Original Video Quliay");
  EXPECT_EQ(Form->cb_videobitrate->Items().IndexOf("No Video"), -1);
  EXPECT_EQ(Form->cb_videobitrate->Items().Count(), 6);
}

TEST_F(ProfilesTest, AStarWithSeveralSizesIsNoAudioProfile) {
  Form->ProfileTokens.Bitrates[0] = "900";
  Apply(30, "320x240 640x480", "*");
  EXPECT_EQ(Form->ProfileTokens.Bitrates[0], "900");
  EXPECT_TRUE(Form->cb_size->Enabled());
  EXPECT_TRUE(Form->cb_videobitrate->Enabled());
  EXPECT_EQ(Form->cb_videobitrate->Items().IndexOf("No Video"), -1);
}

TEST_F(ProfilesTest, BitrateTokensGoToTheirQualityFromTheTop) {
  Apply(30, "320x240", "100 200 300 400 500 600");
  EXPECT_EQ(Form->ProfileTokens.Bitrates[0], "500");
  EXPECT_EQ(Form->ProfileTokens.Bitrates[4], "100");
  // A shorter line leaves the higher qualities as they were.
  Form->ParseProfileBitrates("11 22 33");
  const std::string expected[5] = {"500", "400", "33", "22", "11"};
  for (int q = 0; q < 5; ++q) EXPECT_EQ(Form->ProfileTokens.Bitrates[q], expected[q]) << q;
}

TEST_F(ProfilesTest, TwoBlanksInTheSizeLineKeepOnlyTheFirstSize) {
  Apply(30, "320x240  640x480", "100 200 300 400 500");
  EXPECT_EQ(Items(Form->cb_size), std::vector<std::string>{"320x240"});
}

TEST_F(ProfilesTest, DiscTargetsListPalAndNtscWithFixedBitrates) {
  const int totals[] = {1393, 1948, 3222};
  for (int n : {112, 113, 114}) {
    Form->cb_size->SetEnabled(false);
    Select(n);
    EXPECT_EQ(Items(Form->cb_size), (std::vector<std::string>{"PAL", "NTSC"})) << n;
    EXPECT_FALSE(Form->cb_size->Enabled()) << "the size list keeps its state, " << n;
    EXPECT_FALSE(Form->cb_videobitrate->Enabled());
    EXPECT_FALSE(Form->cb_audiobitrate->Enabled());
    EXPECT_FALSE(Form->cb_channel->Enabled());
    EXPECT_EQ(Form->TotalBitrateKbps(), totals[n - 112]);
  }
}

TEST_F(ProfilesTest, ANumberWithoutDescriptionKeepsThePreviousDescription) {
  Select(4);
  Select(26);
  EXPECT_EQ(Form->ProfileTokens.Description, L"MP4-MPEG-4 Video(*.mp4)");
  EXPECT_EQ(Form->OutputExtension(), ".mp4");
  EXPECT_EQ(Main.CurProfile, 26);
}

TEST_F(ProfilesTest, TheCategoryIconFollowsTheCategoryNotTheProfile) {
  const std::string icon = win::ProgramFolder() + "images/main/3.bmp";
  if (!std::filesystem::exists(icon)) GTEST_SKIP() << "the pictures are not drawn: build vantrel-images";
  TBitmap expected;
  ASSERT_TRUE(expected.LoadFromFile(icon));
  Main.SelCategory = 3;
  Form->ShowProfileDescription(1);
  EXPECT_EQ(Form->im_mainico->Picture()->Image(), expected.Image());
  for (int category : {0, 15}) {
    Main.SelCategory = category;
    Form->ShowProfileDescription(27);
    EXPECT_EQ(Form->im_mainico->Picture()->Image(), expected.Image()) << category;
  }
}

// ---- output bitrate and size

TEST_F(ProfilesTest, GeneralVideoBitrateIsHeightTimesTheProfilesFactor) {
  Source("800x600", "1200", "96");
  Select(1);
  Choose(0, 2, 2);  // 320x240, Normal
  EXPECT_EQ(Form->TotalBitrateKbps(), 799 + 128);
  Select(123);
  Choose(1, 0, 0);  // 640x480, Higher Quality, excellent factors
  EXPECT_EQ(Form->TotalBitrateKbps(), 4997 + 320);
  // "The original width and height" takes the source's height.
  Select(1);
  Choose(6, 2, 2);
  EXPECT_EQ(Form->TotalBitrateKbps(), static_cast<int>(std::nearbyint(600 * 3.33)) + 128);
}

TEST_F(ProfilesTest, OriginalQualitiesTakeTheSourcesBitrates) {
  Source("320x240", "1200", "96");
  Select(1);
  Choose(0, 5, 5);
  EXPECT_EQ(Form->TotalBitrateKbps(), 1200 + 96);
}

TEST_F(ProfilesTest, AChoiceWithoutTableEntryCountsAsNormal) {
  Source("320x240", "1200", "96");
  Select(1);
  Choose(0, -1, -1);
  EXPECT_EQ(Form->TotalBitrateKbps(), 799 + 128);
  // A device profile with "No Video" left behind, and a size list without choice.
  Apply(30, "320x240 640x480", "100 200 300 400 500");
  Form->cb_videobitrate->SetItemIndex(Form->cb_videobitrate->Add("No Video"));
  Form->cb_audiobitrate->SetItemIndex(-1);
  EXPECT_EQ(Form->TotalBitrateKbps(), 300 + 128);
}

TEST_F(ProfilesTest, TheLastRealQualityIsNoSourceValue) {
  Source("320x240", "5000", "1411");
  Select(4);
  Choose(0, 4, 4);  // Lower Quality is the last item of an MP4 profile's lists
  EXPECT_EQ(Form->TotalBitrateKbps(), static_cast<int>(std::nearbyint(240 * 1.51)) + 32);
  EXPECT_EQ(Form->VideoBitrateArgument(), " -r 25 -b 362000");
  EXPECT_EQ(Form->AudioBitrateArgument(), " -ab 32000");
  Apply(17, "", "*");
  Form->cb_audiobitrate->SetItemIndex(4);
  EXPECT_EQ(Form->AudioBitrateArgument(), " -ab 32000");
}

TEST_F(ProfilesTest, ASizeWithoutReadableHeightGivesNoVideoPart) {
  Source("320x240", "1200", "96");
  Apply(2, "320xabc 640x480(4:3) 320x999999999999", "100 200 300 400 500");
  Choose(0, 2, 2);
  EXPECT_EQ(Form->TotalBitrateKbps(), 128);
  Form->cb_size->SetItemIndex(1);
  EXPECT_EQ(Form->TotalBitrateKbps(), static_cast<int>(std::nearbyint(480 * 3.33)) + 128);
  // A height whose bitrate no integer holds is no more readable than "abc".
  Form->cb_size->SetItemIndex(2);
  EXPECT_EQ(Form->TotalBitrateKbps(), 128);
}

TEST_F(ProfilesTest, ATokenThatIsNoNumberIsAConversionError) {
  Apply(30, "320x240", "100 200 3x0 400 500");
  Choose(0, 2, 2);
  EXPECT_THROW(Form->TotalBitrateKbps(), std::runtime_error);
  Apply(30, "320x240", "100 200 9223372036854775807 400 500");
  Choose(0, 2, 2);
  EXPECT_THROW(Form->TotalBitrateKbps(), std::runtime_error);
}

TEST_F(ProfilesTest, AmrOutputsUseTheAmrTable) {
  Source("320x240", "1200", "96");
  Apply(8, "176x144 320x240", "100 200 300 400 500");
  EXPECT_EQ(Form->OutputExtension(), ".3gp");
  const int amr[] = {12, 10, 7, 6, 5};
  for (int q = 0; q < 5; ++q) {
    Choose(0, 2, q);
    EXPECT_EQ(Form->TotalBitrateKbps(), static_cast<int>(std::nearbyint(144 * 3.33)) + amr[q]) << q;
  }
}

TEST(OutputSize, FiveSignificantDigitsThenTwoDecimals) {
  testsupport::App();
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  auto format = [](int kbps, int seconds) { return Tfm_main::FormatOutputSize(kbps, seconds); };
  EXPECT_EQ(format(1000, 60), "7.15MB");
  EXPECT_EQ(format(173, 59863), "1234.60MB");  // 1234.567...
  EXPECT_EQ(format(0, 60), "0.00MB");
  EXPECT_EQ(format(1, 1), "0.00MB");
  // Six integer digits: exponent notation. The product no longer fits 32 bits and stays positive.
  EXPECT_EQ(format(10000, 300000), "3.5763E+05MB");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(format(1000, 60), "7,15MB");
  QLocale::setDefault(QLocale::system());
}

TEST_F(ProfilesTest, RecomputeFillsTheOutputSizeOfEveryRowAndEndsOnTheLast) {
  Select(112);
  Main.MediaInfo = {Toriginalinfo{"a", "320x240", "00:01:00", "", "1", "1"},
                    Toriginalinfo{"b", "320x240", "00:00:30", "", "1", "1"}};
  for (int i = 0; i < 2; ++i) {
    TListItem *row = Form->lv->Items().Add();
    row->SubItems().Add("320x240");
    row->SubItems().Add("00:01:00");
    row->SubItems().Add("");
    row->SubItems().Add("Ready");
  }
  Form->RecomputeOutputSizes();
  EXPECT_EQ(Form->lv->Items()[0]->SubItems()[2], Form->FormatOutputSize(1393, 60));
  EXPECT_EQ(Form->lv->Items()[1]->SubItems()[2], Form->FormatOutputSize(1393, 30));
  EXPECT_EQ(Form->lv->Items()[1]->SubItems()[3], "Ready");
  EXPECT_EQ(Main.CurItem, 1);
}

// ---- encoder option pieces

TEST_F(ProfilesTest, GeneralProfileWithTableChoices) {
  Source("640x480", "1200", "96");
  Select(1);
  Choose(0, 2, 2, 1);
  Pieces p = AllPieces();
  EXPECT_EQ(p.Size, " -s 320x240");
  EXPECT_EQ(p.Aspect, " -aspect 1.3333");
  EXPECT_EQ(p.Video, " -r 25 -b 799000");
  EXPECT_EQ(p.Audio, " -ab 128000");
  EXPECT_EQ(p.SampleRate, " -ar 44100 ");
  EXPECT_EQ(p.Channels, " -ac 2");
  EXPECT_EQ(Form->TargetOptions(), "-vcodec wmv2 -acodec wmav2 -f asf");
}

TEST_F(ProfilesTest, OriginalQualitiesPassTheSourcesBitrates) {
  Source("640x480", "1200", "96");
  Select(1);
  Choose(0, 5, 5);
  Pieces p = AllPieces();
  EXPECT_EQ(p.Video, " -r 25 -b 1200000");
  EXPECT_EQ(p.Audio, " -ab 96000");
  EXPECT_EQ(p.SampleRate, " -ar 44100 ");
}

TEST_F(ProfilesTest, OriginalSizeTakesTheSourcesFrame) {
  Source("640x480", "1200", "96");
  Apply(105, "320x240 720x576", "100 200 300 400 500");
  Form->cb_size->SetItemIndex(2);
  ASSERT_EQ(Form->cb_size->Text(), "The original width and height");
  Pieces p = AllPieces();
  EXPECT_EQ(p.Size, " -s 640x480");
  EXPECT_EQ(p.Aspect, " -aspect 1.3333");
  // Without a known source size the encoder keeps the source's own.
  Source("", "1200", "96");
  EXPECT_EQ(Form->SizeArgument(), "");
}

TEST_F(ProfilesTest, AspectHasFourDecimalsAndAPointInEveryLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  Select(1);
  EXPECT_EQ(Form->AspectArgument(" -s 320x240"), " -aspect 1.3333");
  EXPECT_EQ(Form->AspectArgument(" -s 720x576"), " -aspect 1.2500");
  EXPECT_EQ(Form->AspectArgument(" -s 1280x720"), " -aspect 1.7778");
  EXPECT_EQ(Form->AspectArgument(""), "");
  EXPECT_EQ(Form->AspectArgument(" -s 320x0"), "");
}

TEST_F(ProfilesTest, AmrProfilePieces) {
  Source("640x480", "1200", "96");
  Apply(8, "176x144 320x240", "100 200 300 400 500");
  Choose(0, 0, 0);
  Pieces p = AllPieces();
  EXPECT_EQ(p.Audio, " -ab 12200");
  EXPECT_EQ(p.SampleRate, " -ar 8000 ");
  EXPECT_EQ(p.Channels, " -ac 1 ");
  const char *amr[] = {" -ab 12200", " -ab 10200", " -ab 7400", " -ab 5900", " -ab 4750"};
  for (int q = 0; q < 5; ++q) {
    Form->cb_audiobitrate->SetItemIndex(q);
    EXPECT_EQ(Form->AudioBitrateArgument(), amr[q]);
  }
  // The original audio item has no AMR entry: Normal.
  Form->cb_audiobitrate->SetItemIndex(5);
  EXPECT_EQ(Form->AudioBitrateArgument(), " -ab 7400");
}

TEST_F(ProfilesTest, DeviceProfileVideoPieceIsTheTokenInThousands) {
  Source("640x480", "1200", "96");
  Apply(30, "480x320", "256 384 512 640 768");
  Choose(0, 0, 1);
  EXPECT_EQ(Form->VideoBitrateArgument(), " -r 25 -b 768000");
  Form->cb_videobitrate->SetItemIndex(4);
  EXPECT_EQ(Form->VideoBitrateArgument(), " -r 25 -b 256000");
  EXPECT_EQ(Form->AudioBitrateArgument(), " -ab 192000");
}

TEST_F(ProfilesTest, AudioOnlyProfileHasNoVideoSizeOrAspect) {
  Source("640x480", "1200", "96");
  Select(15);
  Form->cb_audiobitrate->SetItemIndex(0);
  Pieces p = AllPieces();
  EXPECT_EQ(p.Size, "");
  EXPECT_EQ(p.Aspect, "");
  EXPECT_EQ(p.Video, "");
  EXPECT_EQ(p.Audio, " -ab 320000");
  EXPECT_EQ(p.SampleRate, " -ar 48000 ");
}

TEST_F(ProfilesTest, DiscTargetKeepsOnlyChannelsAndTheTarget) {
  Source("640x480", "1200", "96");
  Select(113);
  Form->cb_size->SetItemIndex(1);
  Form->cb_channel->SetItemIndex(0);
  Pieces p = AllPieces();
  EXPECT_EQ(p.Size, "");
  EXPECT_EQ(p.Aspect, "");
  EXPECT_EQ(p.Video, "");
  EXPECT_EQ(p.Audio, "");
  EXPECT_EQ(p.SampleRate, "");
  EXPECT_EQ(p.Channels, " -ac 1");
  EXPECT_EQ(Form->TargetOptions(), " -target ntsc-svcd ");
  Select(112);
  Form->cb_size->SetItemIndex(0);
  EXPECT_EQ(Form->TargetOptions(), " -target pal-vcd ");
  // No choice in the size list: its first item.
  Select(114);
  Form->cb_size->SetItemIndex(-1);
  EXPECT_EQ(Form->TargetOptions(), " -target pal-dvd ");
}

TEST_F(ProfilesTest, ASizeListWithoutChoiceGivesItsFirstSize) {
  Source("640x480", "1200", "96");
  Select(1);
  Form->cb_size->SetItemIndex(-1);
  EXPECT_EQ(Form->SizeArgument(), " -s 320x240");
  // "No Video" is no size for the encoder.
  Apply(26, "", "");
  EXPECT_EQ(Form->SizeArgument(), "");
}

TEST_F(ProfilesTest, ASizeItemGoingOnWithABracketKeepsTheSizeOnly) {
  Apply(30, "640x480(4:3) 320x240", "100 200 300 400 500");
  Form->cb_size->SetItemIndex(0);
  std::string size = Form->SizeArgument();
  EXPECT_EQ(size, " -s 640x480");
  EXPECT_EQ(Form->AspectArgument(size), " -aspect 1.3333");
}

TEST_F(ProfilesTest, SampleRateFollowsTheAudioBitrate) {
  Select(1);
  EXPECT_EQ(Form->SampleRateArgument(" -ab 320000"), " -ar 48000 ");
  EXPECT_EQ(Form->SampleRateArgument(" -ab 192000"), " -ar 44100 ");
  EXPECT_EQ(Form->SampleRateArgument(" -ab 128000"), " -ar 44100 ");
  EXPECT_EQ(Form->SampleRateArgument(" -ab 64000"), " -ar 22050 ");
  EXPECT_EQ(Form->SampleRateArgument(" -ab 32000"), " -ar 22050 ");
  EXPECT_EQ(Form->SampleRateArgument(""), "");
}

TEST_F(ProfilesTest, ChannelsPieceCountsFromTheChannelList) {
  Select(1);
  Form->cb_channel->SetItemIndex(0);
  EXPECT_EQ(Form->ChannelsArgument(), " -ac 1");
  Form->cb_channel->SetItemIndex(1);
  EXPECT_EQ(Form->ChannelsArgument(), " -ac 2");
  // Never " -ac 0": no choice counts as the list's start choice.
  Form->cb_channel->SetItemIndex(-1);
  EXPECT_EQ(Form->ChannelsArgument(), " -ac 2");
}
