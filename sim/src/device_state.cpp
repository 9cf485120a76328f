#include "positioner_sim/device_state.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <type_traits>
#include <vector>

namespace velk::sim {

namespace {

struct VersionName {
  std::uint8_t revision;
  const char* text;
};
constexpr VersionName kVersions[] = {{86, "8.6"}, {90, "9.0"}, {91, "9.1"}, {100, "10.0"}, {101, "10.1"}};

// Every persisted field, by the name it has in the state file. One list for
// saving and loading, so the two cannot drift apart.
template <class State, class Visitor>
void for_each_field(State& s, Visitor&& field) {
  field("identity.manufacturer_id", s.identity.manufacturer_id);
  field("identity.device_type", s.identity.device_type);
  field("identity.request_preambles", s.identity.request_preambles);
  field("identity.universal_revision", s.identity.universal_revision);
  field("identity.device_revision", s.identity.device_revision);
  field("identity.software_revision", s.identity.software_revision);
  field("identity.hardware_revision", s.identity.hardware_revision);
  field("identity.device_id", s.identity.device_id);
  field("identity.polling_address", s.identity.polling_address);
  field("identity.model", s.identity.model);
  field("identity.tag", s.identity.tag);
  field("identity.descriptor", s.identity.descriptor);
  field("identity.date", s.identity.date);
  field("identity.long_tag", s.identity.long_tag);
  field("setup.actuator_type", s.setup.actuator_type);
  field("setup.stroke_mm", s.setup.stroke_mm);
  field("setup.actuator_size", s.setup.actuator_size);
  field("setup.actuator_function", s.setup.actuator_function);
  field("setup.current_range_min_ma", s.setup.current_range_min_ma);
  field("setup.current_range_max_ma", s.setup.current_range_max_ma);
  field("setup.direction", s.setup.direction);
  field("setup.travel_lower_percent", s.setup.travel_lower_percent);
  field("setup.travel_upper_percent", s.setup.travel_upper_percent);
  field("setup.travel_control_low", s.setup.travel_control[0]);
  field("setup.travel_control_high", s.setup.travel_control[1]);
  field("setup.cutoff_low_percent", s.setup.cutoff_percent[0]);
  field("setup.cutoff_high_percent", s.setup.cutoff_percent[1]);
  field("setup.limited_low_percent", s.setup.limited_percent[0]);
  field("setup.limited_high_percent", s.setup.limited_percent[1]);
  field("characteristic.transfer_function", s.characteristic.transfer_function);
  field("characteristic.custom_point_count", s.characteristic.custom_point_count);
  for (std::size_t i = 0; i < kMaxCurvePoints; ++i) {
    const auto prefix = "characteristic.point" + std::to_string(i);
    field(prefix + ".input", s.characteristic.custom_points[i].input_percent);
    field(prefix + ".output", s.characteristic.custom_points[i].output_percent);
  }
  field("appearance.language", s.appearance.language);
  field("appearance.default_display", s.appearance.default_display);
  field("units.position", s.units.position);
  field("units.setpoint", s.units.setpoint);
  field("units.temperature", s.units.temperature);
  field("units.supply_pressure", s.units.supply_pressure);
  field("units.pressure_plus", s.units.pressure_plus);
  field("units.pressure_minus", s.units.pressure_minus);
  field("units.filtered_position", s.units.filtered_position);
  field("control.setpoint_source", s.control.setpoint_source);
  field("control.hart_setpoint_percent", s.control.hart_setpoint_percent);
  field("control.manual_setpoint_percent", s.control.manual_setpoint_percent);
  field("control.loop_current_ma", s.control.loop_current_ma);
  for (std::size_t i = 0; i < s.control.dynamic_variables.size(); ++i) {
    field("control.dynamic_variable" + std::to_string(i), s.control.dynamic_variables[i]);
  }
  field("control.burst_command", s.control.burst_command);
  field("control.burst_mode", s.control.burst_mode);
  field("service.out_of_service", s.service.out_of_service);
  field("service.write_protected", s.service.write_protected);
  field("service.field_device_status", s.service.field_device_status);
  field("process.position_percent", s.process.position_percent);
  field("process.temperature_c", s.process.temperature_c);
  field("process.supply_pressure_bar", s.process.supply_pressure_bar);
  field("records.message", s.records.message);
  field("records.final_assembly_number", s.records.final_assembly_number);
  field("statistics.run_time_s", s.statistics.run_time_s);
  field("statistics.accumulated_travel_percent", s.statistics.accumulated_travel_percent);
  field("statistics.cycles", s.statistics.cycles);
  field("statistics.mean_deviation_percent", s.statistics.mean_deviation_percent);
  field("statistics.min_temperature_c", s.statistics.min_temperature_c);
  field("statistics.max_temperature_c", s.statistics.max_temperature_c);
  for (std::size_t kind = 0; kind < kAlarmKinds; ++kind) {
    static constexpr const char* kAlarmNames[kAlarmKinds] = {"deviation", "limit1",      "limit2",
                                                             "pressure",  "temperature", "pot_pressure"};
    const auto prefix = std::string("alarms.") + kAlarmNames[kind];
    auto& alarm = s.alarms.settings[kind];
    field(prefix + ".enabled", alarm.enabled);
    for (std::size_t i = 0; i < alarm.thresholds.size(); ++i)
      field(prefix + ".threshold" + std::to_string(i), alarm.thresholds[i]);
    field(prefix + ".alarm_out", alarm.alarm_out);
    field(prefix + ".valve_action", alarm.valve_action);
  }
  field("calibration.open_time_s", s.calibration.open_time_s);
  field("calibration.close_time_s", s.calibration.close_time_s);
  field("calibration.dead_band_percent", s.calibration.dead_band_percent);
  field("calibration.pid_p", s.calibration.pid_p);
  field("calibration.pid_i", s.calibration.pid_i);
  field("calibration.pid_d", s.calibration.pid_d);
  for (std::size_t i = 0; i < s.calibration.min_pulses.size(); ++i) {
    field("calibration.min_pulse" + std::to_string(i), s.calibration.min_pulses[i]);
  }
  field("calibration.current_low_ma", s.calibration.current_points_ma[0]);
  field("calibration.current_high_ma", s.calibration.current_points_ma[1]);
  field("calibration.temperature_point_k", s.calibration.temperature_point_k);
  for (std::size_t i = 0; i < s.calibration.pressure_low_kpa.size(); ++i) {
    field("calibration.pressure_low_kpa" + std::to_string(i), s.calibration.pressure_low_kpa[i]);
    field("calibration.pressure_high_kpa" + std::to_string(i), s.calibration.pressure_high_kpa[i]);
  }
  field("calibration.tunings_done", s.calibration.tunings_done);
  field("diagnostics.clock_s", s.diagnostics.clock_s);
  field("diagnostics.trend_friction", s.diagnostics.trends[trend::kFriction]);
  field("diagnostics.trend_deviation", s.diagnostics.trends[trend::kDeviation]);
  field("diagnostics.trend_position", s.diagnostics.trends[trend::kPosition]);
  field("diagnostics.travel_seconds", s.diagnostics.travel_seconds);
  field("diagnostics.events", s.diagnostics.events);
  field("diagnostics.events_logged", s.diagnostics.events_logged);
  field("firmware.symptom_limits", s.firmware.symptom_limits);
}

std::string format_value(bool value) { return value ? "1" : "0"; }
std::string format_value(Model value) { return value == Model::Q50 ? "q50" : "q5"; }
std::string format_value(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));  // enough digits to come back exact
  return text;
}
std::string format_value(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}
template <class Integer>
std::string format_value(Integer value) {
  return std::to_string(value);
}
// Packed texts and the date as hex bytes, two digits each.
template <std::size_t N>
std::string format_value(const std::array<std::uint8_t, N>& bytes) {
  std::string text;
  for (const auto byte : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    text += digits;
  }
  return text;
}

