// The encoder runner: its command line, its reading of the encoder's console into progress, and whole
// jobs run on a stand-in encoder (a shell script) as a process with pipes.
#include <QThread>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "convertTh.h"
#include "gettime.h"
#include "mainform_fixture.h"
#include "process.h"
#include "win.h"

namespace {

intputrec PathsJob(const std::string &encoder, const std::string &input, const std::string &output) {
  intputrec job;
  job.EncoderPath = encoder;
  job.InputFile = input;
  job.OutputFile = output;
  return job;
}

// A stand-in encoder: a shell script whose body the test gives.
std::string WriteScript(const std::string &path, const std::string &body) {
  std::ofstream(path) << "#!/bin/sh\n" << body;
  chmod(path.c_str(), 0755);
  return path;
}

}  // namespace

TEST(EncoderCommandLine, QuotesOnlyThePathsThatHoldABlank) {
  intputrec job = PathsJob("/opt/my tools/register.dat", "/videos/in put.avi", "/out/talk.mp4");
  EXPECT_EQ(EncoderCommandLine(job),
            "\"/opt/my tools/register.dat\" -y  -i \"/videos/in put.avi\"  /out/talk.mp4");
  // Split as the process starter splits it, each path stays one argument.
  std::vector<std::string> words = win::SplitCommandLine(EncoderCommandLine(job));
  ASSERT_GE(words.size(), 5u);
  EXPECT_EQ(words[0], "/opt/my tools/register.dat");
  EXPECT_EQ(words[3], "/videos/in put.avi");
  EXPECT_EQ(words.back(), "/out/talk.mp4");
}

TEST(EncoderCommandLine, EveryPathReachesTheEncoderAsExactlyTheArgumentItWas) {
  // A name with a quote must not close the quotes early and plant options of its own.
  const std::vector<std::string> names = {"x\" -f mp4 -y \"out.avi",
                                          "/v/My \"Best\" Clip.avi",
                                          "/v/tab\there.avi",
                                          "/v/ends in a backslash\\",
                                          "/v/endsplain\\",
                                          "/v/a\\\"b",
                                          "/v/two\\\\\" quotes\"",
                                          "-y",
                                          "/v/Präsentation – Ü.avi",
                                          ""};
  const std::vector<std::string> programs = {"/opt/my \"tools\"/register.dat", "/opt/t\tb\\/register.dat",
                                             "/opt/x\\", "/opt/plain/register.dat"};
  for (const std::string &program : programs)
    for (const std::string &name : names) {
      intputrec job = PathsJob(program, name, name + ".mp4");
      job.SizeArg = " -s 320x240";
      std::vector<std::string> words = win::SplitCommandLine(EncoderCommandLine(job));
      ASSERT_EQ(words.size(), 7u) << EncoderCommandLine(job);
      EXPECT_EQ(words[0], program);
      EXPECT_EQ(words[3], name) << EncoderCommandLine(job);
      EXPECT_EQ(words.back(), name + ".mp4") << EncoderCommandLine(job);
    }
  // Plain names with blanks keep their plain quotes.
  EXPECT_EQ(QuoteIfBlank("/v/in put.avi"), "\"/v/in put.avi\"");
  EXPECT_EQ(QuoteProgramIfBlank("/opt/my tools/register.dat"), "\"/opt/my tools/register.dat\"");
}

TEST(EncoderCommandLine, JoinsTheSixteenPiecesInTheirOrder) {
  intputrec job = PathsJob("/p/register.dat", "/w/FinalVideo.AVI", "/o/talk.mp4");
  job.VideoRateArg = " -r 25 -b 768000";
  job.AudioBitrateArg = " -ab 128000";
  job.ChannelsArg = " -ac 2";
  job.AspectArg = " -aspect 1.3333";
  job.StartArg = " -ss 00:00:01";
  job.LengthArg = " -t 00:00:10";
  job.SizeArg = " -s 320x240";
  job.SampleRateArg = " -ar 44100";
  job.ProfileOptions = " -vcodec mpeg4";
  job.DurationSecs = 99;
  job.WorkDir = "/never/on/the/line";
  EXPECT_EQ(EncoderCommandLine(job),
            "/p/register.dat -y  -i /w/FinalVideo.AVI -r 25 -b 768000 -ab 128000 -ac 2 -aspect 1.3333"
            " -ss 00:00:01 -t 00:00:10 -s 320x240  -ar 44100 -vcodec mpeg4 /o/talk.mp4");
}

