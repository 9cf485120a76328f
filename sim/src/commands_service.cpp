// Service state and write protection.
#include "command_registry.h"

namespace velk::sim {

namespace {

constexpr std::uint8_t kInService = 240;
constexpr std::uint8_t kOutOfService = 241;

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

}  // namespace

void register_service_commands(CommandRegistry& registry) {
  registry.add(150, {1, Access::Write, write_service_state});
  registry.add(151, {0, Access::Read, read_service_state});
  registry.add(156, {0, Access::Read, read_write_protection});
}

}  // namespace velk::sim
