#include "skinface.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>

namespace {

int ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return TSkin::mbLeft;
    case Qt::RightButton: return TSkin::mbRight;
    case Qt::MiddleButton: return TSkin::mbMiddle;
    default: return -1;
  }
}

// A look without its own picture borrows the next plainer one.
const QImage *PictureFor(const TSkinObjectDef &def, TSkinLook look) {
  for (int l = look; l >= slNormal; --l)
    if (!def.Images[l].isNull()) return &def.Images[l];
  return nullptr;
}

}  // namespace

TSkinElementObject::TSkinElementObject(std::shared_ptr<const TSkinFileData> file, const TSkinObjectDef &def,
                                       TSkinFace *face)
    : FFile(std::move(file)), FDef(def), FFace(face) {}

void TSkinElementObject::SetState(int state) {
  if (state >= slNormal && state <= slPressed) FPendingLook = static_cast<TSkinLook>(state);
}

void TSkinElementObject::Redraw() {
  if (FPendingLook) {
    FLook = *FPendingLook;
    FPendingLook.reset();
  }
  ApplyPending();
  Repaint();
}

void TSkinElementObject::SetLook(TSkinLook look) {
  if (FLook == look) return;
  FLook = look;
  Repaint();
}

void TSkinElementObject::Repaint() {
  if (!FFace) return;
  // Callers sleep on the GUI thread right after a redraw, so paint now rather than later.
  if (FFace->isVisible())
    FFace->repaint(FDef.Rect);
  else
    FFace->update(FDef.Rect);
}

void TSkinElementObject::Paint(QPainter &painter) const {
  const QImage *picture = PictureFor(FDef, FLook);
  if (!picture) return;
  painter.save();
  painter.setClipRect(FDef.Rect);
  painter.drawImage(FDef.Rect.topLeft(), *picture);
  painter.restore();
}

void TSkinTextObject::Paint(QPainter &painter) const {
  TSkinElementObject::Paint(painter);
  if (FShownText.empty()) return;
  painter.save();
  QFont font = painter.font();
  font.setPixelSize(FDef.FontSize);
  font.setBold(FDef.Bold);
  painter.setFont(font);
  painter.setPen(FDef.Color);
  QRect area = FDef.Rect.adjusted(3, 0, -3, 0);
  painter.setClipRect(FDef.Rect);
  QString text = painter.fontMetrics().elidedText(QString::fromStdWString(FShownText), Qt::ElideRight, area.width());
  painter.drawText(area, static_cast<int>(FDef.Align | Qt::AlignVCenter) | Qt::TextSingleLine, text);
  painter.restore();
}

void TSkinSliderObject::SetPosition(int position) { FPosition = std::clamp(position, 0, MaxPosition); }

void TSkinSliderObject::Paint(QPainter &painter) const {
  TSkinElementObject::Paint(painter);
  const QImage &thumb = FDef.ThumbImage;
  if (thumb.isNull()) return;
  QRect rect = FDef.Rect;
  int travel = std::max(0, rect.width() - thumb.width());
  int x = rect.x() + static_cast<int>(static_cast<long long>(FShownPosition) * travel / MaxPosition);
  int y = rect.y() + (rect.height() - thumb.height()) / 2;
  painter.save();
  painter.setClipRect(rect);
  painter.drawImage(QPoint(x, y), thumb);
  painter.restore();
}

void TSkinSliderObject::Follow(const QPoint &point) {
  QRect rect = FDef.Rect;
  int thumbWidth = FDef.ThumbImage.width();
  int travel = rect.width() - thumbWidth;
  int position = 0;
  if (travel > 0) {
    long long offset = point.x() - rect.x() - thumbWidth / 2;
    position = static_cast<int>(std::clamp<long long>(offset * MaxPosition / travel, 0, MaxPosition));
  }
  FPosition = FShownPosition = position;
  Repaint();
}

std::shared_ptr<ISkinObject> TSkinFormObject::FindElement(const std::wstring &name) const {
  for (const auto &element : FElements)
    if (element->GetName() == name) return element;
  return nullptr;
}

TSkinFace::TSkinFace(TSkin *skin, win::HWND wnd, QWidget *window)
    : QWidget(window), FSkin(skin), FWnd(wnd), FWindow(window) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setGeometry(window->rect());
  lower();
  window->installEventFilter(this);
}

TSkinFace::~TSkinFace() {
  for (auto &element : FElements) element->Detach();
}

void TSkinFace::Apply(std::shared_ptr<const TSkinFileData> file, const TSkinFormDef &form) {
  for (auto &element : FElements) element->Detach();
  FElements.clear();
  FHovered.reset();
  FCaptured.reset();
  FDragging = false;
  FFile = std::move(file);
  FForm = &form;
  for (const TSkinObjectDef &def : form.Objects) {
    std::shared_ptr<TSkinElementObject> element;
    switch (def.Kind) {
      case TSkinObjectKind::Text: element = std::make_shared<TSkinTextObject>(FFile, def, this); break;
      case TSkinObjectKind::Slider: element = std::make_shared<TSkinSliderObject>(FFile, def, this); break;
      default: element = std::make_shared<TSkinElementObject>(FFile, def, this); break;
    }
    FElements.push_back(std::move(element));
  }
  FFormObject = std::make_shared<TSkinFormObject>(form.Id, FElements);
  if (FWindow && FWindow->size() != form.Size) FWindow->resize(form.Size);
  if (FWindow) setGeometry(FWindow->rect());
  lower();
  update();
}

