#pragma once
// The DIAG ALARMS page without widgets: the HART additional device status
// (command 48) shown as strings of "1" and "0" in Edit4, Edit5 and Edit6,
// and the table of 86 diagnostic alarms uploaded from the device's memory
// into the check boxes CheckBox2 to CheckBox87. The command 48 read and the
// self test, which the TUNING page runs too, are in checks/.

#include <QString>
#include <cstdint>

#include "comm/device_memory.h"
#include "comm/page_operation.h"

namespace velk {

inline constexpr int kDiagnosticAlarms = 86;
inline constexpr const char* kUploadMessage = "Edit168";

// Alarm `byte` (0 to 85) of the table: its check box ("CheckBox2" for byte
// 0), the number its row shows (26 is left out: byte 26 reads 27) and its text.
QString alarmCheckBox(int byte);
int alarmRowNumber(int byte);
const char* alarmText(int byte);

// "Upload alarms" (Button38Click): area 9, 87 bytes in four blocks; a
// non-zero byte checks its alarm's box. Edit168 is emptied first and shows
// "Upload OK" only when every block came; a failed block leaves its boxes as
// they were and the status bar says how many failed.
StepJob uploadAlarms();

}  // namespace velk
