// The batch driver with the real capture library, browser, presentation application and encoder: a Stop
// that arrives while the driver waits inside the probe or the show's start ends the row cleanly, and the
// next Convert makes the file.
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "arecord2.h"
#include "dialogs.h"
#include "main.h"
#include "testsupport.h"
#include "timer.h"
#include "uCommFunctions.h"
#include "uMain.h"
#include "uPPTToVideo.h"
#include "webbrowser.h"

namespace fs = std::filesystem;

namespace {

std::string Deck(const std::string &name) { return testsupport::FixturesFolder() + "decks/" + name; }

class StopWhileWaiting : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    Main = MainGlobals{};
    PreviousDialog = win::SetMessageDialogHandler([this](const win::TMessageRequest &request) {
      Messages.push_back(request.Text);
      return win::idOK;
    });
    std::ofstream(Places.WinDir / "Vantrel.ini")
        << "[output]\npath=" + Output.Path + "/\n[profiles]\nselcetsubindex=4\nFinishSelcet=0\n";
    Form = CreateForm<Tfm_main>(nullptr);
    fm_main = Form;
    Form->Show();
  }
  void TearDown() override {
    delete Form;
    fm_main = nullptr;
    win::SetMessageDialogHandler(PreviousDialog);
  }

  void Add(const std::string &file) {
    auto previous = win::SetOpenDialogHandler([file](const win::TOpenRequest &) { return std::vector{file}; });
    Form->AddFilesDialog();
    win::SetOpenDialogHandler(previous);
  }
  std::string Status() { return Form->lvPPT->Items()[0]->SubItems().Strings(1); }

  // Convert, with `stopNow` asked on every turn of the message loop until it says yes, which stops.
  void ConvertStoppingWhen(std::function<bool()> stopNow) {
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (Main.Converting && !Stopped && stopNow()) {
        Stopped = true;
        Form->Stop1Click();
      }
    });
    poll.start();
    Form->Convert1Click();
  }

  // What a stopped row leaves behind: nothing running, the stop status, no message.
  void ExpectCleanStop(const std::string &when) {
    EXPECT_TRUE(Stopped) << when;
    EXPECT_EQ(Status(), "Convertor Stoped") << when;
    EXPECT_FALSE(Main.Converting) << when;
    EXPECT_EQ(frmPPTToVideo, nullptr) << when;
    ASSERT_NE(Convertor, nullptr) << when;
    EXPECT_FALSE(Convertor->FTimer->Enabled()) << when << ": the capture timer runs";
    EXPECT_FALSE(Convertor->FAudioRecorder->Recording()) << when << ": the recording runs";
    EXPECT_FALSE(IsProcessRunning("POWERPNT.EXE")) << when;
    EXPECT_TRUE(Messages.empty()) << when << ": " << (Messages.empty() ? "" : Messages[0]);
  }

  // The next Convert makes the file and says so.
  void ExpectTheNextConvertWorks() {
    Stopped = false;
    Form->Convert1Click();
    EXPECT_EQ(Status(), "Finished");
    EXPECT_GT(fs::file_size(Output / "talk.mp4"), 0u);
    EXPECT_EQ(Messages, std::vector<std::string>{"File(s) Created Successfully!"});
  }

  testsupport::FreshPlaces Places;
  testsupport::TempDir Output, Decks, Cache;
  // A cache of its own: the slides are drawn anew, so the show's start takes the seconds it takes
  // on a presentation never converted before.
  testsupport::ScopedEnv CacheHome {"XDG_CACHE_HOME", Cache.Path};
  Tfm_main *Form = nullptr;
  std::vector<std::string> Messages;
  win::MessageDialogFn PreviousDialog;
  bool Stopped = false;
};

}  // namespace

TEST_F(StopWhileWaiting, TheShowsStart) {
  fs::copy_file(Deck("one.ppt"), Decks / "talk.ppt");
  Add(Decks / "talk.ppt");
  // The show's process runs and the library has not started: the driver waits for the first slide.
  ConvertStoppingWhen([] {
    return frmPPTToVideo && frmPPTToVideo->WB->ShowProcessId() != 0 && Convertor && !Convertor->FTimer->Enabled();
  });
  ExpectCleanStop("stopped while the show starts");
  ExpectTheNextConvertWorks();
}

TEST_F(StopWhileWaiting, TheProbesFirstAttemptOrItsRetry) {
  fs::copy_file(Deck("notppt.ppt"), Decks / "talk.ppt");
  Add(Decks / "talk.ppt");
  // Each probe call counts its attempts up from 1; the retry's first attempt follows a second one.
  ConvertStoppingWhen([] { return frmPPTToVideo && RetryCount == 1; });
  ExpectCleanStop("stopped in the probe's first attempt");

  bool sawSecondAttempt = false;
  Stopped = false;
  ConvertStoppingWhen([&] {
    sawSecondAttempt = sawSecondAttempt || RetryCount == 2;
    return frmPPTToVideo && sawSecondAttempt && RetryCount == 1;
  });
  ExpectCleanStop("stopped in the probe's retry");

  // The presentation mended, the same row converts.
  fs::copy_file(Deck("one.ppt"), Decks / "talk.ppt", fs::copy_options::overwrite_existing);
  ExpectTheNextConvertWorks();
}

namespace {
class RealBatch : public StopWhileWaiting {};
}  // namespace

// What the show cannot draw ends the row with a message naming the file and the reason, and no
// output file; only a show application that is gone is reported as missing PowerPoint.
TEST_F(RealBatch, AFileThatCannotBeDrawnEndsWithAMessageNamingIt) {
  const std::string garbage = [] {
    std::string bytes(40000, '\0');
    unsigned state = 12345;
    for (char &c : bytes) c = char((state = state * 1103515245u + 12345u) >> 16);
    return bytes;
  }();
  struct TCase {
    std::string Name, Content, Reason;
  };
  std::ifstream undrawable(Deck("undrawable.ppt"), std::ios::binary);
  const TCase cases[] = {
      {"talk.ppt", std::string(std::istreambuf_iterator<char>(undrawable), {}),
       "LibreOffice could not convert " + Decks / "talk.ppt" + " to slides (Error: source file could not be loaded)."},
      {"x.pptx", "", "Cannot read " + Decks / "x.pptx" + ": the file is empty"},
      {"y.pptx", garbage,
       "LibreOffice could not convert " + Decks / "y.pptx" + " to a page (Error: source file could not be loaded)."},
  };
  for (const TCase &c : cases) {
    testsupport::WriteFile(Decks / c.Name, c.Content);
    Add(Decks / c.Name);
    Messages.clear();
    Form->Convert1Click();
    EXPECT_EQ(Messages, std::vector<std::string>{c.Name + " cannot be shown, so it cannot be converted.\r\n" + c.Reason});
    EXPECT_EQ(Status(), "Convertor Stoped") << c.Name;
    EXPECT_FALSE(Main.Converting) << c.Name;
    EXPECT_TRUE(fs::is_empty(Output.Path)) << c.Name;
    EXPECT_FALSE(IsProcessRunning("POWERPNT.EXE")) << c.Name;
    Form->lvPPT->SetItemIndex(0);
    Form->RemoveSelectedFiles();
  }
}
