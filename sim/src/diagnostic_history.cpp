#include "diagnostic_history.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace velk::sim {

namespace {

constexpr std::uint64_t kHour = 3600;
constexpr std::uint64_t kDay = 24 * kHour;
constexpr std::uint64_t kMonth = 30 * kDay;  // the device's calendar: 30-day months
constexpr std::uint64_t kYear = 12 * kMonth;
constexpr std::size_t kHistoryYears = 6;  // years the simulated device has run
constexpr std::size_t kCurvePoints = 10;
constexpr std::size_t kSignatureSamples = 100;
constexpr std::size_t kEventTextBytes = kEventEntryBytes - kEventTextOffset;

// Where each chart's run starts within a trend.
constexpr std::array<std::size_t, 4> kChartOffset = {0, kTrendHours, kTrendHours + kTrendDays,
                                                     kTrendHours + kTrendDays + kTrendMonths};
constexpr std::array<std::size_t, 4> kChartLength = {kTrendHours, kTrendDays, kTrendMonths, kTrendYears};

struct EventName {
  std::uint8_t code;
  std::string_view text;
};
constexpr EventName kEventNames[] = {
    {event_code::kPowerOn, "Power on"},
    {event_code::kOutOfService, "Out of service"},
    {event_code::kInService, "In service"},
    {event_code::kManualModeOn, "Manual mode on"},
    {event_code::kManualModeOff, "Manual mode off"},
    {event_code::kCalibrationDone, "Calibration done"},
    {event_code::kSelfTestPassed, "Self test passed"},
    {event_code::kDeviationAlarm, "Deviation alarm"},
    {event_code::kDeviationOk, "Deviation ok"},
    {event_code::kLimit1Alarm, "Limit 1 alarm"},
    {event_code::kLimit1Ok, "Limit 1 ok"},
    {event_code::kLimit2Alarm, "Limit 2 alarm"},
    {event_code::kLimit2Ok, "Limit 2 ok"},
    {event_code::kTemperatureAlarm, "Temp alarm"},
    {event_code::kTemperatureOk, "Temp ok"},
};

// What a device's past looked like, in the order it happened.
constexpr std::uint8_t kPastEvents[] = {
    event_code::kCalibrationDone, event_code::kSelfTestPassed,   event_code::kInService,
    event_code::kDeviationAlarm,  event_code::kDeviationOk,      event_code::kOutOfService,
    event_code::kManualModeOn,    event_code::kManualModeOff,    event_code::kInService,
    event_code::kPowerOn,         event_code::kTemperatureAlarm, event_code::kTemperatureOk,
};

// A small deterministic generator, so a device id always has the same past.
class Wobble {
 public:
  explicit Wobble(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  double next() {  // -1 .. 1
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state_ >> 11) / static_cast<double>(1ull << 52) - 1.0;
  }

 private:
  std::uint64_t state_;
};

std::int16_t to_trend(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768l, 32767l));
}

