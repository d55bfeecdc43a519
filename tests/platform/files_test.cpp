#include "files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace win;

namespace {

class Files : public ::testing::Test {
protected:
  void SetUp() override {
    char folder[] = "/tmp/vantrel-files-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    Root = std::string(folder) + "/";
  }
  void TearDown() override { fs::remove_all(Root); }

  std::string Make(const std::string &name, const std::string &content = "data") {
    std::ofstream(Root + name) << content;
    return Root + name;
  }
  std::string Folder(const std::string &name) {
    fs::create_directories(Root + name);
    return Root + name;
  }
  std::string StoredAttribute(const std::string &path) {
    char buffer[64] = {};
    ssize_t n = lgetxattr(path.c_str(), "user.DOSATTRIB", buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
  }
  std::vector<std::string> Names(const std::string &folder, const std::string &pattern) {
    std::vector<TSearchRec> entries;
    EXPECT_TRUE(ListFolder(folder, pattern, entries));
    std::vector<std::string> names;
    for (const TSearchRec &entry : entries) names.push_back(entry.Name);
    return names;
  }

  std::string Root;
};

}  // namespace

TEST_F(Files, NewFileIsExactlyArchiveAndFolderIsDirectory) {
  EXPECT_EQ(GetFileAttributes(Make("a.jpg")), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributes(Folder("sub")), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributes(Root + "missing"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Files, ReadOnlyIsTheOwnerWriteBit) {
  std::string file = Make("ro.txt");
  chmod(file.c_str(), 0444);
  EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_ARCHIVE));
  struct stat st;
  stat(file.c_str(), &st);
  EXPECT_TRUE(st.st_mode & S_IWUSR);
  ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  stat(file.c_str(), &st);
  EXPECT_FALSE(st.st_mode & S_IWUSR);
  EXPECT_EQ(st.st_mode & 0077, 0044u) << "group and other bits are left alone";
}

TEST_F(Files, AReadOnlyFileTakesAndLosesHiddenAndStaysReadOnly) {
  std::string file = Make("ro-hidden.txt");
  chmod(file.c_str(), 0444);
  ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(StoredAttribute(file), "0x22");
  EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(StoredAttribute(file), "");
  struct stat st;
  stat(file.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(Files, DotNamesAreHiddenButDotEntriesAreNot) {
  EXPECT_EQ(GetFileAttributes(Make(".secret")), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributes(Folder(".cache")), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  std::vector<TSearchRec> entries;
  ASSERT_TRUE(ListFolder(Root, "*.*", entries));
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(entries[0].Attr, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(entries[1].Attr, FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Files, HiddenIsStoredAsSambaText) {
  std::string file = Make("frame.jpg");
  ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(StoredAttribute(file), "0x22");
  EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);

  ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(StoredAttribute(file), "") << "a plain file needs no stored attribute";
  EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(Files, HiddenFolderKeepsItsDirectoryBit) {
  std::string folder = Folder("work");
  ASSERT_TRUE(SetFileAttributes(folder, GetFileAttributes(folder) | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(StoredAttribute(folder), "0x12");
  EXPECT_EQ(GetFileAttributes(folder), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributes(folder + "/"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(Files, FileWithoutAnyBitIsNormal) {
  std::string file = Make("n.txt");
  ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Files, ReadsSambaBinaryAttributeBlobs) {
  // Version 4: empty text, 16-bit version, 32-bit level, valid flags, attributes, two times.
  std::string v4("\0\0", 2);
  v4 += std::string("\x04\x00", 2) + std::string("\x04\x00\x00\x00", 4) + std::string("\x01\x00\x00\x00", 4) +
        std::string("\x22\x00\x00\x00", 4) + std::string(16, '\0');
  std::string file = Make("v4.bin");
  ASSERT_EQ(lsetxattr(file.c_str(), "user.DOSATTRIB", v4.data(), v4.size(), 0), 0);
  EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);

  // Version 3 also carries the text form, NUL-ended.
  std::string v3 = std::string("0x21\0\0", 6) + std::string("\x03\x00", 2) + std::string(40, '\0');
  std::string other = Make("v3.bin");
  ASSERT_EQ(lsetxattr(other.c_str(), "user.DOSATTRIB", v3.data(), v3.size(), 0), 0);
  EXPECT_EQ(GetFileAttributes(other), FILE_ATTRIBUTE_ARCHIVE) << "read-only comes from the permission bits only";
}

TEST_F(Files, SymbolicLinkIsAnArchiveEntryAndDeletingItSparesTheTarget) {
  std::string target = Folder("target");
  Make("target/keep.txt");
  std::string link = Root + "link";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

  EXPECT_EQ(GetFileAttributes(link), FILE_ATTRIBUTE_ARCHIVE);
  std::vector<TSearchRec> entries;
  ASSERT_TRUE(ListFolder(Root, "*.*", entries));
  bool listed = false;
  for (const TSearchRec &entry : entries)
    if (entry.Name == "link") listed = entry.Attr == FILE_ATTRIBUTE_ARCHIVE;
  EXPECT_TRUE(listed);

  EXPECT_TRUE(DeleteFile(link));
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  EXPECT_TRUE(fs::exists(target + "/keep.txt"));
}

TEST_F(Files, DeleteFileRefusesFoldersAndReadOnlyFiles) {
  EXPECT_FALSE(DeleteFile(Folder("sub")));
  EXPECT_TRUE(fs::exists(Root + "sub"));
  std::string file = Make("ro.txt");
  chmod(file.c_str(), 0444);
  EXPECT_FALSE(DeleteFile(file));
  EXPECT_TRUE(fs::exists(file));
  EXPECT_TRUE(DeleteFile(Make("plain.txt")));
  EXPECT_FALSE(DeleteFile(Root + "plain.txt"));
}

TEST_F(Files, ListFolderGivesDotEntriesFirstThenNameOrder) {
  Make("b.txt");
  Make("A.txt");
  Make("c.txt", "12345");
  Make(".h");
  Folder("d");
  EXPECT_EQ(Names(Root, "*.*"), (std::vector<std::string>{".", "..", ".h", "A.txt", "b.txt", "c.txt", "d"}));
  EXPECT_EQ(Names(Root, "*"), Names(Root, "*.*"));

  std::vector<TSearchRec> entries;
  ASSERT_TRUE(ListFolder(Root, "c.txt", entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Size, 5);
  EXPECT_EQ(entries[0].Attr, FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(Files, PatternMatchesExtensionWithoutCase) {
  Make("000001.JPG");
  Make("000002.jpg");
  Make("x.jpeg");
  Make("jpg");
  EXPECT_EQ(Names(Root, "*.JPG"), (std::vector<std::string>{"000001.JPG", "000002.jpg"}));
  EXPECT_EQ(Names(Root, "00000?.jpg"), (std::vector<std::string>{"000001.JPG", "000002.jpg"}));
  EXPECT_EQ(Names(Root, "jpg.*"), (std::vector<std::string>{"jpg"}));
}

TEST_F(Files, ListFolderFailsForWhatIsNoFolder) {
  std::vector<TSearchRec> entries;
  EXPECT_FALSE(ListFolder(Root + "missing", "*.*", entries));
  EXPECT_FALSE(ListFolder(Make("file"), "*.*", entries));
}

TEST_F(Files, CreateAndForceDirectories) {
  EXPECT_TRUE(CreateDirectory(Root + "one"));
  EXPECT_TRUE(CreateDirectory(Root + "one")) << "an existing folder counts";
  EXPECT_FALSE(CreateDirectory(Root + "no/such/parent"));
  EXPECT_TRUE(ForceDirectories(Root + "a/b/c/"));
  EXPECT_TRUE(DirectoryExists(Root + "a/b/c"));
  Make("file");
  EXPECT_FALSE(CreateDirectory(Root + "file"));
  EXPECT_FALSE(ForceDirectories(Root + "file/below"));
  EXPECT_TRUE(RemoveDirectory(Root + "a/b/c"));
  EXPECT_FALSE(RemoveDirectory(Root + "a")) << "not empty";
}

TEST_F(Files, ExistenceAndSize) {
  std::string file = Make("f.bin", "123");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(FileExists(Root));
  EXPECT_TRUE(DirectoryExists(Root));
  EXPECT_EQ(FileSize(file), 3);
  EXPECT_EQ(FileSize(Root + "missing"), -1);
}

TEST_F(Files, ReadingAWholeFileStopsAtItsLimit) {
  std::string content;
  EXPECT_TRUE(ReadWholeFile(Make("four.txt", "four"), content, 4));
  EXPECT_EQ(content, "four");
  errno = 0;
  EXPECT_FALSE(ReadWholeFile(Make("five.txt", "fives"), content, 4));
  EXPECT_EQ(errno, EFBIG);
  EXPECT_EQ(content, "");
  // An endless file costs no more than the limit.
  EXPECT_FALSE(ReadWholeFile("/dev/zero", content, 100000));
  EXPECT_EQ(errno, EFBIG);
}

TEST_F(Files, AtomicWriteReplacesContentAndKeepsPermissions) {
  std::string file = Make("settings.ini", "old");
  chmod(file.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomically(file, "new content"));
  std::string content;
  ASSERT_TRUE(ReadWholeFile(file, content));
  EXPECT_EQ(content, "new content");
  struct stat st;
  stat(file.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Names(Root, "*"), (std::vector<std::string>{".", "..", "settings.ini"})) << "no temporary left";
  EXPECT_FALSE(WriteFileAtomically(Root + "missing/x", "y"));
}

TEST(PathHelpers, SplitAtTheLastSlash) {
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/b"), "/a/b/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/b/"), "/a/b/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/b//"), "/a/b/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/"), "/");
  EXPECT_EQ(ExtractFileName("/a/b/FinalVideo.AVI"), "FinalVideo.AVI");
  EXPECT_EQ(ExtractFileName("plain"), "plain");
  EXPECT_EQ(ExtractFileName("/a/b/"), "");
  EXPECT_EQ(ExtractFilePath("/a/b/FinalVideo.AVI"), "/a/b/");
  EXPECT_EQ(ExtractFilePath("plain"), "");
  EXPECT_EQ(ExtractFileExt("/a/show.pps"), ".pps");
  EXPECT_EQ(ExtractFileExt("/a.b/readme"), "");
  EXPECT_EQ(ExtractFileExt("x.tar.gz"), ".gz");
}
