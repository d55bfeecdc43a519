// The main window's skin: mouse input on its named objects reaches the form's handlers.
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

#include "mainform_fixture.h"

namespace {

class SkinMouseTest : public MainFormTest {
protected:
  // Mouse input as the window system delivers it: to the widget under the point, and while a button
  // is held, to the widget it was pressed on.
  void Mouse(QEvent::Type type, QPoint point) {
    QWidget *target = Grabber ? Grabber.data() : Form->childAt(point);
    if (!target) target = Form;
    if (type == QEvent::MouseButtonPress) Grabber = target;
    Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    Qt::MouseButtons held = type == QEvent::MouseButtonPress || (type == QEvent::MouseMove && Grabber)
                                ? Qt::LeftButton
                                : Qt::NoButton;
    QPointF local = target->mapFrom(Form, point);
    QMouseEvent event(type, local, local, Form->mapToGlobal(QPointF(point)), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    if (type == QEvent::MouseButtonRelease) Grabber = nullptr;
  }
  void Click(QPoint point) {
    Mouse(QEvent::MouseButtonPress, point);
    Mouse(QEvent::MouseButtonRelease, point);
  }
  QPointer<QWidget> Grabber;
};

// Middle points of objects of skn.skn.
const QPoint Converter(588, 534), Browse(652, 71), Openfiles(41, 450), PlayBar(690, 474), BareFace(400, 20);

}  // namespace

TEST_F(SkinMouseTest, AClickOnANamedObjectReachesSkin1ClickWithItsName) {
  CreateAndShow();
  Click(Converter);
  EXPECT_EQ(Form->LastClickedObject, L"converter");
  Click(Browse);
  EXPECT_EQ(Form->LastClickedObject, L"browse");
}

TEST_F(SkinMouseTest, HoveringANamedObjectReachesSkin1MouseMoveWithItsName) {
  CreateAndShow();
  Mouse(QEvent::MouseMove, Openfiles);
  EXPECT_EQ(Form->LastHoveredObject, L"openfiles");
  Mouse(QEvent::MouseMove, Converter);
  EXPECT_EQ(Form->LastHoveredObject, L"converter");
}

TEST_F(SkinMouseTest, TheBareFaceIsNoObject) {
  CreateAndShow();
  Click(BareFace);
  Mouse(QEvent::MouseMove, BareFace);
  EXPECT_EQ(Form->LastClickedObject, L"");
  EXPECT_EQ(Form->LastHoveredObject, L"");
}

TEST_F(SkinMouseTest, PressingThePlayBarWhilePlayingStartsSeeking) {
  CreateAndShow();
  Main.Playing = true;
  Mouse(QEvent::MouseButtonPress, PlayBar);
  EXPECT_TRUE(Main.Seeking);
}

TEST_F(SkinMouseTest, PressingThePlayBarStartsNoSeekWhileConvertingOrIdle) {
  CreateAndShow();
  Main.Playing = Main.Converting = true;
  Click(PlayBar);
  EXPECT_FALSE(Main.Seeking);
  Main.Playing = Main.Converting = false;
  Click(PlayBar);
  EXPECT_FALSE(Main.Seeking);
}

TEST_F(SkinMouseTest, PressingThePlayBarInTheDvdEditionStartsNoSeek) {
  CreateAndShow();
  Main.EditionName = "Vantrel DVD.exe";
  Main.Playing = true;
  Click(PlayBar);
  EXPECT_FALSE(Main.Seeking);
}

TEST_F(SkinMouseTest, PressingAnotherObjectWhilePlayingStartsNoSeek) {
  CreateAndShow();
  Main.Playing = true;
  Click(Converter);
  EXPECT_FALSE(Main.Seeking);
}

TEST_F(SkinMouseTest, TheSkinsMinimiseObjectObeysTheMinimiseRule) {
  CreateAndShow();
  const QPoint minimize(738, 15);
  Main.AllowMinimize = false;
  Click(minimize);
  EXPECT_FALSE(Form->windowState() & Qt::WindowMinimized);
  Main.AllowMinimize = true;
  Click(minimize);
  EXPECT_TRUE(Form->windowState() & Qt::WindowMinimized);
}
