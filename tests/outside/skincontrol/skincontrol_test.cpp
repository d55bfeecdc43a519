#include "skincontrol.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms.h"
#include "paths.h"
#include "skinfile.h"
#include "testsupport.h"

namespace {

std::wstring MainSkin() { return QString::fromStdString(win::ProgramFolder() + "skn.skn").toStdWString(); }
std::wstring ShowSkin() { return QString::fromStdString(win::ProgramFolder() + "Orvenc.skn").toStdWString(); }

QRect ObjectRect(const std::wstring &name) {
  static TSkinFileData data = ReadSkinFileStructure(win::ProgramFolder() + "skn.skn");
  const TSkinObjectDef *object = data.FindForm(L"qevvideoconverter")->FindObject(name);
  if (!object) throw std::runtime_error("no such object in the shipped skin");
  return object->Rect;
}

std::string Utf8(const std::wstring &text) { return QString::fromStdWString(text).toStdString(); }

// A form that records its system commands and may refuse them, as the main window's handler does.
class RecordingForm : public TForm {
public:
  std::vector<win::WPARAM> SysCommands;
  bool Refuse = false;

protected:
  win::LRESULT WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override {
    if (msg == win::WM_SYSCOMMAND) {
      SysCommands.push_back(wParam);
      if (Refuse) return 0;
    }
    return TForm::WndProc(msg, wParam, lParam);
  }
};

class SkinnedWindow : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    Form = std::make_unique<RecordingForm>();
    Form->SetClientSize(781, 558);
    Form->move(100, 100);
    Skin = new TSkin(Form.get());
    Skin->OnClick = [this](const std::shared_ptr<ISkinObject> &source) { Log.push_back("click " + Utf8(source->GetName())); };
    Skin->OnMouseDown = [this](const std::shared_ptr<ISkinObject> &source, int button, int x, int y) {
      Log.push_back("down " + Utf8(source->GetName()) + " " + std::to_string(button));
    };
    Skin->OnMouseUp = [this](const std::shared_ptr<ISkinObject> &source, int button, int x, int y) {
      Log.push_back("up " + Utf8(source->GetName()) + " " + std::to_string(button));
    };
    Skin->OnMouseMove = [this](const std::shared_ptr<ISkinObject> &source, int x, int y) {
      Log.push_back("move " + Utf8(source->GetName()));
    };
  }

  void SkinIt() {
    Skin->LoadSkinFile(MainSkin());
    Skin->AttachToWindow(Form->Handle());
    Skin->ApplySkinForm(Form->Handle(), L"qevvideoconverter");
  }

  std::shared_ptr<ISkinObject> Element(const std::wstring &name) {
    return Skin->GetWindowSkinObject(Form->Handle())->FindElement(name);
  }

  // Mouse input as the window system delivers it: to the widget under the point.
  // While a button is held, the widget it was pressed on gets everything, as the window system's grab does.
  void Mouse(QEvent::Type type, QPoint point, Qt::MouseButton button = Qt::LeftButton) {
    QWidget *target = Held ? Grabber.data() : Form->childAt(point);
    if (!target) target = Form.get();
    if (type == QEvent::MouseButtonPress) {
      if (!Held) Grabber = target;
      Held |= button;
    }
    if (type == QEvent::MouseButtonRelease) Held &= ~Qt::MouseButtons(button);
    Qt::MouseButton eventButton = type == QEvent::MouseMove ? Qt::NoButton : button;
    QPointF local = target->mapFrom(Form.get(), point);
    QPointF global = Form->mapToGlobal(point);
    QMouseEvent event(type, local, local, global, eventButton, Held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }
  void Click(QPoint point, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(QEvent::MouseButtonPress, point, button);
    Mouse(QEvent::MouseButtonRelease, point, button);
  }
  QImage Shot(const QRect &rect) { return Form->grab(rect).toImage(); }

  std::unique_ptr<RecordingForm> Form;
  TSkin *Skin = nullptr;  // owned by the form
  std::vector<std::string> Log;
  Qt::MouseButtons Held;
  QPointer<QWidget> Grabber;
};

}  // namespace

