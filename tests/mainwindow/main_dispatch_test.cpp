// The main window's skin: mouse input on its named objects reaches the form's handlers.
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

#include <QTimer>
#include <fstream>
#include <set>

#include "about.h"
#include "dir.h"
#include "settings.h"
#include "shell.h"

#include "mainform_fixture.h"
#include "paths.h"

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

  // The "hint" element, replaced by one that keeps what it is given.
  struct THint : ISkinText, ISkinElement {
    void SetText(const std::wstring &text) override { Text = text; }
    void SetState(int) override {}
    void Redraw() override { ++Redraws; }
    std::wstring Text = L"(untouched)";
    int Redraws = 0;
  };
  std::shared_ptr<THint> HoldHint() {
    auto hint = std::make_shared<THint>();
    Form->SkinElements.hint.Text = hint;
    Form->SkinElements.hint.Element = hint;
    return hint;
  }
  // Line n of the shipped hint file.
  static std::wstring HintFileLine(int n) {
    std::ifstream file(win::ProgramFolder() + "language.info");
    std::string line;
    for (int i = 0; i < n && std::getline(file, line); ++i) {
    }
    return QString::fromStdString(line).toStdWString();
  }
};

// Middle points of objects of skn.skn.
const QPoint Converter(588, 534), Browse(652, 71), Openfiles(41, 450), PlayBar(690, 474), BareFace(400, 20);

}  // namespace

TEST_F(SkinMouseTest, AClickOnConverterStartsTheConversion) {
  CreateAndShow();
  Click(Converter);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "There are no PPT File(s) to be converted!");
}

TEST_F(SkinMouseTest, HoveringAnObjectShowsItsHintLine) {
  CreateAndShow();
  auto hint = HoldHint();
  Mouse(QEvent::MouseMove, Openfiles);
  EXPECT_EQ(hint->Text, HintFileLine(22));
  Mouse(QEvent::MouseMove, Converter);
  EXPECT_EQ(hint->Text, HintFileLine(17));
  EXPECT_GE(hint->Redraws, 2);
}

TEST_F(SkinMouseTest, TheBareFaceRunsNoCommand) {
  CreateAndShow();
  Click(BareFace);
  EXPECT_TRUE(Messages.empty());
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

// ---- the command table, hints and menus, driven through the handlers

namespace {

class TNamed : public ISkinObject {
public:
  explicit TNamed(std::wstring name) : FName(std::move(name)) {}
  std::wstring GetName() const override { return FName; }
  std::shared_ptr<ISkinObject> FindElement(const std::wstring &) const override { return nullptr; }

private:
  std::wstring FName;
};

std::shared_ptr<ISkinObject> Named(const wchar_t *name) { return std::make_shared<TNamed>(name); }

class DispatchTest : public SkinMouseTest {
protected:
  void SetUp() override {
    SkinMouseTest::SetUp();
    PreviousShell = win::SetShellExecuteHandler(
        [this](const std::string &op, const std::string &file, const std::string &params, const std::string &) {
          Shell.push_back(op + "|" + file + "|" + params);
          return true;
        });
  }
  void TearDown() override {
    win::SetShellExecuteHandler(PreviousShell);
    SkinMouseTest::TearDown();
    for (TForm **form : {reinterpret_cast<TForm **>(&fm_dir), reinterpret_cast<TForm **>(&fm_set),
                         reinterpret_cast<TForm **>(&fm_about)}) {
      delete *form;
      *form = nullptr;
    }
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const auto &m : Messages) texts.push_back(m.Text);
    return texts;
  }
  std::vector<std::string> Shell;
  win::ShellExecuteFn PreviousShell;
};

}  // namespace

TEST_F(DispatchTest, NamesAreComparedExactly) {
  CreateAndShow();
  Form->Skin1Click(Named(L"Converter"));
  Form->Skin1Click(Named(L"converter "));
  Form->Skin1Click(Named(L"nothing"));
  Form->Skin1Click(nullptr);
  EXPECT_TRUE(Messages.empty());
  Form->Skin1Click(Named(L"converter"));
  EXPECT_EQ(Texts(), std::vector<std::string>{"There are no PPT File(s) to be converted!"});
}

