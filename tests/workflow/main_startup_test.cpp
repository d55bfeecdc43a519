// Start-up, settings and closing of the main form.
#include <QWindow>

#include "mainform_fixture.h"
#include "paths.h"
#include "program.h"

#include "about.h"
#include "dir.h"
#include "settings.h"
#include "show.h"
#include "uMain.h"

using StartupTest = MainFormTest;

TEST_F(StartupTest, CreateResetsTheFlagsAndPointsTheJobAtTheProgramFolder) {
  Main.Playing = Main.Converting = Main.Seeking = Main.Paused = true;
  Main.TitleMode = false;
  Main.SelCategory = Main.SelProfile = 7;
  Create();
  EXPECT_FALSE(Main.Playing || Main.Converting || Main.Seeking || Main.Paused);
  EXPECT_TRUE(Main.TitleMode);
  EXPECT_EQ(Main.SelCategory, -1);
  EXPECT_EQ(Main.SelProfile, -1);
  EXPECT_EQ(Main.EncoderJob.EncoderPath, win::ProgramFolder() + "register.dat");
  EXPECT_EQ(Main.EncoderJob.WorkDir, win::ProgramFolder());
  // Not shown yet: the settings are read only by the first show.
  EXPECT_FALSE(Form->isVisible());
  EXPECT_EQ(Main.SettingsIni, nullptr);
}

TEST_F(StartupTest, CreateHoldsTheFourSkinElements) {
  Create();
  for (const TSkinElementRef *text :
       {&Form->SkinElements.profilestext, &Form->SkinElements.play_time, &Form->SkinElements.hint}) {
    ASSERT_NE(text->Object, nullptr);
    EXPECT_NE(text->Text, nullptr);
    EXPECT_NE(text->Element, nullptr);
  }
  EXPECT_EQ(Form->SkinElements.hint.Object->GetName(), L"hint");
  EXPECT_NE(Form->SkinElements.play_bar.Slider, nullptr);
  EXPECT_NE(Form->SkinElements.play_bar.Element, nullptr);
  // The skin sets the window's size: the design's client area.
  EXPECT_EQ(Form->size(), QSize(781, 558));
}

TEST_F(StartupTest, WithoutSettingsFileTheDefaultsApply) {
  CreateAndShow();
  EXPECT_EQ(Main.EditionName, "Vantrel.exe");
  EXPECT_TRUE(Main.VideoFirstPage);
  EXPECT_TRUE(Main.AudioFirstPage);
  EXPECT_EQ(Main.OutputDir, win::HomeFolder() + "My Video/");
  EXPECT_EQ(Form->ed_output->Text(), Main.OutputDir);
  EXPECT_EQ(Main.SelCategory, 1);
  EXPECT_EQ(Main.SelProfile, 1);
  EXPECT_EQ(Main.CurProfile, 1);
  EXPECT_EQ(Main.FinishAction, 0);
  EXPECT_FALSE(Form->lv->Visible());
  EXPECT_FALSE(Form->ProgressBar1->Visible());
}

TEST_F(StartupTest, KeysAreReadByTheirMisspeltNames) {
  WriteWindowsFile("Vantrel.ini",
                   "[plane]\nvideo=0\naudio=0\n[output]\npath=/srv/out/\n"
                   "[profiles]\nselcetindex=4\nselcetsubindex=27\nFinishSelcet=2\n");
  CreateAndShow();
  EXPECT_FALSE(Main.VideoFirstPage);
  EXPECT_FALSE(Main.AudioFirstPage);
  EXPECT_EQ(Main.OutputDir, "/srv/out/");
  EXPECT_EQ(Form->ed_output->Text(), "/srv/out/");
  EXPECT_EQ(Main.SelCategory, 4);
  EXPECT_EQ(Main.SelProfile, 27);
  EXPECT_EQ(Main.CurProfile, 27);
  EXPECT_EQ(Main.FinishAction, 2);
}

TEST_F(StartupTest, CorrectlySpeltKeysAreNotTheSettings) {
  WriteWindowsFile("Vantrel.ini", "[profiles]\nselectindex=4\nselectsubindex=27\nFinishSelect=2\n");
  CreateAndShow();
  EXPECT_EQ(Main.SelCategory, 1);
  EXPECT_EQ(Main.SelProfile, 1);
  EXPECT_EQ(Main.FinishAction, 0);
}

TEST_F(StartupTest, ValuesThatAreNotIntegersGiveTheDefaults) {
  WriteWindowsFile("Vantrel.ini", "[plane]\nvideo=yes\n[profiles]\nselcetindex=two\nselcetsubindex=\nFinishSelcet=1.5\n");
  CreateAndShow();
  EXPECT_TRUE(Main.VideoFirstPage);
  EXPECT_EQ(Main.SelCategory, 1);
  EXPECT_EQ(Main.SelProfile, 1);
  EXPECT_EQ(Main.FinishAction, 0);
}

TEST_F(StartupTest, SettingsFilesLiveInTheWindowsFolderAndAreNeverWritten) {
  CreateAndShow();
  ASSERT_NE(Main.SettingsIni, nullptr);
  ASSERT_NE(Main.ProfileIni, nullptr);
  EXPECT_EQ(Main.SettingsIni->FileName(), Places.WinDir / "Vantrel.ini");
  EXPECT_EQ(Main.ProfileIni->FileName(), Places.WinDir / "pro Vantrel.ini");
  EXPECT_FALSE(std::filesystem::exists(Places.WinDir / "Vantrel.ini"));
}