void append_le(std::vector<std::uint8_t>& out, std::uint32_t value, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

template <class Integer, std::size_t N>
std::vector<std::uint8_t> elements_le(const std::array<Integer, N>& values, std::size_t bytes) {
  std::vector<std::uint8_t> out;
  for (const auto value : values) append_le(out, static_cast<std::uint32_t>(value), bytes);
  return out;
}

// Shifts a chart's run one to the left and puts `value` last.
void push_chart(std::array<std::int16_t, kTrendValues>& trend, std::size_t chart, std::int16_t value) {
  const auto first = trend.begin() + static_cast<std::ptrdiff_t>(kChartOffset[chart]);
  const auto last = first + static_cast<std::ptrdiff_t>(kChartLength[chart]);
  std::rotate(first, first + 1, last);
  *(last - 1) = value;
}

// The mean of a chart's last `count` values.
std::int16_t chart_mean(const std::array<std::int16_t, kTrendValues>& trend, std::size_t chart,
                        std::size_t count) {
  const std::size_t end = kChartOffset[chart] + kChartLength[chart];
  double sum = 0;
  for (std::size_t i = end - count; i < end; ++i) sum += trend[i];
  return to_trend(sum / static_cast<double>(count));
}

// A device-plausible history of one variable: a long-term level per year
// (zero before the device was installed), seasonal and daily swings, noise.
void fill_trend(std::array<std::int16_t, kTrendValues>& trend, Wobble& wobble, double level,
                double yearly_rise, double daily_swing, double noise) {
  for (std::size_t i = 0; i < kTrendHours; ++i) {
    const double hour = std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / 24.0);
    trend[kChartOffset[0] + i] = to_trend(level + daily_swing * hour + noise * wobble.next());
  }
  for (std::size_t i = 0; i < kTrendDays; ++i)
    trend[kChartOffset[1] + i] = to_trend(level + noise * wobble.next());
  for (std::size_t i = 0; i < kTrendMonths; ++i) {
    const double age = static_cast<double>(kTrendMonths - 1 - i) / 12.0;
    trend[kChartOffset[2] + i] = to_trend(level - yearly_rise * age + noise * 0.5 * wobble.next());
  }
  for (std::size_t i = 0; i < kTrendYears; ++i) {
    const std::size_t age = kTrendYears - 1 - i;
    trend[kChartOffset[3] + i] =
        age < kHistoryYears
            ? to_trend(level - yearly_rise * static_cast<double>(age) + noise * 0.3 * wobble.next())
            : 0;
  }
}

// The pressure that holds the spring at a travel (0 to 1), in mbar.
double spring_pressure_mbar(double travel) { return 1200.0 + 2400.0 * travel; }

}  // namespace

std::string_view event_text(std::uint8_t code) {
  for (const auto& name : kEventNames)
    if (name.code == code) return name.text;
  return "Event";
}

DiagnosticState diagnostic_history(std::uint32_t device_id, std::size_t events) {
  DiagnosticState history;
  Wobble wobble(device_id);
  history.clock_s = kHistoryYears * kYear;
  fill_trend(history.trends[trend::kFriction], wobble, 230, 12, 8, 5);
  fill_trend(history.trends[trend::kDeviation], wobble, 45, 3, 10, 15);
  fill_trend(history.trends[trend::kPosition], wobble, 500, 0, 120, 40);
  for (std::size_t bin = 0; bin < kTravelBins; ++bin) {
    const double x = (static_cast<double>(bin) - 7.5) / 3.5;
    history.travel_seconds[bin] = static_cast<std::uint32_t>(2.0e6 * std::exp(-x * x) + 1.0e4);
  }

  events = std::min(events, kEventLogCapacity);
  const std::uint64_t now_minute = history.clock_s / 60;
  for (std::size_t i = 0; i < events; ++i) {
    // Spread over the last year, a few days apart, oldest first.
    const std::uint64_t age =
        (events - i) * 2 * 24 * 60 + static_cast<std::uint64_t>(600 * (1 + wobble.next()));
    history.events.push_back({static_cast<std::uint32_t>(now_minute - std::min(age, now_minute)),
                              kPastEvents[i % std::size(kPastEvents)]});
  }
  history.events_logged = static_cast<std::uint32_t>(events);
  return history;
}

float control_deviation_percent(const DeviceState& state, const ProcessValues& live) {
  return std::fabs(target_travel_percent(state, live.setpoint_percent) - live.position_percent);
}

float friction_kn(const DeviceState& state, const ProcessValues& live) {
  const float cold = std::max(0.0f, 25.0f - live.temperature_c) * 0.02f;
  const float near_seat = live.position_percent < 10.0f ? 0.3f : 0.0f;
  const float aged = static_cast<float>(state.diagnostics.trends[trend::kFriction][kTrendValues - 1]) * 0.01f;
  return std::max(0.5f, (aged > 0.0f ? aged : 2.3f) + cold + near_seat);
}

