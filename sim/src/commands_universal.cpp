// Identity and the universal commands: 0, 1, 2, 3, 9, 11, 13, 15, 18, 20 and 22.
// Commands 9, 20 and 22 are HART 7's: their replies go past the 30 data
// bytes older devices kept to.
#include <algorithm>

#include "command_registry.h"
#include "units.h"

namespace velk::sim {

namespace {

constexpr std::uint8_t kCommandZeroExpansion = 254;
constexpr std::uint8_t kPhysicalSignallingBell202 = 0;
constexpr std::uint8_t kWriteProtectNo = 0;
constexpr std::uint8_t kWriteProtectYes = 1;

// Command 18's request: packed tag, packed descriptor, date.
constexpr std::size_t kTagAt = 0;
constexpr std::size_t kDescriptorAt = 6;
constexpr std::size_t kDateAt = 18;
constexpr std::uint8_t kTagDescriptorDateBytes = 21;
constexpr std::uint8_t kLongTagBytes = 32;

// Command 9: up to eight device variables, each with its classification and
// status; codes the device has no variable for are reported as not used.
constexpr std::size_t kMaxSlots = 8;
constexpr std::uint8_t kNotClassified = 0;
constexpr std::uint8_t kUnitNotUsed = 250;
constexpr std::uint32_t kQuietNaN = 0x7FA00000;
constexpr std::uint8_t kStatusGood = 0xC0;
constexpr std::uint8_t kStatusBadConstant = 0x30;

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

template <std::size_t N>
void reply_bytes(CommandContext& c, const std::array<std::uint8_t, N>& bytes) {
  for (const auto byte : bytes) c.reply_u8(byte);
}

template <std::size_t N>
void take_bytes(const CommandContext& c, std::size_t offset, std::array<std::uint8_t, N>& bytes) {
  for (std::size_t i = 0; i < N; ++i) bytes[i] = c.request_u8(offset + i);
}

void read_tag_descriptor_date(CommandContext& c) {
  reply_bytes(c, c.state.identity.tag);
  reply_bytes(c, c.state.identity.descriptor);
  reply_bytes(c, c.state.identity.date);
}

void write_tag_descriptor_date(CommandContext& c) {
  auto& id = c.state.identity;
  take_bytes(c, kTagAt, id.tag);
  take_bytes(c, kDescriptorAt, id.descriptor);
  take_bytes(c, kDateAt, id.date);
  c.echo_request(kTagDescriptorDateBytes);
}

void reply_slot(CommandContext& c, std::size_t slot) {
  const auto reading = read_device_variable(c.state.control.dynamic_variables[slot], c.state, c.live);
  c.reply_u8(reading.unit_code);
  c.reply_f32(reading.value);
}

void read_primary_variable(CommandContext& c) { reply_slot(c, 0); }

void read_variables_with_status(CommandContext& c) {
  c.reply_u8(0);  // extended field device status
  const std::size_t slots = std::min(c.request.size(), kMaxSlots);
  for (std::size_t slot = 0; slot < slots; ++slot) {
    const std::uint8_t code = c.request_u8(slot);
    const auto reading = read_device_variable(code, c.state, c.live);
    const bool used = reading.unit_code != 0;
    c.reply_u8(code);
    c.reply_u8(kNotClassified);
    c.reply_u8(used ? reading.unit_code : kUnitNotUsed);
    if (used) {
      c.reply_f32(reading.value);
    } else {
      append_u32(c.reply(), kQuietNaN);
    }
    c.reply_u8(used ? kStatusGood : kStatusBadConstant);
  }
  append_u32(c.reply(), 0);  // time of the first slot's value: not kept
}

void read_long_tag(CommandContext& c) { reply_bytes(c, c.state.identity.long_tag); }

void write_long_tag(CommandContext& c) {
  take_bytes(c, 0, c.state.identity.long_tag);
  c.echo_request(kLongTagBytes);
}

void read_current_and_percent(CommandContext& c) {
  const auto& setup = c.state.setup;
  const float span = setup.current_range_max_ma - setup.current_range_min_ma;
  const float percent =
      span > 0.0f ? (c.live.loop_current_ma - setup.current_range_min_ma) * 100.0f / span : 0.0f;
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
  registry.add(9, {1, Access::Read, read_variables_with_status});
  // Reaches the device only when its data names the device's tag (Positioner).
  registry.add(11, {6, Access::Read, read_identity});
  registry.add(13, {0, Access::Read, read_tag_descriptor_date});
  registry.add(15, {0, Access::Read, read_output_information});
  registry.add(18, {kTagDescriptorDateBytes, Access::Write, write_tag_descriptor_date});
  registry.add(20, {0, Access::Read, read_long_tag});
  registry.add(22, {kLongTagBytes, Access::Write, write_long_tag});
}

}  // namespace velk::sim
