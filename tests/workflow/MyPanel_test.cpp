#include "MyPanel.h"

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

// Two colour fields side by side: what the glass lies over.
class Backdrop : public QWidget {
public:
  using QWidget::QWidget;
  static inline const QColor Left{200, 100, 50};
  static inline const QColor Right{10, 20, 240};

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    painter.fillRect(0, 0, width() / 2, height(), Left);
    painter.fillRect(width() / 2, 0, width() - width() / 2, height(), Right);
  }
};

class Solid : public QWidget {
public:
  Solid(QWidget *parent, QColor color) : QWidget(parent), FColor(color) {}

protected:
  void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), FColor); }

private:
  QColor FColor;
};

// A parent with the backdrop at 0,0 (120 x 60) and the glass over it from (20, 10), 80 x 40.
struct Rig {
  Rig() {
    Parent.resize(200, 100);
    Parent.setAttribute(Qt::WA_DontShowOnScreen);
    Under = new Backdrop(&Parent);
    Under->setGeometry(0, 0, 120, 60);
    Glass = new TGlass(&Parent);
    Glass->setGeometry(20, 10, 80, 40);
    Parent.show();
  }
  // The parent as it paints itself, glass included.
  QImage Shot() {
    QImage image(Parent.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    win::PrintWindow(win::HandleOf(&Parent), image);
    return image;
  }
  QApplication &App = testsupport::App();
  QWidget Parent;
  Backdrop *Under;
  TGlass *Glass;
};

QColor At(const QImage &image, int x, int y) { return image.pixelColor(x, y); }

QColor Inverse(QColor c) { return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); }

}  // namespace

TEST(GlassCreation, StartsAsTheDesignSays) {
  testsupport::App();
  TGlass glass;
  EXPECT_EQ(glass.ControlStyle(), TGlass::csAcceptsControls | TGlass::csCaptureMouse | TGlass::csClickEvents |
                                      TGlass::csDoubleClicks | TGlass::csReplicatable);
  EXPECT_FALSE(glass.ControlStyle() & TGlass::csOpaque);
  EXPECT_FALSE(glass.testAttribute(Qt::WA_OpaquePaintEvent)) << "what lies beneath must show through";
  EXPECT_EQ(glass.size(), QSize(100, 100));
  EXPECT_EQ(glass.Style(), TGlassStyle::gsSrcAnd);
  EXPECT_EQ(glass.Color(), clWhite);
  EXPECT_FALSE(glass.Ctl3D());
  EXPECT_FALSE(glass.ParentCtl3D());
  EXPECT_FALSE(glass.ParentColor());
  EXPECT_EQ(win::GetClassName(glass.Handle()), "TGlass");
}

TEST(GlassCreation, StylesSelectTheirRasterOperationsInOrder) {
  const std::uint32_t expected[] = {0x00000042, 0x00550009, 0x00C000CA, 0x00BB0226, 0x00330008,
                                    0x001100A6, 0x00F00021, 0x005A0049, 0x00FB0A09, 0x008800C6,
                                    0x00CC0020, 0x00440328, 0x00660046, 0x00EE0086, 0x00FF0062};
  for (int i = 0; i < 15; ++i)
    EXPECT_EQ(GlassRasterOp(static_cast<TGlassStyle>(i)), expected[i]) << "style " << i;
}

TEST(GlassPainting, DefaultGlassPaintsExactlyWhatLiesBeneath) {
  Rig rig;
  QImage shot = rig.Shot();
  EXPECT_EQ(At(shot, 25, 15), Backdrop::Left);
  EXPECT_EQ(At(shot, 95, 45), Backdrop::Right);
  EXPECT_EQ(At(shot, 59, 30), Backdrop::Left) << "the backdrop's seam stays where it was";
  EXPECT_EQ(At(shot, 60, 30), Backdrop::Right);
}

TEST(GlassPainting, SourceCopyIgnoresTheColour) {
  Rig rig;
  rig.Glass->SetStyle(TGlassStyle::gsSrcCopy);
  rig.Glass->SetColor(clRed);
  QImage shot = rig.Shot();
  EXPECT_EQ(At(shot, 25, 15), Backdrop::Left);
  EXPECT_EQ(At(shot, 95, 45), Backdrop::Right);
}

TEST(GlassPainting, SourceAndWithAColourMasksWhatLiesBeneath) {
  Rig rig;
  rig.Glass->SetColor(0x00F00F);  // red 0x0F, green 0xF0, blue 0x00
  QImage shot = rig.Shot();
  auto masked = [](QColor c) { return QColor(c.red() & 0x0F, c.green() & 0xF0, 0); };
  EXPECT_EQ(At(shot, 25, 15), masked(Backdrop::Left));
  EXPECT_EQ(At(shot, 95, 45), masked(Backdrop::Right));
}

