#pragma once
// The glass panel: a transparent control that paints what lies beneath it, combined with its own
// colour by a raster operation.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "canvas.h"
#include "component.h"
#include "win.h"

enum class TGlassStyle {
  gsBlackness,
  gsDstInvert,
  gsMergeCopy,
  gsMergePaint,
  gsNotSrcCopy,
  gsNotSrcErase,
  gsPatCopy,
  gsPatInvert,
  gsPatPaint,
  gsSrcAnd,
  gsSrcCopy,
  gsSrcErase,
  gsSrcInvert,
  gsSrcPaint,
  gsWhiteness
};

// The raster operation that a style selects.
std::uint32_t GlassRasterOp(TGlassStyle style);

class TGlass : public QWidget, public TComponent {
public:
  enum TAlign { alNone, alClient };
  enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csClickEvents = 1u << 2,
    csDoubleClicks = 1u << 3,
    csReplicatable = 1u << 4,
    csOpaque = 1u << 5,
  };

  explicit TGlass(QWidget *parent = nullptr, TComponent *owner = nullptr);
  ~TGlass() override;

  win::HWND Handle() { return win::HandleOf(this); }
  unsigned ControlStyle() const { return FControlStyle; }

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TGlassStyle Style() const { return FStyle; }
  void SetStyle(TGlassStyle style);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool ctl3D);
  bool ParentCtl3D() const { return FParentCtl3D; }
  bool ParentColor() const { return FParentColor; }
  TAlign Align() const { return FAlign; }
  // alClient makes the glass cover its parent's client area, now and whenever the parent resizes.
  void SetAlign(TAlign align);

  // Called after each paint.
  std::function<void()> OnPaint;

protected:
  void Paint(TCanvas &canvas);
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  win::LRESULT WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
  void RecreateWnd();
  void FollowParent();
  // What lies beneath the control in its parent: the parent's own face and the siblings below it.
  QImage GrabBeneath() const;

  std::unique_ptr<TBitmap> FBitmap;
  unsigned FControlStyle = 0;
  TColor FColor = clWhite;
  TGlassStyle FStyle = TGlassStyle::gsSrcAnd;
  bool FCtl3D = false;
  bool FParentCtl3D = false;
  bool FParentColor = false;
  TAlign FAlign = alNone;
};
