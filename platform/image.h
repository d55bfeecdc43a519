#pragma once
// A picture shared between its holders, and the image control that shows one.
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "component.h"

class TPicture {
public:
  const QImage &Image() const { return FImage; }
  // Replaces the picture and tells the control that shows it.
  void Assign(const QImage &image);
  int Width() const { return FImage.width(); }
  int Height() const { return FImage.height(); }
  bool Empty() const { return FImage.isNull(); }

  std::function<void()> OnChange;

private:
  QImage FImage;
};

class TImage : public QWidget, public TComponent {
public:
  explicit TImage(QWidget *parent = nullptr, TComponent *owner = nullptr);
  const std::shared_ptr<TPicture> &Picture() const { return FPicture; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool autoSize) { FAutoSize = autoSize; }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  std::shared_ptr<TPicture> FPicture = std::make_shared<TPicture>();
  bool FAutoSize = false;
};
