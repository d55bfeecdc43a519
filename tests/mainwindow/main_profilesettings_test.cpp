// Each profile keeps its own choices of size, quality and channels in "pro Vantrel.ini".
#include <filesystem>
#include <stdexcept>

#include "mainform_fixture.h"

namespace {

struct TChoices {
  int Size, Video, Audio, Channel;
  bool operator==(const TChoices &) const = default;
};

std::ostream &operator<<(std::ostream &out, const TChoices &c) {
  return out << c.Size << " / " << c.Video << " / " << c.Audio << " / " << c.Channel;
}

class ProfileSettingsTest : public MainFormTest {
protected:
  // As the chooser does: the number first, then the selection.
  void Select(int n) {
    Main.SelProfile = n;
    Form->SelectProfile(n);
  }
  TChoices Choices() const {
    return {Form->cb_size->ItemIndex(), Form->cb_videobitrate->ItemIndex(), Form->cb_audiobitrate->ItemIndex(),
            Form->cb_channel->ItemIndex()};
  }
  void Choose(TChoices c) {
    Form->cb_size->SetItemIndex(c.Size);
    Form->cb_videobitrate->SetItemIndex(c.Video);
    Form->cb_audiobitrate->SetItemIndex(c.Audio);
    Form->cb_channel->SetItemIndex(c.Channel);
  }
  // A default that the list does not hold selects nothing.
  static int Within(const TComboBox *combo, int index) {
    return index < combo->Items().Count() ? index : -1;
  }
  TChoices Expected(TChoices defaults) const {
    return {Within(Form->cb_size, defaults.Size), Within(Form->cb_videobitrate, defaults.Video),
            Within(Form->cb_audiobitrate, defaults.Audio), Within(Form->cb_channel, defaults.Channel)};
  }
  std::string ProfileFile() const { return Places.WinDir / "pro Vantrel.ini"; }
  TIniFile Stored() const { return TIniFile(ProfileFile()); }
  // Starts the form as an edition other than the video one: its settings, with profile 1, are read
  // after the name is set, as FormShow reads them after assigning it.
  void StartDvdEdition() {
    Create();
    Main.EditionName = "Vantrel DVD.exe";
    ASSERT_FALSE(Form->IsVideoEdition());
    Form->LoadSettings();
  }
};

struct TDefaultsCase {
  int Profile;
  TChoices SetA, SetB;
};

// One or two profiles from each row of the default table, at the rows' range ends.
const TDefaultsCase DefaultCases[] = {
    {27, {0, 2, 2, 1}, {0, 2, 2, 1}},  {116, {0, 2, 2, 1}, {0, 2, 2, 1}},  {88, {0, 2, 2, 1}, {0, 2, 2, 1}},
    {2, {4, 5, 5, 1}, {4, 2, 2, 1}},   {13, {4, 5, 5, 1}, {4, 2, 2, 1}},   {108, {4, 5, 5, 1}, {4, 2, 2, 1}},
    {130, {4, 5, 5, 1}, {4, 2, 2, 1}}, {55, {2, 2, 2, 1}, {2, 2, 2, 1}},   {97, {2, 2, 2, 1}, {2, 2, 2, 1}},
    {69, {1, 2, 2, 1}, {1, 2, 2, 1}},  {89, {1, 2, 2, 1}, {1, 2, 2, 1}},   {118, {5, 2, 2, 1}, {2, 2, 2, 1}},
    {123, {5, 2, 2, 1}, {2, 2, 2, 1}}, {1, {0, 5, 5, 1}, {0, 2, 2, 1}},    {114, {0, 5, 5, 1}, {0, 2, 2, 1}},
    {8, {2, 5, 5, 1}, {2, 2, 2, 1}},   {111, {2, 5, 5, 1}, {2, 2, 2, 1}},  {4, {5, 5, 5, 1}, {2, 2, 2, 1}},
    {110, {5, 5, 5, 1}, {2, 2, 2, 1}}, {7, {1, 5, 5, 1}, {1, 2, 2, 1}},    {14, {1, 5, 5, 1}, {1, 2, 2, 1}},
    {99, {4, 2, 2, 1}, {4, 2, 2, 1}},  {100, {4, 2, 2, 1}, {4, 2, 2, 1}},
};

const int AudioProfiles[] = {15, 17, 25, 33, 40, 45, 59, 71, 80};
const int NumbersWithoutEntry[] = {26, 52, 67, 74, 82, 90, 98, 101, 109, 117, 124, 131};

}  // namespace

