#include "about.h"

Tfm_about *fm_about = nullptr;

Tfm_about::Tfm_about(TComponent *owner) : TForm(owner) {
  SetName("fm_about");
  SetCaption("About");
  SetClientSize(293, 208);
}
