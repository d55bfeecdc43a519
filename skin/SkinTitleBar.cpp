#include "SkinTitleBar.h"

#include <QApplication>
#include <QChildEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QVariant>
#include <QWindow>
#include <cmath>

#include "SkinForm.h"
#include "SkinPublic.h"
#include "dialogs.h"
#include "forms.h"

// ---- form attributes

TFormBorderStyle FormBorderStyle(const QWidget *form) {
  if (!form) return bsNone;
  QVariant value = form->property("BorderStyle");
  return value.isValid() ? static_cast<TFormBorderStyle>(value.toInt()) : bsSizeable;
}

void SetFormBorderStyle(QWidget *form, TFormBorderStyle value) {
  if (!form) return;
  form->setProperty("BorderStyle", static_cast<int>(value));
  if (form->isWindow()) {
    bool visible = form->isVisible();
    form->setWindowFlag(Qt::FramelessWindowHint, value == bsNone);
    if (visible) form->show();
  }
}

TFormStyle FormStyle(const QWidget *form) {
  if (!form) return fsNormal;
  QVariant value = form->property("FormStyle");
  return value.isValid() ? static_cast<TFormStyle>(value.toInt()) : fsNormal;
}

void SetFormStyle(QWidget *form, TFormStyle value) {
  if (form) form->setProperty("FormStyle", static_cast<int>(value));
}

win::HWND FormClientHandle(const QWidget *form) {
  if (!form) return 0;
  return static_cast<win::HWND>(form->property("ClientHandle").toULongLong());
}

void SetFormClientHandle(QWidget *form, win::HWND client) {
  if (form) form->setProperty("ClientHandle", static_cast<qulonglong>(client));
}

bool FormMaximized(const QWidget *form) { return form && (form->windowState() & Qt::WindowMaximized); }

void SetMaximizedFormBounds(QWidget *form, const TRect &rect) {
  if (!form) return;
  bool maximized = FormMaximized(form);
  SetFormBounds(form, rect);
  if (maximized && !FormMaximized(form)) form->setWindowState(form->windowState() | Qt::WindowMaximized);
}

void CloseForm(QWidget *form) {
  if (!form) return;
  if (auto *f = dynamic_cast<TForm *>(form))
    f->Close();
  else
    form->close();
}

namespace {

// The window state of a form, whether shown yet or not.
void SetFormMaximized(QWidget *form, bool maximized) {
  Qt::WindowStates state = form->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized);
  if (maximized) state |= Qt::WindowMaximized;
  form->setWindowState(state);
}

// One theme item from the file theme or the built-in style, as UsingFileTheme decides.
struct TLook {
  const TskinFileTheme *File = nullptr;
  TskinUIStyle Style = TskinUIStyle::DeepBlue;
  TLook(const TskinFileTheme *fileTheme, TskinUIStyle style) {
    TskinUIStyle effective;
    File = UsingFileTheme(fileTheme, style, effective) ? fileTheme : nullptr;
    Style = effective;
  }
  int Int(int item) const { return File ? File->GetInt(item) : GetStyleInt(Style, item); }
  TColor Color(int item) const { return File ? File->GetColor(item) : GetStyleColor(Style, item); }
  bool Bool(int item) const { return File ? File->GetBool(item) : GetStyleBool(Style, item); }
  void Bitmap(int item, TBitmap *graphic) const {
    if (File)
      File->GetBitmap(item, graphic);
    else
      LoadStyleBitmap(Style, item, graphic);
  }
  void Frame(int item, TBitmap *graphic, int count, int number) const {
    if (File)
      File->GetBitmapFrame(item, graphic, count, number);
    else
      LoadStyleBitmapFrame(Style, item, graphic, count, number);
  }
};

// The room a text may take, counted in characters, not bytes.
std::string FitCaption(TCanvas *canvas, const std::string &caption, int room) {
  if (canvas->TextWidth(caption) <= room) return caption;
  QString text = QString::fromStdString(caption);
  while (!text.isEmpty() && canvas->TextWidth((text + "...").toStdString()) > room) text.chop(1);
  return (text + "...").toStdString();
}

