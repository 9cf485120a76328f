#pragma once
// The HART additional device status (command 48) shown as strings of "1" and
// "0" in Edit4, Edit5 and Edit6: the DIAG ALARMS page's "Alarms diagnosis",
// the TUNING page's, and the end of the memory self test.

#include <QString>
#include <cstdint>

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

}  // namespace velk
