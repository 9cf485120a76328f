#pragma once
// The ALARMS page's operations on the form state: six supervision alarms,
// each one command to read and one to send, with the same data layout both
// ways. The pot = press and pressure alarms exist from version 9.0 on; below
// it they are neither read nor sent. Temperatures are in the unit the
// temperature labels show, which follows the device's temperature unit.

#include <QString>
#include <optional>

#include "comm/page_module.h"
#include "model/edit_validation.h"
#include "model/form_fields.h"

namespace velk {

class FormState;
struct WindowState;

// Start values and "&Default" values of the page's controls.
const PageDefaults& alarmsDefaults();

// The bounds a value field is checked with when the user leaves it, as its
// unit label stands now; nothing for a control that is no alarm value.
std::optional<FloatEditBounds> alarmEditBounds(const FormState& form, const QString& field);

// Reads the alarms. Started by its button it reads the device's units first,
// so the temperatures that follow are labelled with the unit they come in.
void readAlarms(const JobContext& job, Sender sender);

// Sends the alarms, each whatever became of the one before, values as shown.
void sendAlarms(const JobContext& job, Sender sender);

}  // namespace velk
