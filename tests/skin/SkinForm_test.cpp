#include "SkinForm.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <QVariant>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

#include "SkinMainMenu.h"
#include "SkinProgressBar.h"
#include "SkinPublic.h"
#include "dialogs.h"
#include "forms.h"
#include "skin_test_support.h"

namespace {

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

// The demonstration form: a sizeable 400 x 300 form at (100, 100) carrying a form skin.
struct SkinnedForm {
  std::unique_ptr<TForm> Form = std::make_unique<TForm>();
  TskinForm *Skin = nullptr;
  QPoint CreatedPos;
  explicit SkinnedForm(TFormBorderStyle border = bsSizeable, TFormStyle style = fsNormal, bool maximized = false) {
    SkinFormState = SkinFormGlobals{};
    Form->setGeometry(100, 100, 400, 300);
    Form->SetCaption("Demonstration");
    SetFormBorderStyle(Form.get(), border);
    SetFormStyle(Form.get(), style);
    CreatedPos = Form->pos();
    if (maximized) Form->setWindowState(Qt::WindowMaximized);
    Skin = CreateSkinForm(Form.get());
  }
  ~SkinnedForm() {
    ApplicationOnMessage() = nullptr;
    SkinFormState = SkinFormGlobals{};
  }
  win::LRESULT HitTest(int x, int y) {
    QPoint global = Form->mapToGlobal(QPoint(x, y));
    return win::SendMessage(Form->Handle(), win::WM_NCHITTEST, 0, win::MakePointParam(global.x(), global.y()));
  }
  void SendSize() { win::SendMessage(Form->Handle(), win::WM_SIZE, 0, 0); }
};

TEST(FormSkinCreation, TakesTheFormsFrameAndCaption) {
  SkinnedForm f;
  EXPECT_EQ(f.Skin->SavedBorderStyle(), bsSizeable);
  EXPECT_EQ(FormBorderStyle(f.Form.get()), bsNone);
  EXPECT_EQ(f.Skin->Caption(), "Demonstration");
  EXPECT_EQ(f.Skin->TitleBar()->Caption(), "Demonstration");
  EXPECT_EQ(f.Skin->UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(f.Form->minimumHeight(), 50);
  EXPECT_EQ(f.Form->minimumWidth(), 130);  // the title bar's style sets it
  EXPECT_TRUE(f.Skin->TitleBarVisible());
  EXPECT_TRUE(f.Skin->HookedAppMessage());
  EXPECT_EQ(GetOwnerUIStyle(f.Form.get()), TskinUIStyle::DeepBlue);
  f.Skin->SetUIStyle(TskinUIStyle::Protein);
  EXPECT_EQ(GetOwnerUIStyle(f.Form.get()), TskinUIStyle::Protein);
}

TEST(FormSkinCreation, ASecondFormSkinRaisesAndLeavesTheFormAlone) {
  SkinnedForm f;
  f.Skin->SetUIStyle(TskinUIStyle::WinXP);
  QRegion mask = f.Form->mask();
  QSize minimum = f.Form->minimumSize();
  try {
    CreateSkinForm(f.Form.get());
    FAIL() << "a second form skin was accepted";
  } catch (const std::runtime_error &error) {
    EXPECT_STREQ(error.what(), "Sorry, You can create only one TskinForm component in one form!");
  }
  int skins = 0;
  for (QObject *child : f.Form->children()) skins += dynamic_cast<TskinForm *>(child) != nullptr;
  EXPECT_EQ(skins, 1);
  EXPECT_EQ(f.Form->mask(), mask);
  EXPECT_EQ(f.Form->minimumSize(), minimum);
  // The form's messages still reach the first skin.
  win::SendMessage(f.Form->Handle(), win::WM_ACTIVATE, 0, 0);
  EXPECT_FALSE(f.Skin->TitleBar()->FormActive());
}

TEST(FormSkinCreation, AnOwnerThatIsNoFormGivesAPlainPanel) {
  TskinForm skin;
  EXPECT_EQ(skin.TitleBar(), nullptr);
  EXPECT_EQ(skin.OwnerForm(), nullptr);
}

TEST(FormSkinProperties, VersionStaysPut) {
  SkinnedForm f;
  f.Skin->SetVersion("5.00");
  EXPECT_EQ(f.Skin->Version(), "4.06");
  SetPublishedProperty(f.Skin, "Version", QString("1.0"));
  EXPECT_EQ(GetPublishedProperty(f.Skin, "Version").toString(), "4.06");
}

TEST(FormSkinProperties, HeightAndWidthSizeTheFormRoundThePanel) {
  SkinnedForm f;
  f.Skin->SetBorderWidth(3);
  f.Skin->SetHeight(100);
  EXPECT_EQ(f.Form->height(), 104);
  f.Skin->SetWidth(300);
  EXPECT_EQ(f.Form->width(), 306);
}

TEST(FormSkinProperties, BorderWidthWidensTheFormOnBothSides) {
  SkinnedForm f;
  ASSERT_EQ(f.Skin->BorderWidth(), 1);
  f.Skin->SetBorderWidth(3);
  EXPECT_EQ(f.Form->width(), 400 + 2 * 2);
  EXPECT_EQ(f.Skin->geometry(), QRect(3, 0, f.Form->width() - 6, f.Form->height() - 3));
}

TEST(FormSkinProperties, PlacementFollowsTheTitleBar) {
  SkinnedForm f;
  EXPECT_EQ(f.Skin->geometry(), QRect(1, 0, 398, 299));
  f.Skin->SetTitleBarVisible(false);
  EXPECT_EQ(f.Skin->geometry(), QRect(1, 1, 398, 298));
  f.Skin->SetBorderWidth(0);
  EXPECT_EQ(f.Form->width(), 398);  // narrowed by the change on both sides
  EXPECT_EQ(f.Skin->geometry(), QRect(0, 0, f.Form->width(), f.Form->height()));
}

TEST(FormSkinProperties, FormPanelCannotBeTheSkinItself) {
  SkinnedForm f;
  DialogRecorder dialogs;
  auto *panel = new TPanel(f.Skin, f.Skin);
  f.Skin->SetFormPanel(panel);
  f.Skin->SetFormPanel(f.Skin);
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Sorry, you can't select the Form assign to FormPanel property");
  EXPECT_EQ(f.Skin->FormPanel(), panel);
  // The panel fills what the title bar leaves.
  EXPECT_EQ(panel->geometry().top(), f.Skin->TitleBar()->height());
  EXPECT_EQ(panel->geometry().bottom(), f.Skin->height() - 1);
}

TEST(FormSkinStyle, StyleSetsBorderBackgroundTitleBarAndChildren) {
  SkinnedForm f;
  auto *bar = new TskinProgressBar(f.Skin, f.Skin);
  f.Skin->SetUIStyleAutoUpdateSub(true);
  f.Skin->SetUIStyle(TskinUIStyle::WinXP);
  EXPECT_EQ(f.Skin->BorderColor(), 0xC82C00u);
  EXPECT_EQ(f.Skin->BorderWidth(), 3);
  EXPECT_EQ(f.Skin->Color(), 0xDEEBEFu);
  EXPECT_EQ(f.Skin->MenuBarColor(), 0xDEEBEFu);
  EXPECT_EQ(f.Skin->TitleBar()->UIStyle(), TskinUIStyle::WinXP);
  EXPECT_EQ(f.Skin->RoundCorner(), 13);
  EXPECT_EQ(bar->UIStyle(), TskinUIStyle::WinXP);
}

TEST(FormSkinStyle, ARemovedFileThemeFallsBackToDeepBlueForTheChildren) {
  SkinnedForm f;
  auto *bar = new TskinProgressBar(f.Skin, f.Skin);
  auto *theme = new TskinFileTheme;
  f.Skin->SetUIStyle(TskinUIStyle::MacOS);
  bar->SetUIStyle(TskinUIStyle::MacOS);
  f.Skin->SetFileTheme(theme);
  delete theme;
  EXPECT_EQ(f.Skin->FileTheme(), nullptr);
  EXPECT_EQ(f.Skin->UIStyle(), TskinUIStyle::DeepBlue);
  EXPECT_EQ(bar->UIStyle(), TskinUIStyle::DeepBlue);
}

TEST(FormSkinStyle, TitleBarCustomKeepsTheBarAsItIs) {
  SkinnedForm f;
  f.Skin->SetTitleBarCustom(true);
  f.Skin->SetUIStyle(TskinUIStyle::MacOS);
  EXPECT_EQ(f.Skin->TitleBar()->height(), 32);  // DeepBlue's left picture, not MacOS's
  EXPECT_EQ(f.Skin->BorderColor(), 0x7F7F7Fu);
}

TEST(FormSkinHitTest, EdgesAnswerWithinFivePixels) {
  SkinnedForm f;
  EXPECT_EQ(f.HitTest(3, 297), win::HTBOTTOMLEFT);
  EXPECT_EQ(f.HitTest(397, 150), win::HTRIGHT);
  EXPECT_EQ(f.HitTest(3, 3), win::HTTOPLEFT);
  EXPECT_EQ(f.HitTest(397, 3), win::HTTOPRIGHT);
  EXPECT_EQ(f.HitTest(397, 297), win::HTBOTTOMRIGHT);
  EXPECT_EQ(f.HitTest(200, 297), win::HTBOTTOM);
  EXPECT_EQ(f.HitTest(5, 150), win::HTCLIENT);  // the band ends at 5
  EXPECT_EQ(f.HitTest(200, 150), win::HTCLIENT);
}

TEST(FormSkinHitTest, BandStaysFiveWithoutABorder) {
  SkinnedForm f;
  f.Skin->SetBorderWidth(0);
  EXPECT_EQ(f.HitTest(4, 150), win::HTLEFT);
}

TEST(FormSkinHitTest, OnAMonitorLeftOfThePrimaryTheSameRulesHold) {
  SkinnedForm f;
  f.Form->move(-700, 100);
  EXPECT_EQ(f.HitTest(3, 297), win::HTBOTTOMLEFT);
  EXPECT_EQ(f.HitTest(397, 150), win::HTRIGHT);
}

TEST(FormSkinHitTest, OnlySizeableFormsAndNotMaximisedOnes) {
  SkinnedForm single(bsSingle);
  EXPECT_EQ(single.HitTest(3, 297), win::HTCLIENT);
  SkinnedForm sizeable;
  sizeable.Form->setWindowState(Qt::WindowMaximized);
  EXPECT_EQ(sizeable.HitTest(3, 3), win::HTCLIENT);
}

TEST(FormSkinHitTest, TitleBarAnswersTheTopBand) {
  SkinnedForm f;
  TskinTitleBar *bar = f.Skin->TitleBar();
  auto hit = [&](int x, int y) {
    QPoint global = bar->mapToGlobal(QPoint(x, y));
    return win::SendMessage(bar->Handle(), win::WM_NCHITTEST, 0, win::MakePointParam(global.x(), global.y()));
  };
  EXPECT_EQ(hit(3, 3), win::HTTOPLEFT);
  EXPECT_EQ(hit(200, 3), win::HTTOP);
  EXPECT_EQ(hit(397, 3), win::HTTOPRIGHT);
  EXPECT_EQ(hit(200, 10), win::HTCLIENT);
  SkinnedForm dialog(bsDialog);
  TskinTitleBar *fixed = dialog.Skin->TitleBar();
  QPoint global = fixed->mapToGlobal(QPoint(200, 3));
  EXPECT_EQ(win::SendMessage(fixed->Handle(), win::WM_NCHITTEST, 0, win::MakePointParam(global.x(), global.y())),
            win::HTCLIENT);
}

TEST(FormSkinSizing, MaximisedAtCreationCountsAndThenRestoresItsBounds) {
  SkinnedForm f(bsSizeable, fsNormal, true);
  ASSERT_TRUE(f.Skin->PendingMaximize());
  f.SendSize();
  EXPECT_EQ(SkinFormState.MaximizeCounter, 1);
  f.SendSize();
  EXPECT_EQ(SkinFormState.MaximizeCounter, 2);
  f.SendSize();  // from the third on the form maximises itself again
  EXPECT_EQ(SkinFormState.MaximizeCounter, 2);
  EXPECT_TRUE(FormMaximized(f.Form.get()));
  EXPECT_TRUE(SkinFormState.MDIChildMaximized);
  EXPECT_TRUE(f.Skin->PendingMaximize());

  f.Form->setWindowState(Qt::WindowNoState);
  f.SendSize();
  EXPECT_FALSE(f.Skin->PendingMaximize());
  // Positions may differ by the frame margins the form had before its frame was taken away.
  EXPECT_LE((f.Form->pos() - f.CreatedPos).manhattanLength(), 4);
  EXPECT_EQ(f.Form->size(), QSize(400, 300));
}

TEST(FormSkinSizing, MaximisingASizeableFormFillsTheWorkArea) {
  SkinnedForm f;
  f.Form->setWindowState(Qt::WindowMaximized);
  f.SendSize();
  TRect area;
  GetWorkArea(area);
  EXPECT_EQ(f.Form->pos(), QPoint(area.Left, area.Top));
  EXPECT_EQ(f.Form->size(), QSize(area.Width(), area.Height()));
  EXPECT_TRUE(FormMaximized(f.Form.get()));
  TBitmap restore;
  LoadStyleBitmapFrame(TskinUIStyle::DeepBlue, 5, &restore, 18, 10);
  EXPECT_EQ(f.Skin->TitleBar()->Buttons().Items(2)->PicNormal().Image(), restore.Image());
}

TEST(FormSkinSizing, ABorderlessFormIsLeftToTheSystem) {
  SkinnedForm f(bsNone);
  f.Form->setWindowState(Qt::WindowMaximized);
  QRect before = f.Form->geometry();
  f.SendSize();
  EXPECT_EQ(f.Form->geometry(), before);
}

// Records what reaches the main form's MDI client.
struct MDIClient {
  QWidget Window;
  std::vector<std::pair<win::UINT, win::WPARAM>> Received;
  TSkinApplicationView Saved = SkinApplicationView();
  TForm Main;
  MDIClient() {
    win::SetWindowProc(win::HandleOf(&Window), [this](win::HWND, win::UINT msg, win::WPARAM w, win::LPARAM) {
      Received.emplace_back(msg, w);
      return win::LRESULT(0);
    });
    SetFormClientHandle(&Main, win::HandleOf(&Window));
    SkinApplicationView().MainForm = [this] { return static_cast<QWidget *>(&Main); };
  }
  ~MDIClient() { SkinApplicationView() = Saved; }
};

TEST(FormSkinMDI, ChildSendsItsMessagesToTheMainFormsClient) {
  MDIClient client;
  SkinnedForm f(bsSizeable, fsMDIChild);
  EXPECT_EQ(FormBorderStyle(f.Form.get()), bsSizeable);  // MDI forms keep their border
  EXPECT_EQ(f.Skin->MenuBar(), nullptr);

  win::SendMessage(f.Form->Handle(), win::WM_MDIACTIVATE, 0, static_cast<win::LPARAM>(f.Form->Handle()));
  win::SendMessage(f.Form->Handle(), win::WM_MDIACTIVATE, 0, 12345);  // another child
  ASSERT_EQ(client.Received.size(), 1u);
  EXPECT_EQ(client.Received[0].first, WM_SKIN_MDICHILDCHANGED);

  client.Received.clear();
  f.Form->setWindowState(Qt::WindowMaximized);
  f.SendSize();
  EXPECT_FALSE(f.Skin->TitleBarVisible());
  ASSERT_EQ(client.Received.size(), 1u);
  EXPECT_EQ(client.Received[0].first, WM_SKIN_MDICHILDMAXIMIZED);
  EXPECT_EQ(client.Received[0].second, f.Form->Handle());

  client.Received.clear();
  f.Form->setWindowState(Qt::WindowNoState);
  f.SendSize();
  EXPECT_TRUE(f.Skin->TitleBarVisible());
  ASSERT_EQ(client.Received.size(), 1u);
  EXPECT_EQ(client.Received[0].first, WM_SKIN_MDICHILDRESTORED);

  client.Received.clear();
  f.Form->setWindowState(Qt::WindowMaximized);
  win::SendMessage(f.Form->Handle(), win::WM_DESTROY, 0, 0);
  ASSERT_EQ(client.Received.size(), 2u);
  EXPECT_EQ(client.Received[0].first, WM_SKIN_MDICHILDCHANGED);
  EXPECT_EQ(client.Received[1].first, WM_SKIN_MDICHILDRESTORED);
}

TEST(FormSkinMDI, ChildIgnoresRoundCornerAndShrinksItsPanel) {
  SkinnedForm f(bsSizeable, fsMDIChild);
  f.Skin->SetUIStyle(TskinUIStyle::WinXP);
  EXPECT_EQ(f.Skin->RoundCorner(), 0);
  f.Skin->SetRoundCorner(11);
  EXPECT_EQ(f.Skin->RoundCorner(), 0);
  const int W = f.Form->width(), H = f.Form->height();
  EXPECT_EQ(f.Skin->geometry(), QRect(3, 0, W - 6 - 3, H - 3 - 3));
}

TEST(FormSkinMessages, ActivationReachesTheTitleBar) {
  SkinnedForm f;
  win::SendMessage(f.Form->Handle(), win::WM_ACTIVATE, 0, 0);
  EXPECT_FALSE(f.Skin->TitleBar()->FormActive());
  win::SendMessage(f.Form->Handle(), win::WM_ACTIVATE, 0x00010001, 0);  // low word decides
  EXPECT_TRUE(f.Skin->TitleBar()->FormActive());
}

TEST(FormSkinMessages, ShortCutsRunOnlyOnTheActiveForm) {
  SkinnedForm f;
  TSkinApplicationView saved = SkinApplicationView();
  bool active = false;
  SkinApplicationView().MainForm = [] { return static_cast<QWidget *>(nullptr); };
  SkinApplicationView().FormActive = [&](QWidget *) { return active; };
  TskinMainMenu *menu = CreateSkinMainMenu(f.Form.get());
  int runs = 0;
  menu->Add("File")->Add("Refresh", [&] { ++runs; })->SetShortCut(0x74);
  menu->Loaded();

  EXPECT_EQ(win::SendMessage(f.Form->Handle(), win::WM_KEYDOWN, 0x74, 0), 0);
  EXPECT_EQ(runs, 0);
  active = true;
  EXPECT_EQ(win::SendMessage(f.Form->Handle(), win::WM_KEYDOWN, 0x74, 0), 1);
  EXPECT_EQ(runs, 1);
  TMsg msg{0, win::WM_KEYDOWN, 0x74, 0};
  bool handled = false;
  ApplicationOnMessage()(msg, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(runs, 2);
  SkinApplicationView() = saved;
}

TEST(FormSkinMessages, AShortCutPressedInAChildControlReachesTheMenuOnce) {
  SkinnedForm f;
  TSkinApplicationView saved = SkinApplicationView();
  SkinApplicationView().MainForm = [] { return static_cast<QWidget *>(nullptr); };
  SkinApplicationView().FormActive = [](QWidget *) { return true; };
  TskinMainMenu *menu = CreateSkinMainMenu(f.Form.get());
  int runs = 0;
  menu->Add("File")->Add("Refresh", [&] { ++runs; })->SetShortCut(0x74);
  auto *panel = new TPanel(f.Skin, f.Skin);
  auto *edit = new TEdit(panel, panel);
  int hookCalls = 0;
  TMessageEvent skinHook = ApplicationOnMessage();
  ApplicationOnMessage() = [&](TMsg &msg, bool &handled) {
    ++hookCalls;
    skinHook(msg, handled);
  };

  QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
  QApplication::sendEvent(edit, &f5);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(hookCalls, 1);

  // A key no item takes travels up the parents; the hook sees it once all the same.
  QKeyEvent f6(QEvent::KeyPress, Qt::Key_F6, Qt::NoModifier);
  QApplication::sendEvent(edit, &f6);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(hookCalls, 2);
  SkinApplicationView() = saved;
}

// Keys pressed on the keyboard, as the window system delivers them, on both roads to the menu: the
// application's hook while a child control has the focus, and the form's own key messages when
// another hook was there first.
TEST(FormSkinMessages, ShortCutsOnKeysThatAreNotLettersRunFromRealKeyPresses) {
  struct Press {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    TShortCut ShortCut;
  };
  const Press presses[] = {
      {Qt::Key_Delete, Qt::NoModifier, 0x2E},       {Qt::Key_Insert, Qt::NoModifier, 0x2D},
      {Qt::Key_Left, Qt::NoModifier, 0x25},         {Qt::Key_Up, Qt::NoModifier, 0x26},
      {Qt::Key_Right, Qt::NoModifier, 0x27},        {Qt::Key_Down, Qt::NoModifier, 0x28},
      {Qt::Key_Home, Qt::NoModifier, 0x24},         {Qt::Key_End, Qt::NoModifier, 0x23},
      {Qt::Key_PageUp, Qt::NoModifier, 0x21},       {Qt::Key_PageDown, Qt::NoModifier, 0x22},
      {Qt::Key_Return, Qt::NoModifier, 0x0D},       {Qt::Key_Escape, Qt::NoModifier, 0x1B},
      {Qt::Key_Backspace, Qt::NoModifier, 0x08},    {Qt::Key_Tab, Qt::NoModifier, 0x09},
      {Qt::Key_Enter, Qt::KeypadModifier, 0x0D},    {Qt::Key_F5, Qt::NoModifier, 0x74},
      {Qt::Key_Delete, Qt::ControlModifier, scCtrl | 0x2E},
      {Qt::Key_Insert, Qt::ShiftModifier, scShift | 0x2D},
      {Qt::Key_O, Qt::ControlModifier, scCtrl | 'O'},
  };
  for (bool childHasFocus : {true, false}) {
    SCOPED_TRACE(childHasFocus ? "hook" : "form");
    TMessageEvent other = [](TMsg &, bool &) {};
    if (!childHasFocus) ApplicationOnMessage() = other;
    SkinnedForm f;
    TSkinApplicationView saved = SkinApplicationView();
    SkinApplicationView().MainForm = [] { return static_cast<QWidget *>(nullptr); };
    SkinApplicationView().FormActive = [](QWidget *) { return true; };
    TskinMainMenu *menu = CreateSkinMainMenu(f.Form.get());
    std::vector<std::string> ran;
    TskinMenuItem *edit = menu->Add("Edit");
    for (const Press &press : presses) {
      const std::string text = ShortCutToText(press.ShortCut);
      ASSERT_FALSE(text.empty());
      edit->Add(text, [&ran, text] { ran.push_back(text); })->SetShortCut(press.ShortCut);
    }
    // A key that shares a low byte with an item's key is not that key.
    edit->Add("Space", [&ran] { ran.push_back("Space"); })->SetShortCut(0x20);
    menu->Loaded();
    TEdit *field = childHasFocus ? new TEdit(f.Skin, f.Skin) : nullptr;
    f.Form->show();
    if (field)
      field->setFocus();
    else
      f.Form->setFocus();

    for (const Press &press : presses) {
      ran.clear();
      QTest::keyClick(f.Form->windowHandle(), press.Key, press.Modifiers);
      EXPECT_EQ(ran, std::vector<std::string>{ShortCutToText(press.ShortCut)});
    }
    ran.clear();
    QTest::keyClick(f.Form->windowHandle(), Qt::Key_Period);  // Qt's code is Del's virtual-key code
    QTest::keyClick(f.Form->windowHandle(), Qt::Key_Shift);   // Qt's code ends in Space's
    EXPECT_TRUE(ran.empty());
    SkinApplicationView() = saved;
  }
}

TEST(FormSkinMessages, DestroyedSkinGivesTheFormItsProcedureBack) {
  SkinnedForm f;
  delete f.Skin;
  // Messages no longer reach the skin that is gone.
  win::SendMessage(f.Form->Handle(), win::WM_SIZE, 0, 0);
  win::SendMessage(f.Form->Handle(), win::WM_ACTIVATE, 0, 0);
  EXPECT_FALSE(static_cast<bool>(ApplicationOnMessage()));
}

// The demonstration form in each style, shown with its main menu's first list dropped down.
TEST(FormSkinScreens, AllFiveStylesWithADroppedMenu) {
  const std::pair<TskinUIStyle, const char *> styles[] = {{TskinUIStyle::MacOS, "MacOS"},
                                                          {TskinUIStyle::WinXP, "WinXP"},
                                                          {TskinUIStyle::DeepBlue, "DeepBlue"},
                                                          {TskinUIStyle::Protein, "Protein"},
                                                          {TskinUIStyle::BlueGlass, "BlueGlass"}};
  const char *folder = std::getenv("SKINFORM_SHOT_DIR");
  for (const auto &[style, name] : styles) {
    SkinnedForm f;
    f.Form->setGeometry(40, 40, 420, 280);
    f.Skin->SetUIStyle(style);
    f.Skin->SetCaption(std::string("Demonstration form - ") + name);
    TskinMainMenu *menu = CreateSkinMainMenu(f.Form.get());
    TskinMenuItem *file = menu->Add("&File");
    file->Add("&Open")->SetShortCut(scCtrl | 'O');
    file->Add("&Save")->SetChecked(true);
    file->Add("-");
    file->Add("Disabled")->SetEnabled(false);
    file->Add("E&xit");
    menu->Add("&Edit")->Add("Copy");
    menu->Add("&Help")->Add("About");
    menu->Loaded();
    f.Form->show();
    win::ProcessMessages();

    TToolBar *bar = f.Skin->MenuBar();
    ASSERT_NE(bar, nullptr);
    bar->SetHotButton(1);
    TskinPopupMenuWindow *list = bar->OpenMenu(0);
    ASSERT_NE(list, nullptr);
    list->Select(0);
    QImage shot(f.Form->width() + 40, f.Form->height() + 40, QImage::Format_RGB32);
    shot.fill(Qt::darkGray);
    {
      QPainter painter(&shot);
      QImage form = f.Form->grab().toImage();
      painter.setClipRegion(f.Form->mask().isEmpty() ? QRegion(form.rect()) : f.Form->mask());
      painter.drawImage(0, 0, form);
      painter.setClipping(false);
      QPoint at = list->pos() - f.Form->pos();
      painter.drawImage(at, list->Render());
    }
    // The border colour runs down the left edge; the title bar is not the background colour.
    QColor border = ToQColor(f.Skin->BorderColor());
    EXPECT_EQ(QColor(shot.pixel(0, 150)), border) << name;
    EXPECT_NE(QColor(shot.pixel(200, 10)), ToQColor(f.Skin->Color())) << name;
    if (folder) shot.save(QString("%1/skinform-%2.png").arg(folder, name));
    bar->CloseMenu();
  }
}

}  // namespace

namespace {
TEST(FormSkinStyle, RoundedTitleBarDrawsItsOutline) {
  SkinnedForm f;
  f.Skin->SetUIStyle(TskinUIStyle::BlueGlass);
  TBitmap buffer;
  f.Skin->TitleBar()->PaintBuffer(buffer);
  EXPECT_EQ(buffer.Canvas()->Pixel(200, 0), 0u);  // the outline runs along the top in the border colour
  f.Skin->SetUIStyle(TskinUIStyle::WinXP);        // WinXP's own pictures carry their corners
  f.Skin->TitleBar()->PaintBuffer(buffer);
  EXPECT_NE(buffer.Canvas()->Pixel(200, 0), 0xC82C00u);
}
}  // namespace
