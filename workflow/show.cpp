#include "show.h"

Tfm_show *fm_show = nullptr;

Tfm_show::Tfm_show(TComponent *owner) : TForm(owner) {
  SetName("fm_show");
  SetClientSize(349, 196);
}
