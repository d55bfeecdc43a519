#include "SkinThemeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "SkinMgr.h"
#include "SkinThemes.h"
#include "skin_test_support.h"

namespace {

// A manager loaded with what the writer builds.
class SkinThemeFileTest : public ::testing::Test {
protected:
  TskinFileThemeMgr &Load(const ThemeFileWriter &writer) { return LoadBytes(writer.Build()); }
  TskinFileThemeMgr &LoadBytes(const std::string &bytes) {
    std::string path = folder.File("theme" + std::to_string(++count) + ".skt");
    EXPECT_TRUE(WriteFile(path, bytes));
    EXPECT_TRUE(manager.LoadFromFile(path));
    return manager;
  }

  TempFolder folder;
  TskinFileThemeMgr manager;
  int count = 0;
};

}  // namespace

TEST_F(SkinThemeFileTest, IntegerEntryBeforeTerminatorIsRead) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", 200);
  std::string bytes = writer.Build();
  // The example's layout: header length 24, first entry at 24, its next entry terminates the chain.
  ASSERT_EQ(GetU32(bytes, 12), 24u);
  ASSERT_EQ(GetU32(bytes, 20), 24u);
  ASSERT_EQ(GetU32(bytes, 24 + 73), 24u + 77u);
  ASSERT_EQ(GetU32(bytes, 24 + 77 + 73), 0u);
  TskinFileThemeMgr &theme = LoadBytes(bytes);
  EXPECT_EQ(theme.GetInt(13), 200);
  EXPECT_EQ(theme.GetInt(14), -1);
  EXPECT_EQ(theme.GetColor(15), 0xFFFFFFFFu);  // a missing colour reads as -1
}

TEST_F(SkinThemeFileTest, EntryThatEndsTheChainCarriesNoItem) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", 200);
  writer.Terminate = false;
  EXPECT_EQ(Load(writer).GetInt(13), -1);
}

TEST_F(SkinThemeFileTest, BooleansAreTrueForAnyNonZeroByte) {
  ThemeFileWriter writer;
  writer.AddBoolean("ButtonTransparentBool", 2);
  writer.AddBoolean("TitleBarButtonTransparentBool", 0);
  TskinFileThemeMgr &theme = Load(writer);
  EXPECT_TRUE(theme.GetBool(2));
  EXPECT_FALSE(theme.GetBool(6));
  EXPECT_EQ(theme.Reader()->Booleans(), (std::vector<std::string>{"ButtonTransparentBool=2",
                                                                 "TitleBarButtonTransparentBool=0"}));
}

TEST_F(SkinThemeFileTest, NamesMatchWithoutRegardToCase) {
  ThemeFileWriter writer;
  writer.AddInteger("formminwidthint", 321);
  writer.AddInteger("FORMBACKGROUNDCOLOR", 0x123456);
  TskinFileThemeMgr &theme = Load(writer);
  EXPECT_EQ(theme.GetInt(13), 321);
  EXPECT_EQ(theme.GetColor(15), 0x123456u);
}

TEST_F(SkinThemeFileTest, UnknownKindIsSkippedAndTheChainGoesOn) {
  ThemeFileWriter writer;
  writer.AddRaw("FormMinWidthInt", 7, "\x05\x00\x00\x00");
  writer.AddInteger("FormRoundCornerInt", 9);
  TskinFileThemeMgr &theme = Load(writer);
  EXPECT_EQ(theme.GetInt(13), -1);
  EXPECT_EQ(theme.GetInt(14), 9);
}

TEST_F(SkinThemeFileTest, RepeatedNameAnswersTheFirst) {
  ThemeFileWriter writer;
  writer.AddInteger("FormBorderWidthInt", 4);
  writer.AddInteger("FormBorderWidthInt", 8);
  EXPECT_EQ(Load(writer).GetInt(17), 4);
}

TEST_F(SkinThemeFileTest, NegativeIntegersAndTextsAreKept) {
  ThemeFileWriter writer;
  writer.AddInteger("TitleBarButtonRightOffsetInt", -3);
  writer.AddText("Author", "someone");
  TskinFileThemeMgr &theme = Load(writer);
  EXPECT_EQ(theme.GetInt(8), -3);
  EXPECT_EQ(theme.Reader()->Texts(), std::vector<std::string>{"Author=someone"});
}

TEST_F(SkinThemeFileTest, NameFillingAllSixtyFourBytesHasNoTerminator) {
  std::string name(64, 'N');
  ThemeFileWriter writer;
  writer.AddInteger(name, 1);
  TskinFileThemeMgr &theme = Load(writer);
  EXPECT_EQ(theme.Reader()->GetInteger(name), 1);
  EXPECT_EQ(theme.Reader()->Integers().front().size(), 64u + 2u);
}

