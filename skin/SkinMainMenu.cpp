#include "SkinMainMenu.h"

#include <QGuiApplication>
#include <QPainter>

#include "SkinForm.h"
#include "SkinMenu.h"
#include "SkinPublic.h"

// ---- the framework's main menu

TMainMenu::TMainMenu(TComponent *owner) : TComponent(owner) {}

TMainMenu::~TMainMenu() = default;

TskinMenuItem *TMainMenu::Add(TskinMenuItem *item) {
  if (!item) return nullptr;
  if (item->Owner() != this) InsertComponent(item);
  FItems.push_back(item);
  MenuChanged();
  return item;
}

TskinMenuItem *TMainMenu::Add(const std::string &caption, std::function<void()> onClick, int imageIndex) {
  auto *item = new TskinMenuItem(nullptr, caption, std::move(onClick));
  item->SetImageIndex(imageIndex);
  return Add(item);
}

void TMainMenu::Notification(TComponent *component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  std::erase_if(FItems, [component](TskinMenuItem *item) { return static_cast<TComponent *>(item) == component; });
  if (component == FImages) FImages = nullptr;
}

TShortCut TMainMenu::ShortCutOfKey(win::WPARAM key, Qt::KeyboardModifiers modifiers) {
  TShortCut shortCut = static_cast<TShortCut>(key & 0xFF);
  if (modifiers & Qt::ShiftModifier) shortCut |= scShift;
  if (modifiers & Qt::ControlModifier) shortCut |= scCtrl;
  if (modifiers & Qt::AltModifier) shortCut |= scAlt;
  return shortCut;
}

bool TMainMenu::IsShortCut(win::UINT msg, win::WPARAM wParam, win::LPARAM) {
  if (msg != win::WM_KEYDOWN) return false;
  TShortCut wanted = ShortCutOfKey(wParam, QGuiApplication::keyboardModifiers());
  std::function<TskinMenuItem *(TskinMenuItem *)> find = [&](TskinMenuItem *item) -> TskinMenuItem * {
    if (!item->Enabled()) return nullptr;
    if (item->ShortCut() != 0 && item->ShortCut() == wanted) return item;
    for (int i = 0; i < item->Count(); ++i)
      if (TskinMenuItem *found = find(item->Items(i))) return found;
    return nullptr;
  };
  for (TskinMenuItem *item : FItems) {
    if (TskinMenuItem *found = find(item)) {
      found->Click();
      return true;
    }
  }
  return false;
}

void TMainMenu::MenuChanged() {}

void TMainMenu::Loaded() { TComponent::Loaded(); }

// ---- the skinned main menu

namespace {

void DrawListPicture(TCanvas *canvas, const QImage &picture, int x, int y, bool enabled) {
  if (picture.isNull()) return;
  QImage source = picture.convertToFormat(QImage::Format_ARGB32);
  TRect area = Bounds(x, y, source.width(), source.height());
  QImage under = canvas->Grab(area).convertToFormat(QImage::Format_ARGB32);
  if (under.isNull()) return;
  QPainter painter(&under);
  if (enabled) {
    painter.drawImage(0, 0, source);
  } else {
    // Greyed: the picture's shape in grey.
    for (int row = 0; row < source.height(); ++row)
      for (int col = 0; col < source.width(); ++col)
        if (qAlpha(source.pixel(col, row)) >= 128) under.setPixel(col, row, 0xFF808080);
  }
  painter.end();
  canvas->BlitImage(area.Left, area.Top, area.Width(), area.Height(), under.convertToFormat(QImage::Format_RGB32),
                    SRCCOPY);
}

}  // namespace

TskinMainMenu::TskinMainMenu(TComponent *owner) : TMainMenu(owner) {
  FCheckImages = new TImageList(this);
  TBitmap mark;
  if (mark.LoadFromResourceName("MENU_CHECKED")) {
    // White lets the item show through.
    QImage image = mark.Image().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) image.setPixel(x, y, 0);
    FCheckImages->Add(image);
  }
  TMainMenu::SetImages(FCheckImages);
  FMenuItemHeight = 21;
  FSeparatorHeight = 21;
  FBarWidth = 0;
  FBarColor = clBtnFace;
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

