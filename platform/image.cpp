#include "image.h"

#include <QPainter>

void TPicture::Assign(const QImage &image) {
  FImage = image;
  if (OnChange) OnChange();
}

TImage::TImage(QWidget *parent, TComponent *owner) : QWidget(parent), TComponent(owner) {
  FPicture->OnChange = [this] {
    if (FAutoSize && !FPicture->Empty()) resize(FPicture->Width(), FPicture->Height());
    update();
  };
}

void TImage::paintEvent(QPaintEvent *) {
  if (FPicture->Empty()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, FPicture->Image());
}
