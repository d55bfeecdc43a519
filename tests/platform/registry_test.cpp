#include "registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "files.h"

namespace fs = std::filesystem;
using win::HKEY;
using win::TRegistry;

namespace {

constexpr const char *PowerPointKey = "\\SOFTWARE\\Classes\\PowerPoint.Show.8";

class Registry : public ::testing::Test {
protected:
  void SetUp() override {
    char folder[] = "/tmp/vantrel-windir-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    Folder = folder;
    setenv("VANTREL_WINDIR", folder, 1);
  }
  void TearDown() override {
    unsetenv("VANTREL_WINDIR");
    fs::remove_all(Folder);
  }
  // Puts a hive file of that text in place; gives its path.
  std::string WriteHive(const std::string &text) {
    fs::create_directories(Folder + "/registry");
    std::ofstream(win::RegistryHivePath(HKEY::HKEY_LOCAL_MACHINE)) << text;
    return win::RegistryHivePath(HKEY::HKEY_LOCAL_MACHINE);
  }
  std::string Hive() {
    std::string content;
    win::ReadWholeFile(win::RegistryHivePath(HKEY::HKEY_LOCAL_MACHINE), content);
    return content;
  }

  std::string Folder;
};

}  // namespace

TEST_F(Registry, HiveLivesInTheWindowsFolder) {
  EXPECT_EQ(win::RegistryHivePath(HKEY::HKEY_LOCAL_MACHINE), Folder + "/registry/HKEY_LOCAL_MACHINE.reg");
}

TEST_F(Registry, IntegerRoundTripWritesRegFormat) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(PowerPointKey, true));
  ASSERT_TRUE(reg.WriteInteger("EditFlags", 0x10000));
  EXPECT_EQ(reg.ReadInteger("EditFlags"), 0x10000u);
  EXPECT_EQ(Hive(),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\PowerPoint.Show.8]\n"
            "\"EditFlags\"=dword:00010000\n"
            "\n");
  ASSERT_TRUE(reg.WriteInteger("EditFlags", 0));
  EXPECT_EQ(reg.ReadInteger("EditFlags"), 0u);
  EXPECT_EQ(Hive().find("00010000"), std::string::npos) << "the value is replaced in place";
}

TEST_F(Registry, KeysAndNamesIgnoreCase) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(PowerPointKey, true));
    reg.WriteInteger("EditFlags", 7);
  }
  TRegistry other;
  ASSERT_TRUE(other.OpenKey("software\\classes\\POWERPOINT.SHOW.8\\", false));
  EXPECT_EQ(other.ReadInteger("editflags"), 7u);
  ASSERT_TRUE(other.WriteInteger("EDITFLAGS", 8));
  EXPECT_EQ(Hive().find("EDITFLAGS"), std::string::npos) << "the stored name keeps its first spelling";
}

TEST_F(Registry, ASecondRegistrySeesEveryWrite) {
  TRegistry writer, reader;
  ASSERT_TRUE(writer.OpenKey(PowerPointKey, true));
  ASSERT_TRUE(reader.OpenKey(PowerPointKey, false));
  writer.WriteInteger("EditFlags", 1);
  EXPECT_EQ(reader.ReadInteger("EditFlags"), 1u);
  writer.WriteInteger("EditFlags", 2);
  EXPECT_EQ(reader.ReadInteger("EditFlags"), 2u);
}

TEST_F(Registry, MissingKeyOpensOnlyWhenItMayBeCreated) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("\\SOFTWARE\\Nothing", false));
  EXPECT_FALSE(reg.WriteInteger("x", 1)) << "nothing is open";
  EXPECT_EQ(reg.ReadInteger("x"), std::nullopt);
  EXPECT_TRUE(reg.OpenKey("\\SOFTWARE\\Nothing", true));
  EXPECT_TRUE(reg.OpenKey("\\SOFTWARE", false)) << "a parent of a created key exists";
  reg.CloseKey();
  EXPECT_EQ(reg.ReadInteger("x"), std::nullopt);
}

