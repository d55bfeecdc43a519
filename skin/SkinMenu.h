#pragma once
// The pieces from which both skinned menus draw their items.
#include <string>

#include "SkinThemes.h"
#include "canvas.h"

class QImage;
class TFont;
class TImageList;
class TskinFileTheme;
class TskinMenuItem;

// Gives the item and every item below it, depth first, the same measure and draw handlers. The item
// type is the menu's: it has OnMeasureItem and OnDrawItem events, Count() and Items(i).
template <class Item, class MeasureHandler, class DrawHandler>
void HookMenuItemEvents(Item *item, const MeasureHandler &measure, const DrawHandler &draw) {
  if (!item) return;
  item->OnDrawItem = draw;
  item->OnMeasureItem = measure;
  for (int i = 0; i < item->Count(); ++i) HookMenuItemEvents(item->Items(i), measure, draw);
}

// A 1-pixel frame along the rectangle's inner edge.
void FrameMenuRect(TCanvas *canvas, const TRect &rect, TColor color);
void FillMenuRect(TCanvas *canvas, const TRect &rect, TColor color);
// A line at Top + 2 from Left + barWidth + 4 up to, not including, Right - 2.
void DrawMenuSeparatorLine(TCanvas *canvas, const TRect &rect, TColor color, int barWidth);
void DrawMacSeparatorStrip(TCanvas *canvas, const TRect &rect);
void DrawMacItemStrip(TCanvas *canvas, const TRect &rect);
void DrawMacSelectedStrip(TCanvas *canvas, const TRect &rect);
// Draws over the frame of the menu window whose canvas this is; `windowRect` is the window's
// rectangle in screen coordinates and the canvas's origin its top-left corner.
void DrawFlatMenuBorder(TCanvas *windowCanvas, const TRect &windowRect, TColor borderColor, TColor lineColor);
// The same for a canvas that belongs to a window: the window's own screen rectangle.
void DrawFlatMenuBorder(TCanvas *windowCanvas, TColor borderColor, TColor lineColor);
// The system's menu font in the menu-text colour; false (the font unchanged) when there is none.
bool SetSystemMenuFont(TFont *font);

// A menu colour item from the file theme when it is in use, else from the style it stands for.
TColor MenuThemeColor(const TskinFileTheme *fileTheme, TskinUIStyle style, int item);

// What an owner-drawn item looks like: the skinned menus' properties at the time of drawing.
struct TMenuItemLook {
  bool Mac = false;
  int MenuItemHeight = 21;
  int SeparatorHeight = 21;
  int BarWidth = 0;
  TColor BarColor = clBtnFace;
  TColor Color = clWhite;
  TColor SeparatorColor = 0x808080;
  TColor SelectedBorderColor = clHighlight;
  TColor SelectedColor = clHighlight;
  TColor SelectedFontColor = clWhite;
  TColor FontColor = clWhite;
  bool FlatMenu = false;
  TColor FlatLineColor = 0;
  std::string FontName;
  int FontSize = 8;
  int FontCharset = 1;
  bool UseSystemFont = true;
};

// The look of a skinned menu (main or popup), read through its properties.
template <class Menu>
TMenuItemLook MenuItemLookOf(const Menu &menu) {
  TMenuItemLook look;
  look.Mac = menu.UIStyle() == TskinUIStyle::MacOS;
  look.MenuItemHeight = menu.MenuItemHeight();
  look.SeparatorHeight = menu.SeparatorHeight();
  look.BarWidth = menu.BarWidth();
  look.BarColor = menu.BarColor();
  look.Color = menu.Color();
  look.SeparatorColor = menu.SeparatorColor();
  look.SelectedBorderColor = menu.SelectedBorderColor();
  look.SelectedColor = menu.SelectedColor();
  look.SelectedFontColor = menu.SelectedFontColor();
  look.FontColor = menu.FontColor();
  look.FlatMenu = menu.FlatMenu();
  if (look.FlatMenu) look.FlatLineColor = MenuThemeColor(menu.FileTheme(), menu.UIStyle(), 15);
  look.FontName = menu.FontName();
  look.FontSize = menu.FontSize();
  look.FontCharset = menu.FontCharset();
  look.UseSystemFont = menu.UseSystemFont();
  return look;
}

// Draws a picture of an image list at (x, y); `enabled` false draws it greyed.
using MenuPictureDrawer = void (*)(TCanvas *canvas, const QImage &picture, int x, int y, bool enabled);

void MeasureSkinMenuItem(const TMenuItemLook &look, TskinMenuItem *item, TCanvas *canvas, int &width, int &height);
// `checkMark` is drawn for a checked item without a usable icon of `images`; a null picture draws none.
void DrawSkinMenuItem(const TMenuItemLook &look, TskinMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected,
                      TImageList *images, const QImage &checkMark, MenuPictureDrawer drawPicture);
