// The program block: no command-line arguments are read.
#include <QTimer>

#include "main.h"
#include "program.h"

int main(int argc, char *argv[]) {
  TApplication app(argc, argv);
  // Only the main form's close ends the program, and FormClose does that itself.
  app.setQuitOnLastWindowClosed(false);
  TComponent Application;
  try {
    CreateProgramForms(&Application);
  } catch (const std::exception &error) {
    TApplication::ShowException(error);
    return 1;
  }
  // The loop shows the main form once every form exists.
  QTimer::singleShot(0, [] { fm_main->Show(); });
  return app.exec();
}
