#pragma once
// The positioner's four dynamic variables (position, setpoint, temperature,
// pressure) as the CONTROL page's labels show them: read once while
// connecting, then refreshed by every burst message.

#include <string_view>

#include "comm/job_context.h"
#include "pages/logic/engineering_units.h"

namespace velk {

struct ProcessValueLabels {
  // The unit named after the deviation: "%" after the read at connection,
  // the setpoint's unit name for burst samples.
  std::string_view deviationUnit;
  // Whether EditSetPoint shows the setpoint too.
  bool showSetpoint = true;
};

// Command 3's data, as a reply or as a burst message: the loop current, then
// the unit code and value of each variable. Takes the first `variables` of
// them into `reading`, through the data field's or the burst buffer's
// accessors.
template <typename IntegerAt, typename FloatAt>
void takeDynamicVariables(BurstReading& reading, int variables, IntegerAt integerAt,
                          FloatAt floatAt) {
  for (int slot = 0; slot < variables; ++slot) {
    reading.BurstUnit[slot] =
        UnitIndexFromCode(static_cast<UnitKind>(slot), static_cast<int>(integerAt(4 + 5 * slot, 1)));
    reading.BurstValue[slot] = floatAt(5 + 5 * slot);
  }
}

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
