// The batch driver with the capture library's stand-in and a small fake encoder: rows, output names,
// the job, stops in both phases, the library's messages and the after-finish actions.
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Kestrune.h"
#include "convertTh.h"
#include "files.h"
#include "mainform_fixture.h"
#include "paths.h"
#include "shell.h"
#include "uMain.h"

namespace fs = std::filesystem;

namespace {

// Probes report a 5-second clip; encodes print one progress line and write their output, unless the
// marker file "fail" (exit 1, no output) or "empty" (exit 0, empty output) or "slow" exists.
const char *const FakeEncoder = R"(#!/bin/sh
dir=$(dirname "$0")
if [ "$1" = "-i" ]; then
  printf 'Duration: 00:00:05.00, start: 0.000000, bitrate: 1000 kb/s\r\n'
  printf '  Video: mjpeg, yuvj420p, 800x600, 900 kb/s\r\n  Audio: pcm_s16le, 44100 Hz, 1411 kb/s\r\n'
  exit 0
fi
for last; do :; done
printf '%s\n' "$*" >> "$dir/runs.txt"
printf 'frame=1 time=1.00 bitrate=1\r'
[ -f "$dir/slow" ] && exec sleep 30
[ -f "$dir/fail" ] && exit 1
[ -f "$dir/empty" ] && { : > "$last"; exit 0; }
echo video > "$last" || exit 1
)";

class BatchTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    WriteWindowsFile("Vantrel.ini", "[output]\npath=" + Output.Path + "/\n[profiles]\nselcetsubindex=4\n");
    CreateAndShow();
    const std::string encoder = Tools / "encoder.sh";
    std::ofstream(encoder) << FakeEncoder;
    fs::permissions(encoder, fs::perms::owner_all);
    Main.EncoderJob.EncoderPath = encoder;
    Main.EncoderJob.WorkDir = Tools.Path + "/";
    Working = win::ProgramFilesFolder() + "QueltFiles/";
    fs::create_directories(Working);
    // The library's part of each presentation: the intermediate file, then 150; EndConvert removes it.
    kestrune_fake::OnStartConvert = [this] {
      ++Starts;
      if (BeforeLibraryDone) BeforeLibraryDone(Starts);
      if (!LibraryAnswers) return;
      QTimer::singleShot(10, Form, [this] {
        std::ofstream(Working + "FinalVideo.AVI") << "avi";
        win::SendMessage(Form->Handle(), WM_CONVERT_PROGRESS, reinterpret_cast<win::WPARAM>("done"), 150);
      });
    };
    kestrune_fake::OnEndConvert = [this] { fs::remove(Working + "FinalVideo.AVI"); };
    PreviousShell = win::SetShellExecuteHandler([this](const std::string &op, const std::string &file,
                                                       const std::string &params, const std::string &) {
      Shell.push_back(op + "|" + file + "|" + params);
      return true;
    });
  }
  void TearDown() override {
    win::SetShellExecuteHandler(PreviousShell);
    MainFormTest::TearDown();
  }

  // Adds presentations through the open dialog, as the user does. Each is the one-slide deck under
  // its own name: the browser shows it from the slide cache after the first time.
  void AddPresentations(std::initializer_list<std::string> names) {
    std::vector<std::string> files;
    for (const std::string &name : names) {
      fs::remove(Decks / name);
      fs::create_symlink(testsupport::FixturesFolder() + "decks/one.ppt", Decks / name);
      files.push_back(Decks / name);
    }
    auto previous = win::SetOpenDialogHandler([files](const win::TOpenRequest &) { return files; });
    Form->AddFilesDialog();
    win::SetOpenDialogHandler(previous);
  }
  // The library reports an error when it starts the presentation of start number `start`.
  void LibraryFailsAt(int start) {
    BeforeLibraryDone = [this, start](int n) {
      LibraryAnswers = n != start;
      if (n != start) return;
      QTimer::singleShot(10, Form, [this] {
        win::SendMessage(Form->Handle(), WM_CONVERT_ERROR, reinterpret_cast<win::WPARAM>("Error:disk full"), 0);
      });
    };
  }
  // Clear, confirmed.
  void ClearList() {
    auto previous = win::SetMessageDialogHandler([](const win::TMessageRequest &) { return win::idYes; });
    Form->ClearFileList();
    win::SetMessageDialogHandler(previous);
  }
  std::string Status(int row) { return Form->lvPPT->Items()[row]->SubItems().Strings(1); }
  std::vector<std::string> Runs() {
    std::vector<std::string> runs;
    std::ifstream file(Tools / "runs.txt");
    for (std::string line; std::getline(file, line);) runs.push_back(line);
    return runs;
  }
  bool OutputHas(const std::string &name) { return fs::exists(Output / name); }
  std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const auto &m : Messages) texts.push_back(m.Text);
    return texts;
  }
  void Marker(const char *name, bool on) {
    if (on)
      std::ofstream(Tools / name) << "";
    else
      fs::remove(Tools / name);
  }

  testsupport::TempDir Output, Decks, Tools;
  std::string Working;
  int Starts = 0;
  bool LibraryAnswers = true;
  std::function<void(int)> BeforeLibraryDone;
  std::vector<std::string> Shell;
  win::ShellExecuteFn PreviousShell;
};

}  // namespace

