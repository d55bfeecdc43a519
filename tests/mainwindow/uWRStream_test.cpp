// The web-information file: its scrambled records, the lookup, and the help menu's links.
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "mainform_fixture.h"
#include "shell.h"
#include "uWRStream.h"

namespace {

struct TRecordText {
  std::int32_t Id;
  std::string Value, Spare;
};

// Writes records as the file's maker does, independently of the reader.
std::string RecordBytes(const TRecordText &r) {
  std::string bytes(516, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(static_cast<std::uint32_t>(r.Id) >> (8 * i));
  auto put = [&bytes](std::size_t at, const std::string &text) {
    bytes[at] = static_cast<char>(text.size());
    text.copy(&bytes[at + 1], text.size());
  };
  put(4, r.Value);
  put(260, r.Spare);
  bytes[0] = static_cast<char>(bytes[0] ^ 0x6B);
  for (std::size_t at : {4u, 260u})
    for (std::size_t i = at; i < at + 255; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x6B);
  return bytes;
}

void WriteFile(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Lookup(const std::string &file, int n) {
  std::string text = "unchanged";
  ReadWebInfoRecord(file, n, text);
  return text;
}

// The committed record list that the build turns into the program folder's WebInfo.dll.
std::vector<std::string> CommittedValues() {
  std::ifstream in(std::string(VANTREL_SOURCE_DIR) + "/data/webinfo/records.txt");
  std::vector<std::string> values;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream fields(line);
    std::string id, value;
    std::getline(fields, id, '|');
    std::getline(fields, value, '|');
    values.push_back(value.substr(1, value.size() - 2));
  }
  return values;
}

class RecordFileTest : public ::testing::Test {
protected:
  testsupport::TempDir Folder;
  std::string File = Folder / "WebInfo.dll";
};

}  // namespace

TEST_F(RecordFileTest, ATrailingPartialRecordIsNotCounted) {
  std::string bytes;
  for (int n = 1; n <= 5; ++n) bytes += RecordBytes({n, "record " + std::to_string(n), ""});
  bytes += std::string(100, 'x');
  WriteFile(File, bytes);
  TRecordStream stream(File);
  EXPECT_EQ(stream.RecordSize(), 516);
  EXPECT_EQ(stream.RecordCount(), 5);
  EXPECT_EQ(Lookup(File, 5), "record 5");
  EXPECT_EQ(Lookup(File, 6), "");
}

TEST_F(RecordFileTest, ReadRecUnscramblesAndStaysAtTheRecord) {
  WriteFile(File, RecordBytes({0x01020304, "first", "one"}) + RecordBytes({-7, "second", "two"}));
  TRecordStream stream(File);
  TWebInfoRecord record;
  EXPECT_EQ(stream.ReadRec(record), 516);
  EXPECT_EQ(stream.pos(), 0);
  EXPECT_EQ(record.Id, 0x01020304);
  EXPECT_EQ(record.Value.Text(), "first");
  EXPECT_EQ(record.Spare.Text(), "one");
  stream.NextRec();
  EXPECT_EQ(stream.ReadRec(record), 516);
  EXPECT_EQ(stream.pos(), 516);
  EXPECT_EQ(record.Id, -7);
  EXPECT_EQ(record.Value.Text(), "second");
  EXPECT_EQ(record.Spare.Text(), "two");
}

TEST_F(RecordFileTest, AFullLengthValueKeepsItsUnscrambledLastCharacter) {
  std::string value;
  for (int i = 0; i < 255; ++i) value += static_cast<char>('a' + i % 26);
  value.back() = 'Z';
  const std::string bytes = RecordBytes({1, value, std::string(255, 's')});
  // The last character position of each text is stored as it is.
  ASSERT_EQ(bytes[259], 'Z');
  ASSERT_EQ(bytes[515], 's');
  WriteFile(File, bytes);
  EXPECT_EQ(Lookup(File, 1), value);
  TRecordStream stream(File);
  TWebInfoRecord record;
  stream.ReadRec(record);
  EXPECT_EQ(record.Spare.Text(), std::string(255, 's'));
}

TEST_F(RecordFileTest, EveryLookupStartsFromTheBeginning) {
  WriteFile(File, RecordBytes({1, "a", ""}) + RecordBytes({2, "b", ""}) + RecordBytes({3, "c", ""}));
  EXPECT_EQ(Lookup(File, 3), "c");
  EXPECT_EQ(Lookup(File, 2), "b");
  EXPECT_EQ(Lookup(File, 1), "a");
  EXPECT_EQ(Lookup(File, 3), "c");
}

TEST_F(RecordFileTest, NumbersOutsideTheFileGiveAnEmptyText) {
  WriteFile(File, RecordBytes({1, "a", ""}) + RecordBytes({2, "b", ""}));
  EXPECT_EQ(Lookup(File, 0), "");
  EXPECT_EQ(Lookup(File, -1), "");
  EXPECT_EQ(Lookup(File, 3), "");
  WriteFile(File, std::string(515, 'k'));
  EXPECT_EQ(Lookup(File, 1), "");
  WriteFile(File, "");
  EXPECT_EQ(Lookup(File, 1), "");
}

TEST_F(RecordFileTest, AMissingFileCannotBeOpened) {
  const std::string missing = Folder / "none/WebInfo.dll";
  try {
    Lookup(missing, 2);
    FAIL() << "no error";
  } catch (const std::runtime_error &error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + missing + "\". No such file or directory");
  }
}

