#pragma once
// SIGINT and SIGTERM (Ctrl-C in a terminal, a session logging out) close the
// main window as its Exit item does, so the settings are written and the
// workers stopped before the program ends.

class QWidget;

namespace velk {

void closeOnTerminationSignals(QWidget* window);

}  // namespace velk
