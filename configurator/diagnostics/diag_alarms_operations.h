#pragma once
// The DIAG ALARMS page without widgets: the HART additional device status
// (command 48) shown as strings of "1" and "0" in Edit4, Edit5 and Edit6,
// and the table of 86 diagnostic alarms uploaded from the device's memory
// into the check boxes CheckBox2 to CheckBox87. The TUNING page's "Alarms
// diagnosis" and its self test run the same command 48 read.

#include <QString>
#include <cstdint>

#include "comm/device_memory.h"
#include "comm/page_operation.h"

namespace velk {

// `bits` bits of `value`, most significant first, as "1" and "0".
QString bitText(std::uint32_t value, int bits);

// The command 48 read alone, for operations that keep their own texts (the
// self test): the fields as below. Returns whether the device answered.
bool readAdditionalStatus(const PageOperation& page);

// Command 48 (request length 11, whatever the data field holds): Edit4 the
// bits of byte 6, Edit5 the low four bits of byte 5, Edit6 the 32 bits of the
// integer at byte 7. A failed read leaves the fields as they are. Clears the
// TUNING page's self-test label first.
void ButtonReadDiagnosticsClick(const JobContext& job, Sender sender);

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
