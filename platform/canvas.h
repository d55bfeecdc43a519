#pragma once
// GDI drawing over QPainter: colours as 0x00BBGGRR with a fixed table of system colours, bitmaps that
// load and save BMP files, and a canvas that keeps GDI's pixel rules (rectangles and fills leave out
// their right and bottom edges, lines leave out their end point, blits combine by raster operation).
#include <QImage>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class QWidget;
class QFont;
class QColor;
class QByteArray;

// ---- Colours ----

using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;

// A colour whose highest byte is 0xFF names the system colour of its lowest byte.
constexpr TColor clScrollBar = 0xFF000000;
constexpr TColor clBackground = 0xFF000001;
constexpr TColor clActiveCaption = 0xFF000002;
constexpr TColor clInactiveCaption = 0xFF000003;
constexpr TColor clMenu = 0xFF000004;
constexpr TColor clWindow = 0xFF000005;
constexpr TColor clWindowFrame = 0xFF000006;
constexpr TColor clMenuText = 0xFF000007;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clCaptionText = 0xFF000009;
constexpr TColor clActiveBorder = 0xFF00000A;
constexpr TColor clInactiveBorder = 0xFF00000B;
constexpr TColor clAppWorkSpace = 0xFF00000C;
constexpr TColor clHighlight = 0xFF00000D;
constexpr TColor clHighlightText = 0xFF00000E;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;
constexpr TColor clGrayText = 0xFF000011;
constexpr TColor clBtnText = 0xFF000012;
constexpr TColor clInactiveCaptionText = 0xFF000013;
constexpr TColor clBtnHighlight = 0xFF000014;
constexpr TColor cl3DDkShadow = 0xFF000015;
constexpr TColor cl3DLight = 0xFF000016;
constexpr TColor clInfoText = 0xFF000017;
constexpr TColor clInfoBk = 0xFF000018;
constexpr TColor clHotLight = 0xFF00001A;
constexpr TColor clGradientActiveCaption = 0xFF00001B;
constexpr TColor clGradientInactiveCaption = 0xFF00001C;
constexpr TColor clMenuHighlight = 0xFF00001D;
constexpr TColor clMenuBar = 0xFF00001E;

namespace win {
// The classic Windows scheme; an index outside the table gives black.
TColor GetSysColor(int index);
}  // namespace win

// The RGB value of a colour, system colours resolved.
TColor ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor QRgbToColor(unsigned int rgb);

// ---- Geometry ----

struct TPoint {
  int X = 0;
  int Y = 0;
};

struct TSize {
  int cx = 0;
  int cy = 0;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
};

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) {
  return TRect{left, top, left + width, top + height};
}
inline TPoint Point(int x, int y) { return TPoint{x, y}; }

// ---- Pen, brush, font ----

class TBitmap;

enum class TPenStyle { psSolid, psClear };
enum class TBrushStyle { bsSolid, bsClear };

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = TPenStyle::psSolid;
};

class TBrush {
public:
  TColor Color = clWhite;
  TBrushStyle Style = TBrushStyle::bsSolid;
  // A pattern brush tiles a copy of the bitmap from the canvas origin; none (or an empty bitmap)
  // goes back to the solid colour.
  void SetBitmap(const TBitmap *bitmap);
  const QImage &Pattern() const { return FPattern; }

private:
  QImage FPattern;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont {
public:
  std::string Name = "MS Sans Serif";
  TColor Color = clWindowText;
  unsigned Style = 0;  // TFontStyle bits
  int Charset = 1;     // DEFAULT_CHARSET

  // Height in pixels, negative for the character height as GDI keeps it (96 pixels per inch).
  int Height() const { return FHeight; }
  void SetHeight(int height) { FHeight = height; }
  int Size() const;
  void SetSize(int points);

  QFont ToQFont() const;
  void Assign(const QFont &font);

private:
  int FHeight = -11;  // 8 points
};

// ---- Canvas ----

constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCPAINT = 0x00EE0086;
constexpr std::uint32_t SRCAND = 0x008800C6;
constexpr std::uint32_t SRCINVERT = 0x00660046;
constexpr std::uint32_t SRCERASE = 0x00440328;
constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
constexpr std::uint32_t NOTSRCERASE = 0x001100A6;
constexpr std::uint32_t MERGECOPY = 0x00C000CA;
constexpr std::uint32_t MERGEPAINT = 0x00BB0226;
constexpr std::uint32_t PATCOPY = 0x00F00021;
constexpr std::uint32_t PATPAINT = 0x00FB0A09;
constexpr std::uint32_t PATINVERT = 0x005A0049;
constexpr std::uint32_t DSTINVERT = 0x00550009;
constexpr std::uint32_t BLACKNESS = 0x00000042;
constexpr std::uint32_t WHITENESS = 0x00FF0062;

constexpr TColor CLR_INVALID = 0xFFFFFFFF;

constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;

class TCanvas {
public:
  // The canvas of a bitmap (made by TBitmap).
  explicit TCanvas(TBitmap *bitmap);
  // A canvas over a painter that is active for the duration, such as a widget's paint event;
  // `window` is the widget painted on, or none.
  TCanvas(QPainter *painter, QWidget *window);
  TCanvas(const TCanvas &) = delete;
  TCanvas &operator=(const TCanvas &) = delete;

