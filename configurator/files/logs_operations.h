#pragma once
// The LOGS page without widgets: the communication log (kCommunicationLog),
// which failed commands and disconnections write, and the device's event log.

#include <QDateTime>

namespace velk {

class FormState;

inline constexpr const char* kEventLog = "diag_alarms_log";

// Both logs as the program starts: the communication log empty, the event
// log with its one line stamped `now`.
void applyLogsDefaults(FormState& form, const QDateTime& now = QDateTime::currentDateTime());

}  // namespace velk
