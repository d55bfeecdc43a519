#include "SkinTitleBar.h"

#include <QCursor>
#include <QRegion>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

#include "SkinPublic.h"
#include "dialogs.h"
#include "forms.h"
#include "skin_test_support.h"
#include "testsupport.h"

namespace {

constexpr TColor Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000;

// Records the dialogs shown while it lives and answers OK.
struct DialogRecorder {
  std::vector<win::TMessageRequest> Shown;
  win::MessageDialogFn Previous;
  DialogRecorder() {
    Previous = win::SetMessageDialogHandler([this](const win::TMessageRequest &request) {
      Shown.push_back(request);
      return win::idOK;
    });
  }
  ~DialogRecorder() { win::SetMessageDialogHandler(Previous); }
};

// A demonstration form carrying a title bar, 400 x 300 at (100, 100).
struct BarOnForm {
  std::unique_ptr<TForm> Form = std::make_unique<TForm>();
  TskinTitleBar *Bar;
  BarOnForm() {
    Form->setGeometry(100, 100, 400, 300);
    Bar = new TskinTitleBar(Form.get(), Form.get());
    Bar->setGeometry(0, 0, 400, Bar->height());
    QCursor::setPos(5000, 5000);
  }
  TBitmap Paint() {
    TBitmap buffer;
    Bar->PaintBuffer(buffer);
    return buffer;
  }
};

TEST(TitleBarButtons, NewBarHoldsFourButtonsWithCloseOutermost) {
  BarOnForm f;
  TskinTitleBarButtons &buttons = f.Bar->Buttons();
  ASSERT_EQ(buttons.Count(), 4);
  EXPECT_EQ(buttons.Items(0)->ButtonType(), skinControlBox);
  EXPECT_EQ(buttons.Items(1)->ButtonType(), skinClose);
  EXPECT_EQ(buttons.Items(2)->ButtonType(), skinMax);
  EXPECT_EQ(buttons.Items(3)->ButtonType(), skinMin);

  f.Paint();
  // DeepBlue frames are 19 wide; X starts at width + 1 and each button takes its width + 1.
  EXPECT_EQ(f.Bar->ButtonRect(1).Left, 400 - 19);
  EXPECT_EQ(f.Bar->ButtonRect(2).Left, 400 - 2 * 20 + 1);
  EXPECT_EQ(f.Bar->ButtonRect(3).Left, 400 - 3 * 20 + 1);
  EXPECT_EQ(f.Bar->ButtonRect(0).Left, 0);  // the control box stands on the left
  EXPECT_EQ(f.Bar->ButtonRect(1).Top, 2);
}

TEST(TitleBarButtons, IntervalAndRightOffsetMoveTheRow) {
  BarOnForm f;
  f.Bar->SetButtonInterval(3);
  f.Bar->SetRightBtnXOffset(-2);
  f.Paint();
  EXPECT_EQ(f.Bar->ButtonRect(1).Left, 400 + 1 - 2 - (19 + 3 + 1));
  EXPECT_EQ(f.Bar->ButtonRect(2).Left, 400 + 1 - 2 - 2 * (19 + 3 + 1));
}

TEST(TitleBarButtons, ASecondControlBoxIsRefusedWithItsDialog) {
  BarOnForm f;
  DialogRecorder dialogs;
  f.Bar->Buttons().Items(0)->SetButtonType(skinControlBox);
  f.Bar->Buttons().Items(1)->SetButtonType(skinControlBox);
  ASSERT_EQ(dialogs.Shown.size(), 2u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Sorry, only one button's ButtonType property can be \"skinControlBox\"");
  EXPECT_EQ(dialogs.Shown[0].Type, win::TMsgDlgType::mtError);
  EXPECT_EQ(f.Bar->Buttons().Items(0)->ButtonType(), skinControlBox);
  EXPECT_EQ(f.Bar->Buttons().Items(1)->ButtonType(), skinClose);
}

TEST(TitleBarButtons, MaximiseButtonShowsRestorePicturesWhileMaximised) {
  BarOnForm f;
  TskinTitleBarButton *max = f.Bar->Buttons().Items(2);
  TBitmap restore;
  LoadStyleBitmapFrame(TskinUIStyle::DeepBlue, 5, &restore, 18, 10);
  EXPECT_NE(max->PicNormal().Image(), restore.Image());
  f.Form->setWindowState(Qt::WindowMaximized);
  f.Bar->UpdateMaxButtons();
  EXPECT_EQ(max->PicNormal().Image(), restore.Image());
}

TEST(TitleBarButtons, HoverAndPressPictures) {
  BarOnForm f;
  f.Form->show();
  TskinTitleBarButton *close = f.Bar->Buttons().Items(1);
  f.Paint();
  TRect rect = f.Bar->ButtonRect(1);
  QPoint inside = f.Bar->mapToGlobal(QPoint(rect.Left + 5, rect.Top + 5));
  QCursor::setPos(inside);
  if (QCursor::pos() != inside) GTEST_SKIP() << "the platform cannot place the cursor";

  TBitmap hover = f.Paint();
  EXPECT_EQ(f.Bar->HotButton(), 1);
  TBitmap onPicture = close->PicMouseOn();
  EXPECT_EQ(hover.Canvas()->Pixel(rect.Left + 9, rect.Top + 9), onPicture.Canvas()->Pixel(9, 9));

  f.Bar->MouseDown(Qt::LeftButton, rect.Left + 5, rect.Top + 5);
  EXPECT_TRUE(f.Bar->Pressed());  // a press on a button starts no drag
  TBitmap pressed = f.Paint();
  TBitmap downPicture = close->PicMouseDown();
  EXPECT_EQ(pressed.Canvas()->Pixel(rect.Left + 9, rect.Top + 9), downPicture.Canvas()->Pixel(9, 9));
  QCursor::setPos(5000, 5000);
}

TEST(TitleBarButtons, ReleaseOnCloseClosesTheForm) {
  BarOnForm f;
  f.Form->show();
  f.Paint();
  TRect rect = f.Bar->ButtonRect(1);
  QPoint inside = f.Bar->mapToGlobal(QPoint(rect.Left + 5, rect.Top + 5));
  QCursor::setPos(inside);
  if (QCursor::pos() != inside) GTEST_SKIP() << "the platform cannot place the cursor";
  f.Paint();
  f.Bar->MouseUp(Qt::LeftButton, rect.Left + 5, rect.Top + 5);
  EXPECT_FALSE(f.Form->isVisible());
  QCursor::setPos(5000, 5000);
}

TEST(TitleBarButtons, MinimiseOnTheMainFormGoesThroughItsSystemCommand) {
  BarOnForm f;
  TSkinApplicationView saved = SkinApplicationView();
  QWidget *main = f.Form.get();
  SkinApplicationView().MainForm = [main] { return main; };
  std::vector<win::WPARAM> commands;
  win::WindowProc inherited = win::GetWindowProc(f.Form->Handle());
  win::SetWindowProc(f.Form->Handle(), [&](win::HWND w, win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
    if (msg == win::WM_SYSCOMMAND) commands.push_back(wp);
    return inherited(w, msg, wp, lp);
  });
  f.Bar->Buttons().Items(3)->DoClick();
  SkinApplicationView() = saved;
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0], win::SC_MINIMIZE);
}

