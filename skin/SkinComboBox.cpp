#include "SkinComboBox.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "SkinPublic.h"
#include "win.h"

namespace {

// Rows of the drop-down list as high as the combo box's ItemHeight, never lower than its text.
class ItemHeightDelegate : public QStyledItemDelegate {
public:
  ItemHeightDelegate(TskinCustomComboBox *combo) : QStyledItemDelegate(combo), FCombo(combo) {}
  QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(FCombo->ItemHeight(), option.fontMetrics.height()));
    return size;
  }

private:
  TskinCustomComboBox *FCombo;
};

}  // namespace

TskinCustomComboBox::TskinCustomComboBox(QWidget *parent, TComponent *owner) : TComboBox(parent, owner) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setItemDelegate(new ItemHeightDelegate(this));
  win::WindowProc inherited = win::GetWindowProc(Handle());
  win::SetWindowProc(Handle(), [this, inherited](win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    win::LRESULT result =
        inherited ? inherited(wnd, msg, wParam, lParam) : win::DefWindowProc(wnd, msg, wParam, lParam);
    // The skin goes over whatever the erase left.
    if (msg == win::WM_ERASEBKGND) update();
    return result;
  });
  SetUIStyle(GetOwnerUIStyle(owner));
}

TskinCustomComboBox::~TskinCustomComboBox() {
  QObject::disconnect(FFileThemeWatch);
  if (FWatchedList) FWatchedList->removeEventFilter(this);
}

void TskinCustomComboBox::Invalidate() { Repaint(); }

void TskinCustomComboBox::SetFileTheme(TskinFileTheme *value) {
  QObject::disconnect(FFileThemeWatch);
  FFileTheme = value;
  if (value)
    FFileThemeWatch = QObject::connect(value, &QObject::destroyed, this,
                                       [this, value] { Notification(value, TOperation::opRemove); });
  SetUIStyle(FUIStyle);
}

void TskinCustomComboBox::SetUIStyle(TskinUIStyle value) {
  FUIStyle = value;
  FArrowColor = clBlack;
  TskinUIStyle style;
  if (UsingFileTheme(FFileTheme, value, style)) {
    FBorderColor = FFileTheme->GetColor(25);
    FButtonColor = FFileTheme->GetColor(15);
  } else {
    FBorderColor = GetStyleColor(style, 25);
    FButtonColor = GetStyleColor(style, 15);
  }
  Invalidate();
}

void TskinCustomComboBox::SetBorderColor(TColor value) {
  FBorderColor = value;
  Invalidate();
}

void TskinCustomComboBox::SetArrowColor(TColor value) {
  FArrowColor = value;
  Invalidate();
}

void TskinCustomComboBox::SetButtonColor(TColor value) {
  FButtonColor = value;
  Invalidate();
}

void TskinCustomComboBox::SetEnabled(bool value) {
  TComboBox::SetEnabled(value);
  Invalidate();
}

void TskinCustomComboBox::SetStyle(TComboBoxStyle value) {
  FStyle = value;
  setEditable(value == csDropDown || value == csSimple);
  Invalidate();
}

void TskinCustomComboBox::SetColor(TColor value) {
  FColor = value;
  QPalette colours = palette();
  QColor colour = ToQColor(value);
  colours.setColor(QPalette::Base, colour);
  colours.setColor(QPalette::Button, colour);
  setPalette(colours);
  Invalidate();
}

void TskinCustomComboBox::SetItemHeight(int value) {
  FItemHeight = value;
  if (view()) view()->doItemsLayout();
}

void TskinCustomComboBox::SetText(const std::string &text) {
  if (isEditable())
    setEditText(QString::fromStdString(text));
  else
    SetItemIndex(Items().IndexOf(text));
}

TComboBoxInfo TskinCustomComboBox::GetComboBoxInfo() const {
  TComboBoxInfo info;
  int w = width(), h = height();
  info.rcButton = Rect(w - EdgeWidth - ButtonWidth, EdgeWidth, w - EdgeWidth, h - EdgeWidth);
  info.rcItem = Rect(EdgeWidth + 1, EdgeWidth + 1, info.rcButton.Left - 1, h - EdgeWidth - 1);
  info.DroppedDown = FDroppedDown;
  info.List = view() ? view()->window() : nullptr;
  if (info.List == this) info.List = nullptr;
  return info;
}

void TskinCustomComboBox::showPopup() {
  TComboBox::showPopup();
  FDroppedDown = true;
  QWidget *list = view() ? view()->window() : nullptr;
  if (list && list != this && list != FWatchedList) {
    if (FWatchedList) FWatchedList->removeEventFilter(this);
    FWatchedList = list;
    list->installEventFilter(this);
  }
  if (list) list->update();
  update();
}

