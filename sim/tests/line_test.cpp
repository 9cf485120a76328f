// The simulator over a real pseudo-terminal, driven by the test master:
// addressing, framing split across writes, burst mode with a master getting
// its turn, faults on the line, and the link, log and state files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "positioner_sim/simulated_positioner.h"
#include "test_master.h"

namespace velk::sim {
namespace {

using namespace std::chrono_literals;
using test_master::Bytes;
using test_master::LineMaster;
using test_master::request;
using test_master::Target;

SimulatorConfig quick_config() {
  SimulatorConfig config;
  config.line.turnaround = 1ms;
  config.line.burst_pause = 200ms;  // generous: the test's request must start inside it
  return config;
}

template <class Predicate>
bool wait_until(Predicate done, std::chrono::milliseconds limit = 3000ms) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

const Target kShort0{false, 0};

TEST(Line, AnswersOnlyItsOwnPollingAddressAndEchoesTheMasterBit) {
  auto config = quick_config();
  config.device.identity.polling_address = 5;
  SimulatedPositioner sim(config);
  LineMaster master(sim.device_path());

  master.send(request(0, {}, kShort0));
  ASSERT_TRUE(wait_until([&] { return sim.counters().frames_received == 1; }));
  EXPECT_EQ(sim.counters().requests_for_us, 0u);

  for (const bool primary : {true, false}) {
    const auto reply = master.transact(request(0, {}, Target{false, 5}, 5, primary));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->delimiter, 0x06);
    EXPECT_EQ(reply->address, (Bytes{static_cast<std::uint8_t>(primary ? 0x85 : 0x05)}));
    EXPECT_EQ(reply->preambles, 5);
    EXPECT_TRUE(reply->checksum_ok);
    EXPECT_EQ(test_master::to_hex(reply->data()), "FE 3E 61 05 05 01 56 08 00 00 00 01");
  }
  // The long address from command 0 reaches it too; another device id does not.
  EXPECT_EQ(master.transact(request(3))->body.size(), 26u);
  master.send(request(3, {}, Target{true, 0, 62, 97, 2}));
  ASSERT_TRUE(wait_until([&] { return sim.counters().frames_received == 5; }));
  EXPECT_EQ(sim.counters().requests_for_us, 3u);

  // The broadcast address carries command 11 only; the reply comes from its own address.
  const Target broadcast{true, 0, 0, 0, 0};
  master.send(request(0, {}, broadcast));
  const auto by_tag = master.transact(request(11, test_master::from_hex("82 08 20 82 08 20"), broadcast));
  ASSERT_TRUE(by_tag);
  EXPECT_EQ(by_tag->address, test_master::from_hex("BE 61 00 00 01"));
  EXPECT_EQ(test_master::to_hex(by_tag->data()), "FE 3E 61 05 05 01 56 08 00 00 00 01");
  EXPECT_EQ(sim.counters().frames_received, 7u);
  EXPECT_EQ(sim.counters().requests_for_us, 4u);
}

TEST(Line, ARequestSplitAtEveryOffsetIsAnswered) {
  SimulatedPositioner sim(quick_config());
  LineMaster master(sim.device_path());
  const auto whole = request(178, {60});
  sim.update_state([](DeviceState& s) { s.service.out_of_service = true; });
  for (std::size_t split = 1; split < whole.size(); ++split) {
    master.send(Bytes(whole.begin(), whole.begin() + static_cast<long>(split)));
    std::this_thread::sleep_for(3ms);
    master.send(Bytes(whole.begin() + static_cast<long>(split), whole.end()));
    const auto reply = master.next_frame();
    ASSERT_TRUE(reply) << "split at " << split;
    EXPECT_EQ(reply->response_code(), 0) << "split at " << split;
  }
  EXPECT_EQ(sim.state().setup.stroke_mm, 60);
}

TEST(Line, WritesReadBackAndHarnessChangesShowOnTheLine) {
  SimulatedPositioner sim(quick_config());
  LineMaster master(sim.device_path());
  EXPECT_EQ(master.transact(request(178, {80}))->response_code(), 16);  // in service
  sim.update_state([](DeviceState& s) { s.service.out_of_service = true; });
  EXPECT_EQ(master.transact(request(178, {80}))->response_code(), 0);
  EXPECT_EQ(master.transact(request(179))->data(), Bytes{80});
  sim.update_state([](DeviceState& s) { s.service.write_protected = true; });
  EXPECT_EQ(master.transact(request(156))->data(), Bytes{1});
  EXPECT_EQ(master.transact(request(178, {90}))->response_code(), 7);
  // A request with a bad check byte is answered with a communication error.
  auto corrupted = request(179);
  corrupted.back() ^= 0x01;
  EXPECT_EQ(master.transact(corrupted)->response_code(), 0x88);
}

TEST(Line, BurstFramesAlternateTheMasterBitAndLeaveRoomForRequests) {
  SimulatedPositioner sim(quick_config());
  LineMaster master(sim.device_path());
  ASSERT_EQ(master.transact(request(108, {3}))->response_code(), 0);
  const auto on = master.transact(request(109, {1}));
  ASSERT_EQ(on->response_code(), 0);
  EXPECT_TRUE(on->burst_bit());

  std::vector<bool> master_bits;
  for (int i = 0; i < 4; ++i) {
    const auto frame = master.next_frame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->delimiter, 0x81);
    EXPECT_TRUE(frame->burst_bit());
    EXPECT_EQ(frame->command, 3);
    EXPECT_EQ(frame->data().size(), 24u);
    master_bits.push_back(frame->master_bit());
  }
  EXPECT_NE(master_bits[0], master_bits[1]);
  EXPECT_NE(master_bits[1], master_bits[2]);
  EXPECT_NE(master_bits[2], master_bits[3]);

