// The folder chooser: a tree of folders with Ok and Cancel; the caller reads SelectedFolder.
#include "dir.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSortFilterProxyModel>

#include "files.h"
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

namespace {

// Leaves out the folders marked hidden; the names beginning with "." the file model leaves out itself.
class THiddenFolders : public QSortFilterProxyModel {
public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
  bool filterAcceptsRow(int row, const QModelIndex &parent) const override {
    const auto *model = static_cast<const QFileSystemModel *>(sourceModel());
    const std::string path = model->filePath(model->index(row, 0, parent)).toStdString();
    const std::uint32_t attributes = win::GetFileAttributes(path);
    return attributes == win::INVALID_FILE_ATTRIBUTES || !(attributes & win::FILE_ATTRIBUTE_HIDDEN);
  }
};

}  // namespace

TShellTreeView::TShellTreeView(QWidget *parent, TComponent *owner) : TControlOf<QTreeView>(parent, owner) {
  win::HandleOf(this);
  header()->hide();
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  ReadFolders();
}

void TShellTreeView::ReadFolders() {
  QFileSystemModel *oldModel = FModel;
  QSortFilterProxyModel *oldShown = FShown;
  QItemSelectionModel *oldSelection = selectionModel();
  FModel = new QFileSystemModel(this);
  FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  // The tree shows the folders as they were when it was read.
  FModel->setOption(QFileSystemModel::DontWatchForChanges, true);
  FModel->setRootPath(QString());
  FModel->sort(0, Qt::AscendingOrder);
  FShown = new THiddenFolders(this);
  FShown->setSourceModel(FModel);
  setModel(FShown);
  for (int column = 1; column < FShown->columnCount(); ++column) hideColumn(column);
  // Sorting happens as folders arrive; keep the folder in view that was last revealed.
  QObject::connect(FShown, &QAbstractItemModel::layoutChanged, this, [this] {
    if (FRevealed.isValid()) scrollTo(FRevealed);
  });
  delete oldSelection;
  delete oldShown;
  delete oldModel;
}

QModelIndex TShellTreeView::IndexOf(const std::string &path) const {
  const QModelIndex index = FModel->index(QString::fromStdString(path));
  if (!index.isValid() || !FModel->isDir(index)) return {};
  return FShown->mapFromSource(index);
}

std::string TShellTreeView::Path() const {
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return "";
  std::string path = FModel->filePath(FShown->mapToSource(selected.first())).toStdString();
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

void TShellTreeView::SetPath(const std::string &path) {
  const QModelIndex index = IndexOf(path);
  if (!index.isValid()) {
    clearSelection();
    return;
  }
  Reveal(path);
  setCurrentIndex(index);
  selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
}

void TShellTreeView::Reveal(const std::string &path) {
  FRevealedPath = path;
  FRevealed = IndexOf(path);
  for (QModelIndex up = FRevealed.parent(); up.isValid(); up = up.parent()) expand(up);
  if (FRevealed.isValid()) scrollTo(FRevealed);
}

void TShellTreeView::Refresh() {
  const std::string selected = Path();
  const std::string revealed = FRevealedPath;
  ReadFolders();
  if (!selected.empty())
    SetPath(selected);
  else if (!revealed.empty())
    Reveal(revealed);
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
    // Folders made or removed since the last showing are seen as they are now.
    ShellTreeView1->Refresh();
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
