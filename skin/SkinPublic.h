#pragma once
// Helpers every skin control shares: geometry tests, the work area, bitmap cutting and rotation,
// published-property probes and style propagation, and the active-form test.
#include <QObject>
#include <QVariant>
#include <functional>
#include <string>
#include <type_traits>

#include "SkinThemes.h"
#include "canvas.h"

class QWidget;
class TComponent;
class TskinFileTheme;

// Whether the system is the second release of the first 32-bit consumer Windows; never on Linux.
extern const bool Win95Osr2;

// All four edges count as inside.
bool CoordInRect(int x, int y, const TRect &rect);
bool PointInRect(const TPoint &point, const TRect &rect);
// The desktop without the task bar: the primary screen's available geometry.
void GetWorkArea(TRect &rect);
// Left, Top, Width (Right - Left) and Height (Bottom - Top), in that order.
void SetFormBounds(QWidget *form, const TRect &rect);

// What the active-form test needs to know of the application; the forms layer can replace it.
struct TSkinApplicationView {
  std::function<QWidget *()> MainForm;                // none: the application has no main form
  std::function<bool(QWidget *)> IsMDIFrame;          // whether a form is an MDI frame
  std::function<bool()> Active;                       // whether the application is active
  std::function<QWidget *(QWidget *)> ActiveMDIChild; // the frame's MDI client's active child
  std::function<bool(QWidget *)> FormActive;          // a form's own active flag
};
TSkinApplicationView &SkinApplicationView();
bool IsFormActive(QWidget *form);

// Whether the object's class or one of its ancestors has that name (namespaces left aside).
bool InheritsClass(const QObject *object, const char *className);
// The object's class name without namespaces.
std::string ClassName(const QObject *object);

// A form is a widget whose class derives from TForm, or any top-level window; none otherwise.
QWidget *FormOf(TComponent *component);
QWidget *FormOf(QObject *object);

std::string PCharToString(const char *text);

// Whether the class publishes a property of that name, letter case ignored.
bool HasPublishedProperty(const QObject *object, const std::string &name);
// The same for any component or object: a component publishes properties only as a QObject.
template <class T> bool HasProperty(T *object, const std::string &name) {
  if constexpr (std::is_base_of_v<QObject, T>)
    return HasPublishedProperty(object, name);
  else
    return HasPublishedProperty(dynamic_cast<const QObject *>(object), name);
}
// Reads or writes a published property by name, letter case ignored; an invalid value or false
// when there is no such property or the value does not fit it.
QVariant GetPublishedProperty(const QObject *object, const std::string &name);
bool SetPublishedProperty(QObject *object, const std::string &name, const QVariant &value);

// For each direct child control that publishes "FileTheme" and "UIStyle": the file theme first,
// then the style.
void ApplyStyleToChildren(QWidget *parent, TskinUIStyle style, TskinFileTheme *fileTheme);

// Frame k (from 1) of a horizontal strip of `frameCount` equal frames of width W div frameCount;
// columns left over at the right are never used.
void CutBitmapFrame(TBitmap *source, TBitmap *target, int frameCount, int frameNumber);
// Turns the bitmap 90 degrees anticlockwise in place.
void RotateBitmap90(TBitmap *bitmap);
