#include "SkinProgressBar.h"

#include <QMouseEvent>
#include <QPainter>

#include "SkinPublic.h"
#include "win.h"

namespace {

int ButtonOf(const QMouseEvent *event) {
  switch (event->button()) {
    case Qt::RightButton: return 1;
    case Qt::MiddleButton: return 2;
    default: return 0;
  }
}

}  // namespace

TskinProgressBar::TskinProgressBar(QWidget *parent, TComponent *owner) : TPanel(parent, owner) {
  // Painting covers every pixel, so nothing is erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
  win::WindowProc inherited = win::GetWindowProc(Handle());
  win::SetWindowProc(Handle(), [inherited](win::HWND wnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg == win::WM_ERASEBKGND) return win::LRESULT(1);
    return inherited ? inherited(wnd, msg, wParam, lParam) : win::DefWindowProc(wnd, msg, wParam, lParam);
  });

  FMin = 0;
  FMax = 100;
  FPosition = 50;
  FOrientation = skinHorizontal;
  FBorderColor = clBlack;
  FColor = clBtnFace;
  FCaptionColor = clBlack;
  resize(150, BarThickness);
  SetCaption("50%");
  FShowCaption = true;
  FColor = clBtnFace;
  SetUIStyle(GetOwnerUIStyle(owner));
  UpdateProgress();
}

TskinProgressBar::~TskinProgressBar() { QObject::disconnect(FFileThemeWatch); }

void TskinProgressBar::Invalidate() { Repaint(); }

void TskinProgressBar::SetFileTheme(TskinFileTheme *value) {
  QObject::disconnect(FFileThemeWatch);
  FFileTheme = value;
  // A theme destroyed elsewhere must not stay referenced.
  if (value)
    FFileThemeWatch = QObject::connect(value, &QObject::destroyed, this,
                                       [this, value] { Notification(value, TOperation::opRemove); });
  SetUIStyle(FUIStyle);
}

void TskinProgressBar::SetUIStyle(TskinUIStyle value) {
  FUIStyle = value;
  ApplyStyle();
}

void TskinProgressBar::SetCaptionColor(TColor value) {
  FCaptionColor = value;
  Invalidate();
}

void TskinProgressBar::SetShowCaption(bool value) {
  FShowCaption = value;
  Invalidate();
}

void TskinProgressBar::SetSmartShowCaption(bool value) {
  FSmartShowCaption = value;
  Invalidate();
}

void TskinProgressBar::SetMax(int value) {
  FMax = value;
  UpdateProgress();
}

void TskinProgressBar::SetMin(int value) {
  FMin = value;
  UpdateProgress();
}

void TskinProgressBar::SetPosition(int value) {
  FPosition = value;
  UpdateProgress();
}

void TskinProgressBar::SetOrientation(TskinProgressBarOrientation value) {
  FOrientation = value;
  ApplyStyle();
  SetBarLength(std::max(width(), height()));
}

void TskinProgressBar::SetBorderColor(TColor value) {
  FBorderColor = value;
  Invalidate();
}

void TskinProgressBar::SetColor(TColor value) {
  FColor = value;
  Invalidate();
}

void TskinProgressBar::SetPicture(const TBitmap *value) {
  if (value)
    FPicture.Assign(value);
  else
    FPicture.SetSize(0, 0);
  Invalidate();
}

void TskinProgressBar::SetPictureImage(const QImage &image) {
  TBitmap picture;
  picture.SetImage(image);
  SetPicture(&picture);
}

std::int64_t TskinProgressBar::PercentDone() const {
  if (FMin == FMax) return 0;
  // Wide arithmetic: extreme ranges must not overflow.
  return (std::int64_t(FPosition) - FMin) * 100 / (std::int64_t(FMax) - FMin);
}

int TskinProgressBar::FilledLength(int n) const {
  if (FMin >= FMax || FPosition <= FMin) return 0;
  if (FPosition > FMax) return n;
  return static_cast<int>(std::int64_t(n) * (std::int64_t(FPosition) - FMin) / (std::int64_t(FMax) - FMin));
}

void TskinProgressBar::UpdateProgress() {
  SetCaption(std::to_string(PercentDone()) + "%");
  Invalidate();
}

void TskinProgressBar::SetBarLength(int length) {
  if (FOrientation == skinHorizontal) {
    SetHeight(BarThickness);
    SetWidth(length);
  } else {
    SetWidth(BarThickness);
    SetHeight(length);
  }
}

bool TskinProgressBar::CanResize(int newWidth, int newHeight) const {
  return FOrientation == skinHorizontal ? newHeight == BarThickness : newWidth == BarThickness;
}

