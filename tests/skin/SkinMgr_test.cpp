#include "SkinMgr.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <unistd.h>

#include "SkinPublic.h"
#include "paths.h"
#include "skin_test_support.h"

namespace skintest {

// A skin control as the file theme sees it: a "Tskin" class publishing FileTheme and UIStyle, that
// re-reads its look whenever either is written.
class TskinProbe : public QWidget, public TComponent {
  Q_OBJECT
  Q_PROPERTY(TskinFileTheme *FileTheme READ FileTheme WRITE SetFileTheme)
  Q_PROPERTY(TskinUIStyle UIStyle READ UIStyle WRITE SetUIStyle)

public:
  explicit TskinProbe(TComponent *owner) : TComponent(owner) { SetUIStyle(TskinUIStyle::FromThemeFile); }
  TskinFileTheme *FileTheme() const { return FFileTheme; }
  void SetFileTheme(TskinFileTheme *theme) {
    FFileTheme = theme;
    ++FileThemeWrites;
    SetUIStyle(FStyle);
  }
  TskinUIStyle UIStyle() const { return FStyle; }
  void SetUIStyle(TskinUIStyle style) {
    FStyle = style;
    TskinUIStyle effective;
    if (UsingFileTheme(FFileTheme, style, effective))
      BorderColor = FFileTheme->GetColor(25);
    else
      BorderColor = GetStyleColor(effective, 25);
  }
  int FileThemeWrites = 0;
  TColor BorderColor = 0;

private:
  TskinFileTheme *FFileTheme = nullptr;
  TskinUIStyle FStyle = TskinUIStyle::DeepBlue;
};

// The same properties under a class name that does not begin with "Tskin".
class OtherProbe : public TskinProbe {
  Q_OBJECT

public:
  using TskinProbe::TskinProbe;
};

class Form : public QWidget, public TComponent {
  Q_OBJECT
};

}  // namespace skintest

namespace {

std::string WriteTheme(const std::string &path, std::int32_t minWidth, TColor border = 0x0000FF) {
  ThemeFileWriter writer;
  writer.AddInteger("FormMinWidthInt", minWidth);
  writer.AddInteger("ControlBorderColor", static_cast<std::int32_t>(border));
  EXPECT_TRUE(writer.Save(path));
  return path;
}

}  // namespace

TEST(SkinFileTheme, StartsUnloadedAndLoadsAnExistingFile) {
  TempFolder folder;
  TskinFileTheme theme;
  EXPECT_FALSE(theme.IsLoaded());
  EXPECT_EQ(theme.GetInt(13), 0);
  std::string path = WriteTheme(folder.File("a.skt"), 222);
  theme.SetThemeFile(path);
  EXPECT_TRUE(theme.IsLoaded());
  EXPECT_EQ(theme.ThemeFile(), path);
  EXPECT_EQ(theme.GetInt(13), 222);
  EXPECT_EQ(theme.GetInt(14), -1);
}

TEST(SkinFileTheme, MissingFileChangesNothing) {
  TempFolder folder;
  TskinFileTheme theme;
  std::string path = WriteTheme(folder.File("a.skt"), 222);
  theme.SetThemeFile(path);
  theme.SetThemeFile(folder.File("missing-theme-file.skt"));
  EXPECT_EQ(theme.ThemeFile(), path);
  EXPECT_TRUE(theme.IsLoaded());
  EXPECT_EQ(theme.GetInt(13), 222);
}

TEST(SkinFileTheme, SameTextDoesNotReload) {
  TempFolder folder;
  TskinFileTheme theme;
  std::string path = WriteTheme(folder.File("a.skt"), 222);
  theme.SetThemeFile(path);
  WriteTheme(path, 333);
  theme.SetThemeFile(path);
  EXPECT_EQ(theme.GetInt(13), 222);
}

TEST(SkinFileTheme, BareNameIsFoundInTheProgramFolder) {
  std::string name = "skin_test_" + std::to_string(getpid()) + ".skt";
  std::string inProgramFolder = win::ProgramFolder() + name;
  WriteTheme(inProgramFolder, 444);
  TskinFileTheme theme;
  theme.SetThemeFile("no/such/folder/" + name);
  EXPECT_TRUE(theme.IsLoaded());
  EXPECT_EQ(theme.ThemeFile(), inProgramFolder);
  EXPECT_EQ(theme.GetInt(13), 444);
  std::remove(inProgramFolder.c_str());
}

TEST(SkinFileTheme, PublishesThemeFileByName) {
  TempFolder folder;
  TskinFileTheme theme;
  std::string path = WriteTheme(folder.File("a.skt"), 5);
  ASSERT_TRUE(SetPublishedProperty(&theme, "themefile", QString::fromStdString(path)));
  EXPECT_TRUE(theme.IsLoaded());
}