TEST_F(SkinnedWindow, AppliedFormFindsItsElementsAndTheirInterfaces) {
  SkinIt();
  std::shared_ptr<ISkinObject> window = Skin->GetWindowSkinObject(Form->Handle());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->GetName(), L"qevvideoconverter");

  for (const wchar_t *name : {L"profilestext", L"play_time", L"hint"}) {
    std::shared_ptr<ISkinObject> element = window->FindElement(name);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->GetName(), name);
    EXPECT_NE(element->Query<ISkinText>(), nullptr);
    EXPECT_NE(element->Query<ISkinElement>(), nullptr);
    EXPECT_EQ(element->Query<ISkinSlider>(), nullptr);
  }
  std::shared_ptr<ISkinObject> bar = window->FindElement(L"play_bar");
  ASSERT_NE(bar, nullptr);
  EXPECT_NE(bar->Query<ISkinSlider>(), nullptr);
  EXPECT_NE(bar->Query<ISkinElement>(), nullptr);
  EXPECT_EQ(bar->Query<ISkinText>(), nullptr);
  // An element is a leaf.
  EXPECT_EQ(bar->FindElement(L"hint"), nullptr);
}

TEST_F(SkinnedWindow, MissingElementIsEmpty) {
  SkinIt();
  EXPECT_EQ(Element(L"nothing"), nullptr);
  EXPECT_EQ(Element(L"Hint"), nullptr);  // names are case-sensitive
  EXPECT_EQ(Element(L""), nullptr);
}