TEST(GlassPainting, StylesThatIgnoreTheSourcePaintFromTheColourAlone) {
  Rig rig;
  const TColor colour = 0x102030;  // red 0x30, green 0x20, blue 0x10
  rig.Glass->SetColor(colour);
  rig.Glass->SetStyle(TGlassStyle::gsDstInvert);
  EXPECT_EQ(At(rig.Shot(), 30, 20), Inverse(QColor(0x30, 0x20, 0x10)));
  rig.Glass->SetStyle(TGlassStyle::gsPatCopy);
  EXPECT_EQ(At(rig.Shot(), 30, 20), QColor(0x30, 0x20, 0x10));
  rig.Glass->SetStyle(TGlassStyle::gsWhiteness);
  EXPECT_EQ(At(rig.Shot(), 30, 20), QColor(Qt::white));
  rig.Glass->SetStyle(TGlassStyle::gsBlackness);
  EXPECT_EQ(At(rig.Shot(), 95, 45), QColor(Qt::black));
}

TEST(GlassPainting, NotSourceCopyInvertsWhatLiesBeneath) {
  Rig rig;
  rig.Glass->SetStyle(TGlassStyle::gsNotSrcCopy);
  QImage shot = rig.Shot();
  EXPECT_EQ(At(shot, 25, 15), Inverse(Backdrop::Left));
  EXPECT_EQ(At(shot, 95, 45), Inverse(Backdrop::Right));
}

TEST(GlassPainting, OnlySiblingsBelowTheGlassShowThrough) {
  Rig rig;
  auto *above = new Solid(&rig.Parent, QColor(0, 255, 0));
  above->setGeometry(90, 40, 30, 20);  // over the glass's bottom-right corner
  above->show();
  QImage shot = rig.Shot();
  EXPECT_EQ(At(shot, 95, 45), QColor(0, 255, 0)) << "the sibling above covers the glass";
  rig.Glass->SetStyle(TGlassStyle::gsNotSrcCopy);
  shot = rig.Shot();
  EXPECT_EQ(At(shot, 85, 45), Inverse(Backdrop::Right)) << "and is not part of what lies beneath it";
  EXPECT_EQ(At(shot, 95, 45), QColor(0, 255, 0));
}

TEST(GlassPainting, Ctl3DDrawsARaisedInnerEdge) {
  Rig rig;
  rig.Glass->SetCtl3D(true);
  QImage shot = rig.Shot();
  QColor highlight = ToQColor(clBtnHighlight), shadow = ToQColor(clBtnShadow);
  // Glass corners: (20, 10) top-left, (99, 49) bottom-right.
  EXPECT_EQ(At(shot, 20, 10), highlight);
  EXPECT_EQ(At(shot, 50, 10), highlight);
  EXPECT_EQ(At(shot, 20, 30), highlight);
  EXPECT_EQ(At(shot, 99, 49), shadow);
  EXPECT_EQ(At(shot, 50, 49), shadow);
  EXPECT_EQ(At(shot, 99, 10), shadow) << "the shadow owns the top-right corner";
  EXPECT_EQ(At(shot, 20, 49), shadow) << "and the bottom-left one";
  EXPECT_EQ(At(shot, 21, 11), Backdrop::Left) << "inside the edge the glass stays clear";
}

TEST(GlassProperties, OnlyAChangedValueRepaints) {
  Rig rig;
  win::PumpUntil([] { return false; }, 100);
  int paints = 0;
  rig.Glass->OnPaint = [&] { ++paints; };
  rig.Glass->SetColor(clWhite);
  rig.Glass->SetStyle(TGlassStyle::gsSrcAnd);
  rig.Glass->SetCtl3D(false);
  win::PumpUntil([] { return false; }, 100);
  EXPECT_EQ(paints, 0) << "setting the values it already has changes nothing";
  rig.Glass->SetStyle(TGlassStyle::gsSrcCopy);
  EXPECT_TRUE(win::PumpUntil([&] { return paints > 0; }, 2000));
  EXPECT_EQ(rig.Glass->Style(), TGlassStyle::gsSrcCopy);
}

TEST(GlassProperties, ClientAlignmentFollowsTheParent) {
  Rig rig;
  rig.Glass->SetAlign(TGlass::alClient);
  EXPECT_EQ(rig.Glass->geometry(), QRect(0, 0, 200, 100));
  rig.Parent.resize(300, 150);
  EXPECT_EQ(rig.Glass->geometry(), QRect(0, 0, 300, 150));
  rig.Glass->SetAlign(TGlass::alNone);
  rig.Parent.resize(250, 120);
  EXPECT_EQ(rig.Glass->geometry(), QRect(0, 0, 300, 150)) << "without alignment it keeps its place";
}
