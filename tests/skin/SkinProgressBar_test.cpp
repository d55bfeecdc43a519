#include "SkinProgressBar.h"

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include "SkinPublic.h"
#include "dialogs.h"
#include "skin_test_support.h"
#include "testsupport.h"
#include "win.h"

namespace {

constexpr TColor Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000, Yellow = 0x00FFFF;

TColor At(const QImage &image, int x, int y) { return QRgbToColor(image.pixel(x, y)); }

QImage Shot(TskinProgressBar &bar) { return bar.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Counts message dialogs for the life of the object.
struct DialogCounter {
  DialogCounter() {
    previous = win::SetMessageDialogHandler([this](const win::TMessageRequest &) {
      ++count;
      return win::idOK;
    });
  }
  ~DialogCounter() { win::SetMessageDialogHandler(previous); }
  int count = 0;
  win::MessageDialogFn previous;
};

// A bar with a solid red picture and blue for the rest.
void Paint(TskinProgressBar &bar, TColor picture = Red) {
  TBitmap solid = SolidBitmap(13, 10, picture);
  bar.SetPicture(&solid);
  bar.SetColor(Blue);
  bar.SetBorderColor(Green);
  bar.SetShowCaption(false);
}

}  // namespace

TEST(SkinProgressBarSetup, StartsAsAHalfFullDeepBlueBar) {
  TskinProgressBar bar;
  EXPECT_EQ(bar.width(), 150);
  EXPECT_EQ(bar.height(), 12);
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Position(), 50);
  EXPECT_EQ(bar.Caption(), "50%");
  EXPECT_TRUE(bar.ShowCaption());
  EXPECT_FALSE(bar.SmartShowCaption());
  EXPECT_EQ(bar.Orientation(), skinHorizontal);
  EXPECT_EQ(bar.UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(bar.Color(), 0xE8E8E8u);
  EXPECT_EQ(bar.BorderColor(), 0x000000u);
  EXPECT_EQ(bar.Picture()->Width(), 1);
  EXPECT_EQ(bar.Picture()->Height(), 10);
}

TEST(SkinProgressBarSetup, PublishesItsPropertiesByName) {
  TskinProgressBar bar;
  for (const char *name : {"FileTheme", "UIStyle", "CaptionColor", "ShowCaption", "SmartShowCaption", "Max", "Min",
                           "Position", "Orientation", "BorderColor", "Color", "Picture"})
    EXPECT_TRUE(HasProperty(&bar, name)) << name;
  EXPECT_TRUE(SetPublishedProperty(&bar, "position", 20));
  EXPECT_EQ(bar.Caption(), "20%");
  EXPECT_TRUE(SetPublishedProperty(&bar, "UIStyle", QVariant::fromValue(TskinUIStyle::MacOS)));
  EXPECT_EQ(bar.Picture()->Width(), 13);
}

TEST(SkinProgressBarValues, CaptionIsThePercentageNotClamped) {
  TskinProgressBar bar;
  bar.SetMax(200);
  bar.SetPosition(150);
  EXPECT_EQ(bar.Caption(), "75%");
  bar.SetPosition(250);
  EXPECT_EQ(bar.Caption(), "125%");
  EXPECT_EQ(bar.FilledLength(721), 721);
  bar.SetPosition(-50);
  EXPECT_EQ(bar.Caption(), "-25%");
  EXPECT_EQ(bar.FilledLength(721), 0);
  bar.SetMin(200);
  EXPECT_EQ(bar.Caption(), "0%");
  EXPECT_EQ(bar.FilledLength(721), 0);
  // A reversed range is stored as given and fills nothing.
  bar.SetMin(300);
  bar.SetPosition(250);
  EXPECT_EQ(bar.Min(), 300);
  EXPECT_EQ(bar.FilledLength(100), 0);
}

TEST(SkinProgressBarValues, ExtremeRangesDoNotOverflow) {
  TskinProgressBar bar;
  bar.SetMin(-2000000000);
  bar.SetMax(2000000000);
  bar.SetPosition(2000000000);
  EXPECT_EQ(bar.Caption(), "100%");
  EXPECT_EQ(bar.FilledLength(1000), 1000);
  bar.SetPosition(0);
  EXPECT_EQ(bar.Caption(), "50%");
  EXPECT_EQ(bar.FilledLength(1000), 500);
}

TEST(SkinProgressBarPaint, FillsTheDoneShareWithThePicture) {
  TskinProgressBar bar;
  bar.SetWidth(722);
  bar.SetMax(200);
  bar.SetPosition(150);
  Paint(bar);
  QImage shot = Shot(bar);
  ASSERT_EQ(shot.width(), 722);
  // n = 721 * 150 div 200 = 540: the picture covers columns 1 to 539.
  EXPECT_EQ(At(shot, 1, 5), Red);
  EXPECT_EQ(At(shot, 539, 5), Red);
  EXPECT_EQ(At(shot, 540, 5), Blue);
  EXPECT_EQ(At(shot, 720, 10), Blue);
  EXPECT_EQ(At(shot, 0, 5), Green);
  EXPECT_EQ(At(shot, 721, 5), Green);
  EXPECT_EQ(At(shot, 300, 0), Green);
  EXPECT_EQ(At(shot, 300, 11), Green);
}

TEST(SkinProgressBarPaint, EmptyBarShowsOnlyItsColour) {
  TskinProgressBar bar;
  bar.SetPosition(0);
  Paint(bar);
  QImage shot = Shot(bar);
  for (int x = 1; x < 149; ++x) ASSERT_EQ(At(shot, x, 5), Blue) << x;
}

TEST(SkinProgressBarPaint, EqualMinAndMaxShowOnlyTheColour) {
  TskinProgressBar bar;
  bar.SetMax(0);
  bar.SetPosition(0);
  Paint(bar);
  EXPECT_EQ(bar.Caption(), "0%");
  QImage shot = Shot(bar);
  EXPECT_EQ(At(shot, 1, 5), Blue);
  EXPECT_EQ(At(shot, 148, 5), Blue);
}

TEST(SkinProgressBarPaint, OverfullBarIsAllPicture) {
  TskinProgressBar bar;
  bar.SetMax(200);
  bar.SetPosition(250);
  Paint(bar);
  QImage shot = Shot(bar);
  EXPECT_EQ(At(shot, 1, 5), Red);
  EXPECT_EQ(At(shot, 148, 5), Red);
}

namespace {
int CountColour(const QImage &image, TColor colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += At(image, x, y) == colour;
  return count;
}
}  // namespace

TEST(SkinProgressBarPaint, CaptionIsWrittenUnlessSmartAtTheStart) {
  TskinProgressBar bar;
  bar.SetWidth(300);
  Paint(bar, Blue);
  bar.SetCaptionColor(Yellow);
  bar.SetShowCaption(true);
  EXPECT_GT(CountColour(Shot(bar), Yellow), 0);

  bar.SetPosition(0);
  bar.SetSmartShowCaption(true);
  EXPECT_EQ(CountColour(Shot(bar), Yellow), 0);
  // Smart only hides the caption at Min.
  bar.SetPosition(1);
  EXPECT_GT(CountColour(Shot(bar), Yellow), 0);
  bar.SetShowCaption(false);
  EXPECT_EQ(CountColour(Shot(bar), Yellow), 0);
}

TEST(SkinProgressBarPaint, CaptionIsCentred) {
  TskinProgressBar bar;
  bar.SetWidth(300);
  Paint(bar, Blue);
  bar.SetCaptionColor(Yellow);
  bar.SetShowCaption(true);
  QImage shot = Shot(bar);
  int left = shot.width(), right = -1;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (At(shot, x, y) == Yellow) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  ASSERT_GE(right, left);
  EXPECT_NEAR((left + right) / 2.0, 150, 4);
}

TEST(SkinProgressBarVertical, TurningMakesItTallAndRotatesThePicture) {
  TskinProgressBar bar;
  bar.SetUIStyle(TskinUIStyle::MacOS);
  ASSERT_EQ(bar.Picture()->Width(), 13);
  bar.SetOrientation(skinVertical);
  EXPECT_EQ(bar.width(), 12);
  EXPECT_EQ(bar.height(), 150);
  EXPECT_EQ(bar.Picture()->Width(), 10);
  EXPECT_EQ(bar.Picture()->Height(), 13);
  EXPECT_TRUE(bar.ShowCaption());
  Shot(bar);
  EXPECT_FALSE(bar.ShowCaption());
  bar.SetShowCaption(true);
  Shot(bar);
  EXPECT_FALSE(bar.ShowCaption());
}

TEST(SkinProgressBarVertical, FillsFromTheBottomWithTheMirroredPicture) {
  TskinProgressBar bar;
  bar.SetOrientation(skinVertical);
  // Red on top, green underneath: mirrored, the red lands at the bottom.
  TBitmap picture(10, 20);
  picture.Canvas()->Brush.Color = Red;
  picture.Canvas()->FillRect(Rect(0, 0, 10, 10));
  picture.Canvas()->Brush.Color = Green;
  picture.Canvas()->FillRect(Rect(0, 10, 10, 20));
  bar.SetPicture(&picture);
  bar.SetColor(Blue);
  bar.SetBorderColor(Yellow);
  QImage shot = Shot(bar);
  // FilledLength(149) = 74, t = 75: the picture occupies rows 75 to 148, the colour the rows above.
  EXPECT_EQ(At(shot, 5, 147), Red);
  EXPECT_EQ(At(shot, 5, 115), Red);
  EXPECT_EQ(At(shot, 5, 110), Green);
  EXPECT_EQ(At(shot, 5, 78), Green);
  EXPECT_EQ(At(shot, 5, 74), Blue);
  EXPECT_EQ(At(shot, 5, 10), Blue);
  EXPECT_EQ(At(shot, 5, 149), Yellow);
  EXPECT_EQ(At(shot, 0, 40), Yellow);
}

TEST(SkinProgressBarSize, OnlyTheThicknessIsFixed) {
  DialogCounter dialogs;
  TskinProgressBar bar;
  bar.SetHeight(20);
  EXPECT_EQ(bar.height(), 12);
  bar.SetWidth(400);
  EXPECT_EQ(bar.width(), 400);
  bar.SetBounds(15, 496, 722, 30);
  EXPECT_EQ(bar.width(), 400);
  EXPECT_EQ(bar.x(), 15);
  bar.SetBounds(15, 496, 722, 12);
  EXPECT_EQ(bar.width(), 722);
  EXPECT_FALSE(bar.CanResize(150, 13));
  bar.SetOrientation(skinVertical);
  EXPECT_TRUE(bar.CanResize(12, 900));
  EXPECT_FALSE(bar.CanResize(722, 12));
  // Refusing a size is silent.
  EXPECT_EQ(dialogs.count, 0);
}

TEST(SkinProgressBarStyle, StyleReplacesHandSetLookButNotTheOtherWayRound) {
  TskinProgressBar bar;
  TBitmap solid = SolidBitmap(4, 10, Red);
  bar.SetPicture(&solid);
  bar.SetColor(Blue);
  bar.SetBorderColor(Green);
  bar.SetUIStyle(TskinUIStyle::WinXP);
  EXPECT_EQ(bar.Picture()->Width(), 6);
  EXPECT_EQ(bar.Color(), 0xDEEBEFu);
  EXPECT_EQ(bar.BorderColor(), 0x686868u);
  bar.SetColor(0xF7E1D0);
  bar.SetBorderColor(0xFFBE7D);
  EXPECT_EQ(bar.Color(), 0xF7E1D0u);
  EXPECT_EQ(bar.BorderColor(), 0xFFBE7Du);
}

TEST(SkinProgressBarStyle, ReadsAFileThemeAndFallsBackWhenItGoes) {
  TempFolder folder;
  ThemeFileWriter writer;
  writer.AddInteger("ControlBackgroundColor", 0x123456);
  writer.AddInteger("ControlBorderColor", 0x654321);
  writer.AddBitmap("ProgressBarImage", SolidBitmap(7, 10, Red));
  ASSERT_TRUE(writer.Save(folder.File("t.skt")));
  auto *theme = new TskinFileTheme;
  theme->SetThemeFile(folder.File("t.skt"));
  ASSERT_TRUE(theme->IsLoaded());

  TskinProgressBar bar;
  bar.SetUIStyle(TskinUIStyle::FromThemeFile);
  EXPECT_EQ(bar.Color(), 0xE8E8E8u);  // no theme yet: DeepBlue
  bar.SetFileTheme(theme);
  EXPECT_EQ(bar.Color(), 0x123456u);
  EXPECT_EQ(bar.BorderColor(), 0x654321u);
  EXPECT_EQ(bar.Picture()->Width(), 7);

  delete theme;
  EXPECT_EQ(bar.FileTheme(), nullptr);
  EXPECT_EQ(bar.UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(bar.Color(), 0xE8E8E8u);
}

TEST(SkinProgressBarMessages, EraseBackgroundErasesNothing) {
  TskinProgressBar bar;
  EXPECT_EQ(win::SendMessage(bar.Handle(), win::WM_ERASEBKGND, 0, 0), 1);
  EXPECT_TRUE(bar.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(SkinProgressBarLook, SavesTheDeepBlueBar) {
  TskinProgressBar bar;
  bar.SetWidth(300);
  bar.SetMax(200);
  bar.SetPosition(130);
  QImage shot = Shot(bar);
  EXPECT_TRUE(shot.save(testsupport::ShotPath("skinctl-progressbar.png")));
  TskinProgressBar macBar;
  macBar.SetUIStyle(TskinUIStyle::MacOS);
  macBar.SetWidth(300);
  macBar.SetPosition(65);
  EXPECT_TRUE(Shot(macBar).save(testsupport::ShotPath("skinctl-progressbar-macos.png")));
}
