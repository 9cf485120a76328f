// CONTROL: dynamic-variable assignment, setpoint source and setpoint, burst mode.
#include "command_registry.h"
#include "setting_handlers.h"
#include "units.h"

namespace velk::sim {

namespace {

constexpr auto kControl = &DeviceState::control;
// In a slot of command 51: leave that slot's assignment as it is.
constexpr std::uint8_t kKeepAssignment = 255;

// Answers with the assignment as it stands afterwards, kept slots included.
void write_dynamic_variables(CommandContext& c) {
  auto& slots = c.state.control.dynamic_variables;
  for (std::size_t slot = 0; slot < slots.size(); ++slot) {
    const auto code = c.request_u8(slot);
    if (code != kKeepAssignment && !is_device_variable(code)) return c.refuse(response::kInvalidSelection);
  }
  for (std::size_t slot = 0; slot < slots.size(); ++slot) {
    if (const auto code = c.request_u8(slot); code != kKeepAssignment) slots[slot] = code;
  }
  for (const auto code : slots) c.reply_u8(code);
}

// The setpoint in percent; only taken while the setpoint comes over HART.
void write_setpoint(CommandContext& c) {
  if (c.state.control.setpoint_source != setpoint_source::kHart) return c.refuse(response::kAccessRestricted);
  const float setpoint = c.request_f32(0);
  if (const auto code = range_check(setpoint, 0.0f, 100.0f)) return c.refuse(code);
  c.state.control.hart_setpoint_percent = setpoint;
  c.echo_request(4);
}

void write_burst_command(CommandContext& c) {
  const auto command = c.request_u8(0);
  if (command < 1 || command > 3) return c.refuse(response::kInvalidSelection);
  c.state.control.burst_command = command;
  c.echo_request(1);
}

void write_burst_mode(CommandContext& c) {
  const auto mode = c.request_u8(0);
  if (mode > 1) return c.refuse(response::kInvalidSelection);
  c.state.control.burst_mode = mode == 1;
  c.echo_request(1);
}

}  // namespace

void register_control_commands(CommandRegistry& registry) {
  registry.add(51, {4, Access::Write, write_dynamic_variables});
  registry.add(108, {1, Access::OpenWrite, write_burst_command});
  registry.add(109, {1, Access::OpenWrite, write_burst_mode});
  registry.add(140, {1, Access::Write, write_byte_setting<kControl, &ControlSettings::setpoint_source, 2>});
  registry.add(141, {0, Access::Read, read_byte_setting<kControl, &ControlSettings::setpoint_source>});
  registry.add(142, {4, Access::Write, write_setpoint});
}

}  // namespace velk::sim
