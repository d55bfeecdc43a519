#include "SkinMenu.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

#include "SkinMgr.h"
#include "SkinPopupMenu.h"
#include "win.h"

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

TColor MenuThemeColor(const TskinFileTheme *fileTheme, TskinUIStyle style, int item) {
  TskinUIStyle effective;
  if (UsingFileTheme(fileTheme, style, effective)) return fileTheme->GetColor(item);
  return GetStyleColor(effective, item);
}

void MeasureSkinMenuItem(const TMenuItemLook &look, TskinMenuItem *item, TCanvas *canvas, int &width, int &height) {
  if (!item || !canvas) return;
  height = item->IsSeparator() ? look.SeparatorHeight : look.MenuItemHeight;
  width = canvas->TextWidth(item->Caption()) + canvas->TextWidth(ShortCutToText(item->ShortCut())) + look.BarWidth + 40;
}

void DrawSkinMenuItem(const TMenuItemLook &look, TskinMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected,
                      TImageList *images, const QImage &checkMark, MenuPictureDrawer drawPicture) {
  if (!item || !canvas) return;
  const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;

  if (look.FlatMenu && canvas->Window()) DrawFlatMenuBorder(canvas, clBlack, look.FlatLineColor);

  auto barAndBackground = [&] {
    if (look.BarWidth > 0) FillMenuRect(canvas, Rect(L, T, L + look.BarWidth, B), look.BarColor);
    FillMenuRect(canvas, Rect(L + look.BarWidth, T, R, B), look.Color);
  };

  if (item->IsSeparator()) {
    if (look.Mac) {
      DrawMacSeparatorStrip(canvas, rect);
    } else {
      barAndBackground();
      DrawMenuSeparatorLine(canvas, rect, look.SeparatorColor, look.BarWidth);
    }
    return;
  }

  const bool enabled = item->Enabled();
  if (selected && enabled) {
    if (look.Mac) {
      DrawMacSelectedStrip(canvas, rect);
    } else {
      FillMenuRect(canvas, rect, look.SelectedColor);
      FrameMenuRect(canvas, rect, look.SelectedBorderColor);
    }
  } else if (look.Mac) {
    DrawMacItemStrip(canvas, rect);
  } else {
    barAndBackground();
  }

  if (!look.UseSystemFont || !SetSystemMenuFont(&canvas->Font)) {
    canvas->Font.Name = look.FontName;
    canvas->Font.SetSize(look.FontSize);
    canvas->Font.Charset = look.FontCharset;
  }
  canvas->Brush.Style = TBrushStyle::bsClear;
  canvas->Font.Color = !enabled ? clGray : selected ? look.SelectedFontColor : look.FontColor;
  if (item->Default())
    canvas->Font.Style |= fsBold;
  else
    canvas->Font.Style &= ~unsigned(fsBold);

  TRect textRect = Rect(L + look.BarWidth + 4, T + 4, R, B);
  win::DrawText(canvas, item->Caption(), textRect, DT_SINGLELINE);
  std::string shortCut = ShortCutToText(item->ShortCut());
  if (!shortCut.empty()) canvas->TextOut(R - canvas->TextWidth(shortCut) - 16, T + 4, shortCut);

  const bool icon = item->ImageIndex() != -1 && images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count();
  if (item->Checked()) {
    if (icon) {
      canvas->Brush.Style = TBrushStyle::bsSolid;
      FrameMenuRect(canvas, Rect(L + 2, T + 1, L + 21, T + 20), clBlack);
      FillMenuRect(canvas, Rect(L + 3, T + 2, L + 20, T + 19), look.SelectedColor);
    } else if (!checkMark.isNull()) {
      drawPicture(canvas, checkMark, L + 4, T + 3, enabled);
    }
  }
  if (icon) drawPicture(canvas, images->Image(item->ImageIndex()), L + 4, T + 3, enabled);
}
