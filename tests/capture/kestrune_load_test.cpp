// The library's load and unload work, seen from a host that loads it at run time.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>

#include "files.h"
#include "paths.h"
#include "registry.h"
#include "testsupport.h"
#include "uPPTToVideo.h"

namespace fs = std::filesystem;

namespace {

std::uint32_t EditFlags() {
  win::TRegistry registry;
  if (!registry.OpenKey("\\SOFTWARE\\Classes\\PowerPoint.Show.8", false)) return 0xDEAD;
  return registry.ReadInteger("EditFlags").value_or(0xDEAD);
}

void *LoadKestrune() { return dlopen((win::ProgramFolder() + "libKestrune.so").c_str(), RTLD_NOW | RTLD_LOCAL); }

}  // namespace

TEST(LibraryLifetime, LoadMarksTheFileTypeAndMakesTheHiddenFolderUnloadUndoesBoth) {
  testsupport::App();
  testsupport::FreshPlaces places;
  std::string folder = places.WorkDir / "QueltFiles";

  void *library = LoadKestrune();
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_EQ(EditFlags(), 0x10000u);
  ASSERT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(win::GetFileAttributes(folder) & win::FILE_ATTRIBUTE_HIDDEN);

  using StartFn = void (*)();
  auto start = reinterpret_cast<StartFn>(dlsym(library, "StartConvert"));
  ASSERT_NE(start, nullptr);
  for (const char *name : {"GetWebAddress", "EndConvert", "PassCurrProgessToDLL", "PassMainFrmHandlesToDLL",
                           "SetCallBackPictureObject", "GetPPTFileSlidesCount"})
    EXPECT_NE(dlsym(library, name), nullptr) << name;
  std::ofstream(folder + "/OutAudio.WAV") << "left over";

  dlclose(library);
  EXPECT_EQ(EditFlags(), 0u);
  EXPECT_FALSE(fs::exists(folder)) << "unload removes the folder with its files";
}

TEST(LibraryLifetime, RefusesAWorkingFolderThatLeadsToTheHomeFolder) {
  testsupport::TempDir dir;
  std::string home = getenv("HOME") ? getenv("HOME") : "/root";
  fs::create_directory_symlink(home, dir / "QueltFiles");
  setenv("VANTREL_WORKDIR", dir.Path.c_str(), 1);
  testsupport::TempDir windir;
  setenv("VANTREL_WINDIR", windir.Path.c_str(), 1);
  EXPECT_EXIT(LoadKestrune(), ::testing::ExitedWithCode(1), "symbolic link.*VANTREL_WORKDIR");
  EXPECT_TRUE(fs::is_directory(home)) << "nothing under the home folder was touched";
}

TEST(LibraryLifetime, AHostEndingWithExitWithoutUnloadingStillUndoesTheLoadWork) {
  // Such a host runs the unload work after the library's static objects are destroyed: it must
  // neither crash on a filled slide table nor be left undone.
  testsupport::App();
  testsupport::FreshPlaces places;
  std::string folder = places.WorkDir / "QueltFiles";
  EXPECT_EXIT(
      {
        void *library = LoadKestrune();
        if (!library) std::_Exit(3);
        // A reference: its symbol holds the address of the table. The long text is kept on the heap,
        // so that freeing it twice would show.
        auto *table = *static_cast<std::vector<TSlideTiming> **>(dlsym(library, "SlideTable"));
        table->push_back({"1", "F", "T", "3.50000000000000000000"});
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(EditFlags(), 0u);
  EXPECT_FALSE(fs::exists(folder));
}
