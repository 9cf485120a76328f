// The device behind the line: its state, its process model and its commands,
// answering request frames and producing burst frames. Thread-safe, so a test
// can look at or change the state while the line serves a master.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "command_registry.h"
#include "diagnostic_history.h"
#include "faults.h"
#include "positioner_sim/device_state.h"
#include "process_model.h"
#include "slave_framing.h"

namespace velk::sim {

using SimClock = std::chrono::steady_clock;

struct Answer {
  std::vector<std::uint8_t> frame;
  std::uint8_t response_code = 0;
  bool state_changed = false;
  std::size_t data_bytes = 0;       // after the status bytes, as sent
  std::size_t full_data_bytes = 0;  // as the command made them, before any cut
};

class Positioner {
 public:
  Positioner(DeviceState initial, std::uint64_t seed, SimClock::time_point start);

  // Its polling or long address; and the broadcast address, for command 11
  // only. Command 11 is for it only when the data names its tag.
  bool addressed_to_me(const HartFrame& frame) const;

  // The reply to a request frame, or nothing when it is not a request to this
  // device. A busy device refuses with response code 32 and does not execute.
  // `cut` shortens the reply's data; the frame around it stays well formed.
  std::optional<Answer> answer(const HartFrame& request, SimClock::time_point now, bool busy = false,
                               const ReplyCut& cut = {});

  // One burst frame with the burst command's data.
  std::vector<std::uint8_t> burst_frame(bool master_bit, SimClock::time_point now);
  // A burst frame of some other device on the same loop.
  std::vector<std::uint8_t> foreign_burst_frame(bool master_bit, SimClock::time_point now);
  // The request another master would send this device (command 1).
  std::vector<std::uint8_t> other_master_request(bool master_bit) const;

  bool burst_mode() const;
  DeviceState snapshot(SimClock::time_point now);
  void modify(const std::function<void(DeviceState&)>& change);

 private:
  void advance_to(SimClock::time_point now);
  std::vector<std::uint8_t> long_address(std::uint32_t device_id, bool master_bit, bool burst_bit) const;
  std::vector<std::uint8_t> build_reply(FrameType type, bool long_form, std::uint32_t device_id,
                                        std::uint8_t polling_address, bool master_bit, std::uint8_t command,
                                        std::uint8_t response_code,
                                        const std::vector<std::uint8_t>& data) const;

  mutable std::mutex mutex_;
  DeviceState state_;
  ProcessModel model_;
  CommandRegistry commands_;
  DiagnosticRecorder diagnostics_;
  SimClock::time_point last_advance_;
};

}  // namespace velk::sim
