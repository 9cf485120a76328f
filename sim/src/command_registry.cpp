#include "command_registry.h"

namespace velk::sim {

CommandOutcome CommandRegistry::execute(std::uint8_t command, std::span<const std::uint8_t> request,
                                        DeviceState& state, const ProcessValues& live) const {
  const auto* spec = find(command);
  if (spec == nullptr) return {response::kNotImplemented, {}, false};
  if (request.size() < spec->min_request_bytes) return {response::kTooFewDataBytes, {}, false};
  const bool protectable = spec->access == Access::Write || spec->access == Access::ServiceWrite;
  if (protectable && state.service.write_protected) return {response::kWriteProtected, {}, false};
  if (spec->access == Access::ServiceWrite && !state.service.out_of_service) {
    return {response::kAccessRestricted, {}, false};
  }

  CommandContext context(state, live, request);
  spec->handler(context);
  if (context.response_code() != response::kSuccess) return {context.response_code(), {}, false};
  return {response::kSuccess, std::move(context.reply()), spec->access != Access::Read};
}

CommandRegistry positioner_commands() {
  CommandRegistry registry;
  register_universal_commands(registry);
  register_setup_commands(registry);
  register_characteristic_commands(registry);
  register_appearance_commands(registry);
  register_control_commands(registry);
  register_service_commands(registry);
  register_diagnostic_commands(registry);
  register_memory_commands(registry);
  register_alarm_commands(registry);
  register_device_data_commands(registry);
  register_calibration_commands(registry);
  register_tuning_commands(registry);
  register_debug_commands(registry);
  register_irs_commands(registry);
  return registry;
}

}  // namespace velk::sim
