#pragma once
// The program block's application object and its forms.
#include <QApplication>

#include "component.h"

// The GUI application: an error that leaves an event handler is reported in an error dialog, and the
// program goes on with its message loop.
class TApplication : public QApplication {
public:
  TApplication(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;
  // Shows the error's text in an error dialog.
  static void ShowException(const std::exception &error);
};

// Creates fm_main (the main form, so the first), fm_dir, fm_about, fm_set, fm_show and frmPPTToVideo,
// each owned by `Application` and stored in its global; each form's OnCreate runs as it is made.
void CreateProgramForms(TComponent *Application);
