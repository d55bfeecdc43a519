// The DVD edition's title source over a stand-in of Ifoinfo.dll: listing titles and chapters from a
// folder or IFO files, track choices, check marks across modes, the input text, and the batch with a
// small fake encoder.
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>

#include "convertTh.h"
#include "dir.h"
#include "files.h"
#include "mainform_fixture.h"
#include "shell.h"

namespace fs = std::filesystem;

namespace {

// What the stand-in reports for one IFO file (found by its name).
struct FakeCell {
  int First, Last, Seconds;
};
struct FakeTitle {
  int Seconds;  // the title's own playback time
  std::vector<FakeCell> Cells;
};
struct FakeIfo {
  std::vector<FakeTitle> Titles;
  std::vector<std::string> Audio = {"English AC3 2ch 48kHz (0x80)", "Deutsch MPEG1 2ch 48kHz (0xc1)"};
  std::vector<std::string> SubPictures = {"English (0x20)", "Francais (0x21)"};
  std::string Video = "MPEG-2 720x576 PAL 4:3";
};

std::map<std::string, FakeIfo> FakeFiles;
std::vector<std::string> Opened;

const FakeIfo *Of(std::intptr_t handle) { return reinterpret_cast<const FakeIfo *>(handle); }

void PutLE32(unsigned char *p, int v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(static_cast<unsigned>(v) >> (8 * i));
}

void InstallFakeLibrary() {
  Tfm_main::TIfoLibrary &lib = Tfm_main::IfoLibrary;
  lib.ifoOpen = [](const char *path, int) -> std::intptr_t {
    Opened.push_back(path);
    auto it = FakeFiles.find(win::ExtractFileName(path));
    return it == FakeFiles.end() ? 0 : reinterpret_cast<std::intptr_t>(&it->second);
  };
  lib.ifoGetNumPGCI = [](std::intptr_t h) { return static_cast<int>(Of(h)->Titles.size()); };
  lib.ifoGetPGCIInfo = [](std::intptr_t h, int t, unsigned char *time) {
    const FakeTitle &title = Of(h)->Titles.at(static_cast<std::size_t>(t));
    time[0] = static_cast<unsigned char>(title.Seconds / 3600);
    time[1] = static_cast<unsigned char>(title.Seconds / 60 % 60);
    time[2] = static_cast<unsigned char>(title.Seconds % 60);
    time[3] = 0;
    return static_cast<int>(title.Cells.size());
  };
  lib.ifoGetPGCICells = [](std::intptr_t h, int t, unsigned char *cells) {
    const FakeTitle &title = Of(h)->Titles.at(static_cast<std::size_t>(t));
    for (const FakeCell &c : title.Cells) {
      std::fill(cells, cells + 17, 0xAA);
      PutLE32(cells, c.First);
      PutLE32(cells + 4, c.Last);
      cells[13] = static_cast<unsigned char>(c.Seconds / 3600);
      cells[14] = static_cast<unsigned char>(c.Seconds / 60 % 60);
      cells[15] = static_cast<unsigned char>(c.Seconds % 60);
      cells += 17;
    }
    return static_cast<int>(title.Cells.size());
  };
  lib.ifoGetVideoDesc = [](std::intptr_t h) { return Of(h)->Video.c_str(); };
  lib.ifoGetNumAudio = [](std::intptr_t h) { return static_cast<int>(Of(h)->Audio.size()); };
  lib.ifoGetNumSubPic = [](std::intptr_t h) { return static_cast<int>(Of(h)->SubPictures.size()); };
  lib.ifoGetAudioDesc = [](std::intptr_t h, int i) { return Of(h)->Audio.at(static_cast<std::size_t>(i)).c_str(); };
  lib.ifoGetSubPicDesc = [](std::intptr_t h, int i) {
    return Of(h)->SubPictures.at(static_cast<std::size_t>(i)).c_str();
  };
}

// Two titles of two chapters each, in the shape of the generated test DVD.
FakeIfo TwoTitles() {
  FakeIfo ifo;
  ifo.Titles = {{6, {{0, 1575, 3}, {1576, 3153, 3}}}, {7, {{3154, 5235, 4}, {5236, 6808, 3}}}};
  return ifo;
}

// Records its command line and writes its output file; line N of "plan" may make run N "fail"
// (exit 1, no output) or leave an "empty" output.
const char *const FakeEncoder = R"(#!/bin/sh
dir=$(dirname "$0")
for last; do :; done
printf '%s\n' "$*" >> "$dir/runs.txt"
run=$(wc -l < "$dir/runs.txt")
plan=$(sed -n "${run}p" "$dir/plan" 2>/dev/null)
printf 'frame=1 time=1.00 bitrate=1\r'
[ "$plan" = fail ] && exit 1
[ "$plan" = empty ] && { : > "$last"; exit 0; }
echo video > "$last" || exit 1
)";

class DvdTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    FakeFiles.clear();
    Opened.clear();
    Tfm_main::IfoLibrary = {};
    InstallFakeLibrary();
    // Profile 110 writes ".mpg" files.
    WriteWindowsFile("Vantrel.ini", "[output]\npath=" + Output.Path + "/\n[profiles]\nselcetsubindex=110\n");
    CreateAndShow();
    Main.EditionName = "Vantrel DVD.exe";
    Form->SelectProfile(110);
    if (!fm_dir) {
      fm_dir = CreateForm<Tfm_dir>(nullptr);
      OwnDir = true;
    }
  }
  void TearDown() override {
    if (OwnDir) {
      delete fm_dir;
      fm_dir = nullptr;
    }
    Tfm_main::IfoLibrary = {};
    MainFormTest::TearDown();
  }

  // A DVD folder: root/VIDEO_TS holding the named (empty) files.
  std::string MakeDvd(std::initializer_list<std::string> names) {
    fs::create_directories(Disc / "VIDEO_TS");
    for (const std::string &name : names) std::ofstream(Disc / ("VIDEO_TS/" + name)) << "";
    return Disc.Path;
  }
  // Add DVD, answering the folder chooser with `folder`.
  void OpenDvd(const std::string &folder) {
    QTimer::singleShot(0, [this, folder] {
      DirCaption = fm_dir->Caption();
      fm_dir->ShellTreeView1->SetPath(folder);
      fm_dir->btn_okClick();
    });
    Form->OpenDvd();
  }
  void OpenIfo(const std::vector<std::string> &files) {
    auto previous = win::SetOpenDialogHandler([this, files](const win::TOpenRequest &request) {
      Filter = request.Filter;
      return files;
    });
    Form->OpenIfoFile();
    win::SetOpenDialogHandler(previous);
  }
  std::vector<std::string> Captions() {
    std::vector<std::string> captions;
    for (int i = 0; i < Form->lv->Count(); ++i) captions.push_back(Form->lv->Items()[i]->Caption());
    return captions;
  }
  std::vector<bool> Checks() {
    std::vector<bool> checks;
    for (int i = 0; i < Form->lv->Count(); ++i) checks.push_back(Form->lv->Items()[i]->Checked());
    return checks;
  }
  std::string Status(int row) { return Form->lv->Items()[row]->SubItems().Strings(3); }
  std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const auto &m : Messages) texts.push_back(m.Text);
    return texts;
  }
  // Points the batch at the fake encoder and runs it to its end.
  void Convert() {
    const std::string encoder = Tools / "encoder.sh";
    std::ofstream(encoder) << FakeEncoder;
    fs::permissions(encoder, fs::perms::owner_all);
    Main.EncoderJob.EncoderPath = encoder;
    Main.EncoderJob.WorkDir = Tools.Path + "/";
    Form->StartConversion();
    ASSERT_TRUE(win::PumpUntil([] { return !Main.Converting; }, 20000));
  }
  std::vector<std::string> Runs() {
    std::vector<std::string> runs;
    std::ifstream file(Tools / "runs.txt");
    for (std::string line; std::getline(file, line);) runs.push_back(line);
    return runs;
  }

  testsupport::TempDir Disc, Output, Tools;
  bool OwnDir = false;
  std::string DirCaption, Filter;
};

}  // namespace

TEST_F(DvdTest, TheMenuIfoIsNeverReadAsTitlesInAnyCase) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  FakeFiles["Video_Ts.Ifo"] = TwoTitles();
  OpenDvd(MakeDvd({"Video_Ts.Ifo", "VTS_01_0.IFO", "VTS_01_1.VOB", "notes.txt"}));
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(win::ExtractFileName(Opened[0]), "VTS_01_0.IFO");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Title_01", "Title_02"}));
  EXPECT_EQ(DirCaption, "Select DVD Directory");
}

