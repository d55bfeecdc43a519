#pragma once
// The platform's combo box with a flat skinned frame and drop button painted over its own drawing.
#include <QMetaObject>
#include <QStringList>
#include <cstdint>

#include "SkinMgr.h"
#include "SkinThemes.h"
#include "canvas.h"
#include "controls.h"

enum TComboBoxStyle : std::uint8_t {
  csDropDown = 0,
  csSimple = 1,
  csDropDownList = 2,
  csOwnerDrawFixed = 3,
  csOwnerDrawVariable = 4,
};

// What the combo-box information query answers: the drop button and the drop-down list's window.
struct TComboBoxInfo {
  TRect rcItem;
  TRect rcButton;
  QWidget *List = nullptr;  // the list's window; none while it has never been dropped down
  bool DroppedDown = false;
};

class TskinCustomComboBox : public TComboBox {
  Q_OBJECT
  Q_PROPERTY(TskinFileTheme *FileTheme READ FileTheme WRITE SetFileTheme)
  Q_PROPERTY(TskinUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(uint BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(uint ArrowColor READ ArrowColor WRITE SetArrowColor)
  Q_PROPERTY(uint ButtonColor READ ButtonColor WRITE SetButtonColor)

public:
  // The width of the standard drop button and the depth of the standard edge round the control.
  static constexpr int ButtonWidth = 17;
  static constexpr int EdgeWidth = 2;

  explicit TskinCustomComboBox(QWidget *parent = nullptr, TComponent *owner = nullptr);
  ~TskinCustomComboBox() override;

  TskinFileTheme *FileTheme() const { return FFileTheme; }
  void SetFileTheme(TskinFileTheme *value);
  TskinUIStyle UIStyle() const { return FUIStyle; }
  // Resets all three colours from the style.
  void SetUIStyle(TskinUIStyle value);
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  TColor ArrowColor() const { return FArrowColor; }
  void SetArrowColor(TColor value);
  TColor ButtonColor() const { return FButtonColor; }
  void SetButtonColor(TColor value);

  // The platform combo box's own members.
  void SetEnabled(bool value);
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int value);
  int DropDownCount() const { return maxVisibleItems(); }
  void SetDropDownCount(int value) { setMaxVisibleItems(value); }
  bool DroppedDown() const { return FDroppedDown; }
  void SetText(const std::string &text);
  TComboBoxInfo GetComboBoxInfo() const;

  // Draws the skin over what the platform painted.
  void PaintFrame(TCanvas *canvas);
  void DrawArrow(TCanvas *canvas, int x, int y);

  void showPopup() override;
  void hidePopup() override;

protected:
  // After the list closed, the parent repaints over what the list covered.
  virtual void CloseUp();
  void Notification(TComponent *component, TOperation operation) override;
  void paintEvent(QPaintEvent *event) override;
  void changeEvent(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void Invalidate();
  void PaintListFrame(QWidget *list);

  TskinFileTheme *FFileTheme = nullptr;
  QMetaObject::Connection FFileThemeWatch;
  TskinUIStyle FUIStyle = TskinUIStyle::DeepBlue;
  TColor FBorderColor = clBlack;
  TColor FArrowColor = clBlack;
  TColor FButtonColor = clBtnFace;
  TComboBoxStyle FStyle = csDropDownList;
  TColor FColor = clWindow;
  int FItemHeight = 13;
  bool FDroppedDown = false;
  QWidget *FWatchedList = nullptr;
};

class TskinComboBox : public TskinCustomComboBox {
  Q_OBJECT
  Q_PROPERTY(TComboBoxStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(uint Color READ Color WRITE SetColor)
  Q_PROPERTY(int DropDownCount READ DropDownCount WRITE SetDropDownCount)
  Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
  Q_PROPERTY(QStringList Items READ ItemList WRITE SetItemList)
  Q_PROPERTY(QString Text READ TextValue WRITE SetTextValue)

public:
  using TskinCustomComboBox::TskinCustomComboBox;

private:
  QStringList ItemList() const;
  void SetItemList(const QStringList &items);
  QString TextValue() const { return QString::fromStdString(Text()); }
  void SetTextValue(const QString &text) { SetText(text.toStdString()); }
};