TEST_F(BatchTest, AnEmptyListIsRefused) {
  Form->StartConversion();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"There are no PPT File(s) to be converted!"});
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtError);
  EXPECT_FALSE(Main.Converting);
  EXPECT_EQ(Starts, 0);
}

TEST_F(BatchTest, GuardsRefuseWhilePlayingOrConverting) {
  AddPresentations({"talk.ppt"});
  Main.Playing = Main.Converting = true;
  Form->StartConversion();
  Main.Playing = false;
  Form->StartConversion();
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Please first stop play!", "Please first stop convert!"}));
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtWarning);
  EXPECT_EQ(Starts, 0);
}

TEST_F(BatchTest, SameNamesAreNumberedAndEveryRowFinishes) {
  AddPresentations({"talk.ppt", "talk.pps", "talk.pot"});
  Form->StartConversion();
  EXPECT_TRUE(OutputHas("talk.mp4"));
  EXPECT_TRUE(OutputHas("talk_1.mp4"));
  EXPECT_TRUE(OutputHas("talk_2.mp4"));
  for (int row = 0; row < 3; ++row) EXPECT_EQ(Status(row), "Finished") << row;
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"File(s) Created Successfully!"});
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtInformation);
  EXPECT_FALSE(Main.Converting);
  EXPECT_EQ(Main.CurPresentation, 0);
  EXPECT_FALSE(Form->pbOperation->isVisible());
  EXPECT_EQ(Starts, 3);
}

TEST_F(BatchTest, OnlyTheLastDotStartsTheExtension) {
  AddPresentations({"q1.review.ppt"});
  Form->StartConversion();
  Form->StartConversion();
  EXPECT_TRUE(OutputHas("q1.review.mp4"));
  EXPECT_TRUE(OutputHas("q1.review_1.mp4"));
}

TEST_F(BatchTest, TheJobIsFilledFromTheIntermediateFileAndTheProfile) {
  AddPresentations({"talk.ppt"});
  Form->StartConversion();
  const intputrec &job = Main.EncoderJob;
  EXPECT_EQ(job.InputFile, Working + "FinalVideo.AVI");
  EXPECT_EQ(job.OutputFile, Output.Path + "/talk.mp4");
  EXPECT_EQ(job.DurationSecs, 5);
  EXPECT_EQ(job.ChannelsArg, " -ac 2");
  EXPECT_EQ(job.StartArg, "");
  EXPECT_EQ(job.LengthArg, "");
  EXPECT_EQ(job.SizeArg, Form->SizeArgument());
  EXPECT_EQ(job.AspectArg, Form->AspectArgument(job.SizeArg));
  EXPECT_EQ(job.SampleRateArg, Form->SampleRateArgument(job.AudioBitrateArg));
  ASSERT_EQ(Runs().size(), 1u);
  EXPECT_NE(Runs()[0].find(Working + "FinalVideo.AVI"), std::string::npos);
  // The library was pointed at the main window before the slides were read.
  const auto &log = kestrune_fake::Calls().Log;
  auto at = [&log](const char *name) { return std::find(log.rbegin(), log.rend(), name); };
  EXPECT_EQ(kestrune_fake::Calls().MainWnd, Form->Handle());
  EXPECT_LT(at("GetPPTFileSlidesCount"), at("PassMainFrmHandlesToDLL"));
}

