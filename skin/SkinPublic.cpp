#include "SkinPublic.h"

#include <QGuiApplication>
#include <QMetaProperty>
#include <QScreen>
#include <QWidget>

#include "SkinMgr.h"
#include "component.h"

// Decided once at start: only one old consumer release of Windows needed the combo box left alone.
const bool Win95Osr2 = false;

bool CoordInRect(int x, int y, const TRect &rect) {
  return x >= rect.Left && x <= rect.Right && y >= rect.Top && y <= rect.Bottom;
}

bool PointInRect(const TPoint &point, const TRect &rect) { return CoordInRect(point.X, point.Y, rect); }

void GetWorkArea(TRect &rect) {
  QScreen *screen = QGuiApplication::primaryScreen();
  if (!screen) {
    rect = TRect{};
    return;
  }
  QRect area = screen->availableGeometry();
  rect = Rect(area.left(), area.top(), area.left() + area.width(), area.top() + area.height());
}

void SetFormBounds(QWidget *form, const TRect &rect) {
  if (!form) return;
  form->move(rect.Left, rect.Top);
  form->resize(rect.Width(), rect.Height());
}

TSkinApplicationView &SkinApplicationView() {
  static TSkinApplicationView view;
  return view;
}

bool IsFormActive(QWidget *form) {
  const TSkinApplicationView &app = SkinApplicationView();
  auto ownActive = [&] {
    if (!form) return false;
    return app.FormActive ? app.FormActive(form) : form->isActiveWindow();
  };
  QWidget *mainForm = app.MainForm ? app.MainForm() : nullptr;
  if (!mainForm) return ownActive();
  bool mdiFrame = app.IsMDIFrame && app.IsMDIFrame(mainForm);
  if (mdiFrame && mainForm == form) return true;
  bool active = app.Active ? app.Active() : QGuiApplication::applicationState() == Qt::ApplicationActive;
  if (!active) return false;
  if (!form || form == mainForm) return true;
  if (mdiFrame) {
    QWidget *child = app.ActiveMDIChild ? app.ActiveMDIChild(mainForm) : nullptr;
    if (child && child == form) return true;
  }
  return ownActive();
}

namespace {
QByteArray Unqualified(const char *name) {
  QByteArray text(name);
  int colons = text.lastIndexOf("::");
  return colons < 0 ? text : text.mid(colons + 2);
}
}  // namespace

bool InheritsClass(const QObject *object, const char *className) {
  if (!object) return false;
  for (const QMetaObject *meta = object->metaObject(); meta; meta = meta->superClass())
    if (Unqualified(meta->className()) == className) return true;
  return false;
}

std::string ClassName(const QObject *object) {
  return object ? Unqualified(object->metaObject()->className()).toStdString() : std::string();
}

QWidget *FormOf(QObject *object) {
  auto *widget = qobject_cast<QWidget *>(object);
  if (!widget) return nullptr;
  return (InheritsClass(widget, "TForm") || widget->isWindow()) ? widget : nullptr;
}

QWidget *FormOf(TComponent *component) { return FormOf(dynamic_cast<QObject *>(component)); }

std::string PCharToString(const char *text) { return text ? std::string(text) : std::string(); }

namespace {

int FindProperty(const QObject *object, const std::string &name) {
  if (!object) return -1;
  const QMetaObject *meta = object->metaObject();
  QString wanted = QString::fromStdString(name);
  for (int i = 0; i < meta->propertyCount(); ++i)
    if (wanted.compare(QLatin1String(meta->property(i).name()), Qt::CaseInsensitive) == 0) return i;
  return -1;
}

}  // namespace

bool HasPublishedProperty(const QObject *object, const std::string &name) { return FindProperty(object, name) >= 0; }

QVariant GetPublishedProperty(const QObject *object, const std::string &name) {
  int index = FindProperty(object, name);
  if (index < 0) return QVariant();
  return object->metaObject()->property(index).read(object);
}

bool SetPublishedProperty(QObject *object, const std::string &name, const QVariant &value) {
  int index = FindProperty(object, name);
  if (index < 0) return false;
  QMetaProperty property = object->metaObject()->property(index);
  QVariant converted = value;
  if (converted.metaType() != property.metaType() && !converted.convert(property.metaType())) return false;
  return property.write(object, converted);
}

void ApplyStyleToChildren(QWidget *parent, TskinUIStyle style, TskinFileTheme *fileTheme) {
  if (!parent) return;
  // The list is copied: a child's setters may add or remove children.
  const QObjectList children = parent->children();
  for (QObject *child : children) {
    if (!qobject_cast<QWidget *>(child)) continue;
    if (!HasProperty(child, "FileTheme") || !HasProperty(child, "UIStyle")) continue;
    SetPublishedProperty(child, "FileTheme", QVariant::fromValue(fileTheme));
    SetPublishedProperty(child, "UIStyle", QVariant::fromValue(style));
  }
}

void CutBitmapFrame(TBitmap *source, TBitmap *target, int frameCount, int frameNumber) {
  if (!source || !target) return;
  if (frameCount < 1) frameCount = 1;
  int frameWidth = source->Width() / frameCount;
  int height = source->Height();
  TBitmap frame(frameWidth, height);
  win::BitBlt(frame.Canvas(), 0, 0, frameWidth, height, source->Canvas(), (frameNumber - 1) * frameWidth, 0,
              SRCCOPY);
  target->SetSize(frameWidth, height);
  win::BitBlt(target->Canvas(), 0, 0, frameWidth, height, frame.Canvas(), 0, 0, SRCCOPY);
}

void RotateBitmap90(TBitmap *bitmap) {
  if (!bitmap) return;
  int w = bitmap->Width(), h = bitmap->Height();
  if (bitmap->Empty()) {
    bitmap->SetSize(h, w);
    return;
  }
  const QImage &source = bitmap->Image();
  QImage turned(h, w, QImage::Format_RGB32);
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < h; ++y) turned.setPixel(y, w - 1 - x, source.pixel(x, y));
  bitmap->SetImage(turned);
}
