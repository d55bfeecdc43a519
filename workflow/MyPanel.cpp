#include "MyPanel.h"

#include <QEvent>
#include <QPainter>

namespace {

constexpr win::UINT WM_WINDOWPOSCHANGING = 0x0046;

// DrawEdge's raised inner edge: highlight on the top and left, shadow on the bottom and right, the
// shadow owning both corners it meets.
void DrawRaisedInnerEdge(TCanvas *canvas, int width, int height) {
  if (width <= 0 || height <= 0) return;
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->Brush.Color = clBtnHighlight;
  canvas->FillRect(Rect(0, 0, width - 1, 1));
  canvas->FillRect(Rect(0, 0, 1, height - 1));
  canvas->Brush.Color = clBtnShadow;
  canvas->FillRect(Rect(0, height - 1, width, height));
  canvas->FillRect(Rect(width - 1, 0, width, height));
}

}  // namespace

std::uint32_t GlassRasterOp(TGlassStyle style) {
  switch (style) {
    case TGlassStyle::gsBlackness: return BLACKNESS;
    case TGlassStyle::gsDstInvert: return DSTINVERT;
    case TGlassStyle::gsMergeCopy: return MERGECOPY;
    case TGlassStyle::gsMergePaint: return MERGEPAINT;
    case TGlassStyle::gsNotSrcCopy: return NOTSRCCOPY;
    case TGlassStyle::gsNotSrcErase: return NOTSRCERASE;
    case TGlassStyle::gsPatCopy: return PATCOPY;
    case TGlassStyle::gsPatInvert: return PATINVERT;
    case TGlassStyle::gsPatPaint: return PATPAINT;
    case TGlassStyle::gsSrcAnd: return SRCAND;
    case TGlassStyle::gsSrcCopy: return SRCCOPY;
    case TGlassStyle::gsSrcErase: return SRCERASE;
    case TGlassStyle::gsSrcInvert: return SRCINVERT;
    case TGlassStyle::gsSrcPaint: return SRCPAINT;
    case TGlassStyle::gsWhiteness: return WHITENESS;
  }
  return SRCAND;
}

TGlass::TGlass(QWidget *parent, TComponent *owner) : QWidget(parent), TComponent(owner) {
  FBitmap = std::make_unique<TBitmap>();
  // Not opaque: what lies beneath shows through, and the glass paints every pixel itself.
  FControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks | csReplicatable;
  setAutoFillBackground(false);
  resize(100, 100);
  FStyle = TGlassStyle::gsSrcAnd;
  FParentCtl3D = false;
  FCtl3D = false;
  FParentColor = false;
  FColor = clWhite;
  win::SetWindowProc(Handle(), [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM l) {
    return WndProc(msg, w, l);
  });
}

TGlass::~TGlass() {
  FBitmap.reset();
  if (QWidget *parent = parentWidget()) parent->removeEventFilter(this);
}

void TGlass::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  RecreateWnd();
}

void TGlass::SetStyle(TGlassStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  RecreateWnd();
}

void TGlass::SetCtl3D(bool ctl3D) {
  if (ctl3D == FCtl3D) return;
  FCtl3D = ctl3D;
  RecreateWnd();
}

void TGlass::SetAlign(TAlign align) {
  if (QWidget *parent = parentWidget()) {
    parent->removeEventFilter(this);
    if (align == alClient) parent->installEventFilter(this);
  }
  FAlign = align;
  FollowParent();
}

void TGlass::FollowParent() {
  if (FAlign == alClient && parentWidget()) setGeometry(parentWidget()->rect());
}

// A window keeps its handle here for its whole life; what recreation brings about is a fresh paint
// with the new parameters.
void TGlass::RecreateWnd() { update(); }

win::LRESULT TGlass::WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  switch (msg) {
    case win::WM_ERASEBKGND:
      return 0;
    case WM_WINDOWPOSCHANGING:
      update();
      break;
  }
  return win::DefWindowProc(Handle(), msg, wParam, lParam);
}

bool TGlass::eventFilter(QObject *watched, QEvent *event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) FollowParent();
  return QWidget::eventFilter(watched, event);
}

void TGlass::resizeEvent(QResizeEvent *event) {
  update();
  QWidget::resizeEvent(event);
}

void TGlass::moveEvent(QMoveEvent *event) {
  update();
  QWidget::moveEvent(event);
}

QImage TGlass::GrabBeneath() const {
  QImage beneath(size(), QImage::Format_RGB32);
  beneath.fill(Qt::black);
  QWidget *parent = parentWidget();
  if (!parent || beneath.isNull()) return beneath;
  QPainter painter(&beneath);
  QRect area = geometry();
  parent->render(&painter, QPoint(0, 0), QRegion(area), QWidget::DrawWindowBackground);
  for (QObject *child : parent->children()) {
    if (child == this) break;  // children are in stacking order: the rest lie above the glass
    auto *sibling = qobject_cast<QWidget *>(child);
    if (!sibling || !sibling->isVisible() || sibling->isWindow()) continue;
    QRect overlap = sibling->geometry() & area;
    if (overlap.isEmpty()) continue;
    sibling->render(&painter, overlap.topLeft() - area.topLeft(), QRegion(overlap.translated(-sibling->pos())),
                    QWidget::DrawWindowBackground | QWidget::DrawChildren);
  }
  return beneath;
}

void TGlass::Paint(TCanvas &canvas) {
  int w = width(), h = height();
  // 1-2. The off-screen bitmap, filled with the colour; the brush stays for the pattern operations.
  FBitmap->SetSize(w, h);
  TCanvas *bitmapCanvas = FBitmap->Canvas();
  bitmapCanvas->Brush.Style = TBrushStyle::bsSolid;
  bitmapCanvas->Brush.Color = FColor;
  bitmapCanvas->FillRect(Rect(0, 0, w, h));
  // 3. Combine with what the control's own canvas shows: the picture beneath the transparent window.
  TBitmap beneath;
  beneath.SetImage(GrabBeneath());
  win::StretchBlt(bitmapCanvas, 0, 0, w, h, beneath.Canvas(), 0, 0, w, h, GlassRasterOp(FStyle));
  // 4.
  if (FCtl3D) DrawRaisedInnerEdge(bitmapCanvas, w, h);
  // 5.
  bitmapCanvas->Pen.Style = TPenStyle::psSolid;
  // 6.
  canvas.Draw(0, 0, FBitmap.get());
  if (OnPaint) OnPaint();
}

void TGlass::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  TCanvas canvas(&painter, this);
  Paint(canvas);
}