  // Right after a burst frame a master's request is answered before the next one.
  for (const std::uint8_t command : {1, 0, 151}) {
    master.send(request(command));
    const auto reply = master.next_frame();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->delimiter, 0x86) << "command " << int(command);
    EXPECT_EQ(reply->command, command);
    EXPECT_TRUE(reply->burst_bit());
    ASSERT_EQ(master.next_frame()->delimiter, 0x81);
  }

  master.send(request(109, {0}));
  const auto off = master.next_frame();
  ASSERT_TRUE(off);
  EXPECT_EQ(off->delimiter, 0x86);
  EXPECT_FALSE(off->burst_bit());
  const auto bursts = sim.counters().burst_frames_sent;
  const auto after = master.transact(request(0));
  ASSERT_TRUE(after);
  EXPECT_EQ(after->delimiter, 0x86);
  EXPECT_EQ(sim.counters().burst_frames_sent, bursts);
}

TEST(Line, ScriptedFaultsDoWhatTheySay) {
  SimulatedPositioner sim(quick_config());
  LineMaster master(sim.device_path());
  std::string error;
  sim.set_faults(
      *parse_fault_plan("no-reply@1,busy@2,bad-checksum@3,garbage@4,other-master@5,"
                        "second-burst-device@6",
                        error));
  sim.update_state([](DeviceState& s) { s.appearance.language = 0; });

  master.send(request(210, {2}));  // lost: not executed either
  ASSERT_TRUE(wait_until([&] { return sim.counters().requests_for_us == 1; }));
  EXPECT_EQ(sim.counters().replies_sent, 0u);

  EXPECT_EQ(master.transact(request(210, {3}))->response_code(), 32);
  EXPECT_EQ(sim.state().appearance.language, 0);
  EXPECT_FALSE(master.transact(request(0))->checksum_ok);
  EXPECT_TRUE(master.transact(request(0))->checksum_ok);  // found behind the noise

  const auto ours = master.transact(request(0));
  ASSERT_TRUE(ours);
  EXPECT_TRUE(ours->master_bit());
  const auto other_request = master.next_frame();
  const auto other_reply = master.next_frame();
  ASSERT_TRUE(other_request && other_reply);
  EXPECT_EQ(other_request->delimiter, 0x82);
  EXPECT_FALSE(other_request->master_bit());
  EXPECT_EQ(other_reply->delimiter, 0x86);
  EXPECT_FALSE(other_reply->master_bit());

  const auto before_stranger = master.transact(request(0));
  ASSERT_TRUE(before_stranger);
  const auto stranger = master.next_frame();
  ASSERT_TRUE(stranger);
  EXPECT_EQ(stranger->delimiter, 0x81);
  EXPECT_NE(Bytes(stranger->address.begin() + 2, stranger->address.end()),
            Bytes(before_stranger->address.begin() + 2, before_stranger->address.end()));

  EXPECT_EQ(sim.counters().faults_applied, 6u);
}