TEST_F(DvdTest, TheRootFolderFindsItsVideoTsFolder) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  FakeFiles["VTS_02_0.IFO"] = TwoTitles();
  MakeDvd({"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_02_0.IFO"});
  OpenDvd(Disc.Path);
  EXPECT_EQ(Form->lv->Count(), 4);
  EXPECT_EQ(Form->IfoCount, 2);
  EXPECT_TRUE(Messages.empty());
  // Rows of the second title set name it in their input text; the root is the folder chosen.
  EXPECT_EQ(Form->DvdInputText(2, 7), "vts://02*7*3153*0x80*0*/" + Disc.Path);
  EXPECT_EQ(Form->DvdInputText(1, 3154), "vts://01*3154*6808*0x80*0*/" + Disc.Path);
}

TEST_F(DvdTest, AFolderWithoutIfoFilesIsNoDisc) {
  fs::create_directories(Disc / "VIDEO_TS");
  std::ofstream(Disc / "VIDEO_TS/VIDEO_TS.IFO") << "";
  OpenDvd(Disc.Path);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Can't find DVD disc.");
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtInformation);
  EXPECT_EQ(Form->lv->Count(), 0);
}

TEST_F(DvdTest, IfoFilesWithoutAcceptableTitlesLeaveAnEmptyListSilently) {
  FakeIfo shortOnly;
  shortOnly.Titles = {{5, {{0, 999, 5}}}};
  FakeFiles["VTS_01_0.IFO"] = shortOnly;
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  EXPECT_EQ(Form->lv->Count(), 0);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(DvdTest, ShortTitlesAreLeftOutAndTheOthersNumberedInOrder) {
  FakeIfo ifo;
  ifo.Titles = {
      {0, {{0, 5000, 0}}},                  // no playing time
      {4, {{5001, 5999, 4}}},               // 999 positions
      {4, {{6000, 7000, 4}}},               // exactly 1000: listed
      {9, {{7001, 9000, 5}, {9001, 12000, 4}}},
      {6, {}},                              // no cells at all
  };
  FakeFiles["VTS_01_0.IFO"] = ifo;
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Title_01", "Title_02"}));
  ASSERT_EQ(Form->DvdTitles.size(), 2u);
  EXPECT_EQ(Form->DvdTitles[1].StartPosition, 7001);
  EXPECT_EQ(Form->DvdTitles[1].EndPosition, 12000);
  EXPECT_EQ(Form->DvdTitles[1].DurationSeconds, 9);
  // The longer title is selected, every row checked; the rows show size, time and status.
  EXPECT_EQ(Form->lv->ItemIndex(), 1);
  EXPECT_EQ(Checks(), (std::vector<bool>{true, true}));
  const TStringList &columns = Form->lv->Items()[1]->SubItems();
  EXPECT_EQ(columns[0], "720x576");
  EXPECT_EQ(columns[1], "00:00:09");
  EXPECT_EQ(columns[3], "Ready");
  EXPECT_EQ(Main.MediaInfo[1].Duration, "00:00:09");
  EXPECT_EQ(Main.MediaInfo[1].FrameSize, "720x576");
  // The "original" qualities take the title's own rates: its sectors over its time, less the sound.
  EXPECT_EQ(Main.MediaInfo[1].VideoKbps, std::to_string(5000LL * 2048 * 8 / 1000 / 9 - 128));
  EXPECT_EQ(Main.MediaInfo[1].AudioKbps, "128");
}

TEST_F(DvdTest, ShortAndSilentChaptersAreLeftOutAndKeepTheirNumbers) {
  FakeIfo ifo;
  ifo.Titles = {{12, {{0, 2000, 3}, {2001, 2500, 2}, {2501, 4000, 0}, {4001, 6000, 7}}}};
  FakeFiles["VTS_01_0.IFO"] = ifo;
  Main.TitleMode = false;
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Title_01", "  Chapter_01", "  Chapter_04"}));
  // The fourth cell starts after the three before it, the silent one included.
  EXPECT_EQ(Form->DvdTitles[2].StartSecond, 5);
  EXPECT_EQ(Form->DvdTitles[2].EndSecond, 12);
  EXPECT_EQ(Form->DvdTitles[2].StartPosition, 4001);
  ASSERT_EQ(Form->CellTable.size(), 3u);
  EXPECT_TRUE(Form->CellTable[0].TitleHeader);
  EXPECT_EQ(Form->CellTable[2].FirstPosition, 4001);
  EXPECT_EQ(Form->ChapterChecks.size(), 3u);
  EXPECT_TRUE(Form->TitleChecks.empty());
}

TEST_F(DvdTest, ChapterModeAndBackKeepsEachModesChecks) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  Form->lv->Items()[0]->SetChecked(false);
  Form->lvClick();

  Form->ToggleTitleChapterMode(Main.TitleMode);
  EXPECT_FALSE(Main.TitleMode);
  // A title row is numbered by the rows before it, chapters included.
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Title_01", "  Chapter_01", "  Chapter_02", "Title_04",
                                                  "  Chapter_01", "  Chapter_02"}));
  EXPECT_EQ(Checks(), std::vector<bool>(6, true)) << "a mode seen for the first time starts all checked";
  Form->lv->Items()[4]->SetChecked(false);
  Form->lvClick();

  Form->ToggleTitleChapterMode(Main.TitleMode);
  EXPECT_TRUE(Main.TitleMode);
  EXPECT_EQ(Checks(), (std::vector<bool>{false, true}));
  Form->ToggleTitleChapterMode(Main.TitleMode);
  EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true, true, false, true}));
  EXPECT_EQ(Form->IfoCount, 1);
}

