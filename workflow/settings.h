#pragma once
// The after-finish settings dialog.
#include "forms.h"

class Tfm_set : public TForm {
public:
  explicit Tfm_set(TComponent *owner);
};

extern Tfm_set *fm_set;