QRegion RoundedRectRegion(int left, int top, int right, int bottom, int ellipse) {
  if (ellipse <= 1 || right - left <= 0 || bottom - top <= 0) return QRegion(left, top, right - left, bottom - top);
  double r = ellipse / 2.0;
  int rows = static_cast<int>(std::ceil(r));
  QRegion region(left, top + rows, right - left, std::max(0, bottom - top - 2 * rows));
  for (int i = 0; i < rows && i < (bottom - top + 1) / 2; ++i) {
    double dy = r - (i + 0.5);
    int inset = static_cast<int>(std::lround(r - std::sqrt(std::max(0.0, r * r - dy * dy))));
    int width = std::max(0, right - left - 2 * inset);
    region += QRegion(left + inset, top + i, width, 1);
    region += QRegion(left + inset, bottom - 1 - i, width, 1);
  }
  return region;
}

}  // namespace

// ---- buttons

TskinTitleBarButton::TskinTitleBarButton(TskinTitleBarButtons *collection) : FCollection(collection) {}
TskinTitleBarButton::~TskinTitleBarButton() = default;

int TskinTitleBarButton::Index() const { return FCollection ? FCollection->IndexOf(this) : -1; }

TskinTitleBar *TskinTitleBarButton::Bar() const { return FCollection ? FCollection->GetOwner() : nullptr; }

void TskinTitleBarButton::Changed() {
  if (TskinTitleBar *bar = Bar()) bar->Repaint();
}

void TskinTitleBarButton::Assign(const TskinTitleBarButton *source) {
  if (!source) return;
  SetVisible(source->Visible());
  SetButtonType(source->ButtonType());
  SetTransparent(source->Transparent());
  SetTop(source->Top());
  SetUIStyle(source->UIStyle());
  SetPicNormal(source->PicNormal());
  SetPicMouseOn(source->PicMouseOn());
  SetPicMouseDown(source->PicMouseDown());
  SetControlBoxMenu(source->ControlBoxMenu());
}

void TskinTitleBarButton::SetUIStyle(TskinUIStyle value) {
  FUIStyle = value;
  UpdatePictures();
}

void TskinTitleBarButton::SetButtonType(TskinTitleBarBtnType value) {
  if (value == skinControlBox && FCollection) {
    for (int i = 0; i < FCollection->Count(); ++i) {
      if (FCollection->Items(i)->ButtonType() == skinControlBox) {
        win::MessageDlg("Sorry, only one button's ButtonType property can be \"skinControlBox\"",
                        win::TMsgDlgType::mtError, {win::mbOK});
        return;
      }
    }
  }
  FButtonType = value;
  UpdatePictures();
  Changed();
}

void TskinTitleBarButton::SetTransparent(bool value) {
  FTransparent = value;
  Changed();
}

void TskinTitleBarButton::SetTop(int value) {
  FTop = value;
  Changed();
}

void TskinTitleBarButton::SetVisible(bool value) {
  FVisible = value;
  Changed();
}

void TskinTitleBarButton::SetPicNormal(const TBitmap &value) {
  FPicNormal = value;
  Changed();
}

void TskinTitleBarButton::SetPicMouseOn(const TBitmap &value) {
  FPicMouseOn = value;
  Changed();
}

void TskinTitleBarButton::SetPicMouseDown(const TBitmap &value) {
  FPicMouseDown = value;
  Changed();
}

void TskinTitleBarButton::LoadFrames(int first) {
  TskinTitleBar *bar = Bar();
  TLook look(bar ? bar->FileTheme() : nullptr, FUIStyle);
  look.Frame(5, &FPicNormal, 18, first);
  look.Frame(5, &FPicMouseOn, 18, first + 1);
  look.Frame(5, &FPicMouseDown, 18, first + 2);
}

void TskinTitleBarButton::UpdatePictures() {
  TskinTitleBar *bar = Bar();
  TLook look(bar ? bar->FileTheme() : nullptr, FUIStyle);
  FTransparent = look.Bool(6);
  if (FButtonType == skinCustom) return;
  switch (FButtonType) {
    case skinControlBox: LoadFrames(1); break;
    case skinHelp: LoadFrames(4); break;
    case skinMax: LoadFrames(7); break;
    case skinMin: LoadFrames(13); break;
    case skinClose: LoadFrames(16); break;
    default: break;
  }
  FTop = look.Int(9);
  if (FButtonType == skinMax) UpdateMaxPicture();
}