TEST_F(SkinThemeFileTest, PictureEntriesLoadIntoTheGraphic) {
  TBitmap picture = SolidBitmap(7, 3, 0x00FF00);
  picture.Canvas()->SetPixel(6, 2, 0x0000FF);
  ThemeFileWriter writer;
  writer.AddBitmap("ProgressBarImage", picture);
  writer.AddStream("TitleBarLeftImage", "not a picture");
  TskinFileThemeMgr &theme = Load(writer);
  TBitmap g;
  theme.GetBitmap(24, &g);
  ASSERT_EQ(g.Width(), 7);
  EXPECT_EQ(g.Canvas()->Pixel(6, 2), 0x0000FFu);
  // The stream is rewound: a second read gives the same picture.
  TBitmap again;
  theme.GetBitmap(24, &again);
  EXPECT_EQ(again.Width(), 7);
  // A broken picture and a missing entry leave the graphic as it was.
  TBitmap kept = SolidBitmap(2, 2, clWhite);
  theme.GetBitmap(10, &kept);
  theme.GetBitmap(12, &kept);
  EXPECT_EQ(kept.Width(), 2);
}

TEST(SkinThemeFileManager, WithoutAFileLookupsAnswerZero) {
  TskinFileThemeMgr manager;
  EXPECT_EQ(manager.GetInt(13), 0);
  EXPECT_EQ(manager.GetColor(15), 0u);
  EXPECT_FALSE(manager.GetBool(2));
  TBitmap g = SolidBitmap(2, 2, clWhite);
  manager.GetBitmap(24, &g);
  EXPECT_EQ(g.Width(), 2);
}

TEST_F(SkinThemeFileTest, MissingFileKeepsTheCurrentReader) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", 200);
  Load(writer);
  EXPECT_FALSE(manager.LoadFromFile(folder.File("nothing-here.skt")));
  EXPECT_FALSE(manager.LoadFromFile(folder.Path()));  // a folder is not a theme file
  EXPECT_EQ(manager.GetInt(13), 200);
}

TEST_F(SkinThemeFileTest, EntriesThatShareADataBlockAreAllRead) {
  // One picture stored once and named by three entries, with more entries after them: together the
  // entries name more data than the file holds, which a legal file may do.
  TBitmap picture = SolidBitmap(64, 64, 0x00FF00);
  ThemeFileWriter writer;
  writer.AddBitmap("ProgressBarImage", picture);
  writer.AddStream("ButtonImage", "x");
  writer.AddText("Author", "y");
  writer.AddInteger("FormMinWidthInt", 200);
  writer.AddBoolean("ButtonTransparentBool", 1);
  std::string bytes = writer.Build();
  const std::uint32_t block = GetU32(bytes, writer.EntryOffset(0) + 65);
  const std::uint32_t blockSize = GetU32(bytes, writer.EntryOffset(0) + 69);
  for (int shared : {1, 2}) {
    PutU32(bytes, writer.EntryOffset(shared) + 65, block);
    PutU32(bytes, writer.EntryOffset(shared) + 69, blockSize);
  }
  ASSERT_GT(3u * blockSize, bytes.size());

  TskinFileThemeMgr &theme = LoadBytes(bytes);
  for (int item : {24, 1}) {
    TBitmap g;
    theme.GetBitmap(item, &g);
    EXPECT_EQ(g.Width(), 64) << item;
    EXPECT_EQ(g.Canvas()->Pixel(63, 63), 0x00FF00u) << item;
  }
  ASSERT_EQ(theme.Reader()->Texts().size(), 1u);
  EXPECT_EQ(theme.Reader()->Texts()[0].size(), std::string("Author=").size() + blockSize);
  EXPECT_EQ(theme.GetInt(13), 200);
  EXPECT_TRUE(theme.GetBool(2));
}

// ---- malformed files end the parse ----

TEST_F(SkinThemeFileTest, ChainThatLoopsBackEnds) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", 200);
  writer.AddInteger("FormRoundCornerInt", 7);
  std::string bytes = writer.Build();
  PutU32(bytes, writer.EntryOffset(1) + 73, writer.EntryOffset(0));  // second entry points at the first
  TskinFileThemeMgr &theme = LoadBytes(bytes);
  EXPECT_EQ(theme.GetInt(13), 200);
  EXPECT_EQ(theme.GetInt(14), 7);
  EXPECT_EQ(theme.Reader()->Integers().size(), 2u);
}

