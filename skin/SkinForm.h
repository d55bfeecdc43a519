#pragma once
// The form skin: a panel that gives its whole form the library's look. It takes the form's caption and
// frame away and draws its own border, title bar, menu bar and background, and takes over what the
// frame did: resize edges, maximising into the work area, activation in the title bar and the menu's
// shortcuts.
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SkinMgr.h"
#include "SkinThemes.h"
#include "SkinTitleBar.h"
#include "canvas.h"
#include "controls.h"
#include "win.h"

class TMainMenu;
class TskinMainMenu;
class TskinPopupMenu;
class TskinPopupMenuWindow;
class TskinMenuItem;

// Sent to the main form's MDI client window; nothing here handles them.
constexpr win::UINT WM_SKIN_MDICHILDCHANGED = 0x1330;
constexpr win::UINT WM_SKIN_MDICHILDMAXIMIZED = 0x1331;
constexpr win::UINT WM_SKIN_MDICHILDRESTORED = 0x1332;

// Shared by every form skin of the process; never reset while it runs.
struct SkinFormGlobals {
  int MaximizeCounter = 0;
  bool MDIChildMaximized = false;
};
extern SkinFormGlobals SkinFormState;

// The application's message hook: every key-down message taken from the queue passes it first, and a
// handled message goes no further.
struct TMsg {
  win::HWND hwnd = 0;
  win::UINT message = 0;
  win::WPARAM wParam = 0;
  win::LPARAM lParam = 0;
};
using TMessageEvent = std::function<void(TMsg &Msg, bool &Handled)>;
TMessageEvent &ApplicationOnMessage();

// Custom-draw state flags of a tool button.
constexpr unsigned cdsSelected = 0x0001;
constexpr unsigned cdsHot = 0x0040;

class TToolBar;

class TToolButton {
public:
  std::string Caption;
  TskinMenuItem *MenuItem = nullptr;
  bool Enabled = true;
  bool Grouped = false;
  bool AutoSize = false;
  TRect BoundsRect;  // in the tool bar's client coordinates
};

// A flat tool bar of caption buttons whose menu-item buttons drop their item's sub-items down.
class TToolBar : public TControlOf<QWidget> {
  Q_OBJECT

public:
  explicit TToolBar(QWidget *parent = nullptr, TComponent *owner = nullptr);
  ~TToolBar() override;

  bool Flat = true;
  bool ShowCaptions = true;
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TFont Font;

  int ButtonCount() const { return static_cast<int>(FButtons.size()); }
  TToolButton *Buttons(int index) const { return FButtons.at(index).get(); }
  // A new button goes before the others, as the bar inserts one.
  TToolButton *InsertButton();
  void ClearButtons();
  // Lays the buttons out from the left, each as wide as its caption wants.
  void Realign();
  int ButtonAt(const QPoint &point) const;

  int HotButton() const { return FHot; }
  void SetHotButton(int index);
  // The button whose list is dropped down; -1 for none.
  int SelectedButton() const { return FSelected; }

  // Drops the button's list down under it and returns the open list; none for a button without items.
  TskinPopupMenuWindow *OpenMenu(int index);
  void CloseMenu();
  TskinPopupMenuWindow *MenuWindow() const { return FWindow; }
  // Drops the list down and waits for the choice, which then runs.
  void DropDown(int index);

  // The bar's canvas while it paints (for the custom-draw events); none otherwise.
  TCanvas *Canvas() const { return FCanvas; }
  // Paints the bar with its buttons into an image of its size.
  QImage Render();