TEST(ProgressSeconds, ReadsTheWholeSecondsBeforeBitrate) {
  EXPECT_EQ(ParseProgressSeconds("frame=  100 fps= 25 q=2.0 size= 256kB time=4.00 bitrate= 512.0kbits/s"), 4);
  EXPECT_EQ(ParseProgressSeconds("time=12.34 bitrate=1"), 12);
  EXPECT_EQ(ParseProgressSeconds("time=100000.00 bitrate=1"), 100000);
}

TEST(ProgressSeconds, GivesNothingForLinesItCannotRead) {
  EXPECT_EQ(ParseProgressSeconds("frame=1 size=0kB"), 0);
  EXPECT_EQ(ParseProgressSeconds("time=4.00 size=0kB"), 0);                   // no bitrate
  EXPECT_EQ(ParseProgressSeconds("bitrate=1.0kbits/s time=4.00"), 0);        // wrong order
  EXPECT_EQ(ParseProgressSeconds("time=4 bitrate=1.5kbits/s"), 0);           // "." only after bitrate
  EXPECT_EQ(ParseProgressSeconds("time=100001.00 bitrate=1"), 0);            // beyond any real length
  EXPECT_EQ(ParseProgressSeconds("time=N/A.00 bitrate=1"), 0);
  EXPECT_EQ(ParseProgressSeconds("time=.50 bitrate=1"), 0);
}

TEST(TimeText, ReadsHoursMinutesSeconds) {
  EXPECT_EQ(TimeTextToSeconds("01:02:03"), 3723);
  EXPECT_EQ(TimeTextToSeconds("00:01:23.45"), 83);
  // Only the places are read, not the separators.
  EXPECT_EQ(TimeTextToSeconds("00-01-05"), 65);
}

TEST(TimeText, GivesZeroWhenAPartIsNotANumber) {
  EXPECT_EQ(TimeTextToSeconds(""), 0);
  EXPECT_EQ(TimeTextToSeconds("00:00"), 0);
  EXPECT_EQ(TimeTextToSeconds("1:02:03"), 0);
  EXPECT_EQ(TimeTextToSeconds("N/A"), 0);
}

// ---------------------------------------------------------------------------------------------------

class EncoderRunnerTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    ConvertTh = ConvertThGlobals{};
    Create();
    Main.ProgressBase = 150;
    Main.EncoderJob.DurationSecs = 10;
  }
  void TearDown() override {
    MainFormTest::TearDown();
    // Deleting the form has ended every job.
    EXPECT_EQ(ConvertTh.EncoderProcess, nullptr);
    EXPECT_TRUE(ConvertTh.RetiredThreads.empty());
  }
  int Position() { return Form->pbOperation->Position(); }
  void AddRows(int count) {
    for (int i = 0; i < count; ++i) {
      TListItem *row = Form->lv->Items().Add();
      row->SetCaption("clip" + std::to_string(i));
      for (const char *text : {"320x240", "00:00:10", "1.00MB", "Status"}) row->SubItems().Add(text);
    }
  }
  std::string Status(int row) { return Form->lv->Items()[row]->SubItems()[3]; }
  // Pumps until the job has reported its end, noting every bar position seen on the way.
  std::vector<int> RunToEnd(int timeoutMs = 20000) {
    std::vector<int> seen;
    bool ended = win::PumpUntil(
        [&] {
          if (seen.empty() || seen.back() != Position()) seen.push_back(Position());
          return !ConvertTh.EncoderWaitThread;
        },
        timeoutMs);
    EXPECT_TRUE(ended) << "the job did not end";
    return seen;
  }
  TProcessor Reader;
  testsupport::TempDir Dir;
};

