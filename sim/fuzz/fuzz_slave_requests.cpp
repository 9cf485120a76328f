// Any byte stream into the slave: parser, addressing, every command handler
// with whatever data arrives, and the burst frame after each reply.
//
// Every frame the device sends is judged by the test master's decoder, which
// is written apart from the simulator's framing: the simulator's own parser
// would pass a layout fault its builder shares, and the library's codec must
// not be the judge of the device that is there to check it.
#include <cstddef>
#include <cstdint>

#include "positioner.h"
#include "slave_framing.h"
#include "test_master.h"

namespace {

using namespace velk::sim;

void require(bool condition) {
  if (!condition) __builtin_trap();
}

// Exactly one well-formed frame of the given type: the configured preambles,
// no expansion bytes, a byte count that ends the frame on its check byte, the
// right check byte and at least the two status bytes.
test_master::Frame sent_frame(const std::vector<std::uint8_t>& bytes, FrameType type, const DeviceState& state) {
  std::size_t consumed = 0;
  auto frames = test_master::decode(bytes, &consumed);
  require(frames.size() == 1 && consumed == bytes.size());
  auto& frame = frames[0];
  require(frame.preambles == state.identity.request_preambles);
  require((frame.delimiter & 0x7F) == static_cast<std::uint8_t>(type));
  require(bytes.size() == frame.preambles + 1 + frame.address.size() + 2 + frame.body.size() + 1);
  require(frame.checksum_ok);
  require(frame.body.size() >= 2);
  require(frame.burst_bit() == state.control.burst_mode);
  return std::move(frame);
}

void check_answer(const HartFrame& request, const Answer& answer, const DeviceState& before,
                  const DeviceState& after) {
  const auto reply = sent_frame(answer.frame, FrameType::Ack, after);
  require(reply.command == request.command);
  require((reply.delimiter & 0x80) == (request.delimiter & 0x80));
  require(reply.master_bit() == request.master_bit());
  // The device answers with its own address, which the request carried.
  const std::uint8_t own_bits = request.long_address() ? 0x3F : 0x0F;
  require(reply.address.size() == request.address_size());
  require((reply.address[0] & own_bits) == (request.address[0] & own_bits));
  for (std::size_t i = 1; i < reply.address.size(); ++i) require(reply.address[i] == request.address[i]);
  require(reply.response_code() == answer.response_code);
  if (!request.checksum_ok) require(reply.response_code() == response::kChecksumError && reply.body[1] == 0);
  // A refused command sends no data and leaves the device as it was; so does a read.
  if (reply.response_code() != response::kSuccess) require(reply.body.size() == 2 && !answer.state_changed);
  if (!answer.state_changed) require(after == before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto state = default_device_state();
  state.service.out_of_service = true;
  state.control.setpoint_source = setpoint_source::kHart;
  const auto start = SimClock::time_point{};
  Positioner device(state, 1, start);
  FrameParser parser;
  for (std::size_t i = 0; i < size; ++i) {
    auto frame = parser.feed(data[i]);
    if (!frame) continue;
    const auto now = start + std::chrono::milliseconds(i);
    // Snapshots at the time of the answer, so the process model stands still.
    const auto before = device.snapshot(now);
    if (auto answer = device.answer(*frame, now)) check_answer(*frame, *answer, before, device.snapshot(now));
    if (device.burst_mode()) {
      const auto burst = sent_frame(device.burst_frame(true, now), FrameType::Back, device.snapshot(now));
      require(burst.address.size() == 5 && burst.master_bit());
      require(burst.command == device.snapshot(now).control.burst_command);
      require(burst.response_code() == response::kSuccess);
    }
  }
  return 0;
}
