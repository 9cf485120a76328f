// The simulated positioner's device state: every value a master can read back
// after writing it, plus the process values the model moves. Plain structs so a
// test can set up any situation in one assignment, and so the whole state can
// be kept in a file between sessions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velk::sim {

enum class Model : std::uint8_t { Q5, Q50 };

// HART unit codes the positioner knows.
namespace unit {
inline constexpr std::uint8_t kPsi = 6;
inline constexpr std::uint8_t kBar = 7;
inline constexpr std::uint8_t kKiloPascal = 12;
inline constexpr std::uint8_t kCelsius = 32;
inline constexpr std::uint8_t kFahrenheit = 33;
inline constexpr std::uint8_t kKelvin = 35;
inline constexpr std::uint8_t kMilliampere = 39;
inline constexpr std::uint8_t kInch = 47;
inline constexpr std::uint8_t kCentimetre = 48;
inline constexpr std::uint8_t kMillimetre = 49;
inline constexpr std::uint8_t kPercent = 57;
inline constexpr std::uint8_t kDegrees = 143;
inline constexpr std::uint8_t kNone = 251;  // a plain count, such as raw sensor counts
}  // namespace unit

// Device variable codes (dynamic-variable assignment, units).
namespace device_variable {
inline constexpr std::uint8_t kPosition = 0;
inline constexpr std::uint8_t kSetpoint = 1;
inline constexpr std::uint8_t kTemperature = 2;
inline constexpr std::uint8_t kPressurePlus = 3;  // actuator chamber C+
inline constexpr std::uint8_t kDeviation = 4;
inline constexpr std::uint8_t kSupplyPressure = 5;
inline constexpr std::uint8_t kPressureMinus = 6;     // actuator chamber C- (vented when single acting)
inline constexpr std::uint8_t kRawPosition = 7;       // the travel sensor's counts, 0 to 4092 over the travel
inline constexpr std::uint8_t kFilteredPosition = 8;  // the position without measurement noise
inline constexpr std::uint8_t kLast = kFilteredPosition;
}  // namespace device_variable

// A text as HART 7 keeps a long one: its bytes, zeros after the text.
template <std::size_t Bytes>
constexpr std::array<std::uint8_t, Bytes> latin1(std::string_view text) {
  std::array<std::uint8_t, Bytes> bytes{};
  for (std::size_t i = 0; i < Bytes && i < text.size(); ++i) bytes[i] = static_cast<std::uint8_t>(text[i]);
  return bytes;
}

struct Identity {
  std::uint8_t manufacturer_id = 62;
  std::uint8_t device_type = 97;
  std::uint8_t request_preambles = 5;
  std::uint8_t universal_revision = 5;
  std::uint8_t device_revision = 1;
  std::uint8_t software_revision = 86;  // software version times ten: 86, 90, 91, 100, 101
  std::uint8_t hardware_revision = 1;   // 5 bits
  std::uint32_t device_id = 1;          // 24 bits
  std::uint8_t polling_address = 0;     // 0..15
  Model model = Model::Q5;
  // As command 18 writes them: tag and descriptor in packed ASCII (blank at
  // first), the date as day, month, year.
  std::array<std::uint8_t, 6> tag{0x82, 0x08, 0x20, 0x82, 0x08, 0x20};
  std::array<std::uint8_t, 12> descriptor{0x82, 0x08, 0x20, 0x82, 0x08, 0x20,
                                          0x82, 0x08, 0x20, 0x82, 0x08, 0x20};
  std::array<std::uint8_t, 3> date{1, 1, 20};
  // As command 22 writes it: 32 characters of ISO Latin-1, zeros after the text.
  std::array<std::uint8_t, 32> long_tag = latin1<32>("VELK Q5 POSITIONER");

  bool operator==(const Identity&) const = default;
};

enum class TravelEnd : std::uint8_t { Low = 0, High = 1 };

