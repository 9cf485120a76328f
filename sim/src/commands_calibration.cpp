// CALIBRATE: the automatic calibration (status, start and stop of travel
// calibration, leak test and tuning) and the single-point calibrations of the
// input current, the temperature sensor and the pressure sensors.
#include "calibration_model.h"
#include "command_registry.h"
#include "setting_handlers.h"

namespace velk::sim {

namespace {

// What the sensors can be calibrated at; a point outside is refused.
constexpr float kCurrentLowMinMa = 3.8f;
constexpr float kCurrentLowMaxMa = 10.0f;
constexpr float kCurrentHighMinMa = 10.0f;
constexpr float kCurrentHighMaxMa = 20.5f;
constexpr float kTemperatureMinK = 230.0f;  // a little beyond -40 to 120 degrees C
constexpr float kTemperatureMaxK = 400.0f;
constexpr float kPressureLowMinKpa = -20.0f;
constexpr float kPressureLowMaxKpa = 20.0f;
constexpr float kPressureHighMinKpa = 100.0f;
constexpr float kPressureHighMaxKpa = 1000.0f;

void read_calibration_status(CommandContext& c) { c.reply_u8(c.state.calibration.status); }

template <CalibrationStage Stage>
void start_stage(CommandContext& c) {
  start_calibration_stage(c.state.calibration, Stage);
}

template <CalibrationStage Stage>
void stop_stage(CommandContext& c) {
  stop_calibration_stage(c.state.calibration, Stage);
}

// The range of each current point: low, high.
constexpr float kCurrentPointMinMa[] = {kCurrentLowMinMa, kCurrentHighMinMa};
constexpr float kCurrentPointMaxMa[] = {kCurrentLowMaxMa, kCurrentHighMaxMa};

template <std::size_t Point>
void calibrate_current(CommandContext& c) {
  const float value = c.request_f32(0);
  if (const auto code = range_check(value, kCurrentPointMinMa[Point], kCurrentPointMaxMa[Point]))
    return c.refuse(code);
  c.state.calibration.current_points_ma[Point] = value;
  c.echo_request(4);
}

void calibrate_temperature(CommandContext& c) {
  const float kelvin = c.request_f32(0);
  if (const auto code = range_check(kelvin, kTemperatureMinK, kTemperatureMaxK)) return c.refuse(code);
  c.state.calibration.temperature_point_k = kelvin;
  c.echo_request(4);
}

// Without a selector byte the supply sensor; with one, chamber C+ (0) or C- (1).
template <bool High>
void calibrate_pressure(CommandContext& c) {
  std::size_t sensor = 0;
  if (c.request.size() >= 5) {
    if (c.request_u8(4) > 1) return c.refuse(response::kInvalidSelection);
    sensor = 1 + c.request_u8(4);
  }
  const float kpa = c.request_f32(0);
  const auto code = High ? range_check(kpa, kPressureHighMinKpa, kPressureHighMaxKpa)
                         : range_check(kpa, kPressureLowMinKpa, kPressureLowMaxKpa);
  if (code) return c.refuse(code);
  auto& points = High ? c.state.calibration.pressure_high_kpa : c.state.calibration.pressure_low_kpa;
  points[sensor] = kpa;
  c.echo_request(sensor == 0 ? 4 : 5);
}

}  // namespace

void register_calibration_commands(CommandRegistry& registry) {
  using enum CalibrationStage;
  registry.add(159, {0, Access::Read, read_calibration_status});
  // The valve moves on its own while a stage runs: only out of service.
  registry.add(160, {0, Access::ServiceWrite, start_stage<Travel>});
  registry.add(157, {0, Access::ServiceWrite, start_stage<Leak>});
  registry.add(162, {0, Access::ServiceWrite, start_stage<PulseTuning>});
  registry.add(161, {0, Access::Write, stop_stage<Travel>});
  registry.add(158, {0, Access::Write, stop_stage<Leak>});
  registry.add(163, {0, Access::Write, stop_stage<PulseTuning>});

  registry.add(200, {4, Access::Write, calibrate_current<0>});
  registry.add(201, {4, Access::Write, calibrate_current<1>});
  registry.add(202, {4, Access::Write, calibrate_pressure<false>});
  registry.add(203, {4, Access::Write, calibrate_pressure<true>});
  registry.add(204, {4, Access::Write, calibrate_temperature});
}

}  // namespace velk::sim
