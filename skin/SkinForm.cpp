#include "SkinForm.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>
#include <stdexcept>

#include "SkinMainMenu.h"
#include "SkinMenu.h"
#include "SkinPopupMenu.h"
#include "SkinPublic.h"
#include "dialogs.h"
#include "forms.h"
#include "keyboard.h"

SkinFormGlobals SkinFormState;

// ---- the application's message hook

namespace {

// Turns key presses anywhere in the application into queued key-down messages for the hook.
class TAppMessageFilter : public QObject {
public:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::KeyPress || !ApplicationOnMessage()) return false;
    auto *key = static_cast<QKeyEvent *>(event);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget) return false;  // the window's own copy of the event reaches its widget next
    // A key press that nobody took travels on to the parents as the same event; the hook has seen
    // it already. A new event may reuse the old one's address, but it starts at its own receiver.
    if (event == FLast && key->key() == FLastKey && FLastReceiver && widget->isAncestorOf(FLastReceiver))
      return false;
    TMsg msg;
    msg.message = win::WM_KEYDOWN;
    msg.wParam = win::VirtualKeyOf(key->key());
    bool handled = false;
    ApplicationOnMessage()(msg, handled);
    FLast = event;
    FLastKey = key->key();
    FLastReceiver = widget;
    return handled;
  }

private:
  QEvent *FLast = nullptr;
  int FLastKey = 0;
  QPointer<QWidget> FLastReceiver;
};

}  // namespace

TMessageEvent &ApplicationOnMessage() {
  static TMessageEvent hook;
  static TAppMessageFilter *filter = nullptr;
  if (!filter && qApp) {
    filter = new TAppMessageFilter;
    qApp->installEventFilter(filter);
  }
  return hook;
}

// ---- the menu bar

TToolBar::TToolBar(QWidget *parent, TComponent *owner) : TControlOf<QWidget>(parent, owner) {
  win::HandleOf(this);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (!SetSystemMenuFont(&Font)) Font = TFont();
}

TToolBar::~TToolBar() { CloseMenu(); }

void TToolBar::SetColor(TColor value) {
  FColor = value;
  update();
}

TToolButton *TToolBar::InsertButton() {
  FButtons.insert(FButtons.begin(), std::make_unique<TToolButton>());
  return FButtons.front().get();
}

void TToolBar::ClearButtons() {
  CloseMenu();
  FButtons.clear();
  FHot = FSelected = -1;
  update();
}

void TToolBar::Realign() {
  TBitmap scratch(1, 1);
  TCanvas *canvas = scratch.Canvas();
  canvas->Font = Font;
  int x = 0;
  for (auto &button : FButtons) {
    int w = canvas->TextWidth(StripAccelerators(button->Caption)) + 16;
    button->BoundsRect = Rect(x, 0, x + w, height());
    x += w;
  }
  update();
}

int TToolBar::ButtonAt(const QPoint &point) const {
  for (int i = 0; i < ButtonCount(); ++i) {
    const TRect &r = FButtons[i]->BoundsRect;
    if (point.x() >= r.Left && point.x() < r.Right && point.y() >= r.Top && point.y() < r.Bottom) return i;
  }
  return -1;
}

void TToolBar::SetHotButton(int index) {
  if (index == FHot) return;
  FHot = index;
  update();
}

TskinPopupMenuWindow *TToolBar::OpenMenu(int index) {
  CloseMenu();
  if (index < 0 || index >= ButtonCount()) return nullptr;
  TToolButton *button = FButtons[index].get();
  if (!button->MenuItem || !button->Enabled || button->MenuItem->Count() == 0) return nullptr;
  if (!FDropMenu) FDropMenu = std::make_unique<TskinPopupMenu>();
  if (OnPrepareDropMenu) OnPrepareDropMenu(FDropMenu.get());
  std::vector<TMenuItem *> items;
  for (int i = 0; i < button->MenuItem->Count(); ++i) items.push_back(button->MenuItem->Items(i));
  FWindow = new TskinPopupMenuWindow(FDropMenu.get(), items);
  QPoint corner = mapToGlobal(QPoint(button->BoundsRect.Left, button->BoundsRect.Bottom));
  FWindow->Place(corner.x(), corner.y());
  FWindow->show();
  FWindow->activateWindow();
  FWindow->setFocus();
  FSelected = index;
  update();
  return FWindow;
}

