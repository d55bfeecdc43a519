// Draws the main window's pictures into the program folder as Windows bitmaps:
//   images/main/general/img_<word>.bmp, images/main/move/img_<word>.bmp   the chooser's categories
//   images/sub/general/<N>.bmp, images/sub/move/<N>.bmp                 the profile buttons
//   images/main/<K>.bmp                                                  the category icons
//   images/form/<name>.bmp                                               pictures the main form carries
// Usage: vantrel-images-gen <program folder>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <optional>

#include "imagetables.h"

using namespace vantrelimages;

namespace {

const QColor Ink(0x1d, 0x33, 0x50);
const QColor Muted(0x5f, 0x73, 0x8a);
const QColor Line(0xc4, 0xd2, 0xe2);
const QColor HotTop(0x4f, 0x93, 0xdb);
const QColor HotBottom(0x2c, 0x68, 0xae);
const QColor HotEdge(0x1f, 0x4f, 0x88);

bool Failed = false;

// Where an open column begins on the first video page.
constexpr int SubPanelOffset = 220;

QFont MakeFont(int pixelSize, bool bold, int stretch = QFont::Unstretched) {
  QFont font("DejaVu Sans");
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setStretch(stretch);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

// The largest font from `largest` down to `smallest` pixels, condensed if need be, at which every line fits.
std::optional<QFont> FitFont(const QStringList &lines, int largest, int smallest, int width, bool bold) {
  for (int size = largest; size >= smallest; --size) {
    for (int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed), int(QFont::Condensed)}) {
      QFont font = MakeFont(size, bold, stretch);
      QFontMetrics metrics(font);
      bool fits = true;
      for (const QString &line : lines) fits = fits && metrics.horizontalAdvance(line) <= width;
      if (fits) return font;
    }
  }
  return std::nullopt;
}

// Splits a name into two lines at the break that keeps the longer line shortest.
QStringList TwoLines(const QString &name, const QFont &font) {
  QFontMetrics metrics(font);
  QStringList best{name};
  int bestWidth = metrics.horizontalAdvance(name);
  for (int i = 1; i < name.size(); ++i) {
    const QChar before = name[i - 1], here = name[i];
    // Break after a blank, a "/" or a ")", or before a "(".
    if (!(before == ' ' || before == '/' || before == ')' || here == '(')) continue;
    const QString first = name.left(i).trimmed(), second = name.mid(i).trimmed();
    if (first.isEmpty() || second.isEmpty()) continue;
    const int width = std::max(metrics.horizontalAdvance(first), metrics.horizontalAdvance(second));
    if (width < bestWidth) {
      bestWidth = width;
      best = {first, second};
    }
  }
  return best;
}

void Save(const QImage &image, const QString &path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  // RGB32 is written as a plain 24-bit bottom-up bitmap, which every bitmap reader takes.
  if (!image.convertToFormat(QImage::Format_RGB32).save(path, "BMP")) {
    std::fprintf(stderr, "vantrel-images-gen: cannot write %s\n", qPrintable(path));
    Failed = true;
  }
}

