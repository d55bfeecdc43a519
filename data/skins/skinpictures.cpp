// Draws the pictures that a skin file names (its face and every object's looks) into the program folder,
// then copies the skin file beside them.
//   vantrel-skin-pictures <skin file> <program folder>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "skinfile.h"

namespace {

enum class Style { Menu, Tool, DvdTool, Small, Go, Stop, Minimize, Close, Label, TextBox, Lcd, Slider, Glyph };
enum class Glyph { None, Play, Pause, Stop };

struct Look {
  Style Kind;
  QString Caption;
  Glyph Icon = Glyph::None;
};

// How each named object looks, by skin form and name.
const std::map<std::wstring, Look> &MainLooks() {
  static const std::map<std::wstring, Look> looks = {
      {L"minimize", {Style::Minimize, ""}},
      {L"close", {Style::Close, ""}},
      {L"file", {Style::Menu, "File"}},
      {L"dvdfile", {Style::Menu, "DVD"}},
      {L"settings", {Style::Menu, "Settings"}},
      {L"help", {Style::Menu, "Help"}},
      {L"profiles", {Style::Small, "Profile"}},
      {L"profilestext", {Style::TextBox, ""}},
      {L"browse", {Style::Small, "Browse..."}},
      {L"open", {Style::Small, "Open"}},
      {L"video_size", {Style::Label, "Video Size"}},
      {L"video_quality", {Style::Label, "Video Quality"}},
      {L"audio_quality", {Style::Label, "Audio Quality"}},
      {L"channels", {Style::Label, "Channels"}},
      {L"play_time", {Style::Lcd, ""}},
      {L"play", {Style::Glyph, "", Glyph::Play}},
      {L"pause", {Style::Glyph, "", Glyph::Pause}},
      {L"stopplay", {Style::Glyph, "", Glyph::Stop}},
      {L"play_bar", {Style::Slider, ""}},
      {L"openfiles", {Style::Tool, "Add Files"}},
      {L"openfolder", {Style::Tool, "Add Folder"}},
      {L"remove", {Style::Tool, "Remove"}},
      {L"clear", {Style::Tool, "Clear"}},
      {L"dvdopen", {Style::DvdTool, "Add DVD"}},
      {L"ifoopen", {Style::DvdTool, "Add IFO"}},
      {L"chapter", {Style::DvdTool, "Chapter"}},
      {L"cutter", {Style::DvdTool, "Cutter"}},
      {L"hint", {Style::TextBox, ""}},
      {L"converter", {Style::Go, "Convert"}},
      {L"stopconverter", {Style::Stop, "Stop"}},
  };
  return looks;
}

const std::map<std::wstring, Look> &ShowLooks() {
  static const std::map<std::wstring, Look> looks = {
      {L"close", {Style::Close, ""}},
      {L"showstatic", {Style::TextBox, ""}},
  };
  return looks;
}

Look LookOf(const std::wstring &form, const TSkinObjectDef &object) {
  const auto &looks = form == L"show" ? ShowLooks() : MainLooks();
  auto it = looks.find(object.Name);
  if (it != looks.end()) return it->second;
  // An object we have no drawing for still gets a plain, readable button.
  return {Style::Small, QString::fromStdWString(object.Name)};
}

QColor Shade(const QColor &colour, int look) {
  if (look == slHover) return colour.lighter(118);
  if (look == slPressed) return colour.darker(125);
  return colour;
}

// The largest font up to `pixelSize` at which the caption fits the width.
QFont FitFont(const QString &text, int pixelSize, int width, bool bold) {
  QFont font("DejaVu Sans");
  font.setBold(bold);
  for (int size = pixelSize; size >= 8; --size) {
    font.setPixelSize(size);
    for (int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed), int(QFont::Condensed)}) {
      font.setStretch(stretch);
      if (QFontMetrics(font).horizontalAdvance(text) <= width) return font;
    }
  }
  return font;
}