void TToolBar::CloseMenu() {
  if (!FWindow) return;
  TskinPopupMenuWindow *window = FWindow;
  FWindow = nullptr;
  window->hide();
  delete window;
  FSelected = -1;
  update();
}

void TToolBar::DropDown(int index) {
  TskinPopupMenuWindow *window = OpenMenu(index);
  if (!window) return;
  QPointer<TskinPopupMenuWindow> guard(window);
  win::PumpUntil([guard] { return !guard || !guard->isVisible(); });
  TMenuItem *chosen = guard ? guard->Chosen() : nullptr;
  CloseMenu();
  // The list goes first: the item's handler may drop it again.
  if (chosen) chosen->Click();
}

void TToolBar::PaintTo(QImage &image) {
  QPainter painter(&image);
  TCanvas canvas(&painter, this);
  FCanvas = &canvas;
  canvas.Font = Font;
  canvas.Brush.Color = FColor;
  canvas.FillRect(Rect(0, 0, width(), height()));
  bool defaultDraw = true;
  if (OnCustomDraw) OnCustomDraw(this, Rect(0, 0, width(), height()), defaultDraw);
  for (int i = 0; i < ButtonCount(); ++i) {
    TToolButton *button = FButtons[i].get();
    unsigned state = 0;
    if (i == FHot) state |= cdsHot;
    if (i == FSelected) state |= cdsSelected;
    canvas.Font = Font;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Pen.Width = 1;
    defaultDraw = true;
    if (OnCustomDrawButton) OnCustomDrawButton(this, button, state, defaultDraw);
    if (!defaultDraw) continue;
    canvas.Brush.Style = TBrushStyle::bsClear;
    if (!button->Enabled) canvas.Font.Color = clGrayText;
    TRect r = button->BoundsRect;
    if (state) {
      // The platform's flat hot button: a thin raised edge.
      canvas.Pen.Color = (state & cdsSelected) ? clBtnShadow : clBtnHighlight;
      canvas.MoveTo(r.Left, r.Bottom - 1);
      canvas.LineTo(r.Left, r.Top);
      canvas.LineTo(r.Right - 1, r.Top);
      canvas.Pen.Color = (state & cdsSelected) ? clBtnHighlight : clBtnShadow;
      canvas.LineTo(r.Right - 1, r.Bottom - 1);
      canvas.LineTo(r.Left, r.Bottom - 1);
    }
    win::DrawText(&canvas, button->Caption, r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  FCanvas = nullptr;
}

QImage TToolBar::Render() {
  QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(Qt::white);
  PaintTo(image);
  return image;
}

void TToolBar::paintEvent(QPaintEvent *) {
  QImage image = Render();
  QPainter painter(this);
  painter.drawImage(0, 0, image);
}

void TToolBar::mouseMoveEvent(QMouseEvent *event) { SetHotButton(ButtonAt(event->position().toPoint())); }

void TToolBar::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) return;
  int index = ButtonAt(event->position().toPoint());
  if (index >= 0) DropDown(index);
}

void TToolBar::leaveEvent(QEvent *) { SetHotButton(-1); }

// ---- the form skin

namespace {

struct TFormLook {
  const TskinFileTheme *File = nullptr;
  TskinUIStyle Style = TskinUIStyle::DeepBlue;
  TFormLook(const TskinFileTheme *fileTheme, TskinUIStyle style) {
    TskinUIStyle effective;
    File = UsingFileTheme(fileTheme, style, effective) ? fileTheme : nullptr;
    Style = effective;
  }
  int Int(int item) const { return File ? File->GetInt(item) : GetStyleInt(Style, item); }
  TColor Color(int item) const { return File ? File->GetColor(item) : GetStyleColor(Style, item); }
};

bool HasFormSkin(QWidget *form, const QWidget *except) {
  for (QObject *child : form->children())
    if (child != except && dynamic_cast<TskinForm *>(child)) return true;
  return false;
}

}  // namespace

