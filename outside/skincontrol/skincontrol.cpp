#include "skincontrol.h"

#include <QString>

#include <sstream>
#include <stdexcept>

#include "skinface.h"
#include "skinfile.h"

namespace {

std::string Narrow(const std::wstring &wide) { return QString::fromStdWString(wide).toStdString(); }

std::string HandleText(win::HWND wnd) {
  std::ostringstream text;
  text << "0x" << std::hex << wnd;
  return text.str();
}

QWidget *WindowOrThrow(win::HWND wnd) {
  QWidget *window = win::WidgetOf(wnd);
  if (!window) throw std::runtime_error("Skin: " + HandleText(wnd) + " is not a window");
  return window;
}

}  // namespace

TSkin::TSkin(TComponent *owner) : TComponent(owner) {}

TSkin::~TSkin() {
  for (auto &[wnd, face] : FFaces) {
    if (!face) continue;
    face->SetSkin(nullptr);
    face->hide();
    face->deleteLater();
  }
}

void TSkin::LoadSkinFile(const std::wstring &path) {
  std::string file = Narrow(path);
  if (file.empty()) throw std::runtime_error("Skin file not found: no path given");
  FSkinFile = std::make_shared<const TSkinFileData>(LoadSkinFileData(file));
  FSkinPath = path;
}

TSkinFace *TSkin::FaceOf(win::HWND wnd) {
  auto it = FFaces.find(wnd);
  if (it == FFaces.end()) return nullptr;
  if (!it->second) {
    FFaces.erase(it);
    return nullptr;
  }
  return it->second;
}

void TSkin::AttachToWindow(win::HWND wnd) {
  QWidget *window = WindowOrThrow(wnd);
  if (!FSkinFile) throw std::runtime_error("Skin: load a skin file before attaching it to a window");
  if (FaceOf(wnd)) return;
  // Another skin control's face gives way.
  for (TSkinFace *other : window->findChildren<TSkinFace *>(Qt::FindDirectChildrenOnly)) {
    if (TSkin *owner = other->Skin()) owner->FFaces.erase(wnd);
    other->SetSkin(nullptr);
    other->hide();
    other->deleteLater();
  }
  if (window->isWindow() && !window->windowFlags().testFlag(Qt::FramelessWindowHint)) {
    // Changing the flags hides a shown window.
    bool visible = window->isVisible();
    window->setWindowFlag(Qt::FramelessWindowHint, true);
    if (visible) window->show();
  }
  auto *face = new TSkinFace(this, wnd, window);
  face->show();
  FFaces[wnd] = face;
}

void TSkin::ApplySkinForm(win::HWND wnd, const std::wstring &formId) {
  WindowOrThrow(wnd);
  TSkinFace *face = FaceOf(wnd);
  if (!face) throw std::runtime_error("Skin: attach the skin to window " + HandleText(wnd) + " before applying a form");
  const TSkinFormDef *form = FSkinFile->FindForm(formId);
  if (!form)
    throw std::runtime_error("Skin: skin form \"" + Narrow(formId) + "\" is not in " + Narrow(FSkinPath));
  face->Apply(FSkinFile, *form);
}

std::shared_ptr<ISkinObject> TSkin::GetWindowSkinObject(win::HWND wnd) {
  WindowOrThrow(wnd);
  TSkinFace *face = FaceOf(wnd);
  if (!face || !face->FormObject())
    throw std::runtime_error("Skin: no skin form is applied to window " + HandleText(wnd));
  return face->FormObject();
}
