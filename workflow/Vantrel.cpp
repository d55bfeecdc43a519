// The program block. Until the main window exists it says so and ends.
#include <QApplication>
#include <QMessageBox>

#include "Kestrune.h"

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  // Touching an export keeps the library bound at load time, as the finished program will be.
  PassCurrProgessToDLL(0);
  QMessageBox::information(nullptr, "Vantrel", "Vantrel's main window is not built yet.");
  return 0;
}