TskinForm::TskinForm(QWidget *parent, TComponent *owner) : TPanel(parent, owner) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  FForm = FormOf(owner);
  if (!FForm) return;
  // Checked before anything is done to the form, so that a refused second skin leaves it as it was.
  if (HasFormSkin(FForm, this)) {
    setParent(nullptr);
    throw std::runtime_error("Sorry, You can create only one TskinForm component in one form!");
  }
  if (!parentWidget()) setParent(FForm);
  FFormHandle = win::HandleOf(FForm);
  win::WindowProc inherited = win::GetWindowProc(Handle());
  win::SetWindowProc(Handle(), [this, inherited](win::HWND wnd, win::UINT msg, win::WPARAM w, win::LPARAM l) {
    if (msg == win::WM_ERASEBKGND) {
      DrawBorder();
      return win::LRESULT(1);
    }
    if (msg == win::WM_CREATE) {
      PlaceInForm();
      DrawBorder();
    }
    return inherited ? inherited(wnd, msg, w, l) : win::DefWindowProc(wnd, msg, w, l);
  });

  FForm->setMinimumSize(125, 50);
  FCreatedBounds = Rect(FForm->x(), FForm->y(), FForm->x() + FForm->width(), FForm->y() + FForm->height());
  FPendingMaximize = FormMaximized(FForm);
  FTitleBar = new TskinTitleBar(this, this);
  FMenuBar = nullptr;
  FMenuBarColor = Color();
  FMenuBarHeight = 22;
  FSavedBorderStyle = FormBorderStyle(FForm);
  SetUIStyle(TskinUIStyle::DeepBlue);
  FUIStyleAutoUpdateSub = false;
  // The form has no frame of its own here: its widget size is its client size.
  FFrameWidth = FForm->frameGeometry().width() - FForm->width();
  FFrameHeight = FForm->frameGeometry().height() - FForm->height();
  if (!FForm->isVisible()) FFrameWidth = FFrameHeight = 0;
  SetCaption(FForm->windowTitle().toStdString());
  SetTitleBarVisible(true);
  TPanel::SetCaption(" ");
  FHookedAppMessage = false;

  TFormStyle style = FormStyle(FForm);
  if (style != fsMDIChild && style != fsMDIForm) SetFormBorderStyle(FForm, bsNone);
  FSavedWndProc = win::GetWindowProc(FFormHandle);
  win::SetWindowProc(FFormHandle, [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) {
    return FormWndProc(msg, w, l);
  });
  FWndProcInstalled = true;
  {
    // Changing a window's flags hides it; a shown form stays shown.
    bool visible = FForm->isVisible();
    FForm->setWindowFlag(Qt::WindowTitleHint, false);
    if (visible) FForm->show();
  }
  FForm->installEventFilter(this);
  if (!ApplicationOnMessage()) {
    ApplicationOnMessage() = [this](TMsg &msg, bool &handled) { AppMessage(msg, handled); };
    FHookedAppMessage = true;
  }
  FReady = true;
  PlaceInForm();
  DrawBorder();
}

TskinForm::~TskinForm() {
  FReady = false;
  QObject::disconnect(FFileThemeWatch);
  QObject::disconnect(FMenuWatch);
  if (FHookedAppMessage) ApplicationOnMessage() = nullptr;
  // A form that outlives its skin gets its own procedure back.
  if (FWndProcInstalled && win::IsWindow(FFormHandle)) win::SetWindowProc(FFormHandle, FSavedWndProc);
  if (FForm) FForm->removeEventFilter(this);
  if (auto *menu = dynamic_cast<TskinMainMenu *>(FMenu)) menu->SetFormSkin(nullptr);
  delete FMenuBar;
  FMenuBar = nullptr;
  delete FTitleBar;
  FTitleBar = nullptr;
  if (FForm) FForm->update();
}

TskinForm *CreateSkinForm(QWidget *form) { return new TskinForm(form, dynamic_cast<TComponent *>(form)); }

bool TskinForm::IsMDIChild() const { return FForm && FormStyle(FForm) == fsMDIChild; }

bool TskinForm::IsMDIForm() const {
  if (!FForm) return false;
  if (FormStyle(FForm) == fsMDIForm) return true;
  TSkinApplicationView &app = SkinApplicationView();
  return app.IsMDIFrame && app.IsMDIFrame(FForm);
}

void TskinForm::SendToMDIClient(win::UINT msg, win::WPARAM wParam) {
  TSkinApplicationView &app = SkinApplicationView();
  QWidget *mainForm = app.MainForm ? app.MainForm() : nullptr;
  win::HWND client = FormClientHandle(mainForm);
  if (client) win::SendMessage(client, msg, wParam, 0);
}

// ---- properties

void TskinForm::SetTitleBarCustom(bool value) {
  if (FTitleBar) FTitleBar->SetCustom(value);
}

