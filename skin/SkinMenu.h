#pragma once
// The pieces from which both skinned menus draw their items.
#include "canvas.h"

class TFont;

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
