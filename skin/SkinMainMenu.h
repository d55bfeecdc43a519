#pragma once
// A form's main menu whose items are always drawn by the library in the chosen UI style. It never
// shows as a native menu: a form skin shows its top-level items on its menu bar and drops their
// sub-items down as skinned lists.
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "SkinMgr.h"
#include "SkinPopupMenu.h"
#include "SkinThemes.h"
#include "canvas.h"
#include "controls.h"
#include "win.h"

class TskinForm;

// The framework's main menu: top-level items with their sub-items, an image list, and the shortcut
// test that runs an item for a key message.
class TMainMenu : public QObject, public TComponent {
  Q_OBJECT

public:
  explicit TMainMenu(TComponent *owner = nullptr);
  ~TMainMenu() override;

  // The menu owns the items it is given.
  TskinMenuItem *Add(TskinMenuItem *item);
  TskinMenuItem *Add(const std::string &caption, std::function<void()> onClick = nullptr, int imageIndex = -1);
  int Count() const { return static_cast<int>(FItems.size()); }
  TskinMenuItem *Items(int index) const { return FItems.at(index); }
  virtual TImageList *Images() const { return FImages; }
  virtual void SetImages(TImageList *value) { FImages = value; }

  // Runs the enabled item whose shortcut is this key (the virtual-key code in wParam with the keyboard's
  // current modifiers) and answers true; false when no item has it.
  bool IsShortCut(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
  // The shortcut a key message stands for.
  static TShortCut ShortCutOfKey(win::WPARAM key, Qt::KeyboardModifiers modifiers);

  // Items or their captions or states changed.
  virtual void MenuChanged();
  void Loaded() override;

protected:
  void Notification(TComponent *component, TOperation operation) override;

private:
  std::vector<TskinMenuItem *> FItems;
  TImageList *FImages = nullptr;
};

class TskinMainMenu : public TMainMenu {
  Q_OBJECT
  Q_PROPERTY(bool OwnerDraw READ OwnerDraw WRITE SetOwnerDraw)
  Q_PROPERTY(TskinFileTheme *FileTheme READ FileTheme WRITE SetFileTheme)
  Q_PROPERTY(TskinUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(int MenuItemHeight READ MenuItemHeight WRITE SetMenuItemHeight)
  Q_PROPERTY(int SeparatorHeight READ SeparatorHeight WRITE SetSeparatorHeight)
  Q_PROPERTY(int BarWidth READ BarWidth WRITE SetBarWidth)
  Q_PROPERTY(uint BarColor READ BarColor WRITE SetBarColor)
  Q_PROPERTY(uint Color READ Color WRITE SetColor)
  Q_PROPERTY(uint SeparatorColor READ SeparatorColor WRITE SetSeparatorColor)
  Q_PROPERTY(uint SelectedBorderColor READ SelectedBorderColor WRITE SetSelectedBorderColor)
  Q_PROPERTY(uint SelectedColor READ SelectedColor WRITE SetSelectedColor)
  Q_PROPERTY(uint SelectedFontColor READ SelectedFontColor WRITE SetSelectedFontColor)
  Q_PROPERTY(uint FontColor READ FontColor WRITE SetFontColor)
  Q_PROPERTY(uint BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(bool FlatMenu READ FlatMenu WRITE SetFlatMenu)
  Q_PROPERTY(QString FontName READ FontNameText WRITE SetFontNameText)
  Q_PROPERTY(int FontSize READ FontSize WRITE SetFontSize)
  Q_PROPERTY(int FontCharset READ FontCharset WRITE SetFontCharset)
  Q_PROPERTY(bool UseSystemFont READ UseSystemFont WRITE SetUseSystemFont)

public:
  explicit TskinMainMenu(TComponent *owner = nullptr);
  ~TskinMainMenu() override;
  // Takes the form's place as the menu of the form's first form skin.
  void AfterConstruction();

  // The user's list; none while the check-mark list stands in its place.
  TImageList *Images() const override;
  void SetImages(TImageList *value) override;
  TImageList *CheckImages() const { return FCheckImages; }
  bool OwnerDraw() const { return true; }
  void SetOwnerDraw(bool) {}
  TskinFileTheme *FileTheme() const { return FFileTheme; }
  void SetFileTheme(TskinFileTheme *value);
  TskinUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TskinUIStyle value);
  int MenuItemHeight() const { return FMenuItemHeight; }
  void SetMenuItemHeight(int value);  // ignored while the style is MacOS
  int SeparatorHeight() const { return FSeparatorHeight; }
  void SetSeparatorHeight(int value);  // ignored while the style is MacOS
  int BarWidth() const { return FBarWidth; }
  void SetBarWidth(int value) { FBarWidth = value; }
  TColor BarColor() const { return FBarColor; }
  void SetBarColor(TColor value) { FBarColor = value; }
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { FColor = value; }
  TColor SeparatorColor() const { return FSeparatorColor; }
  void SetSeparatorColor(TColor value) { FSeparatorColor = value; }
  TColor SelectedBorderColor() const { return FSelectedBorderColor; }
  void SetSelectedBorderColor(TColor value) { FSelectedBorderColor = value; }
  TColor SelectedColor() const { return FSelectedColor; }
  void SetSelectedColor(TColor value) { FSelectedColor = value; }
  TColor SelectedFontColor() const { return FSelectedFontColor; }
  void SetSelectedFontColor(TColor value) { FSelectedFontColor = value; }
  TColor FontColor() const { return FFontColor; }
  void SetFontColor(TColor value) { FFontColor = value; }
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value) { FBorderColor = value; }
  bool FlatMenu() const { return FFlatMenu; }
  void SetFlatMenu(bool value) { FFlatMenu = value; }
  const std::string &FontName() const { return FFontName; }
  void SetFontName(const std::string &value) { FFontName = value; }
  int FontSize() const { return FFontSize; }
  void SetFontSize(int value) { FFontSize = value; }
  int FontCharset() const { return FFontCharset; }
  void SetFontCharset(int value) { FFontCharset = value; }
  bool UseSystemFont() const { return FUseSystemFont; }
  void SetUseSystemFont(bool value);

