#pragma once
// The about box.
#include "forms.h"

class Tfm_about : public TForm {
public:
  explicit Tfm_about(TComponent *owner);
};

extern Tfm_about *fm_about;
