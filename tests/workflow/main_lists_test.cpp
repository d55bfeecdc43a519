// The presentation and media lists: Add Files, Add Folder, Remove, Clear, and AddMediaFile with the
// media record it keeps, probing through a stand-in encoder that prints a report the test gives.
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "dir.h"
#include "gettime.h"
#include "mainform_fixture.h"

namespace fs = std::filesystem;

class ListsTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Gettime = GettimeGlobals{};
    Create();
    // The stand-in encoder notes each run and prints report.txt.
    const std::string encoder = Tools / "register.dat";
    std::ofstream(encoder) << "#!/bin/sh\necho run >> \"$(dirname \"$0\")/runs.txt\"\n"
                              "cat \"$(dirname \"$0\")/report.txt\" 2>/dev/null\n";
    chmod(encoder.c_str(), 0755);
    Main.EncoderJob.EncoderPath = encoder;
    Main.EncoderJob.WorkDir = Tools.Path;
    PreviousOpen = win::SetOpenDialogHandler([this](const win::TOpenRequest &request) {
      OpenRequests.push_back(request);
      return Chosen;
    });
  }
  void TearDown() override {
    win::SetOpenDialogHandler(PreviousOpen);
    MainFormTest::TearDown();
  }

  std::string MakeFile(const std::string &name) {
    const std::string path = Files / name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "x";
    return path;
  }
  void SetReport(const std::string &text) { std::ofstream(Tools / "report.txt", std::ios::binary) << text; }
  int ProbeRuns() {
    std::ifstream runs(Tools / "runs.txt");
    int count = 0;
    for (std::string line; std::getline(runs, line);) ++count;
    return count;
  }
  std::vector<std::string> Captions(TListView *list) {
    std::vector<std::string> captions;
    for (int i = 0; i < list->Count(); ++i) captions.push_back(list->Items()[i]->Caption());
    return captions;
  }
  std::vector<std::string> SubItems(TListView *list, int row) { return list->Items()[row]->SubItems().Items(); }
  // Adds presentations through the Add Files command.
  void AddFiles(std::vector<std::string> files) {
    Chosen = std::move(files);
    Form->AddFilesDialog();
  }
  // Adds a media file to lv, probed.
  void AddMedia(const std::string &path) {
    Main.SkipProbe = false;
    Form->AddMediaFile(path);
  }

  testsupport::TempDir Files;
  testsupport::TempDir Tools;
  std::vector<std::string> Chosen;
  std::vector<win::TOpenRequest> OpenRequests;
  win::OpenDialogFn PreviousOpen;
};

TEST_F(ListsTest, AFileCountsAsListedByItsNameAlone) {
  AddFiles({MakeFile("talk.ppt")});
  EXPECT_TRUE(Form->IsFileListed("/somewhere/else/talk.ppt", Form->lvPPT));
  EXPECT_FALSE(Form->IsFileListed(Files / "Talk.ppt", Form->lvPPT));
  EXPECT_FALSE(Form->IsFileListed(Files / "talk.ppt", Form->lv));
}

TEST_F(ListsTest, AddFilesOffersTheNineFiltersForSeveralFiles) {
  AddFiles({});
  ASSERT_EQ(OpenRequests.size(), 1u);
  EXPECT_TRUE(OpenRequests[0].MultiSelect);
  auto filters = win::ParseFilter(OpenRequests[0].Filter);
  ASSERT_EQ(filters.size(), 9u);
  EXPECT_EQ(filters[0].first, "Frequently Converted PowerPoint Presentations(*.ppt;*.pps;*.pot)");
  EXPECT_EQ(filters[0].second, (std::vector<std::string>{"*.ppt", "*.pps", "*.pot"}));
  EXPECT_EQ(filters[1].first,
            "All  PowerPoint Presentations （*.ppts;*.ppt;*.pptm;*.ppsx;*.pps;*.ppsm;*.potx;*.pot;*.potm）");
  EXPECT_EQ(filters[1].second.size(), 9u);
  EXPECT_EQ(filters[3].first, "PowerPoint XML  Presentations（*.xml）");
  EXPECT_EQ(filters[7].second.back(), "*.wps");
  EXPECT_EQ(filters[8].first, "PowerPoint  Add-Ins（*.ppam;*.ppa） ");
  EXPECT_EQ(filters[8].second, (std::vector<std::string>{"*.ppam", "*.ppa"}));
}