TEST_F(DvdTest, SelectAllAndUnselectAllSetRowsAndTheModesMarks) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  Form->MenuItem11Click();
  EXPECT_EQ(Checks(), (std::vector<bool>{false, false}));
  EXPECT_EQ(Form->TitleChecks, (std::vector<bool>{false, false}));
  Form->MenuItem10Click();
  EXPECT_EQ(Checks(), (std::vector<bool>{true, true}));
  EXPECT_EQ(Form->TitleChecks, (std::vector<bool>{true, true}));
}

TEST_F(DvdTest, CommandsWaitForAConversionOrAPreview) {
  Main.Converting = true;
  Main.Playing = true;
  Form->OpenDvd();
  Form->OpenIfoFile();
  Form->ToggleTitleChapterMode(Main.TitleMode);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Please first stop convert!", "Please first stop convert!",
                                                      "Please first stop play!"}));
  EXPECT_TRUE(Main.TitleMode);
  Main.Converting = false;
  Messages.clear();
  Form->OpenDvd();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Please first stop play!");
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtWarning);
}

TEST_F(DvdTest, AnIfoFileThatListsNothingIsInvalid) {
  MakeDvd({"VTS_07_0.IFO"});
  OpenIfo({Disc / "VIDEO_TS/VTS_07_0.IFO"});
  EXPECT_EQ(Filter, "IFO Files(*.ifo)|*.ifo;");
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "The selected IFO File is invalid, please choose another one.");
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtInformation);
}

TEST_F(DvdTest, UnreadableChosenIfoFilesAreNamedOnceAndTheOthersListed) {
  FakeFiles["VTS_02_0.IFO"] = TwoTitles();
  MakeDvd({"VTS_01_0.IFO", "VTS_02_0.IFO", "VTS_03_0.IFO"});
  OpenIfo({Disc / "VIDEO_TS/VTS_01_0.IFO", Disc / "VIDEO_TS/VTS_02_0.IFO", Disc / "VIDEO_TS/VTS_03_0.IFO"});
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Title_01", "Title_02"}));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtWarning);
  EXPECT_NE(Messages[0].Text.find(Disc / "VIDEO_TS/VTS_01_0.IFO"), std::string::npos) << Messages[0].Text;
  EXPECT_NE(Messages[0].Text.find(Disc / "VIDEO_TS/VTS_03_0.IFO"), std::string::npos) << Messages[0].Text;
  EXPECT_EQ(Messages[0].Text.find("VTS_02_0.IFO"), std::string::npos) << Messages[0].Text;
}

TEST_F(DvdTest, ACancelledAddDvdKeepsTheListedTitlesWorking) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  ASSERT_EQ(Form->lv->Count(), 2);
  QTimer::singleShot(0, [] { fm_dir->btn_cancelClick(); });
  Form->OpenDvd();
  ASSERT_EQ(Form->lv->Count(), 2);
  Form->cb_audio->Clear();
  Form->lv->SetItemIndex(1);
  Form->lvClick();
  EXPECT_EQ(Form->cb_audio->Items().Items(), TwoTitles().Audio);
  Form->ToggleTitleChapterMode(Main.TitleMode);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Title_01", "  Chapter_01", "  Chapter_02", "Title_04",
                                                  "  Chapter_01", "  Chapter_02"}));
}

