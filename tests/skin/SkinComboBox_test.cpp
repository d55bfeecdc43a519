#include "SkinComboBox.h"

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include "SkinPublic.h"
#include "skin_test_support.h"
#include "testsupport.h"
#include "win.h"

namespace {

constexpr TColor Red = 0x0000FF;

TColor At(const QImage &image, int x, int y) { return QRgbToColor(image.pixel(x, y)); }

QImage Shot(QWidget &widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// The main window's combo boxes: 149 x 21 with its colours.
void DesignAsMainWindow(TskinComboBox &combo) {
  combo.SetUIStyle(TskinUIStyle::DeepBlue);
  combo.SetBorderColor(0xEFBC8E);
  combo.SetArrowColor(0x8C4100);
  combo.SetButtonColor(0xF7E1D0);
  combo.SetColor(0xFBFEFA);
  combo.SetStyle(csDropDownList);
  combo.SetItemHeight(13);
  combo.resize(149, 21);
  for (const char *item : {"320x240", "640x480", "800x600"}) combo.Add(item);
  combo.SetItemIndex(1);
}

// The arrow's left corner for the standard button.
int ArrowX(const TskinComboBox &combo) {
  TRect b = combo.GetComboBoxInfo().rcButton;
  return b.Left + (b.Right - b.Left) / 2 - 3;
}

class PaintCounter : public QWidget {
public:
  int paints = 0;

protected:
  void paintEvent(QPaintEvent *) override { ++paints; }
};

}  // namespace

TEST(SkinComboBoxSetup, StartsWithTheDeepBlueColours) {
  TskinComboBox combo;
  EXPECT_EQ(combo.UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(combo.BorderColor(), 0x000000u);
  EXPECT_EQ(combo.ButtonColor(), 0xE8E8E8u);
  EXPECT_EQ(combo.ArrowColor(), 0u);
  EXPECT_EQ(combo.FileTheme(), nullptr);
  for (const char *name : {"FileTheme", "UIStyle", "BorderColor", "ArrowColor", "ButtonColor", "Style", "Color",
                           "ItemHeight", "ItemIndex", "Items", "Text", "Enabled", "Visible", "DropDownCount"})
    EXPECT_TRUE(HasProperty(&combo, name)) << name;
}

TEST(SkinComboBoxSetup, ItemsAndChoiceThroughPublishedProperties) {
  TskinComboBox combo;
  EXPECT_TRUE(SetPublishedProperty(&combo, "Items", QStringList{"Mono", "Stereo"}));
  EXPECT_TRUE(SetPublishedProperty(&combo, "ItemIndex", 1));
  EXPECT_EQ(combo.Text(), "Stereo");
  EXPECT_TRUE(SetPublishedProperty(&combo, "Text", QString("Mono")));
  EXPECT_EQ(combo.ItemIndex(), 0);
}

TEST(SkinComboBoxStyle, StyleChangeResetsAllThreeColours) {
  TskinComboBox combo;
  combo.SetBorderColor(Red);
  combo.SetButtonColor(Red);
  combo.SetArrowColor(Red);
  combo.SetUIStyle(TskinUIStyle::WinXP);
  EXPECT_EQ(combo.BorderColor(), 0x686868u);
  EXPECT_EQ(combo.ButtonColor(), 0xDEEBEFu);
  EXPECT_EQ(combo.ArrowColor(), 0u);
  // Colours set after the style stay.
  combo.SetBorderColor(0xEFBC8E);
  EXPECT_EQ(combo.BorderColor(), 0xEFBC8Eu);
}

TEST(SkinComboBoxStyle, FollowsItsFileThemeAndFallsBackWhenItIsDestroyed) {
  TempFolder folder;
  ThemeFileWriter writer;
  writer.AddInteger("ControlBorderColor", 0x112233);
  writer.AddInteger("FormBackgroundColor", 0x445566);
  ASSERT_TRUE(writer.Save(folder.File("c.skt")));
  auto *theme = new TskinFileTheme;
  theme->SetThemeFile(folder.File("c.skt"));

  TskinComboBox combo;
  combo.SetFileTheme(theme);
  EXPECT_EQ(combo.BorderColor(), 0x000000u);  // DeepBlue until the style asks for the theme
  combo.SetUIStyle(TskinUIStyle::FromThemeFile);
  EXPECT_EQ(combo.BorderColor(), 0x112233u);
  EXPECT_EQ(combo.ButtonColor(), 0x445566u);
  delete theme;
  EXPECT_EQ(combo.FileTheme(), nullptr);
  EXPECT_EQ(combo.UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(combo.BorderColor(), 0x000000u);
  EXPECT_EQ(combo.ButtonColor(), 0xE8E8E8u);
}

TEST(SkinComboBoxPaint, FramesTheControlAndFlattensTheButton) {
  TskinComboBox combo;
  DesignAsMainWindow(combo);
  TComboBoxInfo info = combo.GetComboBoxInfo();
  EXPECT_EQ(info.rcButton.Top, 2);
  EXPECT_EQ(info.rcButton.Bottom, 19);
  QImage shot = Shot(combo);
  EXPECT_EQ(At(shot, 0, 0), 0xEFBC8Eu);
  EXPECT_EQ(At(shot, 148, 20), 0xEFBC8Eu);
  EXPECT_EQ(At(shot, 1, 1), 0xFBFEFAu);
  EXPECT_EQ(At(shot, 50, 19), 0xFBFEFAu);
  // The button: filled, with a border-coloured line down its left edge from T - 1 to B.
  int L = info.rcButton.Left;
  EXPECT_EQ(At(shot, L + 2, 4), 0xF7E1D0u);
  EXPECT_EQ(At(shot, info.rcButton.Right - 1, 17), 0xF7E1D0u);
  EXPECT_EQ(At(shot, L, 1), 0xEFBC8Eu);
  EXPECT_EQ(At(shot, L, 19), 0xEFBC8Eu);
}

TEST(SkinComboBoxPaint, ArrowSitsAtRowEightOfA21HighBox) {
  TskinComboBox combo;
  DesignAsMainWindow(combo);
  QImage shot = Shot(combo);
  int x = ArrowX(combo);
  for (int dx = 0; dx <= 6; ++dx) EXPECT_EQ(At(shot, x + dx, 8), 0x8C4100u) << dx;
  EXPECT_EQ(At(shot, x + 3, 11), 0x8C4100u);
  EXPECT_EQ(At(shot, x + 3, 7), 0xF7E1D0u);
  EXPECT_EQ(At(shot, x + 3, 12), 0xF7E1D0u);
}

TEST(SkinComboBoxPaint, DisabledArrowIsGreyWithAWhiteShadow) {
  TskinComboBox combo;
  DesignAsMainWindow(combo);
  combo.SetEnabled(false);
  QImage shot = Shot(combo);
  int x = ArrowX(combo);
  EXPECT_EQ(At(shot, x, 8), 0x808080u);
  EXPECT_EQ(At(shot, x + 3, 11), 0x808080u);
  EXPECT_EQ(At(shot, x + 7, 9), 0xFFFFFFu);
  EXPECT_EQ(At(shot, x + 4, 12), 0xFFFFFFu);
}

TEST(SkinComboBoxPaint, ButtonPicturesOfMacAndXp) {
  TskinComboBox combo;
  combo.resize(149, 21);
  combo.SetUIStyle(TskinUIStyle::WinXP);
  combo.SetArrowColor(Red);
  QImage xp = Shot(combo);
  TRect b = combo.GetComboBoxInfo().rcButton;
  int reds = 0;
  for (int y = b.Top; y < b.Bottom; ++y)
    for (int x = b.Left; x < b.Right; ++x) reds += At(xp, x, y) == Red;
  EXPECT_EQ(reds, 0);
  TBitmap picture;
  ASSERT_TRUE(picture.LoadFromResourceName("WINXP_COMBOBOX_BUTTON"));
  EXPECT_NE(At(xp, b.Left + 1, b.Top + 1), 0xDEEBEFu);

  combo.SetUIStyle(TskinUIStyle::MacOS);
  combo.SetArrowColor(Red);
  QImage mac = Shot(combo);
  EXPECT_EQ(At(mac, ArrowX(combo) + 3, 8), Red);
}

TEST(SkinComboBoxPaint, SimpleStyleGetsNoSkin) {
  TskinComboBox combo;
  combo.resize(149, 21);
  combo.SetStyle(csSimple);
  combo.SetBorderColor(Red);
  combo.SetButtonColor(Red);
  QImage shot = Shot(combo);
  int reds = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) reds += At(shot, x, y) == Red;
  EXPECT_EQ(reds, 0);
}

TEST(SkinComboBoxBehaviour, ClosingTheListRepaintsTheParent) {
  PaintCounter parent;
  parent.resize(300, 100);
  auto *combo = new TskinComboBox(&parent);
  DesignAsMainWindow(*combo);
  parent.show();
  win::ProcessMessages();
  combo->showPopup();
  EXPECT_TRUE(combo->DroppedDown());
  EXPECT_NE(combo->GetComboBoxInfo().List, nullptr);
  int before = parent.paints;
  combo->hidePopup();
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_GT(parent.paints, before);
}

TEST(SkinComboBoxLook, SavesTheDeepBlueBox) {
  QWidget parent;
  parent.resize(180, 31);
  parent.setStyleSheet("background: #ffffff");
  auto *combo = new TskinComboBox(&parent);
  DesignAsMainWindow(*combo);
  combo->move(5, 5);
  EXPECT_TRUE(Shot(parent).save(testsupport::ShotPath("skinctl-combobox.png")));
  combo->SetEnabled(false);
  EXPECT_TRUE(Shot(parent).save(testsupport::ShotPath("skinctl-combobox-disabled.png")));
}
