// The capture loop tick by tick: slide advance, captures, the end test and the watchdog.
#include <gtest/gtest.h>
#include <filesystem>

#include "Kestrune.h"
#include "arecord2.h"
#include "fakehost.h"
#include "files.h"
#include "image.h"
#include "jpeg.h"
#include "keyboard.h"
#include "timer.h"
#include "uCommFunctions.h"
#include "uPPTToVideo.h"

namespace fs = std::filesystem;
using fakehost::Message;

namespace {

class CaptureTick : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    media::TARecord2::SetSystemLines({"Stereo Mix", "Microphone"}, 1);
    delete Convertor;
    if (!CaptureList) CaptureList = new QList<QByteArray>;
    CaptureList->clear();
    SlideTable = {{"1", "T", "F", "2"}, {"2", "F", "T", "1.5"}, {"3", "F", "F", "2"}};
    AdvanceTickCount = 0;
    CurAdvanceOnClick = CurAdvanceOnTime = false;
    PassMainFrmHandlesToDLL(Host.Wnd, Work.BrowserWnd());
    Convertor->FSlideCount = 3;
    Convertor->FIsPPT = true;
    Convertor->FRefPicture->Assign(fakehost::EndPicture(800, 600, qRgb(9, 9, 9)));
    StartConvert();
    // The test drives the ticks itself.
    Convertor->FTimer->SetEnabled(false);
    Work.Pane->OnSlideShown = [](int slide) { PassCurrProgessToDLL(slide); };
    PassCurrProgessToDLL(1);
  }
  void TearDown() override {
    EndConvert();
    delete Convertor;
    media::TARecord2::ResetSystemLines();
  }
  void Ticks(int count) {
    for (int i = 0; i < count; ++i) {
      Convertor->TimerTick();
      win::ProcessMessages();
    }
  }
  std::vector<Message> Progress(bool withText) const {
    std::vector<Message> found;
    for (const Message &m : Host.Seen)
      if (m.Msg == WM_CONVERT_PROGRESS && m.Text.empty() != withText) found.push_back(m);
    return found;
  }

  fakehost::WithApp App;
  testsupport::FreshPlaces Places;
  fakehost::FakePowerPoint PowerPoint;
  fakehost::Receiver Host;
  fakehost::FakeWorkWindow Work;
};

}  // namespace

TEST_F(CaptureTick, OnClickSlideIsDoubleClickedEvery15thTickAndCapturedEveryTick) {
  Ticks(14);
  EXPECT_EQ(Work.Pane->DoubleClicks, 0);
  EXPECT_EQ(Convertor->FCaptureCount, 14);
  Ticks(1);
  EXPECT_EQ(Work.Pane->DoubleClicks, 1);
  EXPECT_EQ(Work.Pane->PageDowns, 0);
  EXPECT_EQ(Convertor->FCurrentSlide, 2);
  EXPECT_EQ(Convertor->FCaptureCount, 15);
  std::vector<Message> progress = Progress(false);
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_EQ(progress[0].LParam, win::MulDiv(1, 50, 3)) << "the slide shown when the advance was asked for";
  EXPECT_EQ(CaptureList->size(), 15);
  EXPECT_EQ(Host.Seen.back().Text, "Capture No.15......");
}

TEST_F(CaptureTick, OnTimeSlideIsCapturedButNeverAdvanced) {
  PassCurrProgessToDLL(2);
  Work.Pane->Shown = 2;
  Ticks(40);
  EXPECT_TRUE(CurAdvanceOnTime);
  EXPECT_EQ(Work.Pane->DoubleClicks + Work.Pane->PageDowns, 0);
  EXPECT_EQ(Convertor->FCaptureCount, 40);
  EXPECT_EQ(AdvanceTickCount, 0) << "on-time ticks are not counted toward an advance";
}

TEST_F(CaptureTick, PlainSlideGetsPageDown) {
  PassCurrProgessToDLL(3);
  Work.Pane->Shown = 3;
  Ticks(15);
  EXPECT_EQ(Work.Pane->PageDowns, 1);
  EXPECT_EQ(Work.Pane->DoubleClicks, 0);
  EXPECT_EQ(win::GetFocus(), Work.Pane->Wnd);
}

TEST_F(CaptureTick, SlideNumbersAboveTheCountAreLoweredAndZeroKeepsTheFlags) {
  PassCurrProgessToDLL(7);
  Ticks(1);
  EXPECT_EQ(Convertor->FCurrentSlide, 3);
  EXPECT_FALSE(CurAdvanceOnClick);

  CurAdvanceOnClick = true;
  CurAdvanceOnTime = true;
  PassCurrProgessToDLL(0);
  Ticks(1);
  EXPECT_TRUE(CurAdvanceOnClick) << "before the host passes a slide number no row is read";
  EXPECT_TRUE(CurAdvanceOnTime);
}

TEST_F(CaptureTick, AdvanceCountGoesOnAcrossRuns) {
  Ticks(10);
  EndConvert();
  StartConvert();
  Convertor->FTimer->SetEnabled(false);
  EXPECT_EQ(AdvanceTickCount, 10);
  Ticks(5);
  EXPECT_EQ(Work.Pane->DoubleClicks, 1);
}

