#pragma once
// The self-painted caption bar of a skinned form: picture sections, the caption with an ellipsis, the
// control box or application icon on the left, the window buttons on the right, dragging, the system
// menu, rounded top corners and the top resize band.
#include <QMetaObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SkinMgr.h"
#include "SkinPopupMenu.h"
#include "SkinThemes.h"
#include "canvas.h"
#include "controls.h"
#include "win.h"

// ---- What a form holds beyond the platform's form: border style, MDI role and MDI client window.
// Kept as properties of the form's widget, so that any top-level window can carry them.

enum TFormBorderStyle : std::uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle : std::uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };

// bsSizeable unless set.
TFormBorderStyle FormBorderStyle(const QWidget *form);
// bsNone also removes the window system's frame.
void SetFormBorderStyle(QWidget *form, TFormBorderStyle value);
TFormStyle FormStyle(const QWidget *form);
void SetFormStyle(QWidget *form, TFormStyle value);
// The MDI client window of an MDI frame form; 0 when it has none.
win::HWND FormClientHandle(const QWidget *form);
void SetFormClientHandle(QWidget *form, win::HWND client);
bool FormMaximized(const QWidget *form);
// Sets the form's bounds; a maximised form stays maximised (a plain resize would end that state).
void SetMaximizedFormBounds(QWidget *form, const TRect &rect);
// Closes through the form's own message handling.
void CloseForm(QWidget *form);

// ---- Messages and hit-test answers the bar and the form skin use.
namespace win {
constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_NCLBUTTONUP = 0x00A2;
constexpr UINT WM_MDIACTIVATE = 0x0222;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CREATE = 0x0001;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTLEFT = 10;
constexpr LRESULT HTRIGHT = 11;
constexpr LRESULT HTTOP = 12;
constexpr LRESULT HTTOPLEFT = 13;
constexpr LRESULT HTTOPRIGHT = 14;
constexpr LRESULT HTBOTTOM = 15;
constexpr LRESULT HTBOTTOMLEFT = 16;
constexpr LRESULT HTBOTTOMRIGHT = 17;
// Screen coordinates packed as a hit-test's lParam: signed x low, signed y high.
inline LPARAM MakePointParam(int x, int y) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                             static_cast<std::uint16_t>(x));
}
inline int ParamX(LPARAM l) { return static_cast<std::int16_t>(l & 0xFFFF); }
inline int ParamY(LPARAM l) { return static_cast<std::int16_t>((l >> 16) & 0xFFFF); }
}  // namespace win

class TskinTitleBar;
class TskinTitleBarButtons;
class TskinTitleBarSections;

enum TskinTitleBarBtnType : std::uint8_t { skinMax, skinMin, skinClose, skinHelp, skinControlBox, skinCustom };
enum TskinTitleBarAlign : std::uint8_t { skinLeft, skinRight, skinClient };

using TskinTitleBarButtonClickEvent = std::function<void(TskinTitleBar *Sender, int ButtonIndex)>;

class TskinTitleBarButton {
public:
  explicit TskinTitleBarButton(TskinTitleBarButtons *collection);
  ~TskinTitleBarButton();
  TskinTitleBarButton(const TskinTitleBarButton &) = delete;
  TskinTitleBarButton &operator=(const TskinTitleBarButton &) = delete;

  void Assign(const TskinTitleBarButton *source);
  int Index() const;
  TskinTitleBarButtons *Collection() const { return FCollection; }

  TskinUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TskinUIStyle value);
  TskinTitleBarBtnType ButtonType() const { return FButtonType; }
  // Refuses a second control box with an error dialog.
  void SetButtonType(TskinTitleBarBtnType value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  int Top() const { return FTop; }
  void SetTop(int value);
  TPopupMenu *ControlBoxMenu() const { return FControlBoxMenu; }
  void SetControlBoxMenu(TPopupMenu *value) { FControlBoxMenu = value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  const TBitmap &PicNormal() const { return FPicNormal; }
  const TBitmap &PicMouseOn() const { return FPicMouseOn; }
  const TBitmap &PicMouseDown() const { return FPicMouseDown; }
  void SetPicNormal(const TBitmap &value);
  void SetPicMouseOn(const TBitmap &value);
  void SetPicMouseDown(const TBitmap &value);

  // The button's action on its bar's form.
  void DoClick();
  void UpdatePictures();
  // The maximise button's pictures follow the form's state.
  void UpdateMaxPicture();

private:
  void Changed();
  TskinTitleBar *Bar() const;
  // Loads frames first..first+2 of the title-button strip into the three pictures.
  void LoadFrames(int first);

  TskinTitleBarButtons *FCollection;
  TskinUIStyle FUIStyle = TskinUIStyle::DeepBlue;
  TskinTitleBarBtnType FButtonType = skinCustom;
  bool FTransparent = false;
  int FTop = 2;
  TPopupMenu *FControlBoxMenu = nullptr;
  bool FVisible = true;
  TBitmap FPicNormal, FPicMouseOn, FPicMouseDown;
};

class TskinTitleBarSection {
public:
  explicit TskinTitleBarSection(TskinTitleBarSections *collection);
  ~TskinTitleBarSection();
  TskinTitleBarSection(const TskinTitleBarSection &) = delete;
  TskinTitleBarSection &operator=(const TskinTitleBarSection &) = delete;

  void Assign(const TskinTitleBarSection *source);
  int Index() const;

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  TskinTitleBarAlign Align() const { return FAlign; }
  // Refuses a second client section with an error dialog.
  void SetAlign(TskinTitleBarAlign value);
  const TBitmap &Picture() const { return FPicture; }
  void SetPicture(const TBitmap *value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);

private:
  void Changed();

  TskinTitleBarSections *FCollection;
  bool FAutoSize = false;
  int FWidth = 10;
  TskinTitleBarAlign FAlign = skinLeft;
  TBitmap FPicture;
  bool FStretch = false;
};

// A collection of owned items that repaints its bar when it changes.
template <class Item, class Self>
class TskinTitleBarCollection {
public:
  explicit TskinTitleBarCollection(TskinTitleBar *bar) : FBar(bar) {}
  int Count() const { return static_cast<int>(FItems.size()); }
  Item *Items(int index) const { return FItems.at(index).get(); }
  Item *Add() {
    FItems.push_back(std::make_unique<Item>(static_cast<Self *>(this)));
    Update();
    return FItems.back().get();
  }
  void Delete(int index) {
    FItems.erase(FItems.begin() + index);
    Update();
  }
  void Clear() {
    FItems.clear();
    Update();
  }
  int IndexOf(const Item *item) const {
    for (int i = 0; i < Count(); ++i)
      if (FItems[i].get() == item) return i;
    return -1;
  }
  void Assign(const Self *source) {
    if (!source || source == this) return;
    FItems.clear();
    for (int i = 0; i < source->Count(); ++i) {
      FItems.push_back(std::make_unique<Item>(static_cast<Self *>(this)));
      FItems.back()->Assign(source->Items(i));
    }
    Update();
  }
  TskinTitleBar *GetOwner() const { return FBar; }
  void Update();

private:
  TskinTitleBar *FBar;
  std::vector<std::unique_ptr<Item>> FItems;
};

class TskinTitleBarButtons : public TskinTitleBarCollection<TskinTitleBarButton, TskinTitleBarButtons> {
public:
  using TskinTitleBarCollection::TskinTitleBarCollection;
};

class TskinTitleBarSections : public TskinTitleBarCollection<TskinTitleBarSection, TskinTitleBarSections> {
public:
  using TskinTitleBarCollection::TskinTitleBarCollection;
};

// The bar's system menu: minimise, maximise/restore and close.
class TskinTitleBarPopupMenu : public TskinPopupMenu {
  Q_OBJECT

public:
  explicit TskinTitleBarPopupMenu(TskinTitleBar *bar);
  ~TskinTitleBarPopupMenu() override;
  // Enables each item only when the bar has the button it stands for.
  void Popup(int x, int y) override;

  void MinimizeClick();
  void MaxRestoreClick();
  void CloseClick();

private:
  TskinTitleBar *FBar;
};

class TskinTitleBar : public TPanel {
  Q_OBJECT
  Q_PROPERTY(bool Custom READ Custom WRITE SetCustom)
  Q_PROPERTY(TskinFileTheme *FileTheme READ FileTheme WRITE SetFileTheme)
  Q_PROPERTY(TskinUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(int ButtonInterval READ ButtonInterval WRITE SetButtonInterval)
  Q_PROPERTY(QString Caption READ CaptionText WRITE SetCaptionText)
  Q_PROPERTY(bool FormActive READ FormActive WRITE SetFormActive)
  Q_PROPERTY(int LeftBtnXOffset READ LeftBtnXOffset WRITE SetLeftBtnXOffset)
  Q_PROPERTY(int RightBtnXOffset READ RightBtnXOffset WRITE SetRightBtnXOffset)
  Q_PROPERTY(bool DrawAppIcon READ DrawAppIcon WRITE SetDrawAppIcon)
  Q_PROPERTY(int RoundCorner READ RoundCorner WRITE SetRoundCorner)

public:
  explicit TskinTitleBar(QWidget *parent = nullptr, TComponent *owner = nullptr);
  ~TskinTitleBar() override;

  bool Custom() const { return FCustom; }
  void SetCustom(bool value) { FCustom = value; }
  TskinFileTheme *FileTheme() const { return FFileTheme; }
  void SetFileTheme(TskinFileTheme *value);
  TskinUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TskinUIStyle value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  TskinTitleBarSections &Sections() { return FSections; }
  void SetSections(const TskinTitleBarSections &value) { FSections.Assign(&value); }
  TskinTitleBarButtons &Buttons() { return FButtons; }
  void SetButtons(const TskinTitleBarButtons &value) { FButtons.Assign(&value); }
  int ButtonInterval() const { return FButtonInterval; }
  void SetButtonInterval(int value);
  const std::string &Caption() const { return FCaption; }
  void SetCaption(const std::string &value);
  TFont &Font() { return FFont; }
  void SetFont(const TFont &value);
  bool FormActive() const { return FFormActive; }
  void SetFormActive(bool value);
  int LeftBtnXOffset() const { return FLeftBtnXOffset; }
  void SetLeftBtnXOffset(int value);
  int RightBtnXOffset() const { return FRightBtnXOffset; }
  void SetRightBtnXOffset(int value);
  bool DrawAppIcon() const { return FDrawAppIcon; }
  void SetDrawAppIcon(bool value);
  int RoundCorner() const { return FRoundCorner; }
  void SetRoundCorner(int value);

  TskinTitleBarButtonClickEvent OnCustomBtnsClick;
  TskinTitleBarButtonClickEvent OnHelpBtnClick;

  bool ParentIsFormSkin() const;
  // The top-level form the bar sits on; none while it is a window itself.
  QWidget *ParentForm() const;
  // Rounds the parent form's top corners through its window region.
  void ApplyRoundCorner(int radius);
  void UpdateMaxButtons();
  TskinTitleBarPopupMenu *SystemMenu() const { return FSystemMenu; }

  // Paints the whole bar into `buffer` (sized to the bar), as a paint copies it to the screen.
  void PaintBuffer(TBitmap &buffer);
  virtual void DrawSections(TBitmap *buffer);
  virtual void DrawButtons(TBitmap *buffer);

  // What the last paint found: the button under the cursor, the buttons' rectangles (empty for a
  // button not drawn), the caption's left edge and the caption text as drawn.
  int HotButton() const { return FHotButton; }
  TRect ButtonRect(int index) const;
  int CaptionLeft() const { return FCaptionLeft; }
  const std::string &DrawnCaption() const { return FDrawnCaption; }
  bool Pressed() const { return FPressed; }

  // Mouse actions as the framework calls them; x and y in the bar's client coordinates.
  void MouseDown(Qt::MouseButton button, int x, int y);
  void MouseMove(int x, int y);
  void MouseUp(Qt::MouseButton button, int x, int y);
  void DblClick();

protected:
  void Notification(TComponent *component, TOperation operation) override;
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void childEvent(QChildEvent *event) override;

private:
  friend class TskinTitleBarButton;
  QString CaptionText() const { return QString::fromStdString(FCaption); }
  void SetCaptionText(const QString &value) { SetCaption(value.toStdString()); }
  win::LRESULT BarWndProc(win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
  void ApplyLook(TskinUIStyle style, bool fromFile);
  void DrawPicture(TCanvas *canvas, const TBitmap &picture, const TRect &rect, bool stretch, int width);
  void PopupAtBottomLeft(TPopupMenu *menu);
  TskinFileTheme *FFileTheme = nullptr;
  QMetaObject::Connection FFileThemeWatch;
  win::WindowProc FInheritedProc;
  bool FCustom = false;
  TskinUIStyle FUIStyle = TskinUIStyle::DeepBlue;
  bool FAutoSize = false;
  TskinTitleBarSections FSections{this};
  TskinTitleBarButtons FButtons{this};
  int FButtonInterval = 0;
  std::string FCaption;
  TFont FFont;
  bool FFormActive = true;
  int FLeftBtnXOffset = 0;
  int FRightBtnXOffset = 0;
  bool FDrawAppIcon = false;
  int FRoundCorner = 0;

  int FHotButton = -1;
  bool FPressed = false;
  bool FKeepFontColor = false;
  TColor FCornerColor = clBlack;
  int FCaptionBandHeight = 0;
  int FCaptionTop = 0;
  TskinTitleBarPopupMenu *FSystemMenu = nullptr;
  bool FConstructing = true;

  std::vector<TRect> FButtonRects;
  int FCaptionLeft = 0;
  std::string FDrawnCaption;
  // A drag the window system would not take over: the form follows the mouse from here.
  bool FDragging = false;
  QPoint FDragOrigin;
};

template <class Item, class Self>
void TskinTitleBarCollection<Item, Self>::Update() {
  if (FBar) FBar->Repaint();
}
