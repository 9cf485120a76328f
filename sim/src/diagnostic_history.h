// The positioner's diagnostic memory as it lives: the alarm table that follows
// the state, the trends and the travel histogram that the process feeds over
// a compressed clock, the event log, and the curves and signatures the
// diagnostics pages upload with command 252.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "positioner_sim/device_state.h"
#include "process_model.h"

namespace velk::sim {

// Device seconds per second of line time: an hour's trend value every minute.
inline constexpr double kDiagnosticClockRate = 60.0;

// The alarm table (memory area 9): one byte per alarm, 1 while it is active.
inline constexpr std::size_t kAlarmTableBytes = 87;
namespace alarm_byte {
inline constexpr std::size_t kNoAlarm = 0;
inline constexpr std::size_t kDeviation = 1;
inline constexpr std::size_t kLimit1 = 2;
inline constexpr std::size_t kLimit2 = 3;
inline constexpr std::size_t kDifference = 4;
inline constexpr std::size_t kPressure = 5;
inline constexpr std::size_t kTemperature = 6;
inline constexpr std::size_t kManualMode = 78;
inline constexpr std::size_t kOutOfService = 79;
}  // namespace alarm_byte

std::array<std::uint8_t, kAlarmTableBytes> alarm_table(const DeviceState& state);

// The control deviation the alarm watches: the travel the setpoint asks for
// less the position, in percent of travel.
float control_deviation_percent(const DeviceState& state, const ProcessValues& live);

// Stem friction in kN: it grows as the packing cools and near the seat.
float friction_kn(const DeviceState& state, const ProcessValues& live);

// The pressures in the actuator's chambers, in bar. Single acting: C+ holds
// the spring at the position (1.2 to 3.6 bar over the travel, at most the
// supply) and C- is vented. Double acting: the supply is shared, C+ taking
// 40 % of it closed and 60 % open.
struct ActuatorPressures {
  float plus_bar = 0.0f;
  float minus_bar = 0.0f;
};
ActuatorPressures actuator_pressures(const DeviceState& state, const ProcessValues& live);

// The present value of each trend variable in its trend unit (0.01).
std::array<std::int16_t, kTrendVariables> trend_sample(const DeviceState& state, const ProcessValues& live);

// Memory contents as the device serves them, little-endian.
inline constexpr std::size_t kDirectoryElements = 196;
inline constexpr std::size_t kDirectoryEventCount = 140;
inline constexpr std::size_t kEventEntryBytes = 35;
inline constexpr std::size_t kEventTextOffset = 17;

std::vector<std::uint8_t> directory_bytes(const DiagnosticState& diagnostics);
// One chart of a trend: start 0 the hours, 1 the days, 2 the months, 3 the years.
std::vector<std::uint8_t> trend_chart_bytes(const DiagnosticState& diagnostics, std::size_t variable,
                                            std::size_t chart);
// Newest entry first.
std::vector<std::uint8_t> event_log_bytes(const DiagnosticState& diagnostics);
// Per mille of the time spent in each sixteenth of travel.
std::vector<std::uint8_t> travel_histogram_bytes(const DiagnosticState& diagnostics);
// Area 5: start 0 the friction now, 1 at commissioning; element 0 the point
// count, then N over travel 10 % .. 100 %.
std::vector<std::uint8_t> friction_curve_bytes(const DeviceState& state, const ProcessValues& live,
                                               std::size_t start);
// Area 6: start 0 the actuator pressure opening, 1 closing (negative), 2 and
// 3 the same at commissioning; mbar, laid out as the friction curves.
std::vector<std::uint8_t> pressure_curve_bytes(const DeviceState& state, const ProcessValues& live,
                                               std::size_t start);
// Area 8: start 0 ramp, 1 multi step, 2 small step; actuator pressure in bar.
std::vector<std::uint8_t> signature_bytes(std::size_t start);

void log_event(DiagnosticState& diagnostics, std::uint8_t code);

// Feeds the diagnostic memory as time passes and logs what happens.
class DiagnosticRecorder {
 public:
  void power_on(DeviceState& state);
  // `dt_s` seconds of line time passed with the process at `live`.
  void advance(DeviceState& state, const ProcessValues& live, double dt_s);
  // Logs what changed since the last look: service, manual mode, alarms.
  void observe(DeviceState& state);

 private:
  struct Watched {
    bool out_of_service, manual, deviation, limit1, limit2, temperature;
  };
  void close_hour(DiagnosticState& diagnostics, const std::array<std::int16_t, kTrendVariables>& sample);

  double carry_s_ = 0.0;  // device seconds not yet on the clock
  std::array<double, kTrendVariables> hour_sum_{};
  double hour_weight_ = 0.0;
  bool watching_ = false;
  Watched last_{};
};

}  // namespace velk::sim
