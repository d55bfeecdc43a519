#include "process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

win::TProcessStart Start(const std::string &program, std::vector<std::string> args = {}) {
  win::TProcessStart start;
  start.Program = program;
  start.Arguments = std::move(args);
  return start;
}

std::string ReadAll(win::TPipe &pipe) {
  std::string out;
  char buffer[256];
  long n;
  while ((n = pipe.Read(buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
  return out;
}

// The state letter of a process, or 0 when no such process exists any more.
char StateOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return 0;
  return stat[close + 2];
}

bool WaitForState(pid_t pid, char state) {
  for (int i = 0; i < 500; ++i) {
    if (StateOf(pid) == state) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

}  // namespace

TEST(ProcessPipe, CarriesStdoutAndStderrAndExitCode) {
  win::TProcess process(Start("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}));
  std::string output = ReadAll(*process.Output());
  EXPECT_NE(output.find("out\n"), std::string::npos);
  EXPECT_NE(output.find("err\n"), std::string::npos);
  ASSERT_TRUE(process.Wait(5000));
  EXPECT_EQ(process.ExitCode(), 3);
}

TEST(ProcessPipe, InputReachesChildAndClosingItEndsTheStream) {
  win::TProcess process(Start("cat"));
  ASSERT_TRUE(process.Input());
  EXPECT_TRUE(process.Input()->Write("line one\nline two\n"));
  process.Input()->Close();
  EXPECT_EQ(ReadAll(*process.Output()), "line one\nline two\n");
  ASSERT_TRUE(process.Wait(5000));
  EXPECT_EQ(process.ExitCode(), 0);
}

TEST(ProcessPipe, CloseFromAnotherThreadUnblocksReader) {
  win::TProcess process(Start("sleep", {"30"}));
  std::shared_ptr<win::TPipe> pipe = process.Output();
  long result = 99;
  auto started = std::chrono::steady_clock::now();
  std::thread reader([&] {
    char buffer[64];
    result = pipe->Read(buffer, sizeof buffer);
  });
  std::this_thread::sleep_for(100ms);
  pipe->Close();
  reader.join();
  EXPECT_EQ(result, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  EXPECT_TRUE(pipe->IsClosed());
  char buffer[4];
  EXPECT_EQ(pipe->Read(buffer, sizeof buffer), 0);
  EXPECT_FALSE(pipe->Write("x"));
}

TEST(ProcessPipe, ReadTimeoutGivesUpWithMinusTwo) {
  win::TProcess process(Start("sleep", {"30"}));
  char buffer[16];
  EXPECT_EQ(process.Output()->ReadTimeout(buffer, sizeof buffer, 50), -2);
  EXPECT_FALSE(process.Output()->IsClosed());
}

TEST(ProcessPipe, WriteToAChildThatEndedFailsWithoutKillingUs) {
  win::TProcess process(Start("true"));
  ASSERT_TRUE(process.Wait(5000));
  std::string big(1 << 20, 'x');
  EXPECT_FALSE(process.Input()->Write(big));
}

TEST(ProcessPipe, DescriptorsAreReleasedWhenTheLastUserLetsGo) {
  int before = OpenDescriptorCount();
  {
    win::TProcess process(Start("/bin/sh", {"-c", "echo done"}));
    std::shared_ptr<win::TPipe> output = process.Output();
    EXPECT_EQ(ReadAll(*output), "done\n");
    process.Wait(5000);
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(ProcessStart, ChildInheritsOnlyItsStandardDescriptors) {
  // A descriptor opened elsewhere in the program without close-on-exec must not leak.
  int leaked = open("/dev/null", O_RDONLY);
  ASSERT_GE(leaked, 0);
  ASSERT_EQ(dup2(leaked, 57), 57);
  close(leaked);

  // ls lists its own descriptors: 0, 1, 2 and the one it reads the folder with.
  win::TProcess process(Start("ls", {"/proc/self/fd"}));
  std::istringstream lines(ReadAll(*process.Output()));
  close(57);
  std::set<std::string> fds;
  for (std::string line; std::getline(lines, line);) fds.insert(line);
  EXPECT_EQ(fds.count("0") + fds.count("1") + fds.count("2"), 3u);
  EXPECT_EQ(fds.count("57"), 0u);
  EXPECT_LE(fds.size(), 4u);
  ASSERT_TRUE(process.Wait(5000));
}

TEST(ProcessStart, PipesWorkWhileOurOwnStandardDescriptorsAreClosed) {
  // A program started without stdin or stdout hands out 0 and 1 to the next pipe it makes.
  int savedIn = dup(0), savedOut = dup(1);
  close(0);
  close(1);
  std::string output;
  {
    win::TProcess process(Start("cat"));
    process.Input()->Write("through\n");
    process.Input()->Close();
    output = ReadAll(*process.Output());
    process.Wait(5000);
  }
  dup2(savedIn, 0);
  dup2(savedOut, 1);
  close(savedIn);
  close(savedOut);
  EXPECT_EQ(output, "through\n");
}

TEST(ProcessStart, RunsInTheGivenWorkDir) {
  char folder[] = "/tmp/vantrel-workdir-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  win::TProcessStart start = Start("pwd");
  start.WorkDir = folder;
  win::TProcess process(start);
  EXPECT_EQ(ReadAll(*process.Output()), std::string(folder) + "\n");
  process.Wait(5000);
  rmdir(folder);
}

TEST(ProcessStart, WithoutRedirectionThereAreNoPipes) {
  win::TProcessStart start = Start("true");
  start.RedirectInput = false;
  start.RedirectOutput = false;
  win::TProcess process(start);
  EXPECT_FALSE(process.Input());
  EXPECT_FALSE(process.Output());
  ASSERT_TRUE(process.Wait(5000));
  EXPECT_EQ(process.ExitCode(), 0);
}

TEST(ProcessStart, ThrowsWithTheReasonWhenItCannotStart) {
  EXPECT_THROW(win::TProcess(Start("/nonexistent/program")), std::runtime_error);
  win::TProcessStart start = Start("true");
  start.WorkDir = "/nonexistent/folder";
  EXPECT_THROW(win::TProcess process(start), std::runtime_error);
}

TEST(ProcessLifetime, WaitTimesOutWhileTheChildRuns) {
  win::TProcess process(Start("sleep", {"30"}));
  EXPECT_FALSE(process.Wait(50));
  EXPECT_TRUE(process.Running());
}

TEST(ProcessLifetime, TerminateKillsAndReaps) {
  win::TProcess process(Start("sleep", {"30"}));
  pid_t pid = process.Pid();
  process.Terminate();
  EXPECT_FALSE(process.Running());
  EXPECT_EQ(process.ExitCode(), 128 + 9);
  EXPECT_EQ(StateOf(pid), 0) << "the child is still there (a zombie?)";
}

TEST(ProcessLifetime, DestructorKillsAndReapsARunningChild) {
  pid_t pid;
  {
    win::TProcess process(Start("sleep", {"30"}));
    pid = process.Pid();
  }
  EXPECT_EQ(StateOf(pid), 0);
}

TEST(ProcessLifetime, DestructorReapsAChildThatEndedByItself) {
  pid_t pid;
  {
    win::TProcess process(Start("true"));
    pid = process.Pid();
    ASSERT_TRUE(WaitForState(pid, 'Z'));
  }
  EXPECT_EQ(StateOf(pid), 0);
}

TEST(ProcessLifetime, TerminateWakesAWaitOnAnotherThread) {
  win::TProcess process(Start("sleep", {"30"}));
  bool ended = false;
  std::thread waiter([&] { ended = process.Wait(-1); });
  std::this_thread::sleep_for(50ms);
  process.Terminate();
  waiter.join();
  EXPECT_TRUE(ended);
}

TEST(ProcessLifetime, ChildKilledBySignalReports128PlusSignal) {
  win::TProcess process(Start("/bin/sh", {"-c", "kill -TERM $$"}));
  ASSERT_TRUE(process.Wait(5000));
  EXPECT_EQ(process.ExitCode(), 128 + 15);
}

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
  using V = std::vector<std::string>;
  EXPECT_EQ(win::SplitCommandLine("prog a  b\tc"), (V{"prog", "a", "b", "c"}));
  EXPECT_EQ(win::SplitCommandLine("\"/opt/my tools/enc\" -y  -i \"in put.avi\" out.mp4"),
            (V{"/opt/my tools/enc", "-y", "-i", "in put.avi", "out.mp4"}));
  EXPECT_EQ(win::SplitCommandLine("prog a\"b c\"d"), (V{"prog", "ab cd"}));
  EXPECT_EQ(win::SplitCommandLine("prog \"\""), (V{"prog", ""}));
  EXPECT_EQ(win::SplitCommandLine("   "), V{});
  EXPECT_EQ(win::SplitCommandLine("prog   "), V{"prog"});
}

TEST(SplitCommandLine, BackslashesBeforeQuotes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(win::SplitCommandLine(R"(prog a\\b c\d)"), (V{"prog", R"(a\\b)", R"(c\d)"}));
  EXPECT_EQ(win::SplitCommandLine(R"(prog \"x\")"), (V{"prog", R"("x")"}));
  EXPECT_EQ(win::SplitCommandLine(R"(prog "a\\" b)"), (V{"prog", R"(a\)", "b"}));
  EXPECT_EQ(win::SplitCommandLine(R"(prog "a\\\"b" c)"), (V{"prog", R"(a\"b)", "c"}));
  EXPECT_EQ(win::SplitCommandLine(R"(prog a\\\\"b c")"), (V{"prog", R"(a\\b c)"}));
}

TEST(SplitCommandLine, DoubledQuoteInsideQuotesIsALiteralQuoteAndEndsTheGroup) {
  using V = std::vector<std::string>;
  EXPECT_EQ(win::SplitCommandLine(R"(prog "a""b")"), (V{"prog", R"(a"b)"}));
  EXPECT_EQ(win::SplitCommandLine(R"(prog "a""b c")"), (V{"prog", R"(a"b)", "c"}));
}

TEST(SplitCommandLine, ProgramNameKeepsBackslashes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(win::SplitCommandLine(R"("C:\Program Files\x\" -i)"), (V{R"(C:\Program Files\x\)", "-i"}));
  EXPECT_EQ(win::SplitCommandLine(R"(C:\x\y.exe a)"), (V{R"(C:\x\y.exe)", "a"}));
}

TEST(ProcessSnapshot, FindsAStartedProgramByItsFileName) {
  win::TProcess process(Start("sleep", {"30"}));
  std::vector<win::TProcessEntry> entries = win::ProcessSnapshot();
  auto found = std::find_if(entries.begin(), entries.end(),
                            [&](const win::TProcessEntry &e) { return e.Pid == process.Pid(); });
  ASSERT_NE(found, entries.end());
  EXPECT_EQ(found->ExeFile, "sleep");
  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                             [](const win::TProcessEntry &a, const win::TProcessEntry &b) { return a.Pid < b.Pid; }));
}

TEST(ProcessSnapshot, SkipsZombies) {
  win::TProcess process(Start("true"));
  ASSERT_TRUE(WaitForState(process.Pid(), 'Z'));
  for (const win::TProcessEntry &entry : win::ProcessSnapshot()) EXPECT_NE(entry.Pid, process.Pid());
  EXPECT_TRUE(process.Wait(0));
}

TEST(TerminateProcess, EndsAndReapsOurOwnChild) {
  win::TProcess process(Start("sleep", {"30"}));
  pid_t pid = process.Pid();
  EXPECT_TRUE(win::TerminateProcess(pid));
  EXPECT_EQ(StateOf(pid), 0) << "left a zombie";
  EXPECT_TRUE(process.Wait(0));
  EXPECT_EQ(process.ExitCode(), 128 + 9);
  EXPECT_FALSE(win::TerminateProcess(pid)) << "a reaped child is no process";
}

TEST(TerminateProcess, RefusesIdsThatNameProcessGroups) {
  EXPECT_FALSE(win::TerminateProcess(0));
  EXPECT_FALSE(win::TerminateProcess(-1));
}
