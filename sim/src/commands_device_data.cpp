// READ: polling address (6), message (12), final assembly number (16), the
// statistics (146, 147, reset by 148) and the device ID (245), which is the
// last part of the long address.
#include "command_registry.h"
#include "supervision.h"

namespace velk::sim {

namespace {

constexpr std::uint8_t kHighestPollingAddress = 15;

void write_polling_address(CommandContext& c) {
  const auto address = c.request_u8(0);
  if (address > kHighestPollingAddress) return c.refuse(response::kInvalidSelection);
  c.state.identity.polling_address = address;
  c.echo_request(1);
}

void read_message(CommandContext& c) {
  for (const auto byte : c.state.records.message) c.reply_u8(byte);
}

void read_final_assembly_number(CommandContext& c) {
  c.reply_u24(c.state.records.final_assembly_number & 0xFFFFFF);
}

// Accumulated travel (%), cycles, mean deviation (%).
void read_operational_statistics(CommandContext& c) {
  const auto& s = c.state.statistics;
  c.reply_f32(s.accumulated_travel_percent);
  c.reply_f32(s.cycles);
  c.reply_f32(s.mean_deviation_percent);
}

float in_temperature_unit(float celsius, std::uint8_t unit_code) {
  switch (unit_code) {
    case unit::kFahrenheit: return celsius * 1.8f + 32.0f;
    case unit::kKelvin: return celsius + 273.15f;
    default: return celsius;
  }
}

// Run time (s), then the present, lowest and highest temperature in the
// device's temperature unit.
void read_maintenance_statistics(CommandContext& c) {
  const auto& s = c.state.statistics;
  const auto unit_code = c.state.units.temperature;
  c.reply_f32(static_cast<float>(s.run_time_s));
  c.reply_f32(in_temperature_unit(c.live.temperature_c, unit_code));
  c.reply_f32(in_temperature_unit(s.min_temperature_c, unit_code));
  c.reply_f32(in_temperature_unit(s.max_temperature_c, unit_code));
}

void reset_statistics(CommandContext& c) { reset_statistics(c.state); }

void write_device_id(CommandContext& c) {
  c.state.identity.device_id = std::uint32_t{c.request_u8(0)} << 16 | std::uint32_t{c.request_u8(1)} << 8 |
                               std::uint32_t{c.request_u8(2)};
  c.echo_request(3);
}

}  // namespace

void register_device_data_commands(CommandRegistry& registry) {
  registry.add(6, {1, Access::Write, write_polling_address});
  registry.add(12, {0, Access::Read, read_message});
  registry.add(16, {0, Access::Read, read_final_assembly_number});
  registry.add(146, {0, Access::Read, read_operational_statistics});
  registry.add(147, {0, Access::Read, read_maintenance_statistics});
  registry.add(148, {0, Access::Write, reset_statistics});
  registry.add(245, {3, Access::Write, write_device_id});
}

}  // namespace velk::sim
