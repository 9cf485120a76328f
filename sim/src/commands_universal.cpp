// Identity and the universal commands: 0, 1, 2, 3 and 15.
#include "command_registry.h"
#include "units.h"

namespace velk::sim {

namespace {

constexpr std::uint8_t kCommandZeroExpansion = 254;
constexpr std::uint8_t kPhysicalSignallingBell202 = 0;
constexpr std::uint8_t kWriteProtectNo = 0;
constexpr std::uint8_t kWriteProtectYes = 1;

void read_identity(CommandContext& c) {
  const auto& id = c.state.identity;
  c.reply_u8(kCommandZeroExpansion);
  c.reply_u8(id.manufacturer_id);
  c.reply_u8(id.device_type);
  c.reply_u8(id.request_preambles);
  c.reply_u8(id.universal_revision);
  c.reply_u8(id.device_revision);
  c.reply_u8(id.software_revision);
  c.reply_u8(static_cast<std::uint8_t>((id.hardware_revision & 0x1F) << 3 | kPhysicalSignallingBell202));
  c.reply_u8(0);  // flags
  c.reply_u24(id.device_id & 0xFFFFFF);
}

void reply_slot(CommandContext& c, std::size_t slot) {
  const auto reading = read_device_variable(c.state.control.dynamic_variables[slot], c.state, c.live);
  c.reply_u8(reading.unit_code);
  c.reply_f32(reading.value);
}

void read_primary_variable(CommandContext& c) { reply_slot(c, 0); }

void read_current_and_percent(CommandContext& c) {
  const auto& setup = c.state.setup;
  const float span = setup.current_range_max_ma - setup.current_range_min_ma;
  const float percent = span > 0.0f ? (c.live.loop_current_ma - setup.current_range_min_ma) * 100.0f / span : 0.0f;
  c.reply_f32(c.live.loop_current_ma);
  c.reply_f32(percent);
}

void read_dynamic_variables(CommandContext& c) {
  c.reply_f32(c.live.loop_current_ma);
  for (std::size_t slot = 0; slot < c.state.control.dynamic_variables.size(); ++slot) reply_slot(c, slot);
}

// The primary variable is the travel; its range is the travel range in percent.
void read_output_information(CommandContext& c) {
  c.reply_u8(0);  // alarm selection
  c.reply_u8(c.state.characteristic.transfer_function);
  c.reply_u8(unit::kPercent);
  c.reply_f32(c.state.setup.travel_upper_percent);
  c.reply_f32(c.state.setup.travel_lower_percent);
  c.reply_f32(0.0f);  // damping
  c.reply_u8(c.state.service.write_protected ? kWriteProtectYes : kWriteProtectNo);
  c.reply_u8(c.state.identity.manufacturer_id);  // private label distributor
}

}  // namespace

void register_universal_commands(CommandRegistry& registry) {
  registry.add(0, {0, Access::Read, read_identity});
  registry.add(1, {0, Access::Read, read_primary_variable});
  registry.add(2, {0, Access::Read, read_current_and_percent});
  registry.add(3, {0, Access::Read, read_dynamic_variables});
  registry.add(15, {0, Access::Read, read_output_information});
}

}  // namespace velk::sim
