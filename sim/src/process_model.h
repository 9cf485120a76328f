// The positioner's small process model: the valve travel follows its target
// with a first-order lag and a little measurement noise, temperature and supply
// pressure drift slowly. Time is passed in, and the randomness is seeded, so a
// test steps it exactly.
#pragma once

#include <cstdint>
#include <random>

#include "positioner_sim/device_state.h"

namespace velk::sim {

// What the device measures right now, in its base units.
struct ProcessValues {
  float position_percent = 0.0f;
  float setpoint_percent = 0.0f;
  float temperature_c = 0.0f;
  float supply_pressure_bar = 0.0f;
  float loop_current_ma = 0.0f;
};

// The setpoint the positioner acts on, by its setpoint source.
float effective_setpoint_percent(const DeviceState& state);

// Valve travel the positioner drives to for a setpoint: direction,
// characteristic curve, travel range, then cutoff or limit at each end.
float target_travel_percent(const DeviceState& state, float setpoint_percent);

// The characteristic curve alone (input and output in percent).
float characteristic_output(const CharacteristicSettings& curve, float input_percent);

class ProcessModel {
 public:
  struct Parameters {
    double travel_time_constant_s = 1.5;
    double position_noise_percent = 0.05;
    double ambient_temperature_c = 22.0;
    double temperature_wander_c = 0.02;  // per square root of a second
    double nominal_supply_bar = 5.5;
    double pressure_wander_bar = 0.002;
    double drift_return_time_s = 600.0;  // how fast the drift is pulled back to nominal
  };

  explicit ProcessModel(std::uint64_t seed);
  ProcessModel(std::uint64_t seed, Parameters parameters);

  // Moves the process values of `state` on by dt seconds.
  void advance(DeviceState& state, double dt_s);
  ProcessValues measure(const DeviceState& state) const;

 private:
  Parameters parameters_;
  std::mt19937_64 random_;
  std::normal_distribution<double> gauss_{0.0, 1.0};
  double position_noise_ = 0.0;
};

}  // namespace velk::sim