void TskinForm::SetFileTheme(TskinFileTheme *value) {
  if (value == FFileTheme) return;
  QObject::disconnect(FFileThemeWatch);
  FFileTheme = value;
  if (value)
    FFileThemeWatch = QObject::connect(value, &QObject::destroyed, this,
                                       [this, value] { Notification(value, TOperation::opRemove); });
  SetUIStyle(FUIStyle);
}

void TskinForm::SetUIStyle(TskinUIStyle value) {
  FUIStyle = value;
  if (!FTitleBar) return;
  TFormLook look(FFileTheme, value);
  SetBorderColor(look.Color(16));
  SetBorderWidth(look.Int(17));
  SetColor(look.Color(15));
  FMenuBarColor = Color();
  if (FMenuBar) FMenuBar->SetColor(FMenuBarColor);
  FTitleBar->SetFileTheme(FFileTheme);
  FTitleBar->SetUIStyle(value);
  if (IsMDIChild()) FTitleBar->SetRoundCorner(0);
  if (auto *menu = dynamic_cast<TskinMainMenu *>(FMenu)) {
    menu->SetUIStyle(value);
    menu->SetFileTheme(FFileTheme);
  }
  if (FUIStyleAutoUpdateSub) ApplyStyleToChildren(this, value, FFileTheme);
  PlaceInForm();
  Repaint();
  DrawBorder();
}

void TskinForm::SetBorderColor(TColor value) {
  FBorderColor = value;
  PlaceInForm();
  DrawBorder();
}

void TskinForm::SetBorderWidth(int value) {
  FBorderWidth = value;
  if (FReady) SetWidth(Width());
  PlaceInForm();
  if (FReady) SetHeight(Height());
  DrawBorder();
}

void TskinForm::SetTitleBarVisible(bool value) {
  if (value == FTitleBarVisible) return;
  FTitleBarVisible = value;
  if (FTitleBar) {
    FTitleBar->setVisible(value);
    FTitleBar->move(FTitleBar->x(), 0);
  }
  PlaceInForm();
  DrawBorder();
}

std::string TskinForm::Caption() const { return FTitleBar ? FTitleBar->Caption() : std::string(); }

void TskinForm::SetCaption(const std::string &value) {
  if (FTitleBar) FTitleBar->SetCaption(value);
  if (FForm) FForm->setWindowTitle(QString::fromStdString(value));
}

void TskinForm::SetFormPanel(QWidget *value) {
  if (value == this) {
    win::MessageDlg("Sorry, you can't select the Form assign to FormPanel property", win::TMsgDlgType::mtError,
                    {win::mbOK});
    return;
  }
  FFormPanel = value;
  if (value) {
    if (auto *panel = dynamic_cast<TPanel *>(value)) {
      panel->setFrameShape(QFrame::NoFrame);
      panel->SetCaption("");
    }
    Realign();
  }
}

void TskinForm::SetTitleBarDrawAppIcon(bool value) {
  if (FTitleBar) FTitleBar->SetDrawAppIcon(value);
}

void TskinForm::SetMenuBarColor(TColor value) {
  FMenuBarColor = value;
  if (FMenuBar) FMenuBar->SetColor(value);
}

void TskinForm::SetMenuBarHeight(int value) {
  FMenuBarHeight = value;
  if (FMenuBar) {
    FMenuBar->resize(FMenuBar->width(), value);
    FMenuBar->Realign();
    Realign();
  }
}

void TskinForm::SetHeight(int value) {
  if (!FForm) {
    resize(width(), value);
    return;
  }
  FForm->resize(FForm->width(), value + FBorderWidth + FBorderWidth / 2);
  PlaceInForm();
}

void TskinForm::SetWidth(int value) {
  if (!FForm) {
    resize(value, height());
    return;
  }
  FForm->resize(value + 2 * FBorderWidth, FForm->height());
  PlaceInForm();
}

void TskinForm::SetRoundCorner(int value) {
  if (IsMDIChild() || !FTitleBar) return;
  FTitleBar->SetRoundCorner(value);
}

void TskinForm::SetOnTitleBarCustomBtnsClick(TskinTitleBarButtonClickEvent value) {
  FTitleBar->OnCustomBtnsClick = std::move(value);
}

void TskinForm::SetOnTitleBarHelpBtnClick(TskinTitleBarButtonClickEvent value) {
  FTitleBar->OnHelpBtnClick = std::move(value);
}

// ---- placement, border, background