// Trends and counters as numbers separated by blanks; the event log as
// "minute:code" pairs, oldest first.
template <class Integer, std::size_t N>
std::string format_list(const std::array<Integer, N>& values) {
  std::string text;
  for (const auto value : values) text += (text.empty() ? "" : " ") + std::to_string(value);
  return text;
}
template <std::size_t N>
std::string format_value(const std::array<std::int16_t, N>& values) {
  return format_list(values);
}
template <std::size_t N>
std::string format_value(const std::array<std::uint32_t, N>& values) {
  return format_list(values);
}
template <std::size_t N>
std::string format_value(const std::array<std::uint16_t, N>& values) {
  return format_list(values);
}
std::string format_value(const std::vector<LoggedEvent>& events) {
  std::string text;
  for (const auto& event : events)
    text += (text.empty() ? "" : " ") + std::to_string(event.minute) + ":" + std::to_string(event.code);
  return text;
}

bool parse_value(std::string_view text, bool& value) {
  if (text != "0" && text != "1") return false;
  value = text == "1";
  return true;
}
bool parse_value(std::string_view text, Model& value) {
  if (text == "q5")
    value = Model::Q5;
  else if (text == "q50")
    value = Model::Q50;
  else
    return false;
  return true;
}
bool parse_value(std::string_view text, float& value) {
  const std::string copy(text);  // strtof wants a terminated string
  char* end = nullptr;
  const float parsed = std::strtof(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size()) return false;
  value = parsed;
  return true;
}
bool parse_value(std::string_view text, double& value) {
  const std::string copy(text);
  char* end = nullptr;
  const double parsed = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size()) return false;
  value = parsed;
  return true;
}
template <class Integer>
bool parse_value(std::string_view text, Integer& value) {
  Integer parsed{};
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (status != std::errc{} || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

template <std::size_t N>
bool parse_value(std::string_view text, std::array<std::uint8_t, N>& bytes) {
  if (text.size() != 2 * N) return false;
  std::array<std::uint8_t, N> parsed{};
  for (std::size_t i = 0; i < N; ++i) {
    const auto [end, status] = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, parsed[i], 16);
    if (status != std::errc{} || end != text.data() + 2 * i + 2) return false;
  }
  bytes = parsed;
  return true;
}

// Blank-separated words of a list value.
std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> result;
  while (!text.empty()) {
    const auto start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    const auto end = text.find(' ');
    result.push_back(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end);
  }
  return result;
}