void TskinTitleBarButton::UpdateMaxPicture() {
  TskinTitleBar *bar = Bar();
  if (!bar || bar->Custom()) return;
  LoadFrames(FormMaximized(bar->ParentForm()) ? 10 : 7);
  Changed();
}

void TskinTitleBarButton::DoClick() {
  TskinTitleBar *bar = Bar();
  QWidget *form = bar ? bar->ParentForm() : nullptr;
  if (!form) return;
  switch (FButtonType) {
    case skinMax:
      if (FormMaximized(form)) {
        SetFormMaximized(form, false);
      } else {
        SetFormMaximized(form, true);
        if (!bar->ParentIsFormSkin()) {
          TRect area;
          GetWorkArea(area);
          SetMaximizedFormBounds(form, area);
        }
      }
      UpdateMaxPicture();
      break;
    case skinMin: {
      TSkinApplicationView &app = SkinApplicationView();
      QWidget *mainForm = app.MainForm ? app.MainForm() : nullptr;
      if (mainForm && mainForm == form)
        win::SendMessage(win::HandleOf(form), win::WM_SYSCOMMAND, win::SC_MINIMIZE, 0);
      else
        form->showMinimized();
      break;
    }
    case skinClose: CloseForm(form); break;
    case skinControlBox:
      if (FControlBoxMenu) bar->PopupAtBottomLeft(FControlBoxMenu);
      break;
    default: break;
  }
}

// ---- sections

TskinTitleBarSection::TskinTitleBarSection(TskinTitleBarSections *collection) : FCollection(collection) {}
TskinTitleBarSection::~TskinTitleBarSection() = default;

int TskinTitleBarSection::Index() const { return FCollection ? FCollection->IndexOf(this) : -1; }

void TskinTitleBarSection::Changed() {
  if (FCollection && FCollection->GetOwner()) FCollection->GetOwner()->Repaint();
}

void TskinTitleBarSection::Assign(const TskinTitleBarSection *source) {
  if (!source) return;
  SetWidth(source->Width());
  SetAlign(source->Align());
  SetPicture(&source->Picture());
  SetStretch(source->Stretch());
  SetAutoSize(source->AutoSize());
}

void TskinTitleBarSection::SetAutoSize(bool value) {
  FAutoSize = value;
  if (!FPicture.Empty()) FWidth = FPicture.Width();
  Changed();
}

void TskinTitleBarSection::SetWidth(int value) {
  FWidth = value;
  Changed();
}

void TskinTitleBarSection::SetAlign(TskinTitleBarAlign value) {
  if (value == skinClient && FCollection) {
    for (int i = 0; i < FCollection->Count(); ++i) {
      if (FCollection->Items(i)->Align() == skinClient) {
        win::MessageDlg("Sorry, only one section's Align property can be \"skinClient\"", win::TMsgDlgType::mtError,
                        {win::mbOK});
        return;
      }
    }
    FStretch = true;
  }
  FAlign = value;
  Changed();
}

void TskinTitleBarSection::SetPicture(const TBitmap *value) {
  if (value)
    FPicture = *value;
  else
    FPicture = TBitmap();
  if (FAutoSize && value) FWidth = FPicture.Width();
  Changed();
}

void TskinTitleBarSection::SetStretch(bool value) {
  FStretch = value || FAlign == skinClient;
  Changed();
}

// ---- system menu

TskinTitleBarPopupMenu::TskinTitleBarPopupMenu(TskinTitleBar *bar) : TskinPopupMenu(bar), FBar(bar) {
  Add("最小化(&N)", [this] { MinimizeClick(); });
  Add("最大化/还原(&X)", [this] { MaxRestoreClick(); });
  Add("-");
  Add("关闭(&C)", [this] { CloseClick(); });
  HookItems();
}

