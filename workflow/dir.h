#pragma once
// The folder chooser.
#include <string>

#include "forms.h"

class Tfm_dir : public TForm {
public:
  explicit Tfm_dir(TComponent *owner);
};

extern Tfm_dir *fm_dir;
// The folder last confirmed in fm_dir; empty after Cancel.
extern std::string SelectedFolder;
