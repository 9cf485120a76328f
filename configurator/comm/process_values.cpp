#include "comm/process_values.h"

#include "comm/direct_command.h"
#include "pages/field_validation.h"
#include "pages/logic/number_text.h"
#include "pages/appearance_operations.h"

namespace velk {

namespace {

constexpr int kAssignDynamicVariables = 51;
constexpr int kReadDynamicVariables = 3;
constexpr int kAttempts = 2;
// Device variable codes for the primary to fourth variable: position,
// setpoint, temperature, supply pressure.
constexpr unsigned kAssignedVariables[4] = {0, 1, 2, 5};
// Software versions above 8.9 measure the supply pressure.
constexpr int kFirstVersionWithPressure = 90;

std::string_view unitOf(const BurstReading& reading, BurstSlot slot) {
  return unitName(static_cast<UnitKind>(slot), reading.BurstUnit[slot]);
}

}  // namespace

void showProcessValues(FormState& form, const WindowState& window, const BurstReading& reading,
                       const ProcessValueLabels& labels) {
  const char separator = decimalSeparator(window);
  auto valueText = [&](BurstSlot slot) {
    return QString::fromStdString(
        formatValueWithUnit(reading.BurstValue[slot], unitOf(reading, slot), separator));
  };
  const float position = reading.BurstValue[kBurstPosition];
  const float setpoint = reading.BurstValue[kBurstSetpoint];

  form.setText("LabelPosValue", valueText(kBurstPosition));
  if (labels.showSetpoint)
    form.setText("EditSetPoint", QString::fromStdString(formatFixed(setpoint, 2, separator)));
  form.setText("LabelDevValue", QString::fromStdString(formatValueWithUnit(
                                    setpoint - position, labels.deviationUnit, separator)));
  form.setText("LabelTempValue", valueText(kBurstTemperature));
  if (window.DeviceVersion.load() >= kFirstVersionWithPressure)
    form.setText("LabelPressValue", valueText(kBurstPressure));
}

bool readProcessValues(const JobContext& job) {
  const int handle = job.window.InstrumentHandle.load();
  const bool withPressure = job.window.DeviceVersion.load() >= kFirstVersionWithPressure;
  BurstReading reading = job.live.reading();
  {
    auto tx = job.transaction();
    for (int slot = 0; slot < 4; ++slot) tx->SetInteger(slot, 1, kAssignedVariables[slot]);
    // Whether the device took the assignment shows in what command 3 returns.
    attemptCommand(tx.api(), kAssignDynamicVariables, handle, 4, kAttempts);
    if (!attemptCommand(tx.api(), kReadDynamicVariables, handle, 0, kAttempts)) return false;
    HartLink& reply = tx.api();
    takeDynamicVariables(
        reading, withPressure ? 4 : 3,
        [&](int offset, int length) { return reply.GetInteger(offset, length); },
        [&](int offset) { return reply.GetFloat(offset); });
  }
  job.live.setReading(reading);
  showProcessValues(job.form, job.window, reading, {.deviationUnit = "%", .showSetpoint = true});

  // The APPEARANCE page and the fields that follow the units take them as a
  // unit read does (the pressure unit is left to that page's own read).
  for (UnitKind kind : {UnitKind::Position, UnitKind::Setpoint, UnitKind::Temperature})
    applyDeviceUnit(job.form, job.window, kind, reading.BurstUnit[static_cast<int>(kind)]);
  return true;
}

}  // namespace velk