QImage NewImage(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

void VerticalGradient(QPainter &p, const QRectF &r, const QColor &top, const QColor &bottom) {
  QLinearGradient gradient(r.topLeft(), r.bottomLeft());
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  p.fillRect(r, gradient);
}

void Chevron(QPainter &p, QPointF centre, qreal size, const QColor &colour) {
  QPainterPath path;
  path.moveTo(centre.x() - size / 2, centre.y() - size);
  path.lineTo(centre.x() + size / 2, centre.y());
  path.lineTo(centre.x() - size / 2, centre.y() + size);
  p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

// ---- Category icons, drawn on a 16 x 16 grid and scaled to the target square ----

void DrawIcon(QPainter &p, const QRectF &target, int category) {
  p.save();
  p.translate(target.topLeft());
  p.scale(target.width() / 16.0, target.height() / 16.0);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor dark(0x2a, 0x2f, 0x36), screen(0x5a, 0xa9, 0xf0);
  auto pen = [&](const QColor &c, qreal w = 1) { p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)); };
  switch (category) {
    case 1: {  // film strip
      p.setPen(Qt::NoPen);
      p.setBrush(dark);
      p.drawRoundedRect(QRectF(1, 2.5, 14, 11), 1.5, 1.5);
      p.setBrush(Qt::white);
      for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(2 + i * 3.3, 3.3, 1.8, 1.4));
        p.drawRect(QRectF(2 + i * 3.3, 11.3, 1.8, 1.4));
      }
      p.setBrush(screen);
      p.drawRect(QRectF(2.5, 5.5, 11, 5));
      break;
    }
    case 2: {  // two eighth notes
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x2e, 0x8b, 0x57));
      p.drawEllipse(QRectF(1.5, 10.5, 5, 4));
      p.drawEllipse(QRectF(9.5, 9, 5, 4));
      p.drawRect(QRectF(5.3, 2.5, 1.4, 10));
      p.drawRect(QRectF(13.3, 1.5, 1.4, 9.5));
      QPainterPath beam;
      beam.moveTo(5.3, 2.5);
      beam.lineTo(14.7, 1.2);
      beam.lineTo(14.7, 4.2);
      beam.lineTo(5.3, 5.5);
      beam.closeSubpath();
      p.drawPath(beam);
      break;
    }
    case 3: {  // music player with a click wheel
      pen(QColor(0x7d, 0x87, 0x93));
      p.setBrush(QColor(0xf2, 0xf4, 0xf6));
      p.drawRoundedRect(QRectF(3.5, 0.5, 9, 15), 2, 2);
      p.setPen(Qt::NoPen);
      p.setBrush(screen);
      p.drawRect(QRectF(5, 2, 6, 4.5));
      pen(QColor(0x7d, 0x87, 0x93));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(8, 11), 2.8, 2.8);
      p.setBrush(QColor(0xc8, 0xcf, 0xd6));
      p.drawEllipse(QPointF(8, 11), 1, 1);
      break;
    }
    case 4:    // touch phone
    case 5: {  // phone with a keyboard
      p.setPen(Qt::NoPen);
      p.setBrush(category == 4 ? dark : QColor(0x3d, 0x6b, 0x2f));
      p.drawRoundedRect(QRectF(3.5, 0.5, 9, 15), 2, 2);
      p.setBrush(category == 4 ? screen : QColor(0xa6, 0xe0, 0x7a));
      p.drawRect(QRectF(4.7, 2.2, 6.6, category == 4 ? 10.3 : 7));
      p.setBrush(Qt::white);
      if (category == 4) {
        p.drawEllipse(QPointF(8, 14), 0.9, 0.9);
      } else {
        for (int i = 0; i < 3; ++i) p.drawRect(QRectF(5 + i * 2.2, 10.5, 1.4, 1.2));
        for (int i = 0; i < 3; ++i) p.drawRect(QRectF(5 + i * 2.2, 12.6, 1.4, 1.2));
      }
      break;
    }
    case 6: {  // television on a stand
      p.setPen(Qt::NoPen);
      p.setBrush(dark);
      p.drawRoundedRect(QRectF(0.5, 2, 15, 10), 1.2, 1.2);
      p.setBrush(screen);
      p.drawRect(QRectF(1.8, 3.3, 12.4, 7.4));
      p.setBrush(dark);
      p.drawRect(QRectF(7, 12, 2, 1.5));
      p.drawRoundedRect(QRectF(4, 13.3, 8, 1.7), 0.8, 0.8);
      break;
    }
    case 7: {  // handheld console
      p.setPen(Qt::NoPen);
      p.setBrush(dark);
      p.drawRoundedRect(QRectF(0.5, 4, 15, 8), 4, 4);
      p.setBrush(screen);
      p.drawRect(QRectF(4.2, 5.3, 7.6, 5.4));
      p.setBrush(QColor(0xd0, 0xd6, 0xdc));
      p.drawEllipse(QPointF(2.4, 8), 1, 1);
      p.drawEllipse(QPointF(13.6, 8), 1, 1);
      break;
    }
    case 8: {  // games console: a green disc with a cross
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x3f, 0x9b, 0x2f));
      p.drawEllipse(QRectF(1, 1, 14, 14));
      pen(Qt::white, 2.2);
      p.drawLine(QPointF(5, 5), QPointF(11, 11));
      p.drawLine(QPointF(11, 5), QPointF(5, 11));
      break;
    }
    case 9: {  // mobile phone with an aerial and keypad
      pen(dark, 1.2);
      p.drawLine(QPointF(11, 0.8), QPointF(11, 3));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x44, 0x55, 0x6a));
      p.drawRoundedRect(QRectF(4, 2.5, 8.5, 13), 1.8, 1.8);
      p.setBrush(QColor(0xa6, 0xe0, 0x7a));
      p.drawRect(QRectF(5.3, 4, 5.9, 4));
      p.setBrush(Qt::white);
      for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) p.drawRect(QRectF(5.4 + col * 2.1, 9.6 + row * 2.4, 1.3, 1.3));
      break;
    }
    case 10: {  // handheld computer with a stylus
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x55, 0x60, 0x6e));
      p.drawRoundedRect(QRectF(2, 0.5, 10, 15), 1.5, 1.5);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(3.3, 2, 7.4, 9));
      p.setBrush(QColor(0x2c, 0x68, 0xae));
      p.drawRect(QRectF(3.3, 2, 7.4, 1.8));
      p.setBrush(QColor(0xd0, 0xd6, 0xdc));
      p.drawEllipse(QPointF(7, 13.3), 1.1, 1.1);
      pen(QColor(0xe0, 0x8a, 0x1e), 1.3);
      p.drawLine(QPointF(14, 3), QPointF(14, 14));
      break;
    }
    case 11: {  // media player with a play sign
      p.setPen(Qt::NoPen);
      p.setBrush(dark);
      p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 2, 2);
      p.setBrush(QColor(0xf0, 0x8c, 0x24));
      QPainterPath play;
      play.moveTo(6, 5);
      play.lineTo(11.5, 8);
      play.lineTo(6, 11);
      play.closeSubpath();
      p.drawPath(play);
      break;
    }
    case 12: {  // "HD" plate
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x2c, 0x68, 0xae));
      p.drawRoundedRect(QRectF(0.5, 3, 15, 10), 1.8, 1.8);
      pen(Qt::white, 1.4);
      p.drawLine(QPointF(3, 5.5), QPointF(3, 10.5));
      p.drawLine(QPointF(6.3, 5.5), QPointF(6.3, 10.5));
      p.drawLine(QPointF(3, 8), QPointF(6.3, 8));
      QPainterPath d;
      d.moveTo(9, 5.5);
      d.lineTo(10.8, 5.5);
      d.cubicTo(13.8, 5.5, 13.8, 10.5, 10.8, 10.5);
      d.lineTo(9, 10.5);
      d.closeSubpath();
      p.setBrush(Qt::NoBrush);
      p.drawPath(d);
      break;
    }
    case 13: {  // lightning bolt
      p.setPen(QPen(QColor(0xb0, 0x5a, 0x00), 0.8));
      p.setBrush(QColor(0xf7, 0xc2, 0x2f));
      QPainterPath bolt;
      bolt.moveTo(9.5, 0.5);
      bolt.lineTo(3, 9);
      bolt.lineTo(7.5, 9);
      bolt.lineTo(5.5, 15.5);
      bolt.lineTo(13, 6.5);
      bolt.lineTo(8.5, 6.5);
      bolt.closeSubpath();
      p.drawPath(bolt);
      break;
    }
    default: {  // a page with a play sign: any output
      pen(QColor(0x7d, 0x87, 0x93));
      p.setBrush(Qt::white);
      QPainterPath page;
      page.moveTo(2.5, 0.5);
      page.lineTo(10, 0.5);
      page.lineTo(13.5, 4);
      page.lineTo(13.5, 15.5);
      page.lineTo(2.5, 15.5);
      page.closeSubpath();
      p.drawPath(page);
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x2c, 0x68, 0xae));
      QPainterPath play;
      play.moveTo(6, 6.5);
      play.lineTo(11, 9.5);
      play.lineTo(6, 12.5);
      play.closeSubpath();
      p.drawPath(play);
      break;
    }
  }
  p.restore();
}