TEST_F(BatchTest, SuperVideoCdNtscTargetsTheEncoder) {
  Main.SelProfile = 113;
  Form->SelectProfile(113);
  for (int i = 0; i < Form->cb_size->Items().Count(); ++i)
    if (Form->cb_size->Items().Strings(i) == "NTSC") Form->cb_size->SetItemIndex(i);
  ASSERT_EQ(Form->cb_size->Text(), "NTSC");
  AddPresentations({"talk.ppt"});
  Form->StartConversion();
  EXPECT_EQ(Main.EncoderJob.ProfileOptions, " -target ntsc-svcd ");
  EXPECT_TRUE(OutputHas("talk.mpg"));
  ASSERT_EQ(Runs().size(), 1u);
  EXPECT_NE(Runs()[0].find("-target ntsc-svcd"), std::string::npos);
}

TEST_F(BatchTest, MinimisingIsAllowedOnlyOnceTheLibraryRuns) {
  AddPresentations({"talk.ppt"});
  bool allowedAtStart = true;
  BeforeLibraryDone = [&](int) { allowedAtStart = Main.AllowMinimize; };
  Form->StartConversion();
  EXPECT_FALSE(allowedAtStart);
  EXPECT_TRUE(Main.AllowMinimize);
}

TEST_F(BatchTest, AStopInTheLibraryPhaseResumesAtThatRow) {
  AddPresentations({"a.ppt", "b.ppt", "c.ppt"});
  BeforeLibraryDone = [this](int start) {
    if (start == 2) {
      LibraryAnswers = false;
      QTimer::singleShot(20, Form, [this] { Form->StopConversion(); });
    }
  };
  Form->StartConversion();
  EXPECT_EQ(Status(0), "Finished");
  EXPECT_EQ(Status(1), "Convertor Stoped");
  EXPECT_EQ(Status(2), "Ready");
  EXPECT_FALSE(Main.Converting);
  EXPECT_FALSE(Form->pbOperation->isVisible());
  EXPECT_EQ(frmPPTToVideo, nullptr);
  EXPECT_EQ(Main.CurPresentation, 1);
  EXPECT_TRUE(Messages.empty());

  BeforeLibraryDone = nullptr;
  LibraryAnswers = true;
  Form->StartConversion();
  EXPECT_EQ(Status(0), "Finished");
  EXPECT_EQ(Status(1), "Finished");
  EXPECT_EQ(Status(2), "Finished");
  EXPECT_TRUE(OutputHas("a.mp4") && OutputHas("b.mp4") && OutputHas("c.mp4"));
  EXPECT_FALSE(OutputHas("a_1.mp4"));
  EXPECT_EQ(Starts, 4);
}

TEST_F(BatchTest, AStopInTheEncoderPhaseEndsTheBatch) {
  AddPresentations({"a.ppt", "b.ppt"});
  Marker("slow", true);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [this] {
    if (Main.IntermediateReady && ConvertTh.EncoderProcess && Main.Converting) Form->StopConversion();
  });
  poll.start(20);
  Form->StartConversion();
  poll.stop();
  EXPECT_EQ(Status(0), "Convertor Stoped");
  EXPECT_EQ(Status(1), "Ready");
  EXPECT_EQ(Form->lv->Items()[0]->SubItems().Strings(3), "Stop");
  EXPECT_GT(Main.CurItem, Form->lv->Count());
  EXPECT_FALSE(Main.Converting);
  EXPECT_FALSE(Form->pbOperation->isVisible());
  EXPECT_EQ(frmPPTToVideo, nullptr);
  EXPECT_EQ(Starts, 1);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BatchTest, ProgressOf150EndsTheLibraryPhaseAndShowsOnTheBar) {
  AddPresentations({"talk.ppt"});
  win::SendMessage(Form->Handle(), WM_CONVERT_PROGRESS, 0, 150);
  EXPECT_TRUE(Main.LibraryDone);
  EXPECT_TRUE(Form->pbOperation->isVisible());
  EXPECT_EQ(Form->pbOperation->Position(), 150);
}

TEST_F(BatchTest, ProgressOfZeroOrLessChangesNothingAndAStoppedRowKeepsTheBarAtZero) {
  AddPresentations({"talk.ppt"});
  win::SendMessage(Form->Handle(), WM_CONVERT_PROGRESS, reinterpret_cast<win::WPARAM>("Capture No.1......"), 0);
  win::SendMessage(Form->Handle(), WM_CONVERT_PROGRESS, 0, -1);
  EXPECT_FALSE(Form->pbOperation->isVisible());
  EXPECT_FALSE(Main.LibraryDone);
  Form->StopConversion();
  win::SendMessage(Form->Handle(), WM_CONVERT_PROGRESS, 0, 40);
  EXPECT_TRUE(Form->pbOperation->isVisible());
  EXPECT_EQ(Form->pbOperation->Position(), 0);
}