struct SetupSettings {
  std::uint8_t actuator_type = 0;  // 0 rotating, 1 linear
  std::uint8_t stroke_mm = 50;
  std::uint8_t actuator_size = 1;      // 0 small .. 3 texas-size
  std::uint8_t actuator_function = 1;  // 1 single acting, 0 double acting
  float current_range_min_ma = 4.0f;
  float current_range_max_ma = 20.0f;
  std::uint8_t direction = 0;  // 0 direct, 1 reverse
  float travel_lower_percent = 0.0f;
  float travel_upper_percent = 100.0f;
  std::array<std::uint8_t, 2> travel_control{1, 1};  // by TravelEnd: 0 free, 1 cutoff, 2 limited
  std::array<float, 2> cutoff_percent{0.1f, 99.9f};
  std::array<float, 2> limited_percent{0.0f, 100.0f};

  bool operator==(const SetupSettings&) const = default;
};

struct CurvePoint {
  float input_percent = 0.0f;
  float output_percent = 0.0f;
  bool operator==(const CurvePoint&) const = default;
};

inline constexpr std::size_t kMaxCurvePoints = 33;

namespace transfer_function {
inline constexpr std::uint8_t kLinear = 0;
inline constexpr std::uint8_t kEqualPercent = 1;
inline constexpr std::uint8_t kQuickOpen = 2;
inline constexpr std::uint8_t kCustom = 3;
inline constexpr std::uint8_t kSquareRoot = 240;
}  // namespace transfer_function

struct CharacteristicSettings {
  std::uint8_t transfer_function = transfer_function::kLinear;
  std::uint8_t custom_point_count = 33;
  std::array<CurvePoint, kMaxCurvePoints> custom_points = straight_line();

  static std::array<CurvePoint, kMaxCurvePoints> straight_line();
  bool operator==(const CharacteristicSettings&) const = default;
};

struct AppearanceSettings {
  std::uint8_t language = 0;         // 0 English .. 5 Spanish
  std::uint8_t default_display = 0;  // 0 position .. 3 menu
  bool operator==(const AppearanceSettings&) const = default;
};

// Unit of each device variable, as HART unit codes. Deviation (percent) and
// raw position (counts) have a fixed unit.
struct DeviceVariableUnits {
  std::uint8_t position = unit::kPercent;
  std::uint8_t setpoint = unit::kPercent;
  std::uint8_t temperature = unit::kCelsius;
  std::uint8_t supply_pressure = unit::kBar;
  std::uint8_t pressure_plus = unit::kBar;
  std::uint8_t pressure_minus = unit::kBar;
  std::uint8_t filtered_position = unit::kPercent;
  bool operator==(const DeviceVariableUnits&) const = default;
};

namespace setpoint_source {
inline constexpr std::uint8_t kAnalog = 0;
inline constexpr std::uint8_t kManual = 1;
inline constexpr std::uint8_t kHart = 2;
}  // namespace setpoint_source

struct ControlSettings {
  std::uint8_t setpoint_source = setpoint_source::kAnalog;
  float hart_setpoint_percent = 50.0f;
  float manual_setpoint_percent = 50.0f;
  float loop_current_ma = 12.0f;  // the analog input signal on the loop
  // Device variable code in the primary, secondary, third and fourth slot.
  std::array<std::uint8_t, 4> dynamic_variables{device_variable::kPosition, device_variable::kSetpoint,
                                                device_variable::kTemperature,
                                                device_variable::kSupplyPressure};
  std::uint8_t burst_command = 3;  // 1, 2 or 3
  bool burst_mode = false;
  bool operator==(const ControlSettings&) const = default;
};

struct ServiceState {
  bool out_of_service = false;
  bool write_protected = false;  // the hardware jumper: no HART command changes it
  std::uint8_t field_device_status = 0;
  bool operator==(const ServiceState&) const = default;
};

struct ProcessState {
  float position_percent = 50.0f;  // true travel; replies add a little measurement noise
  float temperature_c = 22.0f;
  float supply_pressure_bar = 5.5f;
  bool operator==(const ProcessState&) const = default;
};