QImage CategoryIcon(int category) {
  QImage image = NewImage({16, 16});
  QPainter p(&image);
  DrawIcon(p, QRectF(0, 0, 16, 16), category);
  return image;
}

// ---- The chooser's category column ----

QImage CategoryPicture(const Category &category, bool highlighted) {
  QImage image = NewImage(category.Size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF all(0, 0, category.Size.width(), category.Size.height());
  if (highlighted) {
    VerticalGradient(p, all, HotTop, HotBottom);
    p.fillRect(QRectF(0, all.height() - 1, all.width(), 1), HotEdge);
  } else {
    VerticalGradient(p, all, QColor(0xf7, 0xf9, 0xfc), QColor(0xe1, 0xe9, 0xf2));
    p.fillRect(QRectF(0, all.height() - 1, all.width(), 1), Line);
  }
  const qreal iconTop = (all.height() - 18) / 2;
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(5, iconTop, 18, 18), 3, 3);
  DrawIcon(p, QRectF(6, iconTop + 1, 16, 16), category.Number);

  const QRectF text(29, 0, all.width() - 29 - 16, all.height() - 1);
  auto font = FitFont({category.Caption}, 12, 9, int(text.width()), true);
  if (!font) {
    std::fprintf(stderr, "vantrel-images-gen: \"%s\" does not fit its category picture\n",
                 qPrintable(category.Caption));
    Failed = true;
    font = MakeFont(9, true, QFont::Condensed);
  }
  p.setFont(*font);
  p.setPen(highlighted ? Qt::white : Ink);
  p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, category.Caption);
  if (highlighted) Chevron(p, QPointF(all.width() - 9, all.height() / 2), 4, Qt::white);
  return image;
}

