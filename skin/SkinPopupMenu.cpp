#include "SkinPopupMenu.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "SkinMenu.h"
#include "SkinPublic.h"
#include "win.h"

// ---- shortcut text

std::string ShortCutToText(TShortCut shortCut) {
  int key = shortCut & 0xFF;
  std::string name;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    name = std::string(1, static_cast<char>(key));
  else if (key >= 0x70 && key <= 0x87)
    name = "F" + std::to_string(key - 0x6F);
  else {
    switch (key) {
      case 0x08: name = "BkSp"; break;
      case 0x09: name = "Tab"; break;
      case 0x0D: name = "Enter"; break;
      case 0x1B: name = "Esc"; break;
      case 0x20: name = "Space"; break;
      case 0x21: name = "PgUp"; break;
      case 0x22: name = "PgDn"; break;
      case 0x23: name = "End"; break;
      case 0x24: name = "Home"; break;
      case 0x25: name = "Left"; break;
      case 0x26: name = "Up"; break;
      case 0x27: name = "Right"; break;
      case 0x28: name = "Down"; break;
      case 0x2D: name = "Ins"; break;
      case 0x2E: name = "Del"; break;
      default: return "";
    }
  }
  std::string text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + name;
}

// ---- items

TskinMenuItem::TskinMenuItem(TComponent *owner, const std::string &caption, std::function<void()> onClick)
    : TMenuItem(owner, caption, std::move(onClick)) {}

TskinMenuItem *TskinMenuItem::Add(TskinMenuItem *item) {
  if (!item) return nullptr;
  if (item->Owner() != this) InsertComponent(item);
  FItems.push_back(item);
  return item;
}

TskinMenuItem *TskinMenuItem::Add(const std::string &caption, std::function<void()> onClick, int imageIndex) {
  auto *item = new TskinMenuItem(nullptr, caption, std::move(onClick));
  item->SetImageIndex(imageIndex);
  return Add(item);
}

void TskinMenuItem::Notification(TComponent *component, TOperation operation) {
  TMenuItem::Notification(component, operation);
  if (operation == TOperation::opRemove)
    std::erase_if(FItems, [component](TskinMenuItem *item) { return static_cast<TComponent *>(item) == component; });
}

TImageList &CheckMarkImages() {
  static TImageList *images = [] {
    auto *list = new TImageList;
    TBitmap mark;
    if (mark.LoadFromResourceName("MENU_CHECKED")) {
      // White is the mask colour: those pixels let the item show through.
      QImage image = mark.Image().convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
          if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) image.setPixel(x, y, 0);
      list->Add(image);
    }
    return list;
  }();
  return *images;
}

namespace {

// Draws a picture of an image list; a disabled one is drawn as its embossed shape.
void DrawListImage(TCanvas *canvas, const QImage &picture, int x, int y, bool enabled) {
  if (!canvas || picture.isNull()) return;
  QImage source = picture.convertToFormat(QImage::Format_ARGB32);
  int w = source.width(), h = source.height();
  TRect area = Bounds(x, y, w + 1, h + 1);
  QImage under = canvas->Grab(area).convertToFormat(QImage::Format_ARGB32);
  if (under.isNull()) return;
  QPainter painter(&under);
  if (enabled) {
    painter.drawImage(0, 0, source);
  } else {
    QImage shape(w, h, QImage::Format_ARGB32);
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col) shape.setPixel(col, row, qAlpha(source.pixel(col, row)) >= 128 ? 0xFFFFFFFF : 0);
    painter.drawImage(1, 1, shape);
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col)
        if (qAlpha(shape.pixel(col, row))) shape.setPixel(col, row, 0xFF808080);
    painter.drawImage(0, 0, shape);
  }
  painter.end();
  canvas->BlitImage(area.Left, area.Top, area.Width(), area.Height(), under.convertToFormat(QImage::Format_RGB32),
                    SRCCOPY);
}