TEST_F(DispatchTest, CutterOnlyWarns) {
  CreateAndShow();
  Form->Skin1Click(Named(L"cutter"));
  EXPECT_TRUE(Messages.empty());
  Main.TitleMode = false;
  Form->Skin1Click(Named(L"cutter"));
  Main.Converting = true;
  Form->Skin1Click(Named(L"cutter"));
  Main.Playing = true;
  Form->Skin1Click(Named(L"cutter"));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Please change title mode!", "Please first stop convert!",
                                                "Please first stop play!"}));
  for (const auto &m : Messages) EXPECT_EQ(m.Type, win::TMsgDlgType::mtWarning);
}

TEST_F(DispatchTest, BrowseTakesTheChosenFolder) {
  CreateAndShow();
  fm_dir = CreateForm<Tfm_dir>(nullptr);
  testsupport::TempDir chosen;
  QTimer::singleShot(0, fm_dir, [&chosen] {
    fm_dir->ShellTreeView1->SetPath(chosen.Path);
    fm_dir->btn_okClick();
  });
  Form->Skin1Click(Named(L"browse"));
  EXPECT_EQ(Main.OutputDir, chosen.Path);
  EXPECT_EQ(Form->ed_output->Text(), chosen.Path);
}

TEST_F(DispatchTest, BrowseLeftWithCancelKeepsTheFolder) {
  CreateAndShow();
  const std::string before = Main.OutputDir;
  fm_dir = CreateForm<Tfm_dir>(nullptr);
  QTimer::singleShot(0, fm_dir, [] { fm_dir->btn_cancelClick(); });
  Form->Skin1Click(Named(L"browse"));
  EXPECT_EQ(Main.OutputDir, before);
  EXPECT_EQ(Form->ed_output->Text(), before);
}

TEST_F(DispatchTest, OpenShowsTheOutputFolderThroughTheShell) {
  CreateAndShow();
  Main.OutputDir = "/videos/";
  Form->Skin1Click(Named(L"open"));
  EXPECT_EQ(Shell, std::vector<std::string>{"|/videos/|"});
}

TEST_F(DispatchTest, SettingsAndAboutShowTheirFormsModally) {
  CreateAndShow();
  fm_set = CreateForm<Tfm_set>(nullptr);
  fm_about = CreateForm<Tfm_about>(nullptr);
  bool setShown = false, aboutShown = false;
  QTimer::singleShot(0, fm_set, [&] {
    setShown = fm_set->isVisible();
    fm_set->Close();
  });
  Form->Skin1Click(Named(L"settings"));
  QTimer::singleShot(0, fm_about, [&] {
    aboutShown = fm_about->isVisible();
    fm_about->Close();
  });
  Form->pop_help->Items(5)->Click();
  EXPECT_TRUE(setShown);
  EXPECT_TRUE(aboutShown);
}

TEST_F(DispatchTest, ProfilesAndProfilesTextShareLineThree) {
  CreateAndShow();
  auto hint = HoldHint();
  Form->Skin1MouseMove(Named(L"profiles"), 0, 0);
  EXPECT_EQ(hint->Text, HintFileLine(3));
  hint->Text.clear();
  Form->Skin1MouseMove(Named(L"profilestext"), 0, 0);
  EXPECT_EQ(hint->Text, HintFileLine(3));
  EXPECT_FALSE(hint->Text.empty());
}

TEST_F(DispatchTest, EveryBoundObjectHasItsOwnHintText) {
  const wchar_t *names[] = {L"dvdopen", L"ifoopen", L"profiles", L"audio", L"subtitle", L"video_size",
                            L"video_quality", L"audio_quality", L"channels", L"play", L"pause", L"stopplay",
                            L"play_bar", L"play_time", L"chapter", L"cutter", L"converter", L"stopconverter",
                            L"browse", L"open", L"openfolder", L"openfiles", L"remove", L"clear"};
  int expected = 1;
  for (const wchar_t *name : names) EXPECT_EQ(Tfm_main::HintLine(name), expected++) << name;
  CreateAndShow();
  auto hint = HoldHint();
  std::set<std::wstring> texts;
  for (const wchar_t *name : names) {
    Form->Skin1MouseMove(Named(name), 0, 0);
    EXPECT_FALSE(hint->Text.empty()) << name;
    texts.insert(hint->Text);
  }
  EXPECT_EQ(texts.size(), std::size(names));
}