TEST(SettingsFileName, DropsTheProgramExtensionAndReplacesAnyOther) {
  EXPECT_EQ(Tfm_main::SettingsFileName("Vantrel.exe"), "Vantrel.ini");
  EXPECT_EQ(Tfm_main::ProfileFileName("Vantrel.exe"), "pro Vantrel.ini");
  EXPECT_EQ(Tfm_main::SettingsFileName("Vantrel DVD.v2.exe"), "Vantrel DVD.ini");
  EXPECT_EQ(Tfm_main::SettingsFileName("abc"), ".ini");
}

TEST_F(StartupTest, ClosingWhilePlayingAsksToStopPlayEvenWhenConverting) {
  CreateAndShow();
  Main.Playing = Main.Converting = true;
  bool canClose = true;
  Form->FormCloseQuery(Form, canClose);
  EXPECT_FALSE(canClose);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Please first stop play!");
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtInformation);
  EXPECT_EQ(Messages[0].Buttons, std::vector<int>{win::mbOK});
}

TEST_F(StartupTest, ClosingWhileConvertingAsksToStopConverting) {
  CreateAndShow();
  Main.Converting = true;
  bool canClose = true;
  Form->FormCloseQuery(Form, canClose);
  EXPECT_FALSE(canClose);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Please first stop converting!");
}

TEST_F(StartupTest, IdleFormMayClose) {
  CreateAndShow();
  bool canClose = false;
  Form->FormCloseQuery(Form, canClose);
  EXPECT_TRUE(canClose);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(StartupTest, TheSkinsCloseCommandMeetsTheGuardAndTheWindowStays) {
  CreateAndShow();
  Main.Converting = true;
  win::SendMessage(Form->Handle(), win::WM_SYSCOMMAND, win::SC_CLOSE, 0);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Please first stop converting!");
  EXPECT_TRUE(Form->isVisible());
  EXPECT_TRUE(kestrune_fake::Calls().Log.empty());
}

TEST_F(StartupTest, ClosingEndsTheLibrarysWorkThenTheProcessWithCodeZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        CreateAndShow();
        kestrune_fake::OnEndConvert = [] { std::fputs("EndConvert ran\n", stderr); };
        Form->Close();
        std::fputs("still running\n", stderr);
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(0), "EndConvert ran");
}

TEST_F(StartupTest, MinimiseIsSwallowedOnlyWhileNotAllowed) {
  CreateAndShow();
  Main.AllowMinimize = false;
  win::SendMessage(Form->Handle(), win::WM_SYSCOMMAND, win::SC_MINIMIZE, 0);
  EXPECT_FALSE(Form->windowState() & Qt::WindowMinimized);
  // Other system commands keep their default handling meanwhile.
  win::SendMessage(Form->Handle(), win::WM_SYSCOMMAND, win::SC_MAXIMIZE, 0);
  EXPECT_TRUE(Form->windowState() & Qt::WindowMaximized);
  win::SendMessage(Form->Handle(), win::WM_SYSCOMMAND, win::SC_RESTORE, 0);

  Main.AllowMinimize = true;
  win::SendMessage(Form->Handle(), win::WM_SYSCOMMAND, win::SC_MINIMIZE, 0);
  EXPECT_TRUE(Form->windowState() & Qt::WindowMinimized);
}

TEST_F(StartupTest, ProgramFormsAreCreatedInOrderOwnedByTheApplication) {
  {
    TComponent application;
    CreateProgramForms(&application);
    const std::vector<TComponent *> expected = {fm_main, fm_dir, fm_about, fm_set, fm_show, frmPPTToVideo};
    EXPECT_EQ(application.Components(), expected);
    for (TComponent *form : expected) EXPECT_NE(form, nullptr);
    // The main form was made first and ran its FormCreate; none is shown yet.
    EXPECT_EQ(Main.EncoderJob.EncoderPath, win::ProgramFolder() + "register.dat");
    EXPECT_FALSE(fm_main->isVisible());
    EXPECT_EQ(Main.SettingsIni, nullptr);
  }
  // The application has freed them.
  fm_main = nullptr;
  fm_dir = nullptr;
  fm_about = nullptr;
  fm_set = nullptr;
  fm_show = nullptr;
  frmPPTToVideo = nullptr;
}

// At the design size, lvPPT shows every status text the batch writes whole, without a horizontal
// scroll bar.
TEST_F(StartupTest, EveryPresentationStatusFitsItsColumn) {
  CreateAndShow();
  TListView *list = Form->lvPPT;
  list->Show();
  for (const char *status : {"Ready", "Processing...", "Finished", "Convertor Stoped", "Convert Error"}) {
    TListItem *row = list->Items().Add();
    row->SetCaption("talk.ppt");
    row->SubItems().Add("/home/someone/");
    row->SubItems().Add(status);
  }
  QCoreApplication::processEvents();
  const QAbstractItemView *view = list;
  EXPECT_LE(view->sizeHintForColumn(2), list->Columns()[2]->Width());
  int total = 0;
  for (int c = 0; c < list->Columns().Count(); ++c) total += list->Columns()[c]->Width();
  EXPECT_LE(total, list->viewport()->width());
}
