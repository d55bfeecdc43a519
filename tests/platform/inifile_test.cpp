#include "inifile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "files.h"

namespace fs = std::filesystem;

namespace {

class IniFile : public ::testing::Test {
protected:
  void SetUp() override {
    char folder[] = "/tmp/vantrel-ini-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    Folder = std::string(folder) + "/";
    setenv("VANTREL_WINDIR", folder, 1);
  }
  void TearDown() override {
    unsetenv("VANTREL_WINDIR");
    fs::remove_all(Folder);
  }
  std::string Write(const std::string &name, const std::string &content) {
    std::ofstream(Folder + name) << content;
    return Folder + name;
  }
  std::string Content(const std::string &path) {
    std::string content;
    win::ReadWholeFile(path, content);
    return content;
  }

  std::string Folder;
};

}  // namespace

TEST_F(IniFile, BareNameLandsInTheWindowsFolder) {
  TIniFile ini("pro Vantrel.ini");
  EXPECT_EQ(ini.FileName(), Folder + "pro Vantrel.ini");
  ini.WriteInteger("57", "size", 2);
  EXPECT_EQ(Content(Folder + "pro Vantrel.ini"), "[57]\nsize=2\n");
}

TEST_F(IniFile, NameWithAFolderIsUsedAsItIs) {
  fs::create_directories(Folder + "elsewhere");
  TIniFile ini(Folder + "elsewhere/x.ini");
  EXPECT_EQ(ini.FileName(), Folder + "elsewhere/x.ini");
  ini.WriteString("s", "k", "v");
  EXPECT_TRUE(fs::exists(Folder + "elsewhere/x.ini"));
}

TEST_F(IniFile, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
  Write("Vantrel.ini", "[Output]\n  Path =  /home/u/My Video/  \n[profiles]\nname=\"quoted value\"\nempty=\n");
  TIniFile ini("Vantrel.ini");
  EXPECT_EQ(ini.ReadString("output", "PATH", "def"), "/home/u/My Video/");
  EXPECT_EQ(ini.ReadString("PROFILES", "Name", "def"), "quoted value");
  EXPECT_EQ(ini.ReadString("profiles", "empty", "def"), "") << "a present but empty value is no default";
}

TEST_F(IniFile, MissingFileSectionOrKeyGivesTheDefault) {
  TIniFile none("none.ini");
  EXPECT_EQ(none.ReadString("plane", "video", "C:\\My Video\\"), "C:\\My Video\\");
  EXPECT_EQ(none.ReadInteger("profiles", "selcetindex", 1), 1);
  EXPECT_TRUE(none.ReadBool("plane", "video", true));
  EXPECT_FALSE(fs::exists(Folder + "none.ini")) << "reading creates nothing";

  Write("Vantrel.ini", "[plane]\nvideo=0\n");
  TIniFile ini("Vantrel.ini");
  EXPECT_EQ(ini.ReadInteger("plane", "audio", 9), 9);
  EXPECT_EQ(ini.ReadInteger("output", "video", 9), 9);
  EXPECT_FALSE(ini.ReadBool("plane", "video", true));
}

TEST_F(IniFile, IntegersInDecimalAndBothHexForms) {
  Write("n.ini",
        "[n]\ndec=42\nneg=-7\nplus=+5\nhex=0x1F\nHEX=0X10\ndollar=$ff\nall=$FFFFFFFF\n"
        "junk=12abc\nbare=0x\nbig=2147483648\nsmall=-2147483648\nspace=1 2\n");
  TIniFile ini("n.ini");
  EXPECT_EQ(ini.ReadInteger("n", "dec", 0), 42);
  EXPECT_EQ(ini.ReadInteger("n", "neg", 0), -7);
  EXPECT_EQ(ini.ReadInteger("n", "plus", 0), 5);
  EXPECT_EQ(ini.ReadInteger("n", "hex", 0), 31) << "the first of two keys differing in case wins";
  EXPECT_EQ(ini.ReadInteger("n", "dollar", 0), 255);
  EXPECT_EQ(ini.ReadInteger("n", "all", 0), -1);
  EXPECT_EQ(ini.ReadInteger("n", "junk", -3), -3);
  EXPECT_EQ(ini.ReadInteger("n", "bare", -3), -3);
  EXPECT_EQ(ini.ReadInteger("n", "big", -3), -3);
  EXPECT_EQ(ini.ReadInteger("n", "small", 0), -2147483647 - 1);
  EXPECT_EQ(ini.ReadInteger("n", "space", -3), -3);
  EXPECT_TRUE(ini.ReadBool("n", "dollar", false));
  EXPECT_FALSE(ini.ReadBool("n", "junk", false)) << "unreadable falls back to the default";
}

