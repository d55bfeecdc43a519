#pragma once
// Inside the skin control: the face widget that lies under a window's own controls, and the element
// objects that the control hands out.
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

#include "skincontrol.h"
#include "skinfile.h"

class QPainter;

// One object of an applied skin form. It keeps what was set until Redraw shows it, and outlives its
// face harmlessly: once the face is gone, Redraw draws nothing.
class TSkinElementObject : public ISkinObject, public ISkinElement {
public:
  TSkinElementObject(std::shared_ptr<const TSkinFileData> file, const TSkinObjectDef &def, TSkinFace *face);

  std::wstring GetName() const override { return FDef.Name; }
  std::shared_ptr<ISkinObject> FindElement(const std::wstring &) const override { return nullptr; }
  void SetState(int state) override;
  void Redraw() override;

  const TSkinObjectDef &Def() const { return FDef; }
  QRect Rect() const { return FDef.Rect; }
  void SetLook(TSkinLook look);
  TSkinLook Look() const { return FLook; }
  void Detach() { FFace = nullptr; }
  virtual void Paint(QPainter &painter) const;
  // Pressing and dragging on the object; only a slider follows the pointer.
  virtual void Follow(const QPoint &) {}

protected:
  virtual void ApplyPending() {}
  void Repaint();

  std::shared_ptr<const TSkinFileData> FFile;  // keeps FDef alive
  const TSkinObjectDef &FDef;
  QPointer<TSkinFace> FFace;
  TSkinLook FLook = slNormal;
  std::optional<TSkinLook> FPendingLook;
};

class TSkinTextObject : public TSkinElementObject, public ISkinText {
public:
  using TSkinElementObject::TSkinElementObject;
  void SetText(const std::wstring &text) override { FText = text; }
  void Paint(QPainter &painter) const override;

private:
  void ApplyPending() override { FShownText = FText; }
  std::wstring FText = FDef.Text;
  std::wstring FShownText = FDef.Text;
};

class TSkinSliderObject : public TSkinElementObject, public ISkinSlider {
public:
  using TSkinElementObject::TSkinElementObject;
  int GetPosition() const override { return FPosition; }
  void SetPosition(int position) override;
  void Paint(QPainter &painter) const override;
  void Follow(const QPoint &point) override;

private:
  void ApplyPending() override { FShownPosition = FPosition; }
  int FPosition = 0;
  int FShownPosition = 0;
};

// The skin form applied to a window.
class TSkinFormObject : public ISkinObject {
public:
  TSkinFormObject(std::wstring id, std::vector<std::shared_ptr<TSkinElementObject>> elements)
      : FId(std::move(id)), FElements(std::move(elements)) {}
  std::wstring GetName() const override { return FId; }
  std::shared_ptr<ISkinObject> FindElement(const std::wstring &name) const override;

private:
  std::wstring FId;
  std::vector<std::shared_ptr<TSkinElementObject>> FElements;
};

class TSkinFace : public QWidget {
  Q_OBJECT

public:
  TSkinFace(TSkin *skin, win::HWND wnd, QWidget *window);
  ~TSkinFace() override;

  TSkin *Skin() const { return FSkin; }
  void SetSkin(TSkin *skin) { FSkin = skin; }
  void Apply(std::shared_ptr<const TSkinFileData> file, const TSkinFormDef &form);
  std::shared_ptr<ISkinObject> FormObject() const { return FFormObject; }

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  std::shared_ptr<TSkinElementObject> ObjectAt(const QPoint &point) const;
  void UpdateLooks(const QPoint &point);
  void SendSystemCommand(const TSkinElementObject &object);

  TSkin *FSkin;
  win::HWND FWnd;
  QPointer<QWidget> FWindow;
  std::shared_ptr<const TSkinFileData> FFile;
  const TSkinFormDef *FForm = nullptr;
  std::vector<std::shared_ptr<TSkinElementObject>> FElements;
  std::shared_ptr<TSkinFormObject> FFormObject;
  std::shared_ptr<TSkinElementObject> FHovered;
  std::shared_ptr<TSkinElementObject> FCaptured;
  int FCapturedButton = TSkin::mbLeft;
  bool FDragging = false;
  QPoint FDragOffset;
};