void ResetCanvas(TCanvas *canvas) {
  canvas->Brush.SetBitmap(nullptr);
  canvas->Brush.Style = TBrushStyle::bsSolid;
  canvas->Brush.Color = clMenu;
  canvas->Pen.Style = TPenStyle::psSolid;
  canvas->Pen.Width = 1;
  canvas->Pen.Color = clBlack;
  canvas->CopyMode = SRCCOPY;
  if (!SetSystemMenuFont(&canvas->Font)) canvas->Font = TFont();
}

bool HasUsableIcon(const TMenuItem *item, const TImageList *images) {
  return item->ImageIndex() != -1 && images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count();
}

}  // namespace

// ---- the menu

TskinPopupMenu::TskinPopupMenu(TComponent *owner) : TPopupMenu(owner) {
  FMenuItemHeight = 21;
  FSeparatorHeight = 21;
  FBarColor = clBtnFace;
  FBarWidth = 0;
  FColor = clWhite;
  FSeparatorColor = 0x808080;
  FSelectedBorderColor = clHighlight;
  FSelectedColor = clHighlight;
  FSelectedFontColor = clWhite;
  FFontColor = clWhite;
  FBorderColor = clBlack;
  FFlatMenu = false;
  FFontName = "MS Sans Serif";
  FFontSize = 8;
  FFontCharset = 1;
  FUseSystemFont = true;
  SetUIStyle(GetOwnerUIStyle(owner));
}

TskinPopupMenu::~TskinPopupMenu() {
  QObject::disconnect(FFileThemeWatch);
  delete FWindow;
}

void TskinPopupMenu::SetFileTheme(TskinFileTheme *value) {
  QObject::disconnect(FFileThemeWatch);
  FFileTheme = value;
  if (value)
    FFileThemeWatch = QObject::connect(value, &QObject::destroyed, this,
                                       [this, value] { Notification(value, TOperation::opRemove); });
  SetUIStyle(FUIStyle);
}

void TskinPopupMenu::SetUIStyle(TskinUIStyle value) {
  FUIStyle = value;
  FBarWidth = 26;
  if (value == TskinUIStyle::MacOS) {
    FMenuItemHeight = 20;
    FSeparatorHeight = 12;
    FSeparatorColor = 0;
  } else {
    FMenuItemHeight = 21;
    FSeparatorHeight = 5;
    FSeparatorColor = 0x848284;
  }
  FBarColor = MenuThemeColor(FFileTheme, value, 23);
  FColor = MenuThemeColor(FFileTheme, value, 21);
  FFontColor = MenuThemeColor(FFileTheme, value, 22);
  FSelectedBorderColor = MenuThemeColor(FFileTheme, value, 18);
  FSelectedColor = MenuThemeColor(FFileTheme, value, 19);
  FSelectedFontColor = MenuThemeColor(FFileTheme, value, 20);
}

void TskinPopupMenu::SetMenuItemHeight(int value) {
  if (FUIStyle != TskinUIStyle::MacOS) FMenuItemHeight = value;
}

void TskinPopupMenu::SetSeparatorHeight(int value) {
  if (FUIStyle != TskinUIStyle::MacOS) FSeparatorHeight = value;
}

TskinMenuItem *TskinPopupMenu::Add(const std::string &caption, std::function<void()> onClick, int imageIndex) {
  auto *item = new TskinMenuItem(nullptr, caption, std::move(onClick));
  item->SetImageIndex(imageIndex);
  TPopupMenu::Add(item);
  return item;
}

TskinMenuItem *TskinPopupMenu::SkinItem(int index) const { return dynamic_cast<TskinMenuItem *>(Items(index)); }

void TskinPopupMenu::SetImages(TImageList *images) {
  FImages = images;
  TPopupMenu::SetImages(images);
}

void TskinPopupMenu::Loaded() {
  TPopupMenu::Loaded();
  HookItems();
}

void TskinPopupMenu::HookItems() {
  auto measure = [this](TskinMenuItem *item, TCanvas *canvas, int &width, int &height) {
    MeasureMenuItem(item, canvas, width, height);
  };
  auto draw = [this](TskinMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected) {
    DrawMenuItem(item, canvas, rect, selected);
  };
  for (int i = 0; i < Count(); ++i)
    if (TskinMenuItem *item = SkinItem(i)) HookMenuItemEvents(item, measure, draw);
}

