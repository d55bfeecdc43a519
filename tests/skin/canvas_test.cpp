#include "canvas.h"

#include <QPainter>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include <sstream>

#include "skin_test_support.h"

namespace {

constexpr TColor Red = 0x0000FF, Blue = 0xFF0000, Green = 0x00FF00;

int CountPixels(TBitmap &bitmap, TColor color) {
  int n = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) n += bitmap.Canvas()->Pixel(x, y) == color;
  return n;
}

}  // namespace

TEST(SkinCanvasColors, SystemColorsComeFromTheClassicTable) {
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC8D0D4u);
  EXPECT_EQ(ColorToRGB(clHighlight), 0x6A240Au);
  EXPECT_EQ(ColorToRGB(clMenuText), 0u);
  EXPECT_EQ(ColorToRGB(0xFF0000FFu), 0u);  // past the table
  EXPECT_EQ(ColorToRGB(0x00123456u), 0x123456u);
}

TEST(SkinCanvasColors, RedIsTheLowestByte) {
  TBitmap bitmap = SolidBitmap(1, 1, Red);
  EXPECT_EQ(qRed(bitmap.Image().pixel(0, 0)), 255);
  EXPECT_EQ(qBlue(bitmap.Image().pixel(0, 0)), 0);
  EXPECT_EQ(bitmap.Canvas()->Pixel(0, 0), Red);
}

TEST(SkinCanvasShapes, FillRectLeavesOutRightAndBottomEdges) {
  TBitmap bitmap = SolidBitmap(10, 10, clWhite);
  bitmap.Canvas()->Brush.Color = Red;
  bitmap.Canvas()->FillRect(Rect(2, 3, 6, 8));
  EXPECT_EQ(bitmap.Canvas()->Pixel(2, 3), Red);
  EXPECT_EQ(bitmap.Canvas()->Pixel(5, 7), Red);
  EXPECT_EQ(bitmap.Canvas()->Pixel(6, 7), clWhite);
  EXPECT_EQ(bitmap.Canvas()->Pixel(5, 8), clWhite);
  EXPECT_EQ(CountPixels(bitmap, Red), 4 * 5);
}

TEST(SkinCanvasShapes, ClearBrushFillsNothing) {
  TBitmap bitmap = SolidBitmap(4, 4, clWhite);
  bitmap.Canvas()->Brush.Color = Red;
  bitmap.Canvas()->Brush.Style = TBrushStyle::bsClear;
  bitmap.Canvas()->FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(CountPixels(bitmap, Red), 0);
}

TEST(SkinCanvasShapes, RectangleOutlinesInsideItsRightAndBottomEdges) {
  TBitmap bitmap = SolidBitmap(10, 10, clWhite);
  TCanvas *c = bitmap.Canvas();
  c->Pen.Color = Red;
  c->Brush.Color = Blue;
  c->Rectangle(1, 1, 5, 6);
  EXPECT_EQ(c->Pixel(1, 1), Red);
  EXPECT_EQ(c->Pixel(4, 5), Red);  // corner at right - 1, bottom - 1
  EXPECT_EQ(c->Pixel(5, 5), clWhite);
  EXPECT_EQ(c->Pixel(4, 6), clWhite);
  EXPECT_EQ(c->Pixel(2, 2), Blue);
  EXPECT_EQ(CountPixels(bitmap, Blue), 2 * 3);
}

TEST(SkinCanvasShapes, RectangleWithoutPenIsOnePixelSmaller) {
  TBitmap bitmap = SolidBitmap(10, 10, clWhite);
  TCanvas *c = bitmap.Canvas();
  c->Pen.Style = TPenStyle::psClear;
  c->Brush.Color = Blue;
  c->Rectangle(0, 0, 5, 5);
  EXPECT_EQ(CountPixels(bitmap, Blue), 16);
}

TEST(SkinCanvasShapes, FrameRectDrawsOnePixelInside) {
  TBitmap bitmap = SolidBitmap(8, 8, clWhite);
  TCanvas *c = bitmap.Canvas();
  c->Brush.Color = Green;
  c->FrameRect(Rect(1, 1, 7, 7));
  EXPECT_EQ(c->Pixel(1, 1), Green);
  EXPECT_EQ(c->Pixel(6, 6), Green);
  EXPECT_EQ(c->Pixel(7, 7), clWhite);
  EXPECT_EQ(c->Pixel(3, 3), clWhite);
  EXPECT_EQ(CountPixels(bitmap, Green), 20);
}