TEST_F(ProfileSettingsTest, ANeverChosenProfileGetsTheVideoEditionsDefaults) {
  CreateAndShow();
  // The start-up selection of profile 1 restored its own defaults too.
  EXPECT_EQ(Choices(), Expected({0, 5, 5, 1}));
  for (const TDefaultsCase &c : DefaultCases) {
    SCOPED_TRACE(c.Profile);
    Select(c.Profile);
    EXPECT_EQ(Choices(), Expected(c.SetA));
  }
}

TEST_F(ProfileSettingsTest, ANeverChosenProfileGetsTheOtherEditionsDefaults) {
  StartDvdEdition();
  EXPECT_EQ(Choices(), Expected({0, 2, 2, 1}));
  for (const TDefaultsCase &c : DefaultCases) {
    SCOPED_TRACE(c.Profile);
    Select(c.Profile);
    EXPECT_EQ(Choices(), Expected(c.SetB));
  }
}

TEST_F(ProfileSettingsTest, OriginalQualityDefaultsSelectTheOriginalItems) {
  CreateAndShow();
  Select(2);
  EXPECT_EQ(Form->cb_videobitrate->Text(), "The Original Video Quliay");
  EXPECT_EQ(Form->cb_audiobitrate->Text(), "The Original Audio Quliay");
  EXPECT_EQ(Form->cb_channel->Text(), "Stereo");
}

TEST_F(ProfileSettingsTest, ChoicesComeBackAfterAnotherProfile) {
  CreateAndShow();
  Select(2);
  Choose({1, 3, 0, 0});
  Select(7);
  EXPECT_EQ(Choices(), Expected({1, 5, 5, 1}));
  Choose({2, 4, 4, 0});
  Select(2);
  EXPECT_EQ(Choices(), (TChoices{1, 3, 0, 0}));
  Select(7);
  EXPECT_EQ(Choices(), (TChoices{2, 4, 4, 0}));
  TIniFile ini = Stored();
  EXPECT_EQ(ini.ReadInteger("2", "size", 99), 1);
  EXPECT_EQ(ini.ReadInteger("2", "video bitrate", 99), 3);
  EXPECT_EQ(ini.ReadInteger("2", "audio bitrate", 99), 0);
  EXPECT_EQ(ini.ReadInteger("2", "Channel", 99), 0);
}

TEST_F(ProfileSettingsTest, ReselectingTheCurrentProfileKeepsItsChoices) {
  CreateAndShow();
  Select(3);
  Choose({2, 1, 4, 0});
  Select(3);
  EXPECT_EQ(Choices(), (TChoices{2, 1, 4, 0}));
  EXPECT_EQ(Stored().ReadInteger("3", "audio bitrate", 99), 4);
}

TEST_F(ProfileSettingsTest, NoSelectionIsStoredAsMinusOneAndComesBackAsNone) {
  CreateAndShow();
  // An MP4 profile has five quality items, so the video edition's default 5 selects nothing.
  Select(4);
  ASSERT_EQ(Form->cb_videobitrate->Items().Count(), 5);
  EXPECT_EQ(Form->cb_videobitrate->ItemIndex(), -1);
  EXPECT_EQ(Form->cb_audiobitrate->ItemIndex(), -1);
  Select(1);
  EXPECT_EQ(Stored().ReadInteger("4", "video bitrate", 99), -1);
  EXPECT_EQ(Stored().ReadInteger("4", "audio bitrate", 99), -1);
  Select(4);
  EXPECT_EQ(Form->cb_videobitrate->ItemIndex(), -1);
  EXPECT_EQ(Form->cb_audiobitrate->ItemIndex(), -1);
}

TEST_F(ProfileSettingsTest, TheFirstSelectionAfterStartStoresNothing) {
  CreateAndShow();
  EXPECT_FALSE(std::filesystem::exists(ProfileFile()));
  EXPECT_EQ(Main.CurProfile, 1);
}

