// The link library's HART-IP transport against the simulated positioner's
// HART-IP server, over loopback UDP and TCP, plain and secure (DTLS and TLS
// with a pre-shared key), in one process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "hart_master.h"
#include "positioner_sim/simulated_positioner.h"
#include "trace_file.h"

namespace velk::sim {
namespace {

using namespace std::chrono_literals;
using mirell::HartMaster;

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = 3s) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// A capture file in a folder of its own, and what tshark reads out of it.
class TsharkCapture {
 public:
  TsharkCapture() {
    char pattern[] = "/tmp/hart-ip-trace-XXXXXX";
    if (::mkdtemp(pattern)) folder_ = pattern;
    path_ = folder_ + "/session.pcap";
  }
  ~TsharkCapture() {
    std::remove(path_.c_str());
    ::rmdir(folder_.c_str());
  }
  static bool available() { return std::system("command -v tshark >/dev/null 2>&1") == 0; }

  // Starts the master's trace into the file.
  std::function<std::unique_ptr<mirell::FrameTrace>(std::string_view)> trace() const {
    return [path = path_](std::string_view session) {
      std::string notice;
      return mirell::startTrace(path, session, notice);
    };
  }
  // The fields of the packets `filter` lets through, a line a packet.
  std::string fields(const std::string& filter, const std::string& fields) const {
    const std::string command =
        "tshark -r " + path_ + " -Y '" + filter + "' -T fields -E separator=' ' " + fields + " 2>/dev/null";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
      char line[256];
      while (std::fgets(line, sizeof line, pipe)) output += line;
      ::pclose(pipe);
    }
    return output;
  }

 private:
  std::string folder_;
  std::string path_;
};

constexpr const char* kIdentity = "velk-test-master";
constexpr const char* kKey = "8e1fd3c0a27b4f5e96d0c1b2a3f4e5d6";

struct Transport {
  bool tcp;
  bool secure;
  const char* name;
};
void PrintTo(const Transport& transport, std::ostream* out) { *out << transport.name; }

class HartIpAgainstSimulator : public ::testing::TestWithParam<Transport> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hart-ip-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    server_keys_ = key_file("server.psk", std::string(kIdentity) + " " + kKey + "\n");
    master_key_ = key_file("master.psk", std::string(kIdentity) + " " + kKey + "\n");
  }
  void TearDown() override {
    master_.reset();
    sim_.reset();
    std::system(("rm -rf " + dir_).c_str());
  }

  bool tcp() const { return GetParam().tcp; }
  bool secure() const { return GetParam().secure; }

  std::string key_file(const std::string& name, const std::string& text, mode_t mode = 0600) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path) << text;
    ::chmod(path.c_str(), mode);
    return path;
  }

  SimulatorConfig config(FaultPlan faults = {}, const std::function<void(LineConfig&)>& adjust = {}) const {
    SimulatorConfig config;
    config.line.turnaround = 0ms;
    config.line.burst_pause = 30ms;
    config.line.hart_ip = "127.0.0.1:0";
    config.line.faults = faults;
    if (secure()) config.line.hart_ip_psk = server_keys_;
    if (adjust) adjust(config.line);
    return config;
  }

  void start_simulator(FaultPlan faults = {}, const std::function<void(LineConfig&)>& adjust = {}) {
    sim_ = std::make_unique<SimulatedPositioner>(config(faults, adjust));
  }

  std::string url(std::uint16_t port) const {
    const char* scheme =
        secure() ? (tcp() ? "hart-ip+tls" : "hart-ip+dtls") : (tcp() ? "hart-ip+tcp" : "hart-ip");
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port);
  }

  // A master whose COM 1 is the simulator's HART-IP address, with short
  // waits so that time-outs and keep-alives show quickly.
  mirell::MasterSetup setup(std::string name = {}) const {
    mirell::MasterSetup setup;
    if (name.empty()) name = url(sim_->hart_ip_port());
    setup.portName = [name](int) { return name; };
    setup.pskFile = [key = master_key_] { return key; };
    setup.startTrace = trace_;
    setup.hartIp.reply = 200ms;
    setup.hartIp.connect = 300ms;
    setup.hartIp.inactivity = inactivity_;
    return setup;
  }

  void start_master(std::string name = {}) {
    master_ = std::make_unique<HartMaster>(setup(std::move(name)));
    master_->initHart(1);
  }

  // A session traced into `capture`; the handle of the device it detected.
  int start_traced(const TsharkCapture& capture) {
    trace_ = capture.trace();
    start_simulator();
    start_master();
    return master_->detectInstrument();
  }

  int transact(int command, int handle) {
    master_->sendLongCommand(command, handle, 0);
    if (master_->errorCode() != 0) return master_->errorCode();
    master_->waitForResponse();
    return master_->errorCode();
  }

  std::string error_text() const {
    char text[128] = {};
    return master_->errorMessage(text);
  }

  std::string dir_;
  std::string server_keys_;
  std::string master_key_;
  std::unique_ptr<SimulatedPositioner> sim_;
  std::unique_ptr<HartMaster> master_;
  std::function<std::unique_ptr<mirell::FrameTrace>(std::string_view)> trace_ = [](std::string_view) {
    return std::unique_ptr<mirell::FrameTrace>{};
  };
  std::chrono::milliseconds inactivity_ = 60s;
};