// HART packed ASCII as the device keeps its texts: four 6-bit characters in
// every three bytes, lower case taken as upper case, blanks after the text.
template <std::size_t Bytes>
constexpr std::array<std::uint8_t, Bytes> packed_ascii(std::string_view text) {
  std::array<std::uint8_t, Bytes> packed{};
  for (std::size_t group = 0; group < Bytes / 3; ++group) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      const std::size_t at = group * 4 + i;
      char c = at < text.size() ? text[at] : ' ';
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      bits = bits << 6 | (static_cast<std::uint8_t>(c) & 0x3Fu);
    }
    packed[group * 3] = static_cast<std::uint8_t>(bits >> 16);
    packed[group * 3 + 1] = static_cast<std::uint8_t>(bits >> 8);
    packed[group * 3 + 2] = static_cast<std::uint8_t>(bits);
  }
  return packed;
}

// What the READ page shows besides the identity: the message (command 12)
// and the final assembly number (command 16).
struct DeviceRecords {
  std::array<std::uint8_t, 24> message = packed_ascii<24>("VELK VALVE POSITIONER");
  std::uint32_t final_assembly_number = 402117;  // 24 bits
  bool operator==(const DeviceRecords&) const = default;
};

// The statistics the positioner keeps (commands 146 and 147, reset by 148).
// Run time and mean deviation count while it controls the valve (in
// service); the temperature extremes always.
struct OperatingStatistics {
  double run_time_s = 0.0;
  float accumulated_travel_percent = 0.0f;
  float cycles = 0.0f;  // reversals of the travel's direction
  float mean_deviation_percent = 0.0f;
  float min_temperature_c = 22.0f;
  float max_temperature_c = 22.0f;
  // The stroke under way, for counting reversals: its direction (-1, 0 before
  // the first, +1) and its furthest position so far.
  std::int8_t direction = 0;
  float stroke_extreme_percent = 50.0f;
  bool operator==(const OperatingStatistics&) const = default;
};

// The six supervision alarms, in the order of their commands: kind k is
// written with command 220 + 2k and read with 221 + 2k.
enum class AlarmKind : std::uint8_t { Deviation, Limit1, Limit2, Pressure, Temperature, PotPressure };
inline constexpr std::size_t kAlarmKinds = 6;

// One alarm as its commands carry it. The thresholds in layout order:
// deviation distance (%) and time (s); low, high and hysteresis of the limit
// (%), pressure and temperature alarms; the pot = press largest difference (%).
// Temperatures are kept in degrees Celsius, whatever unit the commands use.
struct AlarmSetting {
  bool enabled = false;
  std::array<float, 3> thresholds{};
  bool alarm_out = false;
  std::uint8_t valve_action = 0;  // 0 do nothing, 1 go to open, 2 go to close, 3 manual
  bool operator==(const AlarmSetting&) const = default;
};

struct AlarmState {
  std::array<AlarmSetting, kAlarmKinds> settings{
      AlarmSetting{false, {10.0f, 10.0f, 0.0f}, true, 0},
      AlarmSetting{false, {0.0f, 100.0f, 2.0f}, false, 0},
      AlarmSetting{false, {0.0f, 100.0f, 2.0f}, false, 0},
      AlarmSetting{false, {0.0f, 100.0f, 2.0f}, false, 0},
      AlarmSetting{false, {0.0f, 100.0f, 5.0f}, false, 0},
      AlarmSetting{false, {3.0f, 0.0f, 0.0f}, false, 0},
  };
  // What the process model judges now; not kept in the state file.
  std::array<bool, kAlarmKinds> tripped{};
  double deviation_held_s = 0.0;  // how long the deviation has stood beyond its distance

  AlarmSetting& operator[](AlarmKind kind) { return settings[static_cast<std::size_t>(kind)]; }
  const AlarmSetting& operator[](AlarmKind kind) const { return settings[static_cast<std::size_t>(kind)]; }
  bool operator==(const AlarmState&) const = default;
};

// The automatic calibration's stages as the device runs them.
enum class CalibrationStage : std::uint8_t { None, Travel, Leak, PulseTuning, StepTuning };