ActuatorPressures actuator_pressures(const DeviceState& state, const ProcessValues& live) {
  constexpr std::uint8_t kSingleActing = 1;
  const double travel = std::clamp(live.position_percent, 0.0f, 100.0f) / 100.0;
  const double supply = live.supply_pressure_bar;
  if (state.setup.actuator_function == kSingleActing)
    return {static_cast<float>(std::min(supply, spring_pressure_mbar(travel) / 1000.0)), 0.0f};
  const double plus = supply * (0.4 + 0.2 * travel);
  return {static_cast<float>(plus), static_cast<float>(supply - plus)};
}

std::array<std::int16_t, kTrendVariables> trend_sample(const DeviceState& state, const ProcessValues& live) {
  std::array<std::int16_t, kTrendVariables> sample{};
  sample[trend::kFriction] = to_trend(friction_kn(state, live) * 100.0);
  sample[trend::kDeviation] = to_trend(control_deviation_percent(state, live) * 100.0);
  // Full travel is 10 on the trend charts' scale.
  sample[trend::kPosition] = to_trend(live.position_percent * 10.0);
  return sample;
}

std::array<std::uint8_t, kAlarmTableBytes> alarm_table(const DeviceState& state) {
  // The supervision alarms as the process model judges them (the ALARMS page's settings).
  const auto tripped = [&state](AlarmKind kind) {
    return static_cast<std::uint8_t>(state.alarms.tripped[static_cast<std::size_t>(kind)]);
  };
  std::array<std::uint8_t, kAlarmTableBytes> table{};
  table[alarm_byte::kDeviation] = tripped(AlarmKind::Deviation);
  table[alarm_byte::kLimit1] = tripped(AlarmKind::Limit1);
  table[alarm_byte::kLimit2] = tripped(AlarmKind::Limit2);
  table[alarm_byte::kDifference] = tripped(AlarmKind::PotPressure);
  table[alarm_byte::kPressure] = tripped(AlarmKind::Pressure);
  table[alarm_byte::kTemperature] = tripped(AlarmKind::Temperature);
  table[alarm_byte::kManualMode] = state.control.setpoint_source == setpoint_source::kManual;
  table[alarm_byte::kOutOfService] = state.service.out_of_service;
  const bool any = std::any_of(table.begin() + 1, table.end(), [](std::uint8_t b) { return b != 0; });
  table[alarm_byte::kNoAlarm] = !any;
  return table;
}

std::vector<std::uint8_t> directory_bytes(const DiagnosticState& diagnostics) {
  std::array<std::uint16_t, kDirectoryElements> directory{};
  directory[0] = kDirectoryElements;
  directory[kDirectoryEventCount] = static_cast<std::uint16_t>(diagnostics.events.size());
  directory[kDirectoryEventCount + 1] = kEventLogCapacity;
  directory[kDirectoryEventCount + 2] = kEventEntryBytes;
  return elements_le(directory, 2);
}

std::vector<std::uint8_t> trend_chart_bytes(const DiagnosticState& diagnostics, std::size_t variable,
                                            std::size_t chart) {
  std::vector<std::uint8_t> out;
  if (variable >= kTrendVariables || chart >= kChartOffset.size()) return out;
  const auto& trend = diagnostics.trends[variable];
  for (std::size_t i = 0; i < kChartLength[chart]; ++i)
    append_le(out, static_cast<std::uint16_t>(trend[kChartOffset[chart] + i]), 2);
  return out;
}

std::vector<std::uint8_t> event_log_bytes(const DiagnosticState& diagnostics) {
  std::vector<std::uint8_t> out;
  const auto& events = diagnostics.events;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const LoggedEvent& event = events[events.size() - 1 - i];
    append_le(out, event.minute, 4);
    out.push_back(event.code);
    append_le(out, diagnostics.events_logged - static_cast<std::uint32_t>(i), 4);  // the entry's number
    out.resize(out.size() + (kEventTextOffset - 9), 0);
    const std::string_view text = event_text(event.code).substr(0, kEventTextBytes - 1);
    out.insert(out.end(), text.begin(), text.end());
    out.resize(out.size() + (kEventTextBytes - text.size()), 0);
  }
  return out;
}