TEST_P(HartIpAgainstSimulator, SessionOpensDetectsReadsCommand3AndCloses) {
  start_simulator();
  start_master();
  ASSERT_EQ(master_->errorCode(), 0);
  // The session is open before InitHart returns.
  EXPECT_TRUE(master_->hartIpLink().isOpen());

  const int handle = master_->detectInstrument();
  ASSERT_NE(handle, 0) << master_->errorCode();
  ASSERT_EQ(transact(3, handle), 0);
  EXPECT_EQ(master_->messageLength(), 24);
  EXPECT_FLOAT_EQ(master_->getFloat(0), 12.0f);
  EXPECT_EQ(sim_->counters().requests_for_us, 2u);
  EXPECT_EQ(sim_->hart_ip_sessions(), 1u);

  master_->shutDownHart();
  EXPECT_FALSE(master_->hartIpLink().isOpen());
  EXPECT_FALSE(master_->hartIpLink().receiverRunning());
  // The close reached the device, which frees the session at once.
  EXPECT_TRUE(eventually([&] { return sim_->hart_ip_sessions() == 0; }));
  EXPECT_EQ(transact(3, handle), 4);
}

TEST_P(HartIpAgainstSimulator, RetriesRecoverLostAndDamagedResponsesAndGiveUpAfterFour) {
  struct Case {
    const char* faults;
    int error;
    std::uint64_t requests;  // those of the read of command 3
  };
  const Case cases[] = {
      {"no-reply@2", 0, 2},
      {"garbage@2", 0, 1},
      {"late-reply@3", 0, 1},
      {"bad-checksum@2,broken-frame@3", 0, 3},
      {"no-reply@2,no-reply@3,no-reply@4,no-reply@5", 1460, 4},
      {"corrupt-byte@2,bad-checksum@3,broken-frame@4,bad-checksum@5", 16, 4},
      {"busy@2", 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults);
    std::string error;
    const auto plan = parse_fault_plan(c.faults, error);
    ASSERT_TRUE(plan) << error;
    start_simulator(*plan);
    start_master();
    const int handle = master_->detectInstrument();
    ASSERT_NE(handle, 0);
    if (std::string(c.faults).rfind("late-reply", 0) == 0) {
      ASSERT_EQ(transact(0, handle), 0);
    }
    const auto before = sim_->counters().requests_for_us;
    EXPECT_EQ(transact(3, handle), c.error);
    EXPECT_EQ(sim_->counters().requests_for_us - before, c.requests);
    if (c.error == 0) {
      EXPECT_FLOAT_EQ(master_->getFloat(0), 12.0f);
    }
    master_.reset();
    sim_.reset();
  }
}

