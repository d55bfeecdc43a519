// The four small forms beside the main window: folder chooser, after-finish settings, about box and
// the floating skinned window.
#include <QCloseEvent>
#include <QEnterEvent>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "about.h"
#include "dir.h"
#include "files.h"
#include "mainform_fixture.h"
#include "settings.h"
#include "shell.h"
#include "show.h"
#include "uWRStream.h"

namespace {

class DialogsTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    SelectedFolder.clear();
    PreviousShell = win::SetShellExecuteHandler(
        [this](const std::string &, const std::string &file, const std::string &, const std::string &) {
          Opened.push_back(file);
          return true;
        });
  }
  void TearDown() override {
    delete fm_dir;
    delete fm_set;
    delete fm_about;
    delete fm_show;
    fm_dir = nullptr;
    fm_set = nullptr;
    fm_about = nullptr;
    win::SetShellExecuteHandler(PreviousShell);
    MainFormTest::TearDown();
  }
  // The program block's forms, the main one shown.
  void CreateForms() {
    CreateAndShow();
    fm_dir = CreateForm<Tfm_dir>(nullptr);
    fm_about = CreateForm<Tfm_about>(nullptr);
    fm_set = CreateForm<Tfm_set>(nullptr);
    fm_show = CreateForm<Tfm_show>(nullptr);
  }
  // Saves what the form shows when VANTREL_DIALOG_SHOTS names a folder.
  static void Shot(QWidget *form, const std::string &name) {
    const char *folder = std::getenv("VANTREL_DIALOG_SHOTS");
    if (!folder || !*folder) return;
    // The folder tree fills and sorts itself from a thread of its own.
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    form->grab().save(QString::fromStdString(std::string(folder) + "/dlg-" + name + ".png"));
  }
  // Runs `step` once the modal loop is running.
  static void WhileModal(std::function<void()> step) { QTimer::singleShot(0, std::move(step)); }

  std::vector<std::string> Opened;
  win::ShellExecuteFn PreviousShell;
};

}  // namespace

// ---- folder chooser

TEST_F(DialogsTest, FolderChooserOkWithoutAFolderStaysOpen) {
  CreateForms();
  SelectedFolder = "/earlier";
  fm_dir->Show();
  fm_dir->btn_ok->click();
  EXPECT_TRUE(fm_dir->isVisible());
  EXPECT_EQ(SelectedFolder, "");
}

TEST_F(DialogsTest, FolderChooserOkTakesTheSelectedFolder) {
  CreateForms();
  testsupport::TempDir folder;
  std::filesystem::create_directory(folder / "Videos");
  WhileModal([&] {
    fm_dir->ShellTreeView1->SetPath(folder / "Videos");
    Shot(fm_dir, "dir");
    fm_dir->btn_ok->click();
  });
  fm_dir->ShowModal();
  EXPECT_FALSE(fm_dir->isVisible());
  EXPECT_EQ(SelectedFolder, folder / "Videos");
}

TEST_F(DialogsTest, FolderChooserCancelChoosesNothing) {
  CreateForms();
  testsupport::TempDir folder;
  SelectedFolder = "/earlier";
  WhileModal([&] {
    fm_dir->ShellTreeView1->SetPath(folder.Path);
    fm_dir->btn_cancel->click();
  });
  fm_dir->ShowModal();
  EXPECT_FALSE(fm_dir->isVisible());
  EXPECT_EQ(SelectedFolder, "");
}

TEST_F(DialogsTest, FolderChooserClosedByItsCloseBoxChoosesNothing) {
  CreateForms();
  testsupport::TempDir folder;
  fm_dir->Show();
  fm_dir->ShellTreeView1->SetPath(folder.Path);
  fm_dir->btn_ok->click();
  ASSERT_EQ(SelectedFolder, folder.Path);
  // The next showing ends with the close box, not with Ok.
  fm_dir->Show();
  fm_dir->Close();
  EXPECT_FALSE(fm_dir->isVisible());
  EXPECT_EQ(SelectedFolder, "");
}

TEST_F(DialogsTest, FolderChooserRootIsAFolderToo) {
  CreateForms();
  fm_dir->Show();
  fm_dir->ShellTreeView1->SetPath("/");
  EXPECT_EQ(fm_dir->ShellTreeView1->Path(), "/");
  fm_dir->ShellTreeView1->SetPath("/no/such/folder/here");
  EXPECT_EQ(fm_dir->ShellTreeView1->Path(), "");
}