TEST_F(CaptureTick, CapturingGoesOnAfterTheLastSlideUntilTheEndScreenShows) {
  PassCurrProgessToDLL(3);
  Work.Pane->Shown = 3;
  Ticks(10);
  EXPECT_FALSE(Host.Finished());
  EXPECT_FALSE(fs::exists(WorkingFolder() + "/000001.JPG")) << "no frame is written during the show";
  Work.Pane->Shown = 4;
  Convertor->FTimer->SetEnabled(true);
  Ticks(1);
  EXPECT_FALSE(Convertor->FTimer->Enabled()) << "the capture phase ended";
  EXPECT_TRUE(CaptureList->isEmpty());
  EXPECT_TRUE(fs::exists(WorkingFolder() + "/FinalVideo.AVI"));
  EXPECT_TRUE(Host.Finished());
  EXPECT_EQ(Host.Seen.back().LParam, 150);
}

TEST_F(CaptureTick, EndScreenBeforeTheLastSlideDoesNotEndTheShow) {
  Work.Pane->Shown = 4;  // looks like the end, but the host says slide 1
  Ticks(3);
  EXPECT_FALSE(Host.Finished());
  EXPECT_EQ(Convertor->FCaptureCount, 3);
}

TEST_F(CaptureTick, WatchdogStopsTheRunWhenThePresentationApplicationIsGone) {
  PowerPoint.Process->Terminate();
  PowerPoint.Process->Wait(3000);
  if (IsProcessRunning("POWERPNT.EXE")) GTEST_SKIP() << "another program's POWERPNT.EXE is running on this machine";
  Convertor->FTimer->SetEnabled(true);
  Ticks(1);
  ASSERT_EQ(Host.Errors().size(), 1u);
  EXPECT_EQ(Host.Errors()[0].Text, "POWERPOINT doesn't exist or closed,Please install it or try again !");
  EXPECT_EQ(Host.Errors()[0].LParam, 1);
  EXPECT_TRUE(Convertor->FStop);
  EXPECT_FALSE(Convertor->FBusy);
  EXPECT_FALSE(Convertor->FTimer->Enabled());
  EXPECT_FALSE(Convertor->FAudioRecorder->Recording());
  EXPECT_EQ(Convertor->FCaptureCount, 0);
  EXPECT_FALSE(fs::exists(WorkingFolder() + "/OutVideo.AVI")) << "nothing is assembled";
}

TEST_F(CaptureTick, StopRequestSwitchesTheTimerOffAtTheNextTick) {
  Convertor->FTimer->SetEnabled(true);
  Convertor->FStop = true;
  Ticks(1);
  EXPECT_FALSE(Convertor->FTimer->Enabled());
  EXPECT_EQ(Convertor->FCaptureCount, 0);
}

TEST_F(CaptureTick, FixedCountModeCapturesOncePerTickWithoutAdvancing) {
  Convertor->FIsPPT = false;
  PassCurrProgessToDLL(3);  // a plain slide in the table left from an earlier presentation
  Ticks(20);
  EXPECT_EQ(Convertor->FCaptureCount, 20);
  EXPECT_EQ(Work.Pane->PageDowns + Work.Pane->DoubleClicks, 0);
  std::vector<Message> progress = Progress(false);
  ASSERT_EQ(progress.size(), 20u);
  for (int k = 1; k <= 20; ++k) EXPECT_EQ(progress[std::size_t(k - 1)].LParam, win::MulDiv(k, 50, 100));
}

TEST_F(CaptureTick, CaptureIsShownInTheCallbackImage) {
  TImage image;
  SetCallBackPictureObject(&image);
  Ticks(1);
  EXPECT_EQ(image.Picture()->Image().pixel(60, 300), fakehost::SlidePicture(1).pixel(60, 300));
  EXPECT_EQ(image.size(), QSize(800, 600));
  SetCallBackPictureObject(nullptr);
}

// ---- The browser's window tree ----

TEST_F(CaptureTick, AdvanceFindsThePaneBelowTheUntitledPanel) {
  Convertor->AdvanceSlide(false);
  EXPECT_EQ(Work.Pane->PageDowns, 1);
  Convertor->AdvanceSlide(true);
  win::ProcessMessages();
  EXPECT_EQ(Work.Pane->DoubleClicks, 1);
}

TEST_F(CaptureTick, AdvanceWithoutThePaneDoesNothing) {
  win::SetClassName(Work.Pane->Wnd, "somethingElse");
  QWidget other;
  win::SetFocus(win::HandleOf(&other));
  Convertor->AdvanceSlide(false);
  Convertor->AdvanceSlide(true);
  win::ProcessMessages();
  EXPECT_EQ(Work.Pane->PageDowns + Work.Pane->DoubleClicks, 0);
  EXPECT_EQ(win::GetFocus(), win::HandleOf(&other)) << "the focus stays where it was";

  PassMainFrmHandlesToDLL(Host.Wnd, 0);
  Convertor->AdvanceSlide(false);  // no browser at all
  EXPECT_EQ(Work.Pane->PageDowns, 0);
}

// ---- Runs that end early ----

TEST_F(CaptureTick, CapturesOfAStoppedRunDoNotReappear) {
  Ticks(5);
  ASSERT_EQ(CaptureList->size(), 5);
  EndConvert();
  PassCurrProgessToDLL(3);
  Work.Pane->Shown = 3;
  StartConvert();
  Convertor->FTimer->SetEnabled(false);
  EXPECT_TRUE(CaptureList->isEmpty());
  Ticks(2);
  Work.Pane->Shown = 4;
  Ticks(1);
  ASSERT_TRUE(Host.Finished());
  std::vector<win::TSearchRec> frames;
  win::ListFolder(WorkingFolder(), "*.JPG", frames);
  EXPECT_EQ(frames.size(), 3u) << "only the second run's captures became frames";
}