// Only a slave's answer to this master answers: a gateway echoing the
// request, a burst frame or the other master's answer in its place costs the
// attempt (as another station's frame does on the line), never a success
// with the wrong data.
TEST_P(HartIpAgainstSimulator, OnlyTheSlavesAnswerToThisMasterIsTheAnswer) {
  struct Case {
    const char* wrong_frame;
    bool detected;
    std::uint64_t requests;
  };
  const Case cases[] = {
      {"echo", false, 4},
      {"burst", false, 4},
      {"other-master", false, 4},
      {"echo:2", true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wrong_frame);
    start_simulator({}, [&](LineConfig& line) { line.hart_ip_wrong_frame = c.wrong_frame; });
    start_master();
    const int handle = master_->detectInstrument();
    EXPECT_EQ(sim_->counters().requests_for_us, c.requests);
    if (!c.detected) {
      EXPECT_EQ(handle, 0);
      EXPECT_EQ(master_->errorCode(), 16);
    } else {
      ASSERT_NE(handle, 0) << master_->errorCode();
      // The device was registered under its own address.
      EXPECT_EQ(transact(3, handle), 0);
      EXPECT_FLOAT_EQ(master_->getFloat(0), 12.0f);
    }
    master_.reset();
    sim_.reset();
  }
}

// A server that restarted, or dropped the session for reasons of its own,
// may answer nothing at all to a session it does not know. Two requests in a
// row unanswered, and the library opens a new session before the third.
TEST_P(HartIpAgainstSimulator, ASessionTheServerForgotSilentlyIsOpenedBeforeTheNextAttempt) {
  start_simulator({}, [](LineConfig& line) { line.hart_ip_ignore_unknown = true; });
  start_master();
  const int handle = master_->detectInstrument();
  ASSERT_NE(handle, 0);
  sim_->forget_hart_ip_sessions();
  ASSERT_EQ(sim_->hart_ip_sessions(), 0u);
  const auto before = sim_->counters().requests_for_us;

  EXPECT_EQ(transact(3, handle), 0);
  EXPECT_FLOAT_EQ(master_->getFloat(0), 12.0f);
  EXPECT_EQ(sim_->counters().requests_for_us - before, 1u);
  EXPECT_GE(master_->hartIpLink().sessionsInitiated(), 2u);
  EXPECT_EQ(sim_->hart_ip_sessions(), 1u);
}

// The same while nothing is asked: the keep-alives go unanswered, and the new
// session is there before the next transaction (and gets the bursts again).
TEST_P(HartIpAgainstSimulator, AnIdleSessionTheServerForgotSilentlyIsOpenedAgain) {
  inactivity_ = 300ms;
  start_simulator({}, [](LineConfig& line) { line.hart_ip_ignore_unknown = true; });
  start_master();
  const int handle = master_->detectInstrument();
  ASSERT_NE(handle, 0);
  sim_->forget_hart_ip_sessions();
  ASSERT_TRUE(eventually([&] { return sim_->hart_ip_sessions() == 1; }));
  const auto before = sim_->counters().requests_for_us;
  EXPECT_EQ(transact(3, handle), 0);
  EXPECT_EQ(sim_->counters().requests_for_us - before, 1u);
}

TEST_P(HartIpAgainstSimulator, NoDeviceAtTheAddressTimesOutAfterFourAttempts) {
  start_simulator();
  start_master();
  EXPECT_EQ(master_->detectInstrumentWithShortAddress(5), 0);
  EXPECT_EQ(master_->errorCode(), 1460);
  EXPECT_EQ(sim_->counters().requests_for_us, 0u);
  EXPECT_EQ(sim_->counters().frames_received, 4u);
}

TEST_P(HartIpAgainstSimulator, BurstNotificationsAreCollectedAndEveryThreadEndsAtShutdown) {
  start_simulator();
  sim_->update_state([](DeviceState& s) { s.control.burst_mode = true; });
  start_master();
  master_->processBurstMessages(1);
  ASSERT_TRUE(eventually([&] { return master_->burstDataUpdated() != 0; }));
  EXPECT_EQ(master_->burstMessageLength(), 24);
  EXPECT_FLOAT_EQ(master_->getBurstFloat(0), 12.0f);
  // Transactions go on between the notifications.
  const int handle = master_->detectInstrument();
  ASSERT_NE(handle, 0);
  EXPECT_EQ(transact(3, handle), 0);

  master_->shutDownHart();
  EXPECT_FALSE(master_->burstCollectorRunning());
  EXPECT_FALSE(master_->hartIpLink().receiverRunning());
}

