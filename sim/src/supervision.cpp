#include "supervision.h"

#include <cmath>

namespace velk::sim {

namespace {

// Travel back by less than this is noise of the control, not a reversal.
constexpr float kReversalDeadband = 0.5f;
constexpr std::uint8_t kFirstPressureAlarmRevision = 90;

void follow_travel(OperatingStatistics& s, float previous, float position) {
  s.accumulated_travel_percent += std::fabs(position - previous);
  if (s.direction == 0) {
    if (std::fabs(position - s.stroke_extreme_percent) > kReversalDeadband) {
      s.direction = position > s.stroke_extreme_percent ? 1 : -1;
      s.stroke_extreme_percent = position;
    }
    return;
  }
  const float onward = (position - s.stroke_extreme_percent) * static_cast<float>(s.direction);
  if (onward >= 0.0f) {
    s.stroke_extreme_percent = position;
  } else if (-onward > kReversalDeadband) {
    s.cycles += 1.0f;
    s.direction = static_cast<std::int8_t>(-s.direction);
    s.stroke_extreme_percent = position;
  }
}

// A band alarm trips outside low..high and clears once the value is back
// inside by the hysteresis.
bool band_alarm(const AlarmSetting& alarm, bool tripped, float value) {
  if (!alarm.enabled) return false;
  const float low = alarm.thresholds[0];
  const float high = alarm.thresholds[1];
  const float hysteresis = alarm.thresholds[2];
  if (value < low || value > high) return true;
  return tripped && (value < low + hysteresis || value > high - hysteresis);
}

bool& tripped(AlarmState& alarms, AlarmKind kind) { return alarms.tripped[static_cast<std::size_t>(kind)]; }

void judge_alarms(DeviceState& state, float deviation, double dt_s) {
  AlarmState& alarms = state.alarms;
  const float position = state.process.position_percent;
  for (const AlarmKind limit : {AlarmKind::Limit1, AlarmKind::Limit2})
    tripped(alarms, limit) = band_alarm(alarms[limit], tripped(alarms, limit), position);
  tripped(alarms, AlarmKind::Temperature) = band_alarm(
      alarms[AlarmKind::Temperature], tripped(alarms, AlarmKind::Temperature), state.process.temperature_c);
  if (state.identity.software_revision >= kFirstPressureAlarmRevision) {
    tripped(alarms, AlarmKind::Pressure) = band_alarm(
        alarms[AlarmKind::Pressure], tripped(alarms, AlarmKind::Pressure), state.process.supply_pressure_bar);
  }

  const AlarmSetting& watch = alarms[AlarmKind::Deviation];
  alarms.deviation_held_s =
      watch.enabled && deviation > watch.thresholds[0] ? alarms.deviation_held_s + dt_s : 0.0;
  tripped(alarms, AlarmKind::Deviation) = watch.enabled && alarms.deviation_held_s > watch.thresholds[1];
}

}  // namespace

void supervise(DeviceState& state, float previous_position, float target_travel, double dt_s) {
  OperatingStatistics& s = state.statistics;
  const float position = state.process.position_percent;
  const float deviation = std::fabs(target_travel - position);
  if (!state.service.out_of_service) {
    follow_travel(s, previous_position, position);
    const double run = s.run_time_s + dt_s;
    s.mean_deviation_percent =
        static_cast<float>((s.mean_deviation_percent * s.run_time_s + deviation * dt_s) / run);
    s.run_time_s = run;
  }
  s.min_temperature_c = std::fmin(s.min_temperature_c, state.process.temperature_c);
  s.max_temperature_c = std::fmax(s.max_temperature_c, state.process.temperature_c);
  judge_alarms(state, deviation, dt_s);
}

void reset_statistics(DeviceState& state) {
  OperatingStatistics fresh;
  fresh.min_temperature_c = fresh.max_temperature_c = state.process.temperature_c;
  fresh.stroke_extreme_percent = state.process.position_percent;
  state.statistics = fresh;
}

}  // namespace velk::sim
