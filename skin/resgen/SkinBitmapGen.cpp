// Draws the skin library's bitmap resources into BMP files and writes the Qt resource list that
// compiles them in. Usage: SkinBitmapGen <output folder>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "SkinBitmapList.h"

namespace {

struct Palette {
  QColor face;    // control faces
  QColor light;   // highlights
  QColor dark;    // outlines and shadows
  QColor accent;  // selection and progress
  QColor titleTop, titleBottom;
  QColor glyph;
  bool keyed;  // title buttons are drawn on the transparent key colour
};

const QColor Key(255, 0, 255);

Palette PaletteFor(const std::string &style) {
  if (style == "MACOS")
    return {QColor(231, 231, 231), QColor(255, 255, 255), QColor(127, 127, 127), QColor(57, 115, 196),
            QColor(238, 238, 238), QColor(196, 196, 196), QColor(60, 60, 60), false};
  if (style == "WINXP")
    return {QColor(239, 235, 222), QColor(255, 255, 255), QColor(104, 104, 104), QColor(49, 105, 198),
            QColor(0, 88, 238), QColor(0, 60, 200), QColor(255, 255, 255), false};
  if (style == "PROTEIN")
    return {QColor(251, 251, 251), QColor(255, 255, 255), QColor(90, 90, 110), QColor(45, 48, 196),
            QColor(250, 250, 252), QColor(214, 218, 230), QColor(45, 48, 150), true};
  if (style == "BLUEGLASS")
    return {QColor(231, 231, 231), QColor(235, 242, 255), QColor(40, 50, 110), QColor(94, 94, 236),
            QColor(130, 160, 235), QColor(50, 80, 190), QColor(255, 255, 255), true};
  // DEEPBLUE and the shared pictures
  return {QColor(232, 232, 232), QColor(200, 210, 240), QColor(20, 24, 70), QColor(68, 74, 160),
          QColor(50, 62, 140), QColor(18, 24, 80), QColor(230, 236, 255), false};
}

QColor Shade(const QColor &c, int state) {
  return state == 0 ? c : state == 1 ? c.lighter(125) : c.darker(130);
}

void VerticalGradient(QPainter &p, const QRect &r, const QColor &top, const QColor &bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(r, g);
}

// One of the six title-button glyphs in the square `r`.
void TitleGlyph(QPainter &p, const QRectF &r, int glyph, const QColor &color) {
  double s = r.width();
  double m = std::round(s * 0.27);
  QRectF in = r.adjusted(m, m, -m, -m);
  QPen pen(color, std::max(1.0, s / 10.0), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  switch (glyph) {
    case 0:  // control box: the window menu's three lines
      for (int i = 0; i < 3; ++i)
        p.fillRect(QRectF(in.left(), in.top() + i * in.height() / 2.0 - (i == 2 ? 1.5 : 0.5), in.width(), 1.5), color);
      break;
    case 1: {  // help: a question mark
      QPainterPath path;
      path.moveTo(in.left(), in.top() + in.height() * 0.3);
      path.arcTo(QRectF(in.left(), in.top(), in.width(), in.height() * 0.55), 180, -270);
      path.lineTo(in.center().x(), in.top() + in.height() * 0.72);
      p.drawPath(path);
      p.fillRect(QRectF(in.center().x() - 1, in.bottom() - 1.5, 2, 2), color);
      break;
    }
    case 2:  // maximise
      p.drawRect(in);
      p.fillRect(QRectF(in.left(), in.top(), in.width(), std::max(2.0, s / 7)), color);
      break;
    case 3: {  // restore: two windows, the front one over the back one
      p.setPen(QPen(color, 1));
      double d = std::round(in.width() * 0.35);
      QRectF back = in.adjusted(d, 0, 0, -d), front = in.adjusted(0, d, -d, 0);
      p.drawRect(back);
      p.fillRect(QRectF(back.left(), back.top(), back.width(), 2), color);
      p.drawRect(front);
      p.fillRect(QRectF(front.left(), front.top(), front.width(), 2), color);
      break;
    }
    case 4:  // minimise
      p.fillRect(QRectF(in.left(), in.bottom() - std::max(2.0, s / 7), in.width() * 0.7, std::max(2.0, s / 7)), color);
      break;
    default:  // close
      p.drawLine(in.topLeft(), in.bottomRight());
      p.drawLine(in.topRight(), in.bottomLeft());
      break;
  }
}

// 18 square frames: control box, help, maximise, restore, minimise, close; each normal, hover, down.
void TitleButtons(QImage &img, const std::string &style, const Palette &pal) {
  int h = img.height();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, !pal.keyed);
  for (int f = 0; f < 18; ++f) {
    int glyph = f / 3, state = f % 3;
    QRect cell(f * h, 0, h, h);
    if (pal.keyed)
      p.fillRect(cell, Key);
    else
      VerticalGradient(p, cell, pal.titleTop, pal.titleBottom);
    QRectF face = QRectF(cell).adjusted(1.5, 1.5, -1.5, -1.5);
    QColor fill;
    if (style == "MACOS") {
      static const QColor macColors[] = {QColor(150, 150, 150), QColor(150, 150, 150), QColor(98, 200, 70),
                                         QColor(98, 200, 70), QColor(250, 190, 60), QColor(235, 80, 70)};
      fill = Shade(macColors[glyph], state);
      p.setPen(QPen(fill.darker(150), 1));
      p.setBrush(fill);
      p.drawEllipse(face);
      // The glyph is faint until the mouse is over the button.
      TitleGlyph(p, face, glyph, state == 0 ? fill.darker(140) : QColor(70, 30, 20));
      continue;
    }
    if (style == "WINXP")
      fill = glyph == 5 ? QColor(218, 70, 34) : QColor(40, 110, 250);
    else if (style == "DEEPBLUE")
      fill = glyph == 5 ? QColor(170, 40, 50) : QColor(60, 76, 170);
    else if (style == "PROTEIN")
      fill = glyph == 5 ? QColor(200, 60, 60) : QColor(225, 228, 240);
    else
      fill = glyph == 5 ? QColor(210, 70, 110) : QColor(110, 140, 240);
    fill = Shade(fill, state);
    p.setPen(QPen(pal.keyed ? pal.dark : pal.light, 1));
    p.setBrush(fill);
    if (pal.keyed)
      p.drawEllipse(face.adjusted(0, 0, 0, -1));
    else
      p.drawRoundedRect(face, h / 6.0, h / 6.0);
    TitleGlyph(p, face, glyph, pal.glyph);
  }
}

void Frames(QImage &img, int count, const std::function<void(QPainter &, const QRect &, int)> &draw) {
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  int w = img.width() / count;
  for (int i = 0; i < count; ++i) draw(p, QRect(i * w, 0, w, img.height()), i);
}

void Arrow(QPainter &p, const QRectF &r, int direction, const QColor &color) {
  QPointF c = r.center();
  double s = std::min(r.width(), r.height()) / 4.0;
  QPolygonF tri;
  switch (direction) {
    case 0: tri << QPointF(c.x() - s, c.y() + s / 2) << QPointF(c.x() + s, c.y() + s / 2) << QPointF(c.x(), c.y() - s / 2); break;
    case 1: tri << QPointF(c.x() - s, c.y() - s / 2) << QPointF(c.x() + s, c.y() - s / 2) << QPointF(c.x(), c.y() + s / 2); break;
    case 2: tri << QPointF(c.x() + s / 2, c.y() - s) << QPointF(c.x() + s / 2, c.y() + s) << QPointF(c.x() - s / 2, c.y()); break;
    default: tri << QPointF(c.x() - s / 2, c.y() - s) << QPointF(c.x() - s / 2, c.y() + s) << QPointF(c.x() + s / 2, c.y()); break;
  }
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(tri);
}

void Face(QPainter &p, const QRectF &r, const Palette &pal, int state, double radius) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, Shade(pal.light, state));
  g.setColorAt(1, Shade(pal.face.darker(110), state));
  p.setPen(QPen(pal.dark, 1));
  p.setBrush(g);
  p.drawRoundedRect(r, radius, radius);
}

