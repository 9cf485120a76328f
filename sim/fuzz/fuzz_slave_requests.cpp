// Any byte stream into the slave: parser, addressing, every command handler
// with whatever data arrives, and the burst frame after each reply.
#include <cstddef>
#include <cstdint>

#include "positioner.h"
#include "slave_framing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velk::sim;
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
    if (auto answer = device.answer(*frame, now)) {
      // The reply must be a frame the same parser takes back, whole.
      FrameParser check;
      std::size_t frames = 0;
      for (auto byte : answer->frame) frames += check.feed(byte) ? 1 : 0;
      if (frames != 1) __builtin_trap();
    }
    if (device.burst_mode()) (void)device.burst_frame(true, now);
  }
  return 0;
}