void TSkinFace::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  if (!FForm) {
    painter.fillRect(event->rect(), palette().window());
    return;
  }
  painter.fillRect(event->rect(), palette().window());
  painter.drawImage(QPoint(0, 0), FForm->Face);
  for (const auto &element : FElements)
    if (element->Rect().intersects(event->rect())) element->Paint(painter);
}

std::shared_ptr<TSkinElementObject> TSkinFace::ObjectAt(const QPoint &point) const {
  for (auto it = FElements.rbegin(); it != FElements.rend(); ++it)
    if ((*it)->Rect().contains(point)) return *it;
  return nullptr;
}

void TSkinFace::UpdateLooks(const QPoint &point) {
  std::shared_ptr<TSkinElementObject> hit = rect().contains(point) ? ObjectAt(point) : nullptr;
  if (FHovered && FHovered != hit) FHovered->SetLook(slNormal);
  FHovered = hit;
  if (hit) hit->SetLook(slHover);
}

void TSkinFace::mousePressEvent(QMouseEvent *event) {
  int button = ButtonOf(event->button());
  if (button < 0 || FCaptured || FDragging) return;
  QPoint point = event->position().toPoint();
  std::shared_ptr<TSkinElementObject> hit = ObjectAt(point);
  if (!hit) {
    // The bare face is the window's caption: dragging it moves the window.
    if (button == TSkin::mbLeft && FWindow && FWindow->isWindow()) {
      FDragging = true;
      FDragOffset = event->globalPosition().toPoint() - FWindow->pos();
    }
    return;
  }
  FCaptured = hit;
  FCapturedButton = button;
  if (button == TSkin::mbLeft) {
    hit->SetLook(slPressed);
    hit->Follow(point);
  }
  if (FSkin && FSkin->OnMouseDown) FSkin->OnMouseDown(hit, button, point.x(), point.y());
}

void TSkinFace::mouseMoveEvent(QMouseEvent *event) {
  QPoint point = event->position().toPoint();
  if (FDragging) {
    if (FWindow) FWindow->move(event->globalPosition().toPoint() - FDragOffset);
    return;
  }
  if (FCaptured) {
    // The pressed object keeps the mouse until release, as a captured window does.
    std::shared_ptr<TSkinElementObject> captured = FCaptured;
    if (FCapturedButton == TSkin::mbLeft) {
      bool slider = captured->Def().Kind == TSkinObjectKind::Slider;
      captured->SetLook(slider || ObjectAt(point) == captured ? slPressed : slNormal);
      captured->Follow(point);
    }
    if (FSkin && FSkin->OnMouseMove) FSkin->OnMouseMove(captured, point.x(), point.y());
    return;
  }
  UpdateLooks(point);
  std::shared_ptr<TSkinElementObject> hovered = FHovered;
  if (hovered && FSkin && FSkin->OnMouseMove) FSkin->OnMouseMove(hovered, point.x(), point.y());
}

void TSkinFace::mouseReleaseEvent(QMouseEvent *event) {
  int button = ButtonOf(event->button());
  if (FDragging) {
    if (button == TSkin::mbLeft) FDragging = false;
    return;
  }
  if (!FCaptured || button != FCapturedButton) return;
  QPoint point = event->position().toPoint();
  std::shared_ptr<TSkinElementObject> released = FCaptured;
  FCaptured.reset();
  bool click = button == TSkin::mbLeft && ObjectAt(point) == released;
  if (FHovered != released) released->SetLook(slNormal);
  UpdateLooks(point);

  // Handlers may open modal dialogs or close the window; the face may be gone when they return.
  QPointer<TSkinFace> self(this);
  if (FSkin && FSkin->OnMouseUp) FSkin->OnMouseUp(released, button, point.x(), point.y());
  if (!self || !click) return;
  if (FSkin && FSkin->OnClick) FSkin->OnClick(released);
  if (!self) return;
  SendSystemCommand(*released);
}

void TSkinFace::SendSystemCommand(const TSkinElementObject &object) {
  // Through the window's own message handling, so that its minimise and close rules apply.
  if (object.Def().Kind == TSkinObjectKind::Minimize)
    win::SendMessage(FWnd, win::WM_SYSCOMMAND, win::SC_MINIMIZE, 0);
  else if (object.Def().Kind == TSkinObjectKind::Close)
    win::SendMessage(FWnd, win::WM_SYSCOMMAND, win::SC_CLOSE, 0);
}

void TSkinFace::leaveEvent(QEvent *event) {
  QWidget::leaveEvent(event);
  if (FCaptured || !FHovered) return;
  FHovered->SetLook(slNormal);
  FHovered.reset();
}

bool TSkinFace::eventFilter(QObject *watched, QEvent *event) {
  if (watched == FWindow && event->type() == QEvent::Resize) setGeometry(FWindow->rect());
  return QWidget::eventFilter(watched, event);
}