TskinTitleBarPopupMenu::~TskinTitleBarPopupMenu() = default;

void TskinTitleBarPopupMenu::Popup(int x, int y) {
  bool hasMin = false, hasMax = false, hasClose = false;
  for (int i = 0; i < FBar->Buttons().Count(); ++i) {
    TskinTitleBarBtnType type = FBar->Buttons().Items(i)->ButtonType();
    hasMin |= type == skinMin;
    hasMax |= type == skinMax;
    hasClose |= type == skinClose;
  }
  Items(0)->SetEnabled(hasMin);
  Items(1)->SetEnabled(hasMax);
  Items(3)->SetEnabled(hasClose);
  TskinPopupMenu::Popup(x, y);
}

void TskinTitleBarPopupMenu::MinimizeClick() {
  for (int i = 0; i < FBar->Buttons().Count(); ++i)
    if (FBar->Buttons().Items(i)->ButtonType() == skinMin) {
      FBar->Buttons().Items(i)->DoClick();
      return;
    }
}

void TskinTitleBarPopupMenu::MaxRestoreClick() {
  for (int i = 0; i < FBar->Buttons().Count(); ++i)
    if (FBar->Buttons().Items(i)->ButtonType() == skinMax) FBar->Buttons().Items(i)->DoClick();
}

void TskinTitleBarPopupMenu::CloseClick() { CloseForm(FBar->ParentForm()); }

// ---- the bar

TskinTitleBar::TskinTitleBar(QWidget *parent, TComponent *owner) : TPanel(parent, owner) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  FInheritedProc = win::GetWindowProc(Handle());
  win::SetWindowProc(Handle(), [this](win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    return BarWndProc(wnd, msg, wParam, lParam);
  });

  FCustom = false;
  FSystemMenu = new TskinTitleBarPopupMenu(this);
  FButtons.Add()->SetButtonType(skinControlBox);
  FButtons.Add()->SetButtonType(skinClose);
  FButtons.Add()->SetButtonType(skinMax);
  FButtons.Add()->SetButtonType(skinMin);
  // Stands in for the top alignment: the bar spans its parent's width at the top.
  if (parentWidget()) setGeometry(0, 0, parentWidget()->width(), height());
  FButtonInterval = 0;
  FFormActive = true;
  FPressed = false;
  FHotButton = -1;
  FLeftBtnXOffset = 0;
  FRightBtnXOffset = 0;
  FDrawAppIcon = false;
  FKeepFontColor = false;
  FFont.Name = "Tahoma";
  FFont.Style = fsBold;
  FFont.Color = clWhite;
  FConstructing = false;
  SetUIStyle(GetOwnerUIStyle(owner));
}

TskinTitleBar::~TskinTitleBar() {
  QObject::disconnect(FFileThemeWatch);
  if (win::IsWindow(Handle())) win::SetWindowProc(Handle(), FInheritedProc);
  FConstructing = true;  // no repaints while the collections go
  delete FSystemMenu;
  FSystemMenu = nullptr;
}

void TskinTitleBar::childEvent(QChildEvent *event) {
  // The bar accepts no child controls.
  if (event->type() == QEvent::ChildAdded) {
    if (auto *child = qobject_cast<QWidget *>(event->child())) {
      if (!child->isWindow()) child->setParent(parentWidget());
    }
  }
  TPanel::childEvent(event);
}

void TskinTitleBar::SetFileTheme(TskinFileTheme *value) {
  QObject::disconnect(FFileThemeWatch);
  FFileTheme = value;
  if (value)
    FFileThemeWatch = QObject::connect(value, &QObject::destroyed, this,
                                       [this, value] { Notification(value, TOperation::opRemove); });
  FKeepFontColor = true;
  SetUIStyle(FUIStyle);
  FKeepFontColor = false;
}

void TskinTitleBar::Notification(TComponent *component, TOperation operation) {
  TPanel::Notification(component, operation);
  if (operation == TOperation::opRemove && FFileTheme && component == static_cast<TComponent *>(FFileTheme)) {
    QObject::disconnect(FFileThemeWatch);
    FFileTheme = nullptr;
    SetUIStyle(TskinUIStyle::DeepBlue);
  }
}

