// POWERPNT.EXE driven through ppt::Application, on the committed decks.
#include "ppt_automation.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

#include "paths.h"

namespace fs = std::filesystem;

namespace {

const std::string Decks = VANTREL_DECKS "/";

bool ProcessGone(int pid) {
  // Our child is reaped by the process object; anything else would show as a zombie here.
  return ::kill(pid, 0) != 0;
}

std::string FileBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void ExpectTransition(ppt::Application &app, int slide, int onClick, int onTime, float seconds) {
  ppt::SlideShowTransition t = app.Transition(slide);
  EXPECT_EQ(t.AdvanceOnClick != 0, onClick != 0) << "slide " << slide;
  EXPECT_EQ(t.AdvanceOnTime != 0, onTime != 0) << "slide " << slide;
  if (onTime) {
    EXPECT_FLOAT_EQ(t.AdvanceTime, seconds) << "slide " << slide;
  }
}

std::string OpenError(ppt::Application &app, const std::string &path) {
  try {
    app.Open(path, 0, 0, 1);
  } catch (const ppt::EOleError &e) {
    return e.what();
  }
  return "";
}

class TempDir {
public:
  TempDir() {
    char pattern[] = "/tmp/vantrel-ppt-XXXXXX";
    if (mkdtemp(pattern)) FPath = pattern;
  }
  ~TempDir() { fs::remove_all(FPath); }
  std::string Path() const { return FPath; }

private:
  std::string FPath;
};

}  // namespace

TEST(PowerPointAutomation, ThreeSlideDeckInEveryExtension) {
  ppt::Application app;
  app.SetVisible(1);
  for (const char *name : {"three.ppt", "three.pps", "three.pot"}) {
    SCOPED_TRACE(name);
    app.Open(Decks + name, 0, 0, 1);
    ASSERT_EQ(app.SlidesCount(), 3);
    ExpectTransition(app, 1, 1, 0, 0);
    ExpectTransition(app, 2, 1, 1, 3.5f);
    ExpectTransition(app, 3, 1, 0, 0);
    app.Close();
  }
  int pid = app.Pid();
  app.Quit();
  EXPECT_TRUE(ProcessGone(pid));
}

TEST(PowerPointAutomation, OneTwelveAndTimedDecks) {
  ppt::Application app;
  app.Open(Decks + "one.ppt", 0, 0, 1);
  ASSERT_EQ(app.SlidesCount(), 1);
  ExpectTransition(app, 1, 0, 1, 2);
  app.Close();

  app.Open(Decks + "twelve.ppt", 0, 0, 1);
  ASSERT_EQ(app.SlidesCount(), 12);
  for (int i = 1; i <= 12; ++i) ExpectTransition(app, i, 1, 1, 1);
  app.Close();

  app.Open(Decks + "timed.ppt", 0, 0, 1);
  ASSERT_EQ(app.SlidesCount(), 3);
  for (int i = 1; i <= 3; ++i) ExpectTransition(app, i, 0, 1, 1.5f);
  app.Quit();
}

TEST(PowerPointAutomation, BrokenFilesFailWithAReasonAndTheApplicationGoesOn) {
  ppt::Application app;
  EXPECT_NE(OpenError(app, Decks + "notppt.ppt").find("not a compound file"), std::string::npos);
  EXPECT_NE(OpenError(app, Decks + "truncated.ppt").find("truncated"), std::string::npos);
  EXPECT_NE(OpenError(app, Decks + "empty.ppt").find("empty"), std::string::npos);
  EXPECT_NE(OpenError(app, Decks + "no such file.ppt").find("cannot open"), std::string::npos);
  EXPECT_THROW(app.SlidesCount(), ppt::EOleError);
  EXPECT_THROW(app.Transition(1), ppt::EOleError);
  EXPECT_THROW(app.Close(), ppt::EOleError);
  app.Open(Decks + "three.ppt", 0, 0, 1);
  EXPECT_EQ(app.SlidesCount(), 3);
  EXPECT_THROW(app.Transition(4), ppt::EOleError);
  EXPECT_THROW(app.Open(Decks + "three\n.ppt", 0, 0, 1), ppt::EOleError);
}

TEST(PowerPointAutomation, NeverWritesTheFileAndTakesNamesWithBlanks) {
  TempDir dir;
  std::string path = dir.Path() + "/my talk.ppt";
  fs::copy_file(Decks + "three.ppt", path);
  std::string before = FileBytes(path);
  auto written = fs::last_write_time(path);
  {
    ppt::Application app;
    app.Open(path, 0, 0, 1);  // ReadOnly 0, as the probe asks
    EXPECT_EQ(app.SlidesCount(), 3);
    app.Close();
    app.Quit();
  }
  EXPECT_EQ(FileBytes(path), before);
  EXPECT_EQ(fs::last_write_time(path), written);
}

TEST(PowerPointAutomation, CallsAfterQuitOrDeathThrow) {
  ppt::Application app;
  app.Quit();
  EXPECT_THROW(app.SlidesCount(), ppt::EOleError);

  ppt::Application killed;
  ::kill(killed.Pid(), SIGKILL);
  try {
    killed.Open(Decks + "three.ppt", 0, 0, 1);
    ADD_FAILURE() << "a dead application answered";
  } catch (const ppt::EOleError &e) {
    EXPECT_NE(std::string(e.what()).find("ended"), std::string::npos) << e.what();
  }
  EXPECT_THROW(killed.SlidesCount(), ppt::EOleError);
}

TEST(PowerPointAutomation, DestructorEndsARunningApplication) {
  int pid = 0;
  {
    ppt::Application app;
    pid = app.Pid();
    app.Open(Decks + "three.ppt", 0, 0, 1);
  }
  EXPECT_TRUE(ProcessGone(pid));
}

TEST(PowerPointAutomation, StartFailuresThrow) {
  EXPECT_THROW(ppt::Application(win::ProgramFolder() + "NO-SUCH-POWERPNT.EXE"), ppt::EOleError);
  // A program that is not the presentation application: it ends without the greeting.
  EXPECT_THROW(ppt::Application("/bin/true"), ppt::EOleError);
}

TEST(PowerPointAutomation, SilentApplicationTimesOut) {
  TempDir dir;
  std::string script = dir.Path() + "/silent.sh";
  std::ofstream(script) << "#!/bin/sh\necho ok ready\nexec sleep 600\n";
  fs::permissions(script, fs::perms::owner_all);
  ppt::Application app(script);
  int pid = app.Pid();
  try {
    app.SlidesCount();
    ADD_FAILURE() << "a silent application answered";
  } catch (const ppt::EOleError &e) {
    EXPECT_NE(std::string(e.what()).find("did not answer"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(ProcessGone(pid));  // a hung application is not left behind
  EXPECT_THROW(app.SlidesCount(), ppt::EOleError);
}
