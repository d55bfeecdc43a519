#include "SkinPopupMenu.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include "SkinPublic.h"
#include "skin_test_support.h"
#include "testsupport.h"

namespace {

constexpr TColor Red = 0x0000FF;

TColor At(TBitmap &bitmap, int x, int y) { return bitmap.Canvas()->Pixel(x, y); }

int Count(TBitmap &bitmap, const TRect &area, const std::function<bool(TColor)> &test) {
  int n = 0;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x) n += test(At(bitmap, x, y));
  return n;
}

// The main window's menu design values.
void DesignAsMainWindow(TskinPopupMenu &menu) {
  menu.SetUIStyle(TskinUIStyle::DeepBlue);
  menu.SetMenuItemHeight(21);
  menu.SetSeparatorHeight(5);
  menu.SetBarWidth(26);
  menu.SetBarColor(clInactiveCaptionText);
  menu.SetColor(16710650);
  menu.SetSeparatorColor(8684164);
  menu.SetSelectedBorderColor(10504772);
  menu.SetSelectedColor(10504772);
  menu.SetSelectedFontColor(clWhite);
  menu.SetFontColor(clBlack);
  menu.SetBorderColor(clBlack);
}

QImage Icon(QColor colour) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.fillRect(QRect(2, 2, 12, 12), colour);
  return image;
}

void Key(QWidget *window, int key, const QString &text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(window, &press);
}

void Mouse(QWidget *window, QEvent::Type type, const QPoint &at) {
  Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), QPointF(window->mapToGlobal(at)), button,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &event);
}

QPoint Centre(const TRect &r) { return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

// Runs `act` on the open menu window, then pops the menu up; a menu still open after two seconds is
// closed so that a failure cannot hang the test.
void PopupAndDo(TskinPopupMenu &menu, const std::function<void(TskinPopupMenuWindow *)> &act) {
  QTimer::singleShot(0, [&] {
    ASSERT_NE(menu.MenuWindow(), nullptr);
    act(menu.MenuWindow());
  });
  QTimer::singleShot(2000, [&] {
    if (menu.MenuWindow()) menu.MenuWindow()->close();
  });
  menu.Popup(100, 100);
}

struct FileMenu {
  TImageList images;
  TskinPopupMenu menu;
  std::string clicked;
  TskinMenuItem *add, *remove, *convert, *stop, *exit;

  FileMenu() {
    for (QColor c : {QColor(Qt::red), QColor(Qt::darkGreen), QColor(Qt::blue)}) images.Add(Icon(c));
    DesignAsMainWindow(menu);
    menu.SetImages(&images);
    add = menu.Add("Add Files", [this] { clicked += "add;"; }, 0);
    menu.Add("Add Folder", [this] { clicked += "folder;"; });
    menu.Add("-");
    remove = menu.Add("Remove", [this] { clicked += "remove;"; }, 1);
    menu.Add("-");
    convert = menu.Add("&Convert", [this] { clicked += "convert;"; }, 2);
    stop = menu.Add("Stop", [this] { clicked += "stop;"; });
    menu.Add("-");
    exit = menu.Add("Exit", [this] { clicked += "exit;"; });
    menu.Loaded();
  }
};

}  // namespace