// A slow answer to the request before arrives just ahead of this one's: a
// master that matches nothing would take it for the answer.
TEST(Line, ALateReplyComesAheadOfTheAnswer) {
  SimulatedPositioner sim(quick_config());
  LineMaster master(sim.device_path());
  std::string error;
  sim.set_faults(*parse_fault_plan("late-reply@2", error));
  const auto first = master.transact(request(0));
  ASSERT_TRUE(first);
  const auto late = master.transact(request(13));
  ASSERT_TRUE(late);
  EXPECT_EQ(late->command, 0);
  EXPECT_EQ(late->body, first->body);
  const auto answer = master.next_frame();
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->command, 13);
}

TEST(Line, FloodedAndBrokenRepliesReachTheMasterAsSuch) {
  SimulatedPositioner sim(quick_config());
  LineMaster master(sim.device_path());
  std::string error;
  sim.set_faults(*parse_fault_plan("preamble-flood@1,broken-frame@2", error));
  EXPECT_EQ(master.transact(request(0))->preambles, 80);
  master.send(request(0));
  EXPECT_FALSE(master.next_frame(300ms));  // only half a frame ever comes
  EXPECT_EQ(master.transact(request(0))->response_code(), 0);
}

// A short reply is a whole frame, check byte and all, that carries fewer data
// bytes than the command has: only a master that counts them notices.
TEST(Line, ShortRepliesAreWellFormedFramesWithFewerDataBytes) {
  SimulatedPositioner sim(quick_config());
  LineMaster master(sim.device_path());
  std::string error;
  auto plan = *parse_fault_plan("short-reply@3", error);
  ASSERT_TRUE(parse_short_reply("183:4", plan));
  sim.set_faults(plan);

  const auto cut = master.transact(request(183));
  ASSERT_TRUE(cut);
  EXPECT_TRUE(cut->checksum_ok);
  EXPECT_EQ(cut->response_code(), 0);
  EXPECT_EQ(test_master::to_hex(cut->data()), test_master::to_hex(test_master::f32(4.0f)));
  EXPECT_EQ(master.transact(request(0))->data().size(), 12u);  // other commands whole
  const auto random = master.transact(request(0));
  ASSERT_TRUE(random);
  EXPECT_TRUE(random->checksum_ok);
  EXPECT_LT(random->data().size(), 12u);
  EXPECT_EQ(sim.counters().faults_applied, 2u);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Line, LinkLogAndStateFiles) {
  char directory[] = "/tmp/sim-line-XXXXXX";
  ASSERT_NE(::mkdtemp(directory), nullptr);
  const std::string base = directory;
  auto config = quick_config();
  config.line.link_path = base + "/com1";
  config.line.log_path = base + "/frames.log";
  config.line.state_path = base + "/device.state";
  {
    SimulatedPositioner sim(config);
    char target[256] = {};
    ASSERT_GT(::readlink(config.line.link_path.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(sim.device_path(), target);
    LineMaster master(config.line.link_path);
    ASSERT_EQ(master.transact(request(210, {4}))->response_code(), 0);
    sim.stop();
    EXPECT_EQ(::access(config.line.link_path.c_str(), F_OK), -1);
    EXPECT_EQ(sim.last_error(), "");
  }
  DeviceState saved;
  std::string error;
  ASSERT_TRUE(load_device_state(config.line.state_path, saved, error)) << error;
  EXPECT_EQ(saved.appearance.language, 4);

  const auto log = read_file(config.line.log_path);
  EXPECT_NE(log.find("RX FF FF FF FF FF 82 BE 61 00 00 01 D2 01 04"), std::string::npos) << log;
  EXPECT_NE(log.find("| STX long 3E:61:000001 M1 B0 cmd 210 n1"), std::string::npos) << log;
  EXPECT_NE(log.find("| ACK long 3E:61:000001 M1 B0 cmd 210 rc 0 st 00 n3"), std::string::npos) << log;

  // A stale link from an earlier run is replaced; a file that is no link is not.
  { SimulatedPositioner again(config); }
  std::ofstream(config.line.link_path) << "precious";
  EXPECT_THROW(SimulatedPositioner{config}, std::runtime_error);
  EXPECT_EQ(read_file(config.line.link_path), "precious");
  for (const char* name : {"/com1", "/frames.log", "/device.state"}) ::unlink((base + name).c_str());
  ::rmdir(directory);
}

}  // namespace
}  // namespace velk::sim