std::vector<std::uint8_t> travel_histogram_bytes(const DiagnosticState& diagnostics) {
  const double total =
      std::accumulate(diagnostics.travel_seconds.begin(), diagnostics.travel_seconds.end(), 0.0);
  std::array<std::uint16_t, kTravelBins> per_mille{};
  for (std::size_t bin = 0; bin < kTravelBins; ++bin)
    per_mille[bin] =
        total > 0 ? static_cast<std::uint16_t>(std::lround(1000.0 * diagnostics.travel_seconds[bin] / total))
                  : 0;
  return elements_le(per_mille, 2);
}

std::vector<std::uint8_t> friction_curve_bytes(const DeviceState& state, const ProcessValues& live,
                                               std::size_t start) {
  const double newtons = start == 0 ? friction_kn(state, live) * 1000.0 : 1600.0;
  std::array<std::int32_t, kCurvePoints + 1> curve{};
  curve[0] = kCurvePoints;
  for (std::size_t i = 1; i <= kCurvePoints; ++i) {
    // The packing grips a little harder towards the open end; the seat adds its own.
    const double shape = 0.9 + 0.2 * static_cast<double>(i - 1) / (kCurvePoints - 1) + (i == 1 ? 0.25 : 0.0);
    curve[i] = static_cast<std::int32_t>(std::lround(newtons * shape));
  }
  return elements_le(curve, 4);
}

std::vector<std::uint8_t> pressure_curve_bytes(const DeviceState& state, const ProcessValues& live,
                                               std::size_t start) {
  // Spring range 1.2 .. 3.6 bar; friction adds to the pressure opening and
  // takes from it closing. Closing curves are recorded with a minus sign.
  const bool closing = start % 2 == 1;
  const bool commissioning = start >= 2;
  const double friction_mbar = (commissioning ? 1.6 : friction_kn(state, live)) * 100.0;
  const double supply_mbar = state.process.supply_pressure_bar * 1000.0;
  std::array<std::int32_t, kCurvePoints + 1> curve{};
  curve[0] = kCurvePoints;
  for (std::size_t i = 1; i <= kCurvePoints; ++i) {
    const double travel = static_cast<double>(i) / kCurvePoints;
    const double spring = spring_pressure_mbar(travel);
    const double mbar = std::min(supply_mbar, spring + (closing ? -friction_mbar : friction_mbar));
    curve[i] = static_cast<std::int32_t>(std::lround(closing ? -mbar : mbar));
  }
  return elements_le(curve, 4);
}

std::vector<std::uint8_t> signature_bytes(std::size_t start) {
  std::array<std::int16_t, kSignatureSamples> samples{};
  for (std::size_t i = 0; i < kSignatureSamples; ++i) {
    const double t = static_cast<double>(i);
    double bar = 0;
    switch (start) {
      case 0: bar = 1.0 + 3.0 * t / (kSignatureSamples - 1); break;                      // ramp 0 .. 100 %
      case 1: bar = 1.0 + static_cast<double>(std::min<std::size_t>(i / 20, 3)); break;  // 25 % steps
      default: bar = i < 50 ? 2.0 : 3.0; break;                                          // one small step
    }
    samples[i] = static_cast<std::int16_t>(std::lround(bar));
  }
  return elements_le(samples, 2);
}

void log_event(DiagnosticState& diagnostics, std::uint8_t code) {
  diagnostics.events.push_back({static_cast<std::uint32_t>(diagnostics.clock_s / 60), code});
  ++diagnostics.events_logged;
  if (diagnostics.events.size() > kEventLogCapacity)
    diagnostics.events.erase(diagnostics.events.begin(),
                             diagnostics.events.end() - static_cast<std::ptrdiff_t>(kEventLogCapacity));
}