TEST(SkinFileTheme, FileThatCannotBeOpenedThrowsAndUnloads) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TempFolder folder;
  TskinFileTheme theme;
  theme.SetThemeFile(WriteTheme(folder.File("a.skt"), 5));
  std::string locked = WriteTheme(folder.File("locked.skt"), 6);
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  EXPECT_THROW(theme.SetThemeFile(locked), std::system_error);
  EXPECT_FALSE(theme.IsLoaded());
  EXPECT_EQ(theme.GetInt(13), 0);
}

TEST(SkinFileTheme, BitmapFrameOfMissingEntryIsEmpty) {
  TempFolder folder;
  TskinFileTheme theme;
  theme.SetThemeFile(WriteTheme(folder.File("a.skt"), 5));
  TBitmap g = SolidBitmap(4, 4, clWhite);
  theme.GetBitmap(5, &g);
  EXPECT_EQ(g.Width(), 4);
  theme.GetBitmapFrame(5, &g, 18, 1);
  EXPECT_EQ(g.Width(), 0);
  EXPECT_EQ(g.Height(), 0);
}

TEST(SkinFileTheme, BitmapFrameCutsTheStoredStrip) {
  TempFolder folder;
  TBitmap strip = SolidBitmap(60, 10, 0x00FF00);
  strip.Canvas()->Brush.Color = 0x0000FF;
  strip.Canvas()->FillRect(Rect(20, 0, 40, 10));
  ThemeFileWriter writer;
  writer.AddBitmap("TitleBarButtonImage", strip);
  ASSERT_TRUE(writer.Save(folder.File("a.skt")));
  TskinFileTheme theme;
  theme.SetThemeFile(folder.File("a.skt"));
  TBitmap frame;
  theme.GetBitmapFrame(5, &frame, 3, 2);
  ASSERT_EQ(frame.Width(), 20);
  EXPECT_EQ(frame.Canvas()->Pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(frame.Canvas()->Pixel(19, 9), 0x0000FFu);
}

TEST(SkinUsingFileThemeRule, OnlyALoadedThemeWithThemeFileStyleIsUsed) {
  TempFolder folder;
  TskinFileTheme theme;
  TskinUIStyle effective;
  EXPECT_FALSE(UsingFileTheme(nullptr, TskinUIStyle::FromThemeFile, effective));
  EXPECT_EQ(effective, TskinUIStyle::DeepBlue);
  EXPECT_FALSE(UsingFileTheme(&theme, TskinUIStyle::FromThemeFile, effective));
  EXPECT_EQ(effective, TskinUIStyle::DeepBlue);
  theme.SetThemeFile(WriteTheme(folder.File("a.skt"), 5));
  EXPECT_TRUE(UsingFileTheme(&theme, TskinUIStyle::FromThemeFile, effective));
  EXPECT_EQ(effective, TskinUIStyle::FromThemeFile);
  EXPECT_FALSE(UsingFileTheme(&theme, TskinUIStyle::WinXP, effective));
  EXPECT_EQ(effective, TskinUIStyle::WinXP);
}

TEST(SkinFileTheme, ControlsOfTheFormRereadAfterLoading) {
  TempFolder folder;
  skintest::Form form;
  auto *theme = new TskinFileTheme(&form);
  auto *pointing = new skintest::TskinProbe(&form);
  auto *elsewhere = new skintest::TskinProbe(&form);
  auto *otherName = new skintest::OtherProbe(&form);
  TskinFileTheme otherTheme;
  pointing->SetFileTheme(theme);
  otherName->SetFileTheme(theme);
  elsewhere->SetFileTheme(&otherTheme);
  // Without a loaded theme the control looks DeepBlue.
  EXPECT_EQ(pointing->BorderColor, GetStyleColor(TskinUIStyle::DeepBlue, 25));
  int before = pointing->FileThemeWrites;
  theme->SetThemeFile(WriteTheme(folder.File("a.skt"), 5, 0x00AA00));
  EXPECT_EQ(pointing->FileThemeWrites, before + 1);
  EXPECT_EQ(pointing->BorderColor, 0x00AA00u);
  EXPECT_EQ(elsewhere->FileThemeWrites, 1);
  EXPECT_EQ(otherName->FileThemeWrites, 1);
  EXPECT_EQ(otherName->BorderColor, GetStyleColor(TskinUIStyle::DeepBlue, 25));
}

TEST(SkinFileTheme, ThemeWithoutAFormOwnerTouchesNoControls) {
  TempFolder folder;
  TComponent owner;
  auto *theme = new TskinFileTheme(&owner);
  auto *probe = new skintest::TskinProbe(&owner);
  probe->SetFileTheme(theme);
  theme->SetThemeFile(WriteTheme(folder.File("a.skt"), 5, 0x00AA00));
  EXPECT_EQ(probe->FileThemeWrites, 1);
}

#include "SkinMgr_test.moc"