void TskinTitleBar::ApplyLook(TskinUIStyle style, bool fromFile) {
  TLook look(fromFile ? FFileTheme : nullptr, style);
  TBitmap picture;
  auto addSection = [&](int item, TskinTitleBarAlign align, bool autoSize) {
    TskinTitleBarSection *section = FSections.Add();
    TBitmap bitmap;
    look.Bitmap(item, &bitmap);
    if (autoSize) section->SetAutoSize(true);
    section->SetPicture(&bitmap);
    if (align != skinLeft) section->SetAlign(align);
  };
  addSection(10, skinLeft, true);
  addSection(12, skinRight, true);
  addSection(11, skinClient, false);
  FLeftBtnXOffset = look.Int(7);
  FRightBtnXOffset = look.Int(8);
  FCornerColor = look.Color(16);
  TBitmap strip;
  look.Bitmap(5, &strip);
  FCaptionBandHeight = strip.Height();
  FCaptionTop = look.Int(9);
  if (QWidget *form = ParentForm()) form->setMinimumWidth(std::max(0, look.Int(13)));
  FRoundCorner = look.Int(14);
}

void TskinTitleBar::SetUIStyle(TskinUIStyle value) {
  FUIStyle = value;
  if (FCustom) return;
  FSections.Clear();
  TskinUIStyle resolved;
  bool fromFile = UsingFileTheme(FFileTheme, value, resolved);
  ApplyLook(fromFile ? value : resolved, fromFile);
  for (int i = 0; i < FButtons.Count(); ++i) FButtons.Items(i)->SetUIStyle(resolved);
  FSystemMenu->SetFileTheme(FFileTheme);
  FSystemMenu->SetUIStyle(resolved);
  if (ParentIsFormSkin()) ApplyRoundCorner(FRoundCorner);
  if (!FKeepFontColor) FFont.Color = resolved == TskinUIStyle::MacOS ? clBlack : clWhite;
  SetAutoSize(true);
  Repaint();
}

void TskinTitleBar::SetAutoSize(bool value) {
  FAutoSize = value;
  if (FSections.Count() == 0) {
    FAutoSize = false;
    return;
  }
  if (FAutoSize) resize(width(), FSections.Items(0)->Picture().Height());
}

void TskinTitleBar::SetButtonInterval(int value) {
  FButtonInterval = value;
  Repaint();
}

void TskinTitleBar::SetCaption(const std::string &value) {
  FCaption = value;
  Repaint();
}

void TskinTitleBar::SetFont(const TFont &value) {
  FFont = value;
  Repaint();
}

void TskinTitleBar::SetFormActive(bool value) {
  FFormActive = value;
  Repaint();
}

void TskinTitleBar::SetLeftBtnXOffset(int value) {
  FLeftBtnXOffset = value;
  Repaint();
}

void TskinTitleBar::SetRightBtnXOffset(int value) {
  FRightBtnXOffset = value;
  Repaint();
}

void TskinTitleBar::SetDrawAppIcon(bool value) {
  FDrawAppIcon = value;
  Repaint();
}

void TskinTitleBar::SetRoundCorner(int value) {
  FRoundCorner = value;
  if (ParentIsFormSkin()) ApplyRoundCorner(value);
}

bool TskinTitleBar::ParentIsFormSkin() const { return parentWidget() && InheritsClass(parentWidget(), "TskinForm"); }

QWidget *TskinTitleBar::ParentForm() const {
  QWidget *form = window();
  return form != this ? form : nullptr;
}

void TskinTitleBar::ApplyRoundCorner(int radius) {
  QWidget *form = ParentForm();
  if (!form) return;
  QRect client = form->rect();
  int L = client.left(), T = client.top(), R = L + client.width(), B = T + client.height();
  QRegion region = RoundedRectRegion(L, T, R + 1, B + 1, radius);
  region += QRegion(L, B - 2 * radius, 2 * radius, 2 * radius);
  region += QRegion(R - 2 * radius, B - 2 * radius, 2 * radius, 2 * radius);
  form->setMask(region);
  form->update();
}