TEST(SkinCanvasLines, LineLeavesOutItsEndPoint) {
  TBitmap bitmap = SolidBitmap(10, 10, clWhite);
  TCanvas *c = bitmap.Canvas();
  c->Pen.Color = Red;
  c->MoveTo(2, 4);
  c->LineTo(7, 4);
  EXPECT_EQ(c->Pixel(2, 4), Red);
  EXPECT_EQ(c->Pixel(6, 4), Red);
  EXPECT_EQ(c->Pixel(7, 4), clWhite);
  EXPECT_EQ(c->PenPos.X, 7);
  // Drawn backwards the start pixel is in and the end pixel is out, too.
  c->MoveTo(5, 9);
  c->LineTo(5, 6);
  EXPECT_EQ(c->Pixel(5, 9), Red);
  EXPECT_EQ(c->Pixel(5, 7), Red);
  EXPECT_EQ(c->Pixel(5, 6), clWhite);
}

TEST(SkinCanvasLines, DiagonalLineLeavesOutItsEndPoint) {
  TBitmap bitmap = SolidBitmap(10, 10, clWhite);
  TCanvas *c = bitmap.Canvas();
  c->Pen.Color = Red;
  c->MoveTo(0, 0);
  c->LineTo(4, 4);
  EXPECT_EQ(CountPixels(bitmap, Red), 4);
  EXPECT_EQ(c->Pixel(3, 3), Red);
  EXPECT_EQ(c->Pixel(4, 4), clWhite);
}

TEST(SkinCanvasLines, ZeroLengthLineDrawsNothing) {
  TBitmap bitmap = SolidBitmap(4, 4, clWhite);
  bitmap.Canvas()->Pen.Color = Red;
  bitmap.Canvas()->MoveTo(1, 1);
  bitmap.Canvas()->LineTo(1, 1);
  EXPECT_EQ(CountPixels(bitmap, Red), 0);
}

TEST(SkinCanvasText, AcceleratorsAreStripped) {
  std::vector<int> marks;
  EXPECT_EQ(StripAccelerators("&File", &marks), "File");
  EXPECT_EQ(marks, std::vector<int>{0});
  marks.clear();
  EXPECT_EQ(StripAccelerators("Save &As", &marks), "Save As");
  EXPECT_EQ(marks, std::vector<int>{5});
  marks.clear();
  EXPECT_EQ(StripAccelerators("R&&D", &marks), "R&D");
  EXPECT_TRUE(marks.empty());
  EXPECT_EQ(StripAccelerators("End&"), "End");
}

TEST(SkinCanvasText, AcceleratorUnderlinesOnlyTheNextCharacter) {
  auto draw = [](const std::string &text) {
    TBitmap bitmap = SolidBitmap(80, 30, clWhite);
    TCanvas *c = bitmap.Canvas();
    c->Font.Color = clBlack;
    c->Brush.Style = TBrushStyle::bsClear;
    TRect r = Rect(2, 2, 80, 30);
    win::DrawText(c, text, r, DT_SINGLELINE);
    return bitmap;
  };
  TBitmap marked = draw("W&ide");
  TBitmap plain = draw("Wide");
  TBitmap first = draw("W");
  int widthW = first.Canvas()->TextWidth("W");
  int widthI = first.Canvas()->TextWidth("i");
  // The two pictures differ only in one row, under the "i".
  int row = -1, minX = 1000, maxX = -1;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      if (marked.Canvas()->Pixel(x, y) == plain.Canvas()->Pixel(x, y)) continue;
      EXPECT_EQ(marked.Canvas()->Pixel(x, y), clBlack);
      if (row < 0) row = y;
      EXPECT_EQ(y, row);
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
    }
  ASSERT_GE(row, 0) << "no underline drawn";
  EXPECT_GE(minX, 2 + widthW - 1);
  EXPECT_LE(maxX, 2 + widthW + widthI);
}