TEST(SkinPopupMenuSetup, TakesTheDeepBlueLookAtCreation) {
  TskinPopupMenu menu;
  EXPECT_TRUE(menu.OwnerDraw());
  menu.SetOwnerDraw(false);
  EXPECT_TRUE(menu.OwnerDraw());
  EXPECT_EQ(menu.UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(menu.MenuItemHeight(), 21);
  EXPECT_EQ(menu.SeparatorHeight(), 5);
  EXPECT_EQ(menu.BarWidth(), 26);
  EXPECT_EQ(menu.BarColor(), 0xCED3D6u);
  EXPECT_EQ(menu.Color(), 0xFFFFFFu);
  EXPECT_EQ(menu.SeparatorColor(), 0x848284u);
  EXPECT_EQ(menu.SelectedBorderColor(), 0xA04A44u);
  EXPECT_EQ(menu.SelectedColor(), 0xA04A44u);
  EXPECT_EQ(menu.SelectedFontColor(), 0xFFFFFFu);
  EXPECT_EQ(menu.FontColor(), 0x000000u);
  EXPECT_EQ(menu.BorderColor(), 0u);
  EXPECT_FALSE(menu.FlatMenu());
  EXPECT_EQ(menu.FontName(), "MS Sans Serif");
  EXPECT_EQ(menu.FontSize(), 8);
  EXPECT_EQ(menu.FontCharset(), 1);
  EXPECT_TRUE(menu.UseSystemFont());
  for (const char *name : {"OwnerDraw", "FileTheme", "UIStyle", "MenuItemHeight", "SeparatorHeight", "BarWidth",
                           "BarColor", "Color", "SeparatorColor", "SelectedBorderColor", "SelectedColor",
                           "SelectedFontColor", "FontColor", "BorderColor", "FlatMenu", "FontName", "FontSize",
                           "FontCharset", "UseSystemFont"})
    EXPECT_TRUE(HasProperty(&menu, name)) << name;
}

TEST(SkinPopupMenuSetup, MacHeightsCannotBeChanged) {
  TskinPopupMenu menu;
  menu.SetUIStyle(TskinUIStyle::MacOS);
  EXPECT_EQ(menu.MenuItemHeight(), 20);
  EXPECT_EQ(menu.SeparatorHeight(), 12);
  EXPECT_EQ(menu.SeparatorColor(), 0u);
  menu.SetMenuItemHeight(30);
  menu.SetSeparatorHeight(9);
  EXPECT_TRUE(SetPublishedProperty(&menu, "MenuItemHeight", 31));
  EXPECT_EQ(menu.MenuItemHeight(), 20);
  EXPECT_EQ(menu.SeparatorHeight(), 12);
  menu.SetUIStyle(TskinUIStyle::DeepBlue);
  EXPECT_EQ(menu.MenuItemHeight(), 21);
  EXPECT_EQ(menu.SeparatorHeight(), 5);
  menu.SetMenuItemHeight(30);
  EXPECT_EQ(menu.MenuItemHeight(), 30);
}

TEST(SkinPopupMenuSetup, StyleChangeResetsHandSetColours) {
  TskinPopupMenu menu;
  DesignAsMainWindow(menu);
  EXPECT_EQ(menu.Color(), 16710650u);
  menu.SetUIStyle(TskinUIStyle::WinXP);
  EXPECT_EQ(menu.Color(), 0xFFFFFFu);
  EXPECT_EQ(menu.SelectedColor(), 0xEFD3C6u);
  EXPECT_EQ(menu.SelectedFontColor(), 0x000000u);
  EXPECT_EQ(menu.BarWidth(), 26);
}

TEST(SkinPopupMenuSetup, FileThemeGivesColoursUntilItIsDestroyed) {
  TempFolder folder;
  ThemeFileWriter writer;
  writer.AddInteger("MenuBackgroundColor", 0x010203);
  writer.AddInteger("MenuSelectedBackgroundColor", 0x0A0B0C);
  ASSERT_TRUE(writer.Save(folder.File("m.skt")));
  auto *theme = new TskinFileTheme;
  theme->SetThemeFile(folder.File("m.skt"));
  TskinPopupMenu menu;
  menu.SetUIStyle(TskinUIStyle::FromThemeFile);
  menu.SetFileTheme(theme);
  EXPECT_EQ(menu.Color(), 0x010203u);
  EXPECT_EQ(menu.SelectedColor(), 0x0A0B0Cu);
  EXPECT_EQ(menu.FontColor(), 0xFFFFFFFFu);  // a missing entry reads -1
  delete theme;
  EXPECT_EQ(menu.FileTheme(), nullptr);
  EXPECT_EQ(menu.UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(menu.Color(), 0xFFFFFFu);
}

TEST(SkinPopupMenuHooks, ItemsAreDrawnByTheMenuOnlyOnceHooked) {
  TskinPopupMenu menu;
  TskinMenuItem *top = menu.Add("Top");
  TskinMenuItem *middle = top->Add("Middle");
  TskinMenuItem *bottom = middle->Add("Bottom");
  EXPECT_FALSE(top->OnDrawItem);
  menu.HookItems();
  for (TskinMenuItem *item : {top, middle, bottom}) {
    EXPECT_TRUE(item->OnDrawItem);
    EXPECT_TRUE(item->OnMeasureItem);
  }
  // Freed sub-items leave their parent's list.
  delete bottom;
  EXPECT_EQ(middle->Count(), 0);
}

TEST(SkinPopupMenuDraw, MeasuresCaptionShortcutBarAndMargin) {
  TskinPopupMenu menu;
  TskinMenuItem *exit = menu.Add("Exit");
  TskinMenuItem *open = menu.Add("Open");
  open->SetShortCut(scCtrl | 'O');
  TskinMenuItem *line = menu.Add("-");
  TBitmap scratch(1, 1);
  TCanvas *canvas = scratch.Canvas();
  int w = 0, h = 0;
  menu.MeasureMenuItem(exit, canvas, w, h);
  EXPECT_EQ(w, canvas->TextWidth("Exit") + 0 + 26 + 40);
  EXPECT_EQ(h, 21);
  menu.MeasureMenuItem(open, canvas, w, h);
  EXPECT_EQ(ShortCutToText(open->ShortCut()), "Ctrl+O");
  EXPECT_EQ(w, canvas->TextWidth("Open") + canvas->TextWidth("Ctrl+O") + 66);
  menu.MeasureMenuItem(line, canvas, w, h);
  EXPECT_EQ(h, 5);
}

TEST(SkinPopupMenuDraw, SeparatorLineRunsFromL30ToR3AtT2) {
  TskinPopupMenu menu;
  DesignAsMainWindow(menu);
  TskinMenuItem *line = menu.Add("-");
  TBitmap bitmap(140, 15);
  TRect r = Rect(10, 5, 130, 10);
  menu.DrawMenuItem(line, bitmap.Canvas(), r, false);
  EXPECT_EQ(At(bitmap, 10 + 30, 7), 8684164u);
  EXPECT_EQ(At(bitmap, 130 - 3, 7), 8684164u);
  EXPECT_EQ(At(bitmap, 10 + 29, 7), 16710650u);
  EXPECT_EQ(At(bitmap, 130 - 2, 7), 16710650u);
  EXPECT_EQ(At(bitmap, 60, 6), 16710650u);
  EXPECT_EQ(At(bitmap, 12, 7), ColorToRGB(clInactiveCaptionText));
  EXPECT_EQ(At(bitmap, 10 + 25, 9), ColorToRGB(clInactiveCaptionText));
  EXPECT_EQ(At(bitmap, 10 + 26, 9), 16710650u);
}

TEST(SkinPopupMenuDraw, SelectedItemIsFilledAndFramed) {
  FileMenu file;
  file.menu.SetSelectedBorderColor(0x00FF00);
  TBitmap bitmap(120, 21);
  file.menu.DrawMenuItem(file.stop, bitmap.Canvas(), Rect(0, 0, 120, 21), true);
  EXPECT_EQ(At(bitmap, 0, 10), 0x00FF00u);
  EXPECT_EQ(At(bitmap, 119, 10), 0x00FF00u);
  EXPECT_EQ(At(bitmap, 5, 10), 10504772u);
  EXPECT_GT(Count(bitmap, Rect(30, 1, 119, 20), [](TColor c) { return c == 0xFFFFFF; }), 0);
}

TEST(SkinPopupMenuDraw, DisabledSelectedItemLooksUnselectedWithGreyText) {
  FileMenu file;
  file.stop->SetEnabled(false);
  TBitmap bitmap(120, 21);
  file.menu.DrawMenuItem(file.stop, bitmap.Canvas(), Rect(0, 0, 120, 21), true);
  EXPECT_EQ(At(bitmap, 5, 10), ColorToRGB(clInactiveCaptionText));
  EXPECT_EQ(At(bitmap, 110, 2), 16710650u);
  EXPECT_GT(Count(bitmap, Rect(30, 1, 119, 20), [](TColor c) { return c == 0x808080; }), 0);
  EXPECT_EQ(Count(bitmap, Rect(0, 0, 120, 21), [](TColor c) { return c == 10504772u; }), 0);
}

TEST(SkinPopupMenuDraw, CheckMarkWithoutAUsableIcon) {
  FileMenu file;
  file.stop->SetChecked(true);
  file.stop->SetImageIndex(5);  // the list holds three pictures
  TBitmap bitmap(120, 21);
  file.menu.DrawMenuItem(file.stop, bitmap.Canvas(), Rect(0, 0, 120, 21), false);
  TRect mark = Bounds(4, 3, 16, 16);
  EXPECT_GT(Count(bitmap, mark, [](TColor c) { return c == 0; }), 5);
  // The mark's white is see-through; no icon colour shows.
  EXPECT_EQ(At(bitmap, 4, 3), ColorToRGB(clInactiveCaptionText));
  EXPECT_EQ(Count(bitmap, Rect(0, 0, 26, 21), [](TColor c) { return c == 0x0000FF; }), 0);
}

TEST(SkinPopupMenuDraw, CheckedItemWithAnIconGetsABoxBehindIt) {
  FileMenu file;
  file.add->SetChecked(true);
  TBitmap bitmap(120, 21);
  file.menu.DrawMenuItem(file.add, bitmap.Canvas(), Rect(0, 0, 120, 21), false);
  EXPECT_EQ(At(bitmap, 2, 1), 0u);
  EXPECT_EQ(At(bitmap, 20, 19), 0u);
  EXPECT_EQ(At(bitmap, 3, 2), 10504772u);
  EXPECT_EQ(At(bitmap, 4 + 2, 3 + 2), Red);
  EXPECT_EQ(At(bitmap, 4 + 1, 3 + 1), 10504772u);  // the icon's see-through edge
}

TEST(SkinPopupMenuDraw, DisabledIconIsAnEmbossedShape) {
  FileMenu file;
  file.add->SetEnabled(false);
  TBitmap bitmap(120, 21);
  file.menu.DrawMenuItem(file.add, bitmap.Canvas(), Rect(0, 0, 120, 21), false);
  EXPECT_EQ(Count(bitmap, Rect(0, 0, 26, 21), [](TColor c) { return c == Red; }), 0);
  EXPECT_EQ(At(bitmap, 4 + 2, 3 + 2), 0x808080u);
  EXPECT_EQ(At(bitmap, 4 + 14, 3 + 14), 0xFFFFFFu);
}

TEST(SkinPopupMenuDraw, FlatBorderGoesOverTheMenuWindowFrame) {
  FileMenu file;
  file.menu.SetFlatMenu(true);
  TskinPopupMenuWindow window(&file.menu, {file.add, file.stop});
  window.Place(50, 50);
  QImage image = window.Render();
  // Black frame from the left edge one row down; white inside it; the line colour along the top.
  EXPECT_EQ(QRgbToColor(image.pixel(0, 5)), 0u);
  EXPECT_EQ(QRgbToColor(image.pixel(1, 5)), 0xFFFFFFu);
  EXPECT_EQ(QRgbToColor(image.pixel(10, 0)), 0xE8E8E8u);
}

TEST(SkinPopupMenuWindowLayout, StacksItemsInsideTheFrame) {
  FileMenu file;
  TskinPopupMenuWindow window(&file.menu, {file.add, file.menu.Items(2), file.exit});
  window.Place(40, 60);
  EXPECT_EQ(window.ItemRect(0).Top, 3);
  EXPECT_EQ(window.ItemRect(0).Height(), 21);
  EXPECT_EQ(window.ItemRect(1).Height(), 5);
  EXPECT_EQ(window.ItemRect(2).Top, 3 + 21 + 5);
  EXPECT_EQ(window.height(), 3 + 21 + 5 + 21 + 3);
  EXPECT_EQ(window.pos(), QPoint(40, 60));
  EXPECT_EQ(window.ItemAt(QPoint(10, 26)), 1);
}

TEST(SkinPopupMenuChoice, KeyboardSkipsSeparatorsAndChooses) {
  FileMenu file;
  PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) {
    Key(w, Qt::Key_Down);
    EXPECT_EQ(w->Selected(), 0);
    Key(w, Qt::Key_Down);
    Key(w, Qt::Key_Down);
    EXPECT_EQ(w->Selected(), 3);  // past the separator
    Key(w, Qt::Key_Return);
  });
  EXPECT_EQ(file.clicked, "remove;");
  EXPECT_EQ(file.menu.MenuWindow(), nullptr);
}

