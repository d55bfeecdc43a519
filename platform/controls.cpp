#include "controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString Q(const std::string &text) { return QString::fromStdString(text); }

// Plain colours only; system colours fall back to the palette.
QColor ToQColor(TColor color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

int ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::RightButton: return 1;
    case Qt::MiddleButton: return 2;
    default: return 0;
  }
}

}  // namespace

// ---- TStringList

void TStringList::SetStrings(int index, const std::string &text) {
  FItems.at(index) = text;
  Changed();
}

int TStringList::Add(const std::string &text) {
  FItems.push_back(text);
  Changed();
  return Count() - 1;
}

void TStringList::Insert(int index, const std::string &text) {
  if (index < 0 || index > Count()) throw std::out_of_range("TStringList::Insert: index out of range");
  FItems.insert(FItems.begin() + index, text);
  Changed();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TStringList::Delete: index out of range");
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

int TStringList::IndexOf(const std::string &text) const {
  auto it = std::find(FItems.begin(), FItems.end(), text);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

// ---- TPanel

TPanel::TPanel(QWidget *parent, TComponent *owner) : TControlOf<QFrame>(parent, owner) {
  win::HandleOf(this);
  setFrameShape(QFrame::NoFrame);
}

void TPanel::SetCaption(const std::string &caption) {
  FCaption = caption;
  win::SetWindowText(Handle(), caption);
  update();
}

void TPanel::SetColor(TColor color) {
  FColor = color;
  FOwnColor = (color & 0xFF000000u) == 0;
  update();
}

void TPanel::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  painter.fillRect(rect(), FOwnColor ? ToQColor(FColor) : palette().color(QPalette::Window));
  if (!FCaption.empty()) painter.drawText(rect(), Qt::AlignCenter, Q(FCaption));
  QFrame::paintEvent(event);
}

// ---- TLabel

TLabel::TLabel(QWidget *parent, TComponent *owner) : TControlOf<QLabel>(parent, owner) { win::HandleOf(this); }

void TLabel::SetCaption(const std::string &caption) {
  setText(Q(caption));
  win::SetWindowText(Handle(), caption);
}

void TLabel::SetFontColor(TColor color) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, ToQColor(color));
  setPalette(p);
}

void TLabel::mouseReleaseEvent(QMouseEvent *event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick();
}

void TLabel::enterEvent(QEnterEvent *event) {
  QLabel::enterEvent(event);
  if (OnMouseEnter) OnMouseEnter();
}

void TLabel::leaveEvent(QEvent *event) {
  QLabel::leaveEvent(event);
  if (OnMouseLeave) OnMouseLeave();
}

// ---- TEdit

TEdit::TEdit(QWidget *parent, TComponent *owner) : TControlOf<QLineEdit>(parent, owner) {
  win::HandleOf(this);
  QObject::connect(this, &QLineEdit::textEdited, [this] {
    if (OnChange) OnChange();
  });
}

void TEdit::SetText(const std::string &text) { setText(Q(text)); }

// ---- TButton

TButton::TButton(QWidget *parent, TComponent *owner) : TControlOf<QPushButton>(parent, owner) {
  win::HandleOf(this);
  QObject::connect(this, &QPushButton::clicked, [this] {
    if (OnClick) OnClick();
  });
}

void TButton::SetCaption(const std::string &caption) { setText(Q(caption)); }

// ---- TComboBox

TComboBox::TComboBox(QWidget *parent, TComponent *owner) : TControlOf<QComboBox>(parent, owner) {
  win::HandleOf(this);
  setEditable(false);
  FItems.OnChange = [this] { Reload(); };
  QObject::connect(this, &QComboBox::activated, [this](int) {
    if (!FReloading && OnChange) OnChange();
  });
}

void TComboBox::Reload() {
  FReloading = true;
  int index = currentIndex();
  clear();
  for (const std::string &item : FItems.Items()) addItem(Q(item));
  // The choice survives edits that keep it in range; clearing empties it.
  setCurrentIndex(index < count() ? index : -1);
  FReloading = false;
}

void TComboBox::SetItemIndex(int index) { setCurrentIndex(index >= 0 && index < count() ? index : -1); }

// ---- TListView