TEST_F(SkinThemeFileTest, EntryPointingAtItselfEnds) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", 200);
  std::string bytes = writer.Build();
  PutU32(bytes, writer.EntryOffset(0) + 73, writer.EntryOffset(0));
  EXPECT_EQ(LoadBytes(bytes).Reader()->Integers().size(), 1u);
}

TEST_F(SkinThemeFileTest, OffsetsPastTheEndStopTheParse) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", 200);
  writer.AddInteger("FormRoundCornerInt", 7);
  std::string bytes = writer.Build();
  std::string nextPastEnd = bytes;
  PutU32(nextPastEnd, writer.EntryOffset(0) + 73, 0xFFFFFFF0u);
  EXPECT_EQ(LoadBytes(nextPastEnd).GetInt(13), 200);
  EXPECT_EQ(manager.GetInt(14), -1);

  std::string dataPastEnd = bytes;
  PutU32(dataPastEnd, writer.EntryOffset(0) + 65, static_cast<std::uint32_t>(bytes.size()) - 2);
  EXPECT_EQ(LoadBytes(dataPastEnd).GetInt(13), -1);

  std::string firstPastEnd = bytes;
  PutU32(firstPastEnd, 20, 0x7FFFFFFFu);
  EXPECT_EQ(LoadBytes(firstPastEnd).GetInt(13), -1);
}

TEST_F(SkinThemeFileTest, HugeStreamSizeIsRefusedWithoutAllocating) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", 200);
  writer.AddStream("ButtonImage", "BM");
  std::string bytes = writer.Build();
  PutU32(bytes, writer.EntryOffset(1) + 69, 0xFFFFFFFFu);
  TskinFileThemeMgr &theme = LoadBytes(bytes);
  EXPECT_EQ(theme.GetInt(13), 200);
  EXPECT_TRUE(theme.Reader()->StreamNames().empty());
}

TEST_F(SkinThemeFileTest, ShortFilesHoldNoItems) {
  for (std::size_t size : {0, 10, 16, 23, 24, 60, 24 + 76}) {
    ThemeFileWriter writer;
    writer.AddInteger("FormMinWidthInt", 200);
    std::string bytes = writer.Build().substr(0, size);
    EXPECT_EQ(LoadBytes(bytes).GetInt(13), -1) << size;
  }
}

TEST_F(SkinThemeFileTest, RandomlyMutatedFilesNeverHangOrCrash) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", 200);
  writer.AddBoolean("ButtonTransparentBool", 1);
  writer.AddText("Note", "abc");
  writer.AddBitmap("ProgressBarImage", SolidBitmap(4, 4, 0x336699));
  writer.AddInteger("FormBackgroundColor", 0xE7E7E7);
  const std::string original = writer.Build();
  std::mt19937 random(20261209);
  std::string path = folder.File("fuzz.skt");
  for (int iteration = 0; iteration < 1500; ++iteration) {
    std::string bytes = original;
    int mutations = 1 + static_cast<int>(random() % 8);
    for (int m = 0; m < mutations; ++m) {
      switch (random() % 4) {
        case 0:  // one random byte
          bytes[random() % bytes.size()] = static_cast<char>(random());
          break;
        case 1:  // a field of the chain set to an offset somewhere in or past the file
          PutU32(bytes, 24 + 77 * (random() % 5) + 65 + 4 * (random() % 3),
                 static_cast<std::uint32_t>(random() % (bytes.size() + 64)));
          break;
        case 2:  // the file cut short
          bytes.resize(random() % bytes.size());
          if (bytes.empty()) bytes = "x";
          break;
        default:  // an extreme value
          if (bytes.size() >= 4) PutU32(bytes, random() % (bytes.size() - 3), random() % 2 ? 0xFFFFFFFFu : 0u);
          break;
      }
    }
    ASSERT_TRUE(WriteFile(path, bytes));
    TskinThemeFileReader reader(path);
    std::size_t entries = reader.Integers().size() + reader.Booleans().size() + reader.Texts().size() +
                          reader.StreamNames().size();
    EXPECT_LE(entries, bytes.size() / 77 + 1);
    if (std::istream *stream = reader.GetStream("ProgressBarImage")) {
      TBitmap g;
      g.LoadFromStream(*stream);
    }
  }
}

TEST_F(SkinThemeFileTest, AFileFarBeyondAnyThemeIsRefused) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", 200);
  std::string path = folder.File("huge.skt");
  ASSERT_TRUE(WriteFile(path, writer.Build()));
  std::filesystem::resize_file(path, 1ull << 30);
  EXPECT_THROW(TskinThemeFileReader{path}, std::system_error);
}

TEST(SkinThemeFileReader, UnopenableFileThrows) {
  EXPECT_THROW(TskinThemeFileReader("/nonexistent/folder/theme.skt"), std::system_error);
}
