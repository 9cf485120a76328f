#pragma once
// The values the window's controls start with that are set at start-up
// rather than built into the pages: the setpoint source items, the texts
// with the locale's decimal separator, each page's defaults, the logs.

#include <QDateTime>

namespace velk {

class FormState;
struct WindowState;

void applyStartupDefaults(FormState& form, WindowState& window,
                          const QDateTime& now = QDateTime::currentDateTime());

}  // namespace velk
