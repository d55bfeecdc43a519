#pragma once
// The popup menu with every item owner-drawn in the chosen UI style: a bar down the left for icons,
// a framed highlight, thin separators, icons, check marks and an optional flat border.
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SkinMgr.h"
#include "SkinThemes.h"
#include "canvas.h"
#include "controls.h"

// A key with its modifiers: the virtual-key code in the low byte.
using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
// "Ctrl+O", "Shift+Del", "F5"; empty for 0.
std::string ShortCutToText(TShortCut shortCut);

// A menu item with what owner drawing needs beyond the platform's item: check mark, default (bold)
// item, shortcut text, sub-items and the measure and draw events.
class TskinMenuItem : public TMenuItem {
public:
  explicit TskinMenuItem(TComponent *owner = nullptr, const std::string &caption = "",
                         std::function<void()> onClick = nullptr);

  bool Checked() const { return FChecked; }
  void SetChecked(bool value) { FChecked = value; }
  bool Default() const { return FDefault; }
  void SetDefault(bool value) { FDefault = value; }
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value) { FShortCut = value; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TskinMenuItem *Items(int index) const { return FItems.at(index); }
  // The item owns the sub-items it is given.
  TskinMenuItem *Add(TskinMenuItem *item);
  TskinMenuItem *Add(const std::string &caption, std::function<void()> onClick = nullptr, int imageIndex = -1);

  std::function<void(TskinMenuItem *Sender, TCanvas *ACanvas, int &Width, int &Height)> OnMeasureItem;
  std::function<void(TskinMenuItem *Sender, TCanvas *ACanvas, const TRect &ARect, bool Selected)> OnDrawItem;

protected:
  void Notification(TComponent *component, TOperation operation) override;

private:
  bool FChecked = false;
  bool FDefault = false;
  TShortCut FShortCut = 0;
  std::vector<TskinMenuItem *> FItems;
};

// The picture of a checked item without an icon; white is its see-through colour.
TImageList &CheckMarkImages();

class TskinPopupMenuWindow;

class TskinPopupMenu : public QObject, public TPopupMenu {
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
  explicit TskinPopupMenu(TComponent *owner = nullptr);
  ~TskinPopupMenu() override;

  bool OwnerDraw() const { return true; }
  void SetOwnerDraw(bool) {}
  TskinFileTheme *FileTheme() const { return FFileTheme; }
  void SetFileTheme(TskinFileTheme *value);
  TskinUIStyle UIStyle() const { return FUIStyle; }
  // Resets heights, bar width, separator colour and the six themed colours from the style.
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
  void SetUseSystemFont(bool value) { FUseSystemFont = value; }

  // Items made here are the owner-drawable kind; the platform's Add(TMenuItem *) stays available.
  using TPopupMenu::Add;
  TskinMenuItem *Add(const std::string &caption, std::function<void()> onClick = nullptr, int imageIndex = -1);
  // The item as the owner-drawable kind; none for a plain platform item.
  TskinMenuItem *SkinItem(int index) const;
  TImageList *Images() const { return FImages; }
  void SetImages(TImageList *images);

  // After the menu has been built, as the form's reading ends: hooks every item at every level.
  void Loaded() override;
  void HookItems();

  void MeasureMenuItem(TskinMenuItem *item, TCanvas *canvas, int &width, int &height);
  void DrawMenuItem(TskinMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected);

  // Shows the menu at screen position (x, y) and returns once it is closed, after the chosen item's
  // OnClick has run.
  virtual void Popup(int x, int y);
  // The open menu window while Popup runs; none otherwise.
  TskinPopupMenuWindow *MenuWindow() const { return FWindow; }

protected:
  void Notification(TComponent *component, TOperation operation) override;

private:
  QString FontNameText() const { return QString::fromStdString(FFontName); }
  void SetFontNameText(const QString &value) { FFontName = value.toStdString(); }
  // Theme item 15, the line colour of the flat border.

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
  TImageList *FImages = nullptr;
  TskinPopupMenuWindow *FWindow = nullptr;
};

// The window of an open menu: lays the items out one under another inside a raised frame, draws
// each with its item's draw handler (or the platform's look for an item without one) and lets the
// user choose with the mouse or the keyboard.
class TskinPopupMenuWindow : public QWidget {
  Q_OBJECT

public:
  // The border of a menu window, on every side.
  static constexpr int FrameWidth = 3;

  TskinPopupMenuWindow(TskinPopupMenu *menu, std::vector<TMenuItem *> items, TskinPopupMenuWindow *parentMenu = nullptr);
  ~TskinPopupMenuWindow() override;

  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem *Item(int index) const { return FItems.at(index); }
  // The item's rectangle in window coordinates.
  TRect ItemRect(int index) const { return FRects.at(index); }
  int ItemAt(const QPoint &point) const;
  int Selected() const { return FSelected; }
  void Select(int index);
  // The item chosen by the user, or none once the menu closed without a choice.
  TMenuItem *Chosen() const { return FChosen; }
  // Lays the items out and places the window at (x, y), kept inside the work area.
  void Place(int x, int y);
  // The open sub-menu, if any.
  TskinPopupMenuWindow *SubMenu() const { return FSubMenu; }
  // Draws the whole window into an image, as a paint shows it.
  QImage Render();

protected:
  void paintEvent(QPaintEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void hideEvent(QHideEvent *event) override;

private:
  void PaintTo(QImage &image);
  void DrawPlatformItem(TMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected);
  void MeasurePlatformItem(TMenuItem *item, TCanvas *canvas, int &width, int &height);
  bool Selectable(int index) const;
  void MoveSelection(int step);
  // Chooses the item (or opens its sub-menu); a disabled item or a separator does nothing.
  void Activate(int index);
  void OpenSubMenu(int index);
  void CloseSubMenu();
  void Finish(TMenuItem *chosen);
  TskinPopupMenuWindow *Root();
  // Mouse input outside this window that belongs to the menu it was opened from.
  bool ForwardToParent(QMouseEvent *event);

  TskinPopupMenu *FMenu;
  std::vector<TMenuItem *> FItems;
  std::vector<TRect> FRects;
  TskinPopupMenuWindow *FParentMenu;
  TskinPopupMenuWindow *FSubMenu = nullptr;
  int FSelected = -1;
  TMenuItem *FChosen = nullptr;
};
