#pragma once
// The LOGS page without widgets: the communication log (kCommunicationLog),
// which failed commands and disconnections write, and the device's event
// log, which "Get log" reads from the device's memory.

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "comm/device_memory.h"

namespace velk {

class FormState;

inline constexpr const char* kEventLog = "diag_alarms_log";
inline constexpr int kEventLogShown = 100;
inline constexpr int kEventEntryBytes = 35;

// Both logs as the program starts: the communication log empty, the event
// log with its one line stamped `now`.
void applyLogsDefaults(FormState& form, const QDateTime& now = QDateTime::currentDateTime());

// The text of event-log entry `entry` in `entries` (35 bytes each, as an
// upload of size 1 gives them): the zero-terminated text 17 bytes into the
// entry, never reaching past the entry's end; a control character shows as
// "?" so that an entry stays one line. Nothing when a byte of the entry was
// not read (it is negative: the upload's block failed).
std::optional<QString> eventEntryText(const std::vector<std::int32_t>& entries, int entry);

// "Get log" (Button50Click): the directory (area 0, 196 elements of 2 bytes)
// gives the number of entries at element 140; the first min(count, 100)
// entries in the device's order (area 10, 35 bytes each) replace the event
// log, one line each, an entry that could not be read as a line saying so.
// If the count itself could not be read, the log keeps what it showed. The
// status bar tells the outcome.
StepJob getEventLog();

}  // namespace velk