// ---- Profile buttons ----

bool IsAudioType(const QString &type) {
  static const QStringList audio = {"AAC", "AC3", "MP3", "OGG", "RA", "WAV", "WMA", "AIFF", "M4A", "MP2", "AU", "AMR"};
  return audio.contains(type, Qt::CaseInsensitive);
}

QImage FillerPicture(QSize size, bool highlighted) {
  QImage image = NewImage(size);
  QPainter p(&image);
  const QRectF all(0, 0, size.width(), size.height());
  if (highlighted)
    VerticalGradient(p, all, QColor(0xe4, 0xeb, 0xf3), QColor(0xd3, 0xde, 0xea));
  else
    VerticalGradient(p, all, QColor(0xf4, 0xf7, 0xfb), QColor(0xe8, 0xee, 0xf5));
  p.fillRect(QRectF(0, 0, all.width(), 1), Line);
  return image;
}

QImage ButtonPicture(int number, QSize size, const ButtonTexts &texts, bool highlighted) {
  QImage image = NewImage(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF all(0, 0, size.width(), size.height());
  if (highlighted) {
    VerticalGradient(p, all, HotTop, HotBottom);
    p.setPen(QPen(HotEdge, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
  } else {
    VerticalGradient(p, all, Qt::white, QColor(0xec, 0xf1, 0xf7));
    p.fillRect(QRectF(0, all.height() - 1, all.width(), 1), Line);
  }

  // The badge: the output type at a glance, green for sound only.
  const QRectF badge(8, (all.height() - 32) / 2, 50, 32);
  const QColor badgeColour = IsAudioType(texts.Badge) ? QColor(0x2e, 0x8b, 0x57) : QColor(0x2c, 0x68, 0xae);
  p.setPen(Qt::NoPen);
  p.setBrush(highlighted ? QColor(Qt::white) : badgeColour);
  p.drawRoundedRect(badge, 5, 5);
  if (auto font = FitFont({texts.Badge}, 14, 9, int(badge.width()) - 6, true)) {
    p.setFont(*font);
    p.setPen(highlighted ? badgeColour : QColor(Qt::white));
    p.drawText(badge, Qt::AlignCenter, texts.Badge);
  }

  // The name, large, on one line or two; the output small below it.
  const int textLeft = int(badge.right()) + 10;
  // A group's column opens over the right part of the first page: the group's writing stays left of it.
  const int textRight = OpensSubPanel(number) ? SubPanelOffset - 6 : size.width() - 8;
  const int textWidth = textRight - textLeft;
  QStringList lines{texts.Name};
  auto nameFont = FitFont(lines, 16, 13, textWidth, true);
  if (!nameFont) {
    lines = TwoLines(texts.Name, MakeFont(13, true));
    nameFont = FitFont(lines, 13, 10, textWidth, true);
  }
  if (!nameFont) {
    std::fprintf(stderr, "vantrel-images-gen: the name of profile %d does not fit its button\n", number);
    Failed = true;
    nameFont = MakeFont(10, true, QFont::Condensed);
  }
  auto detailFont = FitFont({texts.Detail}, 10, 9, textWidth, false);
  if (!detailFont) {
    std::fprintf(stderr, "vantrel-images-gen: the small line of button %d does not fit\n", number);
    Failed = true;
    detailFont = MakeFont(9, false, QFont::Condensed);
  }
  const QFontMetrics nameMetrics(*nameFont), detailMetrics(*detailFont);
  const int lineHeight = nameMetrics.height() - (lines.size() > 1 ? 2 : 0);
  const int blockHeight = lineHeight * int(lines.size()) + detailMetrics.height();
  int y = (size.height() - blockHeight) / 2;
  p.setFont(*nameFont);
  p.setPen(highlighted ? QColor(Qt::white) : Ink);
  for (const QString &line : lines) {
    p.drawText(QRectF(textLeft, y, textWidth, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, line);
    y += lineHeight;
  }
  p.setFont(*detailFont);
  p.setPen(highlighted ? QColor(0xdc, 0xea, 0xfa) : Muted);
  p.drawText(QRectF(textLeft, y, textWidth, detailMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
             texts.Detail);

  if (OpensSubPanel(number)) Chevron(p, QPointF(size.width() - 13, size.height() / 2.0), 5,
                                     highlighted ? QColor(Qt::white) : Muted);
  return image;
}

// ---- Pictures the main form carries ----

QImage ColumnFooter(QSize size) {
  QImage image = NewImage(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF all(0, 0, size.width(), size.height());
  VerticalGradient(p, all, QColor(0xe1, 0xe9, 0xf2), QColor(0xc9, 0xd7, 0xe6));
  p.fillRect(QRectF(0, 0, all.width(), 1), Line);
  p.setFont(*FitFont({"Choose an output format"}, 11, 8, size.width() - 8, false));
  p.setPen(Muted);
  p.drawText(all, Qt::AlignCenter, "Choose an output format");
  return image;
}

QImage PageStrip(QSize size, const QString &text) {
  QImage image = NewImage(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF all(0, 0, size.width(), size.height());
  VerticalGradient(p, all, QColor(0xee, 0xf3, 0xf8), QColor(0xdb, 0xe4, 0xee));
  p.fillRect(QRectF(0, 0, all.width(), 1), Line);
  p.setFont(MakeFont(10, false));
  p.setPen(Muted);
  p.drawText(all.adjusted(8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
  return image;
}

QImage PageSwitch(QSize size, bool forward) {
  QImage image = NewImage(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF all(0, 0, size.width(), size.height());
  VerticalGradient(p, all, HotTop, HotBottom);
  p.fillRect(QRectF(0, 0, 1, all.height()), HotEdge);
  p.setFont(MakeFont(11, true));
  p.setPen(Qt::white);
  const qreal mid = all.height() / 2;
  if (forward) {
    p.drawText(all.adjusted(8, 0, -18, 0), Qt::AlignRight | Qt::AlignVCenter, "Next");
    Chevron(p, QPointF(all.width() - 11, mid), 3.5, Qt::white);
  } else {
    p.drawText(all.adjusted(18, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter, "Back");
    p.save();
    p.translate(22, 0);
    p.scale(-1, 1);
    Chevron(p, QPointF(11, mid), 3.5, Qt::white);
    p.restore();
  }
  return image;
}

// The picture shown where the presentation preview plays while nothing plays.
QImage StopPlayPicture(QSize size) {
  QImage image = NewImage(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF all(0, 0, size.width(), size.height());
  VerticalGradient(p, all, QColor(0x2a, 0x36, 0x45), QColor(0x12, 0x18, 0x20));
  const QPointF centre(all.width() / 2, all.height() / 2 - 10);
  p.setPen(QPen(QColor(0x8f, 0xa3, 0xb8), 2));
  p.setBrush(QColor(0x1c, 0x26, 0x33));
  p.drawEllipse(centre, 26, 26);
  QPainterPath play;
  play.moveTo(centre.x() - 8, centre.y() - 12);
  play.lineTo(centre.x() + 13, centre.y());
  play.lineTo(centre.x() - 8, centre.y() + 12);
  play.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xc9, 0xd6, 0xe3));
  p.drawPath(play);
  p.setFont(MakeFont(11, false));
  p.setPen(QColor(0xa9, 0xb8, 0xc8));
  p.drawText(QRectF(0, centre.y() + 32, all.width(), 20), Qt::AlignCenter, "Preview");
  return image;
}

QImage FormPictureImage(const FormPicture &picture) {
  const QString &name = picture.Name;
  if (name == "Image3") return ColumnFooter(picture.Size);
  if (name == "im_mainico") return CategoryIcon(1);
  if (name == "ImgStopPlay") return StopPlayPicture(picture.Size);
  if (name == "btim_next") return PageStrip(picture.Size, "Video formats, page 1 of 2");
  if (name == "btim_pre") return PageStrip(picture.Size, "Video formats, page 2 of 2");
  if (name == "Image1") return PageStrip(picture.Size, "Audio formats, page 1 of 2");
  if (name == "Image4") return PageStrip(picture.Size, "Audio formats, page 2 of 2");
  return PageSwitch(picture.Size, name == "Image94" || name == "Image2");
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vantrel-images-gen <program folder>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString images = QDir(QString::fromLocal8Bit(argv[1])).filePath("images");

  for (const Category &category : Categories()) {
    Save(CategoryPicture(category, false), images + "/main/general/img_" + category.Word + ".bmp");
    Save(CategoryPicture(category, true), images + "/main/move/img_" + category.Word + ".bmp");
  }
  for (int k = 1; k <= CategoryIconCount; ++k) Save(CategoryIcon(k), images + QString("/main/%1.bmp").arg(k));

  for (int n = 1; n <= ProfileButtonCount; ++n) {
    const QSize size = ProfileButtonSize(n);
    const std::optional<ButtonTexts> texts = TextsOfButton(n);
    Save(texts ? ButtonPicture(n, size, *texts, false) : FillerPicture(size, false),
         images + QString("/sub/general/%1.bmp").arg(n));
    Save(texts ? ButtonPicture(n, size, *texts, true) : FillerPicture(size, true),
         images + QString("/sub/move/%1.bmp").arg(n));
  }

  for (const FormPicture &picture : FormPictures())
    Save(FormPictureImage(picture), images + "/form/" + picture.Name + ".bmp");
  return Failed ? 1 : 0;
}