TEST_F(ListsTest, FilterNamesAndMessagesHaveAGlyphForEveryCharacter) {
  AddFiles({});
  ASSERT_EQ(OpenRequests.size(), 1u);
  std::vector<std::string> texts;
  for (const auto &filter : win::ParseFilter(OpenRequests[0].Filter)) texts.push_back(filter.first);
  // The full-width brackets above need a CJK font; these need only the basic one.
  texts.insert(texts.end(), {"End of slide show, click to exit.", "Please first stop convert!",
                             "Please first stop play!", "There are no PPT File(s) to be converted!",
                             "File(s) Created Successfully!", "Are you sure to remove all the files from filelist?"});
  for (const std::string &text : texts)
    EXPECT_EQ(testsupport::MissingGlyphs(QString::fromStdString(text), QApplication::font()), 0) << text;
}

TEST_F(ListsTest, AddFilesListsNewFilesInTheDialogsOrderWithoutProbing) {
  Form->lv->Items().Add()->SetCaption("old media row");
  const std::string a = MakeFile("a.ppt"), b = MakeFile("b.pps"), c = MakeFile("c.pot");
  const std::string sameName = MakeFile("other/a.ppt");
  AddFiles({c, a, Files / "gone.ppt", b, sameName, c});
  EXPECT_EQ(Captions(Form->lvPPT), (std::vector<std::string>{"c.pot", "a.ppt", "b.pps"}));
  EXPECT_EQ(SubItems(Form->lvPPT, 1), (std::vector<std::string>{Files.Path + "/", "Ready"}));
  EXPECT_TRUE(Form->lvPPT->Visible());
  EXPECT_EQ(Form->lv->Count(), 0);
  EXPECT_EQ(Form->lvPPT->ItemIndex(), 0);
  EXPECT_FALSE(Main.SkipProbe);
  EXPECT_EQ(ProbeRuns(), 0);
  // One record per row, the last row's at the end.
  ASSERT_EQ(Main.MediaInfo.size(), 3u);
  EXPECT_EQ(Main.MediaInfo[2].FilePath, b);
  EXPECT_EQ(Main.CurItem, 2);
}

TEST_F(ListsTest, APresentationsRecordBeforeAnyProbeHoldsTheDefaults) {
  const std::string a = MakeFile("a.ppt");
  AddFiles({a});
  ASSERT_EQ(Main.MediaInfo.size(), 1u);
  const Toriginalinfo &record = Main.MediaInfo[0];
  EXPECT_EQ(record.FilePath, a);
  EXPECT_EQ(record.VideoKbps, "0");
  EXPECT_EQ(record.AudioKbps, "128");
  EXPECT_EQ(record.FrameSize, "320x240");
  EXPECT_EQ(record.Duration, "00:00:00");
}

TEST_F(ListsTest, AddFilesCancelledChangesNothing) {
  Form->lv->Items().Add()->SetCaption("media row");
  AddFiles({});
  EXPECT_EQ(Form->lv->Count(), 1);
  EXPECT_EQ(Form->lvPPT->Count(), 0);
  EXPECT_FALSE(Main.SkipProbe);
}

TEST_F(ListsTest, AddFilesIsRefusedWhileConverting) {
  Main.Converting = true;
  AddFiles({MakeFile("a.ppt")});
  EXPECT_TRUE(OpenRequests.empty());
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Please first stop convert!");
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtWarning);
  EXPECT_EQ(Form->lvPPT->Count(), 0);
}