TEST_F(EncoderRunnerTest, ATimeLineMovesTheBarOverTheRestOfTheSpan) {
  Reader.FOutput = "frame=  100 fps= 25 q=2.0 size= 256kB time=4.00 bitrate= 512.0kbits/s\r";
  Reader.ParseEncoderOutput();
  EXPECT_EQ(Position(), 150 + win::MulDiv(4, 50, 10));
  EXPECT_EQ(Reader.FOutput, "");
}

TEST_F(EncoderRunnerTest, ALineSplitAcrossTwoReadsCountsWhenItsEndArrives) {
  Form->pbOperation->SetPosition(150);
  Reader.FOutput = "frame=  100 time=4.0";
  Reader.ParseEncoderOutput();
  EXPECT_EQ(Position(), 150);
  EXPECT_EQ(Reader.FOutput, "frame=  100 time=4.0");
  Reader.FOutput += "0 bitrate= 512.0kbits/s\r";
  Reader.ParseEncoderOutput();
  EXPECT_EQ(Position(), 170);
}

TEST_F(EncoderRunnerTest, CrLfEndsOneLineAndTheRestWaits) {
  Reader.FOutput = "time=2.00 bitrate=1\r\nframe= 7 time=6";
  Reader.ParseEncoderOutput();
  EXPECT_EQ(Position(), 160);
  EXPECT_EQ(Reader.FOutput, "frame= 7 time=6");
  Reader.FOutput += ".00 bitrate=1\n";
  Reader.ParseEncoderOutput();
  EXPECT_EQ(Position(), 180);
}

TEST_F(EncoderRunnerTest, EveryLineEndOfOneReadTakesTheFirstTimeStillBuffered) {
  Reader.FOutput = "time=2.00 bitrate=1\rtime=8.00 bitrate=1\r";
  Reader.ParseEncoderOutput();
  EXPECT_EQ(Position(), 160);
  Reader.FOutput += "time=9.00 bitrate=1\r";
  Reader.ParseEncoderOutput();
  EXPECT_EQ(Position(), 195);
}

TEST_F(EncoderRunnerTest, LinesWithoutATimeLeaveTheBar) {
  Form->pbOperation->SetPosition(150);
  Reader.FOutput = "Input #0, avi, from 'x':\r\nbitrate=1.0 time=5.00\r";
  Reader.ParseEncoderOutput();
  EXPECT_EQ(Position(), 150);
}

TEST_F(EncoderRunnerTest, ADurationOfZeroHoldsTheBarJustBelowTheBase) {
  Main.EncoderJob.DurationSecs = 0;
  Reader.FOutput = "time=3.00 bitrate=1\r";
  Reader.ParseEncoderOutput();
  EXPECT_EQ(Position(), 149);
}

TEST_F(EncoderRunnerTest, TheTickCreepsUntilATimeArrives) {
  Form->Timer2->SetEnabled(true);
  Form->Timer2Timer();
  Form->Timer2Timer();
  EXPECT_EQ(Main.ProgressBase, 152);
  EXPECT_EQ(Position(), 152);
  // A line without a time leaves the tick running.
  Reader.FOutput = "frame=1\r";
  Reader.ParseEncoderOutput();
  EXPECT_TRUE(Form->Timer2->Enabled());
  // The first time stops it and scales the remaining span.
  Reader.FOutput = "time=5.00 bitrate=1\r";
  Reader.ParseEncoderOutput();
  EXPECT_FALSE(Form->Timer2->Enabled());
  EXPECT_EQ(Position(), 152 + win::MulDiv(5, 48, 10));
}

