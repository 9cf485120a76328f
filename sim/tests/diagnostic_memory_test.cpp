// The diagnostic memory behind command 252: what the alarm table, the event
// log and the trends hold, and how time and state changes feed them.
#include <gtest/gtest.h>

#include <string>

#include "command_registry.h"
#include "diagnostic_history.h"
#include "options.h"

namespace velk::sim {
namespace {

constexpr ProcessValues kLive{50.0f, 50.0f, 22.0f, 5.5f, 12.0f};

// Reads `bytes` of an area through command 252, block by block, as a master does.
std::vector<std::uint8_t> read_memory(const DeviceState& state, std::uint8_t area, std::uint8_t start,
                                      std::size_t bytes, const ProcessValues& live = kLive) {
  const auto registry = positioner_commands();
  std::vector<std::uint8_t> memory;
  for (std::size_t block = 0; block * 28 < bytes; ++block) {
    const auto count = static_cast<std::uint8_t>(std::min<std::size_t>(bytes - block * 28, 28));
    auto copy = state;
    const auto outcome = registry.execute(
        252, std::vector<std::uint8_t>{area, start, static_cast<std::uint8_t>(block), count}, copy, live);
    EXPECT_EQ(outcome.response_code, 0) << "area " << int(area) << " start " << int(start);
    memory.insert(memory.end(), outcome.data.begin(), outcome.data.end());
  }
  return memory;
}

std::vector<std::size_t> active_alarms(const std::vector<std::uint8_t>& table) {
  std::vector<std::size_t> active;
  for (std::size_t i = 0; i < table.size(); ++i)
    if (table[i] != 0) active.push_back(i);
  return active;
}

TEST(AlarmTable, FollowsTheStateAndTheProcess) {
  struct Case {
    const char* name;
    void (*change)(DeviceState&);
    ProcessValues live;
    std::vector<std::size_t> active;
  };
  const Case cases[] = {
      {"nothing wrong", [](DeviceState&) {}, kLive, {alarm_byte::kNoAlarm}},
      {"out of service",
       [](DeviceState& s) { s.service.out_of_service = true; },
       kLive,
       {alarm_byte::kOutOfService}},
      {"manual",
       [](DeviceState& s) { s.control.setpoint_source = setpoint_source::kManual; },
       kLive,
       {alarm_byte::kManualMode}},
      {"limit 2 tripped",
       [](DeviceState& s) { s.alarms.tripped[static_cast<std::size_t>(AlarmKind::Limit2)] = true; },
       kLive,
       {alarm_byte::kLimit2}},
      {"deviation and pressure tripped",
       [](DeviceState& s) {
         s.alarms.tripped[static_cast<std::size_t>(AlarmKind::Deviation)] = true;
         s.alarms.tripped[static_cast<std::size_t>(AlarmKind::Pressure)] = true;
       },
       kLive,
       {alarm_byte::kDeviation, alarm_byte::kPressure}},
      {"cold and manual",
       [](DeviceState& s) {
         s.control.setpoint_source = setpoint_source::kManual;
         s.alarms.tripped[static_cast<std::size_t>(AlarmKind::Temperature)] = true;
       },
       kLive,
       {alarm_byte::kTemperature, alarm_byte::kManualMode}},
  };
  for (const Case& c : cases) {
    auto state = default_device_state();
    c.change(state);
    const auto table = read_memory(state, 9, 0, kAlarmTableBytes, c.live);
    ASSERT_EQ(table.size(), kAlarmTableBytes);
    EXPECT_EQ(active_alarms(table), c.active) << c.name;
  }
}

TEST(EventLog, IsServedNewestFirstAsTextAfterItsNumberAndTime) {
  auto state = default_device_state();
  state.diagnostics.events = {{100, event_code::kCalibrationDone}, {7000, event_code::kOutOfService}};
  state.diagnostics.events_logged = 9;
  EXPECT_EQ(read_memory(state, 0, 0, 392)[2 * kDirectoryEventCount], 2);

  const auto log = read_memory(state, 10, 0, 2 * kEventEntryBytes);
  const auto text = [&](std::size_t entry) {
    return std::string(reinterpret_cast<const char*>(&log[entry * kEventEntryBytes + kEventTextOffset]));
  };
  EXPECT_EQ(text(0), "Out of service");
  EXPECT_EQ(text(1), "Calibration done");
  EXPECT_EQ(log[0] | log[1] << 8, 7000);  // the minute
  EXPECT_EQ(log[4], event_code::kOutOfService);
  EXPECT_EQ(log[5], 9);  // the entry's number
  EXPECT_EQ(log[kEventEntryBytes + 5], 8);
  EXPECT_EQ(log[kEventEntryBytes - 1], 0);  // every text ends inside its entry
}

TEST(Trends, EachStartServesOneChartAndOthersAreRefused) {
  auto state = default_device_state();
  state.diagnostics.trends[trend::kDeviation][24] = -5;  // the month's first day
  state.diagnostics.trends[trend::kDeviation][54] = 321;
  const auto month = read_memory(state, 3, 1, 62);
  EXPECT_EQ(static_cast<std::int16_t>(month[0] | month[1] << 8), -5);
  EXPECT_EQ(month[60] | month[61] << 8, 321);

  auto copy = state;
  EXPECT_EQ(
      positioner_commands().execute(252, std::vector<std::uint8_t>{2, 4, 0, 2}, copy, kLive).response_code,
      response::kInvalidSelection);
}

TEST(DiagnosticRecorder, FeedsTheTrendsHourlyAndLogsWhatChanges) {
  auto state = default_device_state();
  DiagnosticRecorder recorder;
  recorder.observe(state);
  const auto hours_before = state.diagnostics.trends[trend::kPosition];
  const auto days_before = state.diagnostics.trends[trend::kPosition][kTrendHours + kTrendDays - 1];

  // A minute of line time is a device hour; the valve sat at 50 %.
  recorder.advance(state, kLive, 59.0);
  EXPECT_EQ(state.diagnostics.trends[trend::kPosition], hours_before);
  recorder.advance(state, kLive, 1.0);
  EXPECT_EQ(state.diagnostics.trends[trend::kPosition][kTrendHours - 1], 500);
  EXPECT_EQ(state.diagnostics.trends[trend::kPosition][kTrendHours - 2], hours_before[kTrendHours - 1]);
  EXPECT_EQ(state.diagnostics.trends[trend::kPosition][kTrendHours + kTrendDays - 1], days_before);
  // A whole device day in one go: the day's mean goes to the month.
  recorder.advance(state, kLive, 24 * 60.0);
  EXPECT_EQ(state.diagnostics.trends[trend::kPosition][kTrendHours + kTrendDays - 1], 500);

  const auto events = state.diagnostics.events.size();
  state.service.out_of_service = true;
  recorder.observe(state);
  state.service.out_of_service = false;
  state.control.setpoint_source = setpoint_source::kManual;
  recorder.observe(state);
  ASSERT_EQ(state.diagnostics.events.size(), events + 3);
  EXPECT_EQ(state.diagnostics.events[events].code, event_code::kOutOfService);
  EXPECT_EQ(state.diagnostics.events[events + 1].code, event_code::kInService);
  EXPECT_EQ(state.diagnostics.events[events + 2].code, event_code::kManualModeOn);
}

TEST(DiagnosticRecorder, CountsWhereTheValveHasBeen) {
  auto state = default_device_state();
  state.diagnostics.travel_seconds = {};
  DiagnosticRecorder recorder;
  recorder.advance(state, {97.0f, 97.0f, 22.0f, 5.5f, 12.0f}, 3.0);
  recorder.advance(state, {3.0f, 3.0f, 22.0f, 5.5f, 12.0f}, 1.0);
  const auto histogram = read_memory(state, 7, 0, 32);
  EXPECT_EQ(histogram[2 * 15], 750 & 0xFF);
  EXPECT_EQ(histogram[2 * 15 + 1], 750 >> 8);
  EXPECT_EQ(histogram[0], 250);
}

TEST(DiagnosticState, ComesBackFromTheStateFileAndTheCommandLineFillsTheLog) {
  auto state = default_device_state();
  state.diagnostics.trends[trend::kFriction][3] = -7;
  state.diagnostics.travel_seconds[15] = 4000000000u;
  log_event(state.diagnostics, event_code::kLimit2Alarm);
  DeviceState loaded;
  std::string error;
  ASSERT_TRUE(parse_device_state(serialize_device_state(state), loaded, error)) << error;
  EXPECT_EQ(loaded, state);

  const auto options = parse_options({"--event-log", "150"}, error);
  ASSERT_TRUE(options) << error;
  apply_device_options(*options, state);
  EXPECT_EQ(state.diagnostics.events.size(), 150u);
  EXPECT_FALSE(parse_options({"--event-log", "201"}, error));
}

}  // namespace
}  // namespace velk::sim