  TPen Pen;
  TBrush Brush;
  TFont Font;
  TPoint PenPos;
  std::uint32_t CopyMode = SRCCOPY;

  // The window this canvas paints, none for a bitmap's canvas.
  QWidget *Window() const { return FWindow; }
  TBitmap *Bitmap() const { return FBitmap; }

  void FillRect(const TRect &rect);
  void FrameRect(const TRect &rect);
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect &rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
  void RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
  void Ellipse(int left, int top, int right, int bottom);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polygon(const std::vector<TPoint> &points);

  // Text with its top-left corner at (x, y); the background is the brush's unless it is clear.
  void TextOut(int x, int y, const std::string &text);
  // Like TextOut, clipped to the rectangle, whose background it fills unless the brush is clear.
  void TextRect(const TRect &rect, int x, int y, const std::string &text);
  int TextWidth(const std::string &text);
  int TextHeight(const std::string &text);
  TSize TextExtent(const std::string &text);

  // Draws the bitmap unscaled at (x, y); a transparent bitmap leaves its transparent colour out.
  void Draw(int x, int y, const TBitmap *bitmap);
  // Stretches the bitmap over the rectangle; a reversed side mirrors it.
  void StretchDraw(const TRect &rect, const TBitmap *bitmap);
  // Copies `source` of `canvas` onto `dest` of this canvas with CopyMode.
  void CopyRect(const TRect &dest, TCanvas *canvas, const TRect &source);

  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  // The pixels of a rectangle of this canvas (used when it is a copy source). A window canvas is
  // read by rendering the window, so it must not be a source inside that window's own paint.
  QImage Grab(const TRect &rect) const;
  // Combines a picture of exactly width x height into the canvas at (x, y) by raster operation;
  // pixels of the transparent colour (unless clNone) are left out.
  void BlitImage(int x, int y, int width, int height, const QImage &source, std::uint32_t rop,
                 TColor transparent = clNone);
  // One line of text at (x, y), "&" prefixes processed when `prefix`, clipped when `clip` is given.
  void DrawTextAt(int x, int y, const std::string &text, bool prefix, const TRect *clip);

private:
  friend class TBitmap;
  template <class F> void Paint(F &&paint);
  void DrawTextLine(QPainter &painter, int x, int y, const std::string &text, bool prefix);

  TBitmap *FBitmap = nullptr;
  QPainter *FPainter = nullptr;
  QWidget *FWindow = nullptr;
};

namespace win {
// Blits with a ternary raster operation: any of the 256 codes over the destination, the source and
// the destination canvas's brush. A window canvas knows only the operations that need no reading of
// the destination beyond what its painter can combine. `source` may be none for operations that do
// not use it.
bool BitBlt(TCanvas *dest, int x, int y, int width, int height, TCanvas *source, int sx, int sy,
            std::uint32_t rop);
bool StretchBlt(TCanvas *dest, int x, int y, int width, int height, TCanvas *source, int sx, int sy,
                int swidth, int sheight, std::uint32_t rop);
bool PatBlt(TCanvas *dest, int x, int y, int width, int height, std::uint32_t rop);
// Single-line text in the rectangle with "&" marking the next character's underline ("&&" draws
// one "&") unless DT_NOPREFIX; returns the text height. DT_CALCRECT sets the rectangle's right and
// bottom to the text's extent instead of drawing.
int DrawText(TCanvas *canvas, const std::string &text, TRect &rect, unsigned format);
}  // namespace win

// The text as drawn with "&" prefixes: the visible characters and the positions (in the result) of
// the characters to underline.
std::string StripAccelerators(const std::string &text, std::vector<int> *underlined = nullptr);

// ---- Bitmap ----

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

class TBitmap {
public:
  TBitmap();
  TBitmap(int width, int height);
  TBitmap(const TBitmap &other);
  TBitmap &operator=(const TBitmap &other);
  ~TBitmap();

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FImage.isNull(); }
  // Resizing keeps the pixels that still fit; new pixels are white.
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat format) { FPixelFormat = format; }

  // Transparent drawing leaves out TransparentColor: the bottom-left pixel unless set.
  bool Transparent = false;
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color) { FTransparentColor = color; }

  TCanvas *Canvas();

  // False (and the bitmap unchanged) when the file or stream holds no readable BMP image.
  bool LoadFromFile(const std::string &path);
  bool SaveToFile(const std::string &path) const;
  bool LoadFromStream(std::istream &stream);
  bool SaveToStream(std::ostream &stream) const;
  // The bitmap resource of that name compiled into the program (":/bitmaps/<NAME>.bmp", names
  // compared in upper case); false when there is none.
  bool LoadFromResourceName(const std::string &name);
  void Assign(const TBitmap *source);

  const QImage &Image() const { return FImage; }
  void SetImage(const QImage &image);

private:
  friend class TCanvas;
  bool LoadFromData(const QByteArray &data);
  QByteArray SaveToData() const;

  QImage FImage;  // Format_RGB32, null while either side is 0
  int FWidth = 0;
  int FHeight = 0;
  TPixelFormat FPixelFormat = TPixelFormat::pfDevice;
  TColor FTransparentColor = clNone;
  std::unique_ptr<TCanvas> FCanvas;
};
