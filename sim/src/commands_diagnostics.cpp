// Diagnostics: the additional device status (command 48) and the memory areas
// the diagnostics pages upload.
#include "byte_order.h"
#include "calibration_model.h"
#include "device_memory.h"
#include "diagnostic_history.h"

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

namespace {

// Memory areas of the diagnostics pages (command 252); what each holds is in
// diagnostic_history.h. A start an area does not have is refused.
void serve_directory(CommandContext& c, const MemoryRead& read) {
  reply_memory_slice(c, read, directory_bytes(c.state.diagnostics));
}

template <std::size_t Variable>
void serve_trend(CommandContext& c, const MemoryRead& read) {
  if (read.start > 3) return c.refuse(response::kInvalidSelection);
  reply_memory_slice(c, read, trend_chart_bytes(c.state.diagnostics, Variable, read.start));
}

void serve_friction_curves(CommandContext& c, const MemoryRead& read) {
  if (read.start > 1) return c.refuse(response::kInvalidSelection);
  reply_memory_slice(c, read, friction_curve_bytes(c.state, c.live, read.start));
}

void serve_pressure_curves(CommandContext& c, const MemoryRead& read) {
  if (read.start > 3) return c.refuse(response::kInvalidSelection);
  reply_memory_slice(c, read, pressure_curve_bytes(c.state, c.live, read.start));
}

void serve_travel_histogram(CommandContext& c, const MemoryRead& read) {
  if (read.start != 0) return c.refuse(response::kInvalidSelection);
  reply_memory_slice(c, read, travel_histogram_bytes(c.state.diagnostics));
}

void serve_signatures(CommandContext& c, const MemoryRead& read) {
  if (read.start > 2) return c.refuse(response::kInvalidSelection);
  reply_memory_slice(c, read, signature_bytes(read.start));
}

void serve_alarm_table(CommandContext& c, const MemoryRead& read) {
  if (read.start != 0) return c.refuse(response::kInvalidSelection);
  reply_memory_slice(c, read, alarm_table(c.state));
}

void serve_event_log(CommandContext& c, const MemoryRead& read) {
  if (read.start != 0) return c.refuse(response::kInvalidSelection);
  reply_memory_slice(c, read, event_log_bytes(c.state.diagnostics));
}

}  // namespace

void register_diagnostic_memory(MemoryAreas& areas) {
  areas.add(0, 0, serve_directory);
  areas.add(2, serve_trend<trend::kFriction>);
  areas.add(3, serve_trend<trend::kDeviation>);
  areas.add(4, serve_trend<trend::kPosition>);
  areas.add(5, serve_friction_curves);
  areas.add(6, serve_pressure_curves);
  areas.add(7, serve_travel_histogram);
  areas.add(8, serve_signatures);
  areas.add(9, serve_alarm_table);
  areas.add(10, serve_event_log);
}

}  // namespace velk::sim
