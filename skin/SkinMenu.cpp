#include "SkinMenu.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

void FrameMenuRect(TCanvas *canvas, const TRect &rect, TColor color) {
  if (!canvas) return;
  canvas->Brush.SetBitmap(nullptr);
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->Brush.Color = color;
  canvas->FrameRect(rect);
}

void FillMenuRect(TCanvas *canvas, const TRect &rect, TColor color) {
  if (!canvas) return;
  canvas->Brush.SetBitmap(nullptr);
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->Brush.Color = color;
  canvas->FillRect(rect);
}

void DrawMenuSeparatorLine(TCanvas *canvas, const TRect &rect, TColor color, int barWidth) {
  if (!canvas) return;
  canvas->Pen.Style = TPenStyle::psSolid;
  canvas->Pen.Width = 1;
  canvas->Pen.Color = color;
  canvas->MoveTo(rect.Left + barWidth + 4, rect.Top + 2);
  canvas->LineTo(rect.Right - 2, rect.Top + 2);
}

namespace {

// The top `rows` rows of a strip picture, stretched over the rectangle.
void DrawStrip(TCanvas *canvas, const TRect &rect, const char *name, int rows) {
  if (!canvas) return;
  TBitmap strip;
  if (!strip.LoadFromResourceName(name)) return;
  strip.SetHeight(rows);
  canvas->StretchDraw(rect, &strip);
}

}  // namespace

void DrawMacSeparatorStrip(TCanvas *canvas, const TRect &rect) { DrawStrip(canvas, rect, "MACOS_MENU_BAR", 12); }

void DrawMacItemStrip(TCanvas *canvas, const TRect &rect) { DrawStrip(canvas, rect, "MACOS_MENU_BAR", 20); }

void DrawMacSelectedStrip(TCanvas *canvas, const TRect &rect) { DrawStrip(canvas, rect, "MACOS_MENU_SELECT", 20); }

void DrawFlatMenuBorder(TCanvas *windowCanvas, const TRect &windowRect, TColor borderColor, TColor lineColor) {
  if (!windowCanvas) return;
  // Screen coordinates, moved to the window's own origin.
  const int L = 0, T = 0, R = windowRect.Width(), B = windowRect.Height();
  TCanvas *c = windowCanvas;
  c->Brush.SetBitmap(nullptr);
  c->Brush.Style = TBrushStyle::bsSolid;
  c->Brush.Color = borderColor;
  c->FrameRect(Rect(L, T + 1, R - 1, B - 1));
  c->Brush.Color = clWhite;
  c->FrameRect(Rect(L + 1, T + 2, R - 2, B - 2));
  c->Pen.Style = TPenStyle::psSolid;
  c->Pen.Width = 1;
  c->Pen.Color = lineColor;
  c->MoveTo(L, B - 1);
  c->LineTo(R - 1, B - 1);
  c->LineTo(R - 1, T);
  c->LineTo(R, T);
  c->LineTo(L, T);
}

void DrawFlatMenuBorder(TCanvas *windowCanvas, TColor borderColor, TColor lineColor) {
  if (!windowCanvas || !windowCanvas->Window()) return;
  QWidget *window = windowCanvas->Window();
  QPoint origin = window->mapToGlobal(QPoint(0, 0));
  DrawFlatMenuBorder(windowCanvas, Bounds(origin.x(), origin.y(), window->width(), window->height()), borderColor,
                     lineColor);
}

bool SetSystemMenuFont(TFont *font) {
  if (!font || !qobject_cast<QApplication *>(QCoreApplication::instance())) return false;
  font->Assign(QApplication::font("QMenu"));
  font->Color = clMenuText;
  return true;
}
