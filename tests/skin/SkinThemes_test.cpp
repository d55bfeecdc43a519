#include "SkinThemes.h"

#include <gtest/gtest.h>

#include <set>

#include "SkinPublic.h"
#include "skin_test_support.h"

namespace {

constexpr TskinUIStyle Builtins[] = {TskinUIStyle::MacOS, TskinUIStyle::WinXP, TskinUIStyle::DeepBlue,
                                     TskinUIStyle::Protein, TskinUIStyle::BlueGlass};

TskinUIStyle StyleByte(int value) { return static_cast<TskinUIStyle>(value); }

bool SamePixels(TBitmap &a, TBitmap &b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Canvas()->Pixel(x, y) != b.Canvas()->Pixel(x, y)) return false;
  return true;
}

}  // namespace

TEST(SkinStyleItems, ThemeFileStyleAnswersNeutralValues) {
  EXPECT_EQ(GetStyleInt(TskinUIStyle::FromThemeFile, 13), -1);
  EXPECT_EQ(GetStyleColor(TskinUIStyle::FromThemeFile, 15), 0u);
  EXPECT_FALSE(GetStyleBool(TskinUIStyle::FromThemeFile, 2));
  std::uint8_t kind = 99;
  EXPECT_EQ(GetStyleItem(TskinUIStyle::FromThemeFile, 1, kind), -1);
  EXPECT_EQ(kind, tikInteger);
  TBitmap g = SolidBitmap(3, 2, clWhite);
  LoadStyleBitmap(TskinUIStyle::FromThemeFile, 24, &g);
  EXPECT_EQ(g.Width(), 3);
  EXPECT_EQ(g.Height(), 2);
}

TEST(SkinStyleItems, WrongGetterGivesItsNeutralValue) {
  EXPECT_EQ(GetStyleColor(TskinUIStyle::MacOS, 1), 0u);
  EXPECT_EQ(GetStyleInt(TskinUIStyle::MacOS, 15), -1);
  EXPECT_FALSE(GetStyleBool(TskinUIStyle::DeepBlue, 13));
  TBitmap g = SolidBitmap(3, 2, clWhite);
  LoadStyleBitmap(TskinUIStyle::MacOS, 13, &g);
  EXPECT_EQ(g.Width(), 3);
}

TEST(SkinStyleItems, NegativeIntegersAreRealValues) {
  EXPECT_EQ(GetStyleInt(TskinUIStyle::BlueGlass, 8), -3);
  EXPECT_EQ(GetStyleInt(TskinUIStyle::MacOS, 8), -2);
  EXPECT_EQ(GetStyleInt(TskinUIStyle::WinXP, 9), 5);
  EXPECT_EQ(GetStyleInt(TskinUIStyle::BlueGlass, 13), 270);
}

TEST(SkinStyleItems, OnlyTheLowSevenBitsOfTheStyleCount) {
  EXPECT_EQ(GetStyleInt(StyleByte(129), 8), -2);  // acts as MacOS
  EXPECT_EQ(GetStyleColor(StyleByte(129), 21), GetStyleColor(TskinUIStyle::MacOS, 21));
  EXPECT_EQ(GetStyleBitmapName(StyleByte(133), 1), "BLUEGLASS_BUTTON");
  EXPECT_EQ(GetStyleInt(StyleByte(6), 13), -1);  // acts as FromThemeFile
  EXPECT_EQ(GetStyleInt(StyleByte(128), 13), -1);
}

TEST(SkinStyleItems, ColumnsHoldTheirStylesValues) {
  EXPECT_EQ(GetStyleColor(TskinUIStyle::WinXP, 16), 0xC82C00u);
  EXPECT_EQ(GetStyleColor(TskinUIStyle::DeepBlue, 18), 0xA04A44u);
  EXPECT_EQ(GetStyleColor(TskinUIStyle::Protein, 15), 0xFBFBFBu);
  EXPECT_EQ(GetStyleColor(TskinUIStyle::WinXP, 27), 0xCF4602u);
  EXPECT_EQ(GetStyleColor(TskinUIStyle::WinXP, 37), 0xE1AC93u);
  EXPECT_TRUE(GetStyleBool(TskinUIStyle::MacOS, 2));
  EXPECT_FALSE(GetStyleBool(TskinUIStyle::MacOS, 6));
  EXPECT_TRUE(GetStyleBool(TskinUIStyle::Protein, 6));
  EXPECT_EQ(GetStyleInt(TskinUIStyle::WinXP, 14), 13);
  EXPECT_EQ(GetStyleInt(TskinUIStyle::WinXP, 17), 3);
}

