// TUNING: minimum open and close times, dead band, PID parameters and the
// minimum pulses of a newer Q5; the toggle-step test and the memory self test.
#include "byte_order.h"
#include "calibration_model.h"
#include "command_registry.h"
#include "setting_handlers.h"

namespace velk::sim {

namespace {

constexpr float kMaxMoveTimeS = 600.0f;
constexpr float kMinDeadBand = 0.1f;
constexpr float kMaxDeadBand = 10.0f;
constexpr float kMaxP = 1000.0f;
constexpr float kMaxI = 46.54f;
constexpr float kMaxD = 9999.99f;
constexpr float kMinToggleTimeS = 0.1f;
constexpr float kMaxToggleTimeS = 300.0f;
constexpr float kMaxToggleCycleS = 10.0f;
constexpr float kMaxToggleSize = 9.9f;
constexpr std::uint8_t kMinPulseRevision = 91;

void write_move_times(CommandContext& c) {
  const float open = c.request_f32(0);
  const float close = c.request_f32(4);
  for (const float value : {open, close}) {
    if (const auto code = range_check(value, 0.0f, kMaxMoveTimeS)) return c.refuse(code);
  }
  c.state.calibration.open_time_s = open;
  c.state.calibration.close_time_s = close;
  c.echo_request(8);
}

void read_move_times(CommandContext& c) {
  c.reply_f32(c.state.calibration.open_time_s);
  c.reply_f32(c.state.calibration.close_time_s);
}

void write_dead_band(CommandContext& c) {
  const float band = c.request_f32(0);
  if (const auto code = range_check(band, kMinDeadBand, kMaxDeadBand)) return c.refuse(code);
  c.state.calibration.dead_band_percent = band;
  c.echo_request(4);
}

void read_dead_band(CommandContext& c) { c.reply_f32(c.state.calibration.dead_band_percent); }

void write_pid(CommandContext& c) {
  const float p = c.request_f32(0);
  const float i = c.request_f32(4);
  const float d = c.request_f32(8);
  for (const auto& [value, max] : {std::pair{p, kMaxP}, {i, kMaxI}, {d, kMaxD}}) {
    if (const auto code = range_check(value, 0.0f, max)) return c.refuse(code);
  }
  c.state.calibration.pid_p = p;
  c.state.calibration.pid_i = i;
  c.state.calibration.pid_d = d;
  c.echo_request(12);
}

void read_pid(CommandContext& c) {
  c.reply_f32(c.state.calibration.pid_p);
  c.reply_f32(c.state.calibration.pid_i);
  c.reply_f32(c.state.calibration.pid_d);
}

// Only a Q5 from software 9.1 on knows minimum pulses.
bool knows_min_pulses(CommandContext& c) {
  const auto& id = c.state.identity;
  if (id.model == Model::Q5 && id.software_revision >= kMinPulseRevision) return true;
  c.refuse(response::kNotImplemented);
  return false;
}

void write_min_pulses(CommandContext& c) {
  if (!knows_min_pulses(c)) return;
  for (std::size_t i = 0; i < 4; ++i) {
    c.state.calibration.min_pulses[i] =
        static_cast<std::uint16_t>(c.request_u8(2 * i) << 8 | c.request_u8(2 * i + 1));
  }
  c.echo_request(8);
}

void read_min_pulses(CommandContext& c) {
  if (!knows_min_pulses(c)) return;
  for (const std::uint16_t pulse : c.state.calibration.min_pulses) {
    c.reply_u8(static_cast<std::uint8_t>(pulse >> 8));
    c.reply_u8(static_cast<std::uint8_t>(pulse));
  }
}

// The valve steps while the positioner controls it: only in service.
void start_toggle(CommandContext& c) {
  if (c.state.service.out_of_service) return c.refuse(response::kAccessRestricted);
  const float time = c.request_f32(0);
  const float cycle = c.request_f32(4);
  const float size = c.request_f32(8);
  if (const auto code = range_check(time, kMinToggleTimeS, kMaxToggleTimeS)) return c.refuse(code);
  if (const auto code = range_check(cycle, kMinToggleTimeS, kMaxToggleCycleS)) return c.refuse(code);
  if (const auto code = range_check(size, 0.0f, kMaxToggleSize)) return c.refuse(code);
  start_toggle_step(c.state.calibration, time, cycle, size);
  c.echo_request(12);
}

void cancel_toggle(CommandContext& c) { c.state.calibration.toggle_seconds_left = 0.0f; }

void self_test(CommandContext& c) { start_self_test(c.state.calibration); }

}  // namespace

void register_tuning_commands(CommandRegistry& registry) {
  registry.add(168, {12, Access::Write, write_pid});
  registry.add(169, {0, Access::Read, read_pid});
  registry.add(170, {8, Access::Write, write_move_times});
  registry.add(171, {0, Access::Read, read_move_times});
  registry.add(172, {4, Access::Write, write_dead_band});
  registry.add(173, {0, Access::Read, read_dead_band});
  registry.add(242, {0, Access::Read, read_min_pulses});
  registry.add(243, {8, Access::Write, write_min_pulses});
  registry.add(164, {12, Access::Write, start_toggle});
  registry.add(165, {0, Access::Write, cancel_toggle});
  // A test, not a setting: also while write-protected.
  registry.add(41, {0, Access::OpenWrite, self_test});
}

}  // namespace velk::sim
