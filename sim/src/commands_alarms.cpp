// ALARMS: the six supervision alarms, each written with command 220 + 2k and
// read with 221 + 2k. One layout for both directions: the on/off byte, the
// thresholds as singles, the alarm-out byte and the valve action. The pot =
// press and pressure alarms exist only from software version 9.0 on.
#include <cmath>

#include "command_registry.h"

namespace velk::sim {

namespace {

constexpr std::uint8_t kFirstWriteCommand = 220;
constexpr std::uint8_t kFirstPressureAlarmRevision = 90;
constexpr std::uint8_t kHighestValveAction = 3;

constexpr std::size_t threshold_count(AlarmKind kind) {
  switch (kind) {
    case AlarmKind::Deviation: return 2;
    case AlarmKind::PotPressure: return 1;
    default: return 3;
  }
}

constexpr std::uint8_t request_length(AlarmKind kind) {
  return static_cast<std::uint8_t>(3 + 4 * threshold_count(kind));
}

constexpr bool has_band(AlarmKind kind) { return threshold_count(kind) == 3; }

bool implemented(CommandContext& c, AlarmKind kind) {
  const bool needs_version_90 = kind == AlarmKind::PotPressure || kind == AlarmKind::Pressure;
  if (!needs_version_90 || c.state.identity.software_revision >= kFirstPressureAlarmRevision) return true;
  c.refuse(response::kNotImplemented);
  return false;
}

// The temperature alarm speaks the device's temperature unit; the others
// speak percent, seconds and the pressure alarm's own numbers, kept as sent.
// Threshold 2 (the hysteresis) is a difference of temperatures.
double to_celsius(double value, std::uint8_t unit_code, bool difference) {
  switch (unit_code) {
    case unit::kFahrenheit: return difference ? value / 1.8 : (value - 32.0) / 1.8;
    case unit::kKelvin: return difference ? value : value - 273.15;
    default: return value;
  }
}

double from_celsius(double value, std::uint8_t unit_code, bool difference) {
  switch (unit_code) {
    case unit::kFahrenheit: return difference ? value * 1.8 : value * 1.8 + 32.0;
    case unit::kKelvin: return difference ? value : value + 273.15;
    default: return value;
  }
}

template <AlarmKind Kind>
void read_alarm(CommandContext& c) {
  if (!implemented(c, Kind)) return;
  const AlarmSetting& alarm = c.state.alarms[Kind];
  c.reply_u8(alarm.enabled ? 1 : 0);
  for (std::size_t i = 0; i < threshold_count(Kind); ++i) {
    double value = alarm.thresholds[i];
    if (Kind == AlarmKind::Temperature) value = from_celsius(value, c.state.units.temperature, i == 2);
    c.reply_f32(static_cast<float>(value));
  }
  c.reply_u8(alarm.alarm_out ? 1 : 0);
  c.reply_u8(alarm.valve_action);
}

template <AlarmKind Kind>
void write_alarm(CommandContext& c) {
  if (!implemented(c, Kind)) return;
  constexpr std::size_t count = threshold_count(Kind);
  AlarmSetting alarm = c.state.alarms[Kind];
  alarm.enabled = c.request_u8(0) != 0;
  for (std::size_t i = 0; i < count; ++i) {
    const float value = c.request_f32(1 + 4 * i);
    if (!std::isfinite(value)) return c.refuse(response::kInvalidSelection);
    alarm.thresholds[i] = Kind == AlarmKind::Temperature
                              ? static_cast<float>(to_celsius(value, c.state.units.temperature, i == 2))
                              : value;
  }
  alarm.alarm_out = c.request_u8(1 + 4 * count) != 0;
  alarm.valve_action = c.request_u8(2 + 4 * count);
  if (alarm.valve_action > kHighestValveAction) return c.refuse(response::kInvalidSelection);
  if (has_band(Kind)) {
    if (alarm.thresholds[0] > alarm.thresholds[1]) return c.refuse(response::kLowerValueTooHigh);
    if (alarm.thresholds[2] < 0.0f) return c.refuse(response::kParameterTooSmall);
  }
  c.state.alarms[Kind] = alarm;
  c.echo_request(request_length(Kind));
}

template <AlarmKind Kind>
void register_alarm(CommandRegistry& registry) {
  const auto write = static_cast<std::uint8_t>(kFirstWriteCommand + 2 * static_cast<int>(Kind));
  // The page's Send needs only a connection: alarms are taken in service too.
  registry.add(write, {request_length(Kind), Access::Write, write_alarm<Kind>});
  registry.add(static_cast<std::uint8_t>(write + 1), {0, Access::Read, read_alarm<Kind>});
}

}  // namespace

void register_alarm_commands(CommandRegistry& registry) {
  register_alarm<AlarmKind::Deviation>(registry);
  register_alarm<AlarmKind::Limit1>(registry);
  register_alarm<AlarmKind::Limit2>(registry);
  register_alarm<AlarmKind::Pressure>(registry);
  register_alarm<AlarmKind::Temperature>(registry);
  register_alarm<AlarmKind::PotPressure>(registry);
}

}  // namespace velk::sim
