#pragma once
// The floating skinned window; created at start and never shown.
#include "forms.h"

class Tfm_show : public TForm {
public:
  explicit Tfm_show(TComponent *owner);
};

extern Tfm_show *fm_show;
