#pragma once
// The READ page's part in connecting: the polling addresses the search
// covers (SearchPollStart, SearchPollStop), and what the device found
// answered: its polling address, command revisions, software and hardware
// revisions and device ID.

#include "comm/page_module.h"

namespace velk {

class FormState;

// Text that is no whole number counts as the field's default (0 and 15);
// addresses are limited to 0..15, the addresses a device can have.
PollRange searchPollRange(const FormState& form);

// Shows the polling address found and, once command 0 answered, the identity.
void showDeviceFound(const JobContext& job, const DeviceIdentity& identity);

}  // namespace velk
