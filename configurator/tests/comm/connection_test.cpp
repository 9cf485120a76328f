// The connection job and burst monitoring on a scripted link: the search's
// order and cancellation, burst switching that fails, messages of unknown
// length, and closing on a line that no longer answers.
#include "comm/connection.h"

#include <gtest/gtest.h>

#include <QTest>
#include <bit>
#include <deque>
#include <future>
#include <thread>

#include "support/core_fixture.h"
#include "support/reply_bytes.h"

namespace velk {
namespace {

constexpr int kTimeout = 1460;

// The fake link with a positioner at one polling address (or none) and burst
// messages the test hands in.
class ScriptedLink : public FakeHartLink {
 public:
  std::atomic<int> deviceAddress{-1};  // none
  // A detection that finds nobody takes its time on a real line.
  std::atomic<int> detectionMilliseconds{0};

  int DetectInstrumentWithShortAddress(int address) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(detectionMilliseconds.load()));
    std::lock_guard lock(mutex_);
    detections_.push_back(address);
    return address == deviceAddress ? instrumentHandle : 0;
  }

  void queueBurst(std::vector<std::uint8_t> data) {
    std::lock_guard lock(mutex_);
    bursts_.push_back(std::move(data));
  }
  int BurstDataUpdated() override {
    std::lock_guard lock(mutex_);
    if (bursts_.empty()) return 0;
    burst_ = bursts_.front();
    bursts_.pop_front();
    return 1;
  }
  int GetBurstMessageLength() override {
    std::lock_guard lock(mutex_);
    return static_cast<int>(burst_.size());
  }
  unsigned GetBurstInteger(int offset, int length) override {
    std::lock_guard lock(mutex_);
    unsigned value = 0;
    for (int i = 0; i < length; ++i) value = value << 8 | burst_.at(offset + i);
    return value;
  }
  float GetBurstFloat(int offset) override { return std::bit_cast<float>(GetBurstInteger(offset, 4)); }