void TskinPopupMenu::Notification(TComponent *component, TOperation operation) {
  TPopupMenu::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == FImages) FImages = nullptr;
  if (FFileTheme && component == static_cast<TComponent *>(FFileTheme)) {
    QObject::disconnect(FFileThemeWatch);
    FFileTheme = nullptr;
    SetUIStyle(TskinUIStyle::DeepBlue);
  }
}


void TskinPopupMenu::MeasureMenuItem(TskinMenuItem *item, TCanvas *canvas, int &width, int &height) {
  MeasureSkinMenuItem(MenuItemLookOf(*this), item, canvas, width, height);
}

void TskinPopupMenu::DrawMenuItem(TskinMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected) {
  DrawSkinMenuItem(MenuItemLookOf(*this), item, canvas, rect, selected, FImages, CheckMarkImages().Image(0),
                   DrawListImage);
}

void TskinPopupMenu::Popup(int x, int y) {
  if (FWindow || Count() == 0) return;
  std::vector<TMenuItem *> items;
  for (int i = 0; i < Count(); ++i) items.push_back(Items(i));
  FWindow = new TskinPopupMenuWindow(this, items);
  FWindow->Place(x, y);
  FWindow->show();
  FWindow->activateWindow();
  FWindow->setFocus();
  QWidget *window = FWindow;
  win::PumpUntil([window] { return !window->isVisible(); });
  TMenuItem *chosen = FWindow->Chosen();
  // The window goes first: a handler may open the menu again.
  delete FWindow;
  FWindow = nullptr;
  if (chosen) chosen->Click();
}

// ---- the menu window

TskinPopupMenuWindow::TskinPopupMenuWindow(TskinPopupMenu *menu, std::vector<TMenuItem *> items,
                                           TskinPopupMenuWindow *parentMenu)
    : QWidget(parentMenu, Qt::Popup | Qt::FramelessWindowHint), FMenu(menu), FItems(std::move(items)),
      FParentMenu(parentMenu) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

TskinPopupMenuWindow::~TskinPopupMenuWindow() = default;

void TskinPopupMenuWindow::MeasurePlatformItem(TMenuItem *item, TCanvas *canvas, int &width, int &height) {
  TSize extent = canvas->TextExtent(StripAccelerators(item->Caption()));
  auto *skinItem = dynamic_cast<TskinMenuItem *>(item);
  std::string shortCut = skinItem ? ShortCutToText(skinItem->ShortCut()) : std::string();
  if (item->IsSeparator()) {
    height = 9;
    width = 0;
    return;
  }
  height = std::max(extent.cy + 6, 19);
  width = extent.cx + (shortCut.empty() ? 0 : canvas->TextWidth(shortCut) + 16) + 2 * 17 + 8;
}

void TskinPopupMenuWindow::Place(int x, int y) {
  TBitmap scratch(1, 1);
  TCanvas *canvas = scratch.Canvas();
  int widest = 0;
  std::vector<int> heights;
  for (TMenuItem *item : FItems) {
    ResetCanvas(canvas);
    int w = 0, h = 0;
    auto *skinItem = dynamic_cast<TskinMenuItem *>(item);
    if (skinItem && skinItem->OnMeasureItem)
      skinItem->OnMeasureItem(skinItem, canvas, w, h);
    else
      MeasurePlatformItem(item, canvas, w, h);
    widest = std::max(widest, w);
    heights.push_back(std::max(0, h));
  }
  FRects.clear();
  int top = FrameWidth;
  for (int h : heights) {
    FRects.push_back(Rect(FrameWidth, top, FrameWidth + widest, top + h));
    top += h;
  }
  int w = widest + 2 * FrameWidth, h = top + FrameWidth;
  resize(w, h);

  TRect area;
  GetWorkArea(area);
  if (area.Width() > 0 && area.Height() > 0) {
    // A menu that would run off the work area opens on the other side of its point.
    if (x + w > area.Right) x = FParentMenu ? FParentMenu->x() - w + FrameWidth : x - w;
    if (y + h > area.Bottom) y = FParentMenu ? area.Bottom - h : y - h;
    x = std::max(x, area.Left);
    y = std::max(y, area.Top);
  }
  move(x, y);
}