TEST(TitleBarButtons, NoParentFormMeansNoAction) {
  TskinTitleBar bar;
  bar.Buttons().Items(1)->DoClick();  // close
  bar.Buttons().Items(2)->DoClick();  // maximise
  EXPECT_FALSE(bar.isVisible());
  EXPECT_FALSE(FormMaximized(&bar));
}

TEST(TitleBarCaption, StartsAfterTheIconOrAtSixWithoutAControlBox) {
  BarOnForm f;
  f.Bar->SetCaption("Demo");
  f.Paint();
  EXPECT_EQ(f.Bar->CaptionLeft(), 19 + 5);  // the drawn control box and its gap

  f.Bar->SetDrawAppIcon(true);
  f.Paint();
  EXPECT_EQ(f.Bar->CaptionLeft(), 21);
  f.Bar->SetLeftBtnXOffset(4);
  f.Paint();
  EXPECT_EQ(f.Bar->CaptionLeft(), 4 + 21);

  f.Bar->SetLeftBtnXOffset(0);
  f.Bar->Buttons().Delete(0);
  f.Paint();
  EXPECT_EQ(f.Bar->CaptionLeft(), 6);
}

TEST(TitleBarCaption, ALongCaptionEndsInDotsAndFitsItsRoom) {
  BarOnForm f;
  f.Bar->setGeometry(0, 0, 190, f.Bar->height());
  std::string caption = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
  ASSERT_EQ(caption.size(), 40u);
  f.Bar->SetCaption(caption);
  TBitmap buffer = f.Paint();
  const std::string &drawn = f.Bar->DrawnCaption();
  ASSERT_GE(drawn.size(), 3u);
  EXPECT_EQ(drawn.substr(drawn.size() - 3), "...");
  EXPECT_EQ(caption.compare(0, drawn.size() - 3, drawn, 0, drawn.size() - 3), 0);
  int room = f.Bar->ButtonRect(3).Left - f.Bar->CaptionLeft();
  TCanvas *canvas = buffer.Canvas();
  canvas->Font = f.Bar->Font();
  EXPECT_LE(canvas->TextWidth(drawn), room);
  // One character more would not have fitted.
  std::string longer = caption.substr(0, drawn.size() - 2) + "...";
  EXPECT_GT(canvas->TextWidth(longer), room);

  f.Bar->SetCaption("Short");
  f.Paint();
  EXPECT_EQ(f.Bar->DrawnCaption(), "Short");
}

