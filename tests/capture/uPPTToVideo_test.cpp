#include "uPPTToVideo.h"

#include <QLocale>
#include <QWidget>
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "Kestrune.h"
#include "arecord2.h"
#include "files.h"
#include "image.h"
#include "paths.h"
#include "process.h"
#include "testsupport.h"
#include "uCommFunctions.h"

namespace fs = std::filesystem;

namespace {

struct Message {
  win::UINT Msg;
  std::string Text;
  win::LPARAM LParam;
};

// A window that keeps what the library sends it.
struct Receiver {
  Receiver() {
    Wnd = win::HandleOf(&Widget);
    win::SetWindowProc(Wnd, [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
      Seen.push_back({msg, w ? reinterpret_cast<const char *>(w) : "", l});
      return 0;
    });
  }
  QWidget Widget;
  win::HWND Wnd = 0;
  std::vector<Message> Seen;
};

class Exports : public ::testing::Test {
protected:
  void TearDown() override { media::TARecord2::ResetSystemLines(); }
  void SetUp() override {
    testsupport::App();
    // Each case starts as a freshly loaded library would, with recording lines that record silence.
    media::TARecord2::SetSystemLines({"Stereo Mix", "Microphone"}, 1);
    delete Convertor;
    RetryCount = 0;
    SlideTable.clear();
  }
  testsupport::FreshPlaces Places;
};

std::string Deck(const std::string &name) { return testsupport::FixturesFolder() + "decks/" + name; }

}  // namespace

TEST_F(Exports, ProgressAndEndBeforeAnyOtherCallDoNothing) {
  ASSERT_EQ(Convertor, nullptr);
  PassCurrProgessToDLL(3);
  EndConvert();
  EXPECT_EQ(Convertor, nullptr);
  EXPECT_FALSE(fs::exists(WorkingFolder()));
}

TEST_F(Exports, ASecondHandlesCallRedirectsMessages) {
  Receiver first, second;
  PassMainFrmHandlesToDLL(first.Wnd, 0);
  ASSERT_NE(Convertor, nullptr);
  EXPECT_EQ(Convertor->Owner(), nullptr) << "created by a host call, the convertor has no owner";
  StartConvert();
  PassMainFrmHandlesToDLL(second.Wnd, 0);
  Convertor->SendProgress("later", 5);
  ASSERT_EQ(first.Seen.size(), 1u);
  EXPECT_EQ(first.Seen[0].Msg, WM_CONVERT_PROGRESS);
  EXPECT_EQ(first.Seen[0].Text, "Creating Picture Files...... ");
  EXPECT_EQ(first.Seen[0].LParam, 1);
  ASSERT_EQ(second.Seen.size(), 1u);
  EXPECT_EQ(second.Seen[0].Text, "later");
  EndConvert();
}