class AddFolderTest : public ListsTest {
protected:
  void SetUp() override {
    ListsTest::SetUp();
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
    ListsTest::TearDown();
  }
  // Answers the folder chooser with `folder` (empty: Cancel) once it shows.
  void AnswerFolder(const std::string &folder) {
    QTimer::singleShot(0, [this, folder] {
      Caption = fm_dir->Caption();
      if (folder.empty()) {
        fm_dir->btn_cancelClick();
        return;
      }
      fm_dir->ShellTreeView1->SetPath(folder);
      fm_dir->btn_okClick();
    });
  }
  bool OwnDir = false;
  std::string Caption;
};

TEST_F(AddFolderTest, TakesFilesWhoseExtensionOccursInThePresentationPatterns) {
  for (const char *name : {"a.PPT", "b.Pps", "c.pot", "d.pp", "e.po", "f.pptx", "g", "h.txt", "sub/i.ppt"})
    MakeFile(name);
  fs::create_directory(Files / "folder.ppt");
  Form->lv->Items().Add()->SetCaption("media row");
  AnswerFolder(Files.Path);
  Form->AddFolderFiles();
  EXPECT_EQ(Caption, "File Directory");
  EXPECT_EQ(Captions(Form->lvPPT), (std::vector<std::string>{"a.PPT", "b.Pps", "c.pot", "d.pp", "e.po"}));
  EXPECT_EQ(SubItems(Form->lvPPT, 0)[0], Files.Path + "/");
  EXPECT_EQ(Form->lv->Count(), 0);
  EXPECT_EQ(Form->lvPPT->ItemIndex(), 0);
  EXPECT_FALSE(Main.SkipProbe);
  EXPECT_EQ(ProbeRuns(), 0);
}

TEST_F(AddFolderTest, SkipsNamesAlreadyListed) {
  const std::string elsewhere = MakeFile("old/a.ppt");
  AddFiles({elsewhere});
  MakeFile("new/a.ppt");
  MakeFile("new/b.ppt");
  AnswerFolder(Files / "new");
  Form->AddFolderFiles();
  EXPECT_EQ(Captions(Form->lvPPT), (std::vector<std::string>{"a.ppt", "b.ppt"}));
  EXPECT_EQ(SubItems(Form->lvPPT, 0)[0], Files / "old/");
}

TEST_F(AddFolderTest, CancelChangesNothing) {
  MakeFile("a.ppt");
  Form->lv->Items().Add()->SetCaption("media row");
  AnswerFolder("");
  Form->AddFolderFiles();
  EXPECT_EQ(Form->lvPPT->Count(), 0);
  EXPECT_EQ(Form->lv->Count(), 1);
}

TEST_F(ListsTest, RemovingRowsOneAndThreeOfFiveKeepsTheOthersWithTheirRecords) {
  std::vector<std::string> files;
  for (const char *name : {"0.ppt", "1.ppt", "2.ppt", "3.ppt", "4.ppt"}) files.push_back(MakeFile(name));
  AddFiles(files);
  Form->lvPPT->Items()[0]->SetSelected(false);
  Form->lvPPT->Items()[1]->SetSelected(true);
  Form->lvPPT->Items()[3]->SetSelected(true);
  Form->RemoveSelectedFiles();
  EXPECT_EQ(Captions(Form->lvPPT), (std::vector<std::string>{"0.ppt", "2.ppt", "4.ppt"}));
  ASSERT_EQ(Main.MediaInfo.size(), 5u);
  EXPECT_EQ(Main.MediaInfo[0].FilePath, files[0]);
  EXPECT_EQ(Main.MediaInfo[1].FilePath, files[2]);
  EXPECT_EQ(Main.MediaInfo[2].FilePath, files[4]);
  EXPECT_EQ(Form->lvPPT->ItemIndex(), 2);
  EXPECT_EQ(Form->lvPPT->SelCount(), 1);
}