TEST_P(HartIpAgainstSimulator, AQuietSessionIsKeptAlive) {
  inactivity_ = 300ms;
  start_simulator();
  start_master();
  const int handle = master_->detectInstrument();
  ASSERT_NE(handle, 0);
  // Three inactivity times with no transaction: only keep-alives hold it.
  std::this_thread::sleep_for(900ms);
  EXPECT_GE(master_->hartIpLink().keepAlivesSent(), 4u);
  EXPECT_EQ(transact(3, handle), 0);
}

// The device restarts and forgets the session, and serves on the same port
// again. Over UDP its NAK makes the library initiate a new session, so a
// retry goes through; over TCP the connection is gone, as a pulled cable is
// on the line, until InitHart connects again. So is a DTLS session, whose
// keys the device forgot: nothing sent under them gets an answer.
TEST_P(HartIpAgainstSimulator, ARestartedDeviceIsReachedAgain) {
  start_simulator();
  start_master();
  ASSERT_NE(master_->detectInstrument(), 0);
  const auto port = sim_->hart_ip_port();
  sim_.reset();
  sim_ = std::make_unique<SimulatedPositioner>(
      config({}, [&](LineConfig& line) { line.hart_ip = "127.0.0.1:" + std::to_string(port); }));
  if (tcp() || secure()) {
    if (!tcp()) {
      EXPECT_NE(transact(3, 1), 0);
    }
    ASSERT_TRUE(eventually([&] { return master_->hartIpLink().portLost(); }));
    EXPECT_EQ(transact(3, 1), 3) << "the connection is gone";
    master_->initHart(1);
    ASSERT_EQ(master_->errorCode(), 0);
    ASSERT_NE(master_->detectInstrument(), 0);
  }
  EXPECT_EQ(transact(3, 1), 0);
  EXPECT_EQ(sim_->hart_ip_sessions(), 1u);
}

TEST_P(HartIpAgainstSimulator, ASecondaryMasterSessionIsAnsweredAsSuch) {
  start_simulator();
  master_ = std::make_unique<HartMaster>(setup());
  master_->initHartEx(1, 0);
  ASSERT_EQ(master_->errorCode(), 0);
  const int handle = master_->detectInstrument();
  ASSERT_NE(handle, 0);
  EXPECT_EQ(transact(3, handle), 0);
  // Becoming the primary master starts a new session as one.
  master_->initHartEx(1, 1);
  ASSERT_EQ(master_->errorCode(), 0);
  EXPECT_TRUE(master_->hartIpLink().primaryMaster());
  EXPECT_NE(master_->detectInstrument(), 0);
}

// A HART 7 reply longer than 30 data bytes: the long tag, byte count 34.
TEST_P(HartIpAgainstSimulator, AReplyOfMoreThanThirtyBytesArrivesWhole) {
  start_simulator();
  start_master();
  const int handle = master_->detectInstrument();
  ASSERT_NE(handle, 0);
  ASSERT_EQ(transact(20, handle), 0);
  EXPECT_EQ(master_->messageLength(), 32);
  EXPECT_EQ(master_->getInteger(0, 4), 0x56454C4Bu);  // "VELK"
}

// InitHart's 2 says what happened at the server.
TEST_P(HartIpAgainstSimulator, NothingListeningMeansThePortCannotBeOpened) {
  start_simulator();
  const auto port = sim_->hart_ip_port();
  const std::string server = "The HART-IP server at 127.0.0.1:" + std::to_string(port);
  sim_.reset();
  start_master(url(port));
  EXPECT_EQ(master_->errorCode(), 2);
  const std::string silent =
      secure() ? " did not answer." : " did not answer; it may require hart-ip+dtls://.";
  EXPECT_EQ(error_text(), server + (tcp() ? " refused the connection." : silent));
  EXPECT_FALSE(master_->hartIpLink().isOpen());
  EXPECT_FALSE(master_->hartIpLink().receiverRunning());
}