TEST(SkinPopupMenuChoice, UpFromTheTopWrapsToTheLastItem) {
  FileMenu file;
  PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) {
    Key(w, Qt::Key_Up);
    Key(w, Qt::Key_Return);
  });
  EXPECT_EQ(file.clicked, "exit;");
}

TEST(SkinPopupMenuChoice, AcceleratorLetterChooses) {
  FileMenu file;
  PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) { Key(w, Qt::Key_C, "c"); });
  EXPECT_EQ(file.clicked, "convert;");
}

TEST(SkinPopupMenuChoice, EscapeClosesWithoutAChoice) {
  FileMenu file;
  PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) { Key(w, Qt::Key_Escape); });
  EXPECT_EQ(file.clicked, "");
}

TEST(SkinPopupMenuChoice, MouseReleaseOnAnItemChooses) {
  FileMenu file;
  PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) {
    QPoint at = Centre(w->ItemRect(6));
    Mouse(w, QEvent::MouseMove, at);
    EXPECT_EQ(w->Selected(), 6);
    Mouse(w, QEvent::MouseButtonRelease, at);
  });
  EXPECT_EQ(file.clicked, "stop;");
}

TEST(SkinPopupMenuChoice, DisabledItemsAndSeparatorsDoNotClose) {
  FileMenu file;
  file.stop->SetEnabled(false);
  PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) {
    Mouse(w, QEvent::MouseButtonRelease, Centre(w->ItemRect(6)));
    Mouse(w, QEvent::MouseButtonRelease, Centre(w->ItemRect(2)));
    EXPECT_TRUE(w->isVisible());
    Mouse(w, QEvent::MouseButtonPress, QPoint(-20, -20));
  });
  EXPECT_EQ(file.clicked, "");
}