TEST_F(Exports, StartEmptiesAndKeepsTheHiddenFolderAndEndRemovesIt) {
  Receiver host;
  PassMainFrmHandlesToDLL(host.Wnd, 0);
  EnsureWorkingFolder();
  std::ofstream(WorkingFolder() + "/000007.JPG") << "old frame";
  std::ofstream(WorkingFolder() + "/FinalVideo.AVI") << "old video";

  StartConvert();
  EXPECT_TRUE(fs::is_directory(WorkingFolder()));
  EXPECT_FALSE(fs::exists(WorkingFolder() + "/000007.JPG"));
  EXPECT_FALSE(fs::exists(WorkingFolder() + "/FinalVideo.AVI"));
  EXPECT_TRUE(fs::exists(WorkingFolder() + "/OutAudio.WAV")) << "the recording of the new run";
  EXPECT_TRUE(win::GetFileAttributes(WorkingFolder()) & win::FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(Convertor->FStop);

  EndConvert();
  EXPECT_TRUE(Convertor->FStop);
  EXPECT_FALSE(fs::exists(WorkingFolder()));

  StartConvert();
  EXPECT_TRUE(fs::is_directory(WorkingFolder())) << "the next start makes it again";
  EndConvert();
}

TEST_F(Exports, CurrentSlideFollowsTheHost) {
  PassMainFrmHandlesToDLL(0, 0);
  PassCurrProgessToDLL(4);
  EXPECT_EQ(Convertor->FCurrentSlide, 4);
}

TEST_F(Exports, CallbackImageSharesTheCapturePicture) {
  TImage image;
  SetCallBackPictureObject(&image);
  EXPECT_EQ(Convertor->FCallbackImage, &image);
  EXPECT_EQ(Convertor->FCapturePicture, image.Picture());
  Convertor->FCapturePicture->Assign(QImage(80, 60, QImage::Format_RGB32));
  EXPECT_EQ(image.size(), QSize(80, 60)) << "the control takes the capture's size";
  SetCallBackPictureObject(nullptr);
  EXPECT_EQ(Convertor->FCallbackImage, nullptr);
  EXPECT_NE(Convertor->FCapturePicture, image.Picture());
}

TEST_F(Exports, WebAddressesComeFromTheResourceLibrary) {
  const char *first = GetWebAddress(1);
  EXPECT_EQ(std::string(first).rfind("https://", 0), 0u);
  EXPECT_STREQ(GetWebAddress(9999), "") << "a missing string gives an empty text";
}

TEST(SlideTimes, GeneralDecimalTextWithTheSystemSeparator) {
  QString separator = QLocale::system().decimalPoint();
  EXPECT_EQ(AdvanceTimeText(3.5f), "3" + separator.toStdString() + "5");
  EXPECT_EQ(AdvanceTimeText(2.0f), "2");
  EXPECT_EQ(AdvanceTimeText(0.25f), "0" + separator.toStdString() + "25");
}

TEST_F(Exports, NonPresentationsAnswer100WithoutTheApplication) {
  for (const char *name : {"talk.pptx", "talk.mp4", "talk", "talk.pptx"}) {
    EXPECT_EQ(GetPPTFileSlidesCount(name), 100) << name;
    EXPECT_EQ(RetryCount, 0);
  }
  EXPECT_FALSE(Convertor->FIsPPT);
  EXPECT_NE(Convertor->Owner(), nullptr) << "the probe's convertor belongs to the library";
  EXPECT_FALSE(IsProcessRunning("POWERPNT.EXE"));
}

// ---- With the real presentation application ----

TEST_F(Exports, ThreeSlideDeckGivesItsTransitions) {
  for (const char *name : {"three.ppt", "three.pps", "three.pot"}) {
    SlideTable.clear();
    ASSERT_EQ(GetPPTFileSlidesCount(Deck(name).c_str()), 3) << name;
    ASSERT_EQ(SlideTable.size(), 3u);
    std::string half = AdvanceTimeText(3.5f);
    EXPECT_EQ(SlideTable[0].SlideNumber, "1");
    EXPECT_EQ(SlideTable[0].AdvanceOnClick, "T");
    EXPECT_EQ(SlideTable[0].AdvanceOnTime, "F");
    EXPECT_EQ(SlideTable[0].AdvanceTime, "2");
    EXPECT_EQ(SlideTable[1].SlideNumber, "2");
    EXPECT_EQ(SlideTable[1].AdvanceOnTime, "T");
    EXPECT_EQ(SlideTable[1].AdvanceTime, half);
    EXPECT_EQ(SlideTable[2].SlideNumber, "3");
    EXPECT_EQ(SlideTable[2].AdvanceOnTime, "F");
    EXPECT_EQ(Convertor->FSlideCount, 3);
    EXPECT_TRUE(Convertor->FIsPPT);
    EXPECT_EQ(RetryCount, 0);
  }
  EXPECT_FALSE(IsProcessRunning("POWERPNT.EXE")) << "the application is closed before the call returns";
}

TEST_F(Exports, EveryCommittedDeckIsRead) {
  EXPECT_EQ(GetPPTFileSlidesCount(Deck("one.ppt").c_str()), 1);
  EXPECT_EQ(SlideTable[0].AdvanceOnTime, "T");
  EXPECT_EQ(GetPPTFileSlidesCount(Deck("twelve.ppt").c_str()), 12);
  EXPECT_EQ(SlideTable.size(), 12u);
  EXPECT_EQ(SlideTable[11].SlideNumber, "12");
  EXPECT_EQ(GetPPTFileSlidesCount(Deck("timed.ppt").c_str()), 3);
}

TEST_F(Exports, TwoFailedAttemptsRaiseAndTheNextCallCountsAfresh) {
  for (const char *name : {"notppt.ppt", "truncated.ppt", "empty.ppt"}) {
    SlideTable.assign(2, TSlideTiming{"1", "T", "F", "2"});
    try {
      GetPPTFileSlidesCount(Deck(name).c_str());
      ADD_FAILURE() << name << " gave a count";
    } catch (const std::exception &error) {
      EXPECT_STREQ(error.what(), "PC doesn't support the convertor,Please try another PC!");
    }
    EXPECT_EQ(RetryCount, 0) << "the next call starts with two attempts again";
    EXPECT_EQ(SlideTable.size(), 2u) << "a failed probe keeps the last table";
  }
  EXPECT_EQ(GetPPTFileSlidesCount(Deck("three.ppt").c_str()), 3) << "a good file after bad ones";
}

TEST_F(Exports, ARunningApplicationIsEndedFirst) {
  testsupport::TempDir dir;
  std::string impostor = dir / "POWERPNT.EXE";
  fs::copy_file("/bin/sleep", impostor);
  fs::permissions(impostor, fs::perms::owner_all);
  win::TProcessStart start;
  start.Program = impostor;
  start.Arguments = {"60"};
  win::TProcess running(start);
  ASSERT_TRUE(IsProcessRunning("POWERPNT.EXE"));
  EXPECT_EQ(GetPPTFileSlidesCount(Deck("one.ppt").c_str()), 1);
  EXPECT_TRUE(running.Wait(3000)) << "the earlier application was ended";
}