TEST_F(DvdTest, TracksFollowTheRowsFileAndKeepEachRowsChoice) {
  FakeIfo second = TwoTitles();
  second.Audio = {"Espanol DTS 6ch 48kHz (0x88)"};
  second.SubPictures = {};
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  FakeFiles["VTS_02_0.IFO"] = second;
  MakeDvd({"VTS_01_0.IFO", "VTS_02_0.IFO", "VTS_03_0.IFO"});
  OpenIfo({Disc / "VIDEO_TS/VTS_01_0.IFO", Disc / "VIDEO_TS/VTS_02_0.IFO", Disc / "VIDEO_TS/VTS_03_0.IFO"});
  ASSERT_EQ(Form->lv->Count(), 4);

  Form->lv->SetItemIndex(1);
  Form->lvClick();
  EXPECT_EQ(Form->cb_audio->Items().Items(), TwoTitles().Audio);
  EXPECT_EQ(Form->cb_subtitle->Items().Items(),
            (std::vector<std::string>{"No Subtitle", "English (0x20)", "Francais (0x21)"}));
  Form->cb_audio->SetItemIndex(1);
  Form->cb_audioChange();
  Form->cb_subtitle->SetItemIndex(2);
  Form->cb_subtitleChange();
  EXPECT_EQ(Form->DvdTitles[1].AudioStream, "0xc1");
  EXPECT_EQ(Form->DvdTitles[1].SubtitleStream, "0x21");

  // A row of the second file; the unreadable third file, read last, takes no row's tracks.
  Form->lv->SetItemIndex(3);
  Form->lvClick();
  EXPECT_EQ(Form->cb_audio->Items().Items(), second.Audio);
  EXPECT_EQ(Form->cb_subtitle->Items().Items(), (std::vector<std::string>{"No Subtitle"}));
  EXPECT_EQ(Form->DvdTitles[3].AudioStream, "0x88");

  Form->lv->SetItemIndex(1);
  Form->lvClick();
  EXPECT_EQ(Form->cb_audio->ItemIndex(), 1);
  EXPECT_EQ(Form->cb_subtitle->ItemIndex(), 2);
  Form->cb_subtitle->SetItemIndex(0);
  Form->cb_subtitleChange();
  EXPECT_EQ(Form->DvdTitles[1].SubtitleStream, "0");
  EXPECT_EQ(Form->DvdInputText(1, 3154), "vts://01*3154*6808*0xc1*0*/" + Disc.Path);
}

TEST_F(DvdTest, ZeroCodesWithoutSubtitlesOrAudio) {
  FakeIfo silent = TwoTitles();
  silent.Audio = {};
  silent.SubPictures = {};
  FakeFiles["vts_04_0.ifo"] = silent;
  fs::create_directories(Disc / "video_ts");
  std::ofstream(Disc / "video_ts/vts_04_0.ifo") << "";
  OpenIfo({Disc / "video_ts/vts_04_0.ifo"});
  ASSERT_EQ(Form->lv->Count(), 2);
  EXPECT_EQ(Form->DvdTitles[0].AudioStream, "0");
  EXPECT_EQ(Form->DvdTitles[0].SubtitleStream, "0");
  EXPECT_EQ(Form->DvdInputText(0, 0), "vts://04*0*3153*0*0*/" + Disc.Path);
  EXPECT_TRUE(Form->cb_audio->Items().Items().empty());
}

TEST_F(DvdTest, AnIfoFileOutsideAVideoTsFolderHasItsOwnFolderAsRoot) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  std::ofstream(Disc / "VTS_01_0.IFO") << "";
  OpenIfo({Disc / "VTS_01_0.IFO"});
  ASSERT_EQ(Form->lv->Count(), 2);
  EXPECT_EQ(Form->DvdInputText(0, 0), "vts://01*0*3153*0x80*0*/" + Disc.Path);
}