TEST_F(IniFile, WriteKeepsOtherSectionsLinesAndComments) {
  std::string path = Write("pro Vantrel.ini",
                           "; per-profile choices\n[1]\nsize=0\nvideo bitrate=5\n\n[2]\n; note\nsize=4\n");
  TIniFile ini("pro Vantrel.ini");
  ini.WriteInteger("1", "SIZE", 3);
  ini.WriteInteger("1", "Channel", 1);
  ini.WriteInteger("3", "size", 2);
  EXPECT_EQ(Content(path),
            "; per-profile choices\n[1]\nsize=3\nvideo bitrate=5\nChannel=1\n\n[2]\n; note\nsize=4\n[3]\nsize=2\n");
  EXPECT_EQ(ini.ReadInteger("1", "size", -1), 3);
  EXPECT_EQ(ini.ReadInteger("2", "size", -1), 4);
}

TEST_F(IniFile, WriteKeepsWindowsLineEnds) {
  std::string path = Write("w.ini", "[a]\r\nx=1\r\n");
  TIniFile ini("w.ini");
  EXPECT_EQ(ini.ReadInteger("a", "x", 0), 1);
  ini.WriteBool("a", "y", true);
  EXPECT_EQ(Content(path), "[a]\r\nx=1\r\ny=1\r\n");
}

TEST_F(IniFile, SectionListingErasingAndExistence) {
  Write("s.ini", "[keep]\na=1\n[gone]\nb=2\nc=3\n[empty]\n");
  TIniFile ini("s.ini");
  EXPECT_EQ(ini.ReadSection("GONE"), (std::vector<std::string>{"b", "c"}));
  EXPECT_TRUE(ini.SectionExists("gone"));
  EXPECT_FALSE(ini.SectionExists("empty")) << "a section without keys counts as missing";
  EXPECT_TRUE(ini.ValueExists("gone", "C"));
  EXPECT_FALSE(ini.ValueExists("gone", "a"));
  ini.EraseSection("Gone");
  EXPECT_FALSE(ini.SectionExists("gone"));
  EXPECT_EQ(ini.ReadInteger("keep", "a", 0), 1);
  EXPECT_EQ(Content(Folder + "s.ini"), "[keep]\na=1\n[empty]\n");
}

TEST_F(IniFile, RefusedWriteThrowsWithTheFileName) {
  TIniFile missingFolder(Folder + "no/such/folder.ini");
  try {
    missingFolder.WriteInteger("1", "size", 0);
    FAIL() << "no exception";
  } catch (const std::runtime_error &e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + Folder + "no/such/folder.ini");
  }

  std::string path = Write("ro.ini", "[1]\nsize=0\n");
  chmod(path.c_str(), 0444);
  TIniFile readOnly("ro.ini");
  EXPECT_THROW(readOnly.WriteInteger("1", "size", 3), std::runtime_error);
  EXPECT_EQ(Content(path), "[1]\nsize=0\n");
}

TEST_F(IniFile, AFileTooLargeToReadGivesDefaultsAndIsNeverWrittenOver) {
  std::string path = Write("huge.ini", "[1]\nsize=7\n");
  fs::resize_file(path, 1ull << 30);
  TIniFile ini("huge.ini");
  EXPECT_EQ(ini.ReadInteger("1", "size", 3), 3);
  EXPECT_THROW(ini.WriteInteger("1", "size", 4), std::runtime_error);
  EXPECT_THROW(ini.EraseSection("1"), std::runtime_error);
  EXPECT_EQ(fs::file_size(path), 1ull << 30);
}

TEST_F(IniFile, LineBreaksCannotPlantKeys) {
  TIniFile ini("x.ini");
  EXPECT_THROW(ini.WriteString("a", "k", "v\n[evil]\nx=1"), std::runtime_error);
  EXPECT_FALSE(ini.SectionExists("evil"));
}
