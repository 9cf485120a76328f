#pragma once
// The positioner's four dynamic variables (position, setpoint, temperature,
// pressure) as the CONTROL page's labels show them: read once while
// connecting, then refreshed by every burst message.

#include <string_view>

#include "comm/job_context.h"

namespace velk {

struct ProcessValueLabels {
  // The unit named after the deviation: "%" after the read at connection,
  // the setpoint's unit name for burst samples.
  std::string_view deviationUnit;
  // Whether EditSetPoint shows the setpoint too.
  bool showSetpoint = true;
};

// Writes LabelPosValue, LabelDevValue, LabelTempValue, EditSetPoint (when
// asked) and, for software versions above 8.9, LabelPressValue.
void showProcessValues(FormState& form, const WindowState& window, const BurstReading& reading,
                       const ProcessValueLabels& labels);

// The read at connection: assigns position, setpoint, temperature and
// pressure to the four dynamic variables (command 51), reads them (command 3)
// into the live reading and the labels, and makes the APPEARANCE unit boxes,
// the SETUP stroke and the temperature fields follow the device's units.
// Sent straight to the library: a failure is not logged. Returns whether the
// values were read.
bool readProcessValues(const JobContext& job);

}  // namespace velk