void TskinTitleBar::UpdateMaxButtons() {
  for (int i = 0; i < FButtons.Count(); ++i)
    if (FButtons.Items(i)->ButtonType() == skinMax) FButtons.Items(i)->UpdateMaxPicture();
}

TRect TskinTitleBar::ButtonRect(int index) const {
  return index >= 0 && index < static_cast<int>(FButtonRects.size()) ? FButtonRects[index] : TRect{};
}

void TskinTitleBar::DrawPicture(TCanvas *canvas, const TBitmap &picture, const TRect &rect, bool stretch, int width) {
  if (picture.Empty()) return;
  if (stretch) {
    canvas->StretchDraw(rect, &picture);
  } else {
    TBitmap copy = picture;
    win::BitBlt(canvas, rect.Left, rect.Top, std::min(width, picture.Width()), std::min(rect.Height(), picture.Height()),
                copy.Canvas(), 0, 0, SRCCOPY);
  }
}

void TskinTitleBar::DrawSections(TBitmap *buffer) {
  int L = -1, R = buffer->Width() + 1;
  const int H = buffer->Height();
  TskinTitleBarSection *client = nullptr;
  TCanvas *canvas = buffer->Canvas();
  for (int i = 0; i < FSections.Count(); ++i) {
    TskinTitleBarSection *section = FSections.Items(i);
    switch (section->Align()) {
      case skinLeft:
        DrawPicture(canvas, section->Picture(), Rect(L + 1, 0, L + 1 + section->Width(), H), section->Stretch(),
                    section->Width());
        L += section->Width();
        break;
      case skinRight:
        if (buffer->Width() - L >= section->Width()) {
          DrawPicture(canvas, section->Picture(), Rect(R - section->Width() - 1, 0, R - 1, H), section->Stretch(),
                      section->Width());
          R -= section->Width();
        }
        break;
      case skinClient: client = section; break;
    }
  }
  if (client && !client->Picture().Empty() && R - 1 > L + 1)
    canvas->StretchDraw(Rect(L + 1, 0, R - 1, H), &client->Picture());
}

void TskinTitleBar::DrawButtons(TBitmap *buffer) {
  TCanvas *canvas = buffer->Canvas();
  int X = buffer->Width() + 1 + FRightBtnXOffset;
  FHotButton = -1;
  // Only a bar on screen can be under the mouse.
  QPoint cursor = isVisible() ? mapFromGlobal(QCursor::pos()) : QPoint(-10000, -10000);
  TPoint mouse = Point(cursor.x(), cursor.y());
  FButtonRects.assign(FButtons.Count(), TRect{});

  auto drawButton = [&](int index, TskinTitleBarButton *button, int x) {
    const TBitmap &normal = button->PicNormal();
    TRect rect = Rect(x, button->Top(), x + normal.Width(), button->Top() + normal.Height());
    FButtonRects[index] = rect;
    const TBitmap *picture = &normal;
    if (PointInRect(mouse, rect)) {
      FHotButton = index;
      picture = FPressed ? &button->PicMouseDown() : &button->PicMouseOn();
    }
    if (normal.Empty()) return;
    TBitmap scratch(normal.Width(), normal.Height());
    win::BitBlt(scratch.Canvas(), 0, 0, normal.Width(), normal.Height(), const_cast<TBitmap *>(picture)->Canvas(), 0,
                0, SRCCOPY);
    scratch.Transparent = button->Transparent();
    canvas->Draw(x, button->Top(), &scratch);
  };

  int controlBox = -1;
  for (int i = 0; i < FButtons.Count(); ++i) {
    TskinTitleBarButton *button = FButtons.Items(i);
    if (!button->Visible()) continue;
    if (button->ButtonType() == skinControlBox) {
      controlBox = i;
      continue;
    }
    X -= button->PicNormal().Width() + FButtonInterval + 1;
    drawButton(i, button, X);
  }

  int P = FLeftBtnXOffset;
  if (controlBox >= 0) {
    TskinTitleBarButton *box = FButtons.Items(controlBox);
    if (FDrawAppIcon) {
      TRect rect = Rect(P, box->Top(), P + box->PicNormal().Width(), box->Top() + box->PicNormal().Height());
      FButtonRects[controlBox] = rect;
      if (PointInRect(mouse, rect)) FHotButton = controlBox;
      TBitmap icon;
      if (icon.LoadFromResourceName("MAINICON")) {
        TBitmap small(16, 16);
        small.Canvas()->StretchDraw(Rect(0, 0, 16, 16), &icon);
        canvas->Draw(P + 3, box->Top(), &small);
      }
      P += 21;
    } else {
      drawButton(controlBox, box, P);
      P += box->PicNormal().Width() + 5;
    }
  }
  if (P == 0) P = 6;

  canvas->Font = FFont;
  if (!FFormActive) canvas->Font.Color = clInactiveCaption;
  canvas->Brush.Style = TBrushStyle::bsClear;
  FCaptionLeft = P;
  FDrawnCaption = FitCaption(canvas, FCaption, X - P);
  int y = (FCaptionBandHeight - canvas->TextHeight(FDrawnCaption.empty() ? "Wg" : FDrawnCaption)) / 2 + FCaptionTop;
  // What does not fit even as "..." is cut where the buttons begin.
  TRect clip = Rect(P, 0, std::max(P, X), buffer->Height());
  canvas->DrawTextAt(P, y, FDrawnCaption, false, &clip);
}

