#include "SkinPublic.h"

#include <QWidget>
#include <gtest/gtest.h>

#include "SkinMenu.h"
#include "SkinMgr.h"
#include "component.h"
#include "skin_test_support.h"

namespace skintest {

// A control publishing the two style properties, recording the order of their writes.
class StyledControl : public QWidget {
  Q_OBJECT
  Q_PROPERTY(TskinFileTheme *FileTheme READ FileTheme WRITE SetFileTheme)
  Q_PROPERTY(TskinUIStyle UIStyle READ UIStyle WRITE SetUIStyle)

public:
  using QWidget::QWidget;
  TskinFileTheme *FileTheme() const { return FFileTheme; }
  void SetFileTheme(TskinFileTheme *theme) {
    FFileTheme = theme;
    Writes += "F";
  }
  TskinUIStyle UIStyle() const { return FStyle; }
  void SetUIStyle(TskinUIStyle style) {
    FStyle = style;
    Writes += "S";
  }
  std::string Writes;

private:
  TskinFileTheme *FFileTheme = nullptr;
  TskinUIStyle FStyle = TskinUIStyle::DeepBlue;
};

// Publishes a style but no file theme.
class StyleOnlyControl : public QWidget {
  Q_OBJECT
  Q_PROPERTY(TskinUIStyle UIStyle READ UIStyle WRITE SetUIStyle)

public:
  using QWidget::QWidget;
  TskinUIStyle UIStyle() const { return FStyle; }
  void SetUIStyle(TskinUIStyle style) { FStyle = style; }

private:
  TskinUIStyle FStyle = TskinUIStyle::WinXP;
};

// Stands in for the form skin: found by its class name.
class TskinForm : public StyledControl {
  Q_OBJECT

public:
  using StyledControl::StyledControl;
};

class Form : public QWidget, public TComponent {
  Q_OBJECT

public:
  Form() = default;
};

}  // namespace skintest

using skintest::StyledControl;

TEST(SkinGeometry, AllFourEdgesAreInside) {
  TRect r = Rect(0, 0, 10, 20);
  EXPECT_TRUE(CoordInRect(10, 20, r));
  EXPECT_TRUE(CoordInRect(0, 0, r));
  EXPECT_FALSE(CoordInRect(11, 5, r));
  EXPECT_FALSE(CoordInRect(5, -1, r));
  EXPECT_TRUE(PointInRect(Point(10, 0), r));
}

TEST(SkinGeometry, FormBoundsTakeTheRectangle) {
  QWidget form;
  SetFormBounds(&form, Rect(30, 40, 230, 190));
  EXPECT_EQ(form.width(), 200);
  EXPECT_EQ(form.height(), 150);
  TRect area;
  GetWorkArea(area);
  EXPECT_GT(area.Width(), 0);
}

TEST(SkinSystem, NoOldConsumerWindowsHere) { EXPECT_FALSE(Win95Osr2); }

TEST(SkinText, NullTextIsEmpty) {
  EXPECT_EQ(PCharToString(nullptr), "");
  EXPECT_EQ(PCharToString("abc"), "abc");
}

namespace {

// A strip whose pixels tell their place: the column in red (low byte) and blue (high byte), the row
// in green.
TBitmap NumberedStrip(int width, int height) {
  TBitmap strip(width, height);
  for (int x = 0; x < width; ++x)
    for (int y = 0; y < height; ++y)
      strip.Canvas()->SetPixel(x, y, static_cast<TColor>((x & 0xFF) | (y << 8) | ((x >> 8) << 16)));
  return strip;
}

int ColumnOf(TColor c) { return static_cast<int>((c & 0xFF) | ((c >> 16) << 8)); }
int RowOf(TColor c) { return static_cast<int>((c >> 8) & 0xFF); }

}  // namespace

TEST(SkinBitmaps, LastOfEighteenFramesIsColumns357To377) {
  TBitmap strip = NumberedStrip(378, 21);
  TBitmap frame;
  CutBitmapFrame(&strip, &frame, 18, 18);
  ASSERT_EQ(frame.Width(), 21);
  ASSERT_EQ(frame.Height(), 21);
  EXPECT_EQ(ColumnOf(frame.Canvas()->Pixel(0, 0)), 357);
  EXPECT_EQ(ColumnOf(frame.Canvas()->Pixel(20, 20)), 377);
  EXPECT_EQ(RowOf(frame.Canvas()->Pixel(20, 20)), 20);
}