TListItem::TListItem(TListView *owner, QTreeWidgetItem *item) : FOwner(owner), FItem(item) {
  FSubItems.OnChange = [this] {
    int columns = std::max(FOwner->columnCount(), FSubItems.Count() + 1);
    for (int c = 1; c < columns; ++c)
      FItem->setText(c, c - 1 < FSubItems.Count() ? Q(FSubItems[c - 1]) : QString());
  };
}

std::string TListItem::Caption() const { return FItem->text(0).toStdString(); }
void TListItem::SetCaption(const std::string &caption) { FItem->setText(0, Q(caption)); }

bool TListItem::Checked() const { return FItem->checkState(0) == Qt::Checked; }
void TListItem::SetChecked(bool checked) { FItem->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked); }

bool TListItem::Selected() const { return FItem->isSelected(); }
void TListItem::SetSelected(bool selected) { FItem->setSelected(selected); }

int TListItem::Index() const { return FOwner->indexOfTopLevelItem(FItem); }

TListItem *TListItems::Add() {
  auto *item = new QTreeWidgetItem(FOwner);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled |
                 (FOwner->FCheckboxes ? Qt::ItemIsUserCheckable : Qt::NoItemFlags));
  if (FOwner->FCheckboxes) item->setCheckState(0, Qt::Unchecked);
  FItems.push_back(std::make_unique<TListItem>(FOwner, item));
  return FItems.back().get();
}

void TListItems::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TListItems::Delete: index out of range");
  delete FItems[index]->Item();
  FItems.erase(FItems.begin() + index);
}

void TListItems::Clear() {
  FItems.clear();
  FOwner->QTreeWidget::clear();
}

std::string TListColumn::Caption() const { return FOwner->headerItem()->text(FIndex).toStdString(); }
void TListColumn::SetCaption(const std::string &caption) { FOwner->headerItem()->setText(FIndex, Q(caption)); }
int TListColumn::Width() const { return FOwner->columnWidth(FIndex); }
void TListColumn::SetWidth(int width) { FOwner->setColumnWidth(FIndex, width); }

TListColumn *TListColumns::Add(const std::string &caption, int width) {
  int index = Count();
  FOwner->setColumnCount(index + 1);
  FColumns.push_back(std::make_unique<TListColumn>(FOwner, index));
  FColumns.back()->SetCaption(caption);
  FColumns.back()->SetWidth(width);
  return FColumns.back().get();
}

TListView::TListView(QWidget *parent, TComponent *owner) : TControlOf<QTreeWidget>(parent, owner) {
  win::HandleOf(this);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setColumnCount(0);
  header()->setSectionsClickable(false);
  header()->setStretchLastSection(false);
  // A style sheet on items takes over their whole look, so the selection needs its own colours.
  setStyleSheet("QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }"
                "QTreeView::item:selected { background: #316ac5; color: white; }");
}

TListView::~TListView() { FItems.FItems.clear(); }

TListItem *TListView::Selected() const {
  for (const auto &item : FItems.FItems)
    if (item->Selected()) return item.get();
  return nullptr;
}

int TListView::ItemIndex() const {
  TListItem *item = Selected();
  return item ? item->Index() : -1;
}

void TListView::SetItemIndex(int index) {
  clearSelection();
  if (index >= 0 && index < FItems.Count()) {
    FItems[index]->SetSelected(true);
    setCurrentItem(FItems[index]->Item());
  }
}

int TListView::SelCount() const {
  return static_cast<int>(std::count_if(FItems.FItems.begin(), FItems.FItems.end(),
                                        [](const auto &item) { return item->Selected(); }));
}

bool TListView::MultiSelect() const { return selectionMode() == QAbstractItemView::ExtendedSelection; }
void TListView::SetMultiSelect(bool multi) {
  setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TListView::SetCheckboxes(bool on) {
  FCheckboxes = on;
  for (const auto &item : FItems.FItems) {
    QTreeWidgetItem *row = item->Item();
    if (on) {
      row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
      row->setCheckState(0, Qt::Unchecked);
    } else {
      row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
      row->setData(0, Qt::CheckStateRole, QVariant());
    }
  }
}

void TListView::mousePressEvent(QMouseEvent *event) {
  QTreeWidget::mousePressEvent(event);
  if (OnMouseDown) {
    QPoint p = viewport()->mapTo(this, event->position().toPoint());
    OnMouseDown(ButtonOf(event->button()), p.x(), p.y());
  }
}

void TListView::mouseReleaseEvent(QMouseEvent *event) {
  QTreeWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && OnClick) OnClick();
}