int TskinPopupMenuWindow::ItemAt(const QPoint &point) const {
  for (int i = 0; i < Count(); ++i) {
    const TRect &r = FRects[i];
    if (point.x() >= r.Left && point.x() < r.Right && point.y() >= r.Top && point.y() < r.Bottom) return i;
  }
  return -1;
}

bool TskinPopupMenuWindow::Selectable(int index) const {
  return index >= 0 && index < Count() && !FItems[index]->IsSeparator();
}

void TskinPopupMenuWindow::Select(int index) {
  if (!Selectable(index)) index = -1;
  if (index == FSelected) return;
  FSelected = index;
  update();
}

void TskinPopupMenuWindow::MoveSelection(int step) {
  if (Count() == 0) return;
  int index = FSelected;
  for (int tries = 0; tries < Count(); ++tries) {
    if (index < 0)
      index = step > 0 ? 0 : Count() - 1;
    else
      index = (index + step + Count()) % Count();
    if (Selectable(index)) {
      Select(index);
      return;
    }
  }
}

void TskinPopupMenuWindow::Activate(int index) {
  if (!Selectable(index)) return;
  TMenuItem *item = FItems[index];
  if (!item->Enabled()) return;
  auto *skinItem = dynamic_cast<TskinMenuItem *>(item);
  if (skinItem && skinItem->Count() > 0) {
    OpenSubMenu(index);
    return;
  }
  Finish(item);
}

void TskinPopupMenuWindow::OpenSubMenu(int index) {
  auto *skinItem = dynamic_cast<TskinMenuItem *>(FItems[index]);
  if (!skinItem || skinItem->Count() == 0 || !skinItem->Enabled()) return;
  CloseSubMenu();
  std::vector<TMenuItem *> items;
  for (int i = 0; i < skinItem->Count(); ++i) items.push_back(skinItem->Items(i));
  FSubMenu = new TskinPopupMenuWindow(FMenu, items, this);
  QPoint corner = mapToGlobal(QPoint(width() - FrameWidth, FRects[index].Top - FrameWidth));
  FSubMenu->Place(corner.x(), corner.y());
  FSubMenu->show();
  FSubMenu->setFocus();
}

void TskinPopupMenuWindow::CloseSubMenu() {
  if (!FSubMenu) return;
  TskinPopupMenuWindow *sub = FSubMenu;
  FSubMenu = nullptr;
  sub->CloseSubMenu();
  sub->FParentMenu = nullptr;
  sub->hide();
  sub->deleteLater();
}

TskinPopupMenuWindow *TskinPopupMenuWindow::Root() {
  TskinPopupMenuWindow *window = this;
  while (window->FParentMenu) window = window->FParentMenu;
  return window;
}

void TskinPopupMenuWindow::Finish(TMenuItem *chosen) {
  TskinPopupMenuWindow *root = Root();
  root->FChosen = chosen;
  root->CloseSubMenu();
  root->close();
}

bool TskinPopupMenuWindow::ForwardToParent(QMouseEvent *event) {
  if (!FParentMenu) return false;
  QPoint global = event->globalPosition().toPoint();
  if (!FParentMenu->geometry().contains(global)) return FParentMenu->ForwardToParent(event);
  QPoint local = FParentMenu->mapFromGlobal(global);
  int index = FParentMenu->ItemAt(local);
  if (event->type() == QEvent::MouseMove) {
    // Hovering another item of the parent closes this sub-menu.
    if (index >= 0 && index != FParentMenu->FSelected) {
      FParentMenu->Select(index);
      FParentMenu->CloseSubMenu();
      FParentMenu->setFocus();
    }
  } else if (event->type() == QEvent::MouseButtonRelease && index >= 0 && index != FParentMenu->FSelected) {
    TskinPopupMenuWindow *parent = FParentMenu;
    parent->CloseSubMenu();
    parent->Select(index);
    parent->Activate(index);
  }
  return true;
}

