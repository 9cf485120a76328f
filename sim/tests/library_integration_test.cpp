// The link library against the simulated positioner over a pseudo-terminal,
// in one process. Each test runs in a process of its own (the library opens
// its port once per load), so each starts its own simulator.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "mirell.h"
#include "positioner_sim/simulated_positioner.h"

namespace velk::sim {
namespace {

using namespace std::chrono_literals;

class LibraryAgainstSimulator : public ::testing::Test {
 protected:
  void start(SimulatorConfig config = {}) {
    config.line.turnaround = 5ms;
    sim_ = std::make_unique<SimulatedPositioner>(config);
    ::setenv("MIRELL_COM1", sim_->device_path().c_str(), 1);
    InitHart(1);
    ASSERT_EQ(GetErrorCode(), 0);
  }
  void TearDown() override {
    ShutDownHart();
    sim_.reset();
  }

  int detect(int polling_address) {
    const int handle = DetectInstrumentWithShortAddress(polling_address);
    EXPECT_EQ(GetErrorCode(), 0);
    return handle;
  }

  // One whole transaction; returns the library's error code.
  int transact(int command, int handle, int byte_count) {
    SendLongCommand(command, handle, byte_count);
    if (GetErrorCode() != 0) return GetErrorCode();
    WaitForResponse();
    return GetErrorCode();
  }