  // State: cdsHot and cdsSelected; DefaultDraw false keeps the bar from drawing the button itself.
  std::function<void(TToolBar *Sender, TToolButton *Button, unsigned State, bool &DefaultDraw)> OnCustomDrawButton;
  std::function<void(TToolBar *Sender, const TRect &ARect, bool &DefaultDraw)> OnCustomDraw;
  // The popup menu whose looks the dropped lists take for what their items do not draw themselves.
  std::function<void(TskinPopupMenu *menu)> OnPrepareDropMenu;

protected:
  void paintEvent(QPaintEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;

private:
  void PaintTo(QImage &image);

  TColor FColor = clBtnFace;
  std::vector<std::unique_ptr<TToolButton>> FButtons;
  int FHot = -1;
  int FSelected = -1;
  std::unique_ptr<TskinPopupMenu> FDropMenu;
  TskinPopupMenuWindow *FWindow = nullptr;
  TCanvas *FCanvas = nullptr;
};

class TskinForm : public TPanel {
  Q_OBJECT
  Q_PROPERTY(bool TitleBarCustom READ TitleBarCustom WRITE SetTitleBarCustom)
  Q_PROPERTY(TskinFileTheme *FileTheme READ FileTheme WRITE SetFileTheme)
  Q_PROPERTY(TskinUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(bool UIStyleAutoUpdateSub READ UIStyleAutoUpdateSub WRITE SetUIStyleAutoUpdateSub)
  Q_PROPERTY(uint BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
  Q_PROPERTY(bool TitleBarVisible READ TitleBarVisible WRITE SetTitleBarVisible)
  Q_PROPERTY(QString Caption READ CaptionText WRITE SetCaptionText)
  Q_PROPERTY(bool TitleBarDrawAppIcon READ TitleBarDrawAppIcon WRITE SetTitleBarDrawAppIcon)
  Q_PROPERTY(uint MenuBarColor READ MenuBarColor WRITE SetMenuBarColor)
  Q_PROPERTY(int MenuBarHeight READ MenuBarHeight WRITE SetMenuBarHeight)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int RoundCorner READ RoundCorner WRITE SetRoundCorner)
  Q_PROPERTY(QString Version READ VersionText WRITE SetVersionText)

public:
  // Throws std::runtime_error when the owner form already carries a form skin; the form is then left
  // as it was.
  explicit TskinForm(QWidget *parent = nullptr, TComponent *owner = nullptr);
  ~TskinForm() override;

  bool TitleBarCustom() const { return FTitleBar && FTitleBar->Custom(); }
  void SetTitleBarCustom(bool value);
  TskinFileTheme *FileTheme() const { return FFileTheme; }
  void SetFileTheme(TskinFileTheme *value);
  TskinUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TskinUIStyle value);
  bool UIStyleAutoUpdateSub() const { return FUIStyleAutoUpdateSub; }
  void SetUIStyleAutoUpdateSub(bool value) { FUIStyleAutoUpdateSub = value; }
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  bool TitleBarVisible() const { return FTitleBarVisible; }
  void SetTitleBarVisible(bool value);
  std::string Caption() const;
  void SetCaption(const std::string &value);
  QWidget *FormPanel() const { return FFormPanel; }
  // The form skin itself is refused with an error dialog.
  void SetFormPanel(QWidget *value);
  TskinTitleBarButtons &TitleBarButtons() { return FTitleBar->Buttons(); }
  void SetTitleBarButtons(const TskinTitleBarButtons &value) { FTitleBar->SetButtons(value); }
  TskinTitleBarSections &TitleBarSections() { return FTitleBar->Sections(); }
  void SetTitleBarSections(const TskinTitleBarSections &value) { FTitleBar->SetSections(value); }
  bool TitleBarDrawAppIcon() const { return FTitleBar && FTitleBar->DrawAppIcon(); }
  void SetTitleBarDrawAppIcon(bool value);
  TFont &Font() { return FTitleBar->Font(); }
  void SetFont(const TFont &value) { FTitleBar->SetFont(value); }
  TMainMenu *Menu() const { return FMenu; }
  void SetMenu(TMainMenu *value);
  TColor MenuBarColor() const { return FMenuBarColor; }
  void SetMenuBarColor(TColor value);
  int MenuBarHeight() const { return FMenuBarHeight; }
  void SetMenuBarHeight(int value);
  // The panel's own size; writing sizes the form round it.
  int Height() const { return height(); }
  void SetHeight(int value);
  int Width() const { return width(); }
  void SetWidth(int value);
  int RoundCorner() const { return FTitleBar ? FTitleBar->RoundCorner() : 0; }
  void SetRoundCorner(int value);
  std::string Version() const { return "4.06"; }
  void SetVersion(const std::string &) {}
  void SetOnTitleBarCustomBtnsClick(TskinTitleBarButtonClickEvent value);
  void SetOnTitleBarHelpBtnClick(TskinTitleBarButtonClickEvent value);