TEST(TitleBarCaption, NoRoomAtAllLeavesOnlyTheDots) {
  BarOnForm f;
  f.Bar->setGeometry(0, 0, 90, f.Bar->height());
  f.Bar->SetCaption("A caption with no room");
  f.Paint();
  EXPECT_EQ(f.Bar->DrawnCaption(), "...");
}

TEST(TitleBarCaption, MultiByteCaptionsAreShortenedByCharacters) {
  BarOnForm f;
  f.Bar->setGeometry(0, 0, 170, f.Bar->height());
  f.Bar->SetCaption("最小化最大化还原关闭最小化最大化还原关闭");
  f.Paint();
  QString drawn = QString::fromStdString(f.Bar->DrawnCaption());
  EXPECT_TRUE(drawn.endsWith("..."));
  EXPECT_FALSE(drawn.contains(QChar::ReplacementCharacter));
}

TEST(TitleBarSections, StyleBuildsLeftRightAndClientSections) {
  BarOnForm f;
  TskinTitleBarSections &sections = f.Bar->Sections();
  ASSERT_EQ(sections.Count(), 3);
  EXPECT_EQ(sections.Items(0)->Align(), skinLeft);
  EXPECT_EQ(sections.Items(0)->Width(), 97);
  EXPECT_EQ(sections.Items(1)->Align(), skinRight);
  EXPECT_EQ(sections.Items(2)->Align(), skinClient);
  EXPECT_TRUE(sections.Items(2)->Stretch());
  EXPECT_EQ(f.Bar->height(), 32);  // the left picture's height
  f.Bar->SetUIStyle(TskinUIStyle::MacOS);
  EXPECT_EQ(f.Bar->height(), 23);
  EXPECT_EQ(f.Bar->Font().Color, clBlack);
  EXPECT_EQ(f.Form->minimumWidth(), 130);
  f.Bar->SetUIStyle(TskinUIStyle::BlueGlass);
  EXPECT_EQ(f.Bar->Font().Color, clWhite);
  EXPECT_EQ(f.Form->minimumWidth(), 270);
}

TEST(TitleBarSections, ATooWideRightSectionIsNotDrawn) {
  BarOnForm f;
  f.Bar->SetCustom(true);
  TskinTitleBarSections &sections = f.Bar->Sections();
  sections.Clear();
  TBitmap red = SolidBitmap(50, 20, Red), blue = SolidBitmap(1000, 20, Blue), green = SolidBitmap(4, 20, Green);
  TskinTitleBarSection *left = sections.Add();
  left->SetAutoSize(true);
  left->SetPicture(&red);
  TskinTitleBarSection *right = sections.Add();
  right->SetAutoSize(true);
  right->SetPicture(&blue);
  right->SetAlign(skinRight);
  TskinTitleBarSection *client = sections.Add();
  client->SetPicture(&green);
  client->SetAlign(skinClient);
  f.Bar->Buttons().Clear();
  f.Bar->setGeometry(0, 0, 300, 20);

  TBitmap buffer = f.Paint();
  EXPECT_EQ(buffer.Canvas()->Pixel(10, 10), Red);
  EXPECT_EQ(buffer.Canvas()->Pixel(295, 10), Green);  // the client reaches the right edge

  right->SetAutoSize(false);
  right->SetWidth(40);
  buffer = f.Paint();
  EXPECT_EQ(buffer.Canvas()->Pixel(295, 10), Blue);
  EXPECT_EQ(buffer.Canvas()->Pixel(150, 10), Green);
}