TEST(ShippedRecordFile, HoldsTheCommittedAddresses) {
  const std::vector<std::string> values = CommittedValues();
  ASSERT_EQ(values.size(), 5u);
  TRecordStream stream(WebInfoFileName());
  EXPECT_EQ(stream.RecordCount(), 5);
  for (int n = 1; n <= 5; ++n) {
    std::string text;
    ReadWebInfoRecord(n, text);
    EXPECT_EQ(text, values[n - 1]) << n;
  }
  for (int n = 2; n <= 5; ++n) EXPECT_EQ(values[n - 1].rfind("https://vantrel.example.org/", 0), 0u) << n;
}

namespace {

class HelpLinksTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    PreviousShell = win::SetShellExecuteHandler(
        [this](const std::string &operation, const std::string &file, const std::string &parameters,
               const std::string &directory) {
          Opened.push_back({operation, file, parameters, directory});
          return true;
        });
    Values = CommittedValues();
    Create();
  }
  void TearDown() override {
    win::SetShellExecuteHandler(PreviousShell);
    MainFormTest::TearDown();
  }
  struct TOpen {
    std::string Operation, File, Parameters, Directory;
  };
  std::vector<TOpen> Opened;
  std::vector<std::string> Values;
  win::ShellExecuteFn PreviousShell;
};

}  // namespace

TEST_F(HelpLinksTest, EachHelpItemOpensItsRecord) {
  const std::pair<void (Tfm_main::*)(), int> items[] = {{&Tfm_main::MenuItem1Click, 3},
                                                        {&Tfm_main::MenuItem2Click, 4},
                                                        {&Tfm_main::MenuItem4Click, 2},
                                                        {&Tfm_main::MenuItem5Click, 5}};
  // Called through a local: GCC 12's UndefinedBehaviorSanitizer misreads the call through the
  // fixture's member as one on a null fixture.
  Tfm_main *form = Form;
  for (const auto &[handler, record] : items) {
    Opened.clear();
    (form->*handler)();
    ASSERT_EQ(Opened.size(), 1u) << record;
    EXPECT_EQ(Opened[0].File, Values[record - 1]);
    // No verb, no parameters, no working folder.
    EXPECT_EQ(Opened[0].Operation, "");
    EXPECT_EQ(Opened[0].Parameters, "");
    EXPECT_EQ(Opened[0].Directory, "");
  }
}

TEST(WebAddress, AnEmptyAddressOpensNothing) {
  int opened = 0;
  win::ShellExecuteFn previous = win::SetShellExecuteHandler(
      [&opened](const std::string &, const std::string &, const std::string &, const std::string &) {
        ++opened;
        return false;
      });
  OpenWebAddress("");
  EXPECT_EQ(opened, 0);
  // The shell's refusal is not looked at.
  OpenWebAddress("https://vantrel.example.org/");
  EXPECT_EQ(opened, 1);
  win::SetShellExecuteHandler(previous);
}
