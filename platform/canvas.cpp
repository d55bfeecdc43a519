#include "canvas.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <istream>
#include <iterator>
#include <ostream>

#include "files.h"

// ---- Colours ----

namespace {

// The classic scheme, indices COLOR_SCROLLBAR (0) to COLOR_MENUBAR (30).
constexpr TColor SysColors[] = {
    0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
    0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
    0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0x6A240A, 0xC8D0D4,
};

// 0x00BBGGRR and QRgb 0xAARRGGBB carry the same channels in opposite order.
QRgb ToRgb(TColor color) {
  TColor c = ColorToRGB(color);
  return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

}  // namespace

TColor win::GetSysColor(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(SysColors))) return clBlack;
  return SysColors[index];
}

TColor ColorToRGB(TColor color) {
  if ((color >> 24) == 0xFF) return win::GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0xFFFFFF;
}

QColor ToQColor(TColor color) { return QColor(ToRgb(color)); }

TColor QRgbToColor(unsigned int rgb) {
  return static_cast<TColor>(qRed(rgb)) | (static_cast<TColor>(qGreen(rgb)) << 8) |
         (static_cast<TColor>(qBlue(rgb)) << 16);
}

// ---- Brush and font ----

void TBrush::SetBitmap(const TBitmap *bitmap) {
  FPattern = (bitmap && !bitmap->Empty()) ? bitmap->Image() : QImage();
}

namespace {
int RoundDiv(int a, int b, int c) { return static_cast<int>(std::lround(double(a) * b / c)); }
}  // namespace

int TFont::Size() const { return FHeight < 0 ? RoundDiv(-FHeight, 72, 96) : FHeight; }

void TFont::SetSize(int points) { FHeight = -RoundDiv(points, 96, 72); }