  std::vector<int> detections() const {
    std::lock_guard lock(mutex_);
    return detections_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<int> detections_;
  std::deque<std::vector<std::uint8_t>> bursts_;
  std::vector<std::uint8_t> burst_;
};

// Command 3's data with position and setpoint in percent.
Bytes dynamicVariables(float position, float setpoint) {
  return dynamicVariables(12.0f,
                          std::array<Variable, 4>{{{57, position}, {57, setpoint}, {32, 21.5f}, {7, 5.5f}}});
}

int count(const std::vector<int>& commands, int command) {
  return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

// The clock burst switching is timed by, moved by the test: pauses between
// attempts, and the replies the test says take their time.
class TestClock {
 public:
  void advance(std::chrono::milliseconds by) { milliseconds_ += by.count(); }
  BurstClock clock() {
    return {[this] { return BurstClock::TimePoint(std::chrono::milliseconds(milliseconds_.load())); },
            [this](std::chrono::milliseconds pause) { advance(pause); }};
  }

 private:
  std::atomic<long long> milliseconds_{0};
};

class ConnectionTest : public CoreTest {
 protected:
  ConnectionTest()
      : CoreTest([](WindowState&) { return std::make_unique<ScriptedLink>(); }),
        link_(static_cast<ScriptedLink*>(core_.api.get())) {
    core_.window.InstrumentHandle.store(0);
    applyDefaults();
    link_->setReply(0, {0, 0, {254, 62, 97, 5, 5, 1, 86, 8, 0, 0, 0, 7}});
    core_.commands.setBurstClock(clock_.clock());
    core_.commands.start();
  }
  // Closing still switches burst mode: by the clock and the responder here.
  ~ConnectionTest() override { core_.commands.stop(); }

  // Returns once the command thread has made `count` whole passes from now.
  void passes(int count) {
    for (int i = 0; i < count; ++i) {
      std::promise<void> ran;
      core_.commands.post(QString("pass %1").arg(i), [&](const JobContext&) { ran.set_value(); });
      ran.get_future().wait();
    }
  }

  // A burst mode command that the device does not answer: the link's retries
  // take their time.
  FakeHartLink::Reply timeOut() {
    clock_.advance(std::chrono::milliseconds(700));
    return {kTimeout, 0, {}};
  }

  void pressConnect() {
    core_.window.Connected.store(!core_.window.Connected.load());
    core_.window.WriteProtected.store(true);
    core_.commands.postRequest(kRequestConnection);
  }

  void waitFor(const std::function<bool()>& condition) { ASSERT_TRUE(QTest::qWaitFor(condition, 10000)); }

  void connect() {
    link_->deviceAddress = 0;
    core_.form.setText("SearchPollStop", "0");
    pressConnect();
    waitFor([&] { return core_.form.text("StaticText1") == "CONNECTED"; });
  }

  // Connects, starts bursting, and stops while the device answers no
  // "burst off" until offAnswered_: the first round of attempts is over.
  void stopBurstingUnanswered() {
    connect();
    core_.live.BurstRequested.store(true);
    waitFor([&] { return core_.live.BurstActive.load(); });
    link_->setResponder([&](int command, const FakeHartLink::DataField& request, int) -> FakeHartLink::Reply {
      if (command != 109 || request[0] != 0) return {};
      ++offs_;
      return offAnswered_ ? FakeHartLink::Reply{} : timeOut();
    });
    core_.live.BurstRequested.store(false);
    waitFor([&] { return offs_.load() == 4; });  // within the first three seconds
  }

  TestClock clock_;
  ScriptedLink* const link_;
  std::atomic<int> offs_{0};
  std::atomic<bool> offAnswered_{false};
};

struct SearchCase {
  const char* name;
  QString first, last;
  int deviceAddress;
  std::vector<int> addressesTried;  // one entry per address, tried six times unless found
  bool connects;
};
void PrintTo(const SearchCase& c, std::ostream* out) { *out << c.name; }

class SearchTest : public ConnectionTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchTest, TriesEachAddressOfTheRangeSixTimesUntilOneAnswers) {
  const SearchCase& c = GetParam();
  link_->deviceAddress = c.deviceAddress;
  core_.form.setText("SearchPollStart", c.first);
  core_.form.setText("SearchPollStop", c.last);
  pressConnect();
  waitFor([&] {
    const QString state = core_.form.text("StaticText1");
    return state == "CONNECTED" || state == "DISCONNECTED";
  });

