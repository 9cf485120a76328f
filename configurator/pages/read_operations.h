#pragma once
// The READ page's operations on the form state: what identifies the device
// (revisions, device ID, tag, descriptor, date, message, assembly number),
// its statistics, and the single actions that write the polling address,
// tag and descriptor, a new device ID, and reset the statistics. The page
// also holds the polling addresses the connection searches, and shows what
// the search found.

#include <QString>

#include "comm/page_module.h"

namespace velk {

class FormState;
class ThreadCommands;

// Text that is no whole number counts as the field's default (0 and 15);
// addresses are limited to 0..15, the addresses a device can have.
PollRange searchPollRange(const FormState& form);

// Shows the polling address found and, once command 0 answered, the identity.
void showDeviceFound(const JobContext& job, const DeviceIdentity& identity);

// Cuts a longer text of a field to its first `length` characters (tag 8,
// descriptor 16: what packed ASCII carries in their bytes).
void LimitTextLength(FormState& form, const QString& name, int length);
inline constexpr int kTagLength = 8;
inline constexpr int kDescriptorLength = 16;

// "Read data": identity (0, 13, 12, 16), then statistics (146, 147).
void readDeviceData(const JobContext& job, Sender sender);

// "Reset": command 148; the statistics labels say so until the next read.
void resetStatistics(const JobContext& job, Sender sender);

// "Poll Address": command 6 with EditPollAddress. The program goes on
// addressing the device by its long address; the next search finds it at
// the new polling address.
void writePollAddress(const JobContext& job, Sender sender);

// "Tag o Desc.": command 18 with EditTag and EditDescriptor, and the date the
// device reports with command 13 just before, which the write keeps. No date,
// no write.
void writeTagDescriptor(const JobContext& job, Sender sender);

// "Write ID": command 245 with Edit183, then the connection is made afresh
// (as "Connect" asks for one, through `commands`), so the device is found
// under its new ID, whether or not the device took it.
void writeDeviceId(const JobContext& job, Sender sender, ThreadCommands& commands);

}  // namespace velk
