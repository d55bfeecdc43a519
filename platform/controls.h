#pragma once
// Framework-shaped controls on Qt widgets: each is a widget placed on its parent and a component of its
// owner, with only the members the program uses. Handlers fire on the user's actions, not on setters.
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "component.h"
#include "win.h"

class QButtonGroup;
class QMenu;
class QAction;

// 0x00BBGGRR, as the drawing layer takes it.
using TColor = unsigned int;

// A list of texts that tells its holder when it changes.
class TStringList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string &operator[](int index) const { return FItems.at(index); }
  const std::string &Strings(int index) const { return FItems.at(index); }
  void SetStrings(int index, const std::string &text);
  // Returns the new item's index.
  int Add(const std::string &text);
  void Insert(int index, const std::string &text);
  void Delete(int index);
  void Clear();
  // -1 when absent; exact comparison.
  int IndexOf(const std::string &text) const;
  const std::vector<std::string> &Items() const { return FItems; }

  std::function<void()> OnChange;

private:
  void Changed() {
    if (OnChange) OnChange();
  }
  std::vector<std::string> FItems;
};

// Position, size and visibility of a control, in its parent's client coordinates.
template <class W>
class TControlOf : public W, public TComponent {
public:
  TControlOf(QWidget *parent, TComponent *owner) : W(parent), TComponent(owner) {}

  win::HWND Handle() { return win::HandleOf(this); }
  int Left() const { return this->x(); }
  int Top() const { return this->y(); }
  int Width() const { return this->width(); }
  int Height() const { return this->height(); }
  void SetLeft(int left) { this->move(left, this->y()); }
  void SetTop(int top) { this->move(this->x(), top); }
  void SetWidth(int width) { this->resize(width, this->height()); }
  void SetHeight(int height) { this->resize(this->width(), height); }
  void SetBounds(int left, int top, int width, int height) { this->setGeometry(left, top, width, height); }
  // The control's own flag: true when it shows as soon as its parent does.
  bool Visible() const {
    return this->parentWidget() ? this->isVisibleTo(this->parentWidget()) : this->isVisible();
  }
  void SetVisible(bool visible) { this->setVisible(visible); }
  void Show() { this->show(); }
  void Hide() { this->hide(); }
  bool Enabled() const { return this->isEnabled(); }
  void SetEnabled(bool enabled) { this->setEnabled(enabled); }
  void Repaint() { this->repaint(); }
  void Update() { this->update(); }
};

class TPanel : public TControlOf<QFrame> {
public:
  explicit TPanel(QWidget *parent = nullptr, TComponent *owner = nullptr);
  // The caption is also the window text.
  std::string Caption() const { return FCaption; }
  void SetCaption(const std::string &caption);
  void SetColor(TColor color);
  TColor Color() const { return FColor; }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  std::string FCaption;
  TColor FColor = 0xFF00000F;  // clBtnFace
  bool FOwnColor = false;
};

class TLabel : public TControlOf<QLabel> {
public:
  explicit TLabel(QWidget *parent = nullptr, TComponent *owner = nullptr);
  std::string Caption() const { return text().toStdString(); }
  void SetCaption(const std::string &caption);
  void SetFontColor(TColor color);

  std::function<void()> OnClick;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;

protected:
  void mouseReleaseEvent(QMouseEvent *event) override;
  void enterEvent(QEnterEvent *event) override;
  void leaveEvent(QEvent *event) override;
};

class TEdit : public TControlOf<QLineEdit> {
public:
  explicit TEdit(QWidget *parent = nullptr, TComponent *owner = nullptr);
  std::string Text() const { return text().toStdString(); }
  void SetText(const std::string &text);

  std::function<void()> OnChange;
};

class TButton : public TControlOf<QPushButton> {
public:
  explicit TButton(QWidget *parent = nullptr, TComponent *owner = nullptr);
  std::string Caption() const { return text().toStdString(); }
  void SetCaption(const std::string &caption);

  std::function<void()> OnClick;
};

// A drop-down list: Items are the choices, ItemIndex the chosen one (-1: none).
class TComboBox : public TControlOf<QComboBox> {
public:
  explicit TComboBox(QWidget *parent = nullptr, TComponent *owner = nullptr);
  TStringList &Items() { return FItems; }
  const TStringList &Items() const { return FItems; }
  int ItemIndex() const { return currentIndex(); }
  // Out-of-range values select nothing.
  void SetItemIndex(int index);
  std::string Text() const { return currentText().toStdString(); }
  void Clear() { FItems.Clear(); }
  int Add(const std::string &text) { return FItems.Add(text); }

  // The user chose an item.
  std::function<void()> OnChange;

private:
  void Reload();
  TStringList FItems;
  bool FReloading = false;
};

class TListView;

class TListItem {
public:
  TListItem(TListView *owner, QTreeWidgetItem *item);
  std::string Caption() const;
  void SetCaption(const std::string &caption);
  // Column 1 onwards.
  TStringList &SubItems() { return FSubItems; }
  const TStringList &SubItems() const { return FSubItems; }
  bool Checked() const;
  void SetChecked(bool checked);
  bool Selected() const;
  void SetSelected(bool selected);
  int Index() const;
  QTreeWidgetItem *Item() const { return FItem; }

private:
  TListView *FOwner;
  QTreeWidgetItem *FItem;
  TStringList FSubItems;
};

