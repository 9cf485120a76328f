// SETUP: actuator, stroke, input current range, direction, travel range and
// the travel control at both ends.
#include "command_registry.h"
#include "setting_handlers.h"

namespace velk::sim {

namespace {

constexpr std::uint8_t kMinStrokeMm = 5;
constexpr std::uint8_t kMaxStrokeMm = 157;
constexpr float kMinCurrentMa = 4.0f;
constexpr float kMaxCurrentMa = 20.0f;
constexpr float kMaxLowerTravel = 90.0f;
constexpr float kMinUpperTravel = 10.0f;
constexpr float kMinEndValue = -20.0f;
constexpr float kMaxEndValue = 120.0f;
constexpr std::uint8_t kLimitedControl = 2;

constexpr auto kSetup = &DeviceState::setup;

void write_stroke(CommandContext& c) {
  const auto stroke = c.request_u8(0);
  if (stroke > kMaxStrokeMm) return c.refuse(response::kParameterTooLarge);
  if (stroke < kMinStrokeMm) return c.refuse(response::kParameterTooSmall);
  c.state.setup.stroke_mm = stroke;
  c.echo_request(1);
}

void write_current_range(CommandContext& c) {
  const float low = c.request_f32(0);
  const float high = c.request_f32(4);
  for (const float value : {low, high}) {
    if (const auto code = range_check(value, kMinCurrentMa, kMaxCurrentMa)) return c.refuse(code);
  }
  // An empty or inverted range would leave the input signal without meaning.
  if (low >= high) return c.refuse(response::kLowerValueTooHigh);
  c.state.setup.current_range_min_ma = low;
  c.state.setup.current_range_max_ma = high;
  c.echo_request(8);
}

void read_current_range(CommandContext& c) {
  c.reply_f32(c.state.setup.current_range_min_ma);
  c.reply_f32(c.state.setup.current_range_max_ma);
}

// Travel range as the primary variable's range values, in percent only.
void write_travel_range(CommandContext& c) {
  if (c.request_u8(0) != unit::kPercent) return c.refuse(response::kInvalidSelection);
  const float upper = c.request_f32(1);
  const float lower = c.request_f32(5);
  if (std::isnan(upper) || std::isnan(lower)) return c.refuse(response::kInvalidSelection);
  const bool lower_bad = lower < 0.0f || lower > kMaxLowerTravel;
  const bool upper_bad = upper < kMinUpperTravel || upper > 100.0f;
  if (lower_bad && upper_bad) return c.refuse(response::kBothValuesOutOfLimits);
  if (lower > kMaxLowerTravel) return c.refuse(response::kLowerValueTooHigh);
  if (lower < 0.0f) return c.refuse(response::kLowerValueTooLow);
  if (upper > 100.0f) return c.refuse(response::kUpperValueTooHigh);
  if (upper < kMinUpperTravel) return c.refuse(response::kUpperValueTooLow);
  if (lower >= upper) return c.refuse(response::kLowerValueTooHigh);
  c.state.setup.travel_upper_percent = upper;
  c.state.setup.travel_lower_percent = lower;
  c.echo_request(9);
}

void write_travel_control(CommandContext& c) {
  if (!valid_travel_end(c)) return;
  const auto code = c.request_u8(1);
  if (code > kLimitedControl) return c.refuse(response::kInvalidSelection);
  c.state.setup.travel_control[c.request_u8(0)] = code;
  c.echo_request(2);
}

void read_travel_control(CommandContext& c) {
  if (!valid_travel_end(c)) return;
  c.reply_u8(c.request_u8(0));
  c.reply_u8(c.state.setup.travel_control[c.request_u8(0)]);
}

template <auto Values>
void write_end_value(CommandContext& c) {
  if (!valid_travel_end(c)) return;
  const float value = c.request_f32(1);
  if (const auto code = range_check(value, kMinEndValue, kMaxEndValue)) return c.refuse(code);
  (c.state.setup.*Values)[c.request_u8(0)] = value;
  c.echo_request(5);
}

template <auto Values>
void read_end_value(CommandContext& c) {
  if (!valid_travel_end(c)) return;
  c.reply_u8(c.request_u8(0));
  c.reply_f32((c.state.setup.*Values)[c.request_u8(0)]);
}

}  // namespace

void register_setup_commands(CommandRegistry& registry) {
  registry.add(35, {9, Access::ServiceWrite, write_travel_range});
  registry.add(138,
               {1, Access::ServiceWrite, write_byte_setting<kSetup, &SetupSettings::actuator_function, 1>});
  registry.add(139, {0, Access::Read, read_byte_setting<kSetup, &SetupSettings::actuator_function>});
  registry.add(152, {1, Access::ServiceWrite, write_byte_setting<kSetup, &SetupSettings::actuator_size, 3>});
  registry.add(153, {0, Access::Read, read_byte_setting<kSetup, &SetupSettings::actuator_size>});
  registry.add(174, {1, Access::ServiceWrite, write_byte_setting<kSetup, &SetupSettings::actuator_type, 1>});
  registry.add(175, {0, Access::Read, read_byte_setting<kSetup, &SetupSettings::actuator_type>});
  registry.add(176, {1, Access::ServiceWrite, write_byte_setting<kSetup, &SetupSettings::direction, 1>});
  registry.add(177, {0, Access::Read, read_byte_setting<kSetup, &SetupSettings::direction>});
  registry.add(178, {1, Access::ServiceWrite, write_stroke});
  registry.add(179, {0, Access::Read, read_byte_setting<kSetup, &SetupSettings::stroke_mm>});
  registry.add(182, {8, Access::ServiceWrite, write_current_range});
  registry.add(183, {0, Access::Read, read_current_range});
  registry.add(184, {2, Access::ServiceWrite, write_travel_control});
  registry.add(185, {1, Access::Read, read_travel_control});
  registry.add(186, {5, Access::ServiceWrite, write_end_value<&SetupSettings::cutoff_percent>});
  registry.add(187, {1, Access::Read, read_end_value<&SetupSettings::cutoff_percent>});
  registry.add(188, {5, Access::ServiceWrite, write_end_value<&SetupSettings::limited_percent>});
  registry.add(189, {1, Access::Read, read_end_value<&SetupSettings::limited_percent>});
}

}  // namespace velk::sim