TEST_F(ListsTest, RemovingTheLastRowsSelectsTheNewLastRow) {
  AddFiles({MakeFile("0.ppt"), MakeFile("1.ppt"), MakeFile("2.ppt")});
  Form->lvPPT->Items()[0]->SetSelected(false);
  Form->lvPPT->Items()[2]->SetSelected(true);
  Form->RemoveSelectedFiles();
  EXPECT_EQ(Captions(Form->lvPPT), (std::vector<std::string>{"0.ppt", "1.ppt"}));
  EXPECT_EQ(Form->lvPPT->ItemIndex(), 1);
}

TEST_F(ListsTest, RemoveIsRefusedWhilePlayingOrConverting) {
  AddFiles({MakeFile("0.ppt")});
  Main.Playing = Main.Converting = true;
  Form->RemoveSelectedFiles();
  Main.Playing = false;
  Form->RemoveSelectedFiles();
  ASSERT_EQ(Messages.size(), 2u);
  EXPECT_EQ(Messages[0].Text, "Please first stop play!");
  EXPECT_EQ(Messages[1].Text, "Please first stop convert!");
  EXPECT_EQ(Form->lvPPT->Count(), 1);
}

TEST_F(ListsTest, ClearWithNoPresentationsDoesNothingEvenWithMediaRows) {
  Form->lv->Items().Add()->SetCaption("media row");
  Form->ClearFileList();
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(Form->lv->Count(), 1);
}

TEST_F(ListsTest, ClearAsksAndEmptiesBothListsOnYes) {
  AddFiles({MakeFile("0.ppt"), MakeFile("1.ppt")});
  Form->lv->Items().Add()->SetCaption("media row");
  int answer = win::idNo;
  win::SetMessageDialogHandler([&](const win::TMessageRequest &request) {
    Messages.push_back(request);
    return answer;
  });
  Form->ClearFileList();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Are you sure to remove all the files from filelist?\rNot delete from your computer.");
  EXPECT_EQ(Messages[0].Buttons, (std::vector<int>{win::mbYes, win::mbNo}));
  EXPECT_EQ(Form->lvPPT->Count(), 2);
  answer = win::idYes;
  Form->ClearFileList();
  EXPECT_EQ(Form->lvPPT->Count(), 0);
  EXPECT_EQ(Form->lv->Count(), 0);
  EXPECT_EQ(Main.MediaInfo.size(), 2u);
  EXPECT_TRUE(fs::exists(Files / "0.ppt"));
}

// ---------------------------------------------------------------------------------------------------
// AddMediaFile with a probe

TEST_F(ListsTest, AProbedFileBecomesAMediaRowWithItsRecord) {
  SetReport("  Duration: 00:01:23.45, start: 0.000000, bitrate: 1500 kb/s\r\n"
            "    Stream #0:0: Video: mjpeg, yuvj420p, 640x480, 1200 kb/s, 25 fps\r\n"
            "    Stream #0:1: Audio: pcm_s16le, 44100 Hz, stereo, s16, 256 kb/s\r\n");
  Form->lv->Items().Add()->SetCaption("first");
  const std::string clip = MakeFile("Final Video.AVI");
  AddMedia(clip);
  EXPECT_EQ(ProbeRuns(), 1);
  ASSERT_EQ(Form->lv->Count(), 2);
  EXPECT_EQ(Main.CurItem, 1);
  EXPECT_EQ(Form->lv->Items()[1]->Caption(), "Final Video");
  std::vector<std::string> columns = SubItems(Form->lv, 1);
  ASSERT_EQ(columns.size(), 4u);
  EXPECT_EQ(columns[0], "640x480");
  EXPECT_EQ(columns[1], "00:01:23");
  EXPECT_EQ(columns[3], "Status");
  ASSERT_EQ(Main.MediaInfo.size(), 2u);
  const Toriginalinfo &record = Main.MediaInfo[1];
  EXPECT_EQ(record.FilePath, clip);
  EXPECT_EQ(record.FrameSize, "640x480");
  EXPECT_EQ(record.Duration, "00:01:23");
  EXPECT_EQ(record.VideoKbps, "1200");
  EXPECT_EQ(record.AudioKbps, "256");
}

