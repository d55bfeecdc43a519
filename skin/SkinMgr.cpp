#include "SkinMgr.h"

#include <vector>

#include "SkinPublic.h"
#include "SkinThemeFile.h"
#include "paths.h"

TskinFileTheme::TskinFileTheme(TComponent *owner) : TComponent(owner) {}

TskinFileTheme::~TskinFileTheme() = default;

void TskinFileTheme::SetThemeFile(const std::string &value) {
  if (value == FThemeFile) return;
  std::string candidate = value;
  if (!ThemeFileExists(candidate)) {
    std::string folder = win::ProgramFolder();
    if (folder.empty() || folder.back() != '/') folder += '/';
    std::size_t slash = value.find_last_of('/');
    candidate = folder + (slash == std::string::npos ? value : value.substr(slash + 1));
    if (!ThemeFileExists(candidate)) return;
  }
  FThemeFile = candidate;
  // A file that cannot be read leaves no reader behind, so the theme no longer counts as loaded.
  FIsLoaded = false;
  FIsLoaded = FManager.LoadFromFile(candidate);
  if (!FIsLoaded || !FormOf(Owner())) return;

  // Controls of the form that point here re-read all their items from the new file.
  const std::vector<TComponent *> components = Owner()->Components();
  for (TComponent *component : components) {
    auto *object = dynamic_cast<QObject *>(component);
    if (!object || ClassName(object).rfind("Tskin", 0) != 0) continue;
    if (!HasProperty(object, "FileTheme")) continue;
    if (GetPublishedProperty(object, "FileTheme").value<QObject *>() != this) continue;
    SetPublishedProperty(object, "FileTheme", QVariant::fromValue(this));
  }
}

void TskinFileTheme::GetBitmapFrame(int item, TBitmap *graphic, int frameCount, int frameNumber) const {
  if (!graphic) return;
  TBitmap strip;
  GetBitmap(item, &strip);
  CutBitmapFrame(&strip, graphic, frameCount, frameNumber);
}

bool UsingFileTheme(const TskinFileTheme *fileTheme, TskinUIStyle style, TskinUIStyle &effective) {
  effective = style;
  if (style != TskinUIStyle::FromThemeFile) return false;
  if (fileTheme && fileTheme->IsLoaded()) return true;
  effective = TskinUIStyle::DeepBlue;
  return false;
}