TEST(SkinStyleItems, KeysAndSharedNamesAreSpelledAsStored) {
  EXPECT_STREQ(ThemeItemKeys[13], "FormMinWidthInt");
  EXPECT_STREQ(ThemeItemKeys[42], "SideChannelBarImage");
  EXPECT_STREQ(ThemeItemKeys[1], "ButtonImage");
  EXPECT_EQ(GetStyleBitmapName(TskinUIStyle::MacOS, 38), "MACOS_SCROLLBUTTON");
  for (TskinUIStyle style : {TskinUIStyle::DeepBlue, TskinUIStyle::Protein, TskinUIStyle::BlueGlass})
    EXPECT_EQ(GetStyleBitmapName(style, 38), "MORE_SCROLLBUTTON");
  EXPECT_EQ(GetStyleBitmapName(TskinUIStyle::WinXP, 41), "WINXP_SIDECHENNEL_HANDLE");
  int bitmaps = 0, colours = 0, integers = 0, booleans = 0;
  for (int n = 1; n <= ThemeItemCount; ++n) {
    bitmaps += ThemeItemKind[n] == tikBitmap;
    colours += ThemeItemKind[n] == tikColor;
    integers += ThemeItemKind[n] == tikInteger;
    booleans += ThemeItemKind[n] == tikBoolean;
  }
  EXPECT_EQ(bitmaps, 19);
  EXPECT_EQ(colours, 15);
  EXPECT_EQ(integers, 6);
  EXPECT_EQ(booleans, 2);
}

// The sizes every style's pictures must have.
TEST(SkinStyleBitmaps, EveryStyleHasEveryPictureAtItsSize) {
  struct Row {
    int item;
    int size[5][2];
  };
  const Row rows[] = {
      {1, {{252, 23}, {54, 21}, {222, 21}, {222, 21}, {231, 27}}},
      {3, {{60, 17}, {52, 13}, {52, 13}, {52, 13}, {52, 13}}},
      {4, {{64, 17}, {52, 13}, {52, 13}, {52, 13}, {52, 13}}},
      {5, {{306, 17}, {378, 21}, {342, 19}, {342, 19}, {342, 19}}},
      {10, {{48, 23}, {35, 29}, {97, 32}, {441, 23}, {162, 33}}},
      {11, {{49, 23}, {37, 29}, {98, 32}, {1, 23}, {179, 33}}},
      {12, {{48, 23}, {35, 29}, {97, 32}, {1, 23}, {101, 33}}},
      {24, {{13, 10}, {6, 10}, {1, 10}, {1, 10}, {1, 10}}},
      {28, {{45, 5}, {45, 8}, {45, 4}, {45, 4}, {45, 4}}},
      {29, {{11, 20}, {11, 21}, {11, 20}, {11, 20}, {11, 20}}},
      {30, {{19, 11}, {22, 11}, {18, 11}, {18, 11}, {18, 11}}},
      {32, {{96, 22}, {96, 17}, {96, 16}, {96, 16}, {102, 16}}},
      {33, {{33, 16}, {21, 16}, {21, 16}, {21, 16}, {21, 16}}},
      {34, {{40, 11}, {44, 11}, {44, 11}, {44, 11}, {44, 11}}},
      {38, {{72, 18}, {72, 18}, {72, 17}, {72, 17}, {72, 17}}},
      {39, {{36, 27}, {18, 18}, {12, 17}, {18, 17}, {18, 17}}},
      {40, {{17, 7}, {8, 1}, {5, 5}, {10, 5}, {10, 5}}},
      {41, {{7, 84}, {8, 86}, {8, 83}, {8, 83}, {8, 86}}},
      {42, {{1, 21}, {1, 21}, {1, 20}, {1, 21}, {1, 21}}},
  };
  for (const Row &row : rows)
    for (int s = 0; s < 5; ++s) {
      TBitmap g;
      LoadStyleBitmap(Builtins[s], row.item, &g);
      EXPECT_EQ(g.Width(), row.size[s][0]) << "item " << row.item << " style " << s + 1;
      EXPECT_EQ(g.Height(), row.size[s][1]) << "item " << row.item << " style " << s + 1;
    }
  const struct {
    const char *name;
    int w, h;
  } extras[] = {{"MACOS_COMBOBOX_BUTTON", 16, 17}, {"WINXP_COMBOBOX_BUTTON", 16, 18}, {"MACOS_MENU_BAR", 1, 22},
                {"MACOS_MENU_SELECT", 1, 21},      {"MENU_CHECKED", 16, 16}};
  for (const auto &extra : extras) {
    TBitmap g;
    ASSERT_TRUE(g.LoadFromResourceName(extra.name)) << extra.name;
    EXPECT_EQ(g.Width(), extra.w) << extra.name;
    EXPECT_EQ(g.Height(), extra.h) << extra.name;
  }
  for (const char *name : {"MACOS_FORM_BACKGROUND", "PROTEIN_FORM_BACKGROUND", "MAINICON", "macos_menu_bar"}) {
    TBitmap g;
    EXPECT_TRUE(g.LoadFromResourceName(name)) << name;
  }
}

