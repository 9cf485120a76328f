// Diagnostics: the additional device status (command 48) and the memory areas
// the diagnostics pages upload.
#include "byte_order.h"
#include "calibration_model.h"
#include "device_memory.h"

namespace velk::sim {

namespace {

// Command 48's data: six device-specific status bytes, the extended status,
// then a 32-bit diagnostic status word. What the bits mean is the device's
// own; these follow its state so that a technician sees them change.
void read_additional_status(CommandContext& c) {
  const bool manual = c.state.control.setpoint_source == setpoint_source::kManual;
  const bool out_of_service = c.state.service.out_of_service;
  for (int i = 0; i < 5; ++i) c.reply_u8(0);
  c.reply_u8(static_cast<std::uint8_t>((out_of_service ? 0x1 : 0) | (manual ? 0x2 : 0)));  // diagnostic alert
  c.reply_u8(static_cast<std::uint8_t>(out_of_service ? 0x80 : 0));                        // extended status
  std::uint32_t status = 0;
  if (out_of_service) status |= 1u << 0;
  if (manual) status |= 1u << 1;
  if (c.state.service.write_protected) status |= 1u << 2;
  if (self_test_running(c.state.calibration)) status |= 1u << 3;
  append_u32(c.reply(), status);
}

}  // namespace

void register_diagnostic_commands(CommandRegistry& registry) {
  registry.add(48, {0, Access::Read, read_additional_status});
}

void register_diagnostic_memory(MemoryAreas&) {}

}  // namespace velk::sim