QFont TFont::ToQFont() const {
  QFont font(QString::fromStdString(Name));
  font.setPixelSize(std::max(1, std::abs(FHeight)));
  font.setBold(Style & fsBold);
  font.setItalic(Style & fsItalic);
  font.setUnderline(Style & fsUnderline);
  font.setStrikeOut(Style & fsStrikeOut);
  // GDI's raster fonts draw whole pixels in the text colour.
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

void TFont::Assign(const QFont &font) {
  Name = font.family().toStdString();
  if (font.pixelSize() > 0)
    FHeight = -font.pixelSize();
  else
    FHeight = -static_cast<int>(std::lround(font.pointSizeF() * 96.0 / 72.0));
  Style = 0;
  if (font.bold()) Style |= fsBold;
  if (font.italic()) Style |= fsItalic;
  if (font.underline()) Style |= fsUnderline;
  if (font.strikeOut()) Style |= fsStrikeOut;
}

// ---- Accelerators ----

namespace {

QString StripPrefixes(const QString &text, std::vector<int> *underlined) {
  QString out;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 >= text.size()) break;  // a lone "&" at the end shows nothing
      ++i;
      if (text[i] != QLatin1Char('&') && underlined) underlined->push_back(out.size());
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::string StripAccelerators(const std::string &text, std::vector<int> *underlined) {
  return StripPrefixes(QString::fromStdString(text), underlined).toStdString();
}

// ---- Canvas ----

namespace {

// GDI's rule for a blit's extent: a negative extent covers the pixels just before the start, so a
// span from x over width w covers [x, x + w) or, reversed, [x + w + 1, x + 1).
struct Span {
  int start, end;
  bool reversed;
};

Span MakeSpan(int origin, int extent) {
  if (extent >= 0) return {origin, origin + extent, false};
  return {origin + extent + 1, origin + 1, true};
}

QBrush ToQBrush(const TBrush &brush) {
  if (!brush.Pattern().isNull()) return QBrush(brush.Pattern());
  return QBrush(ToQColor(brush.Color));
}

void PreparePainter(QPainter &painter) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.setBrushOrigin(0, 0);
}

}  // namespace

TCanvas::TCanvas(TBitmap *bitmap) : FBitmap(bitmap) {}

TCanvas::TCanvas(QPainter *painter, QWidget *window) : FPainter(painter), FWindow(window) {}

template <class F> void TCanvas::Paint(F &&paint) {
  if (FBitmap) {
    if (FBitmap->FImage.isNull()) return;
    QPainter painter(&FBitmap->FImage);
    PreparePainter(painter);
    paint(painter);
  } else if (FPainter) {
    FPainter->save();
    PreparePainter(*FPainter);
    paint(*FPainter);
    FPainter->restore();
  }
}

void TCanvas::FillRect(const TRect &rect) {
  if (Brush.Style == TBrushStyle::bsClear) return;
  Span h = MakeSpan(rect.Left, rect.Right - rect.Left);
  Span v = MakeSpan(rect.Top, rect.Bottom - rect.Top);
  if (h.end <= h.start || v.end <= v.start) return;
  QBrush brush = ToQBrush(Brush);
  Paint([&](QPainter &p) { p.fillRect(QRect(h.start, v.start, h.end - h.start, v.end - v.start), brush); });
}

void TCanvas::FrameRect(const TRect &rect) {
  if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) return;
  QBrush brush = ToQBrush(Brush);
  int w = rect.Width(), h = rect.Height();
  Paint([&](QPainter &p) {
    p.fillRect(QRect(rect.Left, rect.Top, w, 1), brush);
    p.fillRect(QRect(rect.Left, rect.Bottom - 1, w, 1), brush);
    p.fillRect(QRect(rect.Left, rect.Top, 1, h), brush);
    p.fillRect(QRect(rect.Right - 1, rect.Top, 1, h), brush);
  });
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  bool pen = Pen.Style != TPenStyle::psClear;
  // Without a pen the figure is one pixel smaller on the right and the bottom.
  if (!pen) {
    --right;
    --bottom;
  }
  if (right <= left || bottom <= top) return;
  Paint([&](QPainter &p) {
    if (Brush.Style != TBrushStyle::bsClear)
      p.fillRect(QRect(left, top, right - left, bottom - top), ToQBrush(Brush));
    if (!pen) return;
    QColor color = ToQColor(Pen.Color);
    if (Pen.Width <= 1) {
      p.fillRect(QRect(left, top, right - left, 1), color);
      p.fillRect(QRect(left, bottom - 1, right - left, 1), color);
      p.fillRect(QRect(left, top, 1, bottom - top), color);
      p.fillRect(QRect(right - 1, top, 1, bottom - top), color);
    } else {
      p.setPen(QPen(color, Pen.Width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(left + 0.5, top + 0.5, right - left - 1, bottom - top - 1));
    }
  });
}

namespace {
void SetupShapePainter(QPainter &p, const TPen &pen, const TBrush &brush) {
  if (pen.Style == TPenStyle::psClear)
    p.setPen(Qt::NoPen);
  else
    p.setPen(QPen(ToQColor(pen.Color), std::max(1, pen.Width) == 1 ? 0 : pen.Width));
  if (brush.Style == TBrushStyle::bsClear)
    p.setBrush(Qt::NoBrush);
  else
    p.setBrush(ToQBrush(brush));
}
}  // namespace

void TCanvas::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (right - left < 2 || bottom - top < 2) return;
  Paint([&](QPainter &p) {
    SetupShapePainter(p, Pen, Brush);
    p.drawRoundedRect(QRect(left, top, right - left - 1, bottom - top - 1), ellipseWidth / 2.0,
                      ellipseHeight / 2.0, Qt::AbsoluteSize);
  });
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (right - left < 2 || bottom - top < 2) return;
  Paint([&](QPainter &p) {
    SetupShapePainter(p, Pen, Brush);
    p.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
  });
}