void TskinForm::PlaceInForm() {
  if (!FForm || !FReady) return;
  int top = FTitleBarVisible ? 0 : FBorderWidth;
  int w = FForm->width() - 2 * FBorderWidth;
  int h = FForm->height() - FBorderWidth - top;
  if (IsMDIChild()) {
    w -= 3;
    h -= 3;
  }
  setGeometry(FBorderWidth, top, std::max(0, w), std::max(0, h));
  Realign();
}

void TskinForm::Realign() {
  int y = 0;
  if (FTitleBar) {
    FTitleBar->setGeometry(0, FTitleBar->y(), width(), FTitleBar->height());
    if (FTitleBar->isVisibleTo(this)) y = FTitleBar->y() + FTitleBar->height();
  }
  if (FMenuBar) {
    FMenuBar->setGeometry(0, y, width(), FMenuBarHeight);
    FMenuBar->Realign();
    y += FMenuBarHeight;
  }
  if (FFormPanel && FFormPanel->parentWidget() == this) FFormPanel->setGeometry(0, y, width(), std::max(0, height() - y));
}

void TskinForm::DrawBorder() {
  if (FForm) FForm->update();
}

void TskinForm::PaintBorder(TCanvas *canvas) {
  if (!FForm) return;
  const int W = FForm->width(), H = FForm->height(), BW = FBorderWidth;
  canvas->Pen.Color = FBorderColor;
  canvas->Pen.Width = BW;
  canvas->Pen.Style = TPenStyle::psSolid;
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->Brush.Color = FBorderColor;
  const bool mdiChild = IsMDIChild();
  canvas->FillRect(Rect(0, 0, BW, mdiChild ? H - 2 : H));
  canvas->FillRect(Rect(0, mdiChild ? H - BW - 3 : H - BW, W, H));
  canvas->FillRect(Rect(mdiChild ? W - BW - 3 : W - BW, 0, W, H));
  if (BW > 0) {
    canvas->MoveTo(0, 0);
    canvas->LineTo(W, 0);
  }
}

void TskinForm::PaintBuffer(TBitmap &buffer) {
  buffer.SetSize(std::max(1, width()), std::max(1, height()));
  TCanvas *canvas = buffer.Canvas();
  const char *pattern = FUIStyle == TskinUIStyle::MacOS     ? "MACOS_FORM_BACKGROUND"
                        : FUIStyle == TskinUIStyle::Protein ? "PROTEIN_FORM_BACKGROUND"
                                                            : nullptr;
  TBitmap tile;
  if (pattern && tile.LoadFromResourceName(pattern)) {
    canvas->Brush.SetBitmap(&tile);
  } else {
    canvas->Brush.SetBitmap(nullptr);
    canvas->Brush.Color = Color();
  }
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->FillRect(Rect(0, 0, width(), height()));
  canvas->Brush.SetBitmap(nullptr);
}

void TskinForm::paintEvent(QPaintEvent *) {
  TBitmap buffer;
  PaintBuffer(buffer);
  QPainter painter(this);
  painter.drawImage(0, 0, buffer.Image());
}

void TskinForm::resizeEvent(QResizeEvent *event) {
  TPanel::resizeEvent(event);
  Realign();
}

void TskinForm::showEvent(QShowEvent *event) {
  TPanel::showEvent(event);
  PlaceInForm();
  DrawBorder();
}

bool TskinForm::eventFilter(QObject *watched, QEvent *event) {
  if (watched != FForm) return TPanel::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Paint: {
      // The form shows only its border band round the panel.
      QPainter painter(FForm);
      TCanvas canvas(&painter, FForm);
      canvas.Brush.Color = Color();
      canvas.FillRect(Rect(0, 0, FForm->width(), FForm->height()));
      PaintBorder(&canvas);
      return true;
    }
    case QEvent::MouseButtonPress: {
      auto *mouse = static_cast<QMouseEvent *>(event);
      if (mouse->button() != Qt::LeftButton) break;
      QPoint global = mouse->globalPosition().toPoint();
      win::LRESULT hit = win::SendMessage(FFormHandle, win::WM_NCHITTEST, 0, win::MakePointParam(global.x(), global.y()));
      Qt::Edges edges;
      if (hit == win::HTLEFT || hit == win::HTTOPLEFT || hit == win::HTBOTTOMLEFT) edges |= Qt::LeftEdge;
      if (hit == win::HTRIGHT || hit == win::HTTOPRIGHT || hit == win::HTBOTTOMRIGHT) edges |= Qt::RightEdge;
      if (hit == win::HTTOP || hit == win::HTTOPLEFT || hit == win::HTTOPRIGHT) edges |= Qt::TopEdge;
      if (hit == win::HTBOTTOM || hit == win::HTBOTTOMLEFT || hit == win::HTBOTTOMRIGHT) edges |= Qt::BottomEdge;
      if (edges && FForm->windowHandle()) {
        FForm->windowHandle()->startSystemResize(edges);
        return true;
      }
      break;
    }
    default: break;
  }
  return false;
}