TEST_F(BatchTest, ALibraryErrorStopsTheRowAndShowsItsText) {
  AddPresentations({"a.ppt", "b.ppt"});
  LibraryAnswers = false;
  BeforeLibraryDone = [this](int) {
    QTimer::singleShot(10, Form, [this] {
      win::SendMessage(Form->Handle(), WM_CONVERT_ERROR, reinterpret_cast<win::WPARAM>("Error:disk full"), 0);
    });
  };
  Form->StartConversion();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Error:disk full"});
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtError);
  EXPECT_EQ(Status(0), "Convertor Stoped");
  EXPECT_EQ(Status(1), "Ready");
  EXPECT_FALSE(Main.Converting);
  EXPECT_EQ(Main.CurPresentation, 0);
  EXPECT_TRUE(Runs().empty());
}

TEST_F(BatchTest, APresentationThatCannotBeLoadedIsReportedAndNotStarted) {
  AddPresentations({"a.ppt"});
  kestrune_fake::SlidesCount = [](const char *) -> std::int32_t { throw std::runtime_error("no"); };
  Form->StartConversion();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                "Load PPT File(S) Error,Please try again !\r\nOr your PC doesn't support the convertor !"});
  EXPECT_EQ(Status(0), "Convertor Stoped");
  EXPECT_EQ(Starts, 0);
  EXPECT_FALSE(Main.Converting);
}

TEST_F(BatchTest, AFailedEncoderIsAnErrorAndTheBatchGoesOn) {
  AddPresentations({"a.ppt", "b.ppt", "c.ppt"});
  BeforeLibraryDone = [this](int start) { Marker("fail", start == 2); };
  Form->StartConversion();
  EXPECT_EQ(Status(0), "Finished");
  EXPECT_EQ(Status(1), "Convert Error");
  EXPECT_EQ(Status(2), "Finished");
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtError);
  EXPECT_NE(Messages[0].Text.find("b.ppt"), std::string::npos);
  EXPECT_EQ(Messages[0].Text.find("a.ppt"), std::string::npos);
  EXPECT_EQ(Main.CurPresentation, 0);
}

TEST_F(BatchTest, AnEmptyOutputFileIsAnError) {
  AddPresentations({"a.ppt"});
  Marker("empty", true);
  Form->StartConversion();
  EXPECT_EQ(Status(0), "Convert Error");
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].Text.find("a.ppt"), std::string::npos);
}

TEST_F(BatchTest, AnOutputFolderThatCannotBeMadeIsAnError) {
  AddPresentations({"a.ppt"});
  std::ofstream(Output / "file") << "x";
  Form->ed_output->SetText(Output / "file/videos");
  Form->StartConversion();
  EXPECT_EQ(Status(0), "Convert Error");
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtError);
}

TEST_F(BatchTest, AMissingOutputFolderIsMadeOneLevelDeep) {
  AddPresentations({"a.ppt"});
  Form->ed_output->SetText(Output / "new");
  Form->StartConversion();
  EXPECT_EQ(Status(0), "Finished");
  EXPECT_TRUE(fs::exists(Output / "new/a.mp4"));
  EXPECT_EQ(Main.OutputDir, Output / "new/");
}

TEST_F(BatchTest, FinishActionOneOpensTheFolderThenSaysSo) {
  AddPresentations({"a.ppt"});
  Main.FinishAction = 1;
  Form->StartConversion();
  EXPECT_EQ(Shell, std::vector<std::string>{"open|" + Output.Path + "/|"});
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"File(s) Created Successfully!"});
}

TEST_F(BatchTest, FinishActionTwoShutsDownWithoutADialog) {
  AddPresentations({"a.ppt"});
  Main.FinishAction = 2;
  Form->StartConversion();
  EXPECT_EQ(Shell, std::vector<std::string>{"open|shutdown.exe| -s -t 0"});
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BatchTest, FinishActionTwoKeepsTheMachineOnWhenARowFailed) {
  AddPresentations({"a.ppt"});
  Main.FinishAction = 2;
  Marker("fail", true);
  Form->StartConversion();
  EXPECT_TRUE(Shell.empty());
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtError);
}

TEST_F(BatchTest, AnUnknownFinishActionDoesNothing) {
  AddPresentations({"a.ppt"});
  Main.FinishAction = 3;
  Form->StartConversion();
  EXPECT_TRUE(Shell.empty());
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(Status(0), "Finished");
}