  TskinForm *FormSkin() const { return FFormSkin; }
  // Set and cleared by the form skin whose Menu this is.
  void SetFormSkin(TskinForm *value) { FFormSkin = value; }

  void Loaded() override;
  void MenuChanged() override;
  // Gives every item at every depth this menu's draw and measure handlers.
  void HookItems();
  void MeasureMenuItem(TskinMenuItem *item, TCanvas *canvas, int &width, int &height);
  void DrawMenuItem(TskinMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected);

protected:
  void Notification(TComponent *component, TOperation operation) override;

private:
  QString FontNameText() const { return QString::fromStdString(FFontName); }
  void SetFontNameText(const QString &value) { FFontName = value.toStdString(); }

  TImageList *FCheckImages = nullptr;
  TskinForm *FFormSkin = nullptr;
  TskinFileTheme *FFileTheme = nullptr;
  QMetaObject::Connection FFileThemeWatch;
  TskinUIStyle FUIStyle = TskinUIStyle::DeepBlue;
  int FMenuItemHeight = 21;
  int FSeparatorHeight = 21;
  int FBarWidth = 0;
  TColor FBarColor = clBtnFace;
  TColor FColor = clWhite;
  TColor FSeparatorColor = 0x808080;
  TColor FSelectedBorderColor = clHighlight;
  TColor FSelectedColor = clHighlight;
  TColor FSelectedFontColor = clWhite;
  TColor FFontColor = clWhite;
  TColor FBorderColor = clBlack;
  bool FFlatMenu = false;
  std::string FFontName = "MS Sans Serif";
  int FFontSize = 8;
  int FFontCharset = 1;
  bool FUseSystemFont = true;
};

// Creates a main menu owned by `owner` and attaches it to the form's form skin, as the framework's
// creation does.
TskinMainMenu *CreateSkinMainMenu(TComponent *owner);