// Status byte of command 159.
namespace calibration_status {
inline constexpr std::uint8_t kTravelDone = 0;
inline constexpr std::uint8_t kTravelRunning = 1;
inline constexpr std::uint8_t kLeakDone = 16;
inline constexpr std::uint8_t kLeakRunning = 17;
inline constexpr std::uint8_t kLeakFound = 18;
inline constexpr std::uint8_t kTuningDone = 32;
inline constexpr std::uint8_t kPulseTuning = 33;
inline constexpr std::uint8_t kStepTuning = 34;
}  // namespace calibration_status

// Control-loop tuning, calibrations and the device's own tests.
struct CalibrationState {
  // Tuning a master writes and reads back.
  float open_time_s = 0.0f;
  float close_time_s = 0.0f;
  float dead_band_percent = 0.5f;
  float pid_p = 5.0f;
  float pid_i = 1.0f;
  float pid_d = 0.05f;
  std::array<std::uint16_t, 4> min_pulses{12, 12, 10, 10};  // up, up 2, down, down 2 (a Q5 from 9.1 on)
  // The points of the last single-point calibrations.
  std::array<float, 2> current_points_ma{4.0f, 20.0f};
  float temperature_point_k = 298.2f;
  std::array<float, 3> pressure_low_kpa{0.0f, 0.0f, 0.0f};  // supply, C+, C-
  std::array<float, 3> pressure_high_kpa{700.0f, 700.0f, 700.0f};

  // The automatic calibration: what command 159 reports, the stage running and its time left.
  std::uint8_t status = calibration_status::kTravelDone;
  CalibrationStage stage = CalibrationStage::None;
  float stage_seconds_left = 0.0f;
  std::uint32_t tunings_done = 0;  // each tuning finds slightly different parameters
  // How runs end, for training and tests: the status a travel calibration
  // fails with (2 to 5; 0 it succeeds), whether the leak test finds a leak,
  // and the factor on every duration (1: a sequence of about half a minute).
  std::uint8_t travel_failure = 0;
  bool leak = false;
  float time_scale = 1.0f;

  // The toggle-step test: the valve steps by the size, each cycle, until the time is up.
  float toggle_seconds_left = 0.0f;
  float toggle_elapsed_s = 0.0f;
  float toggle_cycle_s = 0.0f;
  float toggle_size_percent = 0.0f;
  // The memory self test (command 41).
  float self_test_seconds_left = 0.0f;

  bool operator==(const CalibrationState&) const = default;
};
// What the positioner watches and remembers for the diagnostics pages: the
// alarm thresholds its alarm table follows, its trends, where the valve has
// been, and its event log. Every field is kept in the state file.
inline constexpr std::size_t kTrendVariables = 3;  // friction, deviation, position
inline constexpr std::size_t kTrendHours = 24;
inline constexpr std::size_t kTrendDays = 31;
inline constexpr std::size_t kTrendMonths = 12;
inline constexpr std::size_t kTrendYears = 25;
inline constexpr std::size_t kTrendValues = kTrendHours + kTrendDays + kTrendMonths + kTrendYears;
inline constexpr std::size_t kTravelBins = 16;
inline constexpr std::size_t kEventLogCapacity = 200;

namespace trend {
inline constexpr std::size_t kFriction = 0;
inline constexpr std::size_t kDeviation = 1;
inline constexpr std::size_t kPosition = 2;
}  // namespace trend

// Codes of the event log; each has its fixed text (event_text).
namespace event_code {
inline constexpr std::uint8_t kPowerOn = 1;
inline constexpr std::uint8_t kOutOfService = 2;
inline constexpr std::uint8_t kInService = 3;
inline constexpr std::uint8_t kManualModeOn = 4;
inline constexpr std::uint8_t kManualModeOff = 5;
inline constexpr std::uint8_t kCalibrationDone = 6;
inline constexpr std::uint8_t kSelfTestPassed = 7;
inline constexpr std::uint8_t kDeviationAlarm = 8;
inline constexpr std::uint8_t kDeviationOk = 9;
inline constexpr std::uint8_t kLimit1Alarm = 10;
inline constexpr std::uint8_t kLimit1Ok = 11;
inline constexpr std::uint8_t kLimit2Alarm = 12;
inline constexpr std::uint8_t kLimit2Ok = 13;
inline constexpr std::uint8_t kTemperatureAlarm = 14;
inline constexpr std::uint8_t kTemperatureOk = 15;
}  // namespace event_code

