// The process model: curves, the travel chain from setpoint to target, the
// lag, and that stepping it is exact and repeatable.
#include "process_model.h"

#include <gtest/gtest.h>

#include "param_names.h"

namespace velk::sim {
namespace {

using ::velk::sim::PrintTo;  // lets the listing name the cases below

struct CurveCase {
  std::uint8_t transfer_function;
  float input;
  float output;
};

void PrintTo(const CurveCase& c, std::ostream* out) {
  *out << "curve " << int(c.transfer_function) << " at " << c.input;
}

class Characteristic : public ::testing::TestWithParam<CurveCase> {};

TEST_P(Characteristic, GivesTheCurveOutput) {
  const auto& c = GetParam();
  CharacteristicSettings curve;
  curve.transfer_function = c.transfer_function;
  EXPECT_NEAR(characteristic_output(curve, c.input), c.output, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(FixedCurves, Characteristic,
                         ::testing::Values(CurveCase{0, 37.5f, 37.5f}, CurveCase{1, 0.0f, 0.0f},
                                           CurveCase{1, 25.0f, 6.373f}, CurveCase{1, 50.0f, 19.374f},
                                           CurveCase{1, 75.0f, 45.896f}, CurveCase{1, 100.0f, 100.0f},
                                           CurveCase{2, 50.0f, 87.429f}, CurveCase{2, 100.0f, 100.0f},
                                           CurveCase{240, 50.0f, 70.711f}, CurveCase{240, 150.0f, 100.0f}));

TEST(Characteristic, CustomCurveInterpolatesBetweenItsPointsOnly) {
  CharacteristicSettings curve;
  curve.transfer_function = transfer_function::kCustom;
  curve.custom_point_count = 3;
  curve.custom_points[0] = {0.0f, 0.0f};
  curve.custom_points[1] = {50.0f, 80.0f};
  curve.custom_points[2] = {100.0f, 100.0f};
  curve.custom_points[3] = {100.0f, 0.0f};  // beyond the count: must be ignored
  EXPECT_FLOAT_EQ(characteristic_output(curve, 25.0f), 40.0f);
  EXPECT_FLOAT_EQ(characteristic_output(curve, 75.0f), 90.0f);
  EXPECT_FLOAT_EQ(characteristic_output(curve, 100.0f), 100.0f);
  curve.custom_points[1] = {0.0f, 60.0f};  // a zero-width segment must not divide by zero
  EXPECT_TRUE(std::isfinite(characteristic_output(curve, 0.0f)));
}

struct TravelCase {
  const char* name;
  void (*setup)(DeviceState&);
  float setpoint;
  float travel;
};

class TravelTarget : public ::testing::TestWithParam<TravelCase> {};

TEST_P(TravelTarget, FollowsDirectionRangeAndTravelControl) {
  auto state = default_device_state();
  GetParam().setup(state);
  EXPECT_NEAR(target_travel_percent(state, GetParam().setpoint), GetParam().travel, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Setup, TravelTarget,
    ::testing::Values(TravelCase{"Plain", [](DeviceState&) {}, 40.0f, 40.0f},
                      TravelCase{"Reverse", [](DeviceState& s) { s.setup.direction = 1; }, 40.0f, 60.0f},
                      TravelCase{"TravelRange",
                                 [](DeviceState& s) {
                                   s.setup.travel_lower_percent = 10.0f;
                                   s.setup.travel_upper_percent = 60.0f;
                                 },
                                 50.0f, 35.0f},
                      TravelCase{"CutoffLowCloses", [](DeviceState&) {}, 0.05f, 0.0f},
                      TravelCase{"CutoffHighOpens", [](DeviceState&) {}, 99.95f, 100.0f},
                      TravelCase{"FreeLowFollows", [](DeviceState& s) { s.setup.travel_control[0] = 0; },
                                 0.05f, 0.05f},
                      TravelCase{"LimitedLowHolds",
                                 [](DeviceState& s) {
                                   s.setup.travel_control[0] = 2;
                                   s.setup.limited_percent[0] = 5.0f;
                                 },
                                 2.0f, 5.0f},
                      TravelCase{"LimitedHighHolds",
                                 [](DeviceState& s) {
                                   s.setup.travel_control[1] = 2;
                                   s.setup.limited_percent[1] = 90.0f;
                                 },
                                 95.0f, 90.0f}),
    CaseName{});

TEST(Setpoint, ComesFromTheSelectedSource) {
  auto state = default_device_state();
  state.control.loop_current_ma = 8.0f;
  EXPECT_FLOAT_EQ(effective_setpoint_percent(state), 25.0f);
  state.setup.current_range_min_ma = 8.0f;
  state.setup.current_range_max_ma = 8.0f;  // an empty range must not divide by zero
  EXPECT_FLOAT_EQ(effective_setpoint_percent(state), 0.0f);
  state.control.setpoint_source = setpoint_source::kHart;
  state.control.hart_setpoint_percent = 70.0f;
  EXPECT_FLOAT_EQ(effective_setpoint_percent(state), 70.0f);
  state.control.setpoint_source = setpoint_source::kManual;
  state.control.manual_setpoint_percent = 33.0f;
  EXPECT_FLOAT_EQ(effective_setpoint_percent(state), 33.0f);
}

DeviceState hart_setpoint_state(float setpoint, float position) {
  auto state = default_device_state();
  state.control.setpoint_source = setpoint_source::kHart;
  state.control.hart_setpoint_percent = setpoint;
  state.process.position_percent = position;
  return state;
}

TEST(Lag, PositionApproachesTheSetpointAsAFirstOrderLag) {
  ProcessModel model(7);
  auto state = hart_setpoint_state(80.0f, 20.0f);
  model.advance(state, 1.5);  // one time constant: 63 % of the way
  EXPECT_NEAR(state.process.position_percent, 20.0f + 60.0f * 0.632f, 0.1f);
  model.advance(state, 6.0);
  EXPECT_NEAR(state.process.position_percent, 80.0f, 0.5f);
  EXPECT_NEAR(model.measure(state).position_percent, state.process.position_percent,
              0.5f);  // only a little noise
}

TEST(Lag, SmallStepsAndOneLargeStepEndAlike) {
  ProcessModel fine(1);
  ProcessModel coarse(1);
  auto a = hart_setpoint_state(90.0f, 10.0f);
  auto b = a;
  for (int i = 0; i < 20; ++i) fine.advance(a, 0.05);
  coarse.advance(b, 1.0);
  EXPECT_NEAR(a.process.position_percent, b.process.position_percent, 1e-3);
}

TEST(Lag, OutOfServiceTheValveStaysPut) {
  ProcessModel model(3);
  auto state = hart_setpoint_state(90.0f, 10.0f);
  state.service.out_of_service = true;
  model.advance(state, 10.0);
  EXPECT_FLOAT_EQ(state.process.position_percent, 10.0f);
}

TEST(Drift, IsRepeatableForASeedAndStaysNearNominal) {
  ProcessModel first(42);
  ProcessModel second(42);
  auto a = default_device_state();
  auto b = a;
  for (int i = 0; i < 3600; ++i) {
    first.advance(a, 1.0);
    second.advance(b, 1.0);
  }
  EXPECT_EQ(a.process, b.process);
  EXPECT_NEAR(a.process.temperature_c, 22.0f, 3.0f);
  EXPECT_NEAR(a.process.supply_pressure_bar, 5.5f, 0.3f);
  EXPECT_NE(a.process.temperature_c, 22.0f);  // it does move
}

}  // namespace
}  // namespace velk::sim