// ---- TProgressBar

TProgressBar::TProgressBar(QWidget *parent, TComponent *owner) : TControlOf<QProgressBar>(parent, owner) {
  win::HandleOf(this);
  setTextVisible(false);
  Apply();
}

void TProgressBar::SetMin(int value) {
  FMin = value;
  Apply();
}

void TProgressBar::SetMax(int value) {
  FMax = value;
  Apply();
}

void TProgressBar::SetPosition(int value) {
  FPosition = value;
  Apply();
}

void TProgressBar::Apply() {
  int high = std::max(FMin, FMax);
  setRange(FMin, high);
  setValue(std::clamp(FPosition, FMin, high));
}

// ---- TRadioGroup

TRadioGroup::TRadioGroup(QWidget *parent, TComponent *owner)
    : TControlOf<QGroupBox>(parent, owner), FGroup(new QButtonGroup(this)) {
  win::HandleOf(this);
  setLayout(new QVBoxLayout);
  FItems.OnChange = [this] { Reload(); };
  QObject::connect(FGroup, &QButtonGroup::idClicked, [this](int) {
    if (OnClick) OnClick();
  });
}

TRadioGroup::~TRadioGroup() = default;

void TRadioGroup::Reload() {
  int index = ItemIndex();
  for (QAbstractButton *button : FGroup->buttons()) {
    FGroup->removeButton(button);
    delete button;
  }
  for (int i = 0; i < FItems.Count(); ++i) {
    auto *button = new QRadioButton(Q(FItems[i]), this);
    layout()->addWidget(button);
    FGroup->addButton(button, i);
  }
  SetItemIndex(index);
}

int TRadioGroup::ItemIndex() const { return FGroup->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton *button = FGroup->button(index)) {
    button->setChecked(true);
    return;
  }
  // Nothing chosen: an exclusive group cannot uncheck its last button by itself.
  FGroup->setExclusive(false);
  for (QAbstractButton *button : FGroup->buttons()) button->setChecked(false);
  FGroup->setExclusive(true);
}

// ---- menus

TMenuItem::TMenuItem(TComponent *owner, const std::string &caption, std::function<void()> onClick)
    : TComponent(owner), OnClick(std::move(onClick)), FCaption(caption) {}

int TImageList::Add(const QImage &image) {
  FImages.push_back(image);
  return Count() - 1;
}

QImage TImageList::Image(int index) const {
  return index >= 0 && index < Count() ? FImages[index] : QImage();
}

TPopupMenu::TPopupMenu(TComponent *owner) : TComponent(owner) {}
TPopupMenu::~TPopupMenu() = default;

TMenuItem *TPopupMenu::Add(TMenuItem *item) {
  if (!item->Owner()) InsertComponent(item);
  FItems.push_back(item);
  return item;
}

TMenuItem *TPopupMenu::Add(const std::string &caption, std::function<void()> onClick, int imageIndex) {
  auto *item = new TMenuItem(this, caption, std::move(onClick));
  item->SetImageIndex(imageIndex);
  FItems.push_back(item);
  return item;
}

void TPopupMenu::Notification(TComponent *component, TOperation operation) {
  if (operation == TOperation::opRemove) std::erase_if(FItems, [component](TMenuItem *item) { return static_cast<TComponent *>(item) == component; });
}

void TPopupMenu::Popup(int x, int y) {
  QMenu menu;
  std::vector<std::pair<QAction *, TMenuItem *>> actions;
  for (TMenuItem *item : FItems) {
    if (item->IsSeparator()) {
      menu.addSeparator();
      continue;
    }
    QAction *action = menu.addAction(Q(item->Caption()));
    action->setEnabled(item->Enabled());
    if (FImages && item->ImageIndex() >= 0) {
      QImage image = FImages->Image(item->ImageIndex());
      if (!image.isNull()) action->setIcon(QIcon(QPixmap::fromImage(image)));
    }
    actions.emplace_back(action, item);
  }
  QAction *chosen = menu.exec(QPoint(x, y));
  for (auto &[action, item] : actions)
    if (action == chosen) item->Click();
}