TEST(TitleBarSections, ASecondClientSectionIsRefusedWithItsDialog) {
  BarOnForm f;
  DialogRecorder dialogs;
  f.Bar->Sections().Items(0)->SetAlign(skinClient);
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Sorry, only one section's Align property can be \"skinClient\"");
  EXPECT_EQ(f.Bar->Sections().Items(0)->Align(), skinLeft);
  EXPECT_FALSE(f.Bar->Sections().Items(0)->Stretch());
}

TEST(TitleBarSections, CollectionsAssignCopiesEveryItem) {
  BarOnForm f;
  TskinTitleBar other;
  other.Buttons().Items(3)->SetVisible(false);
  other.Buttons().Items(1)->SetButtonType(skinCustom);
  other.Buttons().Items(1)->SetTop(7);
  other.Buttons().Items(2)->SetTop(9);
  f.Bar->SetButtons(other.Buttons());
  ASSERT_EQ(f.Bar->Buttons().Count(), 4);
  EXPECT_FALSE(f.Bar->Buttons().Items(3)->Visible());
  // A custom button keeps its place; a themed one takes the style's again as its style is copied.
  EXPECT_EQ(f.Bar->Buttons().Items(1)->ButtonType(), skinCustom);
  EXPECT_EQ(f.Bar->Buttons().Items(1)->Top(), 7);
  EXPECT_EQ(f.Bar->Buttons().Items(2)->Top(), 2);
  EXPECT_EQ(f.Bar->Buttons().Items(0)->ButtonType(), skinControlBox);
}

TEST(TitleBarStyle, CustomKeepsEverythingButTheStoredStyle) {
  BarOnForm f;
  f.Bar->SetCustom(true);
  int sections = f.Bar->Sections().Count();
  int leftWidth = f.Bar->Sections().Items(0)->Width();
  QImage closePicture = f.Bar->Buttons().Items(1)->PicNormal().Image();
  f.Bar->SetUIStyle(TskinUIStyle::MacOS);
  EXPECT_EQ(f.Bar->UIStyle(), TskinUIStyle::MacOS);
  EXPECT_EQ(f.Bar->Sections().Count(), sections);
  EXPECT_EQ(f.Bar->Sections().Items(0)->Width(), leftWidth);
  EXPECT_EQ(f.Bar->Buttons().Items(1)->PicNormal().Image(), closePicture);
  EXPECT_EQ(f.Bar->Font().Color, clWhite);
  EXPECT_EQ(f.Bar->height(), 32);
}

TEST(TitleBarStyle, ARemovedFileThemeFallsBackToDeepBlue) {
  BarOnForm f;
  auto *theme = new TskinFileTheme;
  f.Bar->SetUIStyle(TskinUIStyle::WinXP);
  f.Bar->SetFileTheme(theme);
  delete theme;
  EXPECT_EQ(f.Bar->FileTheme(), nullptr);
  EXPECT_EQ(f.Bar->UIStyle(), TskinUIStyle::DeepBlue);
}

TEST(TitleBarMouse, PressOnTheFreePartHandsTheDragToTheForm) {
  BarOnForm f;
  std::vector<std::pair<win::UINT, win::WPARAM>> received;
  win::WindowProc inherited = win::GetWindowProc(f.Form->Handle());
  win::SetWindowProc(f.Form->Handle(), [&](win::HWND w, win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
    received.emplace_back(msg, wp);
    return inherited(w, msg, wp, lp);
  });
  f.Bar->MouseDown(Qt::LeftButton, 200, 10);
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received[0].first, win::WM_NCLBUTTONDOWN);
  EXPECT_EQ(received[0].second, static_cast<win::WPARAM>(win::HTCAPTION));
  EXPECT_FALSE(f.Bar->Pressed());

  // A maximised form does not move.
  received.clear();
  f.Form->setWindowState(Qt::WindowMaximized);
  f.Bar->MouseDown(Qt::LeftButton, 200, 10);
  EXPECT_TRUE(received.empty());
  EXPECT_TRUE(f.Bar->Pressed());
  f.Bar->MouseUp(Qt::LeftButton, 200, 10);
  EXPECT_FALSE(f.Bar->Pressed());
}

