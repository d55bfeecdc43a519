#pragma once
// The folder chooser.
#include <QTreeView>
#include <string>

#include "controls.h"
#include "forms.h"

class QFileSystemModel;
class QSortFilterProxyModel;

// A tree of the file system's folders, from its root down; hidden folders are left out.
class TShellTreeView : public TControlOf<QTreeView> {
public:
  explicit TShellTreeView(QWidget *parent = nullptr, TComponent *owner = nullptr);
  // The selected folder's path without a trailing "/" (the root is "/"); empty when none is selected.
  std::string Path() const;
  // Selects a folder and opens the tree down to it; a path that is no folder, or one the tree does
  // not show, clears the selection.
  void SetPath(const std::string &path);
  // Opens the tree down to a folder without selecting it.
  void Reveal(const std::string &path);
  // Reads the folders afresh, keeping the selected folder selected and the revealed one in view.
  void Refresh();

private:
  void ReadFolders();
  // The tree's row of a folder; invalid when the tree does not show it.
  QModelIndex IndexOf(const std::string &path) const;

  QFileSystemModel *FModel = nullptr;
  QSortFilterProxyModel *FShown = nullptr;
  QPersistentModelIndex FRevealed;
  std::string FRevealedPath;
};

class Tfm_dir : public TForm {
public:
  explicit Tfm_dir(TComponent *owner);

  TShellTreeView *ShellTreeView1 = nullptr;
  TButton *btn_ok = nullptr;
  TButton *btn_cancel = nullptr;

  void btn_okClick();
  void btn_cancelClick();

private:
  bool FConfirmed = false;
};

extern Tfm_dir *fm_dir;
// The folder last confirmed in fm_dir; empty after Cancel.
extern std::string SelectedFolder;
