#pragma once
// SIGINT and SIGTERM (Ctrl-C in a terminal, a session logging out) close the
// windows as the Exit item does, so the settings are written and the workers
// stopped before the program ends. Install it before the main window is
// built: a signal that arrives during start-up is served once the event loop
// runs.

namespace velk {

void closeWindowsOnTerminationSignals();

}  // namespace velk