void TskinTitleBar::PaintBuffer(TBitmap &buffer) {
  buffer.SetSize(std::max(1, width()), std::max(1, height()));
  TCanvas *canvas = buffer.Canvas();
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->Brush.Color = clBtnFace;
  canvas->FillRect(Rect(0, 0, buffer.Width(), buffer.Height()));
  canvas->Brush.Style = TBrushStyle::bsClear;
  canvas->Font = FFont;
  DrawSections(&buffer);
  DrawButtons(&buffer);
  if (FUIStyle != TskinUIStyle::WinXP && FRoundCorner != 0 && ParentIsFormSkin()) {
    canvas->Brush.Style = TBrushStyle::bsClear;
    canvas->Pen.Style = TPenStyle::psSolid;
    canvas->Pen.Width = 1;
    canvas->Pen.Color = FCornerColor;
    canvas->RoundRect(-1, 0, buffer.Width() + 1, buffer.Height() + 50, FRoundCorner + 1, FRoundCorner);
  }
}

void TskinTitleBar::paintEvent(QPaintEvent *) {
  if (FConstructing) return;
  TBitmap buffer;
  PaintBuffer(buffer);
  QPainter painter(this);
  painter.drawImage(0, 0, buffer.Image());
}

// ---- mouse

void TskinTitleBar::PopupAtBottomLeft(TPopupMenu *menu) {
  QPoint corner = mapToGlobal(QPoint(0, height()));
  if (auto *skinMenu = dynamic_cast<TskinPopupMenu *>(menu))
    skinMenu->Popup(corner.x(), corner.y());
  else
    menu->Popup(corner.x(), corner.y());
}

