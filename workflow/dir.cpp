// The folder chooser: a tree of folders with Ok and Cancel; the caller reads SelectedFolder.
#include "dir.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>

#include "main.h"
#include "paths.h"

Tfm_dir *fm_dir = nullptr;
std::string SelectedFolder;

namespace {

// The form's place at its showing: over the middle of the main window when there is one.
void CentreOnMainForm(QWidget *form) {
  if (!fm_main) return;
  const QRect main = fm_main->frameGeometry();
  form->move(main.center() - QPoint(form->frameGeometry().width() / 2, form->frameGeometry().height() / 2));
}

}  // namespace

// ---- the folder tree

TShellTreeView::TShellTreeView(QWidget *parent, TComponent *owner)
    : TControlOf<QTreeView>(parent, owner), FModel(new QFileSystemModel(this)) {
  win::HandleOf(this);
  FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives | QDir::Hidden);
  // The tree shows the folders as they were when it was opened.
  FModel->setOption(QFileSystemModel::DontWatchForChanges, true);
  FModel->setRootPath(QString());
  setModel(FModel);
  setSortingEnabled(true);
  sortByColumn(0, Qt::AscendingOrder);
  for (int column = 1; column < FModel->columnCount(); ++column) hideColumn(column);
  header()->hide();
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Sorting happens as folders arrive; keep the folder in view that was last revealed.
  QObject::connect(FModel, &QFileSystemModel::layoutChanged, this, [this] {
    if (FRevealed.isValid()) scrollTo(FRevealed);
  });
}

std::string TShellTreeView::Path() const {
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return "";
  std::string path = FModel->filePath(selected.first()).toStdString();
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

void TShellTreeView::SetPath(const std::string &path) {
  const QModelIndex index = FModel->index(QString::fromStdString(path));
  if (!index.isValid() || !FModel->isDir(index)) {
    clearSelection();
    return;
  }
  Reveal(path);
  setCurrentIndex(index);
  selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
}

void TShellTreeView::Reveal(const std::string &path) {
  for (QModelIndex up = FModel->index(QString::fromStdString(path)).parent(); up.isValid(); up = up.parent())
    expand(up);
  FRevealed = FModel->index(QString::fromStdString(path));
  scrollTo(FRevealed);
}

// ---- the form

Tfm_dir::Tfm_dir(TComponent *owner) : TForm(owner) {
  SetName("fm_dir");
  SetCaption("Output Directory");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  SetClientSize(287, 248);
  setMinimumWidth(150);

  ShellTreeView1 = new TShellTreeView(this, this);
  ShellTreeView1->SetName("ShellTreeView1");
  ShellTreeView1->SetBounds(8, 8, 271, 197);
  // Open at the user's home folder, with nothing chosen yet.
  ShellTreeView1->Reveal(win::HomeFolder());

  btn_ok = new TButton(this, this);
  btn_ok->SetName("btn_ok");
  btn_ok->SetCaption("Ok");
  btn_ok->SetBounds(116, 215, 75, 25);
  btn_ok->OnClick = [this] { btn_okClick(); };
  btn_cancel = new TButton(this, this);
  btn_cancel->SetName("btn_cancel");
  btn_cancel->SetCaption("Cancel");
  btn_cancel->SetBounds(204, 215, 75, 25);
  btn_cancel->OnClick = [this] { btn_cancelClick(); };

  OnShow = [this] {
    FConfirmed = false;
    CentreOnMainForm(this);
  };
  // Leaving by the window's close box chooses nothing, as Cancel does, so that the caller does not
  // take an earlier choice for this one.
  OnClose = [this](TCloseAction &) {
    if (!FConfirmed) SelectedFolder.clear();
  };
}

void Tfm_dir::btn_okClick() {
  SelectedFolder = ShellTreeView1->Path();
  if (SelectedFolder.empty()) return;
  FConfirmed = true;
  Close();
}

void Tfm_dir::btn_cancelClick() {
  SelectedFolder.clear();
  Close();
}