TEST(SkinPopupMenuChoice, SubMenuOpensToTheRightAndChooses) {
  FileMenu file;
  TskinMenuItem *recent = file.menu.Add("Recent");
  recent->Add("one.ppt", [&] { file.clicked += "one;"; });
  recent->Add("two.ppt", [&] { file.clicked += "two;"; });
  file.menu.HookItems();
  PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) {
    Key(w, Qt::Key_Up);
    Key(w, Qt::Key_Right);
    ASSERT_NE(w->SubMenu(), nullptr);
    EXPECT_GE(w->SubMenu()->x(), w->x() + w->width() - 2 * TskinPopupMenuWindow::FrameWidth);
    Key(w->SubMenu(), Qt::Key_Down);
    Key(w->SubMenu(), Qt::Key_Return);
  });
  EXPECT_EQ(file.clicked, "two;");
}

TEST(SkinPopupMenuChoice, HandlerMayOpenTheMenuAgain) {
  FileMenu file;
  int opened = 0;
  file.exit->OnClick = [&] {
    if (++opened == 1)
      PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) { Key(w, Qt::Key_Escape); });
  };
  PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) {
    Key(w, Qt::Key_End);
    Key(w, Qt::Key_Return);
  });
  EXPECT_EQ(opened, 1);
}

TEST(SkinPopupMenuLook, SavesTheOpenDeepBlueMenu) {
  FileMenu file;
  file.stop->SetEnabled(false);
  file.add->SetChecked(true);
  PopupAndDo(file.menu, [](TskinPopupMenuWindow *w) {
    Mouse(w, QEvent::MouseMove, Centre(w->ItemRect(3)));
    EXPECT_TRUE(w->Render().save(testsupport::ShotPath("skinctl-popupmenu.png")));
    Key(w, Qt::Key_Escape);
  });
}
