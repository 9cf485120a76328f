// CHARACTERISTICS: the transfer function and the custom curve's points.
#include "command_registry.h"
#include "setting_handlers.h"

namespace velk::sim {

namespace {

bool known_transfer_function(std::uint8_t code) {
  return code <= transfer_function::kCustom || code == transfer_function::kSquareRoot;
}

// Curve sizes whose inputs fall on an even grid: 2^n + 1 points.
bool known_point_count(std::uint8_t count) {
  return count == 3 || count == 5 || count == 9 || count == 17 || count == 33;
}

void write_transfer_function(CommandContext& c) {
  const auto code = c.request_u8(0);
  if (!known_transfer_function(code)) return c.refuse(response::kInvalidSelection);
  c.state.characteristic.transfer_function = code;
  c.echo_request(1);
}

void write_point_count(CommandContext& c) {
  const auto count = c.request_u8(0);
  if (!known_point_count(count)) return c.refuse(response::kInvalidSelection);
  c.state.characteristic.custom_point_count = count;
  c.echo_request(1);
}

void read_point_count(CommandContext& c) { c.reply_u8(c.state.characteristic.custom_point_count); }

void write_point(CommandContext& c) {
  const auto index = c.request_u8(0);
  if (index >= kMaxCurvePoints) return c.refuse(response::kInvalidSelection);
  const float input = c.request_f32(1);
  const float output = c.request_f32(5);
  for (const float value : {input, output}) {
    if (const auto code = range_check(value, 0.0f, 100.0f)) return c.refuse(code);
  }
  c.state.characteristic.custom_points[index] = {input, output};
  c.echo_request(9);
}

void read_point(CommandContext& c) {
  const auto index = c.request_u8(0);
  if (index >= kMaxCurvePoints) return c.refuse(response::kInvalidSelection);
  c.reply_u8(index);
  c.reply_f32(c.state.characteristic.custom_points[index].input_percent);
  c.reply_f32(c.state.characteristic.custom_points[index].output_percent);
}

}  // namespace

void register_characteristic_commands(CommandRegistry& registry) {
  registry.add(47, {1, Access::ServiceWrite, write_transfer_function});
  registry.add(190, {1, Access::ServiceWrite, write_point_count});
  registry.add(191, {0, Access::Read, read_point_count});
  registry.add(192, {9, Access::ServiceWrite, write_point});
  registry.add(193, {1, Access::Read, read_point});
}

}  // namespace velk::sim