TEST_F(SkinnedWindow, FaceLiesUnderTheFormsOwnControlsAndTheFrameGoes) {
  auto *list = new QPushButton("list", Form.get());
  list->setGeometry(12, 89, 535, 341);
  SkinIt();
  auto *combo = new QPushButton("combo", Form.get());
  combo->setGeometry(576, 128, 149, 21);
  EXPECT_TRUE(Form->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(Form->childAt(QPoint(100, 200)), list);
  EXPECT_EQ(Form->childAt(QPoint(600, 138)), combo);
  QWidget *face = Form->childAt(ObjectRect(L"openfiles").center());
  ASSERT_NE(face, nullptr);
  EXPECT_NE(face, list);
  EXPECT_EQ(face->geometry(), Form->rect());
}

TEST_F(SkinnedWindow, ApplyingTakesTheSkinFormsSize) {
  Form->SetClientSize(500, 300);
  SkinIt();
  EXPECT_EQ(Form->size(), QSize(781, 558));
}

TEST_F(SkinnedWindow, FailingOperationsRaiseClearErrors) {
  auto errorOf = [](const std::function<void()> &operation) -> std::string {
    try {
      operation();
    } catch (const std::runtime_error &error) {
      return error.what();
    }
    return "";
  };
  win::HWND wnd = Form->Handle();
  EXPECT_NE(errorOf([&] { Skin->AttachToWindow(wnd); }).find("load a skin file"), std::string::npos);
  EXPECT_NE(errorOf([&] { Skin->LoadSkinFile(L"/nonexistent/skn.skn"); }).find("Skin file not found: /nonexistent/skn.skn"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { Skin->LoadSkinFile(L""); }).find("Skin file not found"), std::string::npos);

  Skin->LoadSkinFile(MainSkin());
  EXPECT_NE(errorOf([&] { Skin->ApplySkinForm(wnd, L"qevvideoconverter"); }).find("attach the skin"), std::string::npos);
  EXPECT_NE(errorOf([&] { Skin->AttachToWindow(0); }).find("is not a window"), std::string::npos);
  EXPECT_NE(errorOf([&] { Skin->AttachToWindow(0x7fffffff); }).find("is not a window"), std::string::npos);
  Skin->AttachToWindow(wnd);
  EXPECT_NE(errorOf([&] { Skin->GetWindowSkinObject(wnd); }).find("no skin form is applied"), std::string::npos);
  EXPECT_NE(errorOf([&] { Skin->ApplySkinForm(wnd, L"show"); }).find("skin form \"show\" is not in"), std::string::npos);
  EXPECT_NE(errorOf([&] { Skin->ApplySkinForm(wnd, L"QEVVIDEOCONVERTER"); }), "");
}

TEST_F(SkinnedWindow, FailingLoadKeepsTheSkinLoadedBefore) {
  testsupport::TempDir dir;
  std::ofstream(dir / "bad.skn") << "vantrel-skin 1\nform qevvideoconverter\n size 781 558\n";
  Skin->LoadSkinFile(MainSkin());
  EXPECT_THROW(Skin->LoadSkinFile(QString::fromStdString(dir / "bad.skn").toStdWString()), std::runtime_error);
  Skin->AttachToWindow(Form->Handle());
  Skin->ApplySkinForm(Form->Handle(), L"qevvideoconverter");
  EXPECT_NE(Element(L"hint"), nullptr);
}

TEST_F(SkinnedWindow, TextShowsOnlyAfterRedraw) {
  SkinIt();
  QRect rect = ObjectRect(L"hint");
  QImage empty = Shot(rect);
  auto text = Element(L"hint")->Query<ISkinText>();
  auto element = Element(L"hint")->Query<ISkinElement>();
  text->SetText(L"Add presentations to the list");
  Form->update();
  EXPECT_EQ(Shot(rect), empty);
  element->Redraw();
  QImage written = Shot(rect);
  EXPECT_NE(written, empty);
  text->SetText(L"");
  element->Redraw();
  EXPECT_EQ(Shot(rect), empty);
}

TEST_F(SkinnedWindow, SliderKeepsItsRangeAndShowsAfterRedraw) {
  SkinIt();
  auto slider = Element(L"play_bar")->Query<ISkinSlider>();
  auto element = Element(L"play_bar")->Query<ISkinElement>();
  EXPECT_EQ(slider->GetPosition(), 0);
  slider->SetPosition(20000);
  EXPECT_EQ(slider->GetPosition(), 10000);
  slider->SetPosition(-5);
  EXPECT_EQ(slider->GetPosition(), 0);

  QRect rect = ObjectRect(L"play_bar");
  QImage start = Shot(rect);
  slider->SetPosition(10000);
  EXPECT_EQ(Shot(rect), start);
  element->Redraw();
  QImage end = Shot(rect);
  EXPECT_NE(end, start);
  slider->SetPosition(5000);
  element->Redraw();
  QImage middle = Shot(rect);
  EXPECT_NE(middle, start);
  EXPECT_NE(middle, end);
}

TEST_F(SkinnedWindow, SetStateChangesTheLookAtRedraw) {
  SkinIt();
  QRect rect = ObjectRect(L"converter");
  QImage normal = Shot(rect);
  auto element = Element(L"converter")->Query<ISkinElement>();
  element->SetState(2);
  EXPECT_EQ(Shot(rect), normal);
  element->Redraw();
  EXPECT_NE(Shot(rect), normal);
  element->SetState(7);  // not a state: ignored
  element->Redraw();
  EXPECT_NE(Shot(rect), normal);
  element->SetState(0);
  element->Redraw();
  EXPECT_EQ(Shot(rect), normal);
}

TEST_F(SkinnedWindow, ClickOnAnObjectReportsDownUpAndClickWithItsName) {
  SkinIt();
  Click(ObjectRect(L"openfiles").center());
  EXPECT_EQ(Log, (std::vector<std::string>{"down openfiles 0", "up openfiles 0", "click openfiles"}));
}

TEST_F(SkinnedWindow, HoverReportsTheObjectUnderThePointerAndChangesItsLook) {
  SkinIt();
  QRect rect = ObjectRect(L"remove");
  QImage normal = Shot(rect);
  Mouse(QEvent::MouseMove, QPoint(400, 15));  // bare title bar
  EXPECT_TRUE(Log.empty());
  Mouse(QEvent::MouseMove, rect.center());
  Mouse(QEvent::MouseMove, rect.center() + QPoint(1, 0));
  Mouse(QEvent::MouseMove, ObjectRect(L"profilestext").center());
  EXPECT_EQ(Log, (std::vector<std::string>{"move remove", "move remove", "move profilestext"}));
  EXPECT_EQ(Shot(rect), normal);

  Mouse(QEvent::MouseMove, rect.center());
  QImage hover = Shot(rect);
  EXPECT_NE(hover, normal);
  Mouse(QEvent::MouseButtonPress, rect.center());
  QImage pressed = Shot(rect);
  EXPECT_NE(pressed, hover);
  EXPECT_NE(pressed, normal);
}

TEST_F(SkinnedWindow, ReleaseElsewhereIsNoClickAndGoesToThePressedObject) {
  SkinIt();
  Mouse(QEvent::MouseButtonPress, ObjectRect(L"converter").center());
  Mouse(QEvent::MouseMove, ObjectRect(L"stopconverter").center());
  Mouse(QEvent::MouseButtonRelease, ObjectRect(L"stopconverter").center());
  EXPECT_EQ(Log, (std::vector<std::string>{"down converter 0", "move converter", "up converter 0"}));
}

TEST_F(SkinnedWindow, RightButtonReportsDownAndUpButNoClick) {
  SkinIt();
  Click(ObjectRect(L"help").center(), Qt::RightButton);
  EXPECT_EQ(Log, (std::vector<std::string>{"down help 1", "up help 1"}));
}

TEST_F(SkinnedWindow, DraggingTheSliderMovesItAndTheReleaseReportsTheSlider) {
  SkinIt();
  QRect bar = ObjectRect(L"play_bar");
  auto slider = Element(L"play_bar")->Query<ISkinSlider>();
  Mouse(QEvent::MouseButtonPress, QPoint(bar.left(), bar.center().y()));
  EXPECT_EQ(slider->GetPosition(), 0);
  Mouse(QEvent::MouseMove, QPoint(bar.center().x(), bar.center().y()));
  EXPECT_NEAR(slider->GetPosition(), 5000, 400);
  // Released far below the bar: still the bar's release, clamped at the end.
  Mouse(QEvent::MouseMove, QPoint(bar.right() + 50, bar.bottom() + 40));
  Mouse(QEvent::MouseButtonRelease, QPoint(bar.right() + 50, bar.bottom() + 40));
  EXPECT_EQ(slider->GetPosition(), 10000);
  ASSERT_FALSE(Log.empty());
  EXPECT_EQ(Log.front(), "down play_bar 0");
  EXPECT_EQ(Log.back(), "up play_bar 0");
}

TEST_F(SkinnedWindow, CloseObjectSendsTheCloseCommandWhichTheFormMayRefuse) {
  SkinIt();
  Form->show();
  Form->Refuse = true;
  Click(ObjectRect(L"close").center());
  EXPECT_EQ(Form->SysCommands, (std::vector<win::WPARAM>{win::SC_CLOSE}));
  EXPECT_TRUE(Form->isVisible());
  EXPECT_EQ(Log.back(), "click close");

  Form->Refuse = false;
  Click(ObjectRect(L"close").center());
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(SkinnedWindow, MinimizeObjectSendsTheMinimizeCommand) {
  SkinIt();
  Form->show();
  Form->Refuse = true;
  Click(ObjectRect(L"minimize").center());
  EXPECT_EQ(Form->SysCommands, (std::vector<win::WPARAM>{win::SC_MINIMIZE}));
  EXPECT_FALSE(Form->isMinimized());
  Form->Refuse = false;
  Click(ObjectRect(L"minimize").center());
  EXPECT_TRUE(Form->isMinimized());
}

TEST_F(SkinnedWindow, OtherObjectsSendNoSystemCommand) {
  SkinIt();
  Form->show();
  Click(ObjectRect(L"converter").center());
  EXPECT_TRUE(Form->SysCommands.empty());
}

TEST_F(SkinnedWindow, DraggingTheBareFaceMovesTheWindowButDraggingAnObjectDoesNot) {
  SkinIt();
  Form->show();
  QPoint start = Form->pos();
  Mouse(QEvent::MouseButtonPress, QPoint(400, 15));
  // The widget moves with the pointer, so the pointer stays at the same client point.
  QPoint global = Form->mapToGlobal(QPoint(400, 15)) + QPoint(30, 20);
  QWidget *face = Form->childAt(QPoint(400, 15));
  QMouseEvent move(QEvent::MouseMove, face->mapFromGlobal(QPointF(global)), face->mapFromGlobal(QPointF(global)),
                   QPointF(global), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(face, &move);
  Mouse(QEvent::MouseButtonRelease, QPoint(400, 15));
  EXPECT_EQ(Form->pos(), start + QPoint(30, 20));
  EXPECT_TRUE(Log.empty());

  QPoint before = Form->pos();
  Mouse(QEvent::MouseButtonPress, ObjectRect(L"converter").center());
  Mouse(QEvent::MouseMove, ObjectRect(L"converter").center() + QPoint(40, 0));
  Mouse(QEvent::MouseButtonRelease, ObjectRect(L"converter").center() + QPoint(40, 0));
  EXPECT_EQ(Form->pos(), before);
}

TEST_F(SkinnedWindow, KeptElementsOutliveTheSkinHarmlessly) {
  SkinIt();
  auto hint = Element(L"hint");
  auto bar = Element(L"play_bar");
  Form.reset();
  QApplication::processEvents();
  hint->Query<ISkinText>()->SetText(L"late");
  hint->Query<ISkinElement>()->Redraw();
  bar->Query<ISkinSlider>()->SetPosition(100);
  bar->Query<ISkinElement>()->Redraw();
  EXPECT_EQ(bar->Query<ISkinSlider>()->GetPosition(), 100);
}

TEST_F(SkinnedWindow, ReapplyingGivesFreshElementsAndRetiresTheOldOnes) {
  SkinIt();
  auto old = Element(L"hint");
  Skin->ApplySkinForm(Form->Handle(), L"qevvideoconverter");
  auto fresh = Element(L"hint");
  EXPECT_NE(old, fresh);
  QRect rect = ObjectRect(L"hint");
  QImage before = Shot(rect);
  old->Query<ISkinText>()->SetText(L"stale");
  old->Query<ISkinElement>()->Redraw();
  EXPECT_EQ(Shot(rect), before);
}

TEST(ShowWindowSkin, ShowFormGetsItsStaticTextAndSize) {
  testsupport::App();
  TForm form;
  form.setWindowFlag(Qt::FramelessWindowHint);
  form.SetClientSize(349, 196);
  auto *skin = new TSkin(&form);
  skin->LoadSkinFile(ShowSkin());
  skin->AttachToWindow(form.Handle());
  skin->ApplySkinForm(form.Handle(), L"show");
  std::shared_ptr<ISkinObject> showstatic = skin->GetWindowSkinObject(form.Handle())->FindElement(L"showstatic");
  ASSERT_NE(showstatic, nullptr);
  auto text = showstatic->Query<ISkinText>();
  auto element = showstatic->Query<ISkinElement>();
  ASSERT_NE(text, nullptr);
  ASSERT_NE(element, nullptr);
  element->SetState(0);
  element->Redraw();
  EXPECT_EQ(form.size(), QSize(349, 196));
  EXPECT_EQ(skin->GetWindowSkinObject(form.Handle())->GetName(), L"show");
}

TEST(ShowWindowSkin, TwoWindowsKeepTheirOwnForms) {
  testsupport::App();
  TForm main, show;
  TSkin skin;
  skin.LoadSkinFile(MainSkin());
  skin.AttachToWindow(main.Handle());
  skin.ApplySkinForm(main.Handle(), L"qevvideoconverter");
  skin.LoadSkinFile(ShowSkin());
  skin.AttachToWindow(show.Handle());
  skin.ApplySkinForm(show.Handle(), L"show");
  EXPECT_EQ(skin.GetWindowSkinObject(main.Handle())->GetName(), L"qevvideoconverter");
  EXPECT_EQ(skin.GetWindowSkinObject(show.Handle())->GetName(), L"show");
  EXPECT_NE(skin.GetWindowSkinObject(main.Handle())->FindElement(L"hint"), nullptr);
}
