#include "units.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>

#include "diagnostic_history.h"

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

// What each device variable measures decides the units it can be given.
enum class Quantity : std::uint8_t { Travel, Setpoint, Temperature, Pressure, Deviation, Counts };

struct VariableKind {
  Quantity quantity;
  std::uint8_t DeviceVariableUnits::*unit;  // nullptr: the quantity's fixed unit
};

// Indexed by device variable code.
constexpr VariableKind kVariables[] = {
    {Quantity::Travel, &DeviceVariableUnits::position},
    {Quantity::Setpoint, &DeviceVariableUnits::setpoint},
    {Quantity::Temperature, &DeviceVariableUnits::temperature},
    {Quantity::Pressure, &DeviceVariableUnits::pressure_plus},
    {Quantity::Deviation, nullptr},
    {Quantity::Pressure, &DeviceVariableUnits::supply_pressure},
    {Quantity::Pressure, &DeviceVariableUnits::pressure_minus},
    {Quantity::Counts, nullptr},
    {Quantity::Travel, &DeviceVariableUnits::filtered_position},
};
static_assert(std::size(kVariables) == device_variable::kLast + 1);

const VariableKind* kind_of(std::uint8_t device_variable) {
  return device_variable < std::size(kVariables) ? &kVariables[device_variable] : nullptr;
}

std::uint8_t fixed_unit(Quantity quantity) {
  return quantity == Quantity::Counts ? unit::kNone : unit::kPercent;
}

// Full travel on the travel sensor, in counts.
constexpr double kRawCountsAtFullTravel = 4092.0;

}  // namespace

bool is_device_variable(std::uint8_t code) { return kind_of(code) != nullptr; }

bool unit_allowed(std::uint8_t device_variable, std::uint8_t unit_code) {
  using namespace unit;
  const auto* kind = kind_of(device_variable);
  if (!kind) return false;
  switch (kind->quantity) {
    case Quantity::Travel: return one_of(unit_code, {kPercent, kMillimetre, kCentimetre, kInch, kDegrees});
    case Quantity::Setpoint:
      return one_of(unit_code, {kPercent, kMilliampere, kMillimetre, kCentimetre, kInch, kDegrees});
    case Quantity::Temperature: return one_of(unit_code, {kCelsius, kFahrenheit, kKelvin});
    case Quantity::Pressure: return one_of(unit_code, {kBar, kPsi, kKiloPascal});
    default: return unit_code == fixed_unit(kind->quantity);
  }
}

std::uint8_t* unit_of(DeviceVariableUnits& units, std::uint8_t device_variable) {
  const auto* kind = kind_of(device_variable);
  return kind && kind->unit ? &(units.*(kind->unit)) : nullptr;
}

std::uint8_t unit_of(const DeviceVariableUnits& units, std::uint8_t device_variable) {
  const auto* kind = kind_of(device_variable);
  if (!kind) return 0;
  return kind->unit ? units.*(kind->unit) : fixed_unit(kind->quantity);
}

VariableReading read_device_variable(std::uint8_t device_variable, const DeviceState& state,
                                     const ProcessValues& values) {
  const auto code = unit_of(state.units, device_variable);
  const double stroke = state.setup.stroke_mm;
  const auto reading = [code](double value) { return VariableReading{code, static_cast<float>(value)}; };
  switch (device_variable) {
    case device_variable::kPosition: return reading(travel_in_unit(values.position_percent, code, stroke));
    case device_variable::kSetpoint: return reading(travel_in_unit(values.setpoint_percent, code, stroke));
    case device_variable::kTemperature: return reading(temperature_in_unit(values.temperature_c, code));
    case device_variable::kPressurePlus:
      return reading(pressure_in_unit(actuator_pressures(state, values).plus_bar, code));
    case device_variable::kDeviation: return reading(control_deviation_percent(state, values));
    case device_variable::kSupplyPressure: return reading(pressure_in_unit(values.supply_pressure_bar, code));
    case device_variable::kPressureMinus:
      return reading(pressure_in_unit(actuator_pressures(state, values).minus_bar, code));
    case device_variable::kRawPosition:
      return reading(std::round(values.position_percent * kRawCountsAtFullTravel / 100.0));
    case device_variable::kFilteredPosition:
      return reading(travel_in_unit(state.process.position_percent, code, stroke));
    default: return {};
  }
}

}  // namespace velk::sim