struct LoggedEvent {
  std::uint32_t minute = 0;  // of the diagnostic clock
  std::uint8_t code = 0;
  bool operator==(const LoggedEvent&) const = default;
};

struct DiagnosticState {
  // Runs compressed (a device minute per second of line time); trends and
  // events are stamped by it.
  std::uint64_t clock_s = 0;
  // Per variable, in 0.01 units: 24 hours, 31 days, 12 months, 25 years, each
  // run oldest first, its last entry the latest finished period.
  std::array<std::array<std::int16_t, kTrendValues>, kTrendVariables> trends{};
  std::array<std::uint32_t, kTravelBins> travel_seconds{};  // diagnostic-clock time in each 1/16 of travel
  std::vector<LoggedEvent> events;    // oldest first, at most kEventLogCapacity
  std::uint32_t events_logged = 0;    // ever, numbering the entries

  bool operator==(const DiagnosticState&) const = default;
};

// A device with a past: trends over the last years, a travel histogram and
// `events` entries in its log (plausible, the same for the same device id).
DiagnosticState diagnostic_history(std::uint32_t device_id, std::size_t events = 12);

// The event log's text of an event code, at most 17 characters.
std::string_view event_text(std::uint8_t code);

// The firmware's service interface (commands 250, 252 and 253): table 1 of
// the debug tables, the RAM and the array memory it reaches, and the symptom
// limits command 250 stores. RAM and the array memory are volatile: they start
// afresh at every power-on and are not kept in the state file.
inline constexpr std::size_t kDebugTableBytes = 56;  // 14 entries of 4 bytes
inline constexpr std::size_t kSymptomLimitEntries = 76;

struct FirmwareState {
  std::array<std::uint8_t, kDebugTableBytes> active_table{};  // table 1
  std::vector<std::uint8_t> ram;
  std::vector<std::uint8_t> array_memory;
  std::array<std::uint16_t, kSymptomLimitEntries> symptom_limits{};

  bool operator==(const FirmwareState&) const = default;
};

// The firmware as it starts: table 1 a copy of table 5, RAM with its
// initial values, the array memory counting up.
FirmwareState firmware_at_power_on();

struct DeviceState {
  Identity identity;
  SetupSettings setup;
  CharacteristicSettings characteristic;
  AppearanceSettings appearance;
  DeviceVariableUnits units;
  ControlSettings control;
  ServiceState service;
  ProcessState process;
  DeviceRecords records;
  OperatingStatistics statistics;
  AlarmState alarms;
  CalibrationState calibration;
  DiagnosticState diagnostics = diagnostic_history(1);
  FirmwareState firmware = firmware_at_power_on();

  bool operator==(const DeviceState&) const = default;
};

// Software versions the positioner exists in, as the text a technician types.
// Returns the revision (version times ten), or 0 for an unknown text.
std::uint8_t software_revision_from_text(std::string_view version);
std::string software_version_text(std::uint8_t revision);

DeviceState default_device_state(Model model = Model::Q5, std::uint8_t software_revision = 86);

// The state as "key = value" lines, and back. Parsing starts from `state` as it
// is, so keys missing from an older file keep their values; an unknown key or a
// malformed value fails with `error` naming the line.
std::string serialize_device_state(const DeviceState& state);
bool parse_device_state(std::string_view text, DeviceState& state, std::string& error);

// File forms of the above. Saving writes a temporary file and renames it, so a
// crash never leaves a half-written state behind.
bool save_device_state(const std::string& path, const DeviceState& state, std::string& error);
bool load_device_state(const std::string& path, DeviceState& state, std::string& error);

}  // namespace velk::sim
