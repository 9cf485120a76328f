#include "positioner.h"

#include <algorithm>

namespace velk::sim {

namespace {

constexpr std::uint32_t kForeignDeviceIdFlip = 0x800000;
constexpr std::uint8_t kOtherMasterCommand = 1;
constexpr std::uint8_t kIdentityByTagCommand = 11;

// A long address of zeros: every device hears it, but only command 11 is
// meant for them all.
bool broadcast(const HartFrame& frame) {
  return frame.long_address() && (frame.address[0] & 0x3F) == 0 && frame.address[1] == 0 &&
         frame.address[2] == 0 && frame.address[3] == 0 && frame.address[4] == 0;
}

}  // namespace

Positioner::Positioner(DeviceState initial, std::uint64_t seed, SimClock::time_point start)
    : state_(initial), model_(seed), commands_(positioner_commands()), last_advance_(start) {
  diagnostics_.power_on(state_);
  diagnostics_.observe(state_);
}

void Positioner::advance_to(SimClock::time_point now) {
  if (now <= last_advance_) return;
  const double dt_s = std::chrono::duration<double>(now - last_advance_).count();
  model_.advance(state_, dt_s);
  diagnostics_.advance(state_, model_.measure(state_), dt_s);
  diagnostics_.observe(state_);
  last_advance_ = now;
}

bool Positioner::addressed_to_me(const HartFrame& frame) const {
  if (frame.type() != FrameType::Stx) return false;
  std::lock_guard lock(mutex_);
  const auto& id = state_.identity;
  if (frame.command == kIdentityByTagCommand) {
    // Only the device carrying the tag answers; the others stay silent.
    if (frame.data.size() < id.tag.size() || !std::equal(id.tag.begin(), id.tag.end(), frame.data.begin())) {
      return false;
    }
    if (broadcast(frame)) return true;
  }
  if (!frame.long_address()) return (frame.address[0] & 0x0F) == (id.polling_address & 0x0F);
  return (frame.address[0] & 0x3F) == (id.manufacturer_id & 0x3F) && frame.address[1] == id.device_type &&
         frame.address[2] == ((id.device_id >> 16) & 0xFF) &&
         frame.address[3] == ((id.device_id >> 8) & 0xFF) && frame.address[4] == (id.device_id & 0xFF);
}

std::vector<std::uint8_t> Positioner::long_address(std::uint32_t device_id, bool master_bit,
                                                   bool burst_bit) const {
  const auto& id = state_.identity;
  return {static_cast<std::uint8_t>((id.manufacturer_id & 0x3F) | (master_bit ? kMasterBit : 0) |
                                    (burst_bit ? kBurstBit : 0)),
          id.device_type, static_cast<std::uint8_t>(device_id >> 16),
          static_cast<std::uint8_t>(device_id >> 8), static_cast<std::uint8_t>(device_id)};
}

std::vector<std::uint8_t> Positioner::build_reply(FrameType type, bool long_form, std::uint32_t device_id,
                                                  std::uint8_t polling_address, bool master_bit,
                                                  std::uint8_t command, std::uint8_t response_code,
                                                  const std::vector<std::uint8_t>& data) const {
  // A device in burst mode marks every frame it sends with the burst bit.
  const bool burst_bit = state_.control.burst_mode;
  std::vector<std::uint8_t> address;
  if (long_form) {
    address = long_address(device_id, master_bit, burst_bit);
  } else {
    address = {static_cast<std::uint8_t>((polling_address & 0x0F) | (master_bit ? kMasterBit : 0) |
                                         (burst_bit ? kBurstBit : 0))};
  }
  std::vector<std::uint8_t> body{response_code, state_.service.field_device_status};
  if (response_code == response::kChecksumError) body[1] = 0;
  body.insert(body.end(), data.begin(), data.end());
  return build_frame(state_.identity.request_preambles, delimiter_for(type, long_form), address, command,
                     body);
}

std::optional<Answer> Positioner::answer(const HartFrame& request, SimClock::time_point now, bool busy,
                                         const ReplyCut& cut) {
  if (!addressed_to_me(request)) return std::nullopt;
  std::lock_guard lock(mutex_);
  advance_to(now);
  // A write of the device ID or polling address is answered from the address
  // it was sent to, where the master listens.
  const std::uint32_t device_id = state_.identity.device_id;
  const std::uint8_t polling_address = state_.identity.polling_address;
  CommandOutcome outcome;
  if (!request.checksum_ok) {
    outcome.response_code = response::kChecksumError;
  } else if (busy) {
    outcome.response_code = response::kBusy;
  } else {
    outcome = commands_.execute(request.command, request.data, state_, model_.measure(state_));
    diagnostics_.observe(state_);
  }
  Answer result;
  result.response_code = outcome.response_code;
  result.state_changed = outcome.state_changed;
  result.full_data_bytes = outcome.data.size();
  outcome.data.resize(cut.length(outcome.data.size()));
  result.data_bytes = outcome.data.size();
  result.frame = build_reply(FrameType::Ack, request.long_address(), device_id, polling_address,
                             request.master_bit(), request.command, outcome.response_code, outcome.data);
  return result;
}

std::vector<std::uint8_t> Positioner::burst_frame(bool master_bit, SimClock::time_point now) {
  std::lock_guard lock(mutex_);
  advance_to(now);
  const auto command = state_.control.burst_command;
  auto outcome = commands_.execute(command, {}, state_, model_.measure(state_));
  return build_reply(FrameType::Back, true, state_.identity.device_id, state_.identity.polling_address,
                     master_bit, command, outcome.response_code, outcome.data);
}

std::vector<std::uint8_t> Positioner::foreign_burst_frame(bool master_bit, SimClock::time_point now) {
  std::lock_guard lock(mutex_);
  advance_to(now);
  auto outcome = commands_.execute(1, {}, state_, model_.measure(state_));
  std::vector<std::uint8_t> body{0, 0};
  body.insert(body.end(), outcome.data.begin(), outcome.data.end());
  const auto address = long_address(state_.identity.device_id ^ kForeignDeviceIdFlip, master_bit, true);
  return build_frame(state_.identity.request_preambles, delimiter_for(FrameType::Back, true), address, 1,
                     body);
}

std::vector<std::uint8_t> Positioner::other_master_request(bool master_bit) const {
  std::lock_guard lock(mutex_);
  auto address = long_address(state_.identity.device_id, master_bit, false);
  return build_frame(state_.identity.request_preambles, delimiter_for(FrameType::Stx, true), address,
                     kOtherMasterCommand, {});
}

bool Positioner::burst_mode() const {
  std::lock_guard lock(mutex_);
  return state_.control.burst_mode;
}

DeviceState Positioner::snapshot(SimClock::time_point now) {
  std::lock_guard lock(mutex_);
  advance_to(now);
  return state_;
}

void Positioner::modify(const std::function<void(DeviceState&)>& change) {
  std::lock_guard lock(mutex_);
  change(state_);
}

}  // namespace velk::sim