TEST_F(EncoderRunnerTest, TheEndOfTheLastRowMarksItFinished) {
  AddRows(2);
  Main.CurItem = 1;
  Main.Converting = true;
  Form->ProgressBar1->Show();
  Form->Timer2->SetEnabled(true);
  OnEncoderFinished();
  EXPECT_FALSE(Form->Timer2->Enabled());
  EXPECT_EQ(Position(), 200);
  EXPECT_EQ(Main.CurItem, 2);
  EXPECT_FALSE(Main.Converting);
  EXPECT_EQ(Status(1), "Finish");
  EXPECT_EQ(Status(0), "Status");
  EXPECT_FALSE(Form->ProgressBar1->Visible());
}

TEST_F(EncoderRunnerTest, TheEndAfterAStopOnlyFillsTheBar) {
  AddRows(2);
  Main.CurItem = 3;  // a stop puts it past the rows
  Form->ProgressBar1->Show();
  OnEncoderFinished();
  EXPECT_EQ(Position(), 200);
  EXPECT_EQ(Status(1), "Status");
  EXPECT_TRUE(Form->ProgressBar1->Visible());
}

TEST_F(EncoderRunnerTest, TheEndWithAnEmptyListTouchesNoRow) {
  Main.Converting = true;
  OnEncoderFinished();
  EXPECT_FALSE(Main.Converting);
  EXPECT_EQ(Position(), 200);
}

TEST_F(EncoderRunnerTest, AJobRunsTheEncoderInItsFolderAndFollowsItsProgress) {
  const std::string encoder = WriteScript(Dir / "fake encoder.sh",
                                          "printf '%s\\n' \"$@\" > args.txt\n"
                                          "printf 'frame=   1 time=1.00 bitrate=  1.0kbits/s\\r'\n"
                                          "sleep 0.4\n"
                                          "printf 'frame=  75 time=3.00 bitrate=  1.0kbits/s\\r'\n"
                                          "sleep 0.4\n");
  testsupport::TempDir work;
  intputrec job = PathsJob(encoder, Dir / "in put.avi", Dir / "out.mp4");
  job.WorkDir = work.Path;
  job.SizeArg = " -s 320x240";
  job.DurationSecs = 4;
  Main.EncoderJob = job;
  AddRows(1);
  Main.CurItem = 0;
  Main.Converting = true;
  StartEncoderJob(job);
  std::vector<int> seen = RunToEnd();

  const int at1 = 150 + win::MulDiv(1, 50, 4), at3 = 150 + win::MulDiv(3, 50, 4);
  auto at = [&](int value) { return std::find(seen.begin(), seen.end(), value) - seen.begin(); };
  EXPECT_LT(at(at1), at(at3));
  EXPECT_LT(at(at3), at(200));
  EXPECT_EQ(seen.back(), 200);
  EXPECT_EQ(Status(0), "Finish");
  EXPECT_FALSE(Main.Converting);

  std::ifstream args(work / "args.txt");
  std::vector<std::string> words;
  for (std::string line; std::getline(args, line);) words.push_back(line);
  EXPECT_EQ(words, (std::vector<std::string>{"-y", "-i", Dir / "in put.avi", "-s", "320x240", Dir / "out.mp4"}));
}

TEST_F(EncoderRunnerTest, AnEncoderThatCannotStartEndsTheJobAsFinished) {
  AddRows(1);
  Main.CurItem = 0;
  Main.Converting = true;
  intputrec job = PathsJob(Dir / "no such encoder", Dir / "in.avi", Dir / "out.mp4");
  job.WorkDir = Dir.Path;
  StartEncoderJob(job);
  RunToEnd();
  EXPECT_EQ(Position(), 200);
  EXPECT_EQ(Status(0), "Finish");
  EXPECT_FALSE(Main.Converting);
}

