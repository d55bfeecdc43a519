#include "SkinMainMenu.h"

#include <gtest/gtest.h>
#include <memory>

#include "SkinForm.h"
#include "forms.h"
#include "skin_test_support.h"

namespace {

int CountPixels(TBitmap &bitmap, const TRect &area, TColor color) {
  int n = 0;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x) n += bitmap.Canvas()->Pixel(x, y) == color;
  return n;
}

TBitmap DrawItem(TskinMainMenu &menu, TskinMenuItem *item, bool selected, int width = 160, int height = 21) {
  TBitmap bitmap(width, height);
  menu.DrawMenuItem(item, bitmap.Canvas(), Rect(0, 0, width, height), selected);
  return bitmap;
}

TEST(MainMenuStyle, DeepBlueSizesAndColours) {
  TskinMainMenu menu;
  EXPECT_EQ(menu.UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(menu.BarWidth(), 26);
  EXPECT_EQ(menu.MenuItemHeight(), 21);
  EXPECT_EQ(menu.SeparatorHeight(), 5);
  EXPECT_EQ(menu.SeparatorColor(), 8684164u);
  EXPECT_EQ(menu.BarColor(), 0xCED3D6u);
  EXPECT_EQ(menu.Color(), 0xFFFFFFu);
  EXPECT_EQ(menu.SelectedColor(), 0xA04A44u);
  EXPECT_EQ(menu.SelectedFontColor(), 0xFFFFFFu);
  EXPECT_EQ(menu.FontColor(), 0u);
  menu.SetMenuItemHeight(30);
  EXPECT_EQ(menu.MenuItemHeight(), 30);
}

TEST(MainMenuStyle, MacOSFixesTheHeightsAndIgnoresWrites) {
  TskinMainMenu menu;
  menu.SetUIStyle(TskinUIStyle::MacOS);
  EXPECT_EQ(menu.MenuItemHeight(), 20);
  EXPECT_EQ(menu.SeparatorHeight(), 12);
  EXPECT_EQ(menu.SeparatorColor(), 0u);
  menu.SetMenuItemHeight(40);
  menu.SetSeparatorHeight(40);
  EXPECT_EQ(menu.MenuItemHeight(), 20);
  EXPECT_EQ(menu.SeparatorHeight(), 12);
  menu.SetUIStyle(TskinUIStyle::DeepBlue);
  EXPECT_EQ(menu.MenuItemHeight(), 21);
  EXPECT_EQ(menu.SeparatorHeight(), 5);
}

TEST(MainMenuStyle, OwnerDrawStaysOn) {
  TskinMainMenu menu;
  menu.SetOwnerDraw(false);
  EXPECT_TRUE(menu.OwnerDraw());
  EXPECT_TRUE(menu.property("OwnerDraw").toBool());
}

TEST(MainMenuStyle, ARemovedFileThemeFallsBackToDeepBlue) {
  TskinMainMenu menu;
  auto *theme = new TskinFileTheme;
  menu.SetUIStyle(TskinUIStyle::MacOS);
  menu.SetFileTheme(theme);
  delete theme;
  EXPECT_EQ(menu.FileTheme(), nullptr);
  EXPECT_EQ(menu.UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(menu.MenuItemHeight(), 21);
}

TEST(MainMenuImages, NilReadsBackNilWhileChecksStillShow) {
  TskinMainMenu menu;
  TImageList user;
  user.Add(QImage(16, 16, QImage::Format_RGB32));
  menu.SetImages(&user);
  EXPECT_EQ(menu.Images(), &user);
  menu.SetImages(nullptr);
  EXPECT_EQ(menu.Images(), nullptr);
  ASSERT_NE(menu.CheckImages(), nullptr);
  EXPECT_EQ(menu.CheckImages()->Count(), 1);

  TskinMenuItem *item = menu.Add("Wrap");
  TBitmap plain = DrawItem(menu, item, false);
  item->SetChecked(true);
  TBitmap checked = DrawItem(menu, item, false);
  TRect box = Rect(4, 3, 20, 19);
  EXPECT_LT(CountPixels(checked, box, menu.BarColor()), CountPixels(plain, box, menu.BarColor()));
}

TEST(MainMenuImages, CheckedItemWithAnIconGetsTheFramedBox) {
  TskinMainMenu menu;
  TImageList user;
  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  user.Add(icon);
  menu.SetImages(&user);
  TskinMenuItem *item = menu.Add("Bold", nullptr, 0);
  item->SetChecked(true);
  TBitmap bitmap = DrawItem(menu, item, false);
  EXPECT_EQ(bitmap.Canvas()->Pixel(2, 1), clBlack);
  EXPECT_EQ(bitmap.Canvas()->Pixel(10, 18), menu.SelectedColor());
}

TEST(MainMenuMeasure, OpenWithCtrlO) {
  TskinMainMenu menu;
  TskinMenuItem *item = menu.Add("Open");
  item->SetShortCut(scCtrl | 'O');
  TBitmap scratch(1, 1);
  TCanvas *canvas = scratch.Canvas();
  int width = 0, height = 0;
  menu.MeasureMenuItem(item, canvas, width, height);
  EXPECT_EQ(height, 21);
  EXPECT_EQ(width, canvas->TextWidth("Open") + canvas->TextWidth("Ctrl+O") + 26 + 40);

  TskinMenuItem *separator = menu.Add("-");
  menu.MeasureMenuItem(separator, canvas, width, height);
  EXPECT_EQ(height, 5);
}

TEST(MainMenuDraw, DisabledSelectedItemKeepsTheNormalBackgroundAndGreyText) {
  TskinMainMenu menu;
  menu.SetUseSystemFont(false);
  TskinMenuItem *item = menu.Add("Disabled");
  item->SetEnabled(false);
  TBitmap bitmap = DrawItem(menu, item, true);
  EXPECT_EQ(bitmap.Canvas()->Pixel(2, 10), menu.BarColor());
  EXPECT_EQ(bitmap.Canvas()->Pixel(155, 2), menu.Color());
  EXPECT_EQ(CountPixels(bitmap, Rect(0, 0, 160, 21), menu.SelectedColor()), 0);
  EXPECT_GT(CountPixels(bitmap, Rect(30, 0, 160, 21), clGray), 0);

  item->SetEnabled(true);
  TBitmap selected = DrawItem(menu, item, true);
  EXPECT_EQ(selected.Canvas()->Pixel(2, 10), menu.SelectedColor());
}

TEST(MainMenuDraw, SeparatorLineRunsFromTheBar) {
  TskinMainMenu menu;
  TskinMenuItem *separator = menu.Add("-");
  TBitmap bitmap = DrawItem(menu, separator, false, 160, 5);
  EXPECT_EQ(bitmap.Canvas()->Pixel(30, 2), menu.SeparatorColor());
  EXPECT_EQ(bitmap.Canvas()->Pixel(29, 2), menu.Color());
  EXPECT_EQ(bitmap.Canvas()->Pixel(157, 2), menu.SeparatorColor());
  EXPECT_EQ(bitmap.Canvas()->Pixel(158, 2), menu.Color());
}

TEST(MainMenuForm, AttachesToTheFormSkinAndHooksEveryLevel) {
  auto form = std::make_unique<TForm>();
  form->setGeometry(50, 50, 400, 300);
  TskinForm *skin = CreateSkinForm(form.get());
  skin->SetUIStyle(TskinUIStyle::MacOS);
  TskinMainMenu *menu = CreateSkinMainMenu(form.get());
  EXPECT_EQ(menu->UIStyle(), TskinUIStyle::MacOS);  // the form skin's style
  EXPECT_EQ(menu->FormSkin(), skin);
  EXPECT_EQ(skin->Menu(), menu);

  TskinMenuItem *file = menu->Add("&File");
  TskinMenuItem *recent = file->Add("Recent");
  TskinMenuItem *deep = recent->Add("one.ppt");
  menu->Add("&Help");
  menu->Loaded();
  EXPECT_TRUE(deep->OnDrawItem != nullptr);
  EXPECT_TRUE(deep->OnMeasureItem != nullptr);
  ASSERT_NE(skin->MenuBar(), nullptr);
  ASSERT_EQ(skin->MenuBar()->ButtonCount(), 2);
  EXPECT_EQ(skin->MenuBar()->Buttons(0)->Caption, "&File");
  EXPECT_EQ(skin->MenuBar()->Buttons(1)->MenuItem, menu->Items(1));

  file->SetCaption("&Document");
  file->SetEnabled(false);
  menu->MenuChanged();
  EXPECT_EQ(skin->MenuBar()->Buttons(0)->Caption, "&Document");
  EXPECT_FALSE(skin->MenuBar()->Buttons(0)->Enabled);

  delete menu;
  EXPECT_EQ(skin->Menu(), nullptr);
  EXPECT_EQ(skin->MenuBar(), nullptr);
}

TEST(MainMenuForm, WithoutAFormSkinItShowsNowhere) {
  auto form = std::make_unique<TForm>();
  TskinMainMenu *menu = CreateSkinMainMenu(form.get());
  EXPECT_EQ(menu->FormSkin(), nullptr);
  menu->Add("File")->Add("Open");
  menu->Loaded();
  EXPECT_TRUE(menu->Items(0)->Items(0)->OnDrawItem != nullptr);
}

TEST(MainMenuForm, SystemFontSwitchReachesTheMenuBar) {
  auto form = std::make_unique<TForm>();
  TskinForm *skin = CreateSkinForm(form.get());
  TskinMainMenu *menu = CreateSkinMainMenu(form.get());
  menu->Add("File");
  menu->Loaded();
  ASSERT_NE(skin->MenuBar(), nullptr);
  menu->SetFontName("Courier New");
  menu->SetFontSize(12);
  menu->SetUseSystemFont(false);
  EXPECT_EQ(skin->MenuBar()->Font.Name, "Courier New");
  EXPECT_EQ(skin->MenuBar()->Font.Size(), 12);
}

TEST(MainMenuShortCut, KeyRunsTheEnabledItem) {
  TskinMainMenu menu;
  int opened = 0, closed = 0;
  TskinMenuItem *file = menu.Add("File");
  file->Add("Open", [&] { ++opened; })->SetShortCut(0x74);  // F5
  TskinMenuItem *close = file->Add("Close", [&] { ++closed; });
  close->SetShortCut(0x75);
  close->SetEnabled(false);
  EXPECT_TRUE(menu.IsShortCut(win::WM_KEYDOWN, 0x74, 0));
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(menu.IsShortCut(win::WM_KEYDOWN, 0x75, 0));
  EXPECT_EQ(closed, 0);
  EXPECT_FALSE(menu.IsShortCut(win::WM_KEYDOWN, 'X', 0));
}

}  // namespace