void TCanvas::MoveTo(int x, int y) { PenPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  TPoint from = PenPos;
  PenPos = {x, y};
  if (Pen.Style == TPenStyle::psClear) return;
  QColor color = ToQColor(Pen.Color);
  if (Pen.Width > 1) {
    Paint([&](QPainter &p) {
      p.setPen(QPen(color, Pen.Width, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(from.X + 0.5, from.Y + 0.5), QPointF(x + 0.5, y + 0.5));
    });
    return;
  }
  // A cosmetic line covers every pixel from its start up to, not including, its end point.
  Paint([&](QPainter &p) {
    int dx = std::abs(x - from.X), dy = std::abs(y - from.Y);
    int sx = x > from.X ? 1 : -1, sy = y > from.Y ? 1 : -1;
    if (dy == 0) {
      if (dx == 0) return;
      int a = sx > 0 ? from.X : x + 1;
      p.fillRect(QRect(a, y, dx, 1), color);
      return;
    }
    if (dx == 0) {
      int a = sy > 0 ? from.Y : y + 1;
      p.fillRect(QRect(x, a, 1, dy), color);
      return;
    }
    int cx = from.X, cy = from.Y;
    int err = dx - dy;
    while (cx != x || cy != y) {
      p.fillRect(QRect(cx, cy, 1, 1), color);
      int e2 = 2 * err;
      if (e2 > -dy) {
        err -= dy;
        cx += sx;
      }
      if (e2 < dx) {
        err += dx;
        cy += sy;
      }
    }
  });
}

void TCanvas::Polygon(const std::vector<TPoint> &points) {
  if (points.size() < 2) return;
  QPolygon polygon;
  for (const TPoint &pt : points) polygon << QPoint(pt.X, pt.Y);
  Paint([&](QPainter &p) {
    SetupShapePainter(p, Pen, Brush);
    p.drawPolygon(polygon, Qt::OddEvenFill);
  });
}

void TCanvas::DrawTextLine(QPainter &painter, int x, int y, const std::string &text, bool prefix) {
  QFont font = Font.ToQFont();
  QFontMetrics fm(font);
  std::vector<int> marks;
  QString visible = prefix ? StripPrefixes(QString::fromStdString(text), &marks) : QString::fromStdString(text);
  QColor color = ToQColor(Font.Color);
  if (Brush.Style != TBrushStyle::bsClear)
    painter.fillRect(QRect(x, y, fm.horizontalAdvance(visible), fm.height()), ToQColor(Brush.Color));
  painter.setFont(font);
  painter.setPen(color);
  painter.drawText(QPoint(x, y + fm.ascent()), visible);
  int underlineY = y + fm.ascent() + std::max(1, fm.underlinePos());
  for (int index : marks) {
    int x0 = x + fm.horizontalAdvance(visible.left(index));
    int w = fm.horizontalAdvance(visible.mid(index, 1));
    painter.fillRect(QRect(x0, underlineY, std::max(1, w), 1), color);
  }
}

void TCanvas::DrawTextAt(int x, int y, const std::string &text, bool prefix, const TRect *clip) {
  Paint([&](QPainter &p) {
    if (clip) p.setClipRect(QRect(clip->Left, clip->Top, clip->Width(), clip->Height()), Qt::IntersectClip);
    DrawTextLine(p, x, y, text, prefix);
  });
}

void TCanvas::TextOut(int x, int y, const std::string &text) {
  Paint([&](QPainter &p) { DrawTextLine(p, x, y, text, false); });
  PenPos = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const TRect &rect, int x, int y, const std::string &text) {
  Paint([&](QPainter &p) {
    QRect clip(rect.Left, rect.Top, rect.Width(), rect.Height());
    if (Brush.Style != TBrushStyle::bsClear) p.fillRect(clip, ToQColor(Brush.Color));
    p.setClipRect(clip, Qt::IntersectClip);
    TBrushStyle style = Brush.Style;
    Brush.Style = TBrushStyle::bsClear;
    DrawTextLine(p, x, y, text, false);
    Brush.Style = style;
  });
}

int TCanvas::TextWidth(const std::string &text) { return TextExtent(text).cx; }

int TCanvas::TextHeight(const std::string &text) { return TextExtent(text).cy; }

TSize TCanvas::TextExtent(const std::string &text) {
  QFontMetrics fm(Font.ToQFont());
  return {fm.horizontalAdvance(QString::fromStdString(text)), fm.height()};
}

void TCanvas::Draw(int x, int y, const TBitmap *bitmap) {
  if (!bitmap || bitmap->Empty()) return;
  StretchDraw(Bounds(x, y, bitmap->Width(), bitmap->Height()), bitmap);
}

namespace {

// Evaluates a ternary raster operation on whole pixels: for each of the eight combinations of
// pattern, source and destination bits, the operation's index byte says whether the result bit is set.
inline QRgb Rop3(std::uint32_t rop, QRgb p, QRgb s, QRgb d) {
  unsigned index = (rop >> 16) & 0xFF;
  QRgb result = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (!((index >> i) & 1)) continue;
    result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return 0xFF000000u | (result & 0xFFFFFFu);
}

inline bool UsesSource(std::uint32_t rop) {
  unsigned index = (rop >> 16) & 0xFF;
  return ((index >> 2) & 0x33) != (index & 0x33);
}

QRgb PatternAt(const TBrush &brush, int x, int y) {
  const QImage &pattern = brush.Pattern();
  if (pattern.isNull()) return ToRgb(brush.Color);
  int px = ((x % pattern.width()) + pattern.width()) % pattern.width();
  int py = ((y % pattern.height()) + pattern.height()) % pattern.height();
  return pattern.pixel(px, py);
}

bool CompositionFor(std::uint32_t rop, QPainter::CompositionMode &mode) {
  switch (rop) {
    case SRCCOPY: mode = QPainter::CompositionMode_SourceOver; return true;
    case SRCAND: mode = QPainter::RasterOp_SourceAndDestination; return true;
    case SRCPAINT: mode = QPainter::RasterOp_SourceOrDestination; return true;
    case SRCINVERT: mode = QPainter::RasterOp_SourceXorDestination; return true;
    case SRCERASE: mode = QPainter::RasterOp_SourceAndNotDestination; return true;
    case NOTSRCCOPY: mode = QPainter::RasterOp_NotSource; return true;
    case NOTSRCERASE: mode = QPainter::RasterOp_NotSourceAndNotDestination; return true;
    case MERGEPAINT: mode = QPainter::RasterOp_NotSourceOrDestination; return true;
    default: return false;
  }
}

}  // namespace

void TCanvas::StretchDraw(const TRect &rect, const TBitmap *bitmap) {
  if (!bitmap || bitmap->Empty()) return;
  Span h = MakeSpan(rect.Left, rect.Width());
  Span v = MakeSpan(rect.Top, rect.Height());
  if (h.end <= h.start || v.end <= v.start) return;
  QImage scaled = bitmap->Image();
  if (scaled.size() != QSize(h.end - h.start, v.end - v.start))
    scaled = scaled.scaled(h.end - h.start, v.end - v.start, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  scaled = scaled.mirrored(h.reversed, v.reversed);
  // A transparent bitmap is laid over the canvas whatever the copy mode.
  if (bitmap->Transparent)
    BlitImage(h.start, v.start, h.end - h.start, v.end - v.start, scaled, SRCCOPY, bitmap->TransparentColor());
  else
    BlitImage(h.start, v.start, h.end - h.start, v.end - v.start, scaled, CopyMode);
}

void TCanvas::CopyRect(const TRect &dest, TCanvas *canvas, const TRect &source) {
  win::StretchBlt(this, dest.Left, dest.Top, dest.Width(), dest.Height(), canvas, source.Left, source.Top,
                  source.Width(), source.Height(), CopyMode);
}

TColor TCanvas::Pixel(int x, int y) const {
  const QImage *image = nullptr;
  if (FBitmap)
    image = &FBitmap->FImage;
  else if (FPainter && FPainter->device() && FPainter->device()->devType() == QInternal::Image)
    image = static_cast<const QImage *>(FPainter->device());
  if (!image || !image->valid(x, y)) return CLR_INVALID;
  return QRgbToColor(image->pixel(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  if (FBitmap) {
    if (FBitmap->FImage.valid(x, y)) FBitmap->FImage.setPixel(x, y, ToRgb(color));
    return;
  }
  Paint([&](QPainter &p) { p.fillRect(QRect(x, y, 1, 1), ToQColor(color)); });
}

QImage TCanvas::Grab(const TRect &rect) const {
  QRect r(rect.Left, rect.Top, rect.Width(), rect.Height());
  if (FBitmap) {
    if (FBitmap->FImage.isNull()) {
      QImage blank(r.size(), QImage::Format_RGB32);
      blank.fill(Qt::black);
      return blank;
    }
    return FBitmap->FImage.copy(r);
  }
  if (FPainter && FPainter->device() && FPainter->device()->devType() == QInternal::Image)
    return static_cast<const QImage *>(FPainter->device())->copy(r).convertToFormat(QImage::Format_RGB32);
  if (FWindow) return FWindow->grab(r).toImage().convertToFormat(QImage::Format_RGB32);
  return QImage();
}

void TCanvas::BlitImage(int x, int y, int width, int height, const QImage &source, std::uint32_t rop,
                        TColor transparent) {
  if (width <= 0 || height <= 0) return;
  bool keyed = transparent != clNone;
  QRgb key = keyed ? ToRgb(transparent) & 0xFFFFFF : 0;
  if (FBitmap) {
    if (FBitmap->FImage.isNull()) return;
    if (rop == SRCCOPY && !keyed && !source.isNull()) {
      QPainter painter(&FBitmap->FImage);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.drawImage(QPoint(x, y), source.convertToFormat(QImage::Format_RGB32));
      return;
    }
    QImage &image = FBitmap->FImage;
    QRect area = QRect(x, y, width, height) & image.rect();
    for (int row = area.top(); row <= area.bottom(); ++row) {
      auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
      for (int col = area.left(); col <= area.right(); ++col) {
        QRgb s = source.isNull() ? 0 : source.pixel(col - x, row - y);
        if (keyed && (s & 0xFFFFFF) == key) continue;
        line[col] = Rop3(rop, PatternAt(Brush, col, row), s, line[col]);
      }
    }
    return;
  }
  if (!FPainter) return;
  // A window's pixels are reached only through its painter, which knows the common operations.
  QImage piece;
  if (!source.isNull()) piece = source.convertToFormat(QImage::Format_ARGB32);
  if (rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS || rop == PATINVERT || rop == DSTINVERT) {
    piece = QImage(width, height, QImage::Format_ARGB32);
    for (int row = 0; row < height; ++row)
      for (int col = 0; col < width; ++col) {
        QRgb value = rop == BLACKNESS ? 0xFF000000u : rop == WHITENESS || rop == DSTINVERT
                                                         ? 0xFFFFFFFFu
                                                         : PatternAt(Brush, x + col, y + row);
        piece.setPixel(col, row, value);
      }
    rop = (rop == PATINVERT || rop == DSTINVERT) ? SRCINVERT : SRCCOPY;
  } else if (rop == MERGECOPY && !piece.isNull()) {
    for (int row = 0; row < piece.height(); ++row)
      for (int col = 0; col < piece.width(); ++col)
        piece.setPixel(col, row, Rop3(MERGECOPY, PatternAt(Brush, x + col, y + row), piece.pixel(col, row), 0));
    rop = SRCCOPY;
  }
  if (piece.isNull()) return;
  if (keyed)
    for (int row = 0; row < piece.height(); ++row) {
      auto *line = reinterpret_cast<QRgb *>(piece.scanLine(row));
      for (int col = 0; col < piece.width(); ++col)
        if ((line[col] & 0xFFFFFF) == key) line[col] = 0;
    }
  QPainter::CompositionMode mode;
  if (!CompositionFor(rop, mode)) mode = QPainter::CompositionMode_SourceOver;
  FPainter->save();
  PreparePainter(*FPainter);
  FPainter->setCompositionMode(mode);
  FPainter->drawImage(QPoint(x, y), piece);
  FPainter->restore();
}

// ---- Blits ----

bool win::StretchBlt(TCanvas *dest, int x, int y, int width, int height, TCanvas *source, int sx, int sy,
                     int swidth, int sheight, std::uint32_t rop) {
  if (!dest) return false;
  Span dh = MakeSpan(x, width), dv = MakeSpan(y, height);
  if (dh.end <= dh.start || dv.end <= dv.start) return true;
  int w = dh.end - dh.start, h = dv.end - dv.start;
  QImage piece;
  if (UsesSource(rop)) {
    if (!source) return false;
    Span sh = MakeSpan(sx, swidth), sv = MakeSpan(sy, sheight);
    if (sh.end <= sh.start || sv.end <= sv.start) return true;
    piece = source->Grab(Rect(sh.start, sv.start, sh.end, sv.end));
    if (piece.isNull()) return false;
    if (piece.size() != QSize(w, h))
      piece = piece.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // Opposite signs of the two extents mirror the picture.
    piece = piece.mirrored(dh.reversed != sh.reversed, dv.reversed != sv.reversed);
    piece = piece.convertToFormat(QImage::Format_RGB32);
  }
  dest->BlitImage(dh.start, dv.start, w, h, piece, rop, clNone);
  return true;
}

bool win::BitBlt(TCanvas *dest, int x, int y, int width, int height, TCanvas *source, int sx, int sy,
                 std::uint32_t rop) {
  return StretchBlt(dest, x, y, width, height, source, sx, sy, width, height, rop);
}

bool win::PatBlt(TCanvas *dest, int x, int y, int width, int height, std::uint32_t rop) {
  return StretchBlt(dest, x, y, width, height, nullptr, 0, 0, width, height, rop);
}

int win::DrawText(TCanvas *canvas, const std::string &text, TRect &rect, unsigned format) {
  if (!canvas) return 0;
  QFontMetrics fm(canvas->Font.ToQFont());
  bool prefix = !(format & DT_NOPREFIX);
  QString visible = prefix ? StripPrefixes(QString::fromStdString(text), nullptr) : QString::fromStdString(text);
  int tw = fm.horizontalAdvance(visible), th = fm.height();
  if (format & DT_CALCRECT) {
    rect.Right = rect.Left + tw;
    rect.Bottom = rect.Top + th;
    return th;
  }
  int x = rect.Left, y = rect.Top;
  if (format & DT_CENTER)
    x = rect.Left + (rect.Width() - tw) / 2;
  else if (format & DT_RIGHT)
    x = rect.Right - tw;
  if (format & DT_VCENTER)
    y = rect.Top + (rect.Height() - th) / 2;
  else if (format & DT_BOTTOM)
    y = rect.Bottom - th;
  canvas->DrawTextAt(x, y, text, prefix, (format & DT_NOCLIP) ? nullptr : &rect);
  return th;
}

// ---- Bitmap ----

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::TBitmap(const TBitmap &other)
    : Transparent(other.Transparent), FImage(other.FImage), FWidth(other.FWidth), FHeight(other.FHeight),
      FPixelFormat(other.FPixelFormat), FTransparentColor(other.FTransparentColor) {}

TBitmap &TBitmap::operator=(const TBitmap &other) {
  if (this != &other) Assign(&other);
  return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::Assign(const TBitmap *source) {
  if (!source || source == this) return;
  FImage = source->FImage;
  FWidth = source->FWidth;
  FHeight = source->FHeight;
  FPixelFormat = source->FPixelFormat;
  Transparent = source->Transparent;
  FTransparentColor = source->FTransparentColor;
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  if (width == 0 || height == 0) {
    FImage = QImage();
    return;
  }
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  if (!FImage.isNull()) {
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, FImage);
  }
  FImage = image;
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentColor != clNone) return FTransparentColor;
  if (FImage.isNull()) return clNone;
  return QRgbToColor(FImage.pixel(0, FImage.height() - 1));
}

TCanvas *TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TCanvas>(this);
  return FCanvas.get();
}

void TBitmap::SetImage(const QImage &image) {
  if (image.isNull()) {
    FImage = QImage();
    FWidth = FHeight = 0;
    return;
  }
  if (image.hasAlphaChannel()) {
    // Pictures with alpha are flattened on white, as a device bitmap has no alpha.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    FImage = flat;
  } else {
    FImage = image.convertToFormat(QImage::Format_RGB32);
  }
  FWidth = FImage.width();
  FHeight = FImage.height();
}

namespace {

TPixelFormat FormatOfBmp(const QByteArray &data, const QImage &image) {
  // The bit count of the BMP header tells what QImage widens away (24-bit reads as 32-bit).
  if (data.size() >= 30 && data[0] == 'B' && data[1] == 'M') {
    int bits = static_cast<unsigned char>(data[28]) | (static_cast<unsigned char>(data[29]) << 8);
    switch (bits) {
      case 1: return TPixelFormat::pf1bit;
      case 4: return TPixelFormat::pf4bit;
      case 8: return TPixelFormat::pf8bit;
      case 16: return TPixelFormat::pf16bit;
      case 24: return TPixelFormat::pf24bit;
      case 32: return TPixelFormat::pf32bit;
      default: break;
    }
  }
  return image.depth() == 1 ? TPixelFormat::pf1bit : image.depth() == 8 ? TPixelFormat::pf8bit : TPixelFormat::pf24bit;
}

}  // namespace

bool TBitmap::LoadFromData(const QByteArray &data) {
  QImage image;
  if (!image.loadFromData(data, "BMP")) return false;
  SetImage(image);
  FPixelFormat = FormatOfBmp(data, image);
  FTransparentColor = clNone;
  return true;
}

bool TBitmap::LoadFromFile(const std::string &path) {
  // Far beyond any picture of ours; a larger (or endless) file is not read.
  constexpr std::size_t MaxBitmapFileSize = 64u << 20;
  std::string bytes;
  if (!win::ReadWholeFile(path, bytes, MaxBitmapFileSize)) return false;
  return LoadFromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool TBitmap::LoadFromStream(std::istream &stream) {
  std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  return LoadFromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool TBitmap::LoadFromResourceName(const std::string &name) {
  QFile file(QStringLiteral(":/bitmaps/") + QString::fromStdString(name).toUpper() + QStringLiteral(".bmp"));
  if (!file.open(QIODevice::ReadOnly)) return false;
  return LoadFromData(file.readAll());
}

QByteArray TBitmap::SaveToData() const {
  QImage image = FImage;
  switch (FPixelFormat) {
    case TPixelFormat::pf1bit: image = image.convertToFormat(QImage::Format_Mono); break;
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit: image = image.convertToFormat(QImage::Format_Indexed8); break;
    case TPixelFormat::pf32bit: image = image.convertToFormat(QImage::Format_ARGB32); break;
    default: break;
  }
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "BMP")) return QByteArray();
  return data;
}

bool TBitmap::SaveToFile(const std::string &path) const {
  QByteArray data = SaveToData();
  if (data.isEmpty()) return false;
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(data) == data.size();
}

bool TBitmap::SaveToStream(std::ostream &stream) const {
  QByteArray data = SaveToData();
  if (data.isEmpty()) return false;
  stream.write(data.constData(), data.size());
  return static_cast<bool>(stream);
}
