#include "units.h"

#include <algorithm>
#include <initializer_list>

namespace velk::sim {

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kRotaryTravelDegrees = 90.0;
constexpr double kPsiPerBar = 14.503773773;

bool one_of(std::uint8_t value, std::initializer_list<std::uint8_t> allowed) {
  return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// Travel in percent, expressed in a length or angle unit (stroke in mm).
double travel_in_unit(double percent, std::uint8_t unit_code, double stroke_mm) {
  switch (unit_code) {
    case unit::kMillimetre: return stroke_mm * percent / 100.0;
    case unit::kCentimetre: return stroke_mm * percent / 1000.0;
    case unit::kInch: return stroke_mm * percent / 100.0 / kMillimetresPerInch;
    case unit::kDegrees: return kRotaryTravelDegrees * percent / 100.0;
    case unit::kMilliampere: return 4.0 + 16.0 * percent / 100.0;
    default: return percent;
  }
}

double temperature_in_unit(double celsius, std::uint8_t unit_code) {
  switch (unit_code) {
    case unit::kFahrenheit: return celsius * 1.8 + 32.0;
    case unit::kKelvin: return celsius + 273.15;
    default: return celsius;
  }
}

double pressure_in_unit(double bar, std::uint8_t unit_code) {
  switch (unit_code) {
    case unit::kPsi: return bar * kPsiPerBar;
    case unit::kKiloPascal: return bar * 100.0;
    default: return bar;
  }
}

}  // namespace

bool is_device_variable(std::uint8_t code) {
  return one_of(code, {device_variable::kPosition, device_variable::kSetpoint, device_variable::kTemperature,
                       device_variable::kSupplyPressure});
}

bool unit_allowed(std::uint8_t device_variable, std::uint8_t unit_code) {
  using namespace unit;
  switch (device_variable) {
    case device_variable::kPosition:
      return one_of(unit_code, {kPercent, kMillimetre, kCentimetre, kInch, kDegrees});
    case device_variable::kSetpoint:
      return one_of(unit_code, {kPercent, kMilliampere, kMillimetre, kCentimetre, kInch, kDegrees});
    case device_variable::kTemperature: return one_of(unit_code, {kCelsius, kFahrenheit, kKelvin});
    case device_variable::kSupplyPressure: return one_of(unit_code, {kBar, kPsi, kKiloPascal});
    default: return false;
  }
}

std::uint8_t* unit_of(DeviceVariableUnits& units, std::uint8_t device_variable) {
  switch (device_variable) {
    case device_variable::kPosition: return &units.position;
    case device_variable::kSetpoint: return &units.setpoint;
    case device_variable::kTemperature: return &units.temperature;
    case device_variable::kSupplyPressure: return &units.supply_pressure;
    default: return nullptr;
  }
}

std::uint8_t unit_of(const DeviceVariableUnits& units, std::uint8_t device_variable) {
  const auto* code = unit_of(const_cast<DeviceVariableUnits&>(units), device_variable);
  return code ? *code : 0;
}

VariableReading read_device_variable(std::uint8_t device_variable, const DeviceState& state,
                                     const ProcessValues& values) {
  const auto code = unit_of(state.units, device_variable);
  const double stroke = state.setup.stroke_mm;
  switch (device_variable) {
    case device_variable::kPosition:
      return {code, static_cast<float>(travel_in_unit(values.position_percent, code, stroke))};
    case device_variable::kSetpoint:
      return {code, static_cast<float>(travel_in_unit(values.setpoint_percent, code, stroke))};
    case device_variable::kTemperature:
      return {code, static_cast<float>(temperature_in_unit(values.temperature_c, code))};
    case device_variable::kSupplyPressure:
      return {code, static_cast<float>(pressure_in_unit(values.supply_pressure_bar, code))};
    default: return {};
  }
}

}  // namespace velk::sim
