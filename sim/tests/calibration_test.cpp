// The device's calibration, tuning and tests: stages that run for a while and
// report how they ended, points and settings refused out of range, and the
// toggle-step test moving the valve. Time is moved by hand.
#include <gtest/gtest.h>

#include "calibration_model.h"
#include "command_registry.h"
#include "options.h"
#include "process_model.h"
#include "test_master.h"

namespace velk::sim {
namespace {

using test_master::Bytes;
using test_master::f32;
using test_master::f32_at;
using test_master::operator+;

constexpr ProcessValues kLive{50.0f, 50.0f, 20.0f, 5.0f, 12.0f};

class Device {
 public:
  explicit Device(DeviceState state = out_of_service()) : state_(state) {}

  static DeviceState out_of_service() {
    auto state = default_device_state(Model::Q5, 101);
    state.service.out_of_service = true;
    return state;
  }

  std::uint8_t send(std::uint8_t command, const Bytes& request = {}) {
    auto outcome = commands_.execute(command, request, state_, kLive);
    reply_ = outcome.data;
    return outcome.response_code;
  }
  std::uint8_t status() {
    EXPECT_EQ(send(159), 0);
    return reply_.at(0);
  }
  void wait(double seconds) { advance_device_procedures(state_, seconds); }

  DeviceState state_;
  Bytes reply_;

