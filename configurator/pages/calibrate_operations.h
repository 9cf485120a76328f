#pragma once
// The CALIBRATE page's operations on the form state: its start values, the
// bounds of its fields, and the single-point calibrations of the input
// current, the temperature sensor and the pressure sensors. The automatic
// calibration is in calibration_sequence.h.

#include <QString>
#include <vector>

#include "comm/page_module.h"
#include "model/edit_validation.h"
#include "model/form_fields.h"

namespace velk {

class FormState;
struct WindowState;

// Start values and "&Default" values of the page's controls.
const PageDefaults& calibrateDefaults();

// The fields checked when the user leaves them, and their bounds now (the
// temperature's follow its unit label).
const std::vector<const char*>& calibrateCheckedFields();
FloatEditBounds calibrateFieldBounds(const FormState& form, const QString& field);

// A single-point calibration: its button, and the command and request it sends.
struct CalibrationPoint {
  const char* button;
  int command;
  const char* field;
  int selector;      // request byte 4 (pressure chamber C+ 0, C- 1); -1: none
  const char* what;  // names the value in a message
};
const std::vector<CalibrationPoint>& calibrationPoints();

// Sends the point of `button`: its field's value as a float at 0 (the
// temperature in kelvin), and the selector byte where it has one. A field
// that holds no number is not sent; the user is told which.
void sendCalibrationPoint(const JobContext& job, const QString& button);

}  // namespace velk
