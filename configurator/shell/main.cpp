// Velk Configurator: configuration and diagnostics of Q5/Q50 positioners.

#include <QApplication>

#include "comm/configurator.h"
#include "shell/main_window.h"
#include "shell/termination_signals.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // These name the settings and the per-user data folder.
  QApplication::setOrganizationName("Velk");
  QApplication::setApplicationName("Velk Configuration and Diagnostics Program");

  velk::closeWindowsOnTerminationSignals();

  velk::Configurator core(velk::mirellLibraryLink());
  velk::TForm1 window(core, velk::ProgramPaths::standard());
  window.show();
  return app.exec();
}