class TListItems {
public:
  explicit TListItems(TListView *owner) : FOwner(owner) {}
  int Count() const { return static_cast<int>(FItems.size()); }
  TListItem *operator[](int index) const { return FItems.at(index).get(); }
  TListItem *Item(int index) const { return FItems.at(index).get(); }
  TListItem *Add();
  void Delete(int index);
  void Clear();

private:
  friend class TListView;
  TListView *FOwner;
  std::vector<std::unique_ptr<TListItem>> FItems;
};

class TListColumn {
public:
  TListColumn(TListView *owner, int index) : FOwner(owner), FIndex(index) {}
  std::string Caption() const;
  void SetCaption(const std::string &caption);
  int Width() const;
  void SetWidth(int width);

private:
  TListView *FOwner;
  int FIndex;
};

class TListColumns {
public:
  explicit TListColumns(TListView *owner) : FOwner(owner) {}
  int Count() const { return static_cast<int>(FColumns.size()); }
  TListColumn *operator[](int index) const { return FColumns.at(index).get(); }
  TListColumn *Add(const std::string &caption, int width);

private:
  TListView *FOwner;
  std::vector<std::unique_ptr<TListColumn>> FColumns;
};

// A report-style list: one row per item, whole-row selection, grid lines, read-only.
class TListView : public TControlOf<QTreeWidget> {
public:
  explicit TListView(QWidget *parent = nullptr, TComponent *owner = nullptr);
  ~TListView() override;
  TListItems &Items() { return FItems; }
  TListColumns &Columns() { return FColumns; }
  int Count() const { return FItems.Count(); }
  // The first selected row, or nullptr.
  TListItem *Selected() const;
  // Index of the first selected row, -1 when none; setting selects that row alone (-1 clears).
  int ItemIndex() const;
  void SetItemIndex(int index);
  int SelCount() const;
  bool MultiSelect() const;
  void SetMultiSelect(bool multi);
  bool Checkboxes() const { return FCheckboxes; }
  void SetCheckboxes(bool on);
  void Clear() { FItems.Clear(); }

  std::function<void()> OnClick;
  // Button is 0 left, 1 right, 2 middle; x and y are client coordinates.
  std::function<void(int Button, int x, int y)> OnMouseDown;

protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  friend class TListItem;
  friend class TListItems;
  TListItems FItems{this};
  TListColumns FColumns{this};
  bool FCheckboxes = false;
};

class TProgressBar : public TControlOf<QProgressBar> {
public:
  explicit TProgressBar(QWidget *parent = nullptr, TComponent *owner = nullptr);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  // Stored as given; the bar shows it clamped to Min..Max.
  int Position() const { return FPosition; }
  void SetMin(int value);
  void SetMax(int value);
  void SetPosition(int value);

private:
  void Apply();
  int FMin = 0, FMax = 100, FPosition = 0;
};

class TRadioGroup : public TControlOf<QGroupBox> {
public:
  explicit TRadioGroup(QWidget *parent = nullptr, TComponent *owner = nullptr);
  ~TRadioGroup() override;
  std::string Caption() const { return title().toStdString(); }
  void SetCaption(const std::string &caption) { setTitle(QString::fromStdString(caption)); }
  TStringList &Items() { return FItems; }
  int ItemIndex() const;
  void SetItemIndex(int index);

  std::function<void()> OnClick;

private:
  void Reload();
  TStringList FItems;
  QButtonGroup *FGroup;
};

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent *owner = nullptr, const std::string &caption = "",
                     std::function<void()> onClick = nullptr);
  std::string Caption() const { return FCaption; }
  void SetCaption(const std::string &caption) { FCaption = caption; }
  bool IsSeparator() const { return FCaption == "-"; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled) { FEnabled = enabled; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int index) { FImageIndex = index; }
  // Runs OnClick as a user's choice does.
  void Click() {
    if (OnClick) OnClick();
  }

  std::function<void()> OnClick;

private:
  std::string FCaption;
  bool FEnabled = true;
  int FImageIndex = -1;
};

class TImageList : public TComponent {
public:
  explicit TImageList(TComponent *owner = nullptr) : TComponent(owner) {}
  int Count() const { return static_cast<int>(FImages.size()); }
  int Add(const QImage &image);
  QImage Image(int index) const;
  void Clear() { FImages.clear(); }

private:
  std::vector<QImage> FImages;
};

class TPopupMenu : public TComponent {
public:
  explicit TPopupMenu(TComponent *owner = nullptr);
  ~TPopupMenu() override;
  // The menu owns the items it is given.
  TMenuItem *Add(TMenuItem *item);
  TMenuItem *Add(const std::string &caption, std::function<void()> onClick = nullptr, int imageIndex = -1);
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem *Items(int index) const { return FItems.at(index); }
  void SetImages(TImageList *images) { FImages = images; }
  // Shows the menu at screen position (x, y) and returns once it is closed, after the chosen item's
  // OnClick has run.
  void Popup(int x, int y);

protected:
  void Notification(TComponent *component, TOperation operation) override;

private:
  std::vector<TMenuItem *> FItems;
  TImageList *FImages = nullptr;
};
