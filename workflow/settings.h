#pragma once
// The after-finish settings dialog.
#include "controls.h"
#include "forms.h"

class Tfm_set : public TForm {
public:
  explicit Tfm_set(TComponent *owner);

  TRadioGroup *rg_finish = nullptr;
  TButton *Button1 = nullptr;  // "OK"
  TButton *Button2 = nullptr;  // "Cancel"

  void FormShow();
  void Button1Click();
  void Button2Click();

private:
  // Widens the form where the system's font needs more room than the design gives the items.
  void FitToItems();
};

extern Tfm_set *fm_set;
