#pragma once
// The TUNING page's operations on the form state: its start values and field
// bounds, the page read and page send (with the minimum pulses only for a Q5
// from 9.1 on), and the toggle-step test. Its self test and alarms diagnosis
// are the DIAG ALARMS page's (diagnostics/).

#include <QString>
#include <vector>

#include "comm/page_module.h"
#include "model/edit_validation.h"
#include "model/form_fields.h"

namespace velk {

struct WindowState;

// Start values and "&Default" values of the page's controls.
const PageDefaults& tuningDefaults();

// The fields checked when the user leaves them, with their bounds.
struct BoundedField {
  const char* name;
  FloatEditBounds bounds;
};
const std::vector<BoundedField>& tuningBoundedFields();

// Whether the device has minimum pulses: a Q5 above version 9.0.
bool hasMinPulses(const WindowState& window);

// Reads open/close time, dead band, PID (also into the CALIBRATE page's PID
// labels) and, where the device has them, the minimum pulses.
void readTuning(const JobContext& job, Sender sender);

// Sends the same items. Each step is sent whatever became of the one before,
// but its progress text shows only after the one before succeeded. A field
// that holds no number (the minimum pulses: no whole number from 0 to 65535)
// keeps its step from being sent, and the user is told which field it was.
void sendTuning(const JobContext& job, Sender sender);

// The toggle-step test: start (command 164 with time, cycle time and step
// size) and cancel (165). Neither shows a progress or "Communicating..." text.
void ButtonToggleStepStartClick(const JobContext& job, Sender sender);
void ButtonToggleStepCancelClick(const JobContext& job, Sender sender);

}  // namespace velk