TEST_F(DispatchTest, ObjectsWithoutAHintClearIt) {
  CreateAndShow();
  auto hint = HoldHint();
  Form->Skin1MouseMove(Named(L"open"), 0, 0);
  for (const wchar_t *name : {L"help", L"file", L"dvdfile", L"settings", L"Open"}) {
    EXPECT_EQ(Tfm_main::HintLine(name), 0) << name;
    Form->Skin1MouseMove(Named(name), 0, 0);
    EXPECT_EQ(hint->Text, L"") << name;
  }
}

TEST_F(DispatchTest, HintsStayWhileConverting) {
  CreateAndShow();
  auto hint = HoldHint();
  Form->Skin1MouseMove(Named(L"open"), 0, 0);
  const std::wstring before = hint->Text;
  const int redraws = hint->Redraws;
  Main.Converting = true;
  Form->Skin1MouseMove(Named(L"clear"), 0, 0);
  EXPECT_EQ(hint->Text, before);
  EXPECT_EQ(hint->Redraws, redraws);
}

TEST_F(DispatchTest, MenusCarryTheirItemsAndPictures) {
  CreateAndShow();
  auto captions = [](TPopupMenu *menu) {
    std::vector<std::pair<std::string, int>> items;
    for (int i = 0; i < menu->Count(); ++i) items.emplace_back(menu->Items(i)->Caption(), menu->Items(i)->ImageIndex());
    return items;
  };
  using Items = std::vector<std::pair<std::string, int>>;
  EXPECT_EQ(captions(Form->pop_file), (Items{{"Add Files", 0}, {"Add Folder", -1}, {"-", -1}, {"Remove", 1},
                                             {"Clear", -1}, {"-", -1}, {"Convert", 2}, {"Stop", -1}, {"-", -1},
                                             {"Exit", -1}}));
  EXPECT_EQ(captions(Form->pop_dvd), (Items{{"Add DVD", 5}, {"Add IFO", -1}, {"-", -1}, {"Select All", 6},
                                            {"Unselect ALL", -1}, {"-", -1}, {"Convert", 2}, {"Stop", -1},
                                            {"-", -1}, {"Exit", -1}}));
  EXPECT_EQ(captions(Form->pop_help), (Items{{"Help", 4}, {"Support", -1}, {"Our Website", -1},
                                             {"Contact us", -1}, {"-", -1}, {"About", 3}}));
  ASSERT_EQ(Form->ImageList1->Count(), 7);
  for (int i = 0; i < 7; ++i) EXPECT_FALSE(Form->ImageList1->Image(i).isNull()) << i;
}

TEST_F(DispatchTest, MenuItemsRunTheirCommands) {
  CreateAndShow();
  Form->pop_file->Items(6)->Click();  // Convert
  Form->pop_dvd->Items(6)->Click();   // Convert
  EXPECT_EQ(Texts(), (std::vector<std::string>{"There are no PPT File(s) to be converted!",
                                               "There are no PPT File(s) to be converted!"}));
  // Exit meets the close guard.
  Main.Converting = true;
  Form->pop_file->Items(9)->Click();
  EXPECT_EQ(Messages.back().Text, "Please first stop converting!");
  EXPECT_TRUE(Form->isVisible());
  // Stop with an empty list ends converting.
  Form->pop_dvd->Items(7)->Click();
  EXPECT_FALSE(Main.Converting);
}

TEST_F(DispatchTest, MenusOpenBelowTheirObjects) {
  CreateAndShow();
  Form->move(100, 80);
  auto openedAt = [this](const wchar_t *name) {
    QPoint at(-1, -1);
    QTimer::singleShot(50, Form, [&at] {
      if (QWidget *popup = QApplication::activePopupWidget()) {
        at = popup->pos();
        popup->close();
      }
    });
    Form->Skin1Click(Named(name));
    return at - Form->pos();
  };
  EXPECT_EQ(openedAt(L"file"), QPoint(14, 54));
  EXPECT_EQ(openedAt(L"dvdfile"), QPoint(76, 54));
  EXPECT_EQ(openedAt(L"help"), QPoint(302, 54));
  Main.EditionName = "Vantrel vorma.exe";
  EXPECT_EQ(openedAt(L"file"), QPoint(85, 64));
  EXPECT_EQ(openedAt(L"help"), QPoint(366, 64));
}
