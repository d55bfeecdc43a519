// The work window with the real capture library, browser and presentation application, and the
// preview's own slide-timing probe on the committed decks.
#include "uMain.h"

#include <QLocale>
#include <QTimer>
#include <gtest/gtest.h>
#include <filesystem>
#include <stdexcept>

#include "Kestrune.h"
#include "canvas.h"
#include "library.h"
#include "main.h"
#include "process.h"
#include "testsupport.h"
#include "uCommFunctions.h"
#include "uPPTToVideo.h"
#include "webbrowser.h"

namespace fs = std::filesystem;

namespace {

std::string Deck(const std::string &name) { return testsupport::FixturesFolder() + "decks/" + name; }

struct Message {
  win::UINT Msg;
  std::string Text;
  win::LPARAM LParam;
};

// The main form, its messages kept instead of handled.
class MainFormStandIn {
public:
  MainFormStandIn() {
    testsupport::App();
    fm_main = new Tfm_main(nullptr);
    win::SetWindowProc(fm_main->Handle(), [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) {
      Seen.push_back({msg, w ? reinterpret_cast<const char *>(w) : "", l});
      return win::LRESULT(0);
    });
  }
  ~MainFormStandIn() {
    delete fm_main;
    fm_main = nullptr;
  }
  std::vector<Message> Seen;
};

class RealWorkWindow : public ::testing::Test {
protected:
  void SetUp() override {
    uMain::Globals = {};
    RetryCount = 0;
  }
  void TearDown() override {
    delete Form;
    uMain::Globals = {};
  }
  TfrmPPTToVideo *Make() {
    Form = CreateForm<TfrmPPTToVideo>(nullptr);
    return Form;
  }
  testsupport::FreshPlaces Places;
  MainFormStandIn MainForm;
  TfrmPPTToVideo *Form = nullptr;
};

}  // namespace

TEST_F(RealWorkWindow, ABrokenDeckEndsInTheErrorMessage) {
  TfrmPPTToVideo *form = Make();
  EXPECT_NO_THROW(form->LoadPresentation(Deck("notppt.ppt")));
  ASSERT_EQ(MainForm.Seen.size(), 1u);
  EXPECT_EQ(MainForm.Seen[0].Msg, WM_CONVERT_ERROR);
  EXPECT_EQ(MainForm.Seen[0].Text,
            "Load PPT File(S) Error,Please try again !\r\nOr your PC doesn't support the convertor !");
  EXPECT_EQ(MainForm.Seen[0].LParam, 0);
  EXPECT_FALSE(IsProcessRunning("POWERPNT.EXE"));
}

// A file that is not a presentation is captured as the browser shows it; one the browser cannot
// show ends the conversion with a message naming it, instead of a hundred blank captures.
TEST_F(RealWorkWindow, AFileTheBrowserCannotShowEndsInAMessageNamingIt) {
  testsupport::TempDir dir;
  const std::string addin = dir / "addin.ppam";
  testsupport::WriteFile(addin, std::string("\0\1binary", 8));
  TfrmPPTToVideo *form = Make();
  form->Show();
  form->LoadPresentation(addin);
  ASSERT_EQ(uMain::Globals.SlideCount, 100);
  form->WB->Navigate(addin);
  ASSERT_TRUE(win::PumpUntil([&] { return !MainForm.Seen.empty(); }, 180000)) << form->WB->ShowError();
  win::PumpUntil([] { return false; }, 300);
  ASSERT_EQ(MainForm.Seen.size(), 1u);
  EXPECT_EQ(MainForm.Seen[0].Msg, WM_CONVERT_ERROR);
  EXPECT_EQ(MainForm.Seen[0].Text, "addin.ppam cannot be shown, so it cannot be converted.\r\n" + form->WB->ShowError());
  EXPECT_NE(form->WB->ShowError().find(addin), std::string::npos) << form->WB->ShowError();
}

// A show application that dies is PowerPoint gone, as the capture's watchdog says; the file is
// not blamed for it.
TEST_F(RealWorkWindow, AShowThatDiesBeforeItsFirstSlideIsReportedAsPowerPointGone) {
  testsupport::TempDir cache;  // the slides are drawn anew, so the show takes seconds to start
  testsupport::ScopedEnv cacheHome("XDG_CACHE_HOME", cache.Path);
  TfrmPPTToVideo *form = Make();
  form->Show();
  form->LoadPresentation(Deck("one.ppt"));
  ASSERT_EQ(uMain::Globals.SlideCount, 1);
  QTimer killer;
  killer.setInterval(20);
  QObject::connect(&killer, &QTimer::timeout, [&] {
    if (int pid = form->WB->ShowProcessId()) win::TerminateProcess(pid);
  });
  killer.start();
  form->WB->Navigate(Deck("one.ppt"));
  killer.stop();
  ASSERT_TRUE(form->WB->ShowApplicationFailed()) << form->WB->ShowError();
  PassMainFrmHandlesToDLL(fm_main->Handle(), form->WB->Handle());
  StartConvert();
  auto errors = [&] {
    std::vector<std::string> texts;
    for (const Message &m : MainForm.Seen)
      if (m.Msg == WM_CONVERT_ERROR) texts.push_back(m.Text);
    return texts;
  };
  ASSERT_TRUE(win::PumpUntil([&] { return !errors().empty(); }, 10000));
  win::PumpUntil([] { return false; }, 300);
  EXPECT_EQ(errors(), std::vector<std::string>{"POWERPOINT doesn't exist or closed,Please install it or try again !"});
  EndConvert();
}