TEST_F(BatchTest, StopWithAnEmptyListOnlyEndsConverting) {
  Main.Converting = true;
  Form->StopConversion();
  EXPECT_FALSE(Main.Converting);
  EXPECT_FALSE(Main.LibraryDone);
}

TEST_F(BatchTest, StopWhilePlayingDoesNothing) {
  AddPresentations({"a.ppt"});
  Main.Playing = Main.Converting = true;
  Form->StopConversion();
  EXPECT_TRUE(Main.Converting);
  EXPECT_EQ(Status(0), "Ready");
}

TEST_F(BatchTest, ClearAfterAStopStartsTheNextBatchAtTheFirstRow) {
  AddPresentations({"a.ppt", "b.ppt"});
  LibraryFailsAt(2);
  Form->StartConversion();
  ASSERT_EQ(Status(1), "Convertor Stoped");
  ClearList();
  AddPresentations({"c.ppt", "d.ppt", "e.ppt"});
  BeforeLibraryDone = nullptr;
  LibraryAnswers = true;
  Messages.clear();
  Form->StartConversion();
  for (int row = 0; row < 3; ++row) EXPECT_EQ(Status(row), "Finished") << row;
  EXPECT_TRUE(OutputHas("c.mp4") && OutputHas("d.mp4") && OutputHas("e.mp4"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"File(s) Created Successfully!"});
}

// Rows removed after a stop move the resume row with its presentation: finished rows are never
// converted again.
TEST_F(BatchTest, RemovingRowsAfterAStopResumesAtTheSamePresentation) {
  struct TCase {
    const char *What;
    std::vector<int> Removed;  // rows of a, b, c, d with c stopped
    std::vector<std::string> Made;
  };
  const TCase cases[] = {
      {"a row below", {3}, {"c.mp4"}},
      {"a row above", {0}, {"c.mp4", "d.mp4"}},
      {"the stopped row", {2}, {"d.mp4"}},
      {"rows above and the stopped row", {1, 2}, {"d.mp4"}},
  };
  for (const TCase &c : cases) {
    fs::remove_all(Output.Path);
    fs::create_directories(Output.Path);
    if (Form->lvPPT->Count() > 0) ClearList();
    AddPresentations({"a.ppt", "b.ppt", "c.ppt", "d.ppt"});
    Starts = 0;
    LibraryAnswers = true;
    LibraryFailsAt(3);
    Form->StartConversion();
    ASSERT_EQ(Status(2), "Convertor Stoped") << c.What;
    for (int row = 0; row < Form->lvPPT->Count(); ++row)
      Form->lvPPT->Items()[row]->SetSelected(std::find(c.Removed.begin(), c.Removed.end(), row) != c.Removed.end());
    Form->RemoveSelectedFiles();
    BeforeLibraryDone = nullptr;
    LibraryAnswers = true;
    Form->StartConversion();
    std::vector<std::string> made;
    for (const auto &entry : fs::directory_iterator(Output.Path)) made.push_back(entry.path().filename());
    std::sort(made.begin(), made.end());
    std::vector<std::string> expected = {"a.mp4", "b.mp4"};
    expected.insert(expected.end(), c.Made.begin(), c.Made.end());
    EXPECT_EQ(made, expected) << c.What;
    for (int row = 0; row < Form->lvPPT->Count(); ++row) EXPECT_EQ(Status(row), "Finished") << c.What << " row " << row;
  }
}

// Opening the folder hides no failure: the failure dialog still follows.
TEST_F(BatchTest, FinishActionOneOpensTheFolderAfterAFailureToo) {
  AddPresentations({"a.ppt", "b.ppt"});
  Main.FinishAction = 1;
  BeforeLibraryDone = [this](int n) { Marker("fail", n == 2); };
  Form->StartConversion();
  EXPECT_EQ(Status(0), "Finished");
  EXPECT_EQ(Status(1), "Convert Error");
  EXPECT_EQ(Shell, std::vector<std::string>{"open|" + Output.Path + "/|"});
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtError);
}

TEST_F(BatchTest, ABatchThatMadeNothingRunsNoAfterFinishAction) {
  AddPresentations({"a.ppt"});
  Marker("fail", true);
  for (int action : {1, 2}) {
    Main.FinishAction = action;
    Messages.clear();
    Form->StartConversion();
    EXPECT_TRUE(Shell.empty()) << action;
    ASSERT_EQ(Messages.size(), 1u) << action;
    EXPECT_EQ(Messages[0].Type, win::TMsgDlgType::mtError) << action;
  }
}
