// The TUNING page and the single-point calibrations against the simulated
// positioner: what is sent the device keeps and the page reads back, the
// minimum pulses only where the device has them, the toggle-step test, and the
// self test waiting on the command thread while the window goes on.
#include <QSignalSpy>
#include <QTimer>
#include <atomic>
#include <chrono>

#include "checks/self_test.h"
#include "pages/calibrate_operations.h"
#include "pages/tuning_operations.h"
#include "registry/page_registry.h"
#include "support/simulator_fixture.h"
#include "support/wait_until.h"

namespace velk {
namespace {

class TuningAgainstTheSimulator : public SimulatorFixture {
 protected:
  void SetUp() override {
    applyStartupDefaults(form(), window(), ".");
    attachInstrument();
  }
};

// A 242 or 243 sent to a device without minimum pulses would be refused and
// logged; one left out where the device has them would not come back.
TEST_F(TuningAgainstTheSimulator, SendsAndReadsBackWithMinimumPulsesOnlyWhereTheDeviceHasThem) {
  struct Device {
    sim::Model model;
    int type;
    int version;
    bool minPulses;
  };
  const Device devices[] = {{sim::Model::Q50, kDeviceTypeQ50, 101, false},
                            {sim::Model::Q5, kDeviceTypeQ5, 90, false},
                            {sim::Model::Q5, kDeviceTypeQ5, 101, true}};
  const Texts edited = {{"EditOpenTime", "2.5"}, {"EditCloseTime", "3"}, {"EditDeadBand", "0.8"},
                        {"EditPID_P", "7.25"},   {"EditPID_I", "0.5"},   {"EditPID_D", "0.125"}};
  const Texts pulses = {{"EditMinpulseUp", "15"},
                        {"EditMinpulseUp2", "16"},
                        {"EditMinpulseDn", "300"},
                        {"EditMinpulseDn2", "65535"}};
  for (const Device& device : devices) {
    SCOPED_TRACE(device.version);
    simulator().update_state([&](sim::DeviceState& s) {
      s.identity.model = device.model;
      s.identity.software_revision = static_cast<std::uint8_t>(device.version);
    });
    window().DeviceType.store(device.type);
    window().DeviceVersion.store(device.version);
    applyControlDefaults(form(), window(), tuningDefaults());
    type(edited);
    type(pulses);
    sendTuning(job(), Sender::Click);
    expectNoFailedCommand();
    const sim::CalibrationState sent = simulator().state().calibration;
    EXPECT_FLOAT_EQ(sent.open_time_s, 2.5f);
    EXPECT_FLOAT_EQ(sent.close_time_s, 3.0f);
    EXPECT_FLOAT_EQ(sent.pid_d, 0.125f);
    EXPECT_EQ(sent.min_pulses[3] == 65535, device.minPulses);
    expectShown({{"LabelCalPValue", "7.25"}, {"LabelCalIValue", "0.5"}, {"LabelCalDValue", "0.125"}});

    applyControlDefaults(form(), window(), tuningDefaults());
    readTuning(job(), Sender::Click);
    expectNoFailedCommand();
    expectShown(edited);
    expectShown({{"LabelCalPValue", "7.25"}, {"EditMinpulseDn", device.minPulses ? "300" : ""}});
  }
}

TEST_F(TuningAgainstTheSimulator, ToggleStepTestStartsAndIsCancelled) {
  type({{"EditToggleTime", "30"}, {"EditToggleCycleTime", "4"}, {"EditToggleSize", "2.5"}});
  ButtonToggleStepStartClick(job(), Sender::Click);
  sim::CalibrationState device = simulator().state().calibration;
  EXPECT_GT(device.toggle_seconds_left, 29.0f);
  EXPECT_FLOAT_EQ(device.toggle_cycle_s, 4.0f);
  EXPECT_FLOAT_EQ(device.toggle_size_percent, 2.5f);
  ButtonToggleStepCancelClick(job(), Sender::Click);
  EXPECT_EQ(simulator().state().calibration.toggle_seconds_left, 0.0f);
  expectNoFailedCommand();
}

TEST_F(TuningAgainstTheSimulator, SinglePointCalibrationsSendTheirPointsAndSensors) {
  simulator().update_state([](sim::DeviceState& s) {
    s.calibration.pressure_low_kpa = {9, 9, 9};
    s.calibration.pressure_high_kpa = {9, 9, 9};
  });
  struct Case {
    const char* button;
    const char* field;
    const char* text;
    const char* unit;
    float sim::CalibrationState::*scalar;
    std::array<float, 3> sim::CalibrationState::*sensors;
    int sensor;
    float expected;
  };
  using C = sim::CalibrationState;
  const Case cases[] = {
      {"ButtonCalTemp", "EditCalTemp", "25", "C", &C::temperature_point_k, nullptr, 0, 298.2f},
      {"ButtonCalTemp", "EditCalTemp", "77", "F", &C::temperature_point_k, nullptr, 0, 298.2f},
      {"ButtonCalTemp", "EditCalTemp", "298.1", "K", &C::temperature_point_k, nullptr, 0, 298.1f},
      {"Button17", "Edit1", "0", "", nullptr, &C::pressure_low_kpa, 0, 0},
      {"Button18", "Edit2", "650", "", nullptr, &C::pressure_high_kpa, 0, 650},
      {"Button19", "Edit3", "0", "", nullptr, &C::pressure_low_kpa, 1, 0},
      {"Button44", "Edit170", "640", "", nullptr, &C::pressure_high_kpa, 1, 640},
      {"Button45", "Edit171", "0", "", nullptr, &C::pressure_low_kpa, 2, 0},
      {"Button46", "Edit172", "630", "", nullptr, &C::pressure_high_kpa, 2, 630},
  };
  for (const Case& c : cases) {
    form().setText("LabelCalTempUnit", c.unit);
    form().setText(c.field, c.text);
    sendCalibrationPoint(job(), c.button);
    const C device = simulator().state().calibration;
    EXPECT_NEAR(c.scalar ? device.*c.scalar : (device.*c.sensors)[c.sensor], c.expected, 1e-3) << c.button;
  }
  form().setText("EditCalCurrentLow", "5.5");
  sendCalibrationPoint(job(), "ButtonCalCurrentLow");
  EXPECT_FLOAT_EQ(simulator().state().calibration.current_points_ma[0], 5.5f);
  expectNoFailedCommand();

  // The device refuses a point it cannot take; a text that is no number is not sent.
  form().setText("Edit2", "50");
  sendCalibrationPoint(job(), "Button18");
  EXPECT_EQ(form().lines(kCommunicationLog).size(), 1);
  QSignalSpy told(&core().operations, &WindowOperations::errorReported);
  form().setText("Edit172", "6OO");
  sendCalibrationPoint(job(), "Button46");
  ASSERT_EQ(told.size(), 1);
  EXPECT_TRUE(told.at(0).at(0).toString().contains("high C- pressure"));
  EXPECT_EQ(simulator().state().calibration.pressure_high_kpa[0], 650.0f);
  EXPECT_EQ(simulator().state().calibration.pressure_high_kpa[2], 630.0f);
}

// A clock the test moves: the 12 s wait passes when the test says so.
std::atomic<std::chrono::steady_clock::duration> testClockOffset{};
std::chrono::steady_clock::time_point testClock() {
  return std::chrono::steady_clock::time_point{testClockOffset.load()};
}

TEST_F(TuningAgainstTheSimulator, SelfTestWaitsWithoutHoldingUpTheWindowOrOtherJobs) {
  const SelfTestClock before = setSelfTestClock(&testClock);
  simulator().update_state([](sim::DeviceState& s) { s.calibration.time_scale = 0.01f; });
  core().commands.start();
  core().commands.postSteps("self test", ButtonSelfTestClick(core().operations), "TabSheetTuning");
  ASSERT_TRUE(waitUntil([&] { return form().text(kCommunicatingText) == "Communicating..."; }));
  EXPECT_EQ(form().text("LabelSelfTest"), kSelfTestWaitText);

  // While the device tests, the window handles its events and other jobs run.
  bool timerFired = false;
  QTimer::singleShot(0, [&] { timerFired = true; });
  std::atomic<bool> otherJobRan{false};
  core().commands.post("other", [&](const JobContext&) { otherJobRan = true; });
  ASSERT_TRUE(waitUntil([&] { return timerFired && otherJobRan; }));
  EXPECT_EQ(form().text("Edit6"), "");
  EXPECT_TRUE(core().activity.busy("TabSheetTuning"));
  ASSERT_TRUE(waitUntil([&] { return simulator().state().calibration.self_test_seconds_left == 0; }));

  testClockOffset.store(testClockOffset.load() + kSelfTestWait);
  ASSERT_TRUE(waitUntil([&] { return !core().activity.busy("TabSheetTuning"); }));
  EXPECT_EQ(form().text("Edit4"), "00000000");
  EXPECT_EQ(form().text("Edit5"), "0000");
  EXPECT_EQ(form().text("Edit6"), QString(32, '0'));
  EXPECT_EQ(form().text("LabelSelfTest"), kSelfTestWaitText);
  EXPECT_EQ(form().text(kCommunicatingText), "");
  expectNoFailedCommand();
  setSelfTestClock(before);
}

}  // namespace
}  // namespace velk