TEST_F(Registry, StringsKeepQuotesBackslashesAndLineBreaks) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Vantrel", true));
  const std::string tricky = "C:\\My Video\\ \"quoted\"";
  const std::string lines = "first\nsecond \xE4\xB8\xAD";
  ASSERT_TRUE(reg.WriteString("Path", tricky));
  ASSERT_TRUE(reg.WriteString("", lines));
  EXPECT_EQ(reg.ReadString("path"), tricky);
  EXPECT_EQ(reg.ReadString(""), lines);
  EXPECT_NE(Hive().find("\"Path\"=\"C:\\\\My Video\\\\ \\\"quoted\\\"\""), std::string::npos);
  EXPECT_EQ(reg.ReadInteger("Path"), std::nullopt) << "a text is no integer";
  EXPECT_EQ(reg.ReadString("Missing"), std::nullopt);
}

TEST_F(Registry, RewriteKeepsOtherKeysValuesAndComments) {
  WriteHive("Windows Registry Editor Version 5.00\r\n\r\n"
            "; kept\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\PowerPoint.Show.8]\r\n"
            "\"EditFlags\"=dword:00000001\r\n"
            "\"Blob\"=hex:01,02,\\\r\n  03,04\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
            "@=\"default\"\r\n"
            "\"Size\"=hex(4):10,00,00,00\r\n");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(PowerPointKey, false));
  EXPECT_EQ(reg.ReadInteger("EditFlags"), 1u);
  ASSERT_TRUE(reg.WriteInteger("EditFlags", 0x10000));
  ASSERT_TRUE(reg.WriteInteger("New", 5));
  std::string hive = Hive();
  EXPECT_NE(hive.find("; kept\n"), std::string::npos);
  EXPECT_NE(hive.find("\"Blob\"=hex:01,02,\\\n  03,04\n"), std::string::npos);
  EXPECT_NE(hive.find("\"EditFlags\"=dword:00010000\n\"Blob\"=hex:01,02,\\\n  03,04\n\"New\"=dword:00000005\n\n"),
            std::string::npos);
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Other", false));
  EXPECT_EQ(reg.ReadString(""), "default");
  EXPECT_EQ(reg.ReadInteger("Size"), 16u);
}

TEST_F(Registry, HexValuesThatCannotBeReadGiveNoValue) {
  WriteHive("Windows Registry Editor Version 5.00\n\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel]\n"
            "\"Long\"=hex(1):41,00,\\\n  11112222333344445,00\n"
            "\"Wide\"=hex(4):01,02,03,11112222333344445555\n"
            "\"Leading\"=hex(4):0000000000000000000000000001,00,00,00\n");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Vantrel", false));
  EXPECT_EQ(reg.ReadString("Long"), std::nullopt);
  EXPECT_EQ(reg.ReadInteger("Wide"), std::nullopt);
  EXPECT_EQ(reg.ReadInteger("Leading"), 1u) << "leading zeros are no overflow";
}

TEST_F(Registry, AHiveTooLargeToReadIsNeitherReadNorReplaced) {
  const std::string hive = WriteHive("Windows Registry Editor Version 5.00\n");
  fs::resize_file(hive, 1ull << 30);
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(PowerPointKey, true));
  EXPECT_FALSE(reg.WriteInteger("EditFlags", 1));
  EXPECT_EQ(fs::file_size(hive), 1ull << 30);
}

TEST_F(Registry, UnwritableHiveRefusesQuietly) {
  // A file where the hive's folder belongs makes every write fail.
  std::ofstream(Folder + "/registry") << "in the way";
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(PowerPointKey, true));
  EXPECT_FALSE(reg.WriteInteger("EditFlags", 1));
}

TEST_F(Registry, ConcurrentWritersLoseNoValue) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(PowerPointKey, true));
  }
  std::vector<std::thread> writers;
  for (int t = 0; t < 6; ++t) {
    writers.emplace_back([t] {
      TRegistry reg;
      reg.OpenKey(PowerPointKey, false);
      for (int i = 0; i < 15; ++i) reg.WriteInteger("v" + std::to_string(t) + "_" + std::to_string(i), t * 100 + i);
    });
  }
  for (std::thread &writer : writers) writer.join();
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(PowerPointKey, false));
  for (int t = 0; t < 6; ++t)
    for (int i = 0; i < 15; ++i)
      EXPECT_EQ(reg.ReadInteger("v" + std::to_string(t) + "_" + std::to_string(i)),
                static_cast<std::uint32_t>(t * 100 + i));
}
