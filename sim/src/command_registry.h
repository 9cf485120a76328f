// Command number -> handler. Each area of the device registers its commands
// from its own file; the dispatcher applies the rules every command shares
// (unknown command, too few data bytes, write protection, service state).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "byte_order.h"
#include "positioner_sim/device_state.h"
#include "process_model.h"

namespace velk::sim {

// Response codes as the device gives them.
namespace response {
inline constexpr std::uint8_t kSuccess = 0;
inline constexpr std::uint8_t kInvalidSelection = 2;
inline constexpr std::uint8_t kParameterTooLarge = 3;
inline constexpr std::uint8_t kParameterTooSmall = 4;
inline constexpr std::uint8_t kTooFewDataBytes = 5;
inline constexpr std::uint8_t kWriteProtected = 7;
inline constexpr std::uint8_t kLowerValueTooHigh = 9;  // command-specific meanings from 9 on
inline constexpr std::uint8_t kLowerValueTooLow = 10;
inline constexpr std::uint8_t kUpperValueTooHigh = 11;
inline constexpr std::uint8_t kUpperValueTooLow = 12;
inline constexpr std::uint8_t kBothValuesOutOfLimits = 13;
inline constexpr std::uint8_t kInvalidUnitsCode = 12;
inline constexpr std::uint8_t kInvalidVariableCode = 11;
inline constexpr std::uint8_t kAccessRestricted = 16;
inline constexpr std::uint8_t kBusy = 32;
inline constexpr std::uint8_t kNotImplemented = 64;
inline constexpr std::uint8_t kChecksumError = 0x88;  // communication error summary + longitudinal parity
}  // namespace response

enum class Access {
  Read,
  OpenWrite,     // changes the state but is allowed while write-protected (burst control)
  Write,         // refused while write-protected
  ServiceWrite,  // configuration a positioner takes only out of service; refused while write-protected too
};

class CommandContext {
 public:
  CommandContext(DeviceState& state, const ProcessValues& live, std::span<const std::uint8_t> request)
      : state(state), live(live), request(request) {}

  DeviceState& state;
  const ProcessValues& live;
  std::span<const std::uint8_t> request;

  std::uint8_t request_u8(std::size_t offset) const { return read_u8(request, offset); }
  float request_f32(std::size_t offset) const { return read_f32(request, offset); }

  void reply_u8(std::uint8_t value) { append_u8(reply_, value); }
  void reply_u24(std::uint32_t value) { append_u24(reply_, value); }
  void reply_f32(float value) { append_f32(reply_, value); }
  // Writes answer with what they were sent, as HART devices do.
  void echo_request(std::size_t count) {
    reply_.insert(reply_.end(), request.begin(), request.begin() + count);
  }
  // Refuse the command: no data goes back, and the handler must leave the state alone.
  void refuse(std::uint8_t response_code) { response_code_ = response_code; }

  std::uint8_t response_code() const { return response_code_; }
  std::vector<std::uint8_t>& reply() { return reply_; }

 private:
  std::vector<std::uint8_t> reply_;
  std::uint8_t response_code_ = response::kSuccess;
};

using CommandHandler = void (*)(CommandContext&);

struct CommandSpec {
  std::uint8_t min_request_bytes = 0;
  Access access = Access::Read;
  CommandHandler handler = nullptr;
};

struct CommandOutcome {
  std::uint8_t response_code = response::kSuccess;
  std::vector<std::uint8_t> data;  // reply data after the two status bytes
  bool state_changed = false;      // an accepted write
};

class CommandRegistry {
 public:
  void add(std::uint8_t command, CommandSpec spec) { table_[command] = spec; }
  const CommandSpec* find(std::uint8_t command) const {
    return table_[command] ? &*table_[command] : nullptr;
  }

  CommandOutcome execute(std::uint8_t command, std::span<const std::uint8_t> request, DeviceState& state,
                         const ProcessValues& live) const;

 private:
  std::array<std::optional<CommandSpec>, 256> table_{};
};

// One registration function per area of the device.
void register_universal_commands(CommandRegistry& registry);
void register_setup_commands(CommandRegistry& registry);
void register_characteristic_commands(CommandRegistry& registry);
void register_appearance_commands(CommandRegistry& registry);
void register_control_commands(CommandRegistry& registry);
void register_service_commands(CommandRegistry& registry);
void register_diagnostic_commands(CommandRegistry& registry);
void register_memory_commands(CommandRegistry& registry);
void register_alarm_commands(CommandRegistry& registry);
void register_device_data_commands(CommandRegistry& registry);
void register_calibration_commands(CommandRegistry& registry);
void register_tuning_commands(CommandRegistry& registry);
void register_debug_commands(CommandRegistry& registry);
void register_irs_commands(CommandRegistry& registry);

// Every command the positioner implements.
CommandRegistry positioner_commands();

}  // namespace velk::sim