TskinMainMenu::~TskinMainMenu() {
  QObject::disconnect(FFileThemeWatch);
  if (FFormSkin && FFormSkin->Menu() == this) FFormSkin->SetMenu(nullptr);
  delete FCheckImages;
  FCheckImages = nullptr;
}

void TskinMainMenu::AfterConstruction() {
  QWidget *form = FormOf(Owner());
  if (!form) return;
  // The form's own menu stays nil: a native menu bar never shows.
  for (QObject *child : form->children()) {
    auto *skin = dynamic_cast<TskinForm *>(child);
    if (skin) {
      skin->SetMenu(this);
      return;
    }
  }
}

TImageList *TskinMainMenu::Images() const {
  TImageList *images = TMainMenu::Images();
  return images == FCheckImages ? nullptr : images;
}

void TskinMainMenu::SetImages(TImageList *value) { TMainMenu::SetImages(value ? value : FCheckImages); }

void TskinMainMenu::SetFileTheme(TskinFileTheme *value) {
  QObject::disconnect(FFileThemeWatch);
  FFileTheme = value;
  if (value)
    FFileThemeWatch = QObject::connect(value, &QObject::destroyed, this,
                                       [this, value] { Notification(value, TOperation::opRemove); });
  SetUIStyle(FUIStyle);
}

void TskinMainMenu::SetUIStyle(TskinUIStyle value) {
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

void TskinMainMenu::SetMenuItemHeight(int value) {
  if (FUIStyle != TskinUIStyle::MacOS) FMenuItemHeight = value;
}

void TskinMainMenu::SetSeparatorHeight(int value) {
  if (FUIStyle != TskinUIStyle::MacOS) FSeparatorHeight = value;
}

void TskinMainMenu::SetUseSystemFont(bool value) {
  FUseSystemFont = value;
  if (FFormSkin) FFormSkin->UpdateMenuBarFont();
}

void TskinMainMenu::Loaded() {
  TMainMenu::Loaded();
  HookItems();
}

void TskinMainMenu::MenuChanged() {
  TMainMenu::MenuChanged();
  if (FormOf(Owner()) && FFormSkin) FFormSkin->RefreshMenuBar();
}

void TskinMainMenu::HookItems() {
  auto measure = [this](TskinMenuItem *item, TCanvas *canvas, int &width, int &height) {
    MeasureMenuItem(item, canvas, width, height);
  };
  auto draw = [this](TskinMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected) {
    DrawMenuItem(item, canvas, rect, selected);
  };
  for (int i = 0; i < Count(); ++i) HookMenuItemEvents(Items(i), measure, draw);
  if (FFormSkin) FFormSkin->RebuildMenuBar();
}

void TskinMainMenu::Notification(TComponent *component, TOperation operation) {
  TMainMenu::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == FCheckImages) {
    FCheckImages = nullptr;
    return;
  }
  if (FFileTheme && component == static_cast<TComponent *>(FFileTheme)) {
    QObject::disconnect(FFileThemeWatch);
    FFileTheme = nullptr;
    SetUIStyle(TskinUIStyle::DeepBlue);
  }
}


void TskinMainMenu::MeasureMenuItem(TskinMenuItem *item, TCanvas *canvas, int &width, int &height) {
  MeasureSkinMenuItem(MenuItemLookOf(*this), item, canvas, width, height);
}

void TskinMainMenu::DrawMenuItem(TskinMenuItem *item, TCanvas *canvas, const TRect &rect, bool selected) {
  QImage checkMark = FCheckImages && FCheckImages->Count() > 0 ? FCheckImages->Image(0) : QImage();
  DrawSkinMenuItem(MenuItemLookOf(*this), item, canvas, rect, selected, Images(), checkMark, DrawListPicture);
}

TskinMainMenu *CreateSkinMainMenu(TComponent *owner) {
  auto *menu = new TskinMainMenu(owner);
  menu->AfterConstruction();
  return menu;
}
