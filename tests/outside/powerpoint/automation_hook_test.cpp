// The automation session tells its host about each presentation it opened, and only then.
#include "automation_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
const std::string Decks = VANTREL_DECKS "/";
}

TEST(AutomationSessionOpened, CalledOnlyForASuccessfulOpen) {
  ppt::TAutomationSession session;
  std::vector<std::string> opened;
  session.OnOpened = [&](const std::string &path) { opened.push_back(path); };
  EXPECT_EQ(session.Handle("open 0 0 1 " + Decks + "notppt.ppt").rfind("error", 0), 0u);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(session.Handle("open 0 0 1 " + Decks + "three.ppt"), "ok 3");
  EXPECT_EQ(session.Handle("count"), "ok 3");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], Decks + "three.ppt");
}