TEST(DvdHelpers, StreamCodesAndNumbers) {
  EXPECT_EQ(Tfm_main::StreamCode("English AC3 2ch (0x80)"), "0x80");
  EXPECT_EQ(Tfm_main::StreamCode("x (0x20) (more)"), "0x20");
  EXPECT_EQ(Tfm_main::StreamCode("No Subtitle"), "0");
  EXPECT_EQ(Tfm_main::StreamCode("ab)"), "ab");
  EXPECT_EQ(Tfm_main::TwoDigitNumber(7), "07");
  EXPECT_EQ(Tfm_main::TwoDigitNumber(10), "10");
  EXPECT_EQ(Tfm_main::TwoDigitNumber(123), "123");
  EXPECT_EQ(Tfm_main::TimeToSeconds(1, 2, 3), 3723);
}

TEST_F(DvdTest, SecondsToPositionScalesWithinTheCellThatHoldsTheTime) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  // The whole table: title 1's second cell (3..6 s over 1576..3153) holds 4 s.
  EXPECT_EQ(Form->SecondsToPosition(4), win::MulDiv(1, 3153 - 1576, 3) + 1576);
  // 3 s lies on the edge of title 1's cells, so the whole table finds it in title 2's first cell; its
  // own title's cells hold it nowhere.
  EXPECT_EQ(Form->SecondsToPosition(3), win::MulDiv(3, 5235 - 3154, 4) + 3154);
  EXPECT_EQ(Form->SecondsToPosition(3, 1), 0);
  EXPECT_EQ(Form->SecondsToPosition(0), 0);
  // From title 2's cells on: 4 s lies on its first cell's end, 5 s inside its second.
  EXPECT_EQ(Form->SecondsToPosition(5, 4), win::MulDiv(1, 6808 - 5236, 3) + 5236);
  EXPECT_EQ(Form->ConversionStartPosition(1), 3154) << "a title starts at its own first cell";
}

TEST_F(DvdTest, ConvertsTheCheckedRowsEachFromItsOwnPositions) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  Main.TitleMode = false;
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  for (int row : {0, 1, 3, 5}) Form->lv->Items()[row]->SetChecked(false);
  Convert();
  const std::vector<std::string> runs = Runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_NE(runs[0].find("vts://01*1576*3153*0x80*0*/" + Disc.Path), std::string::npos) << runs[0];
  EXPECT_NE(runs[0].find(" -t 00:00:03"), std::string::npos) << runs[0];
  EXPECT_NE(runs[1].find("vts://01*3154*5235*0x80*0*/" + Disc.Path), std::string::npos) << runs[1];
  EXPECT_NE(runs[1].find(" -t 00:00:04"), std::string::npos) << runs[1];
  EXPECT_TRUE(fs::exists(Output / "Chapter_02.mpg"));
  EXPECT_TRUE(fs::exists(Output / "Chapter_01.mpg"));
  EXPECT_EQ(Status(2), "Finish");
  EXPECT_EQ(Status(4), "Finish");
  EXPECT_EQ(Status(5), "Ready") << "a row left out keeps its status";
  EXPECT_TRUE(Messages.empty());
}

TEST_F(DvdTest, AChapterConvertsToItsCaptionWithoutBlanksThenWithANumber) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  Main.TitleMode = false;
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  Form->MenuItem11Click();
  Form->lv->Items()[1]->SetChecked(true);
  std::ofstream(Output / "Chapter_01.mpg") << "earlier";
  Convert();
  EXPECT_EQ(Main.EncoderJob.OutputFile, Output / "Chapter_01_1.mpg");
  Convert();
  EXPECT_EQ(Main.EncoderJob.OutputFile, Output / "Chapter_01_2.mpg");
  EXPECT_EQ(Status(1), "Finish");
}

TEST_F(DvdTest, AFailedEncoderOrAnEmptyOutputIsAConvertError) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  FakeFiles["VTS_02_0.IFO"] = TwoTitles();
  OpenDvd(MakeDvd({"VTS_01_0.IFO", "VTS_02_0.IFO"}));
  Form->lv->Items()[3]->SetChecked(false);
  std::ofstream(Tools / "plan") << "fail\nempty\nmade\n";
  std::vector<std::string> shell;
  auto previous = win::SetShellExecuteHandler([&shell](const std::string &op, const std::string &file,
                                                       const std::string &params, const std::string &) {
    shell.push_back(op + "|" + file + "|" + params);
    return true;
  });
  Main.FinishAction = 2;
  Convert();
  EXPECT_EQ(Runs().size(), 3u);
  EXPECT_EQ(Status(0), "Convert Error");
  EXPECT_EQ(Status(1), "Convert Error");
  EXPECT_EQ(Status(2), "Finish");
  EXPECT_TRUE(shell.empty()) << "no power-off after a failure";

  // The folder opens for the file that was made; the failures stay on their rows.
  Main.FinishAction = 1;
  Convert();
  win::SetShellExecuteHandler(previous);
  EXPECT_EQ(Status(0), "Finish");
  EXPECT_EQ(shell, (std::vector<std::string>{"open|" + Main.OutputDir + "|"}));
}