TEST_F(ProfileSettingsTest, AnAudioProfileRestoresOnlyAudioQualityAndChannels) {
  CreateAndShow();
  Select(17);
  // The audio profile's lists as SelectProfile left them.
  EXPECT_EQ(Form->cb_size->Text(), "No Video");
  EXPECT_EQ(Form->cb_videobitrate->Text(), "No Video");
  EXPECT_EQ(Form->cb_audiobitrate->ItemIndex(), 2);
  EXPECT_EQ(Form->cb_channel->ItemIndex(), 1);
  Form->cb_audiobitrate->SetItemIndex(0);
  Form->cb_channel->SetItemIndex(0);
  Select(1);
  EXPECT_EQ(Stored().ReadSection("17"), (std::vector<std::string>{"audio bitrate", "Channel"}));
  Select(17);
  EXPECT_EQ(Form->cb_size->Text(), "No Video");
  EXPECT_EQ(Form->cb_videobitrate->Text(), "No Video");
  EXPECT_EQ(Form->cb_audiobitrate->ItemIndex(), 0);
  EXPECT_EQ(Form->cb_channel->ItemIndex(), 0);
}

TEST_F(ProfileSettingsTest, EveryAudioKeySetProfileStoresItsTwoChoices) {
  CreateAndShow();
  for (int n : AudioProfiles) {
    SCOPED_TRACE(n);
    Select(n);
    Form->cb_audiobitrate->SetItemIndex(3);
    Form->cb_channel->SetItemIndex(0);
    Select(1);
    EXPECT_EQ(Stored().ReadSection(std::to_string(n)), (std::vector<std::string>{"audio bitrate", "Channel"}));
    Select(n);
    EXPECT_EQ(Form->cb_audiobitrate->ItemIndex(), 3);
    EXPECT_EQ(Form->cb_channel->ItemIndex(), 0);
  }
}

TEST_F(ProfileSettingsTest, Profile26IsNeitherRestoredNorStored) {
  CreateAndShow();
  Select(2);
  Choose({1, 3, 4, 0});
  Select(26);
  // Nothing of 26 comes back: the quality and channel choices stay as they were.
  EXPECT_EQ(Form->cb_audiobitrate->ItemIndex(), 4);
  EXPECT_EQ(Form->cb_channel->ItemIndex(), 0);
  Form->cb_channel->SetItemIndex(1);
  Select(2);
  EXPECT_FALSE(Stored().SectionExists("26"));
  EXPECT_EQ(Choices(), (TChoices{1, 3, 4, 0}));
}

TEST_F(ProfileSettingsTest, NumbersWithoutAnEntryLeaveTheFileAlone) {
  CreateAndShow();
  for (int n : NumbersWithoutEntry) {
    Form->SaveProfileSettings(n);
    Form->LoadVideoProfileSettings(n);
    Form->LoadDvdProfileSettings(n);
  }
  Form->SaveProfileSettings(0);
  EXPECT_FALSE(std::filesystem::exists(ProfileFile()));
}

TEST_F(ProfileSettingsTest, StoredValuesAreReadAsTheIniLayerReadsIntegers) {
  WriteWindowsFile("pro Vantrel.ini",
                   "[2]\nsize=0x3\nvideo bitrate=$1\naudio bitrate=two\nChannel=0\n"
                   "[3]\nsize=9\nvideo bitrate=-1\n");
  CreateAndShow();
  Select(2);
  // A value that is not a whole number gives the default.
  EXPECT_EQ(Choices(), (TChoices{3, 1, 5, 0}));
  Select(3);
  // Beyond the list, or -1: no selection; missing keys: the defaults.
  EXPECT_EQ(Choices(), (TChoices{-1, -1, 5, 1}));
}

TEST_F(ProfileSettingsTest, ARefusedWriteEndsTheProfileChange) {
  // A folder where the file should be: it reads as empty and refuses every write.
  std::filesystem::create_directory(ProfileFile());
  CreateAndShow();
  EXPECT_EQ(Main.CurProfile, 1);
  Form->cb_size->SetItemIndex(1);
  const std::vector<std::string> sizesOf1 = Form->cb_size->Items().Items();
  try {
    Select(17);
    FAIL() << "the write was not refused";
  } catch (const std::runtime_error &error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + ProfileFile());
  }
  // The new profile was not applied.
  EXPECT_EQ(Main.CurProfile, 1);
  EXPECT_EQ(Form->cb_size->Items().Items(), sizesOf1);
  EXPECT_EQ(Form->cb_size->ItemIndex(), 1);
}