TEST(TitleBarMouse, NonClientMessagesAreForwardedToTheForm) {
  BarOnForm f;
  win::WindowProc inherited = win::GetWindowProc(f.Form->Handle());
  win::SetWindowProc(f.Form->Handle(), [&](win::HWND w, win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
    if (msg == win::WM_NCMOUSEMOVE) return win::LRESULT(77);
    return inherited(w, msg, wp, lp);
  });
  EXPECT_EQ(win::SendMessage(f.Bar->Handle(), win::WM_NCMOUSEMOVE, 0, 0), 77);
}

TEST(TitleBarMouse, DoubleClickOnTheFreePartTogglesMaximise) {
  BarOnForm f;
  f.Bar->DblClick();
  EXPECT_TRUE(FormMaximized(f.Form.get()));
  TRect area;
  GetWorkArea(area);
  // A bar outside a form skin puts the form into the work area itself.
  EXPECT_EQ(f.Form->pos(), QPoint(area.Left, area.Top));
  EXPECT_EQ(f.Form->size(), QSize(area.Width(), area.Height()));
  f.Bar->DblClick();
  EXPECT_FALSE(FormMaximized(f.Form.get()));
}

TEST(TitleBarMouse, DoubleClickOnTheControlBoxClosesTheForm) {
  BarOnForm f;
  f.Form->show();
  f.Paint();
  TRect box = f.Bar->ButtonRect(0);
  QPoint inside = f.Bar->mapToGlobal(QPoint(box.Left + 3, box.Top + 3));
  QCursor::setPos(inside);
  if (QCursor::pos() != inside) GTEST_SKIP() << "the platform cannot place the cursor";
  f.Paint();
  ASSERT_EQ(f.Bar->HotButton(), 0);
  f.Bar->DblClick();
  EXPECT_FALSE(f.Form->isVisible());
  QCursor::setPos(5000, 5000);
}

TEST(TitleBarMouse, SystemMenuCaptionsHaveAGlyphForEveryCharacter) {
  BarOnForm f;
  TskinTitleBarPopupMenu *menu = f.Bar->SystemMenu();
  for (int i = 0; i < menu->Count(); ++i) {
    QString caption = QString::fromStdString(menu->Items(i)->Caption());
    EXPECT_EQ(testsupport::MissingGlyphs(caption, QApplication::font()), 0) << caption.toStdString();
  }
}

TEST(TitleBarMouse, SystemMenuEnablesOnlyTheButtonsThatExist) {
  BarOnForm f;
  f.Bar->Buttons().Delete(3);  // no minimise button
  TskinTitleBarPopupMenu *menu = f.Bar->SystemMenu();
  ASSERT_EQ(menu->Count(), 4);
  EXPECT_EQ(menu->Items(0)->Caption(), "最小化(&N)");
  EXPECT_EQ(menu->Items(1)->Caption(), "最大化/还原(&X)");
  EXPECT_EQ(menu->Items(2)->Caption(), "-");
  EXPECT_EQ(menu->Items(3)->Caption(), "关闭(&C)");
  QTimer::singleShot(0, [menu] {
    if (menu->MenuWindow()) menu->MenuWindow()->close();
  });
  menu->Popup(10, 10);
  EXPECT_FALSE(menu->Items(0)->Enabled());
  EXPECT_TRUE(menu->Items(1)->Enabled());
  EXPECT_TRUE(menu->Items(3)->Enabled());
}

TEST(TitleBarCorners, RoundCornerZeroGivesTheClientSizePlusOne) {
  BarOnForm f;
  f.Bar->ApplyRoundCorner(0);
  QRegion mask = f.Form->mask();
  EXPECT_EQ(mask.boundingRect(), QRect(0, 0, 401, 301));
  EXPECT_EQ(mask.rectCount(), 1);
}

TEST(TitleBarCorners, OnlyTheTopCornersAreRounded) {
  BarOnForm f;
  f.Bar->ApplyRoundCorner(11);
  QRegion mask = f.Form->mask();
  EXPECT_FALSE(mask.contains(QPoint(0, 0)));
  EXPECT_FALSE(mask.contains(QPoint(399, 0)));
  EXPECT_TRUE(mask.contains(QPoint(200, 0)));
  EXPECT_TRUE(mask.contains(QPoint(0, 299)));
  EXPECT_TRUE(mask.contains(QPoint(399, 299)));
  EXPECT_TRUE(mask.contains(QPoint(0, 20)));
}

}  // namespace