TEST_P(HartIpAgainstSimulator, AServerWithNoSessionFreeRefusesWithItsStatus) {
  start_simulator();
  // Taken over UDP: the server turns away a ninth TCP connection before any session.
  std::vector<std::unique_ptr<mirell::HartIpLink>> others;
  while (sim_->hart_ip_sessions() < 8) {
    mirell::PskKey key;
    std::string problem;
    ASSERT_TRUE(mirell::readPskKeyFile(master_key_, key, problem)) << problem;
    others.push_back(std::make_unique<mirell::HartIpLink>());
    ASSERT_TRUE(
        others.back()->open({"127.0.0.1", sim_->hart_ip_port(), false, secure()}, false, std::move(key)));
    ASSERT_TRUE(eventually([&] { return sim_->hart_ip_sessions() == others.size(); }));
  }
  start_master();
  EXPECT_EQ(master_->errorCode(), 2);
  EXPECT_EQ(error_text(), "The HART-IP server at 127.0.0.1:" + std::to_string(sim_->hart_ip_port()) +
                              " refused the session (status 15).");
}

TEST_P(HartIpAgainstSimulator, TheTraceCapturesTheRealPacketsForTshark) {
  if (!TsharkCapture::available()) GTEST_SKIP() << "tshark is not installed";
  const TsharkCapture capture;
  const int handle = start_traced(capture);
  ASSERT_NE(handle, 0);
  ASSERT_EQ(transact(3, handle), 0);
  master_->shutDownHart();

  // Initiate, command 0 and command 3, each request with its response under
  // the same sequence number, and the close (whose answer nobody waits for).
  EXPECT_EQ(capture.fields("hart_ip",
                           "-e hart_ip.message_type -e hart_ip.message_id -e hart_ip.transaction_id"
                           " -e hart_ip.pt.command"),
            "0 0 1 \n1 0 1 \n"
            "0 3 2 0\n1 3 2 0\n"
            "0 3 3 3\n1 3 3 3\n"
            "0 1 4 \n");
}

