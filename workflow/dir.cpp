#include "dir.h"

Tfm_dir *fm_dir = nullptr;
std::string SelectedFolder;

Tfm_dir::Tfm_dir(TComponent *owner) : TForm(owner) {
  SetName("fm_dir");
  SetCaption("Output Directory");
  SetClientSize(287, 248);
}
