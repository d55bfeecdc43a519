#pragma once
// The end-of-show screen: black, one white line of text, and a strip over the top five rows in colours
// so near black that a person sees none of it, yet a capture at 16, 24 or 32 bits keeps them exactly.
// The strip is drawn pixel by pixel from fixed positions (no fonts, no scaling), so that a capture of
// any size shows the same pixels at the same places and no slide or loading page can match it.
#include <QImage>

class QPainter;

namespace endscreen {

constexpr int StripRows = 5;
constexpr const char *EndOfShowText = "End of slide show, click to exit.";

// Colour of the strip's pixel at column x of row y (0 <= y < StripRows).
QRgb StripPixel(int x, int y);
// Draws the screen over the area (0, 0, width, height) of the painter's device, unscaled.
void DrawEndOfShowScreen(QPainter &painter, int width, int height);
// The screen as a `width` x `height` 32-bit RGB picture.
QImage EndOfShowScreen(int width, int height);

}  // namespace endscreen
