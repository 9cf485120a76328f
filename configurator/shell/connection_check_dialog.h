#pragma once
// Comport > "Check connection...": the findings of the connection check about
// the ports this window would open, in a dialog of their own.

class QWidget;

namespace velk {

class Configurator;

// Shows the check's findings in a non-modal dialog (object name
// "ConnectionCheck") that deletes itself when closed.
void showConnectionCheck(Configurator& core, QWidget* parent);

}  // namespace velk
