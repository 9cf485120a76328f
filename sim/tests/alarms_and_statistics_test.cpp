// The supervision alarms (commands 220 to 231), the device's records and
// statistics (6, 12, 16, 146 to 148, 245): through the command table, the
// process model, and the line where an address changes.
#include <gtest/gtest.h>

#include "command_registry.h"
#include "positioner_sim/simulated_positioner.h"
#include "process_model.h"
#include "test_master.h"

namespace velk::sim {
namespace {

using namespace std::chrono_literals;
using test_master::Bytes;
using test_master::f32;
using test_master::f32_at;
using test_master::operator+;
using test_master::to_hex;

constexpr ProcessValues kLive{25.0f, 50.0f, 20.0f, 5.0f, 12.0f};

CommandOutcome run(std::uint8_t command, const Bytes& request, DeviceState& state) {
  return positioner_commands().execute(command, request, state, kLive);
}

// A refused write leaves every alarm as it was.
TEST(AlarmCommands, RefusalsLeaveTheAlarmsAlone) {
  struct Case {
    const char* what;
    std::uint8_t command;
    Bytes request;
    std::uint8_t response_code;
  };
  const Case cases[] = {
      {"pressure alarm in 8.6", 226, Bytes{1} + f32(4) + f32(20) + f32(0.32f) + Bytes{0, 1}, 64},
      {"pot = press alarm in 8.6", 230, Bytes{1} + f32(4.5f) + Bytes{1, 2}, 64},
      {"its read in 8.6", 231, {}, 64},
      {"valve action 4", 222, Bytes{1} + f32(0) + f32(100) + f32(2) + Bytes{0, 4}, 2},
      {"low above high", 224, Bytes{1} + f32(60) + f32(40) + f32(2) + Bytes{0, 0}, 9},
      {"too short", 220, Bytes{1} + f32(10) + f32(10) + Bytes{0}, 5},
  };
  for (const Case& c : cases) {
    auto state = default_device_state();
    EXPECT_EQ(run(c.command, c.request, state).response_code, c.response_code) << c.what;
    EXPECT_EQ(state.alarms, AlarmState{}) << c.what;
  }
}

// Taken in service too; any switch byte but 0 is on. The temperature alarm
// is kept in Celsius and read in the unit of the moment.
TEST(AlarmCommands, TemperatureIsKeptInCelsiusAndReadInTheUnitOfTheMoment) {
  auto state = default_device_state();
  state.units.temperature = unit::kFahrenheit;
  ASSERT_EQ(run(228, Bytes{7} + f32(32) + f32(212) + f32(9) + Bytes{9, 0}, state).response_code, 0);
  EXPECT_EQ(state.alarms[AlarmKind::Temperature], (AlarmSetting{true, {0, 100, 5}, true, 0}));
  state.units.temperature = unit::kKelvin;
  EXPECT_EQ(to_hex(run(229, {}, state).data),
            to_hex(Bytes{1} + f32(273.15f) + f32(373.15f) + f32(5) + Bytes{1, 0}));
  state.service.write_protected = true;
  EXPECT_EQ(run(228, Bytes{0} + f32(0) + f32(100) + f32(5) + Bytes{0, 0}, state).response_code, 7);
}

DeviceState moving_valve() {
  auto state = default_device_state();
  state.control.setpoint_source = setpoint_source::kHart;
  state.process.position_percent = 50.0f;
  return state;
}

// Drives the valve to each setpoint in turn, a simulated minute each.
void drive(ProcessModel& model, DeviceState& state, std::initializer_list<float> setpoints) {
  for (const float setpoint : setpoints) {
    state.control.hart_setpoint_percent = setpoint;
    for (int i = 0; i < 600; ++i) model.advance(state, 0.1);
  }
}

TEST(Statistics, GrowAsTheValveMovesAndStartAgainOnReset) {
  ProcessModel model(7);
  auto state = moving_valve();
  drive(model, state, {80, 20, 80});
  const auto& s = state.statistics;
  EXPECT_EQ(s.cycles, 2.0f);  // up, down, up: two reversals
  EXPECT_NEAR(s.accumulated_travel_percent, 30 + 60 + 60, 1.0);
  EXPECT_NEAR(s.run_time_s, 180.0, 1e-6);
  EXPECT_GT(s.mean_deviation_percent, 0.5f);
  EXPECT_LT(s.mean_deviation_percent, 5.0f);
  EXPECT_LE(s.min_temperature_c, s.max_temperature_c);

  // Out of service the valve stays put and the positioner's run time stands.
  state.service.out_of_service = true;
  drive(model, state, {20});
  EXPECT_NEAR(s.run_time_s, 180.0, 1e-6);
  EXPECT_EQ(s.cycles, 2.0f);

  const auto operational = run(146, {}, state);
  EXPECT_EQ(f32_at(operational.data, 4), 2.0f);
  state.service.out_of_service = false;
  ASSERT_EQ(run(148, {}, state).response_code, 0);
  const auto cleared = run(146, {}, state);
  EXPECT_EQ(to_hex(cleared.data), to_hex(f32(0) + f32(0) + f32(0)));
  state.units.temperature = unit::kFahrenheit;
  const auto maintenance = run(147, {}, state);
  EXPECT_EQ(f32_at(maintenance.data, 0), 0.0f);
  EXPECT_FLOAT_EQ(f32_at(maintenance.data, 8), state.process.temperature_c * 1.8f + 32.0f);
}

TEST(Alarms, ALimitAlarmTripsOutsideItsLimitsAndClearsInsideByTheHysteresis) {
  ProcessModel model(3);
  auto state = moving_valve();
  state.alarms[AlarmKind::Limit1] = {true, {10, 70, 5}, true, 0};
  drive(model, state, {60});
  EXPECT_FALSE(state.alarms.tripped[1]);
  drive(model, state, {80});
  EXPECT_TRUE(state.alarms.tripped[1]);
  drive(model, state, {67});  // inside, but not by the hysteresis
  EXPECT_TRUE(state.alarms.tripped[1]);
  drive(model, state, {60});
  EXPECT_FALSE(state.alarms.tripped[1]);
}

// A master listens for the reply at the address it sent to: a device that
// takes a new address answers from the old one, and from then on to the new.
TEST(Addresses, ANewPollingAddressOrDeviceIdIsAnsweredFromTheOldOne) {
  SimulatorConfig config;
  config.line.turnaround = 1ms;
  SimulatedPositioner sim(config);
  test_master::LineMaster master(sim.device_path());

  const auto moved = master.transact(test_master::request(6, {9}, {false, 0}));
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->response_code(), 0);
  EXPECT_EQ(moved->address[0] & 0x0F, 0);
  EXPECT_EQ(master.transact(test_master::request(0, {}, {false, 9}))->response_code(), 0);

  const auto renamed = master.transact(test_master::request(245, {0x12, 0x34, 0x56}));
  ASSERT_TRUE(renamed);
  EXPECT_EQ(renamed->response_code(), 0);
  EXPECT_EQ(to_hex(renamed->address), to_hex(test_master::from_hex("BE 61 00 00 01")));
  const auto found = master.transact(test_master::request(0, {}, {true, 0, 62, 97, 0x123456}));
  ASSERT_TRUE(found);
  EXPECT_EQ(sim.state().identity.device_id, 0x123456u);
  EXPECT_EQ(sim.state().identity.polling_address, 9);
}

}  // namespace
}  // namespace velk::sim
