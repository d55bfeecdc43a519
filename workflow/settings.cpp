// The after-finish settings dialog: shows FinishAction and changes it only on OK.
#include "settings.h"

#include "main.h"

Tfm_set *fm_set = nullptr;

Tfm_set::Tfm_set(TComponent *owner) : TForm(owner) {
  SetName("fm_set");
  SetCaption("Settings");
  // A title bar without border icons.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  SetClientSize(277, 208);
  QFont font = this->font();
  font.setPixelSize(11);
  setFont(font);

  rg_finish = new TRadioGroup(this, this);
  rg_finish->SetName("rg_finish");
  rg_finish->SetCaption("Settings");
  rg_finish->SetBounds(8, 8, 261, 153);
  for (const char *item : {"Do nothing after converting finished", "Open the target folder after converting finished",
                           "Automatically shutdown after converting finished"})
    rg_finish->Items().Add(item);

  Button1 = new TButton(this, this);
  Button1->SetName("Button1");
  Button1->SetCaption("OK");
  Button1->SetBounds(106, 173, 75, 25);
  Button1->OnClick = [this] { Button1Click(); };
  Button2 = new TButton(this, this);
  Button2->SetName("Button2");
  Button2->SetCaption("Cancel");
  Button2->SetBounds(194, 173, 75, 25);
  Button2->OnClick = [this] { Button2Click(); };
  FitToItems();

  OnShow = [this] { FormShow(); };
}

void Tfm_set::FormShow() {
  if (fm_main) {
    const QRect main = fm_main->frameGeometry();
    move(main.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
  rg_finish->SetItemIndex(Main.FinishAction);
}

void Tfm_set::Button1Click() {
  Main.FinishAction = rg_finish->ItemIndex();
  Close();
}

void Tfm_set::Button2Click() { Close(); }

void Tfm_set::FitToItems() {
  const int extra = rg_finish->sizeHint().width() - rg_finish->Width();
  if (extra <= 0) return;
  SetClientSize(width() + extra, height());
  rg_finish->SetWidth(rg_finish->Width() + extra);
  Button1->SetLeft(Button1->Left() + extra);
  Button2->SetLeft(Button2->Left() + extra);
}