void DiagnosticRecorder::power_on(DeviceState& state) { log_event(state.diagnostics, event_code::kPowerOn); }

void DiagnosticRecorder::advance(DeviceState& state, const ProcessValues& live, double dt_s) {
  if (!(dt_s > 0.0)) return;
  auto& diagnostics = state.diagnostics;
  carry_s_ += dt_s * kDiagnosticClockRate;
  auto seconds = static_cast<std::uint64_t>(carry_s_);
  carry_s_ -= static_cast<double>(seconds);
  const auto sample = trend_sample(state, live);
  const float travel = std::isfinite(live.position_percent) ? live.position_percent : 0.0f;
  const auto bin = static_cast<std::size_t>(
      std::clamp(travel / 100.0f * kTravelBins, 0.0f, static_cast<float>(kTravelBins - 1)));
  while (seconds > 0) {
    const std::uint64_t step = std::min(seconds, kHour - diagnostics.clock_s % kHour);
    for (std::size_t v = 0; v < kTrendVariables; ++v) hour_sum_[v] += sample[v] * static_cast<double>(step);
    hour_weight_ += static_cast<double>(step);
    auto& in_bin = diagnostics.travel_seconds[bin];
    in_bin = static_cast<std::uint32_t>(std::min<std::uint64_t>(in_bin + step, UINT32_MAX));
    diagnostics.clock_s += step;
    seconds -= step;
    if (diagnostics.clock_s % kHour == 0) close_hour(diagnostics, sample);
  }
}

void DiagnosticRecorder::close_hour(DiagnosticState& diagnostics,
                                    const std::array<std::int16_t, kTrendVariables>& sample) {
  for (std::size_t v = 0; v < kTrendVariables; ++v) {
    auto& trend = diagnostics.trends[v];
    push_chart(trend, 0, hour_weight_ > 0 ? to_trend(hour_sum_[v] / hour_weight_) : sample[v]);
    if (diagnostics.clock_s % kDay == 0) push_chart(trend, 1, chart_mean(trend, 0, kTrendHours));
    if (diagnostics.clock_s % kMonth == 0) push_chart(trend, 2, chart_mean(trend, 1, kMonth / kDay));
    if (diagnostics.clock_s % kYear == 0) push_chart(trend, 3, chart_mean(trend, 2, kTrendMonths));
  }
  hour_sum_ = {};
  hour_weight_ = 0.0;
}

void DiagnosticRecorder::observe(DeviceState& state) {
  const auto table = alarm_table(state);
  const Watched now{state.service.out_of_service,       table[alarm_byte::kManualMode] != 0,
                    table[alarm_byte::kDeviation] != 0, table[alarm_byte::kLimit1] != 0,
                    table[alarm_byte::kLimit2] != 0,    table[alarm_byte::kTemperature] != 0};
  if (watching_) {
    struct Change {
      bool before, after;
      std::uint8_t on, off;
    };
    const Change changes[] = {
        {last_.out_of_service, now.out_of_service, event_code::kOutOfService, event_code::kInService},
        {last_.manual, now.manual, event_code::kManualModeOn, event_code::kManualModeOff},
        {last_.deviation, now.deviation, event_code::kDeviationAlarm, event_code::kDeviationOk},
        {last_.limit1, now.limit1, event_code::kLimit1Alarm, event_code::kLimit1Ok},
        {last_.limit2, now.limit2, event_code::kLimit2Alarm, event_code::kLimit2Ok},
        {last_.temperature, now.temperature, event_code::kTemperatureAlarm, event_code::kTemperatureOk},
    };
    for (const auto& change : changes)
      if (change.before != change.after) log_event(state.diagnostics, change.after ? change.on : change.off);
  }
  last_ = now;
  watching_ = true;
}

}  // namespace velk::sim