TEST_F(DvdTest, OriginalQualitiesUseTheTitlesOwnRateAndARowWithoutOneFailsAlone) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  Form->cb_videobitrate->SetItemIndex(Form->cb_videobitrate->Items().Count() - 1);
  Main.MediaInfo[0].VideoKbps.clear();
  Convert();
  ASSERT_EQ(Runs().size(), 1u);
  EXPECT_NE(Runs()[0].find(" -b " + std::to_string(std::stoll(Main.MediaInfo[1].VideoKbps) * 1000)), std::string::npos)
      << Runs()[0];
  EXPECT_EQ(Status(0), "Convert Error");
  EXPECT_FALSE(Main.Converting);
}

TEST_F(DvdTest, OnlyABatchThatMadeItsFilesEndsWithTheAfterFinishAction) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  Form->MenuItem11Click();
  std::vector<std::string> shell;
  auto previous = win::SetShellExecuteHandler([&shell](const std::string &op, const std::string &file,
                                                       const std::string &params, const std::string &) {
    shell.push_back(op + "|" + file + "|" + params);
    return true;
  });
  Main.FinishAction = 2;
  Convert();
  EXPECT_TRUE(Runs().empty());
  EXPECT_TRUE(shell.empty()) << "nothing was made";
  EXPECT_EQ(Status(0), "Ready");
  EXPECT_EQ(Status(1), "Ready");

  Form->lv->Items()[0]->SetChecked(true);
  Convert();
  win::SetShellExecuteHandler(previous);
  EXPECT_EQ(Status(0), "Finish");
  EXPECT_EQ(shell, (std::vector<std::string>{"open|shutdown.exe| -s -t 0"}));
  EXPECT_TRUE(Messages.empty());
}

namespace {
std::vector<std::string> PlayedInputs;
bool PlayingDuringPlay = false;
}  // namespace

TEST_F(DvdTest, APreviewPlaysTheSelectedRowFromItsOwnStart) {
  FakeFiles["VTS_01_0.IFO"] = TwoTitles();
  Main.TitleMode = false;
  OpenDvd(MakeDvd({"VTS_01_0.IFO"}));
  const Tfm_main::TPreviewLibrary previous = Tfm_main::PreviewLibrary;
  Tfm_main::TPreviewLibrary player;
  player.InitPreviewWindow = [](win::HWND, int, int) {};
  player.SetEventFuntion = [](void (*)(double)) {};
  player.Seek = [](int) {};
  player.Play = [](const char *input) {
    PlayedInputs.push_back(input);
    PlayingDuringPlay = Main.Playing;
    return 0;
  };
  player.Pause = [] {};
  player.Stop = [] {};
  player.DestroyPreviewWindow = [] {};
  Tfm_main::PreviewLibrary = player;
  PlayedInputs.clear();

  Form->lv->SetItemIndex(-1);
  Form->PreviewDvdTitle();
  EXPECT_TRUE(PlayedInputs.empty()) << "nothing is selected";

  Form->lv->SetItemIndex(5);
  Form->PreviewDvdTitle();
  ASSERT_EQ(PlayedInputs.size(), 1u);
  EXPECT_EQ(PlayedInputs[0], "vts://01*5236*6808*0x80*0*/" + Disc.Path);
  EXPECT_TRUE(PlayingDuringPlay);
  EXPECT_FALSE(Main.Playing);
  EXPECT_EQ(Form->PreviewIndex, 5);

  Main.Converting = true;
  Form->PreviewDvdTitle();
  Main.Converting = false;
  EXPECT_EQ(PlayedInputs.size(), 1u);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Please first stop convert!"}));
  Tfm_main::PreviewLibrary = previous;
}
