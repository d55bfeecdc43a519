#include "settings.h"

Tfm_set *fm_set = nullptr;

Tfm_set::Tfm_set(TComponent *owner) : TForm(owner) {
  SetName("fm_set");
  SetCaption("Settings");
  SetClientSize(277, 208);
}