void TskinPopupMenuWindow::mouseMoveEvent(QMouseEvent *event) {
  QPoint at = event->position().toPoint();
  if (!rect().contains(at)) {
    ForwardToParent(event);
    return;
  }
  int index = ItemAt(at);
  if (index != FSelected) {
    CloseSubMenu();
    Select(index);
    if (Selectable(index)) {
      auto *skinItem = dynamic_cast<TskinMenuItem *>(FItems[index]);
      if (skinItem && skinItem->Count() > 0) OpenSubMenu(index);
    }
  }
}

void TskinPopupMenuWindow::mousePressEvent(QMouseEvent *event) {
  QPoint at = event->position().toPoint();
  if (rect().contains(at)) return;
  // A press outside every open menu closes them all without a choice.
  if (FParentMenu) {
    QPoint global = event->globalPosition().toPoint();
    for (TskinPopupMenuWindow *w = FParentMenu; w; w = w->FParentMenu)
      if (w->geometry().contains(global)) return;
  }
  Finish(nullptr);
}

void TskinPopupMenuWindow::mouseReleaseEvent(QMouseEvent *event) {
  QPoint at = event->position().toPoint();
  if (!rect().contains(at)) {
    ForwardToParent(event);
    return;
  }
  int index = ItemAt(at);
  Select(index);
  Activate(index);
}

void TskinPopupMenuWindow::leaveEvent(QEvent *) {
  if (!FSubMenu) Select(-1);
}

void TskinPopupMenuWindow::keyPressEvent(QKeyEvent *event) {
  switch (event->key()) {
    case Qt::Key_Down: MoveSelection(1); return;
    case Qt::Key_Up: MoveSelection(-1); return;
    case Qt::Key_Home: Select(-1); MoveSelection(1); return;
    case Qt::Key_End: Select(-1); MoveSelection(-1); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: Activate(FSelected); return;
    case Qt::Key_Right:
      if (Selectable(FSelected)) OpenSubMenu(FSelected);
      if (FSubMenu) FSubMenu->MoveSelection(1);
      return;
    case Qt::Key_Left:
      if (FParentMenu) {
        TskinPopupMenuWindow *parent = FParentMenu;
        parent->CloseSubMenu();
        parent->setFocus();
      }
      return;
    case Qt::Key_Escape:
      if (FParentMenu) {
        TskinPopupMenuWindow *parent = FParentMenu;
        parent->CloseSubMenu();
        parent->setFocus();
      } else {
        Finish(nullptr);
      }
      return;
    default: break;
  }
  // An accelerator letter: one match chooses the item, several are stepped through.
  QString typed = event->text().toLower();
  if (typed.isEmpty()) return;
  std::vector<int> matches;
  for (int i = 0; i < Count(); ++i) {
    std::vector<int> marks;
    QString visible = QString::fromStdString(StripAccelerators(FItems[i]->Caption(), &marks));
    if (!marks.empty() && marks.front() < visible.size() && visible.mid(marks.front(), 1).toLower() == typed)
      matches.push_back(i);
  }
  if (matches.empty()) return;
  if (matches.size() == 1) {
    Select(matches.front());
    Activate(matches.front());
    return;
  }
  auto next = std::find_if(matches.begin(), matches.end(), [this](int i) { return i > FSelected; });
  Select(next == matches.end() ? matches.front() : *next);
}

void TskinPopupMenuWindow::hideEvent(QHideEvent *event) {
  QWidget::hideEvent(event);
  if (FParentMenu && FParentMenu->FSubMenu == this) {
    FParentMenu->FSubMenu = nullptr;
    deleteLater();
  }
}