TEST_F(ListsTest, AMissingVideoRateIsTheTotalLessTheAudio) {
  SetReport("  Duration: 00:00:10.00, start: 0.0, bitrate: 1500 kb/s\r\n"
            "    Stream #0:0: Video: mjpeg, yuvj420p, 320x240, 25 fps\r\n"
            "    Stream #0:1: Audio: pcm_s16le, 44100 Hz, 128 kb/s\r\n");
  AddMedia(MakeFile("clip.avi"));
  ASSERT_EQ(Main.MediaInfo.size(), 1u);
  EXPECT_EQ(Main.MediaInfo[0].VideoKbps, "1372");
  EXPECT_EQ(Main.MediaInfo[0].AudioKbps, "128");
}

TEST_F(ListsTest, WithoutAnAudioLineTheVideoTakesTheTotalAndTheAudioDefaults) {
  SetReport("  Duration: 00:00:10.00, start: 0.0, bitrate: 1500 kb/s\r\n"
            "    Stream #0:0: Video: mjpeg, yuvj420p, 320x240, 25 fps\r\n");
  AddMedia(MakeFile("clip.avi"));
  ASSERT_EQ(Main.MediaInfo.size(), 1u);
  EXPECT_EQ(Main.MediaInfo[0].VideoKbps, "1500");
  EXPECT_EQ(Main.MediaInfo[0].AudioKbps, "128");
}

TEST_F(ListsTest, WithNoReportTheRecordTakesEveryDefault) {
  SetReport("");
  AddMedia(MakeFile("clip.avi"));
  ASSERT_EQ(Form->lv->Count(), 1);
  const Toriginalinfo &record = Main.MediaInfo[0];
  EXPECT_EQ(record.VideoKbps, "768");
  EXPECT_EQ(record.AudioKbps, "128");
  EXPECT_EQ(record.FrameSize, "320x240");
  EXPECT_EQ(record.Duration, "00:00:00");
  EXPECT_EQ(SubItems(Form->lv, 0)[0], "000x000");
  EXPECT_EQ(SubItems(Form->lv, 0)[1], "00:00:00");
}

TEST_F(ListsTest, WithoutADurationTheRowShowsNoSizeButTheRecordKeepsIt) {
  SetReport("  Duration unknown, start: 0.0, bitrate: 900 kb/s\r\n"
            "    Stream #0:0: Video: mjpeg, yuvj420p, 640x480, 800 kb/s\r\n");
  AddMedia(MakeFile("clip.avi"));
  ASSERT_EQ(Form->lv->Count(), 1);
  EXPECT_EQ(SubItems(Form->lv, 0)[0], "000x000");
  EXPECT_EQ(SubItems(Form->lv, 0)[1], "00:00:00");
  EXPECT_EQ(Main.MediaInfo[0].FrameSize, "640x480");
  EXPECT_EQ(Main.MediaInfo[0].Duration, "00:00:00");
}

TEST_F(ListsTest, ATotalThatIsNotANumberKeepsTheFileOut) {
  SetReport("  Duration: 00:00:10.00, start: 0.0, bitrate: N/A kb/s\r\n");
  AddMedia(MakeFile("clip.avi"));
  EXPECT_EQ(Form->lv->Count(), 0);
  EXPECT_TRUE(Main.MediaInfo.empty());
}

TEST_F(ListsTest, AFileThatIsGoneOrAFolderIsSkippedWithoutAProbe) {
  AddMedia(Files / "gone.avi");
  fs::create_directory(Files / "folder.avi");
  AddMedia(Files / "folder.avi");
  EXPECT_EQ(Form->lv->Count(), 0);
  EXPECT_EQ(ProbeRuns(), 0);
}