void TskinProgressBar::SetWidth(int width) {
  if (CanResize(width, height())) resize(width, height());
}

void TskinProgressBar::SetHeight(int height) {
  if (CanResize(width(), height)) resize(width(), height);
}

void TskinProgressBar::SetBounds(int left, int top, int width, int height) {
  if (CanResize(width, height))
    setGeometry(left, top, width, height);
  else
    move(left, top);
}

void TskinProgressBar::ApplyStyle() {
  TskinUIStyle style;
  if (UsingFileTheme(FFileTheme, FUIStyle, style)) {
    FFileTheme->GetBitmap(24, &FPicture);
    FColor = FFileTheme->GetColor(26);
    FBorderColor = FFileTheme->GetColor(25);
  } else {
    LoadStyleBitmapFrame(style, 24, &FPicture, 0, 0);
    FColor = GetStyleColor(style, 26);
    FBorderColor = GetStyleColor(style, 25);
  }
  if (FOrientation == skinVertical) {
    TBitmap turned;
    turned.Assign(&FPicture);
    RotateBitmap90(&turned);
    FPicture.Assign(&turned);
  }
  Invalidate();
}

void TskinProgressBar::Notification(TComponent *component, TOperation operation) {
  TPanel::Notification(component, operation);
  if (operation != TOperation::opRemove || !FFileTheme || component != static_cast<TComponent *>(FFileTheme)) return;
  QObject::disconnect(FFileThemeWatch);
  FFileTheme = nullptr;
  SetUIStyle(TskinUIStyle::DeepBlue);
}

void TskinProgressBar::PaintBuffer(TBitmap &buffer) {
  buffer.SetSize(width(), height());
  TCanvas *canvas = buffer.Canvas();
  canvas->Brush.SetBitmap(nullptr);
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->Brush.Color = FColor;

  if (FOrientation == skinHorizontal) {
    int n = FilledLength(buffer.Width() - 1);
    if (n == 0) n = 1;
    if (!FPicture.Empty()) {
      buffer.SetHeight(FPicture.Height() + 2);
      canvas->StretchDraw(Rect(1, 1, n, buffer.Height() - 1), &FPicture);
    }
    canvas->FillRect(Rect(n, 1, buffer.Width() - 1, buffer.Height() - 1));
  } else {
    int t = (buffer.Height() - 1) - FilledLength(buffer.Height() - 1);
    if (t == 0) t = 1;
    if (!FPicture.Empty()) {
      buffer.SetWidth(FPicture.Width() + 2);
      // Top and bottom exchanged: the picture is mirrored and fills from the bottom up.
      canvas->StretchDraw(Rect(1, buffer.Height() - 2, buffer.Width() - 1, t - 1), &FPicture);
    }
    canvas->FillRect(Rect(1, t, buffer.Width() - 1, 1));
    // A vertical bar never shows its caption.
    FShowCaption = false;
  }

  if (FShowCaption && !(FSmartShowCaption && FPosition == FMin)) {
    canvas->Brush.Style = TBrushStyle::bsClear;
    canvas->Font.Color = FCaptionColor;
    std::string text = Caption();
    TSize extent = canvas->TextExtent(text);
    canvas->TextOut((buffer.Width() - extent.cx) / 2, (buffer.Height() - extent.cy) / 2, text);
    canvas->Brush.Style = TBrushStyle::bsSolid;
  }

  canvas->Brush.Color = FBorderColor;
  canvas->FrameRect(Rect(0, 0, width(), height()));
}

void TskinProgressBar::paintEvent(QPaintEvent *) {
  TBitmap buffer;
  PaintBuffer(buffer);
  QPainter painter(this);
  TCanvas canvas(&painter, this);
  win::BitBlt(&canvas, 0, 0, buffer.Width(), buffer.Height(), buffer.Canvas(), 0, 0, SRCCOPY);
}

void TskinProgressBar::mousePressEvent(QMouseEvent *event) {
  FPressed = event->button() == Qt::LeftButton;
  if (OnMouseDown) OnMouseDown(ButtonOf(event), event->position().toPoint().x(), event->position().toPoint().y());
}

void TskinProgressBar::mouseMoveEvent(QMouseEvent *event) {
  if (OnMouseMove) OnMouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

void TskinProgressBar::mouseReleaseEvent(QMouseEvent *event) {
  QPoint at = event->position().toPoint();
  if (OnMouseUp) OnMouseUp(ButtonOf(event), at.x(), at.y());
  bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(at);
  FPressed = false;
  if (click && OnClick) OnClick();
}