TEST(SkinBitmaps, ColumnsLeftOverAreNeverUsed) {
  TBitmap strip = NumberedStrip(100, 10);
  TBitmap frame;
  for (int k = 1; k <= 3; ++k) {
    CutBitmapFrame(&strip, &frame, 3, k);
    ASSERT_EQ(frame.Width(), 33);
    EXPECT_EQ(ColumnOf(frame.Canvas()->Pixel(0, 0)), (k - 1) * 33);
    EXPECT_EQ(ColumnOf(frame.Canvas()->Pixel(32, 0)), k * 33 - 1);
  }
}

TEST(SkinBitmaps, CuttingFromAnEmptyStripLeavesAnEmptyBitmap) {
  TBitmap empty;
  TBitmap frame = SolidBitmap(4, 4, clWhite);
  CutBitmapFrame(&empty, &frame, 18, 1);
  EXPECT_EQ(frame.Width(), 0);
  EXPECT_EQ(frame.Height(), 0);
}

TEST(SkinBitmaps, ZeroFrameCountDoesNotDivideByZero) {
  TBitmap strip = NumberedStrip(10, 2);
  TBitmap frame;
  CutBitmapFrame(&strip, &frame, 0, 1);
  EXPECT_EQ(frame.Width(), 10);
}

TEST(SkinBitmaps, RotationTurnsAnticlockwise) {
  TBitmap bitmap = NumberedStrip(13, 10);
  RotateBitmap90(&bitmap);
  ASSERT_EQ(bitmap.Width(), 10);
  ASSERT_EQ(bitmap.Height(), 13);
  // The source's top-left pixel ends at the bottom left, its top-right at the top left.
  EXPECT_EQ(ColumnOf(bitmap.Canvas()->Pixel(0, 12)), 0);
  EXPECT_EQ(RowOf(bitmap.Canvas()->Pixel(0, 12)), 0);
  EXPECT_EQ(ColumnOf(bitmap.Canvas()->Pixel(0, 0)), 12);
  EXPECT_EQ(RowOf(bitmap.Canvas()->Pixel(9, 12)), 9);
}

TEST(SkinProperties, LookupIgnoresLetterCase) {
  StyledControl control;
  EXPECT_TRUE(HasProperty(&control, "UIStyle"));
  EXPECT_TRUE(HasProperty(&control, "uistyle"));
  EXPECT_TRUE(HasProperty(&control, "FILETHEME"));
  EXPECT_FALSE(HasProperty(&control, "Version"));
  EXPECT_FALSE(HasProperty(static_cast<QObject *>(nullptr), "UIStyle"));
  EXPECT_TRUE(SetPublishedProperty(&control, "uiStyle", QVariant::fromValue(TskinUIStyle::Protein)));
  EXPECT_EQ(control.UIStyle(), TskinUIStyle::Protein);
  EXPECT_EQ(GetPublishedProperty(&control, "UISTYLE").value<TskinUIStyle>(), TskinUIStyle::Protein);
}

TEST(SkinProperties, ValuesAreConvertedToThePropertysType) {
  StyledControl control;
  EXPECT_TRUE(SetPublishedProperty(&control, "UIStyle", 2));
  EXPECT_EQ(control.UIStyle(), TskinUIStyle::WinXP);
  TskinFileTheme theme;
  EXPECT_TRUE(SetPublishedProperty(&control, "FileTheme", QVariant::fromValue<QObject *>(&theme)));
  EXPECT_EQ(control.FileTheme(), &theme);
  EXPECT_EQ(GetPublishedProperty(&control, "FileTheme").value<QObject *>(), &theme);
  EXPECT_FALSE(SetPublishedProperty(&control, "NoSuchProperty", 1));
}

TEST(SkinProperties, ComponentsWithoutPublishedPropertiesHaveNone) {
  TComponent plain;
  EXPECT_FALSE(HasProperty(&plain, "Name"));
  TskinFileTheme theme;
  EXPECT_TRUE(HasProperty(&theme, "themefile"));
}

