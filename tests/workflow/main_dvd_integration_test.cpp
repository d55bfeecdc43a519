// The DVD edition converting the generated test DVD with the real Ifoinfo.dll and register.dat: each
// checked title, and a chapter in chapter mode, becomes an MPEG file with its own pictures and sound.
#include <QTimer>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "../fixtures/dvd/damaged_ifos.h"
#include "../fixtures/dvd/dvd_fixture.h"
#include "dialogs.h"
#include "dir.h"
#include "files.h"
#include "main.h"
#include "testsupport.h"

namespace fs = std::filesystem;
using dvdfixture::Chapters;

namespace {

// The main form made as the program makes it, in fresh folders, with every message dialog answered OK.
class DvdConversion : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    Main = MainGlobals{};
    PreviousDialog = win::SetMessageDialogHandler([this](const win::TMessageRequest &request) {
      Messages.push_back(request.Text);
      return win::idOK;
    });
    Dvd = dvdfixture::Folder();
    ASSERT_FALSE(Dvd.empty()) << "the test DVD could not be made";
    // Profile 110 writes MPEG-1 ".mpg" files.
    std::ofstream(Places.WinDir / "Vantrel.ini")
        << "[output]\npath=" + Output.Path + "/\n[profiles]\nselcetsubindex=110\n";
    Form = CreateForm<Tfm_main>(nullptr);
    fm_main = Form;
    Form->Show();
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
    delete Form;
    fm_main = nullptr;
    win::SetMessageDialogHandler(PreviousDialog);
  }

  void OpenDvd(const std::string &folder) {
    QTimer::singleShot(0, [folder] {
      fm_dir->ShellTreeView1->SetPath(folder);
      fm_dir->btn_okClick();
    });
    Form->OpenDvd();
  }
  void Convert() {
    Form->StartConversion();
    ASSERT_TRUE(win::PumpUntil([] { return !Main.Converting; }, 180000));
  }
  std::string Status(int row) { return Form->lv->Items()[row]->SubItems().Strings(3); }

  // The file shows the chapter's colour in its middle and plays its tone, starting at `from`.
  void ExpectChapter(const std::string &file, double from, const dvdfixture::TChapter &c) {
    const double middle = from + c.Seconds / 2.0;
    EXPECT_TRUE(dvdfixture::IsColour(dvdfixture::MeanColour(file, middle), c))
        << file << " at " << middle << " s should show title " << c.Title << " chapter " << c.Chapter;
    const double hz = dvdfixture::ToneHz(file, from + 0.5, c.Seconds - 1.0);
    EXPECT_TRUE(dvdfixture::IsTone(hz, c)) << file << " from " << from << " s: " << hz << " Hz, not " << c.ToneHz;
  }

  testsupport::FreshPlaces Places;
  Tfm_main *Form = nullptr;
  std::vector<std::string> Messages;
  win::MessageDialogFn PreviousDialog;
  std::string Dvd;
  testsupport::TempDir Output;
  bool OwnDir = false;
};

}  // namespace

TEST_F(DvdConversion, CheckedTitlesAndAChapterBecomeFilesWithTheirOwnContent) {
  OpenDvd(Dvd);
  ASSERT_EQ(Form->lv->Count(), 2);
  ASSERT_TRUE(Messages.empty());
  Convert();
  EXPECT_EQ(Status(0), "Finish");
  EXPECT_EQ(Status(1), "Finish");

  const std::string title1 = Output / "Title_01.mpg", title2 = Output / "Title_02.mpg";
  ASSERT_TRUE(fs::exists(title1));
  ASSERT_TRUE(fs::exists(title2));
  EXPECT_EQ(dvdfixture::StreamCount(title1, "video"), 1);
  EXPECT_EQ(dvdfixture::StreamCount(title1, "audio"), 1);
  EXPECT_NEAR(dvdfixture::Duration(title1), 6.0, 0.5);
  EXPECT_NEAR(dvdfixture::Duration(title2), 7.0, 0.5);
  ExpectChapter(title1, 0, Chapters()[0]);
  ExpectChapter(title1, 3, Chapters()[1]);
  ExpectChapter(title2, 0, Chapters()[2]);
  ExpectChapter(title2, 4, Chapters()[3]);

  // Chapter mode: only title 2's second chapter.
  Form->ToggleTitleChapterMode(Main.TitleMode);
  ASSERT_EQ(Form->lv->Count(), 6);
  Form->MenuItem11Click();
  ASSERT_EQ(Form->lv->Items()[5]->Caption(), "  Chapter_02");
  Form->lv->Items()[5]->SetChecked(true);
  Convert();
  EXPECT_EQ(Status(5), "Finish");
  const std::string chapter = Output / "Chapter_02.mpg";
  ASSERT_TRUE(fs::exists(chapter));
  EXPECT_NEAR(dvdfixture::Duration(chapter), 3.0, 0.5);
  ExpectChapter(chapter, 0, Chapters()[3]);
}

// Ifoinfo.dll runs in the program's process: a damaged IFO file is one that cannot be read, whether
// it comes with a DVD folder or among chosen IFO files.
TEST_F(DvdConversion, DamagedIfoFilesAreUnreadableAndTheOthersListed) {
  const std::string damaged = damagedifo::Folder() + "/shared_chain_past_file";
  OpenDvd(damaged);
  EXPECT_EQ(Form->lv->Count(), 0);
  EXPECT_TRUE(Messages.empty());

  const std::string damagedIfo = damaged + "/VIDEO_TS/VTS_01_0.IFO";
  auto previous = win::SetOpenDialogHandler([&](const win::TOpenRequest &) {
    return std::vector<std::string>{damagedIfo, Dvd + "/VIDEO_TS/VTS_01_0.IFO"};
  });
  Form->OpenIfoFile();
  win::SetOpenDialogHandler(previous);
  EXPECT_EQ(Form->lv->Count(), 2);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find(damagedIfo), std::string::npos) << Messages[0];
}