// ---- the form's window procedure

win::LRESULT TskinForm::FormWndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  win::LRESULT result = FSavedWndProc ? FSavedWndProc(FFormHandle, msg, wParam, lParam)
                                      : win::DefWindowProc(FFormHandle, msg, wParam, lParam);
  switch (msg) {
    case win::WM_MDIACTIVATE:
      if (static_cast<win::HWND>(lParam) == FFormHandle) SendToMDIClient(WM_SKIN_MDICHILDCHANGED, 0);
      break;
    case win::WM_KEYDOWN: result = HandleMenuShortCut(msg, wParam, lParam); break;
    case win::WM_SHOWWINDOW: break;  // the form never carries a native menu here
    case win::WM_DESTROY:
      if (IsMDIChild()) {
        SendToMDIClient(WM_SKIN_MDICHILDCHANGED, 0);
        if (FormMaximized(FForm)) SendToMDIClient(WM_SKIN_MDICHILDRESTORED, 0);
      }
      break;
    case win::WM_ACTIVATE:
      if (FTitleBar) FTitleBar->SetFormActive((wParam & 0xFFFF) != 0);
      break;
    case win::WM_SIZE: Sizing(); break;
    case win::WM_ERASEBKGND: DrawBorder(); break;
    case win::WM_NCHITTEST: result = ResizeBorders(result, lParam); break;
    default: break;
  }
  return result;
}