TEST(SkinProperties, StyleGoesToChildrenWithBothProperties) {
  QWidget parent;
  auto *full = new StyledControl(&parent);
  auto *styleOnly = new skintest::StyleOnlyControl(&parent);
  auto *grandChild = new StyledControl(full);
  TskinFileTheme theme;
  ApplyStyleToChildren(&parent, TskinUIStyle::BlueGlass, &theme);
  EXPECT_EQ(full->Writes, "FS");  // file theme first, then the style
  EXPECT_EQ(full->FileTheme(), &theme);
  EXPECT_EQ(full->UIStyle(), TskinUIStyle::BlueGlass);
  EXPECT_EQ(styleOnly->UIStyle(), TskinUIStyle::WinXP);
  EXPECT_EQ(grandChild->Writes, "");
  ApplyStyleToChildren(&parent, TskinUIStyle::DeepBlue, nullptr);
  EXPECT_EQ(full->FileTheme(), nullptr);
  EXPECT_EQ(full->UIStyle(), TskinUIStyle::DeepBlue);
}

TEST(SkinOwnerStyle, FormWithFormSkinGivesItsStyle) {
  skintest::Form form;
  new QWidget(&form);
  auto *skin = new skintest::TskinForm(&form);
  skin->SetUIStyle(TskinUIStyle::Protein);
  EXPECT_EQ(GetOwnerUIStyle(&form), TskinUIStyle::Protein);
}

TEST(SkinOwnerStyle, FormSkinInsideAPanelDoesNotCount) {
  skintest::Form form;
  auto *panel = new QWidget(&form);
  auto *skin = new skintest::TskinForm(panel);
  skin->SetUIStyle(TskinUIStyle::MacOS);
  EXPECT_EQ(GetOwnerUIStyle(&form), TskinUIStyle::DeepBlue);
}

TEST(SkinOwnerStyle, AnythingElseIsDeepBlue) {
  EXPECT_EQ(GetOwnerUIStyle(nullptr), TskinUIStyle::DeepBlue);
  TComponent plain;
  EXPECT_EQ(GetOwnerUIStyle(&plain), TskinUIStyle::DeepBlue);
  skintest::Form form;
  EXPECT_EQ(GetOwnerUIStyle(&form), TskinUIStyle::DeepBlue);
}

class SkinActiveFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved = SkinApplicationView();
    SkinApplicationView().MainForm = [this] { return mainForm; };
    SkinApplicationView().IsMDIFrame = [this](QWidget *) { return mdi; };
    SkinApplicationView().Active = [this] { return active; };
    SkinApplicationView().ActiveMDIChild = [this](QWidget *) { return mdiChild; };
    SkinApplicationView().FormActive = [this](QWidget *w) { return w == ownActive; };
  }
  void TearDown() override { SkinApplicationView() = saved; }

  TSkinApplicationView saved;
  QWidget main, other;
  QWidget *mainForm = &main;
  QWidget *mdiChild = nullptr;
  QWidget *ownActive = nullptr;
  bool mdi = false;
  bool active = true;
};

TEST_F(SkinActiveFormTest, InactiveApplicationHasNoActiveForm) {
  active = false;
  ownActive = &other;
  EXPECT_FALSE(IsFormActive(&other));
  EXPECT_FALSE(IsFormActive(&main));
  mdi = true;
  EXPECT_TRUE(IsFormActive(&main));
  EXPECT_FALSE(IsFormActive(&other));
}

TEST_F(SkinActiveFormTest, MainFormCountsActiveWhileTheApplicationIs) {
  EXPECT_TRUE(IsFormActive(&main));
  EXPECT_TRUE(IsFormActive(nullptr));
  EXPECT_FALSE(IsFormActive(&other));
  ownActive = &other;
  EXPECT_TRUE(IsFormActive(&other));
}

TEST_F(SkinActiveFormTest, ActiveMdiChildCounts) {
  mdi = true;
  mdiChild = &other;
  EXPECT_TRUE(IsFormActive(&other));
  mdiChild = nullptr;
  EXPECT_FALSE(IsFormActive(&other));
}

TEST_F(SkinActiveFormTest, WithoutMainFormTheFormsOwnFlagDecides) {
  mainForm = nullptr;
  active = false;
  ownActive = &other;
  EXPECT_TRUE(IsFormActive(&other));
  EXPECT_FALSE(IsFormActive(&main));
}

// ---- menu pieces ----

namespace {

struct FakeItem {
  std::function<void(int)> OnMeasureItem;
  std::function<void(int)> OnDrawItem;
  std::vector<std::unique_ptr<FakeItem>> Children;
  int Count() const { return static_cast<int>(Children.size()); }
  FakeItem *Items(int i) { return Children[i].get(); }
  FakeItem *Add() {
    Children.push_back(std::make_unique<FakeItem>());
    return Children.back().get();
  }
};

}  // namespace