bool Draw(const std::string &name, QImage &img) {
  std::string style = name.substr(0, name.find('_'));
  std::string item = name.find('_') == std::string::npos ? "" : name.substr(name.find('_') + 1);
  Palette pal = PaletteFor(style);
  int w = img.width(), h = img.height();
  img.fill(pal.face);
  QRectF all(0.5, 0.5, w - 1, h - 1);

  if (name == "MAINICON") {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    img.fill(Qt::white);
    p.fillRect(QRect(2, 6, 28, 20), QColor(30, 30, 40));
    for (int x = 4; x < 30; x += 5) {
      p.fillRect(QRect(x, 7, 3, 2), Qt::white);
      p.fillRect(QRect(x, 23, 3, 2), Qt::white);
    }
    p.fillRect(QRect(5, 10, 22, 12), QColor(230, 120, 40));
    Arrow(p, QRectF(8, 8, 16, 16), 3, Qt::white);
    return true;
  }
  if (name == "MENU_CHECKED") {
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(QPen(Qt::black, 2));
    p.drawPolyline(QPolygon() << QPoint(4, 8) << QPoint(7, 11) << QPoint(12, 4));
    return true;
  }
  if (item == "FORM_BACKGROUND") {
    QPainter p(&img);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        QColor c = style == "MACOS" ? ((y % 4) < 2 ? QColor(236, 236, 236) : QColor(228, 228, 228))
                                    : (((x / 4) + (y / 4)) % 2 ? QColor(251, 251, 251) : QColor(244, 245, 250));
        img.setPixelColor(x, y, c);
      }
    return true;
  }
  QPainter p;
  if (item == "TITLEBTN") {
    TitleButtons(img, style, pal);
  } else if (item == "TITLE_LEFT" || item == "TITLE_CLIENT" || item == "TITLE_RIGHT") {
    p.begin(&img);
    VerticalGradient(p, img.rect(), pal.titleTop, pal.titleBottom);
    p.setPen(pal.light);
    p.drawLine(0, 0, w - 1, 0);
    if (item != "TITLE_CLIENT" && w > 4) {
      // The ends carry a light edge and, on the wide left ends, an emblem.
      int x = item == "TITLE_LEFT" ? 0 : w - 1;
      p.setPen(pal.dark);
      p.drawLine(x, 0, x, h - 1);
      if (item == "TITLE_LEFT" && w > 40) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(pal.accent.lighter(150));
        p.drawEllipse(QRectF(w - h * 0.8, h * 0.2, h * 0.6, h * 0.6));
      }
    }
  } else if (item == "BUTTON") {
    int count = w >= 100 ? (w % 6 == 0 ? 6 : 7) : 3;
    Frames(img, count, [&](QPainter &q, const QRect &r, int i) {
      q.fillRect(r, pal.face);
      Face(q, QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), pal, i % 3, style == "MACOS" ? h / 2.0 : 3);
    });
  } else if (item == "CHECKBOX" || item == "CHECKLIST") {
    Frames(img, 4, [&](QPainter &q, const QRect &r, int i) {
      int s = std::min(r.width(), r.height()) - 1;
      QRectF box(r.left() + (r.width() - s) / 2.0 + 0.5, r.top() + (r.height() - s) / 2.0 + 0.5, s - 1, s - 1);
      Face(q, box, pal, i / 2, style == "MACOS" ? 3 : 1);
      if (i % 2) {
        q.setPen(QPen(style == "WINXP" ? QColor(33, 161, 33) : pal.accent, std::max(1.5, s / 6.0)));
        q.drawPolyline(QPolygonF() << QPointF(box.left() + s * 0.2, box.center().y())
                                   << QPointF(box.left() + s * 0.42, box.bottom() - s * 0.22)
                                   << QPointF(box.right() - s * 0.18, box.top() + s * 0.2));
      }
    });
  } else if (item == "RADIOBUTTON") {
    Frames(img, 4, [&](QPainter &q, const QRect &r, int i) {
      int s = std::min(r.width(), r.height()) - 1;
      QRectF c(r.left() + (r.width() - s) / 2.0 + 0.5, r.top() + (r.height() - s) / 2.0 + 0.5, s - 1, s - 1);
      Face(q, c, pal, i / 2, s / 2.0);
      if (i % 2) {
        q.setPen(Qt::NoPen);
        q.setBrush(pal.accent);
        q.drawEllipse(c.adjusted(s * 0.3, s * 0.3, -s * 0.3, -s * 0.3));
      }
    });
  } else if (item == "PROGRESSBAR") {
    p.begin(&img);
    VerticalGradient(p, img.rect(), pal.accent.lighter(160), pal.accent);
    if (w > 1) {
      p.setPen(pal.accent.lighter(130));
      for (int x = 0; x < w; x += 4) p.drawLine(x, 0, x + h / 2, h - 1);
    }
  } else if (item == "TRACKBAR_BAR") {
    p.begin(&img);
    p.fillRect(img.rect(), pal.face);
    p.fillRect(QRect(0, 0, w, h), pal.dark);
    p.fillRect(QRect(1, 1, w - 2, std::max(1, h - 2)), pal.face.darker(115));
  } else if (item == "TRACKBAR_SLIDER" || item == "TRACKBAR_SLIDER_V") {
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    bool vertical = item == "TRACKBAR_SLIDER_V";
    QPolygonF shape;
    if (!vertical)
      shape << QPointF(0.5, 0.5) << QPointF(w - 0.5, 0.5) << QPointF(w - 0.5, h * 0.7) << QPointF(w / 2.0, h - 0.5)
            << QPointF(0.5, h * 0.7);
    else
      shape << QPointF(0.5, 0.5) << QPointF(w * 0.7, 0.5) << QPointF(w - 0.5, h / 2.0) << QPointF(w * 0.7, h - 0.5)
            << QPointF(0.5, h - 0.5);
    QLinearGradient g(0, 0, vertical ? 0 : w, vertical ? h : 0);
    g.setColorAt(0, pal.light);
    g.setColorAt(1, pal.accent.lighter(140));
    p.setPen(pal.dark);
    p.setBrush(g);
    p.drawPolygon(shape);
  } else if (item == "SCROLLBAR_BUTTON" || item == "SCROLLBUTTON") {
    int count = item == "SCROLLBUTTON" ? 4 : 6;
    Frames(img, count, [&](QPainter &q, const QRect &r, int i) {
      q.fillRect(r, pal.face);
      Face(q, QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), pal, i / (count / 2), 2);
      Arrow(q, r, item == "SCROLLBUTTON" ? 2 + i % 2 : i % 4, pal.dark);
    });
  } else if (item == "SCROLLBAR_TRACK") {
    Frames(img, 3, [&](QPainter &q, const QRect &r, int i) {
      q.fillRect(r, pal.face);
      Face(q, QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), pal, i, 2);
      q.setPen(pal.dark);
      for (int y = r.center().y() - 2; y <= r.center().y() + 2; y += 2)
        q.drawLine(r.left() + 2, y, r.right() - 2, y);
    });
  } else if (item == "TAB") {
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(img.rect(), pal.face);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(0.5, 0.5, w - 1, h + 4), 3, 3);
    p.setPen(pal.dark);
    p.setBrush(pal.light);
    p.drawPath(tab);
    p.fillRect(QRect(1, 1, w - 2, std::max(1, h / 6)), style == "WINXP" ? QColor(255, 200, 60) : pal.accent);
  } else if (item == "TAB_LINE") {
    p.begin(&img);
    p.fillRect(img.rect(), pal.light);
    p.fillRect(QRect(0, 0, w, 1), pal.dark);
  } else if (item == "SIDECHENNEL_HANDLE") {
    p.begin(&img);
    VerticalGradient(p, img.rect(), pal.light, pal.face.darker(110));
    p.setPen(pal.dark);
    p.drawRect(QRect(0, 0, w - 1, h - 1));
    for (int y = h / 2 - 8; y <= h / 2 + 8; y += 4) p.fillRect(QRect(w / 2 - 1, y, 2, 2), pal.accent);
  } else if (item == "SIDECHENNEL_BAR" || item == "MENU_BAR" || item == "MENU_SELECT") {
    p.begin(&img);
    if (item == "MENU_SELECT")
      VerticalGradient(p, img.rect(), QColor(90, 150, 235), QColor(40, 90, 200));
    else
      VerticalGradient(p, img.rect(), pal.light, pal.face.darker(112));
  } else if (item == "COMBOBOX_BUTTON") {
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (style == "WINXP") {
      QLinearGradient g(0, 0, 0, h);
      g.setColorAt(0, QColor(193, 211, 251));
      g.setColorAt(1, QColor(160, 185, 245));
      p.setPen(QColor(180, 200, 250));
      p.setBrush(g);
      p.drawRoundedRect(all, 2, 2);
      Arrow(p, img.rect(), 1, QColor(77, 97, 133));
    } else {
      Face(p, all, pal, 0, 3);
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.mkpath(".")) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  QString qrc = "<RCC>\n  <qresource prefix=\"/bitmaps\">\n";
  for (const SkinBitmapEntry &entry : SkinBitmapList) {
    QImage image(entry.Width, entry.Height, QImage::Format_RGB32);
    if (!Draw(entry.Name, image)) {
      std::fprintf(stderr, "no drawing for %s\n", entry.Name);
      return 1;
    }
    QString file = QString::fromLatin1(entry.Name) + ".bmp";
    if (!image.convertToFormat(QImage::Format_RGB888).save(out.filePath(file), "BMP")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
    qrc += "    <file>" + file + "</file>\n";
  }
  qrc += "  </qresource>\n</RCC>\n";
  QFile list(out.filePath("skin_bitmaps.qrc"));
  if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
  list.write(qrc.toUtf8());
  return 0;
}
