#include "shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Call {
  std::string Operation, File, Parameters, Directory;
};

// Puts the previous handler back whatever a test does.
class Shell : public ::testing::Test {
protected:
  void TearDown() override { win::SetShellExecuteHandler(nullptr); }
};

bool WaitForFile(const std::string &path) {
  for (int i = 0; i < 500; ++i) {
    if (fs::exists(path)) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

}  // namespace

TEST_F(Shell, EveryActionGoesThroughTheReplaceableHandler) {
  std::vector<Call> calls;
  win::SetShellExecuteHandler([&](const std::string &op, const std::string &file, const std::string &params,
                                  const std::string &dir) {
    calls.push_back({op, file, params, dir});
    return file != "refuse";
  });
  EXPECT_TRUE(win::ShellExecute("open", "shutdown.exe", " -s -t 0", ""));
  EXPECT_FALSE(win::ShellExecute("open", "refuse", "", "/tmp"));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].File, "shutdown.exe");
  EXPECT_EQ(calls[0].Parameters, " -s -t 0");
  EXPECT_EQ(calls[1].Directory, "/tmp");
}

TEST_F(Shell, SettingAHandlerReturnsThePreviousOne) {
  int first = 0;
  win::SetShellExecuteHandler([&](auto &&...) { return ++first > 0; });
  win::ShellExecuteFn previous = win::SetShellExecuteHandler([](auto &&...) { return false; });
  ASSERT_TRUE(previous);
  EXPECT_TRUE(previous("open", "x", "", ""));
  EXPECT_EQ(first, 1);
  EXPECT_FALSE(win::ShellExecute("open", "x", "", ""));
}

TEST_F(Shell, DefaultStartsAProgramWithParametersInItsFolder) {
  char folder[] = "/tmp/vantrel-shell-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  EXPECT_TRUE(win::ShellExecute("open", "/bin/sh", "-c \"echo started > marker.txt\"", folder));
  EXPECT_TRUE(WaitForFile(std::string(folder) + "/marker.txt"));
  fs::remove_all(folder);
}

TEST_F(Shell, DefaultReportsWhatItCannotStart) {
  EXPECT_FALSE(win::ShellExecute("open", "/nonexistent/program", "-x", ""));
  EXPECT_FALSE(win::ShellExecute("print", "/tmp", "", "")) << "only \"open\" is known";
  EXPECT_FALSE(win::ShellExecute("open", "shutdown.exe", "-r -t 0", "")) << "only power-off is known";
  EXPECT_FALSE(win::ShellExecute("open", "", "", ""));
}
