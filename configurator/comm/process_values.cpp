#include "comm/process_values.h"

#include "comm/device_commands.h"
#include "comm/direct_command.h"

namespace velk {

namespace {

constexpr int kAttempts = 2;
// Device variable codes for the primary to fourth variable: position,
// setpoint, temperature, supply pressure.
constexpr unsigned kAssignedVariables[4] = {0, 1, 2, 5};
constexpr int kFirstVersionWithPressure = 90;

}  // namespace

DynamicVariables replyDynamicVariables(HartLink& reply) {
  return decodeDynamicVariables([&](int offset, int length) { return reply.GetInteger(offset, length); },
                                [&](int offset) { return reply.GetFloat(offset); });
}

DynamicVariables burstDynamicVariables(HartLink& link) {
  return decodeDynamicVariables([&](int offset, int length) { return link.GetBurstInteger(offset, length); },
                                [&](int offset) { return link.GetBurstFloat(offset); });
}

bool reportsPressure(const WindowState& window) {
  return window.DeviceVersion.load() >= kFirstVersionWithPressure;
}

bool readProcessValues(const JobContext& job) {
  const int handle = job.window.InstrumentHandle.load();
  BurstReading reading = job.live.reading();
  {
    auto tx = job.transaction();
    for (int slot = 0; slot < 4; ++slot) tx->SetInteger(slot, 1, kAssignedVariables[slot]);
    // Whether the device took the assignment shows in what command 3 returns.
    attemptCommand(tx.api(), kWriteDynamicVariables, handle, 4, kAttempts);
    if (!attemptCommand(tx.api(), kReadDynamicVariables, handle, 0, kAttempts)) return false;
    const int slots = reportsPressure(job.window) ? 4 : 3;
    if (const int received = tx->GetMessageLength(); received < dynamicVariableBytes(slots)) {
      job.logFailedCommand(kReadDynamicVariables, shortReplyMessage(received, dynamicVariableBytes(slots)));
      return false;
    }
    takeDynamicVariables(reading, replyDynamicVariables(tx.api()), slots);
  }
  job.live.setReading(reading);
  return true;
}

}  // namespace velk