TEST(SkinStyleBitmaps, TitleButtonFramesAllDiffer) {
  for (TskinUIStyle style : Builtins) {
    std::vector<TBitmap> frames(18);
    for (int k = 1; k <= 18; ++k) LoadStyleBitmapFrame(style, 5, &frames[k - 1], 18, k);
    for (int a = 0; a < 18; ++a) {
      EXPECT_EQ(frames[a].Width(), frames[a].Height());
      for (int b = a + 1; b < 18; ++b)
        EXPECT_FALSE(SamePixels(frames[a], frames[b])) << "frames " << a + 1 << " and " << b + 1;
    }
  }
}

TEST(SkinStyleBitmaps, TransparentTitleButtonsStandOnTheirKeyColour) {
  for (TskinUIStyle style : Builtins) {
    if (!GetStyleBool(style, 6)) continue;
    TBitmap frame;
    LoadStyleBitmapFrame(style, 5, &frame, 18, 16);
    TColor key = frame.TransparentColor();
    EXPECT_EQ(frame.Canvas()->Pixel(0, 0), key);
    EXPECT_NE(frame.Canvas()->Pixel(frame.Width() / 2, frame.Height() / 2), key);
  }
}

TEST(SkinStyleBitmaps, FirstFrameOfTheXpStripIsItsLeftmostSquare) {
  TBitmap strip, frame;
  LoadStyleBitmap(TskinUIStyle::WinXP, 5, &strip);
  LoadStyleBitmapFrame(TskinUIStyle::WinXP, 5, &frame, 18, 1);
  ASSERT_EQ(frame.Width(), 21);
  ASSERT_EQ(frame.Height(), 21);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) ASSERT_EQ(frame.Canvas()->Pixel(x, y), strip.Canvas()->Pixel(x, y));
}

TEST(SkinStyleBitmaps, FramesOfNoPictureAreEmptyButFrameCountZeroKeepsTheGraphic) {
  TBitmap g = SolidBitmap(5, 5, clWhite);
  LoadStyleBitmapFrame(TskinUIStyle::FromThemeFile, 5, &g, 18, 1);
  EXPECT_EQ(g.Width(), 0);
  EXPECT_EQ(g.Height(), 0);
  g = SolidBitmap(5, 5, clWhite);
  LoadStyleBitmapFrame(TskinUIStyle::MacOS, 13, &g, 3, 1);
  EXPECT_EQ(g.Width(), 0);
  g = SolidBitmap(5, 5, clWhite);
  LoadStyleBitmapFrame(TskinUIStyle::FromThemeFile, 5, &g, 0, 0);
  EXPECT_EQ(g.Width(), 5);
  LoadStyleBitmapFrame(TskinUIStyle::MacOS, 24, &g, 0, 0);
  EXPECT_EQ(g.Width(), 13);
  LoadStyleBitmapFrame(TskinUIStyle::MacOS, 24, nullptr, 2, 1);  // no graphic: nothing happens
}