 private:
  CommandRegistry commands_ = positioner_commands();
};

TEST(Calibration, StagesRunForTheirTimeAndReportHowTheyEnded) {
  Device device;
  ASSERT_EQ(device.send(160), 0);
  EXPECT_EQ(device.status(), 1);
  device.wait(11.9);
  EXPECT_EQ(device.status(), 1);
  device.wait(0.2);
  EXPECT_EQ(device.status(), 0);

  ASSERT_EQ(device.send(157), 0);
  EXPECT_EQ(device.status(), 17);
  device.wait(8.1);
  EXPECT_EQ(device.status(), 16);

  const float p = device.state_.calibration.pid_p;
  ASSERT_EQ(device.send(162), 0);
  EXPECT_EQ(device.status(), 33);
  device.wait(4.1);
  EXPECT_EQ(device.status(), 34);
  EXPECT_EQ(device.state_.calibration.pid_p, p);
  device.wait(6);
  EXPECT_EQ(device.status(), 32);
  EXPECT_NE(device.state_.calibration.pid_p, p);
  ASSERT_FALSE(device.state_.diagnostics.events.empty());
  EXPECT_EQ(device.state_.diagnostics.events.back().code, event_code::kCalibrationDone);

  // A time scale shrinks every stage; one long step runs through them all.
  device.state_.calibration.time_scale = 0.01f;
  device.state_.calibration.leak = true;
  ASSERT_EQ(device.send(157), 0);
  device.wait(0.09);
  EXPECT_EQ(device.status(), 18);
  for (std::uint8_t failure = 2; failure <= 5; ++failure) {
    device.state_.calibration.travel_failure = failure;
    ASSERT_EQ(device.send(160), 0);
    device.wait(1);
    EXPECT_EQ(device.status(), failure);
  }
}

TEST(Calibration, StopCommandsStopOnlyTheirStage) {
  Device device;
  ASSERT_EQ(device.send(157), 0);
  ASSERT_EQ(device.send(161), 0);  // travel does not run: nothing happens
  EXPECT_EQ(device.state_.calibration.stage, CalibrationStage::Leak);
  ASSERT_EQ(device.send(158), 0);
  device.wait(20);
  EXPECT_EQ(device.status(), 16);

  const float p = device.state_.calibration.pid_p;
  ASSERT_EQ(device.send(162), 0);
  device.wait(5);  // step tuning
  ASSERT_EQ(device.send(163), 0);
  device.wait(20);
  EXPECT_EQ(device.status(), 32);
  EXPECT_EQ(device.state_.calibration.pid_p, p);
}

TEST(Calibration, RefusesWhatTheDeviceCannotDo) {
  struct Case {
    const char* what;
    std::uint8_t command;
    Bytes request;
    std::uint8_t response_code;
    void (*prepare)(DeviceState&) = nullptr;
  };
  const auto in_service = [](DeviceState& s) { s.service.out_of_service = false; };
  const Case cases[] = {
      {"start in service", 160, {}, 16, in_service},
      {"current low point 3.7 mA", 200, f32(3.7f), 4},
      {"current high point 21 mA", 201, f32(21.0f), 3},
      {"temperature 229 K", 204, f32(229.0f), 4},
      {"high pressure 50 kPa", 203, f32(50.0f), 4},
      {"pressure sensor 2", 202, f32(0.0f) + Bytes{2}, 2},
      {"PID I 50", 168, f32(5) + f32(50) + f32(0.05f), 3},
      {"dead band 0.05", 172, f32(0.05f), 4},
      {"open time 601 s", 170, f32(601) + f32(0), 3},
      {"toggle out of service", 164, f32(10) + f32(2) + f32(1), 16},
      {"toggle time 0", 164, f32(0) + f32(2) + f32(1), 4, in_service},
      {"toggle size 10", 164, f32(10) + f32(2) + f32(10), 3, in_service},
      {"min pulses of a Q50", 242, {}, 64, [](DeviceState& s) { s.identity.model = Model::Q50; }},
      {"min pulses of a Q5 9.0", 243, Bytes(8, 0), 64,
       [](DeviceState& s) { s.identity.software_revision = 90; }},
  };
  for (const Case& c : cases) {
    auto state = Device::out_of_service();
    if (c.prepare) c.prepare(state);
    Device device(state);
    EXPECT_EQ(device.send(c.command, c.request), c.response_code) << c.what;
    EXPECT_EQ(device.state_, state) << c.what;
  }
}

TEST(Calibration, PointsGoToTheirSensorAndTuningIsReadBack) {
  Device device;
  ASSERT_EQ(device.send(202, f32(1.5f)), 0);
  ASSERT_EQ(device.send(203, f32(650) + Bytes{1}), 0);
  EXPECT_EQ(device.state_.calibration.pressure_low_kpa, (std::array<float, 3>{1.5f, 0, 0}));
  EXPECT_EQ(device.state_.calibration.pressure_high_kpa, (std::array<float, 3>{700, 700, 650}));

  const std::pair<std::uint8_t, Bytes> writes[] = {
      {168, f32(7.5f) + f32(0.5f) + f32(0.25f)},
      {170, f32(2) + f32(3)},
      {172, f32(1.5f)},
      {243, {0, 15, 0, 16, 1, 44, 255, 255}},
  };
  for (const auto& [command, data] : writes) {
    ASSERT_EQ(device.send(command, data), 0) << int(command);
    ASSERT_EQ(device.send(static_cast<std::uint8_t>(command == 243 ? 242 : command + 1)), 0) << int(command);
    EXPECT_EQ(device.reply_, data) << int(command);
  }
}

TEST(Calibration, ToggleStepMovesTheValveUntilCancelled) {
  auto state = default_device_state();
  state.control.setpoint_source = setpoint_source::kHart;
  state.process.position_percent = 50.0f;
  Device device(state);
  ProcessModel model(1, {.position_noise_percent = 0.0});
  ASSERT_EQ(device.send(164, f32(60) + f32(10) + f32(5)), 0);
  for (int i = 0; i < 40; ++i) model.advance(device.state_, 0.1);  // the first half cycle: up
  EXPECT_NEAR(device.state_.process.position_percent, 55.0f, 0.5f);
  ASSERT_EQ(device.send(165), 0);
  for (int i = 0; i < 80; ++i) model.advance(device.state_, 0.1);
  EXPECT_NEAR(device.state_.process.position_percent, 50.0f, 0.2f);
}

TEST(Calibration, SelfTestShowsInTheAdditionalStatusWhileItRuns) {
  Device device(default_device_state());
  ASSERT_EQ(device.send(41), 0);
  ASSERT_EQ(device.send(48, Bytes(11, 0)), 0);
  EXPECT_EQ(device.reply_.at(10) & 0x08, 0x08);
  const auto& events = device.state_.diagnostics.events;
  const auto before = events.size();
  device.wait(8.1);
  ASSERT_EQ(device.send(48, Bytes(11, 0)), 0);
  EXPECT_EQ(device.reply_.at(10) & 0x08, 0);
  ASSERT_EQ(events.size(), before + 1);
  EXPECT_EQ(events.back().code, event_code::kSelfTestPassed);
  device.wait(10);  // logged once
  EXPECT_EQ(events.size(), before + 1);
}

TEST(Calibration, CommandLineSaysHowRunsEnd) {
  std::string error;
  const auto options = parse_options({"--calibration-failure", "3", "--leak", "--time-scale=0.05"}, error);
  ASSERT_TRUE(options) << error;
  auto state = default_device_state();
  apply_device_options(*options, state);
  EXPECT_EQ(state.calibration.travel_failure, 3);
  EXPECT_TRUE(state.calibration.leak);
  EXPECT_FLOAT_EQ(state.calibration.time_scale, 0.05f);
  EXPECT_FALSE(parse_options({"--calibration-failure", "6"}, error));
  EXPECT_FALSE(parse_options({"--time-scale", "0"}, error));
}

}  // namespace
}  // namespace velk::sim
