#include "process_model.h"

#include <algorithm>
#include <cmath>

#include "calibration_model.h"
#include "supervision.h"

namespace velk::sim {

namespace {

float clamp_percent(float value) { return std::clamp(value, 0.0f, 100.0f); }

// Straight-line interpolation over the custom points in use; inputs are taken
// as sorted, and a zero-width segment gives its left point.
float custom_curve_output(const CharacteristicSettings& curve, float x) {
  const std::size_t count = std::clamp<std::size_t>(curve.custom_point_count, 2, kMaxCurvePoints);
  const auto& p = curve.custom_points;
  if (x <= p[0].input_percent) return p[0].output_percent;
  for (std::size_t i = 1; i < count; ++i) {
    if (x <= p[i].input_percent) {
      const float width = p[i].input_percent - p[i - 1].input_percent;
      if (width <= 0.0f) return p[i - 1].output_percent;
      const float share = (x - p[i - 1].input_percent) / width;
      return p[i - 1].output_percent + share * (p[i].output_percent - p[i - 1].output_percent);
    }
  }
  return p[count - 1].output_percent;
}

}  // namespace

float characteristic_output(const CharacteristicSettings& curve, float input_percent) {
  const double x = clamp_percent(input_percent);
  const double r = std::pow(1.33, 10.0);
  switch (curve.transfer_function) {
    case transfer_function::kEqualPercent:
      return static_cast<float>(100.0 * (std::pow(r, x / 100.0 - 1.0) - 1.0 / r) / (1.0 - 1.0 / r));
    case transfer_function::kQuickOpen:
      return static_cast<float>(100.0 * std::log(1.0 + 2.39 * x) / std::log(240.0));
    case transfer_function::kSquareRoot: return static_cast<float>(std::sqrt(100.0 * x));
    case transfer_function::kCustom: return custom_curve_output(curve, static_cast<float>(x));
    default: return static_cast<float>(x);
  }
}

float effective_setpoint_percent(const DeviceState& state) {
  switch (state.control.setpoint_source) {
    case setpoint_source::kHart: return state.control.hart_setpoint_percent;
    case setpoint_source::kManual: return state.control.manual_setpoint_percent;
    default: {
      const float span = state.setup.current_range_max_ma - state.setup.current_range_min_ma;
      if (span <= 0.0f) return 0.0f;
      return (state.control.loop_current_ma - state.setup.current_range_min_ma) * 100.0f / span;
    }
  }
}

float target_travel_percent(const DeviceState& state, float setpoint_percent) {
  const auto& setup = state.setup;
  float input = clamp_percent(setpoint_percent);
  if (setup.direction == 1) input = 100.0f - input;
  const float shaped = characteristic_output(state.characteristic, input);
  float travel = setup.travel_lower_percent +
                 (setup.travel_upper_percent - setup.travel_lower_percent) * shaped / 100.0f;

  const auto low = static_cast<std::size_t>(TravelEnd::Low);
  const auto high = static_cast<std::size_t>(TravelEnd::High);
  constexpr std::uint8_t kCutoff = 1;
  constexpr std::uint8_t kLimited = 2;
  if (setup.travel_control[low] == kCutoff && input <= setup.cutoff_percent[low]) return 0.0f;
  if (setup.travel_control[high] == kCutoff && input >= setup.cutoff_percent[high]) return 100.0f;
  if (setup.travel_control[low] == kLimited) travel = std::max(travel, setup.limited_percent[low]);
  if (setup.travel_control[high] == kLimited) travel = std::min(travel, setup.limited_percent[high]);
  return clamp_percent(travel);
}

ProcessModel::ProcessModel(std::uint64_t seed) : ProcessModel(seed, Parameters{}) {}

ProcessModel::ProcessModel(std::uint64_t seed, Parameters parameters)
    : parameters_(parameters), random_(seed) {}

void ProcessModel::advance(DeviceState& state, double dt_s) {
  if (dt_s <= 0.0) return;
  advance_device_procedures(state, dt_s);
  auto& process = state.process;
  const float previous_position = process.position_percent;
  // The toggle-step test moves the valve around the setpoint's travel.
  const auto target = static_cast<float>(clamp_percent(
      target_travel_percent(state, effective_setpoint_percent(state)) + toggle_step_offset_percent(state.calibration)));
  // Out of service the positioner stops controlling and the valve stays put.
  if (!state.service.out_of_service) {
    const double share = 1.0 - std::exp(-dt_s / parameters_.travel_time_constant_s);
    process.position_percent =
        static_cast<float>(process.position_percent + (target - process.position_percent) * share);
  }
  position_noise_ = parameters_.position_noise_percent * gauss_(random_);

  const double pull = std::min(1.0, dt_s / parameters_.drift_return_time_s);
  const double root_dt = std::sqrt(dt_s);
  process.temperature_c = static_cast<float>(
      process.temperature_c + (parameters_.ambient_temperature_c - process.temperature_c) * pull +
      parameters_.temperature_wander_c * root_dt * gauss_(random_));
  process.supply_pressure_bar = static_cast<float>(
      process.supply_pressure_bar + (parameters_.nominal_supply_bar - process.supply_pressure_bar) * pull +
      parameters_.pressure_wander_bar * root_dt * gauss_(random_));
  supervise(state, previous_position, target, dt_s);
}

ProcessValues ProcessModel::measure(const DeviceState& state) const {
  ProcessValues values;
  values.position_percent = static_cast<float>(state.process.position_percent + position_noise_);
  values.setpoint_percent = effective_setpoint_percent(state);
  values.temperature_c = state.process.temperature_c;
  values.supply_pressure_bar = state.process.supply_pressure_bar;
  values.loop_current_ma = state.control.loop_current_ma;
  return values;
}

}  // namespace velk::sim