TEST(SkinCanvasText, NoPrefixDrawsTheAmpersand) {
  TBitmap bitmap(10, 10);
  TRect r = Rect(0, 0, 0, 0);
  win::DrawText(bitmap.Canvas(), "a&b", r, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(r.Right, bitmap.Canvas()->TextWidth("a&b"));
  r = Rect(0, 0, 0, 0);
  win::DrawText(bitmap.Canvas(), "a&b", r, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(r.Right, bitmap.Canvas()->TextWidth("ab"));
  EXPECT_EQ(r.Bottom, bitmap.Canvas()->TextHeight("ab"));
}

TEST(SkinCanvasText, CentredTextSitsInTheMiddle) {
  TBitmap bitmap = SolidBitmap(100, 40, clWhite);
  TCanvas *c = bitmap.Canvas();
  c->Brush.Color = Red;  // an opaque background shows the text's box
  TRect r = Rect(0, 0, 100, 40);
  int h = win::DrawText(c, "   ", r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  int w = c->TextWidth("   ");
  EXPECT_EQ(c->Pixel((100 - w) / 2, (40 - h) / 2), Red);
  EXPECT_EQ(c->Pixel((100 - w) / 2 - 1, (40 - h) / 2), clWhite);
  EXPECT_EQ(CountPixels(bitmap, Red), w * h);
}

TEST(SkinCanvasText, TextOutWithClearBrushKeepsTheBackground) {
  TBitmap bitmap = SolidBitmap(40, 20, clWhite);
  TCanvas *c = bitmap.Canvas();
  c->Brush.Color = Red;
  c->Brush.Style = TBrushStyle::bsClear;
  c->TextOut(0, 0, "  ");
  EXPECT_EQ(CountPixels(bitmap, Red), 0);
  c->Brush.Style = TBrushStyle::bsSolid;
  c->TextOut(0, 0, "  ");
  EXPECT_EQ(CountPixels(bitmap, Red), c->TextWidth("  ") * c->TextHeight("  "));
}

TEST(SkinCanvasRasterOps, CombineSourceAndDestinationBitwise) {
  struct Case {
    std::uint32_t rop;
    TColor expected;
  };
  const TColor source = 0x0F0F0F, dest = 0x3C3C3C, brush = 0x550055;
  const Case cases[] = {
      {SRCCOPY, source},
      {SRCAND, source & dest},
      {SRCPAINT, source | dest},
      {SRCINVERT, source ^ dest},
      {SRCERASE, source & (~dest & 0xFFFFFF)},
      {NOTSRCCOPY, ~source & 0xFFFFFF},
      {NOTSRCERASE, ~(source | dest) & 0xFFFFFF},
      {MERGECOPY, source & brush},
      {MERGEPAINT, (~source & 0xFFFFFF) | dest},
      {PATCOPY, brush},
      {PATINVERT, brush ^ dest},
      {DSTINVERT, ~dest & 0xFFFFFF},
      {BLACKNESS, 0},
      {WHITENESS, 0xFFFFFF},
  };
  TBitmap src = SolidBitmap(3, 3, source);
  for (const Case &test : cases) {
    TBitmap dst = SolidBitmap(3, 3, dest);
    dst.Canvas()->Brush.Color = brush;
    ASSERT_TRUE(win::BitBlt(dst.Canvas(), 1, 1, 2, 2, src.Canvas(), 0, 0, test.rop));
    EXPECT_EQ(dst.Canvas()->Pixel(1, 1), test.expected) << std::hex << test.rop;
    EXPECT_EQ(dst.Canvas()->Pixel(0, 0), dest) << std::hex << test.rop;
  }
}

TEST(SkinCanvasRasterOps, StretchBltRepeatsPixelsAndMirrorsOnReversedExtent) {
  TBitmap src(2, 1);
  src.Canvas()->SetPixel(0, 0, Red);
  src.Canvas()->SetPixel(1, 0, Blue);
  TBitmap dst = SolidBitmap(4, 2, clWhite);
  win::StretchBlt(dst.Canvas(), 0, 0, 4, 1, src.Canvas(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.Canvas()->Pixel(0, 0), Red);
  EXPECT_EQ(dst.Canvas()->Pixel(1, 0), Red);
  EXPECT_EQ(dst.Canvas()->Pixel(2, 0), Blue);
  EXPECT_EQ(dst.Canvas()->Pixel(3, 0), Blue);
  // A negative width covers the pixels before the start, mirrored.
  win::StretchBlt(dst.Canvas(), 3, 1, -4, 1, src.Canvas(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.Canvas()->Pixel(0, 1), Blue);
  EXPECT_EQ(dst.Canvas()->Pixel(3, 1), Red);
}

TEST(SkinCanvasRasterOps, StretchDrawOfReversedRectangleMirrorsUpsideDown) {
  TBitmap src(1, 2);
  src.Canvas()->SetPixel(0, 0, Red);
  src.Canvas()->SetPixel(0, 1, Blue);
  TBitmap dst = SolidBitmap(1, 4, clWhite);
  dst.Canvas()->StretchDraw(Rect(0, 3, 1, 1), &src);  // covers rows 2 and 3
  EXPECT_EQ(dst.Canvas()->Pixel(0, 1), clWhite);
  EXPECT_EQ(dst.Canvas()->Pixel(0, 2), Blue);
  EXPECT_EQ(dst.Canvas()->Pixel(0, 3), Red);
}

TEST(SkinCanvasDraw, TransparentBitmapLeavesOutItsBottomLeftColour) {
  TBitmap sprite = SolidBitmap(3, 3, Green);
  sprite.Canvas()->SetPixel(1, 1, Red);
  sprite.Transparent = true;
  TBitmap dst = SolidBitmap(3, 3, clWhite);
  dst.Canvas()->Draw(0, 0, &sprite);
  EXPECT_EQ(dst.Canvas()->Pixel(1, 1), Red);
  EXPECT_EQ(CountPixels(dst, clWhite), 8);
  sprite.Transparent = false;
  dst.Canvas()->Draw(0, 0, &sprite);
  EXPECT_EQ(CountPixels(dst, Green), 8);
}

TEST(SkinCanvasBrush, PatternBrushTilesFromTheOrigin) {
  TBitmap pattern(2, 2);
  pattern.Canvas()->SetPixel(0, 0, Red);
  pattern.Canvas()->SetPixel(1, 0, Blue);
  pattern.Canvas()->SetPixel(0, 1, Blue);
  pattern.Canvas()->SetPixel(1, 1, Red);
  TBitmap dst = SolidBitmap(6, 6, clWhite);
  dst.Canvas()->Brush.SetBitmap(&pattern);
  dst.Canvas()->FillRect(Rect(1, 1, 5, 5));
  EXPECT_EQ(dst.Canvas()->Pixel(1, 1), Red);
  EXPECT_EQ(dst.Canvas()->Pixel(2, 1), Blue);
  EXPECT_EQ(dst.Canvas()->Pixel(3, 3), Red);
  EXPECT_EQ(dst.Canvas()->Pixel(0, 0), clWhite);
}

TEST(SkinCanvasShapes, PolygonFillsItsInside) {
  TBitmap dst = SolidBitmap(12, 12, clWhite);
  TCanvas *c = dst.Canvas();
  c->Pen.Color = Red;
  c->Brush.Color = Red;
  c->Polygon({{2, 2}, {8, 2}, {5, 5}});
  EXPECT_EQ(c->Pixel(5, 3), Red);
  EXPECT_EQ(c->Pixel(2, 6), clWhite);
  EXPECT_EQ(c->Pixel(9, 3), clWhite);
}

TEST(SkinCanvasBitmap, SidesSetOneAfterTheOtherAreKept) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  bitmap.SetWidth(10);
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_TRUE(bitmap.Empty());
  bitmap.SetHeight(5);
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_EQ(bitmap.Height(), 5);
  EXPECT_FALSE(bitmap.Empty());
}

TEST(SkinCanvasBitmap, ResizingKeepsPixelsAndWhitensTheRest) {
  TBitmap bitmap = SolidBitmap(2, 2, Red);
  bitmap.SetSize(3, 1);
  EXPECT_EQ(bitmap.Canvas()->Pixel(1, 0), Red);
  EXPECT_EQ(bitmap.Canvas()->Pixel(2, 0), clWhite);
  EXPECT_EQ(bitmap.Canvas()->Pixel(0, 1), CLR_INVALID);
}

TEST(SkinCanvasBitmap, SavesAndLoadsBmpFiles) {
  TempFolder folder;
  TBitmap bitmap = SolidBitmap(5, 3, Blue);
  bitmap.Canvas()->SetPixel(4, 2, Red);
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  ASSERT_TRUE(bitmap.SaveToFile(folder.File("a.bmp")));
  EXPECT_EQ(ReadFile(folder.File("a.bmp")).substr(0, 2), "BM");
  TBitmap loaded;
  ASSERT_TRUE(loaded.LoadFromFile(folder.File("a.bmp")));
  EXPECT_EQ(loaded.Width(), 5);
  EXPECT_EQ(loaded.Height(), 3);
  EXPECT_EQ(loaded.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(loaded.Canvas()->Pixel(4, 2), Red);
  EXPECT_EQ(loaded.Canvas()->Pixel(0, 0), Blue);
}

TEST(SkinCanvasBitmap, UnreadableInputLeavesTheBitmapUnchanged) {
  TempFolder folder;
  TBitmap bitmap = SolidBitmap(2, 2, Red);
  EXPECT_FALSE(bitmap.LoadFromFile(folder.File("missing.bmp")));
  // A picture file far beyond any picture is not read at all.
  ASSERT_TRUE(bitmap.SaveToFile(folder.File("huge.bmp")));
  std::filesystem::resize_file(folder.File("huge.bmp"), 1ull << 30);
  EXPECT_FALSE(bitmap.LoadFromFile(folder.File("huge.bmp")));
  std::istringstream garbage("BM not really a bitmap");
  EXPECT_FALSE(bitmap.LoadFromStream(garbage));
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.Canvas()->Pixel(1, 1), Red);
  EXPECT_FALSE(bitmap.LoadFromResourceName("NO_SUCH_PICTURE"));
}

TEST(SkinCanvasBitmap, CopiesAreIndependent) {
  TBitmap a = SolidBitmap(2, 2, Red);
  TBitmap b = a;
  b.Canvas()->SetPixel(0, 0, Blue);
  EXPECT_EQ(a.Canvas()->Pixel(0, 0), Red);
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), Blue);
}

namespace {

// A widget that paints through a window canvas.
class CanvasWidget : public QWidget {
public:
  std::function<void(TCanvas &)> OnPaint;

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    TCanvas canvas(&painter, this);
    if (OnPaint) OnPaint(canvas);
  }
};

TColor GrabbedPixel(const QImage &image, int x, int y) { return QRgbToColor(image.pixel(x, y)); }

}  // namespace

TEST(SkinWindowCanvas, DrawsWithTheSameRules) {
  TBitmap source = SolidBitmap(2, 2, 0x0F0F0F);
  TBitmap sprite = SolidBitmap(2, 2, Green);
  sprite.Canvas()->SetPixel(1, 0, Red);
  sprite.Transparent = true;
  CanvasWidget widget;
  widget.resize(20, 20);
  widget.OnPaint = [&](TCanvas &c) {
    EXPECT_EQ(c.Window(), &widget);
    c.Brush.Color = 0x3C3C3C;
    c.FillRect(Rect(0, 0, 20, 20));
    c.Brush.Color = Blue;
    c.FillRect(Rect(2, 2, 5, 5));
    c.Pen.Color = Red;
    c.MoveTo(0, 10);
    c.LineTo(5, 10);
    win::BitBlt(&c, 10, 10, 2, 2, source.Canvas(), 0, 0, SRCAND);
    c.Draw(14, 14, &sprite);
  };
  QImage shot = widget.grab().toImage();
  EXPECT_EQ(GrabbedPixel(shot, 4, 4), Blue);
  EXPECT_EQ(GrabbedPixel(shot, 5, 5), 0x3C3C3Cu);
  EXPECT_EQ(GrabbedPixel(shot, 4, 10), Red);
  EXPECT_EQ(GrabbedPixel(shot, 5, 10), 0x3C3C3Cu);
  EXPECT_EQ(GrabbedPixel(shot, 10, 10), 0x0C0C0Cu);
  EXPECT_EQ(GrabbedPixel(shot, 15, 14), Red);
  EXPECT_EQ(GrabbedPixel(shot, 14, 14), 0x3C3C3Cu);  // the sprite's transparent colour
}

TEST(SkinWindowCanvas, PainterOnAnImageReadsItsPixels) {
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  TCanvas canvas(&painter, nullptr);
  canvas.SetPixel(1, 1, Red);
  painter.end();
  EXPECT_EQ(QRgbToColor(image.pixel(1, 1)), Red);
  EXPECT_EQ(canvas.Window(), nullptr);
}
