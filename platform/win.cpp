#include "win.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cxxabi.h>
#include <cstdlib>
#include <map>
#include <mutex>
#include <typeinfo>

namespace win {
namespace {

struct WindowEntry {
  QPointer<QWidget> Widget;
  WindowProc Proc;
  std::string ClassName;
};

// Handles are never reused, so a stale handle can only miss, never reach another window.
struct WindowTable {
  std::recursive_mutex Lock;
  std::map<HWND, WindowEntry> Entries;  // ordered by creation
  HWND Next = 0x10000;
};

WindowTable &Table() {
  static auto *table = new WindowTable;  // lives to the end of the process, destroyed by nobody
  return *table;
}

const char *kHandleProperty = "vantrel_hwnd";

std::string DemangledClassName(const QWidget *widget) {
  const char *mangled = typeid(*widget).name();
  int status = 0;
  char *plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && plain ? plain : mangled;
  std::free(plain);
  if (auto pos = name.rfind("::"); pos != std::string::npos) name = name.substr(pos + 2);
  return name;
}

WindowEntry *Find(HWND wnd) {
  auto &entries = Table().Entries;
  auto it = entries.find(wnd);
  if (it == entries.end() || it->second.Widget.isNull()) return nullptr;
  return &it->second;
}

bool SameText(const std::string &a, const std::string &b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

bool Matches(WindowEntry &entry, const std::string &className, const std::string &caption) {
  if (!className.empty() && !SameText(entry.ClassName, className)) return false;
  if (!caption.empty() && entry.Widget->windowTitle().toStdString() != caption) return false;
  return true;
}

}  // namespace

HWND HandleOf(QWidget *widget) {
  if (!widget) return 0;
  std::lock_guard guard(Table().Lock);
  QVariant known = widget->property(kHandleProperty);
  if (known.isValid()) return static_cast<HWND>(known.toULongLong());
  HWND wnd = Table().Next;
  Table().Next += 4;
  Table().Entries[wnd] = WindowEntry{widget, nullptr, DemangledClassName(widget)};
  widget->setProperty(kHandleProperty, QVariant::fromValue<qulonglong>(wnd));
  QObject::connect(widget, &QObject::destroyed, [wnd] {
    std::lock_guard inner(Table().Lock);
    Table().Entries.erase(wnd);
  });
  return wnd;
}

QWidget *WidgetOf(HWND wnd) {
  std::lock_guard guard(Table().Lock);
  WindowEntry *entry = Find(wnd);
  return entry ? entry->Widget.data() : nullptr;
}

bool IsWindow(HWND wnd) { return WidgetOf(wnd) != nullptr; }

void SetClassName(HWND wnd, const std::string &className) {
  std::lock_guard guard(Table().Lock);
  if (WindowEntry *entry = Find(wnd)) entry->ClassName = className;
}

std::string GetClassName(HWND wnd) {
  std::lock_guard guard(Table().Lock);
  WindowEntry *entry = Find(wnd);
  return entry ? entry->ClassName : std::string();
}

std::string GetWindowText(HWND wnd) {
  QWidget *widget = WidgetOf(wnd);
  return widget ? widget->windowTitle().toStdString() : std::string();
}

void SetWindowText(HWND wnd, const std::string &text) {
  if (QWidget *widget = WidgetOf(wnd)) widget->setWindowTitle(QString::fromStdString(text));
}

HWND GetParent(HWND wnd) {
  QWidget *widget = WidgetOf(wnd);
  return widget && widget->parentWidget() ? HandleOf(widget->parentWidget()) : 0;
}

HWND FindWindow(const std::string &className, const std::string &caption) {
  return FindWindowEx(0, 0, className, caption);
}

HWND FindWindowEx(HWND parent, HWND childAfter, const std::string &className, const std::string &caption) {
  std::lock_guard guard(Table().Lock);
  QWidget *parentWidget = parent ? WidgetOf(parent) : nullptr;
  if (parent && !parentWidget) return 0;
  auto &entries = Table().Entries;
  for (auto it = childAfter ? entries.upper_bound(childAfter) : entries.begin(); it != entries.end(); ++it) {
    WindowEntry &entry = it->second;
    if (entry.Widget.isNull() || entry.Widget->parentWidget() != parentWidget) continue;
    if (Matches(entry, className, caption)) return it->first;
  }
  return 0;
}

WindowProc SetWindowProc(HWND wnd, WindowProc proc) {
  std::lock_guard guard(Table().Lock);
  WindowEntry *entry = Find(wnd);
  if (!entry) return nullptr;
  WindowProc previous = entry->Proc;
  entry->Proc = std::move(proc);
  return previous;
}

WindowProc GetWindowProc(HWND wnd) {
  std::lock_guard guard(Table().Lock);
  WindowEntry *entry = Find(wnd);
  return entry ? entry->Proc : nullptr;
}

LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  QWidget *widget = WidgetOf(wnd);
  if (!widget) return 0;
  switch (msg) {
    case WM_CLOSE:
      widget->close();
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE: widget->showMinimized(); break;
        case SC_MAXIMIZE: widget->showMaximized(); break;
        case SC_RESTORE: widget->showNormal(); break;
        case SC_CLOSE: return SendMessage(wnd, WM_CLOSE, 0, 0);
      }
      return 0;
    default:
      return 0;
  }
}

LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowProc proc;
  {
    std::lock_guard guard(Table().Lock);
    WindowEntry *entry = Find(wnd);
    if (!entry) return 0;
    proc = entry->Proc;
  }
  return proc ? proc(wnd, msg, wParam, lParam) : DefWindowProc(wnd, msg, wParam, lParam);
}

bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(wnd) || !QCoreApplication::instance()) return false;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [=] { SendMessage(wnd, msg, wParam, lParam); }, Qt::QueuedConnection);
  return true;
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long product = static_cast<long long>(a) * b;
  long long quotient = product / c;
  long long remainder = product % c;
  if (2 * std::llabs(remainder) >= std::llabs(static_cast<long long>(c)))
    quotient += ((product < 0) != (c < 0)) ? -1 : 1;
  if (quotient > INT32_MAX || quotient < INT32_MIN) return -1;
  return static_cast<int>(quotient);
}

void ProcessMessages() {
  if (!QCoreApplication::instance()) return;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitMessage(int maxWaitMs) {
  if (!QCoreApplication::instance()) return;
  // A timer bounds the wait, so that a caller checking a condition gets back control.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(maxWaitMs > 0 ? maxWaitMs : 0);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  QCoreApplication::sendPostedEvents();
}

bool PumpUntil(const std::function<bool()> &done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    long long left = timeoutMs < 0 ? 50 : timeoutMs - clock.elapsed();
    if (left <= 0) return false;
    WaitMessage(static_cast<int>(std::min<long long>(left, 50)));
  }
  return true;
}

}  // namespace win

namespace win {
void SetLayeredWindowAlpha(HWND wnd, int alpha) {
  if (QWidget *widget = WidgetOf(wnd)) widget->setWindowOpacity(std::clamp(alpha, 0, 255) / 255.0);
}
}  // namespace win

#include <QImage>
#include <QPainter>

namespace win {
bool PrintWindow(HWND wnd, QImage &target) {
  QWidget *widget = WidgetOf(wnd);
  if (!widget || target.isNull()) return false;
  QPainter painter(&target);
  // Only the window's own area is painted; the rest of the bitmap stays as it was made.
  widget->render(&painter, QPoint(0, 0), QRegion(0, 0, target.width(), target.height()) & QRegion(widget->rect()),
                 QWidget::DrawWindowBackground | QWidget::DrawChildren);
  return true;
}
}  // namespace win