// The window's whole road with the real browser: a deck whose slides advance by themselves.
TEST_F(RealWorkWindow, ATimedShowPassesEverySlideAndEndsOnTheEndScreen) {
  TfrmPPTToVideo *form = Make();
  ASSERT_EQ(Convertor->FPreviewWnd, form->WB->Handle());
  form->Show();
  form->LoadPresentation(Deck("timed.ppt"));
  ASSERT_EQ(uMain::Globals.SlideCount, 3);
  std::vector<int> passed;
  form->WB->OnDocumentComplete = [&](const std::string &url) {
    form->WBDocumentComplete(url);
    passed.push_back(Convertor->FCurrentSlide);
  };
  form->WB->Navigate(Deck("timed.ppt"));
  ASSERT_TRUE(win::PumpUntil([&] { return passed.size() >= 3; }, 180000)) << form->WB->ShowError();
  EXPECT_EQ(passed, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(MainForm.Seen.size(), 3u);
  EXPECT_EQ(MainForm.Seen[2].LParam, 50);

  // The preview's end-screen test: a thumbnail of the browser against Resource.dll's bitmap 2.
  TBitmap reference;
  QImage picture;
  win::HMODULE module = win::LoadLibrary("Resource.dll");
  ASSERT_TRUE(win::LoadBitmap(module, 2, picture));
  win::FreeLibrary(module);
  reference.SetImage(picture);
  auto slide = uMain::CaptureWindowThumb(form->WB->Handle());
  EXPECT_FALSE(uMain::SameTopStrip(&reference, slide.get())) << "the last slide is not the end screen";
  EXPECT_TRUE(win::PumpUntil(
      [&] { return uMain::SameTopStrip(&reference, uMain::CaptureWindowThumb(form->WB->Handle()).get()); }, 10000));
  form->WB->Navigate("");
}

// ---- The preview's own probe ----

class PreviewProbe : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    uMain::Globals = {};
    ::SlideTable.clear();
  }
  void TearDown() override { uMain::Globals = {}; }
  testsupport::FreshPlaces Places;
};

TEST_F(PreviewProbe, ReadsEachCommittedDeck) {
  std::string half = "3" + QLocale::system().decimalPoint().toStdString() + "5";
  for (const char *name : {"three.ppt", "three.pps", "three.pot"}) {
    uMain::Globals.SlideTable.clear();
    ASSERT_EQ(uMain::ReadSlideTimings(Deck(name)), 3) << name;
    const auto &table = uMain::Globals.SlideTable;
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].SlideNumber, "1");
    EXPECT_EQ(table[0].AdvanceOnClick, "T");
    EXPECT_EQ(table[0].AdvanceOnTime, "F");
    EXPECT_EQ(table[0].AdvanceTime, "2");
    EXPECT_EQ(table[1].AdvanceOnTime, "T");
    EXPECT_EQ(table[1].AdvanceTime, half);
    EXPECT_EQ(table[2].SlideNumber, "3");
    EXPECT_EQ(uMain::Globals.RetryCount, 0);
  }
  EXPECT_EQ(uMain::ReadSlideTimings(Deck("twelve.ppt")), 12);
  EXPECT_EQ(uMain::Globals.SlideTable[11].SlideNumber, "12");
  EXPECT_EQ(uMain::ReadSlideTimings(Deck("one.ppt")), 1);
  EXPECT_EQ(uMain::Globals.SlideTable[0].AdvanceOnClick, "F");
  EXPECT_TRUE(::SlideTable.empty()) << "the library's own table is not touched";
  EXPECT_FALSE(IsProcessRunning("POWERPNT.EXE")) << "the application is closed before the call returns";
}

TEST_F(PreviewProbe, TwoFailuresRaiseAndTheNextCallStartsAfresh) {
  uMain::Globals.SlideTable.assign(2, uMain::TSlideTiming{"1", "T", "F", "2"});
  for (const char *name : {"notppt.ppt", "truncated.ppt", "empty.ppt"}) {
    try {
      uMain::ReadSlideTimings(Deck(name));
      ADD_FAILURE() << name << " gave a count";
    } catch (const std::runtime_error &error) {
      EXPECT_STREQ(error.what(), "PC doesn't support the convertor,Please try another PC!");
    }
    EXPECT_EQ(uMain::Globals.RetryCount, 0);
    EXPECT_EQ(uMain::Globals.SlideTable.size(), 2u) << "a failed probe keeps the last table";
  }
  EXPECT_EQ(uMain::ReadSlideTimings(Deck("three.ppt")), 3);
}

TEST_F(PreviewProbe, EveryFileGoesToTheApplication) {
  testsupport::TempDir dir;
  fs::copy_file(Deck("three.ppt"), dir / "talk.pptx");
  EXPECT_EQ(uMain::ReadSlideTimings(dir / "talk.pptx"), 3) << "no fixed answer for other extensions";
  fs::copy_file(Deck("notppt.ppt"), dir / "notes.txt");
  EXPECT_EQ(uMain::ReadSlideTimings(dir / "notes.txt"), -1) << "one failed attempt, no exception";
  EXPECT_EQ(uMain::Globals.RetryCount, 1);
}