void Caption(QPainter &p, const QRect &area, const QString &text, const QColor &colour, int pixelSize, bool bold,
             int look) {
  p.setFont(FitFont(text, pixelSize, area.width() - 6, bold));
  QRect shifted = look == slPressed ? area.translated(1, 1) : area;
  p.setPen(colour);
  p.drawText(shifted, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void RoundedButton(QPainter &p, const QRect &r, QColor top, QColor bottom, QColor border, int look) {
  QLinearGradient gradient(r.topLeft(), r.bottomLeft());
  gradient.setColorAt(0, Shade(look == slPressed ? bottom : top, look));
  gradient.setColorAt(1, Shade(look == slPressed ? top : bottom, look));
  p.setPen(QPen(border, 1));
  p.setBrush(gradient);
  p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  if (look != slPressed) {
    p.setPen(QColor(255, 255, 255, 70));
    p.drawLine(r.left() + 4, r.top() + 1, r.right() - 4, r.top() + 1);
  }
}

void DrawGlyph(QPainter &p, const QRect &r, Glyph glyph, const QColor &colour) {
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  QPointF c = QRectF(r).center();
  if (glyph == Glyph::Play) {
    QPainterPath path;
    path.moveTo(c.x() - 4, c.y() - 6);
    path.lineTo(c.x() + 6, c.y());
    path.lineTo(c.x() - 4, c.y() + 6);
    path.closeSubpath();
    p.drawPath(path);
  } else if (glyph == Glyph::Pause) {
    p.drawRect(QRectF(c.x() - 5, c.y() - 6, 3.5, 12));
    p.drawRect(QRectF(c.x() + 1.5, c.y() - 6, 3.5, 12));
  } else if (glyph == Glyph::Stop) {
    p.drawRect(QRectF(c.x() - 5, c.y() - 5, 10, 10));
  }
}

void DrawWindowButton(QPainter &p, const QRect &r, bool close, int look) {
  if (look != slNormal) {
    QColor back = close ? QColor(0xd9, 0x44, 0x3c) : QColor(0x3b, 0x66, 0x96);
    if (look == slPressed) back = back.darker(130);
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(r), 3, 3);
  }
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  QPointF c = QRectF(r).center();
  if (close) {
    p.drawLine(QPointF(c.x() - 4.5, c.y() - 4.5), QPointF(c.x() + 4.5, c.y() + 4.5));
    p.drawLine(QPointF(c.x() + 4.5, c.y() - 4.5), QPointF(c.x() - 4.5, c.y() + 4.5));
  } else {
    p.drawLine(QPointF(c.x() - 5, c.y() + 4), QPointF(c.x() + 5, c.y() + 4));
  }
}

void DrawSunkenBox(QPainter &p, const QRect &r, QColor fill, QColor border) {
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawRect(r);
  p.setPen(border);
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  p.setPen(QColor(0, 0, 0, 40));
  p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
}

// One look of one object, the size of its rectangle.
QImage DrawObject(const Look &look, QSize size, int state) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QRect r(QPoint(0, 0), size);
  switch (look.Kind) {
    case Style::Menu:
      if (state != slNormal) {
        p.setPen(QColor(0x9d, 0xb9, 0xd9));
        p.setBrush(state == slPressed ? QColor(0xbc, 0xd3, 0xec) : QColor(0xd6, 0xe4, 0xf3));
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
      }
      Caption(p, r, look.Caption, QColor(0x1d, 0x33, 0x50), 12, false, state);
      break;
    case Style::Tool:
      RoundedButton(p, r, QColor(0x5b, 0x8f, 0xc7), QColor(0x3f, 0x6f, 0xa3), QColor(0x2f, 0x56, 0x80), state);
      Caption(p, r, look.Caption, Qt::white, 11, true, state);
      break;
    case Style::DvdTool:
      RoundedButton(p, r, QColor(0x84, 0x96, 0xab), QColor(0x63, 0x75, 0x8b), QColor(0x4a, 0x5a, 0x6d), state);
      Caption(p, r, look.Caption, Qt::white, 11, true, state);
      break;
    case Style::Small:
      RoundedButton(p, r, QColor(0xf8, 0xfa, 0xfd), QColor(0xdc, 0xe5, 0xef),
                    state == slNormal ? QColor(0x8a, 0xa2, 0xbb) : QColor(0x4f, 0x82, 0xb8), state);
      Caption(p, r, look.Caption, QColor(0x1d, 0x33, 0x50), 11, false, state);
      break;
    case Style::Glyph:
      RoundedButton(p, r, QColor(0xf8, 0xfa, 0xfd), QColor(0xdc, 0xe5, 0xef),
                    state == slNormal ? QColor(0x8a, 0xa2, 0xbb) : QColor(0x4f, 0x82, 0xb8), state);
      DrawGlyph(p, state == slPressed ? r.translated(1, 1) : r, look.Icon, QColor(0x2b, 0x4f, 0x78));
      break;
    case Style::Go:
      RoundedButton(p, r, QColor(0x5c, 0xb8, 0x5f), QColor(0x2e, 0x7d, 0x32), QColor(0x23, 0x5f, 0x26), state);
      Caption(p, r, look.Caption, Qt::white, 15, true, state);
      break;
    case Style::Stop:
      RoundedButton(p, r, QColor(0xe2, 0x6a, 0x64), QColor(0xb2, 0x3a, 0x35), QColor(0x8a, 0x2b, 0x27), state);
      Caption(p, r, look.Caption, Qt::white, 15, true, state);
      break;
    case Style::Minimize:
    case Style::Close:
      DrawWindowButton(p, r, look.Kind == Style::Close, state);
      break;
    case Style::Label: {
      QFont font("DejaVu Sans");
      font.setPixelSize(11);
      font.setBold(true);
      font.setUnderline(state != slNormal);
      p.setFont(font);
      p.setPen(state == slNormal ? QColor(0x23, 0x38, 0x4d) : QColor(0x2d, 0x6c, 0xb0));
      p.drawText(r.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, look.Caption);
      break;
    }
    case Style::TextBox:
      DrawSunkenBox(p, r, Qt::white, QColor(0x9f, 0xb3, 0xc8));
      break;
    case Style::Lcd:
      DrawSunkenBox(p, r, QColor(0x10, 0x18, 0x20), QColor(0x44, 0x55, 0x6a));
      break;
    case Style::Slider: {
      QRectF groove(0.5, size.height() / 2.0 - 2.5, size.width() - 1.0, 5);
      p.setPen(QColor(0x7f, 0x93, 0xa9));
      p.setBrush(QColor(0xc9, 0xd5, 0xe2));
      p.drawRoundedRect(groove, 2.5, 2.5);
      break;
    }
  }
  return image;
}