void TskinForm::Sizing() {
  if (!FForm || !FTitleBar) return;
  SkinFormGlobals &state = SkinFormState;
  if (FPendingMaximize) {
    if (FormMaximized(FForm)) {
      if (state.MaximizeCounter == 2)
        FForm->setWindowState((FForm->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
      else
        ++state.MaximizeCounter;
    } else {
      FPendingMaximize = false;
      SetFormBounds(FForm, FCreatedBounds);
    }
    state.MDIChildMaximized = true;
  }
  if (FormMaximized(FForm) && !IsMDIChild() && FSavedBorderStyle != bsNone) {
    TRect area;
    GetWorkArea(area);
    SetMaximizedFormBounds(FForm, area);
  }
  PlaceInForm();
  DrawBorder();
  FTitleBar->UpdateMaxButtons();
  if (IsMDIChild()) {
    const int band = FTitleBar->height();
    if (FormMaximized(FForm)) {
      SetTitleBarVisible(false);
      if (!state.MDIChildMaximized) {
        scroll(0, -band);
        state.MDIChildMaximized = true;
        SendToMDIClient(WM_SKIN_MDICHILDMAXIMIZED, FFormHandle);
      }
    } else {
      SetTitleBarVisible(true);
      if (state.MDIChildMaximized) {
        scroll(0, band);
        state.MDIChildMaximized = false;
        FTitleBar->UpdateMaxButtons();
        SendToMDIClient(WM_SKIN_MDICHILDRESTORED, 0);
      }
    }
  }
  FTitleBar->ApplyRoundCorner(FTitleBar->RoundCorner());
}

win::LRESULT TskinForm::ResizeBorders(win::LRESULT answer, win::LPARAM lParam) {
  if (answer == 0) answer = win::HTCLIENT;
  if (FormMaximized(FForm)) return answer;
  if (IsMDIForm() && answer == win::HTCLIENT) answer = win::HTTRANSPARENT;
  if (FSavedBorderStyle != bsSizeable) return answer;
  QPoint at = FForm->mapFromGlobal(QPoint(win::ParamX(lParam), win::ParamY(lParam)));
  const int x = at.x(), y = at.y(), W = FForm->width(), H = FForm->height();
  if (x < 5 && y < 5) return win::HTTOPLEFT;
  if (x > W - 5 && y < 5) return win::HTTOPRIGHT;
  if (x > W - 5 && y > H - 5) return win::HTBOTTOMRIGHT;
  if (x < 5 && y > H - 5) return win::HTBOTTOMLEFT;
  if (x < 5) return win::HTLEFT;
  if (y < 5) return win::HTTOP;
  if (x > W - 5) return win::HTRIGHT;
  if (y > H - 5) return win::HTBOTTOM;
  return answer;
}

win::LRESULT TskinForm::HandleMenuShortCut(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  if (!FForm || !FMenu) return 0;
  if (!IsFormActive(FForm)) return 0;
  TSkinApplicationView &app = SkinApplicationView();
  bool active = app.FormActive ? app.FormActive(FForm) : FForm->isActiveWindow();
  if (!active) return 0;
  return FMenu->IsShortCut(msg, wParam, lParam) ? 1 : 0;
}

void TskinForm::AppMessage(TMsg &msg, bool &handled) {
  if (msg.message != win::WM_KEYDOWN) return;
  if (HandleMenuShortCut(msg.message, msg.wParam, msg.lParam) == 1) handled = true;
}

// ---- the menu bar

void TskinForm::SetMenu(TMainMenu *value) {
  if (auto *old = dynamic_cast<TskinMainMenu *>(FMenu)) old->SetFormSkin(nullptr);
  QObject::disconnect(FMenuWatch);
  FMenu = value;
  if (value) {
    FMenuWatch = QObject::connect(value, &QObject::destroyed, this, [this, value] {
      if (FMenu == value) {
        FMenu = nullptr;
        DropMenu();
      }
    });
    if (auto *menu = dynamic_cast<TskinMainMenu *>(value)) menu->SetFormSkin(this);
    if (!FMenuBar) CreateMenuBar();
    RebuildMenuBar();
  } else {
    DropMenu();
  }
}

void TskinForm::CreateMenuBar() {
  if (IsMDIChild() || FMenuBar) return;
  FMenuBar = new TToolBar(this, this);
  FMenuBar->Flat = true;
  FMenuBar->ShowCaptions = true;
  FMenuBar->resize(width(), FMenuBarHeight);
  FMenuBar->SetColor(FMenuBarColor);
  FMenuBar->OnCustomDrawButton = [this](TToolBar *sender, TToolButton *button, unsigned state, bool &defaultDraw) {
    DrawMenuBarButton(sender, button, state, defaultDraw);
  };
  FMenuBar->OnCustomDraw = [this](TToolBar *sender, const TRect &rect, bool &defaultDraw) {
    DrawMenuBarBackground(sender, rect, defaultDraw);
  };
  FMenuBar->OnPrepareDropMenu = [this](TskinPopupMenu *drop) {
    if (auto *menu = dynamic_cast<TskinMainMenu *>(FMenu)) {
      drop->SetUIStyle(menu->UIStyle());
      drop->SetImages(menu->Images());
      drop->SetFontColor(menu->FontColor());
      drop->SetSelectedFontColor(menu->SelectedFontColor());
    } else {
      drop->SetImages(FMenu ? FMenu->Images() : nullptr);
    }
  };
  FMenuBar->show();
  if (FTitleBar) FTitleBar->move(FTitleBar->x(), 0);
  UpdateMenuBarFont();
  Realign();
}

void TskinForm::DropMenu() {
  if (!IsMDIChild()) {
    delete FMenuBar;
    FMenuBar = nullptr;
  }
  if (auto *menu = dynamic_cast<TskinMainMenu *>(FMenu)) menu->SetFormSkin(nullptr);
  QObject::disconnect(FMenuWatch);
  FMenu = nullptr;
  Realign();
}

void TskinForm::RebuildMenuBar() {
  if (!FMenuBar) return;
  if (!FMenu) {
    DropMenu();
    return;
  }
  FMenuBar->ClearButtons();
  for (int i = FMenu->Count() - 1; i >= 0; --i) {
    TToolButton *button = FMenuBar->InsertButton();
    button->Grouped = true;
    button->MenuItem = FMenu->Items(i);
    button->Caption = FMenu->Items(i)->Caption();
    button->Enabled = FMenu->Items(i)->Enabled();
    button->AutoSize = true;
  }
  FMenuBar->Realign();
}

void TskinForm::RefreshMenuBar() {
  if (!FMenuBar) return;
  for (int i = 0; i < FMenuBar->ButtonCount(); ++i) {
    TToolButton *button = FMenuBar->Buttons(i);
    if (!button->MenuItem) continue;
    button->Caption = button->MenuItem->Caption();
    button->Enabled = button->MenuItem->Enabled();
  }
  FMenuBar->Realign();
}

void TskinForm::UpdateMenuBarFont() {
  auto *menu = dynamic_cast<TskinMainMenu *>(FMenu);
  if (!FMenuBar || !menu) return;
  if (!menu->UseSystemFont() || !SetSystemMenuFont(&FMenuBar->Font)) {
    FMenuBar->Font.Name = menu->FontName();
    FMenuBar->Font.SetSize(menu->FontSize());
    FMenuBar->Font.Charset = menu->FontCharset();
  }
  FMenuBar->Realign();
  FMenuBar->update();
}

TskinUIStyle TskinForm::MenuLookStyle(TskinFileTheme *&fileTheme) const {
  if (auto *menu = dynamic_cast<TskinMainMenu *>(FMenu)) {
    fileTheme = menu->FileTheme();
    return menu->UIStyle();
  }
  fileTheme = FFileTheme;
  return FUIStyle;
}

void TskinForm::DrawMenuBarButton(TToolBar *sender, TToolButton *button, unsigned state, bool &defaultDraw) {
  TskinFileTheme *fileTheme = nullptr;
  TskinUIStyle style = MenuLookStyle(fileTheme);
  TFormLook look(fileTheme, style);
  TCanvas *canvas = sender->Canvas();
  if (!canvas) return;
  if (auto *menu = dynamic_cast<TskinMainMenu *>(FMenu)) {

    if (!menu->UseSystemFont() || !SetSystemMenuFont(&canvas->Font)) {
      canvas->Font.Name = menu->FontName();
      canvas->Font.SetSize(menu->FontSize());
      canvas->Font.Charset = menu->FontCharset();
      canvas->Font.Color = menu->FontColor();
    }
  }
  if (!(state & (cdsHot | cdsSelected))) return;
  defaultDraw = false;
  const TRect &r = button->BoundsRect;
  if (look.Style == TskinUIStyle::MacOS && !look.File) {
    TBitmap buffer(std::max(1, r.Width()), std::max(1, r.Height()));
    TCanvas *bc = buffer.Canvas();
    TBitmap strip;
    if (strip.LoadFromResourceName("MACOS_MENU_SELECT")) bc->StretchDraw(Rect(0, 0, r.Width(), r.Height()), &strip);
    bc->Brush.Style = TBrushStyle::bsClear;
    bc->Font = canvas->Font;
    bc->Font.Color = look.Color(20);
    TRect text = Rect(0, 0, r.Width(), r.Height() + 2);
    win::DrawText(bc, button->Caption, text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    canvas->Draw(r.Left, r.Top, &buffer);
  } else {
    TRect fill = Rect(r.Left, r.Top, r.Right - ((state & cdsSelected) ? 2 : 0), r.Bottom);
    FillMenuRect(canvas, fill, look.Color(19));
    FrameMenuRect(canvas, fill, look.Color(18));
    if (state & cdsSelected) fill.Left += 2;
    fill.Top += 2;
    canvas->Brush.Style = TBrushStyle::bsClear;
    canvas->Font.Color = look.Color(20);
    win::DrawText(canvas, button->Caption, fill, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
}

void TskinForm::DrawMenuBarBackground(TToolBar *sender, const TRect &rect, bool &) {
  TskinFileTheme *fileTheme = nullptr;
  TskinUIStyle style = MenuLookStyle(fileTheme);
  TFormLook look(fileTheme, style);
  if (look.Style != TskinUIStyle::MacOS || look.File || !sender->Canvas()) return;
  TBitmap strip;
  if (strip.LoadFromResourceName("MACOS_MENU_BAR")) sender->Canvas()->StretchDraw(rect, &strip);
}

void TskinForm::Notification(TComponent *component, TOperation operation) {
  TPanel::Notification(component, operation);
  if (operation != TOperation::opRemove || !component) return;
  if (FFormPanel && dynamic_cast<TComponent *>(FFormPanel.data()) == component) FFormPanel = nullptr;
  if (FMenu && static_cast<TComponent *>(FMenu) == component) DropMenu();
  if (FFileTheme && static_cast<TComponent *>(FFileTheme) == component) {
    QObject::disconnect(FFileThemeWatch);
    FFileTheme = nullptr;
    ApplyStyleToChildren(this, TskinUIStyle::DeepBlue, nullptr);
    SetUIStyle(TskinUIStyle::DeepBlue);
  }
}
