#pragma once
// The about box.
#include "controls.h"
#include "forms.h"
#include "image.h"

class Tfm_about : public TForm {
public:
  explicit Tfm_about(TComponent *owner);

  TImage *Image1 = nullptr;
  TLabel *Label1 = nullptr;
  TLabel *lbl_web = nullptr;
  TPanel *Panel1 = nullptr;
  TButton *btn_contact = nullptr;
  TButton *btn_close = nullptr;

  void FormShow();
  void lbl_webMouseEnter();
  void lbl_webMouseLeave();
  void lbl_webClick();
  void btn_contactClick();
  void btn_closeClick();
};

extern Tfm_about *fm_about;
