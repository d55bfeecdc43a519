#pragma once
// The floating skinned window; created at start and never shown.
#include "forms.h"
#include "skincontrol.h"

class Tfm_show : public TForm {
public:
  explicit Tfm_show(TComponent *owner);
  ~Tfm_show() override;

  TSkin *Skin1 = nullptr;
  // The "showstatic" element's interfaces, held from the first showing on.
  std::shared_ptr<ISkinText> ShowText;
  std::shared_ptr<ISkinElement> ShowElement;

  void FormShow();
  void FormClose(TCloseAction &Action);
};

extern Tfm_show *fm_show;
