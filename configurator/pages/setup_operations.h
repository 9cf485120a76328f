#pragma once
// The SETUP page's operations on the form state: its start values, the stroke
// group that only a linear actuator uses, and the page read and page send. The
// buttons run the read and send as jobs with Sender::Click; "Read All" and
// "Send All" run the same with Sender::Sequence.

#include "comm/page_module.h"
#include "model/edit_validation.h"
#include "model/form_fields.h"

namespace velk {

class FormState;
struct WindowState;

// Start values and "&Default" values of the page's controls.
const PageDefaults& setupDefaults();

// Puts the page to its start values (start-up, "&Default").
void applySetupDefaults(FormState& form, const WindowState& window);

// After ComboBoxActuatorType changed: a text that is no item becomes
// "Rotating", and the stroke group is enabled only for "Linear".
void actuatorTypeChanged(FormState& form);

// Bounds of EditStroke in the unit its label names.
FloatEditBounds strokeFieldBounds(const FormState& form);

// Reads the page's 14 items from the device.
void readSetup(const JobContext& job, Sender sender);

// Writes the page's 13 items to the device. The device takes them only out of
// service.
void sendSetup(const JobContext& job, Sender sender);

}  // namespace velk