// A message longer than the frames of older devices (eight variables with
// their status: a body of 79 bytes) is traced whole, so tshark decodes it to
// its check byte and finds nothing malformed.
TEST_P(HartIpAgainstSimulator, TheTraceHoldsALongMessageWhole) {
  if (!TsharkCapture::available()) GTEST_SKIP() << "tshark is not installed";
  const TsharkCapture capture;
  const int handle = start_traced(capture);
  ASSERT_NE(handle, 0);
  for (int slot = 0; slot < 8; ++slot) master_->setInteger(slot, 1, 0);
  master_->sendLongCommand(9, handle, 8);
  master_->waitForResponse();
  ASSERT_EQ(master_->errorCode(), 0);
  master_->shutDownHart();

  const std::string output =
      capture.fields("hart_ip.pt.command == 9",
                     "-e hart_ip.message_type -e hart_ip.pt.length -e hart_ip.pt.checksum -e _ws.malformed");
  // Request and response: byte count, a check byte, and no malformed mark.
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = output.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(output.substr(at, end - at));
  ASSERT_EQ(lines.size(), 2u) << output;
  EXPECT_EQ(lines[0].rfind("0 8 0x", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("1 71 0x", 0), 0u) << lines[1];
  for (const auto& line : lines) EXPECT_EQ(line.back(), ' ') << "malformed: " << line;
}

// What only a secure port meets: keys, and servers of the other kind.
class SecureHartIp : public HartIpAgainstSimulator {
 protected:
  std::string server() const {
    return "The HART-IP server at 127.0.0.1:" + std::to_string(sim_->hart_ip_port());
  }

  static std::string contents(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }
};

TEST_P(SecureHartIp, ReadsTheDeviceInsideTheSecureSession) {
  start_simulator();
  start_master();
  ASSERT_EQ(master_->errorCode(), 0) << error_text();
  const int handle = master_->detectInstrument();
  ASSERT_NE(handle, 0) << master_->errorCode();
  for (const int command : {0, 1, 2, 3, 13, 48}) {
    SCOPED_TRACE(command);
    EXPECT_EQ(transact(command, handle), 0);
  }
  EXPECT_EQ(sim_->counters().requests_for_us, 7u);
  EXPECT_EQ(sim_->hart_ip_sessions(), 1u);
}

TEST_P(SecureHartIp, AWrongKeyOrIdentityIsRefusedWithItsOwnCode) {
  const std::string cases[] = {
      std::string(kIdentity) + " 00000000000000000000000000000000",
      std::string("another-master ") + kKey,
  };
  start_simulator();
  for (const std::string& line : cases) {
    SCOPED_TRACE(line);
    master_key_ = key_file("master.psk", line + "\n");
    start_master();
    EXPECT_EQ(master_->errorCode(), 18);
    EXPECT_EQ(error_text(), server() + " refused the key: wrong identity or key.");
    EXPECT_FALSE(master_->hartIpLink().isOpen());
    EXPECT_EQ(transact(0, 1), 8);
    EXPECT_EQ(sim_->hart_ip_sessions(), 0u);
  }
}

// Refused before anything goes onto the network.
TEST_P(SecureHartIp, AKeyFileThatIsNotPrivateOrNotThereOpensNothing) {
  start_simulator();
  master_key_ = key_file("master.psk", std::string(kIdentity) + " " + kKey + "\n", 0644);
  start_master();
  EXPECT_EQ(master_->errorCode(), 2);
  EXPECT_EQ(error_text(), "HART-IP key file mode 0644 is too open (chmod 600 it): " + master_key_);
  master_key_.clear();
  start_master();
  EXPECT_EQ(master_->errorCode(), 2);
  EXPECT_EQ(error_text(), "A secure HART-IP port needs a key file: set MIRELL_HARTIP_PSK_FILE.");
  EXPECT_FALSE(master_->hartIpLink().isOpen());
}

TEST_P(SecureHartIp, AServerOfTheOtherKindSaysWhatItWants) {
  struct Case {
    const char* name;
    bool secure_server;
    bool secure_port;
    std::string keys;  // the server's
    std::string said;  // after the server's address
  };
  const Case cases[] = {
      {"plain port, secured server",
       true,
       false,
       {},
       std::string(" did not answer; it may require ") + (tcp() ? "hart-ip+tls://." : "hart-ip+dtls://.")},
      {"secure port, plain server", false, true, {}, " does not offer security."},
      {"secure port, unprovisioned server", true, true, "# no key yet\n",
       " has no key set up (security not initialized)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string keys = c.keys.empty() ? server_keys_ : key_file("empty.psk", c.keys);
    sim_ = std::make_unique<SimulatedPositioner>(
        config({}, [&](LineConfig& line) { line.hart_ip_psk = c.secure_server ? keys : std::string(); }));
    std::string url = this->url(sim_->hart_ip_port());
    if (!c.secure_port) url.replace(0, url.find(':'), tcp() ? "hart-ip+tcp" : "hart-ip");
    start_master(url);
    EXPECT_EQ(master_->errorCode(), 2);
    EXPECT_EQ(error_text(), server() + c.said);
    // Never a plain session in place of a secure one.
    EXPECT_EQ(sim_->hart_ip_sessions(), 0u);
    master_.reset();
  }
}

TEST_P(SecureHartIp, TheKeyIsInNoTraceOrLogTheSessionLeaves) {
  const std::string text_trace = dir_ + "/session.txt";
  const std::string capture = dir_ + "/session.pcap";
  const std::string log = dir_ + "/sim.log";
  start_simulator({}, [&](LineConfig& line) { line.log_path = log; });
  for (const std::string& path : {text_trace, capture}) {
    trace_ = [path](std::string_view session) {
      std::string notice;
      return mirell::startTrace(path, session, notice);
    };
    start_master();
    const int handle = master_->detectInstrument();
    ASSERT_NE(handle, 0);
    ASSERT_EQ(transact(3, handle), 0);
    master_->shutDownHart();
  }
  sim_->stop();
  std::string upper = kKey;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& path : {text_trace, capture, log}) {
    SCOPED_TRACE(path);
    const std::string written = contents(path);
    EXPECT_EQ(written.find(kKey), std::string::npos);
    EXPECT_EQ(written.find(upper), std::string::npos);
  }
  // The HART-IP messages themselves, not their records.
  EXPECT_NE(contents(text_trace).find("TX HART-IP request token-passing"), std::string::npos);
  EXPECT_NE(contents(log).find("RX HART-IP 02 00 03"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Transports, SecureHartIp,
                         ::testing::Values(Transport{false, true, "Dtls"}, Transport{true, true, "Tls"}),
                         [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(Transports, HartIpAgainstSimulator,
                         ::testing::Values(Transport{false, false, "Udp"}, Transport{true, false, "Tcp"},
                                           Transport{false, true, "Dtls"}, Transport{true, true, "Tls"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace velk::sim
