// Service state and write protection.
#include "command_registry.h"

namespace velk::sim {

namespace {

constexpr std::uint8_t kInService = 240;
constexpr std::uint8_t kOutOfService = 241;
constexpr std::uint16_t kFactoryResetPassword = 7615;

void write_service_state(CommandContext& c) {
  const auto code = c.request_u8(0);
  if (code != kInService && code != kOutOfService) return c.refuse(response::kInvalidSelection);
  c.state.service.out_of_service = code == kOutOfService;
  c.echo_request(1);
}

void read_service_state(CommandContext& c) {
  c.reply_u8(c.state.service.out_of_service ? kOutOfService : kInService);
}

void read_write_protection(CommandContext& c) { c.reply_u8(c.state.service.write_protected ? 1 : 0); }

// The settings go back to the factory's; who the device is, its service
// state, its records and statistics and the valve's position stay.
void factory_reset(CommandContext& c) {
  const std::uint16_t password = static_cast<std::uint16_t>(c.request_u8(0) << 8 | c.request_u8(1));
  if (password != kFactoryResetPassword) return c.refuse(response::kInvalidSelection);
  DeviceState reset = default_device_state(c.state.identity.model, c.state.identity.software_revision);
  reset.identity = c.state.identity;
  reset.service = c.state.service;
  reset.process = c.state.process;
  reset.records = c.state.records;
  reset.statistics = c.state.statistics;
  c.state = reset;
  c.echo_request(2);
}

}  // namespace

void register_service_commands(CommandRegistry& registry) {
  registry.add(150, {1, Access::Write, write_service_state});
  registry.add(151, {0, Access::Read, read_service_state});
  registry.add(156, {0, Access::Read, read_write_protection});
  registry.add(235, {2, Access::ServiceWrite, factory_reset});
}

}  // namespace velk::sim
