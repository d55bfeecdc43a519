// The previews with their real outside parts: a presentation played by POWERPNT.EXE's show in the main
// window's WB until the end screen, and a clip played by Preview.dll into pl_play.
#include <QImage>
#include <QTimer>
#include <cstdlib>

#include "canvas.h"
#include <gtest/gtest.h>

#include "dialogs.h"
#include "main.h"
#include "testsupport.h"
#include "paths.h"
#include "uMain.h"

namespace {

// The main form as the program makes it, with the real capture library bound and dialogs answered OK.
class PreviewIntegrationTest : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    Main = MainGlobals{};
    Tfm_main::PreviewLibrary = {};
    uMain::Globals = uMain::TGlobals{};
    PreviousDialog = win::SetMessageDialogHandler([this](const win::TMessageRequest &request) {
      Messages.push_back(request);
      return win::idOK;
    });
    Form = CreateForm<Tfm_main>(nullptr);
    fm_main = Form;
    Form->Show();
    Form->DesignPreviews();
  }
  void TearDown() override {
    Form->WB->Navigate("");
    uMain::KillProcessByName("POWERPNT.EXE");
    delete Form;
    fm_main = nullptr;
    win::SetMessageDialogHandler(PreviousDialog);
  }
  static void Save(const QImage &picture, const QString &path) {
    EXPECT_TRUE(picture.save(path)) << path.toStdString();
  }

  testsupport::FreshPlaces Places;
  Tfm_main *Form = nullptr;
  std::vector<win::TMessageRequest> Messages;
  win::MessageDialogFn PreviousDialog;
};

}  // namespace

// LibreOffice takes seconds to draw a new document: the preview's ten seconds begin once WB shows it.
TEST_F(PreviewIntegrationTest, ADocumentsTenSecondsBeginOnceWBShowsIt) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "outline.txt", "Agenda\n\tBudget\n\tPlans\n");
  TListItem *row = Form->lvPPT->Items().Add();
  row->SetCaption("outline.txt");
  row->SubItems().Add(dir.Path + "/");
  row->SubItems().Add("Ready");
  Form->lvPPT->Show();
  Form->lvPPT->SetItemIndex(0);

  Form->StartPresentationPreview();
  EXPECT_EQ(Form->WB->ShowError(), "");
  ASSERT_TRUE(Main.Playing) << row->SubItems()[1];
  EXPECT_EQ(row->SubItems()[1], "Play Start...");
  EXPECT_EQ(Form->pbPPT->Position(), 0);
  EXPECT_TRUE(Form->TimerPPT->Enabled());
  EXPECT_TRUE(Form->pnlWB->Visible());
}

TEST_F(PreviewIntegrationTest, APresentationPlaysInWBToItsEndScreen) {
  TListItem *row = Form->lvPPT->Items().Add();
  row->SetCaption("three.ppt");
  row->SubItems().Add(testsupport::FixturesFolder() + "decks/");
  row->SubItems().Add("Ready");
  Form->lvPPT->Show();
  Form->lvPPT->SetItemIndex(0);

  Form->StartPresentationPreview();
  ASSERT_TRUE(Main.Playing) << row->SubItems()[1];
  EXPECT_EQ(Form->PreviewSlideCount, 3);
  EXPECT_EQ(Form->pbPPT->Max(), 3);
  EXPECT_TRUE(Form->pnlWB->Visible());
  EXPECT_TRUE(Form->TimerAutoPlay->Enabled());

  ASSERT_TRUE(win::PumpUntil([this] { return Form->PreviewPages >= 1; }, 60000))
      << "show process " << Form->WB->ShowProcessId() << ": " << Form->WB->ShowError();
  win::PumpUntil([] { return false; }, 500);
  Save(Form->grab().toImage(), testsupport::ShotPath("preview-presentation.png"));

  // Slide 1 waits for the preview's key, slide 2 goes by itself, slide 3 gets a key again.
  ASSERT_TRUE(win::PumpUntil([] { return !Main.Playing; }, 60000));
  EXPECT_EQ(row->SubItems()[1], "Play Finished");
  EXPECT_EQ(Form->pbPPT->Position(), 3);
  ASSERT_TRUE(win::PumpUntil([this] { return !Form->TimerAutoPlay->Enabled(); }, 30000))
      << "the end screen was never recognised";
  Save(Form->pnlWB->grab().toImage(), testsupport::ShotPath("preview-endscreen.png"));
}

TEST_F(PreviewIntegrationTest, TheReferencePictureIsBitmapTwoOfResourceDll) {
  std::unique_ptr<TBitmap> reference = Tfm_main::LoadPreviewReferenceBitmap();
  ASSERT_TRUE(reference);
  EXPECT_EQ(reference->Width(), 160);
  EXPECT_EQ(reference->Height(), 100);
}

TEST_F(PreviewIntegrationTest, AClipPlaysInPlPlayUntilItsDurationAndTheTimeIsResetAfterwards) {
  testsupport::TempDir folder;
  const std::string clip = folder / "clip.mp4";
  std::string command = "ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=3 -pix_fmt yuv420p '" +
                        clip + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  Main.MediaInfo.resize(1);
  Main.MediaInfo[0].Duration = "00:00:03";
  Form->pl_play->Show();
  Form->pl_play->raise();
  Main.Playing = true;
  Form->PreviewIndex = 0;
  Form->FirstPositionPending = true;

  QImage frame;
  QTimer::singleShot(1500, [this, &frame] {
    frame = Form->pl_play->grab().toImage();
    Save(frame, testsupport::ShotPath("preview-media.png"));
  });
  Form->PlayMediaPreview(clip);
  Main.Playing = false;

  ASSERT_FALSE(frame.isNull()) << "the clip ended before a frame could be taken";
  // testsrc's colour bars: the panel is no longer plain black.
  int coloured = 0;
  for (int y = 0; y < frame.height(); y += 5)
    for (int x = 0; x < frame.width(); x += 5)
      if (qGray(frame.pixel(x, y)) > 60) ++coloured;
  EXPECT_GT(coloured, 50);
  EXPECT_GE(Form->PreviewPosition, 2);
  EXPECT_FALSE(Form->PlayerRunning);
}
