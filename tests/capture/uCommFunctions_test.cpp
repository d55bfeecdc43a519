#include "uCommFunctions.h"

#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "files.h"
#include "process.h"
#include "testsupport.h"

namespace fs = std::filesystem;

namespace {

void Touch(const std::string &path) { std::ofstream(path) << "x"; }

// A copy of `sleep` under a name no other process on the machine carries.
std::string UniqueSleeper(const testsupport::TempDir &dir, const std::string &name) {
  std::string path = dir / name;
  fs::copy_file("/bin/sleep", path);
  fs::permissions(path, fs::perms::owner_all);
  return path;
}

}  // namespace

TEST(DeleteFolderTree, RemovesPlainFilesAndFoldersButKeepsReadOnlyAndHiddenOnes) {
  testsupport::TempDir dir;
  std::string root = dir / "work";
  fs::create_directories(root + "/sub/deeper");
  Touch(root + "/000001.JPG");
  Touch(root + "/sub/deeper/OutAudio.WAV");
  Touch(root + "/keep-readonly.txt");
  win::SetFileAttributes(root + "/keep-readonly.txt", win::FILE_ATTRIBUTE_READONLY);
  fs::create_directories(root + "/held");
  Touch(root + "/held/.hidden");

  DeleteFolderTree(root);

  EXPECT_FALSE(fs::exists(root + "/000001.JPG"));
  EXPECT_FALSE(fs::exists(root + "/sub"));
  EXPECT_TRUE(fs::exists(root + "/keep-readonly.txt"));
  EXPECT_TRUE(fs::exists(root + "/held/.hidden"));
  EXPECT_TRUE(fs::exists(root + "/held")) << "a folder that still holds a file stays";
  EXPECT_TRUE(fs::exists(root));
}

TEST(DeleteFolderTree, NeverFollowsSymbolicLinks) {
  testsupport::TempDir dir;
  std::string outside = dir / "precious";
  fs::create_directories(outside);
  Touch(outside + "/thesis.doc");
  std::string root = dir / "work";
  fs::create_directories(root);
  fs::create_directory_symlink(outside, root + "/link");
  fs::create_directory_symlink(outside, dir / "linkroot");

  DeleteFolderTree(root);
  DeleteFolderTree(dir / "linkroot");

  EXPECT_FALSE(fs::exists(root));
  EXPECT_FALSE(fs::is_symlink(dir / "linkroot"));
  EXPECT_TRUE(fs::exists(outside + "/thesis.doc"));
}

TEST(DeleteFolderTree, LeavesAFolderThatCannotBeListedAlone) {
  testsupport::TempDir dir;
  DeleteFolderTree(dir / "missing");
  EXPECT_TRUE(fs::exists(dir.Path));
}

TEST(WorkingFolderSafety, RefusesRootHomeAncestorsLinksAndRelativePaths) {
  testsupport::TempDir dir;
  std::string why;
  EXPECT_FALSE(IsSafeWorkingFolder("/", why));
  EXPECT_FALSE(IsSafeWorkingFolder("", why));
  EXPECT_FALSE(IsSafeWorkingFolder("relative/QueltFiles", why));
  std::string home = getenv("HOME") ? getenv("HOME") : "/root";
  EXPECT_FALSE(IsSafeWorkingFolder(home, why));
  EXPECT_FALSE(IsSafeWorkingFolder(home + "/", why));
  EXPECT_FALSE(IsSafeWorkingFolder(fs::path(home).parent_path().string(), why));
  EXPECT_FALSE(IsSafeWorkingFolder(home + "/sub/..", why));
  fs::create_directory_symlink(home, dir / "QueltFiles");
  EXPECT_FALSE(IsSafeWorkingFolder(dir / "QueltFiles", why));
  EXPECT_NE(why.find("symbolic link"), std::string::npos);
  EXPECT_TRUE(IsSafeWorkingFolder(dir / "other/QueltFiles", why));
}

TEST(WorkingFolderSafety, EnsureCreatesItHiddenUnderProgramFiles) {
  testsupport::FreshPlaces places;
  EnsureWorkingFolder();
  EXPECT_EQ(WorkingFolder(), places.WorkDir / "QueltFiles");
  std::uint32_t attributes = win::GetFileAttributes(WorkingFolder());
  ASSERT_NE(attributes, win::INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & win::FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(attributes & win::FILE_ATTRIBUTE_HIDDEN);
}

TEST(ProcessHelpers, KillByNameIsTrueWithoutAMatchAndEndsOnlyTheFirst) {
  testsupport::TempDir dir;
  std::string name = "vtsleep" + std::to_string(getpid());
  std::string sleeper = UniqueSleeper(dir, name);
  EXPECT_FALSE(IsProcessRunning(name));
  EXPECT_TRUE(KillProcessByName(name));

  win::TProcessStart start;
  start.Program = sleeper;
  start.Arguments = {"30"};
  win::TProcess one(start), two(start);
  ASSERT_TRUE(IsProcessRunning(name));
  EXPECT_TRUE(IsProcessRunning("VTSLEEP" + std::to_string(getpid()))) << "names compare without case";

  EXPECT_TRUE(KillProcessByName(name));
  bool oneEnded = one.Wait(3000);
  bool twoEnded = two.Wait(300);
  EXPECT_NE(oneEnded, twoEnded) << "exactly one of the two ends";
  EXPECT_TRUE(IsProcessRunning(name));
}

TEST(ProcessHelpers, KillByIdEndsTheProcess) {
  win::TProcessStart start;
  start.Program = "/bin/sleep";
  start.Arguments = {"30"};
  win::TProcess sleeper(start);
  EXPECT_TRUE(KillProcessById(sleeper.Pid()));
  EXPECT_TRUE(sleeper.Wait(3000));
}

TEST(PresentationTest, ExtensionsThatOccurInThePatternCount) {
  EXPECT_TRUE(IsPresentationFile("/x/talk.PPT"));
  EXPECT_TRUE(IsPresentationFile("talk.pps"));
  EXPECT_TRUE(IsPresentationFile("talk.pot"));
  EXPECT_TRUE(IsPresentationFile("talk.pp")) << "a piece of an extension counts";
  EXPECT_TRUE(IsPresentationFile("q1.review.ppt"));
  EXPECT_FALSE(IsPresentationFile("talk.pptx"));
  EXPECT_FALSE(IsPresentationFile("talk.mp4"));
  EXPECT_FALSE(IsPresentationFile("talk"));
  EXPECT_FALSE(IsPresentationFile("/folder.ppt/talk"));
}