void TskinTitleBar::MouseDown(Qt::MouseButton button, int, int) {
  if (button != Qt::LeftButton) return;
  FPressed = true;
  Repaint();
  QWidget *form = ParentForm();
  if (FHotButton == -1 && form && !FormMaximized(form)) {
    if (QWidget *grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    win::SendMessage(win::HandleOf(form), win::WM_NCLBUTTONDOWN, win::HTCAPTION, 0);
    // The window system moves the form; without one that can, the bar follows the mouse itself.
    QWindow *window = form->windowHandle();
    if (!window || !window->startSystemMove()) {
      FDragging = true;
      FDragOrigin = QCursor::pos() - form->pos();
    }
    FPressed = false;
  }
}

void TskinTitleBar::MouseMove(int, int) {
  if (FDragging) {
    if (QWidget *form = ParentForm()) form->move(QCursor::pos() - FDragOrigin);
  }
  Repaint();
}

void TskinTitleBar::MouseUp(Qt::MouseButton button, int, int) {
  if (button != Qt::LeftButton) return;
  FDragging = false;
  if (FHotButton >= 0 && FHotButton < FButtons.Count()) {
    int index = FHotButton;
    TskinTitleBarButton *hot = FButtons.Items(index);
    if (hot->ButtonType() == skinControlBox && !hot->ControlBoxMenu()) {
      PopupAtBottomLeft(FSystemMenu);
    } else {
      hot->DoClick();
      if (hot->ButtonType() == skinCustom && OnCustomBtnsClick) OnCustomBtnsClick(this, index);
      if (hot->ButtonType() == skinHelp && OnHelpBtnClick) OnHelpBtnClick(this, index);
    }
  }
  FPressed = false;
  Repaint();
}

void TskinTitleBar::DblClick() {
  if (FHotButton == -1) {
    for (int i = 0; i < FButtons.Count(); ++i)
      if (FButtons.Items(i)->ButtonType() == skinMax) {
        FButtons.Items(i)->DoClick();
        break;
      }
  } else if (FHotButton < FButtons.Count() && FButtons.Items(FHotButton)->ButtonType() == skinControlBox) {
    CloseForm(ParentForm());
  }
}

void TskinTitleBar::mousePressEvent(QMouseEvent *event) {
  QPoint global = event->globalPosition().toPoint();
  if (event->button() == Qt::LeftButton) {
    // The top band sizes the form, as the hit-test answers it.
    win::LRESULT hit = win::SendMessage(Handle(), win::WM_NCHITTEST, 0, win::MakePointParam(global.x(), global.y()));
    if (hit == win::HTTOP || hit == win::HTTOPLEFT || hit == win::HTTOPRIGHT) {
      win::SendMessage(Handle(), win::WM_NCLBUTTONDOWN, static_cast<win::WPARAM>(hit), 0);
      Qt::Edges edges = Qt::TopEdge;
      if (hit == win::HTTOPLEFT) edges |= Qt::LeftEdge;
      if (hit == win::HTTOPRIGHT) edges |= Qt::RightEdge;
      if (QWidget *form = ParentForm())
        if (QWindow *window = form->windowHandle()) window->startSystemResize(edges);
      return;
    }
  }
  MouseDown(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

void TskinTitleBar::mouseMoveEvent(QMouseEvent *event) {
  TPanel::mouseMoveEvent(event);
  MouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

void TskinTitleBar::mouseReleaseEvent(QMouseEvent *event) {
  MouseUp(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

void TskinTitleBar::mouseDoubleClickEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton) DblClick();
}

void TskinTitleBar::leaveEvent(QEvent *event) {
  TPanel::leaveEvent(event);
  FDragging = false;
  Repaint();
}

win::LRESULT TskinTitleBar::BarWndProc(win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  if (msg == win::WM_ERASEBKGND) return 1;
  QWidget *form = ParentForm();
  if ((msg == win::WM_NCLBUTTONDOWN || msg == win::WM_NCLBUTTONUP || msg == win::WM_NCMOUSEMOVE) && form)
    return win::SendMessage(win::HandleOf(form), msg, wParam, lParam);
  win::LRESULT result =
      FInheritedProc ? FInheritedProc(wnd, msg, wParam, lParam) : win::DefWindowProc(wnd, msg, wParam, lParam);
  if (msg != win::WM_NCHITTEST) return result;
  if (result == 0) result = win::HTCLIENT;
  if (!form || FormMaximized(form)) return result;
  TSkinApplicationView &app = SkinApplicationView();
  if ((FormStyle(form) == fsMDIForm || (app.IsMDIFrame && app.IsMDIFrame(form))) && result == win::HTCLIENT)
    result = win::HTTRANSPARENT;
  auto *skin = dynamic_cast<TskinForm *>(parentWidget());
  if (!skin || skin->SavedBorderStyle() != bsSizeable) return result;
  QPoint at = mapFromGlobal(QPoint(win::ParamX(lParam), win::ParamY(lParam)));
  if (at.y() < 5) {
    if (at.x() < 5) return win::HTTOPLEFT;
    if (at.x() > form->width() - 5) return win::HTTOPRIGHT;
    return win::HTTOP;
  }
  return result;
}
