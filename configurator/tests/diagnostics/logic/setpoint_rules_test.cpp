#include "diagnostics/logic/setpoint_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace velk {
namespace {

// The conversion table written out cell by cell as plain formulas: rows by
// setpoint unit (%, mA, mm, cm, inch, degrees), columns by position unit (%,
// mm, cm, inch, degrees).
using Formula = std::function<double(double v, double S)>;
const Formula kTable[6][5] = {
    {[](double v, double) { return v; }, [](double v, double S) { return S * v / 100; },
     [](double v, double S) { return S * v / 1000; }, [](double v, double S) { return S * v / 100 / 25.4; },
     [](double v, double) { return 90 * v / 100; }},
    {[](double v, double) { return (v - 4) * 100 / 16; }, [](double v, double S) { return S * (v - 4) / 16; },
     [](double v, double S) { return S * (v - 4) / 160; },
     [](double v, double S) { return S * (v - 4) / 16 / 25.4; },
     [](double v, double) { return 90 * (v - 4) / 16; }},
    {[](double v, double S) { return 100 * v / S; }, [](double v, double) { return v; },
     [](double v, double) { return v / 10; }, [](double v, double) { return v / 25.4; },
     [](double v, double S) { return 90 * v / S; }},
    {[](double v, double S) { return 1000 * v / S; }, [](double v, double) { return 10 * v; },
     [](double v, double) { return v; }, [](double v, double) { return 10 * v / 25.4; },
     [](double v, double S) { return 900 * v / S; }},
    {[](double v, double S) { return 2540 * v / S; }, [](double v, double) { return 25.4 * v; },
     [](double v, double) { return 2.54 * v; }, [](double v, double) { return v; },
     [](double v, double S) { return 25.4 * 90 * v / S; }},
    {[](double v, double) { return 100 * v / 90; }, [](double v, double S) { return S * v / 90; },
     [](double v, double S) { return S * v / 900; }, [](double v, double S) { return S * v / 90 / 25.4; },
     [](double v, double) { return v; }},
};

TEST(SetpointInPositionUnit, FollowsEveryCellOfTheConversionTable) {
  for (double stroke : {50.0, 157.0}) {
    for (double v : {0.0, 7.0, 12.5, 100.0}) {
      for (int sp = 0; sp < 6; ++sp) {
        for (int pos = 0; pos < 5; ++pos) {
          auto converted = setpointInPositionUnit(v, sp, pos, stroke);
          ASSERT_TRUE(converted) << sp << " -> " << pos;
          EXPECT_NEAR(*converted, kTable[sp][pos](v, stroke), 1e-9 * (1 + std::fabs(*converted)))
              << "setpoint unit " << sp << ", position unit " << pos << ", v " << v << ", S " << stroke;
        }
      }
    }
  }
}

TEST(SetpointInPositionUnit, NeedsAStrokeOnlyBetweenLengthsAndSharesOfTravel) {
  EXPECT_EQ(setpointInPositionUnit(50, 0, 1, 0), std::nullopt);   // % -> mm
  EXPECT_EQ(setpointInPositionUnit(50, 2, 0, -3), std::nullopt);  // mm -> %
  EXPECT_EQ(setpointInPositionUnit(50, 2, 0, NAN), std::nullopt);
  EXPECT_EQ(setpointInPositionUnit(50, 2, 2, 0), 5.0);   // mm -> cm
  EXPECT_EQ(setpointInPositionUnit(12, 1, 4, 0), 45.0);  // mA -> degrees
  EXPECT_EQ(setpointInPositionUnit(1.5, 4, 3, 0), 1.5);  // inch -> inch, exactly
  EXPECT_EQ(setpointInPositionUnit(50, 6, 0, 50), std::nullopt);
  EXPECT_EQ(setpointInPositionUnit(50, 0, 5, 50), std::nullopt);
}

// "Send 50 %" sends 50 whatever unit the field shows: a percent goes into
// the field in its unit and comes back out of it unchanged, and the field's
// bounds are the whole travel in that unit.
TEST(SetpointPercent, AShareOfTravelMakesTheRoundTripThroughEveryUnit) {
  constexpr double kStroke = 70;  // mm
  struct Case {
    int unit;
    double halfTravel;
    FloatEditBounds bounds;
  };
  const Case cases[] = {
      {0, 50, {0, 100, 0}},
      {1, 12, {4, 20, 4}},
      {2, 35, {0, 70, 0}},
      {3, 3.5, {0, 7, 0}},
      {4, 35 / 25.4, {0, 70 / 25.4, 0}},
      {5, 45, {0, 90, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unit);
    EXPECT_NEAR(setpointFromPercent(50, c.unit, kStroke).value_or(NAN), c.halfTravel, 1e-12);
    for (double percent : {0.0, 37.5, 100.0})
      EXPECT_NEAR(
          setpointPercent(*setpointFromPercent(percent, c.unit, kStroke), c.unit, kStroke).value_or(NAN),
          percent, 1e-9);
    const FloatEditBounds bounds = setpointBounds(c.unit, kStroke);
    EXPECT_NEAR(bounds.min, c.bounds.min, 1e-12);
    EXPECT_NEAR(bounds.max, c.bounds.max, 1e-12);
    EXPECT_EQ(bounds.defaultValue, c.bounds.defaultValue);
  }
  // A length is no share of the travel until the stroke is known.
  EXPECT_EQ(setpointFromPercent(50, 2, 0), std::nullopt);
  EXPECT_EQ(setpointPercent(35, 3, NAN), std::nullopt);
  EXPECT_EQ(setpointBounds(4, 0).min, 0);
  EXPECT_GT(setpointBounds(4, 0).max, 1e30);
  EXPECT_EQ(setpointPercent(12, 1, 0), 50.0);
}

TEST(StepButtons, StepByTwentyFiveFromTheWholePartWhileWithin0To100) {
  struct Case {
    double current;
    std::optional<double> up;
    std::optional<double> down;
  };
  const Case cases[] = {
      {80, std::nullopt, 55},
      {60.7, 85, 35},
      {75, 100, 50},
      {25, 50, 0},
      {0, 25, std::nullopt},
      {24.9, 49, std::nullopt},
      {-0.5, 25, std::nullopt},
      {NAN, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(stepUp(c.current), c.up) << c.current;
    EXPECT_EQ(stepDown(c.current), c.down) << c.current;
  }
}

TEST(Ramp, TurnsAt100And0AndKeepsItsDirection) {
  struct Case {
    double start;
    bool rampDown;
    std::vector<double> values;
  };
  const Case cases[] = {
      {99, false, {100, 98, 96}},
      {1, true, {0, 2, 4}},
      {100, false, {100, 98}},
      {50.5, false, {52.5, 54.5}},
  };
  for (const auto& c : cases) {
    RampStep step{c.start, c.rampDown};
    std::vector<double> values;
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      step = nextRampStep(step.value, step.RampDown);
      values.push_back(step.value);
    }
    EXPECT_EQ(values, c.values) << "from " << c.start;
  }
  EXPECT_TRUE(nextRampStep(99, false).RampDown);
  EXPECT_FALSE(nextRampStep(1, true).RampDown);
}

TEST(SetpointSources, MapRadioItemsToDeviceCodes) {
  EXPECT_EQ(codeForIndex(kSetpointSources, 0), 2);
  EXPECT_EQ(codeForIndex(kSetpointSources, 1), 0);
  EXPECT_EQ(codeForIndex(kSetpointSources, 2), 1);
  EXPECT_EQ(indexForCode(kSetpointSources, 2), 0);
  EXPECT_EQ(indexForCode(kSetpointSources, 0), 1);
  EXPECT_EQ(indexForCode(kSetpointSources, 1), 2);
  EXPECT_EQ(indexForCode(kSetpointSources, 3), std::nullopt);
  EXPECT_EQ(itemTexts(kSetpointSources), (std::vector<std::string>{"Hart", "Auto (4-20 mA)", "Manual Q5"}));
}

TEST(SetpointSlotInCommand3, TakesTheFirstSelectorShowingSetpointElseTheLoopCurrent) {
  using Slot = std::optional<int>;
  EXPECT_EQ(setpointSlotInCommand3({-1, -1, -1}), Slot{});
  EXPECT_EQ(setpointSlotInCommand3({0, 2, 4}), Slot{});
  EXPECT_EQ(setpointSlotInCommand3({1, 1, 1}), Slot{1});
  EXPECT_EQ(setpointSlotInCommand3({0, 1, 1}), Slot{2});
  EXPECT_EQ(setpointSlotInCommand3({-1, 0, 1}), Slot{3});
}

}  // namespace
}  // namespace velk
