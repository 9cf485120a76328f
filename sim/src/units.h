// Device variables and the units they are reported in.
#pragma once

#include <cstdint>

#include "positioner_sim/device_state.h"
#include "process_model.h"

namespace velk::sim {

bool is_device_variable(std::uint8_t code);
bool unit_allowed(std::uint8_t device_variable, std::uint8_t unit_code);

// The stored unit of a device variable; nullptr for an unknown code and for
// the variables whose unit is fixed.
std::uint8_t* unit_of(DeviceVariableUnits& units, std::uint8_t device_variable);
// The unit a device variable is reported in; 0 for an unknown code.
std::uint8_t unit_of(const DeviceVariableUnits& units, std::uint8_t device_variable);

struct VariableReading {
  std::uint8_t unit_code = 0;
  float value = 0.0f;
};

// A device variable's present value in its chosen unit.
VariableReading read_device_variable(std::uint8_t device_variable, const DeviceState& state,
                                     const ProcessValues& values);

}  // namespace velk::sim