QImage DrawThumb(QSize slider) {
  QImage image(QSize(10, slider.height()), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF r = QRectF(image.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient gradient(r.topLeft(), r.bottomLeft());
  gradient.setColorAt(0, QColor(0x6a, 0x9c, 0xd2));
  gradient.setColorAt(1, QColor(0x2f, 0x5f, 0x94));
  p.setPen(QColor(0x24, 0x48, 0x70));
  p.setBrush(gradient);
  p.drawRoundedRect(r, 3, 3);
  return image;
}

void Text(QPainter &p, const QRect &r, const QString &text, int pixelSize, bool bold, const QColor &colour,
          Qt::Alignment align) {
  QFont font("DejaVu Sans");
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  p.setFont(font);
  p.setPen(colour);
  p.drawText(r, align | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

void Panel(QPainter &p, const QRect &r, QColor fill, QColor border) {
  p.setPen(border);
  p.setBrush(fill);
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

void TitleBar(QPainter &p, int width, int height) {
  QLinearGradient gradient(0, 0, 0, height);
  gradient.setColorAt(0, QColor(0x2a, 0x55, 0x85));
  gradient.setColorAt(1, QColor(0x18, 0x32, 0x4f));
  p.fillRect(0, 0, width, height, gradient);
}

QImage DrawMainFace(QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  int w = size.width(), h = size.height();
  p.fillRect(image.rect(), QColor(0xe8, 0xed, 0xf3));

  TitleBar(p, w, 30);
  Text(p, QRect(12, 0, 200, 30), "Vantrel", 16, true, Qt::white, Qt::AlignLeft);
  Text(p, QRect(96, 1, 400, 30), "presentations to video", 12, false, QColor(0xb9, 0xcd, 0xe3), Qt::AlignLeft);

  // Menu bar.
  p.fillRect(0, 30, w, 24, QColor(0xf5, 0xf8, 0xfb));
  p.fillRect(0, 53, w, 1, QColor(0xc3, 0xcf, 0xdc));

  // Profile line and output folder.
  Text(p, QRect(340, 60, 76, 22), "Output:", 11, true, QColor(0x23, 0x38, 0x4d), Qt::AlignRight);
  Panel(p, QRect(419, 63, 193, 20), Qt::white, QColor(0x9f, 0xb3, 0xc8));

  // The file lists' well.
  Panel(p, QRect(10, 87, 539, 345), Qt::white, QColor(0x9f, 0xb3, 0xc8));

  // Options and preview column.
  Panel(p, QRect(554, 87, 189, 404), QColor(0xf7, 0xf9, 0xfc), QColor(0xc3, 0xcf, 0xdc));
  Text(p, QRect(562, 88, 170, 18), "Output Settings", 11, true, QColor(0x2a, 0x55, 0x85), Qt::AlignLeft);
  p.fillRect(562, 106, 173, 1, QColor(0xc3, 0xcf, 0xdc));
  Text(p, QRect(562, 274, 100, 19), "Preview", 11, true, QColor(0x2a, 0x55, 0x85), Qt::AlignLeft);
  Panel(p, QRect(558, 293, 180, 142), QColor(0x20, 0x24, 0x2a), QColor(0x44, 0x55, 0x6a));

  // Status band with the convert buttons.
  QLinearGradient band(0, 512, 0, h);
  band.setColorAt(0, QColor(0xdf, 0xe7, 0xf0));
  band.setColorAt(1, QColor(0xcf, 0xda, 0xe6));
  p.fillRect(0, 512, w, h - 512, band);
  p.fillRect(0, 512, w, 1, QColor(0xb3, 0xc2, 0xd2));

  p.setPen(QColor(0x18, 0x32, 0x4f));
  p.setBrush(Qt::NoBrush);
  p.drawRect(0, 0, w - 1, h - 1);
  return image;
}

QImage DrawShowFace(QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  int w = size.width(), h = size.height();
  QLinearGradient gradient(0, 0, 0, h);
  gradient.setColorAt(0, QColor(0xf4, 0xf7, 0xfb));
  gradient.setColorAt(1, QColor(0xd9, 0xe3, 0xee));
  p.fillRect(image.rect(), gradient);
  TitleBar(p, w, 28);
  Text(p, QRect(10, 0, 200, 28), "Vantrel", 13, true, Qt::white, Qt::AlignLeft);
  p.setPen(QColor(0x18, 0x32, 0x4f));
  p.drawRect(0, 0, w - 1, h - 1);
  return image;
}

QImage DrawFace(const TSkinFormDef &form) {
  if (form.Id == L"show") return DrawShowFace(form.Size);
  return DrawMainFace(form.Size);
}

void Save(const QImage &image, const std::string &folder, const std::string &relative) {
  QString path = QString::fromStdString(folder + relative);
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (!image.save(path, "PNG")) throw std::runtime_error("cannot write " + path.toStdString());
}

void Generate(const std::string &skinPath, std::string programFolder) {
  if (programFolder.empty() || programFolder.back() != '/') programFolder += '/';
  TSkinFileData skin = ReadSkinFileStructure(skinPath);
  for (const TSkinFormDef &form : skin.Forms) {
    Save(DrawFace(form), programFolder, form.FacePicture);
    for (const TSkinObjectDef &object : form.Objects) {
      Look look = LookOf(form.Id, object);
      for (int state = 0; state < SkinLookCount; ++state)
        if (!object.Pictures[state].empty())
          Save(DrawObject(look, object.Rect.size(), state), programFolder, object.Pictures[state]);
      if (!object.ThumbPicture.empty()) Save(DrawThumb(object.Rect.size()), programFolder, object.ThumbPicture);
    }
  }
  // The skin file goes last, so that a build tool that watches it sees every picture done.
  QString target = QString::fromStdString(programFolder) + QFileInfo(QString::fromStdString(skinPath)).fileName();
  QFile::remove(target);
  if (!QFile::copy(QString::fromStdString(skinPath), target))
    throw std::runtime_error("cannot copy the skin file to " + target.toStdString());
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <skin file> <program folder>\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  try {
    Generate(argv[1], argv[2]);
  } catch (const std::exception &error) {
    std::fprintf(stderr, "vantrel-skin-pictures: %s\n", error.what());
    return 1;
  }
  return 0;
}
