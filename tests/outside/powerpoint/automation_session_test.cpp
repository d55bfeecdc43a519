#include "automation_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ppt_writer.h"

using namespace ppttest;

namespace {

class AutomationSession : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel-session-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FDir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }

  std::string Write(const std::string &name, const std::string &bytes) {
    std::string path = FDir + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::string ThreeSlideDeck(const std::string &name) {
    std::vector<TSlide> slides(3);
    slides[1].Info = SlideInfo(3500, fManualAdvance | fAutoAdvance);
    return Write(name, DeckFile(Deck(slides)));
  }

  std::string FDir;
  ppt::TAutomationSession FSession;
};

}  // namespace

TEST_F(AutomationSession, OpensAndReportsCountAndTransitions) {
  std::string path = ThreeSlideDeck("talk with blanks.pps");
  EXPECT_EQ(FSession.Handle("visible 1"), "ok");
  EXPECT_EQ(FSession.Handle("open 0 0 1 " + path), "ok 3");
  EXPECT_EQ(FSession.Handle("count"), "ok 3");
  EXPECT_EQ(FSession.Handle("transition 1"), "ok 1 0 0");
  EXPECT_EQ(FSession.Handle("transition 2"), "ok 1 1 3.5");
  EXPECT_EQ(FSession.Handle("transition 3"), "ok 1 0 0");
  EXPECT_EQ(FSession.Handle("close"), "ok");
  EXPECT_EQ(FSession.Handle("count"), "error no presentation is open");
}

TEST_F(AutomationSession, RefusesSlideNumbersOutsideTheDeck) {
  FSession.Handle("open -1 0 0 " + ThreeSlideDeck("a.ppt"));
  EXPECT_EQ(FSession.Handle("transition 0"), "error slide 0 is out of range 1..3");
  EXPECT_EQ(FSession.Handle("transition 4"), "error slide 4 is out of range 1..3");
  EXPECT_EQ(FSession.Handle("transition two").rfind("error ", 0), 0u);
}

TEST_F(AutomationSession, FailedOpenKeepsTheEarlierPresentation) {
  std::string good = ThreeSlideDeck("good.ppt");
  std::string bad = Write("bad.ppt", "plain text, not a presentation");
  ASSERT_EQ(FSession.Handle("open 0 0 1 " + good), "ok 3");
  EXPECT_EQ(FSession.Handle("open 0 0 1 " + bad), "error cannot open " + bad + ": not a compound file");
  EXPECT_EQ(FSession.Handle("count"), "ok 3");
  EXPECT_EQ(FSession.Handle("open 0 0 1 " + FDir + "/missing.ppt").rfind("error cannot open ", 0), 0u);
}

TEST_F(AutomationSession, NeverWritesThePresentation) {
  std::string path = ThreeSlideDeck("readonly.ppt");
  auto before = std::filesystem::last_write_time(path);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read, std::filesystem::perm_options::replace);
  EXPECT_EQ(FSession.Handle("open 0 0 1 " + path), "ok 3");  // ReadOnly 0 on a read-only file still opens
  FSession.Handle("close");
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

TEST_F(AutomationSession, RequestsWithoutPresentationOrMalformed) {
  EXPECT_EQ(FSession.Handle("transition 1"), "error no presentation is open");
  EXPECT_EQ(FSession.Handle("close"), "error no presentation is open");
  EXPECT_EQ(FSession.Handle("open 0 0 1"), "error open needs a file name");
  EXPECT_EQ(FSession.Handle("open x 0 1 /a.ppt").rfind("error open needs", 0), 0u);
  EXPECT_EQ(FSession.Handle("visible"), "error visible needs a number");
  EXPECT_EQ(FSession.Handle("launch"), "error unknown request \"launch\"");
  EXPECT_EQ(FSession.Handle(std::string(70000, 'a')), "error request too long");
  EXPECT_FALSE(FSession.Quit());
  EXPECT_EQ(FSession.Handle("quit"), "ok");
  EXPECT_TRUE(FSession.Quit());
}

TEST(ProtocolNumbers, SecondsAreShortestTextWithADot) {
  EXPECT_EQ(ppt::FormatSeconds(3.5f), "3.5");
  EXPECT_EQ(ppt::FormatSeconds(0.f), "0");
  EXPECT_EQ(ppt::FormatSeconds(86399.f), "86399");
  EXPECT_EQ(ppt::FormatSeconds(0.001f), "0.001");
}