template <class Integer, std::size_t N>
bool parse_list(std::string_view text, std::array<Integer, N>& values) {
  const auto items = words(text);
  if (items.size() != N) return false;
  std::array<Integer, N> parsed{};
  for (std::size_t i = 0; i < N; ++i)
    if (!parse_value(items[i], parsed[i])) return false;
  values = parsed;
  return true;
}
template <std::size_t N>
bool parse_value(std::string_view text, std::array<std::int16_t, N>& values) {
  return parse_list(text, values);
}
template <std::size_t N>
bool parse_value(std::string_view text, std::array<std::uint16_t, N>& values) {
  return parse_list(text, values);
}
template <std::size_t N>
bool parse_value(std::string_view text, std::array<std::uint32_t, N>& values) {
  return parse_list(text, values);
}

bool parse_value(std::string_view text, std::vector<LoggedEvent>& events) {
  std::vector<LoggedEvent> parsed;
  for (const auto item : words(text)) {
    const auto colon = item.find(':');
    LoggedEvent event;
    if (colon == std::string_view::npos || !parse_value(item.substr(0, colon), event.minute) ||
        !parse_value(item.substr(colon + 1), event.code))
      return false;
    parsed.push_back(event);
  }
  if (parsed.size() > kEventLogCapacity) return false;
  events = std::move(parsed);
  return true;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

}  // namespace

std::array<CurvePoint, kMaxCurvePoints> CharacteristicSettings::straight_line() {
  std::array<CurvePoint, kMaxCurvePoints> points{};
  for (std::size_t i = 0; i < points.size(); ++i) {
    const float x = static_cast<float>(i) * 100.0f / static_cast<float>(points.size() - 1);
    points[i] = {x, x};
  }
  return points;
}

std::uint8_t software_revision_from_text(std::string_view version) {
  for (const auto& known : kVersions) {
    if (version == known.text) return known.revision;
  }
  return 0;
}

std::string software_version_text(std::uint8_t revision) {
  return std::to_string(revision / 10) + "." + std::to_string(revision % 10);
}

DeviceState default_device_state(Model model, std::uint8_t software_revision) {
  DeviceState state;
  state.identity.model = model;
  state.identity.software_revision = software_revision;
  return state;
}

std::string serialize_device_state(const DeviceState& state) {
  std::string out = "# positioner-sim device state\n";
  for_each_field(state, [&out](const std::string& name, const auto& value) {
    out += name + " = " + format_value(value) + "\n";
  });
  return out;
}

bool parse_device_state(std::string_view text, DeviceState& state, std::string& error) {
  DeviceState parsed = state;
  int line_number = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const auto line = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++line_number;
    if (line.empty() || line.front() == '#') continue;

    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
      error = "line " + std::to_string(line_number) + ": expected \"key = value\"";
      return false;
    }
    const auto key = trim(line.substr(0, equals));
    const auto value = trim(line.substr(equals + 1));
    bool known = false;
    bool valid = true;
    for_each_field(parsed, [&](const std::string& name, auto& field) {
      if (known || name != key) return;
      known = true;
      valid = parse_value(value, field);
    });
    if (!known || !valid) {
      error = "line " + std::to_string(line_number) + ": " + (known ? "bad value for " : "unknown key ") +
              std::string(key);
      return false;
    }
  }
  state = parsed;
  return true;
}

bool save_device_state(const std::string& path, const DeviceState& state, std::string& error) {
  const auto temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << serialize_device_state(state);
    out.flush();
    if (!out) {
      error = "cannot write " + temporary;
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot replace " + path;
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool load_device_state(const std::string& path, DeviceState& state, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (!parse_device_state(text.str(), state, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace velk::sim
