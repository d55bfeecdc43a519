#pragma once
// The file theme component: a form holds one, and skin controls whose style is FromThemeFile read
// their look from it through their published FileTheme property.
#include <QObject>
#include <QString>
#include <string>

#include "SkinThemes.h"
#include "component.h"

class TskinFileTheme : public QObject, public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString ThemeFile READ ThemeFileText WRITE SetThemeFileText)

public:
  explicit TskinFileTheme(TComponent *owner = nullptr);
  ~TskinFileTheme() override;

  const std::string &ThemeFile() const { return FThemeFile; }
  // Loads the file at the path, or else the file of that name in the program folder; the property
  // then holds the path found. A missing file changes nothing.
  void SetThemeFile(const std::string &value);
  bool IsLoaded() const { return FIsLoaded; }

  void GetBitmap(int item, TBitmap *graphic) const { FManager.GetBitmap(item, graphic); }
  bool GetBool(int item) const { return FManager.GetBool(item); }
  TColor GetColor(int item) const { return FManager.GetColor(item); }
  int GetInt(int item) const { return FManager.GetInt(item); }
  // Frame `frameNumber` (from 1) of `frameCount` equal-width frames of the item's picture.
  void GetBitmapFrame(int item, TBitmap *graphic, int frameCount, int frameNumber) const;

private:
  QString ThemeFileText() const { return QString::fromStdString(FThemeFile); }
  void SetThemeFileText(const QString &value) { SetThemeFile(value.toStdString()); }

  std::string FThemeFile;
  TskinFileThemeMgr FManager;
  bool FIsLoaded = false;
};

// Whether a control reads its items from its file theme: only with FromThemeFile and a loaded theme.
// The effective style is the given one, or DeepBlue in place of FromThemeFile without a loaded theme.
bool UsingFileTheme(const TskinFileTheme *fileTheme, TskinUIStyle style, TskinUIStyle &effective);
