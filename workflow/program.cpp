#include "program.h"

#include "about.h"
#include "dialogs.h"
#include "dir.h"
#include "main.h"
#include "settings.h"
#include "show.h"
#include "uMain.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception &error) {
    ShowException(error);
    return true;
  }
}

void TApplication::ShowException(const std::exception &error) {
  win::MessageDlg(error.what(), win::TMsgDlgType::mtError, {win::mbOK});
}

void CreateProgramForms(TComponent *Application) {
  fm_main = CreateForm<Tfm_main>(Application);
  fm_dir = CreateForm<Tfm_dir>(Application);
  fm_about = CreateForm<Tfm_about>(Application);
  fm_set = CreateForm<Tfm_set>(Application);
  fm_show = CreateForm<Tfm_show>(Application);
  frmPPTToVideo = CreateForm<TfrmPPTToVideo>(Application);
}