  std::unique_ptr<SimulatedPositioner> sim_;
};

TEST_F(LibraryAgainstSimulator, DetectsAtItsPollingAddressAndReadsIdentityAndProcessValues) {
  SimulatorConfig config;
  config.device.identity.polling_address = 3;
  config.device.identity.device_id = 0x123456;
  start(config);
  EXPECT_EQ(DetectInstrumentWithShortAddress(2), 0);
  EXPECT_EQ(GetErrorCode(), 1460);
  const int handle = detect(3);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(GetPollingAddress(handle), 3);

  ASSERT_EQ(transact(0, handle, 0), 0);
  EXPECT_EQ(GetInteger(1, 1), 62u);
  EXPECT_EQ(GetInteger(2, 1), 97u);
  EXPECT_EQ(GetInteger(3, 1), 5u);
  EXPECT_EQ(GetInteger(6, 1), 86u);
  EXPECT_EQ(GetInteger(9, 3), 0x123456u);

  ASSERT_EQ(transact(3, handle, 0), 0);
  EXPECT_EQ(GetMessageLength(), 24);
  EXPECT_FLOAT_EQ(GetFloat(0), 12.0f);
  EXPECT_EQ(GetInteger(4, 1), 57u);
  EXPECT_NEAR(GetFloat(5), 50.0f, 1.0f);
  EXPECT_EQ(GetInteger(19, 1), 7u);
}

TEST_F(LibraryAgainstSimulator, AWriteIsReadBack) {
  start();
  sim_->update_state([](DeviceState& s) { s.service.out_of_service = true; });
  const int handle = detect(0);
  SetFloat(0, 4.5f);
  SetFloat(4, 19.5f);
  ASSERT_EQ(transact(182, handle, 8), 0);
  SetInteger(0, 4, 0);
  SetInteger(4, 4, 0);
  ASSERT_EQ(transact(183, handle, 0), 0);
  EXPECT_FLOAT_EQ(GetFloat(0), 4.5f);
  EXPECT_FLOAT_EQ(GetFloat(4), 19.5f);
  EXPECT_FLOAT_EQ(sim_->state().setup.current_range_max_ma, 19.5f);
}

TEST_F(LibraryAgainstSimulator, FindsTheDeviceByTheTagWrittenToItAndByNoOther) {
  SimulatorConfig config;
  config.device.identity.polling_address = 4;
  config.device.identity.device_id = 0x123456;
  start(config);
  const int handle = detect(4);
  SetString(0, 6, "M150 R7");
  SetString(6, 12, "FIRST VALVE");
  SetInteger(18, 3, 0x180515);
  ASSERT_EQ(transact(18, handle, 21), 0);

  ResetInternalRegistry();
  EXPECT_EQ(DetectInstrumentWithTag("M150 R6"), 0);
  EXPECT_EQ(GetErrorCode(), 1460);
  EXPECT_EQ(DetectInstrumentWithTag("M150 R7"), 1);
  EXPECT_EQ(GetErrorCode(), 0);
  ASSERT_EQ(transact(13, 1, 0), 0);
  char text[64];
  GetString(6, 12, text);
  EXPECT_STREQ(text, "FIRST VALVE     ");
}

TEST_F(LibraryAgainstSimulator, CollectsBurstFramesAndStillTalksWhileTheDeviceBursts) {
  start();
  const int handle = detect(0);
  SetInteger(0, 1, 3);
  ASSERT_EQ(transact(108, handle, 1), 0);
  SetInteger(0, 1, 1);
  ASSERT_EQ(transact(109, handle, 1), 0);
  ProcessBurstMessages(1);

  int collected = 0;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (collected < 3 && std::chrono::steady_clock::now() < deadline) {
    if (BurstDataUpdated() == 1) {
      ++collected;
      EXPECT_EQ(GetBurstMessageLength(), 24);
      EXPECT_EQ(GetBurstInteger(4, 1), 57u);
    }
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(collected, 3);

  for (const int command : {0, 3, 151}) EXPECT_EQ(transact(command, handle, 0), 0) << "command " << command;
  SetInteger(0, 1, 0);
  EXPECT_EQ(transact(109, handle, 1), 0);
  ProcessBurstMessages(0);
  EXPECT_FALSE(sim_->state().control.burst_mode);
}

TEST_F(LibraryAgainstSimulator, RetriesOverALostReplyAndReportsABusyDevice) {
  start();
  const int handle = detect(0);
  std::string error;
  sim_->set_faults(*parse_fault_plan("no-reply@1,bad-checksum@2", error));
  EXPECT_EQ(transact(0, handle, 0), 0);
  EXPECT_EQ(sim_->counters().requests_for_us, 3u + 1u);  // the detection's, then three tries

  sim_->set_faults(*parse_fault_plan("busy=1", error));
  EXPECT_EQ(transact(0, handle, 0), 15);
  EXPECT_EQ(GetStatusBytes(), 0x2000);
}

// HART 7 replies carry more than 30 data bytes: the long tag (byte count 34)
// and eight device variables with their status (byte count 71). The data
// field holds the first 50 bytes; the message length says how many came.
TEST_F(LibraryAgainstSimulator, RepliesLongerThanThirtyBytesArriveWhole) {
  start();
  const int handle = detect(0);
  ASSERT_EQ(transact(20, handle, 0), 0);
  EXPECT_EQ(GetMessageLength(), 32);
  EXPECT_EQ(GetInteger(0, 4), 0x56454C4Bu);  // "VELK"
  EXPECT_EQ(GetInteger(28, 4), 0u);

  for (int slot = 0; slot < 8; ++slot) SetInteger(slot, 1, slot % 3);
  ASSERT_EQ(transact(9, handle, 8), 0);
  EXPECT_EQ(GetMessageLength(), 1 + 8 * 8 + 4);
  EXPECT_EQ(GetInteger(1 + 6 * 8, 1), 0u) << "slot 6's code, at offset 49";
  EXPECT_EQ(GetInteger(1 + 5 * 8 + 2, 1), 32u) << "slot 5: a temperature in degC";
  GetInteger(50, 1);
  EXPECT_EQ(GetErrorCode(), 6) << "the data field ends at 50 bytes";
}

// At the line's own speed a 28-byte request takes 385 ms on the wire, and
// the answer begins only after it: the reply window must open when the
// request is out, not when the pseudo-terminal took it. The LIMITS page's
// download (six chunks of 28 bytes and one of 19) and a 28-byte debug write,
// each answered at the first attempt.
TEST_F(LibraryAgainstSimulator, LongRequestsAtLineSpeedAreAnsweredFirstTime) {
  SimulatorConfig config;
  config.line.pace = true;
  start(config);
  sim_->update_state([](DeviceState& s) { s.service.write_protected = false; });
  const int handle = detect(0);
  ASSERT_NE(handle, 0);

  constexpr int kLimitBytes = 152;
  constexpr int kChunkBytes = 23;
  for (int chunk = 0; chunk * kChunkBytes < kLimitBytes; ++chunk) {
    const int bytes = std::min(kChunkBytes, kLimitBytes - chunk * kChunkBytes);
    SetInteger(0, 1, 9);
    SetInteger(1, 1, static_cast<unsigned>(chunk));
    SetInteger(2, 1, 240);
    SetInteger(3, 2, kLimitBytes);
    for (int i = 0; i < bytes; ++i) SetInteger(5 + i, 1, static_cast<unsigned>(chunk + i));
    const auto before = sim_->counters().requests_for_us;
    EXPECT_EQ(transact(250, handle, 5 + bytes), 0) << "chunk " << chunk;
    EXPECT_EQ(sim_->counters().requests_for_us - before, 1u) << "chunk " << chunk;
  }
  EXPECT_EQ(sim_->state().firmware.symptom_limits[75], 0x1213);

  SetInteger(0, 4, 0x01000000);  // area 1, entry 0 (array page 0), block 0
  for (int i = 0; i < 24; ++i) SetInteger(4 + i, 1, static_cast<unsigned>(0xA0 + i));
  const auto before = sim_->counters().requests_for_us;
  EXPECT_EQ(transact(253, handle, 28), 0);
  EXPECT_EQ(sim_->counters().requests_for_us - before, 1u);
  EXPECT_EQ(sim_->state().firmware.array_memory[23], 0xB7);
}

// A pulled cable: the device's end of the line goes away under a running
// link. Calls fail at once instead of trying the dead line, and once the
// device is back on the same link, InitHart opens it afresh.
TEST_F(LibraryAgainstSimulator, CallsFailAtOnceWhenThePortVanishesAndInitHartOpensItAgain) {
  char folder[] = "/tmp/velk-pulled-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  SimulatorConfig config;
  config.line.link_path = std::string(folder) + "/com1";
  start(config);
  int handle = detect(0);
  ASSERT_EQ(transact(0, handle, 0), 0);

  std::string error;
  sim_->set_faults(*parse_fault_plan("no-reply=1", error));
  SendLongCommand(3, handle, 0);
  ASSERT_EQ(GetErrorCode(), 0);
  const std::string port = sim_->device_path();
  sim_->stop();  // the line is gone while the library waits
  WaitForResponse();
  EXPECT_EQ(GetErrorCode(), 3);
  char text[128];
  EXPECT_STREQ(GetErrorMessage(text), ("Port gone (unplugged or closed): " + port).c_str());
  EXPECT_EQ(SendLongCommand(0, handle, 0), 0) << "nothing is sent into a vanished port";
  EXPECT_EQ(GetErrorCode(), 3);
  EXPECT_EQ(DetectInstrument(), 0);
  EXPECT_EQ(GetErrorCode(), 3);

  sim_ = std::make_unique<SimulatedPositioner>(config);
  ::setenv("MIRELL_COM1", config.line.link_path.c_str(), 1);  // a new pty behind the same link
  InitHart(1);
  ASSERT_EQ(GetErrorCode(), 0);
  handle = detect(0);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(transact(0, handle, 0), 0);
  ShutDownHart();
  sim_.reset();
  ::rmdir(folder);
}

}  // namespace
}  // namespace velk::sim