void TskinPopupMenuWindow::DrawPlatformItem(TMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected) {
  if (item->IsSeparator()) {
    FillMenuRect(canvas, rect, clMenu);
    int y = rect.Top + rect.Height() / 2 - 1;
    canvas->Pen.Color = clBtnShadow;
    canvas->MoveTo(rect.Left + 1, y);
    canvas->LineTo(rect.Right - 1, y);
    canvas->Pen.Color = clBtnHighlight;
    canvas->MoveTo(rect.Left + 1, y + 1);
    canvas->LineTo(rect.Right - 1, y + 1);
    return;
  }
  const bool enabled = item->Enabled();
  FillMenuRect(canvas, rect, selected ? clHighlight : clMenu);
  canvas->Brush.Style = TBrushStyle::bsClear;
  canvas->Font.Color = !enabled ? clGrayText : selected ? clHighlightText : clMenuText;
  auto *skinItem = dynamic_cast<TskinMenuItem *>(item);
  if (skinItem && skinItem->Default()) canvas->Font.Style |= fsBold;
  int textY = rect.Top + (rect.Height() - canvas->TextHeight("Wg")) / 2;
  TRect textRect = Rect(rect.Left + 17 + 4, textY, rect.Right, rect.Bottom);
  win::DrawText(canvas, item->Caption(), textRect, DT_SINGLELINE);
  if (skinItem && skinItem->ShortCut()) {
    std::string text = ShortCutToText(skinItem->ShortCut());
    canvas->TextOut(rect.Right - canvas->TextWidth(text) - 17, textY, text);
  }
  TImageList *images = FMenu->Images();
  if (HasUsableIcon(item, images))
    DrawListImage(canvas, images->Image(item->ImageIndex()), rect.Left + 2, rect.Top + (rect.Height() - 16) / 2, enabled);
  else if (skinItem && skinItem->Checked())
    DrawListImage(canvas, CheckMarkImages().Image(0), rect.Left + 2, rect.Top + (rect.Height() - 16) / 2, enabled);
}

void TskinPopupMenuWindow::PaintTo(QImage &image) {
  QPainter painter(&image);
  TCanvas canvas(&painter, this);
  const int w = width(), h = height();
  // The raised edge of a menu window, with the menu colour inside.
  ResetCanvas(&canvas);
  FillMenuRect(&canvas, Rect(0, 0, w, h), clMenu);
  auto line = [&](TColor colour, int x1, int y1, int x2, int y2) {
    canvas.Pen.Color = colour;
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
  };
  line(cl3DLight, 0, h - 1, 0, 0);
  line(cl3DLight, 0, 0, w - 1, 0);
  line(cl3DDkShadow, w - 1, 0, w - 1, h - 1);
  line(cl3DDkShadow, w - 1, h - 1, -1, h - 1);
  line(clBtnHighlight, 1, h - 2, 1, 1);
  line(clBtnHighlight, 1, 1, w - 2, 1);
  line(clBtnShadow, w - 2, 1, w - 2, h - 2);
  line(clBtnShadow, w - 2, h - 2, 0, h - 2);

  for (int i = 0; i < Count(); ++i) {
    ResetCanvas(&canvas);
    TMenuItem *item = FItems[i];
    const TRect &r = FRects[i];
    const bool selected = i == FSelected;
    auto *skinItem = dynamic_cast<TskinMenuItem *>(item);
    if (skinItem && skinItem->OnDrawItem)
      skinItem->OnDrawItem(skinItem, &canvas, r, selected);
    else
      DrawPlatformItem(item, &canvas, r, selected);
    if (skinItem && skinItem->Count() > 0) {
      // The sub-menu arrow goes over whatever the item drew.
      int x = r.Right - 10, y = r.Top + r.Height() / 2;
      canvas.Brush.SetBitmap(nullptr);
      canvas.Brush.Style = TBrushStyle::bsSolid;
      TColor colour = selected && item->Enabled() ? FMenu->SelectedFontColor() : FMenu->FontColor();
      canvas.Pen.Color = colour;
      canvas.Brush.Color = colour;
      canvas.Polygon({Point(x, y - 3), Point(x + 3, y), Point(x, y + 3)});
    }
  }
}

QImage TskinPopupMenuWindow::Render() {
  QImage image(size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  PaintTo(image);
  return image;
}

void TskinPopupMenuWindow::paintEvent(QPaintEvent *) {
  QImage image = Render();
  QPainter painter(this);
  painter.drawImage(0, 0, image);
}
