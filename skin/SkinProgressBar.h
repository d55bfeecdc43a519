#pragma once
// A self-painting progress bar of fixed thickness: the filled length shows a picture, the rest a
// plain colour, optionally with the percentage in the middle.
#include <QImage>
#include <QMetaObject>
#include <cstdint>
#include <functional>
#include <string>

#include "SkinMgr.h"
#include "SkinThemes.h"
#include "canvas.h"
#include "controls.h"

enum TskinProgressBarOrientation : std::uint8_t { skinHorizontal = 0, skinVertical = 1 };

class TskinProgressBar : public TPanel {
  Q_OBJECT
  Q_PROPERTY(TskinFileTheme *FileTheme READ FileTheme WRITE SetFileTheme)
  Q_PROPERTY(TskinUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(uint CaptionColor READ CaptionColor WRITE SetCaptionColor)
  Q_PROPERTY(bool ShowCaption READ ShowCaption WRITE SetShowCaption)
  Q_PROPERTY(bool SmartShowCaption READ SmartShowCaption WRITE SetSmartShowCaption)
  Q_PROPERTY(int Max READ Max WRITE SetMax)
  Q_PROPERTY(int Min READ Min WRITE SetMin)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
  Q_PROPERTY(TskinProgressBarOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(uint BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(uint Color READ Color WRITE SetColor)
  Q_PROPERTY(QImage Picture READ PictureImage WRITE SetPictureImage)

public:
  // The bar's thickness across its length.
  static constexpr int BarThickness = 12;

  explicit TskinProgressBar(QWidget *parent = nullptr, TComponent *owner = nullptr);
  ~TskinProgressBar() override;

  TskinFileTheme *FileTheme() const { return FFileTheme; }
  void SetFileTheme(TskinFileTheme *value);
  TskinUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TskinUIStyle value);

  TColor CaptionColor() const { return FCaptionColor; }
  void SetCaptionColor(TColor value);
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool value);
  bool SmartShowCaption() const { return FSmartShowCaption; }
  void SetSmartShowCaption(bool value);

  int Max() const { return FMax; }
  void SetMax(int value);
  int Min() const { return FMin; }
  void SetMin(int value);
  int Position() const { return FPosition; }
  void SetPosition(int value);

  TskinProgressBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TskinProgressBarOrientation value);

  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  // The bar's own colour for the part not yet filled (not the panel's colour).
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  // The control owns its picture; the setter copies the one given.
  TBitmap *Picture() { return &FPicture; }
  void SetPicture(const TBitmap *value);

  // Not clamped: a position outside Min..Max gives a value below 0 or above 100.
  std::int64_t PercentDone() const;
  // The part of `n` pixels that the position fills.
  int FilledLength(int n) const;
  void UpdateProgress();
  void SetBarLength(int length);
  // Only sizes whose thickness across the bar is BarThickness are accepted.
  bool CanResize(int newWidth, int newHeight) const;
  void ApplyStyle();

  // Size changes pass CanResize; a refused size leaves the control as it was.
  void SetWidth(int width);
  void SetHeight(int height);
  void SetBounds(int left, int top, int width, int height);

  // Draws the whole control into `buffer`, as a paint copies it to the screen.
  void PaintBuffer(TBitmap &buffer);

  // Button is 0 left, 1 right, 2 middle; x and y are client coordinates.
  std::function<void(int Button, int x, int y)> OnMouseDown;
  std::function<void(int x, int y)> OnMouseMove;
  std::function<void(int Button, int x, int y)> OnMouseUp;
  std::function<void()> OnClick;

protected:
  void Notification(TComponent *component, TOperation operation) override;
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  QImage PictureImage() const { return FPicture.Image(); }
  void SetPictureImage(const QImage &image);
  void Invalidate();

  TskinFileTheme *FFileTheme = nullptr;
  QMetaObject::Connection FFileThemeWatch;
  TskinUIStyle FUIStyle = TskinUIStyle::DeepBlue;
  TColor FCaptionColor = clBlack;
  bool FShowCaption = true;
  bool FSmartShowCaption = false;
  int FMax = 100;
  int FMin = 0;
  int FPosition = 50;
  TskinProgressBarOrientation FOrientation = skinHorizontal;
  TColor FBorderColor = clBlack;
  TColor FColor = clBtnFace;
  TBitmap FPicture;
  bool FPressed = false;
};