TEST_F(DialogsTest, FolderChooserReadsTheFoldersAnewAtEachShowingAndLeavesOutHiddenOnes) {
  CreateForms();
  testsupport::TempDir folder;
  for (const char *name : {"Old", ".dotted", "Marked"}) std::filesystem::create_directory(folder / name);
  // Marking needs extended attributes, which not every file system keeps.
  const bool marked = win::SetFileAttributes(folder / "Marked", win::FILE_ATTRIBUTE_HIDDEN);
  TShellTreeView *tree = fm_dir->ShellTreeView1;
  // The names the tree shows below the folder, once it has read `awaited` (it reads on a thread).
  auto shownBelow = [&](const std::string &awaited) {
    tree->SetPath(folder.Path);
    // Rows move while the tree sorts what arrives.
    const QPersistentModelIndex at = tree->currentIndex();
    tree->expand(at);
    std::set<std::string> names;
    for (int wait = 0; wait < 100 && !names.count(awaited); ++wait) {
      win::WaitMessage(50);
      QCoreApplication::processEvents();
      names.clear();
      for (int row = 0; row < tree->model()->rowCount(at); ++row)
        names.insert(tree->model()->index(row, 0, at).data().toString().toStdString());
    }
    return names;
  };

  fm_dir->Show();
  std::set<std::string> expected{"Old"};
  if (!marked) expected.insert("Marked");
  EXPECT_EQ(shownBelow("Old"), expected);
  fm_dir->Close();

  std::filesystem::create_directory(folder / "New");
  fm_dir->Show();
  EXPECT_EQ(tree->Path(), folder.Path);
  expected.insert("New");
  EXPECT_EQ(shownBelow("New"), expected);
  // A hidden folder is not offered even by its path.
  tree->SetPath(folder / ".dotted");
  EXPECT_EQ(tree->Path(), "");
}

// ---- after-finish settings

TEST_F(DialogsTest, SettingsShowTheAfterFinishAction) {
  CreateForms();
  Main.FinishAction = 2;
  fm_set->Show();
  EXPECT_EQ(fm_set->rg_finish->ItemIndex(), 2);
  Shot(fm_set, "set");
  fm_set->Close();
  Main.FinishAction = 0;
  fm_set->Show();
  EXPECT_EQ(fm_set->rg_finish->ItemIndex(), 0);
}

TEST_F(DialogsTest, SettingsOkStoresTheChoice) {
  CreateForms();
  WhileModal([] {
    fm_set->rg_finish->SetItemIndex(1);
    fm_set->Button1->click();
  });
  fm_set->ShowModal();
  EXPECT_EQ(Main.FinishAction, 1);
}

TEST_F(DialogsTest, SettingsCancelKeepsThePreviousChoice) {
  CreateForms();
  Main.FinishAction = 1;
  WhileModal([] {
    fm_set->rg_finish->SetItemIndex(2);
    fm_set->Button2->click();
  });
  fm_set->ShowModal();
  EXPECT_EQ(Main.FinishAction, 1);
  // The next showing starts again from the kept choice.
  fm_set->Show();
  EXPECT_EQ(fm_set->rg_finish->ItemIndex(), 1);
}

// ---- about box

TEST_F(DialogsTest, AboutBoxOpensAtTheMainWindowPlus160And100) {
  CreateForms();
  for (QPoint main : {QPoint(0, 0), QPoint(317, 45), QPoint(-120, 900)}) {
    Form->move(main);
    fm_about->Show();
    EXPECT_EQ(fm_about->pos(), main + QPoint(160, 100));
    fm_about->Close();
  }
}

TEST_F(DialogsTest, AboutBoxNamesTheProgram) {
  CreateForms();
  fm_about->Show();
  EXPECT_EQ(fm_about->Label1->Caption(), "Vantrel");
  EXPECT_TRUE(fm_about->Label1->font().bold());
  EXPECT_EQ(fm_about->lbl_web->Caption(), "Visit our web");
  EXPECT_EQ(fm_about->btn_contact->Caption(), "Contact us ");
  Shot(fm_about, "about");
}

TEST_F(DialogsTest, AboutBoxWebLinkTurnsRedUnderTheMouse) {
  CreateForms();
  fm_about->Show();
  auto colour = [] { return fm_about->lbl_web->palette().color(QPalette::WindowText); };
  EXPECT_EQ(colour(), QColor(0, 0, 255));
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(fm_about->lbl_web, &enter);
  EXPECT_EQ(colour(), QColor(255, 0, 0));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(fm_about->lbl_web, &leave);
  EXPECT_EQ(colour(), QColor(0, 0, 255));
}

TEST_F(DialogsTest, AboutBoxLinksOpenTheHomePageAndTheContactAddress) {
  CreateForms();
  std::string home, contact;
  ReadWebInfoRecord(2, home);
  ReadWebInfoRecord(5, contact);
  ASSERT_FALSE(home.empty());
  fm_about->lbl_webClick();
  fm_about->btn_contact->click();
  EXPECT_EQ(Opened, (std::vector<std::string>{home, contact}));
}

// ---- floating skinned window

TEST_F(DialogsTest, ShowWindowIsCreatedHidden) {
  CreateForms();
  EXPECT_FALSE(fm_show->isVisible());
  EXPECT_FALSE(fm_show->ShowText);
  EXPECT_EQ(fm_show->width(), 349);
  EXPECT_EQ(fm_show->height(), 196);
}

TEST_F(DialogsTest, ShowWindowWearsItsSkinWhenShown) {
  CreateForms();
  fm_show->Show();
  EXPECT_TRUE(fm_show->ShowText);
  EXPECT_TRUE(fm_show->ShowElement);
  ASSERT_TRUE(fm_show->Skin1->GetWindowSkinObject(fm_show->Handle()));
  EXPECT_EQ(fm_show->Skin1->GetWindowSkinObject(fm_show->Handle())->GetName(), L"show");
  Shot(fm_show, "show");
}

TEST_F(DialogsTest, ClosingTheShowWindowFreesIt) {
  CreateForms();
  QPointer<Tfm_show> show = fm_show;
  fm_show->Show();
  fm_show->Close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(show.isNull());
  EXPECT_EQ(fm_show, nullptr);
}