TEST_F(EncoderRunnerTest, TerminatingTheEncoderStillReportsItsEnd) {
  const std::string encoder = WriteScript(Dir / "slow.sh", "printf 'time=1.00 bitrate=1\\r'\nexec sleep 30\n");
  AddRows(1);
  Main.CurItem = 0;
  Main.Converting = true;
  intputrec job = PathsJob(encoder, "in.avi", "out.mp4");
  job.WorkDir = Dir.Path;
  StartEncoderJob(job);
  win::PumpUntil([&] { return Position() > 0; }, 5000);
  // As the stop command does it.
  Main.CurItem = Form->lv->Count() + 1;
  Main.Converting = false;
  ASSERT_NE(ConvertTh.EncoderProcess, nullptr);
  ConvertTh.EncoderProcess->Terminate();
  RunToEnd(5000);
  EXPECT_EQ(Position(), 200);
  EXPECT_EQ(Status(0), "Status");
  EXPECT_EQ(ConvertTh.EncoderProcess, nullptr);
}

TEST_F(EncoderRunnerTest, AJobGivenUpBeforeItsEndWasReportedDoesNotEndTheNextOne) {
  const std::string slow = WriteScript(Dir / "slow.sh", "exec sleep 30\n");
  const std::string quick = WriteScript(Dir / "quick.sh", "sleep 0.3\nprintf 'time=2.00 bitrate=1\\r'\n");
  // On the last row, so that one end closes the batch and a second one would count past it.
  AddRows(2);
  Main.CurItem = 1;
  intputrec job = PathsJob(slow, "in.avi", "out.mp4");
  job.WorkDir = Dir.Path;
  StartEncoderJob(job);
  ConvertTh.EncoderProcess->Terminate();
  // Let the first job's end be handed over, but not run, before the next job starts.
  QThread::msleep(200);
  job.EncoderPath = quick;
  StartEncoderJob(job);
  RunToEnd();
  // Only the second job's end counted.
  EXPECT_EQ(Main.CurItem, 2);
}

TEST_F(EncoderRunnerTest, ClosingTheFormEndsARunningEncoder) {
  const std::string encoder = WriteScript(Dir / "slow.sh", "exec sleep 30\n");
  intputrec job = PathsJob(encoder, "in.avi", "out.mp4");
  job.WorkDir = Dir.Path;
  StartEncoderJob(job);
  ASSERT_NE(ConvertTh.EncoderProcess, nullptr);
  const pid_t pid = ConvertTh.EncoderProcess->Pid();
  delete Form;
  Form = nullptr;
  fm_main = nullptr;
  EXPECT_NE(kill(pid, 0), 0) << "the encoder outlived the form";
}

TEST(ConsumeLines, EndsLinesAtCrLfOrCrLfAndKeepsAnUnfinishedOne) {
  std::string buffer = "time=1.00 a\r\ntime=2.00 b\rtime=3.00 c\ntime=4";
  int lines = 0;
  ConsumeLines(buffer, [&] { ++lines; });
  EXPECT_EQ(lines, 3) << "CR LF is one line end";
  EXPECT_EQ(buffer, "time=4") << "the unfinished line waits for the next piece";
  ConsumeLines(buffer, [&] { ++lines; });
  EXPECT_EQ(lines, 3);
}

TEST(ReadPipePieces, EndlessOutputWithoutALineEndCostsBoundedMemory) {
  // Two megabytes on one line, then a progress line.
  auto process = StartPipedProcess(
      "/bin/sh -c \"head -c 2000000 /dev/zero | tr '\\0' x; printf '\\rtime=3.00 bitrate=1\\r'\"", "");
  ASSERT_NE(process, nullptr);
  std::string output;
  std::atomic<bool> ended = false;
  std::size_t largest = 0;
  int progress = 0;
  ReadPipePieces(process->Output(), 256, output, ended, [&] {
    largest = std::max(largest, output.size());
    ConsumeLines(output, [&] { progress = std::max(progress, ParseProgressSeconds(output)); });
  });
  EXPECT_LE(largest, MaxUnfinishedLine + 256);
  EXPECT_EQ(progress, 3) << "the line after the endless one is still read";
}