TEST(SkinMenu, HookReachesEveryLevel) {
  FakeItem root;
  FakeItem *a = root.Add();
  FakeItem *b = a->Add();
  FakeItem *c = b->Add();
  FakeItem *d = root.Add();
  int drawn = 0, measured = 0;
  HookMenuItemEvents(&root, std::function<void(int)>([&](int) { ++measured; }),
                     std::function<void(int)>([&](int) { ++drawn; }));
  for (FakeItem *item : {&root, a, b, c, d}) {
    ASSERT_TRUE(item->OnDrawItem);
    ASSERT_TRUE(item->OnMeasureItem);
    item->OnDrawItem(0);
    item->OnMeasureItem(0);
  }
  EXPECT_EQ(drawn, 5);
  EXPECT_EQ(measured, 5);
}

TEST(SkinMenu, SeparatorLineRunsFromBarPlusFourToRightMinusThree) {
  TBitmap item = SolidBitmap(100, 5, clWhite);
  DrawMenuSeparatorLine(item.Canvas(), Rect(0, 0, 100, 5), 0x848284, 26);
  EXPECT_EQ(item.Canvas()->Pixel(29, 2), clWhite);
  EXPECT_EQ(item.Canvas()->Pixel(30, 2), 0x848284u);
  EXPECT_EQ(item.Canvas()->Pixel(97, 2), 0x848284u);
  EXPECT_EQ(item.Canvas()->Pixel(98, 2), clWhite);
  EXPECT_EQ(item.Canvas()->Pixel(50, 1), clWhite);
}

TEST(SkinMenu, FrameAndFillKeepInsideTheRectangle) {
  TBitmap item = SolidBitmap(10, 10, clWhite);
  FillMenuRect(item.Canvas(), Rect(0, 0, 10, 10), 0x00FF00);
  FrameMenuRect(item.Canvas(), Rect(0, 0, 10, 10), 0x0000FF);
  EXPECT_EQ(item.Canvas()->Pixel(9, 9), 0x0000FFu);
  EXPECT_EQ(item.Canvas()->Pixel(1, 1), 0x00FF00u);
}

TEST(SkinMenu, MacStripsStretchTheirTopRows) {
  TBitmap bar;
  ASSERT_TRUE(bar.LoadFromResourceName("MACOS_MENU_BAR"));
  TBitmap item = SolidBitmap(40, 24, clWhite);
  DrawMacItemStrip(item.Canvas(), Rect(0, 0, 40, 20));
  EXPECT_EQ(item.Canvas()->Pixel(39, 0), bar.Canvas()->Pixel(0, 0));
  EXPECT_EQ(item.Canvas()->Pixel(5, 19), bar.Canvas()->Pixel(0, 19));
  EXPECT_EQ(item.Canvas()->Pixel(5, 20), clWhite);
  // The separator strip stretches the top 12 rows over the whole rectangle.
  TBitmap separator = SolidBitmap(10, 24, clWhite);
  DrawMacSeparatorStrip(separator.Canvas(), Rect(0, 0, 10, 24));
  EXPECT_EQ(separator.Canvas()->Pixel(0, 23), bar.Canvas()->Pixel(0, 11));
}

TEST(SkinMenu, FlatBorderFramesTheWindow) {
  TBitmap window = SolidBitmap(20, 30, 0x00FF00);
  DrawFlatMenuBorder(window.Canvas(), Bounds(500, 300, 20, 30), clBlack, 0x123456);
  TCanvas *c = window.Canvas();
  EXPECT_EQ(c->Pixel(0, 10), clBlack);
  EXPECT_EQ(c->Pixel(1, 10), clWhite);
  EXPECT_EQ(c->Pixel(10, 29), 0x123456u);  // bottom line
  EXPECT_EQ(c->Pixel(19, 10), 0x123456u);  // right line
  EXPECT_EQ(c->Pixel(10, 0), 0x123456u);   // top line
  EXPECT_EQ(c->Pixel(10, 10), 0x00FF00u);
  EXPECT_EQ(c->Pixel(0, 0), 0x00FF00u);  // the top line stops short of the corner
}

TEST(SkinMenu, SystemMenuFontIsInTheMenuTextColour) {
  TFont font;
  font.Color = clRed;
  ASSERT_TRUE(SetSystemMenuFont(&font));
  EXPECT_EQ(font.Color, clMenuText);
  EXPECT_FALSE(font.Name.empty());
}

#include "SkinPublic_test.moc"