  std::vector<int> expected;
  for (int address : c.addressesTried)
    expected.insert(expected.end(), address == c.deviceAddress ? 1 : kDetectionTries, address);
  EXPECT_EQ(link_->detections(), expected);
  if (c.connects) {
    EXPECT_EQ(core_.form.text("EditPollAddress"), QString::number(c.deviceAddress));
    EXPECT_EQ(link_->reloads(), 0);
  } else {
    EXPECT_EQ(core_.form.text(kStatusBar), kConnectionFailedText);
    EXPECT_EQ(core_.form.lines(kCommunicationLog).value(0), "Disconnected");
    EXPECT_EQ(link_->reloads(), 1);  // every failed attempt starts the library afresh
    EXPECT_EQ(core_.window.InstrumentHandle.load(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, SearchTest,
    ::testing::Values(SearchCase{"NoDevice", "0", "2", -1, {0, 1, 2}, false},
                      SearchCase{"FoundAtTheThirdAddress", "1", "15", 3, {1, 2, 3}, true},
                      SearchCase{"EmptyRange", "5", "4", 5, {}, false},
                      SearchCase{"TextIsTheDefault", "x", "1", 1, {0, 1}, true},
                      SearchCase{"BeyondTheAddressesADeviceCanHave", "14", "99", -1, {14, 15}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConnectionTest, PressingConnectAgainEndsTheSearchWithoutAFailure) {
  link_->detectionMilliseconds = 5;
  pressConnect();
  waitFor([&] { return link_->detections().size() >= 3; });
  pressConnect();
  waitFor([&] { return core_.form.text("StaticText1") == "DISCONNECTED"; });
  EXPECT_LT(link_->detections().size(), 16u * kDetectionTries);
  EXPECT_EQ(core_.form.text(kStatusBar), "");
  EXPECT_FALSE(core_.window.Connected.load());
  EXPECT_EQ(core_.window.RequestPending.load(), 0);  // the press was answered by the cancel
}

TEST_F(ConnectionTest, ClosingTheProgramEndsTheSearchAtTheNextTry) {
  link_->detectionMilliseconds = 5;
  pressConnect();
  waitFor([&] { return link_->detections().size() >= 3; });
  core_.commands.stop();
  EXPECT_LT(link_->detections().size(), 16u * kDetectionTries);
  EXPECT_GE(link_->shutDowns(), 1);  // the port it had opened is closed
}

// Switching burst mode is bounded by time, not by a count of attempts, so a
// device that never answers holds Connect, Disconnect and closing up for
// about three seconds at most.
TEST_F(ConnectionTest, BurstOnThatNeverSucceedsGivesUpWhenItsTimeIsUp) {
  core_.window.InstrumentHandle.store(1);
  link_->setResponder([&](int command, const FakeHartLink::DataField&, int) -> FakeHartLink::Reply {
    return command == 109 ? timeOut() : FakeHartLink::Reply{};
  });
  core_.live.BurstRequested.store(true);
  core_.live.BurstActive.store(true);
  waitFor([&] { return !core_.live.BurstRequested.load(); });
  // Attempts of 0.7 s with 0.1 s between start at 0, 0.8, 1.6 and 2.4 s; the
  // next would start after the 3 s.
  const std::vector<int> sent = link_->sentCommands();
  EXPECT_EQ(count(sent, 108), 1);
  EXPECT_EQ(count(sent, 109), 4);
  EXPECT_FALSE(core_.live.BurstActive.load());
  EXPECT_TRUE(core_.live.BurstError.load());
}

// A device whose burst mode could not be switched off goes on bursting: it is
// asked again, a turn at a time and once a second at most, until it says yes
// or the connection ends.
TEST_F(ConnectionTest, AFailedBurstOffIsTriedAgainUntilTheDeviceSaysYes) {
  stopBurstingUnanswered();
  passes(2);
  EXPECT_EQ(offs_.load(), 4);
  EXPECT_TRUE(core_.live.BurstActive.load());

  clock_.advance(std::chrono::seconds(1));
  waitFor([&] { return offs_.load() == 5; });
  offAnswered_ = true;
  clock_.advance(std::chrono::seconds(1));
  waitFor([&] { return !core_.live.BurstActive.load(); });
  clock_.advance(std::chrono::seconds(5));
  passes(2);
  EXPECT_EQ(offs_.load(), 6);
}

TEST_F(ConnectionTest, AFailedBurstOffIsForgottenWhenTheConnectionEnds) {
  stopBurstingUnanswered();
  pressConnect();  // Disconnect
  waitFor([&] { return core_.form.text("StaticText1") == "DISCONNECTED"; });
  clock_.advance(std::chrono::seconds(5));
  passes(2);
  EXPECT_EQ(offs_.load(), 4);
}

TEST_F(ConnectionTest, AMessageOfAnotherLengthAddsASampleWithTheLastValues) {
  connect();
  core_.live.BurstRequested.store(true);
  waitFor([&] { return core_.live.BurstActive.load(); });
  link_->queueBurst(dynamicVariables(40.0f, 45.5f));
  link_->queueBurst(std::vector<std::uint8_t>(10, 0xAB));
  waitFor([&] { return core_.live.ring.snapshot().GraphIndex == 2; });

  const GraphRingSnapshot ring = core_.live.ring.snapshot();
  EXPECT_EQ(ring.samples[0], (GraphSample{45.5f, 40.0f}));
  EXPECT_EQ(ring.samples[1], ring.samples[0]);
  EXPECT_EQ(core_.form.text("LabelPosValue"), "40.00 %");
  EXPECT_EQ(core_.form.text("LabelDevValue"), "5.50 %");
}

// A closing program switches burst mode off, but a line that no longer
// answers must not keep it open for forty time-outs.
TEST_F(ConnectionTest, ClosingOnADeadLineGivesUpSwitchingBurstOffWithinItsBudget) {
  connect();
  core_.live.BurstRequested.store(true);
  waitFor([&] { return core_.live.BurstActive.load(); });
  link_->setReply(109, {kTimeout, 0, {}});
  link_->setReplyDelayMicroseconds(20'000);
  const std::size_t before = link_->sentCommands().size();
  core_.commands.setShutdownBudget(std::chrono::milliseconds(50));
  core_.commands.stop();

  const std::vector<int> sent = link_->sentCommands();
  const int attempts = count({sent.begin() + static_cast<long>(before), sent.end()}, 109);
  EXPECT_GE(attempts, 1);
  EXPECT_LT(attempts, 40);
  EXPECT_GE(link_->shutDowns(), 1);
  EXPECT_FALSE(link_->callsOverlapped());
}

// "Stop graph" pressed while the device is being switched to bursting: left
// on, the device would go on bursting after the program has ended.
TEST_F(ConnectionTest, StoppingTheGraphWhileBurstModeIsSwitchedOnSwitchesItOffAgain) {
  core_.window.InstrumentHandle.store(1);
  std::atomic<int> switchedOn{0}, switchedOff{0};
  link_->setResponder([&](int command, const FakeHartLink::DataField& request, int) -> FakeHartLink::Reply {
    if (command == 109 && request[0] == 1) {
      ++switchedOn;
      core_.live.BurstRequested.store(false);  // the user stops meanwhile
    }
    if (command == 109 && request[0] == 0) ++switchedOff;
    return {0, 0, {}};
  });
  core_.live.BurstRequested.store(true);
  core_.live.BurstActive.store(true);
  waitFor([&] { return switchedOff.load() > 0; });
  waitFor([&] { return !core_.live.BurstActive.load(); });
  EXPECT_EQ(switchedOn.load(), 1);
  EXPECT_EQ(switchedOff.load(), 1);
}

// What a page asked of one connection must not run against the next: after
// the library's reload each such job would only fail into the log.
TEST_F(ConnectionTest, PageJobsStillWaitingWhenTheConnectionIsDroppedNeverRun) {
  connect();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  core_.commands.post("busy", [released](const JobContext&) { released.wait(); });
  pressConnect();  // Disconnect, while the busy job holds the thread
  std::atomic<bool> ran{false};
  core_.commands.post(
      "setup read", [&](const JobContext&) { ran = true; }, "TabSheetSetup");
  EXPECT_TRUE(core_.activity.busy("TabSheetSetup"));
  release.set_value();
  waitFor([&] { return core_.form.text("StaticText1") == "DISCONNECTED"; });

  std::atomic<bool> laterRan{false};
  core_.commands.post("later", [&](const JobContext&) { laterRan = true; });
  waitFor([&] { return laterRan.load(); });
  EXPECT_FALSE(ran.load());
  EXPECT_FALSE(core_.activity.busy("TabSheetSetup"));
}

TEST_F(ConnectionTest, ARampSetpointNeverDisplacesAWaitingConnectRequest) {
  core_.commands.stop();  // nothing takes the requests now
  core_.commands.postRequest(kRequestConnection);
  core_.commands.postSetpoint(40.0f);
  EXPECT_EQ(core_.window.RequestCode.load(), kRequestConnection);
  core_.window.RequestPending.store(0);
  core_.commands.postSetpoint(42.0f);
  EXPECT_EQ(core_.window.RequestCode.load(), kRequestSetpoint);
  EXPECT_EQ(core_.commands.setpointToWrite(), 42.0f);
}

}  // namespace
}  // namespace velk