  TskinTitleBar *TitleBar() const { return FTitleBar; }
  TToolBar *MenuBar() const { return FMenuBar; }
  QWidget *OwnerForm() const { return FForm; }
  TFormBorderStyle SavedBorderStyle() const { return FSavedBorderStyle; }
  bool PendingMaximize() const { return FPendingMaximize; }
  bool HookedAppMessage() const { return FHookedAppMessage; }

  void PlaceInForm();
  // Repaints the border on the form.
  void DrawBorder();
  // Paints the border strips on a canvas of the form's client area.
  void PaintBorder(TCanvas *canvas);
  void CreateMenuBar();
  void DropMenu();
  void RebuildMenuBar();
  void RefreshMenuBar();
  void UpdateMenuBarFont();
  void DrawMenuBarButton(TToolBar *sender, TToolButton *button, unsigned state, bool &defaultDraw);
  void DrawMenuBarBackground(TToolBar *sender, const TRect &rect, bool &defaultDraw);

  win::LRESULT FormWndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
  void AppMessage(TMsg &msg, bool &handled);
  // 1 when the menu ran a shortcut for this key message, else 0.
  win::LRESULT HandleMenuShortCut(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

  // Paints the panel's background into `buffer` (sized to the panel).
  void PaintBuffer(TBitmap &buffer);

protected:
  void Notification(TComponent *component, TOperation operation) override;
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QString CaptionText() const { return QString::fromStdString(Caption()); }
  void SetCaptionText(const QString &value) { SetCaption(value.toStdString()); }
  QString VersionText() const { return QString::fromStdString(Version()); }
  void SetVersionText(const QString &) {}
  bool IsMDIChild() const;
  bool IsMDIForm() const;
  void SendToMDIClient(win::UINT msg, win::WPARAM wParam);
  void Sizing();
  win::LRESULT ResizeBorders(win::LRESULT answer, win::LPARAM lParam);
  // Lays the title bar, the menu bar and the form panel out inside the panel.
  void Realign();
  TskinUIStyle MenuLookStyle(TskinFileTheme *&fileTheme) const;

  QWidget *FForm = nullptr;
  win::HWND FFormHandle = 0;
  win::WindowProc FSavedWndProc;
  bool FWndProcInstalled = false;
  TskinTitleBar *FTitleBar = nullptr;
  TToolBar *FMenuBar = nullptr;
  TMainMenu *FMenu = nullptr;
  QMetaObject::Connection FMenuWatch;
  TskinFileTheme *FFileTheme = nullptr;
  QMetaObject::Connection FFileThemeWatch;
  QPointer<QWidget> FFormPanel;
  TskinUIStyle FUIStyle = TskinUIStyle::DeepBlue;
  bool FUIStyleAutoUpdateSub = false;
  TColor FBorderColor = clBlack;
  int FBorderWidth = 1;
  bool FTitleBarVisible = false;
  TColor FMenuBarColor = clBtnFace;
  int FMenuBarHeight = 22;
  TFormBorderStyle FSavedBorderStyle = bsSizeable;
  TRect FCreatedBounds;
  bool FPendingMaximize = false;
  int FFrameWidth = 0;
  int FFrameHeight = 0;
  bool FHookedAppMessage = false;
  bool FReady = false;
};

// Creates a form skin on the form, as the framework's creation does.
TskinForm *CreateSkinForm(QWidget *form);