void TskinCustomComboBox::hidePopup() {
  TComboBox::hidePopup();
  FDroppedDown = false;
  CloseUp();
}

void TskinCustomComboBox::CloseUp() {
  if (QWidget *parent = parentWidget()) parent->repaint();
  update();
}

void TskinCustomComboBox::Notification(TComponent *component, TOperation operation) {
  TComboBox::Notification(component, operation);
  if (operation != TOperation::opRemove || !FFileTheme || component != static_cast<TComponent *>(FFileTheme)) return;
  QObject::disconnect(FFileThemeWatch);
  FFileTheme = nullptr;
  SetUIStyle(TskinUIStyle::DeepBlue);
}

void TskinCustomComboBox::paintEvent(QPaintEvent *event) {
  TComboBox::paintEvent(event);
  if (Win95Osr2) return;
  QPainter painter(this);
  TCanvas canvas(&painter, this);
  PaintFrame(&canvas);
}

void TskinCustomComboBox::changeEvent(QEvent *event) {
  TComboBox::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) update();
}

bool TskinCustomComboBox::eventFilter(QObject *watched, QEvent *event) {
  if (watched == FWatchedList && event->type() == QEvent::Paint && FDroppedDown && !Win95Osr2 &&
      FStyle != csSimple) {
    // The list paints itself first; its frame goes over it.
    static_cast<QObject *>(FWatchedList)->event(event);
    PaintListFrame(FWatchedList);
    return true;
  }
  return TComboBox::eventFilter(watched, event);
}

void TskinCustomComboBox::PaintListFrame(QWidget *list) {
  QPainter painter(list);
  TCanvas canvas(&painter, list);
  canvas.Brush.SetBitmap(nullptr);
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = FBorderColor;
  canvas.FrameRect(Rect(0, 0, list->width(), list->height()));
}

void TskinCustomComboBox::PaintFrame(TCanvas *canvas) {
  TComboBoxInfo info = GetComboBoxInfo();
  if (FStyle == csSimple) return;

  canvas->Brush.SetBitmap(nullptr);
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->Brush.Color = FBorderColor;
  TRect client = Rect(0, 0, width(), height());
  canvas->FrameRect(client);
  canvas->Brush.Color = FColor;
  canvas->FrameRect(Rect(client.Left + 1, client.Top + 1, client.Right - 1, client.Bottom - 1));

  // The open list's frame is drawn by the list itself as it paints (eventFilter).
  if (info.DroppedDown && info.List) info.List->update();

  const TRect &b = info.rcButton;
  if (FUIStyle == TskinUIStyle::MacOS || FUIStyle == TskinUIStyle::WinXP) {
    TBitmap picture;
    if (picture.LoadFromResourceName(FUIStyle == TskinUIStyle::MacOS ? "MACOS_COMBOBOX_BUTTON" : "WINXP_COMBOBOX_BUTTON"))
      canvas->StretchDraw(b, &picture);
  } else {
    canvas->Brush.Color = FButtonColor;
    canvas->FillRect(b);
    canvas->Pen.Style = TPenStyle::psSolid;
    canvas->Pen.Width = 1;
    canvas->Pen.Color = FBorderColor;
    canvas->MoveTo(b.Left, b.Top - 1);
    canvas->LineTo(b.Left, b.Bottom + 1);
  }

  // The arrow's height is measured from the control's top, not the button's.
  if (FUIStyle != TskinUIStyle::WinXP) DrawArrow(canvas, b.Left + (b.Right - b.Left) / 2 - 3, (b.Bottom - b.Top) / 2);
}

void TskinCustomComboBox::DrawArrow(TCanvas *canvas, int x, int y) {
  canvas->Brush.SetBitmap(nullptr);
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->Pen.Style = TPenStyle::psSolid;
  canvas->Pen.Width = 1;
  if (isEnabled()) {
    canvas->Pen.Color = FArrowColor;
    canvas->Brush.Color = FArrowColor;
    canvas->Polygon({Point(x, y), Point(x + 6, y), Point(x + 3, y + 3)});
    return;
  }
  canvas->Pen.Color = clWhite;
  canvas->Brush.Color = clWhite;
  canvas->Polygon({Point(x + 1, y + 1), Point(x + 7, y + 1), Point(x + 4, y + 4)});
  canvas->Pen.Color = clGray;
  canvas->Brush.Color = clGray;
  canvas->Polygon({Point(x, y), Point(x + 6, y), Point(x + 3, y + 3)});
}

QStringList TskinComboBox::ItemList() const {
  QStringList list;
  for (const std::string &item : Items().Items()) list << QString::fromStdString(item);
  return list;
}

void TskinComboBox::SetItemList(const QStringList &items) {
  Items().Clear();
  for (const QString &item : items) Items().Add(item.toStdString());
}
