#include "model/characteristic_curve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace velk {
namespace {

std::vector<std::string> column(const CurveGrid& grid, bool output) {
  std::vector<std::string> texts;
  for (const auto& row : grid) texts.push_back(output ? row.output : row.input);
  return texts;
}

using Texts = std::vector<std::string>;

TEST(FixedCurveGrid, ShowsEvenlySpacedInputsAndTheCurvesOutputs) {
  struct Case {
    FixedCurve curve;
    int points;
    char separator;
    Texts inputs;
    Texts outputs;
  };
  const Case cases[] = {
      {FixedCurve::EqualPercent,
       5,
       '.',
       {"0", "25", "50", "75", "100"},
       {"0", "6.373", "19.374", "45.896", "100"}},
      {FixedCurve::EqualPercent,
       5,
       ',',
       {"0", "25", "50", "75", "100"},
       {"0", "6,373", "19,374", "45,896", "100"}},
      {FixedCurve::QuickOpen, 3, '.', {"0", "50", "100"}, {"0", "87.429", "100"}},
      {FixedCurve::SquareRoot, 3, '.', {"0", "50", "100"}, {"0", "70.711", "100"}},
      {FixedCurve::Linear,
       9,
       ',',
       {"0", "12,5", "25", "37,5", "50", "62,5", "75", "87,5", "100"},
       {"0", "12,5", "25", "37,5", "50", "62,5", "75", "87,5", "100"}},
  };
  for (const auto& c : cases) {
    auto grid = fixedCurveGrid(c.curve, c.points, c.separator);
    EXPECT_EQ(column(grid, false), c.inputs);
    EXPECT_EQ(column(grid, true), c.outputs);
  }
  EXPECT_EQ(fixedCurveGrid(FixedCurve::Linear, 33, '.')[1].output, "3.125");
}

TEST(FixedCurveOutput, QuickOpenEqualsItsShortForm) {
  for (int x = 0; x <= 100; ++x) {
    EXPECT_NEAR(fixedCurveOutput(FixedCurve::QuickOpen, x), 100 * std::log(1 + 2.39 * x) / std::log(240.0),
                1e-9);
  }
}

TEST(FixedCurveForIndex, TheCustomCurveHasNoFormula) {
  EXPECT_EQ(fixedCurveForIndex(4), FixedCurve::SquareRoot);
  EXPECT_EQ(fixedCurveForIndex(1), FixedCurve::EqualPercent);
  EXPECT_EQ(fixedCurveForIndex(kCustomCurveIndex), std::nullopt);
  EXPECT_EQ(curveGroupCaption("Equal %"), "Curve : Equal %");
}

CustomCurve curveOf(std::vector<float> inputs, std::vector<float> outputs) {
  CustomCurve curve;
  curve.count = static_cast<int>(inputs.size());
  std::copy(inputs.begin(), inputs.end(), curve.input.begin());
  std::copy(outputs.begin(), outputs.end(), curve.output.begin());
  return curve;
}

std::vector<float> firstOf(const std::array<float, kMaxCurvePoints>& values, int count) {
  return {values.begin(), values.begin() + count};
}

TEST(ResampleCustomCurve, InterpolatesDownAndUpOnTheStoredSegments) {
  const auto bent = curveOf({0, 25, 50, 75, 100}, {0, 10, 40, 70, 100});

  auto three = ResampleCustomCurve(bent, 3);
  EXPECT_EQ(three.count, 3);
  EXPECT_EQ(firstOf(three.input, 3), (std::vector<float>{0, 50, 100}));
  EXPECT_EQ(firstOf(three.output, 3), (std::vector<float>{0, 40, 100}));
  EXPECT_EQ(three.output[3], 70);  // entries beyond the count are kept

  auto nine = ResampleCustomCurve(bent, 9);
  EXPECT_EQ(nine.count, 9);
  EXPECT_EQ(firstOf(nine.input, 9), (std::vector<float>{0, 12.5, 25, 37.5, 50, 62.5, 75, 87.5, 100}));
  EXPECT_EQ(firstOf(nine.output, 9), (std::vector<float>{0, 5, 10, 25, 40, 55, 70, 85, 100}));

  auto straight = ResampleCustomCurve(CustomCurve::straightLine(33), 9);
  EXPECT_EQ(firstOf(straight.output, 9), firstOf(straight.input, 9));
}

// Reference: the segment found by walking the inputs one by one.
double linearScanInterpolation(const CustomCurve& c, double x) {
  int i = 0;
  while (i < c.count - 2 && x > c.input[static_cast<std::size_t>(i + 1)]) ++i;
  const auto k = static_cast<std::size_t>(i);
  return c.output[k] + (c.output[k + 1] - c.output[k]) * (x - c.input[k]) / (c.input[k + 1] - c.input[k]);
}

TEST(ResampleCustomCurve, HalvingSearchFindsTheSameSegmentAsAScanOnUnevenCurves) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> percent(0, 100);
  for (int count : {3, 5, 9, 17, 33}) {
    for (int trial = 0; trial < 40; ++trial) {
      std::vector<float> inputs(static_cast<std::size_t>(count)), outputs(inputs.size());
      for (auto& v : inputs) v = percent(random);
      for (auto& v : outputs) v = percent(random);
      std::sort(inputs.begin(), inputs.end());
      inputs.front() = 0;
      inputs.back() = 100;
      const auto curve = curveOf(inputs, outputs);
      for (int newCount : {3, 5, 9, 17, 33}) {
        auto resampled = ResampleCustomCurve(curve, newCount);
        for (int i = 0; i < newCount; ++i) {
          const double x = i * 100.0 / (newCount - 1);
          EXPECT_NEAR(resampled.output[static_cast<std::size_t>(i)], linearScanInterpolation(curve, x), 1e-3)
              << count << " -> " << newCount << " at " << x;
        }
      }
    }
  }
}

TEST(ResampleCustomCurve, SegmentsOfZeroWidthGiveAnEndPointsOutput) {
  struct Case {
    CustomCurve curve;
    std::vector<float> outputs;
  };
  const Case cases[] = {
      {curveOf({0, 50, 50}, {0, 40, 60}), {0, 60, 60}},
      {curveOf({50, 50, 50}, {10, 20, 30}), {10, 30, 30}},
      {curveOf({0, 0, 0, 0, 100}, {5, 6, 7, 8, 100}), {7, 54, 100}},
  };
  for (const auto& c : cases) {
    auto resampled = ResampleCustomCurve(c.curve, 3);
    EXPECT_EQ(firstOf(resampled.output, 3), c.outputs);
  }
}

TEST(ResampleCustomCurve, CountsOutsideTheListCannotReachOutsideTheArrays) {
  auto fromOne = ResampleCustomCurve(curveOf({40}, {60}), 5);
  EXPECT_EQ(firstOf(fromOne.output, 5), (std::vector<float>{0, 25, 50, 75, 100}));
  auto toOne = ResampleCustomCurve(CustomCurve::straightLine(33), 1);
  EXPECT_EQ(toOne.count, 2);
  CustomCurve tooMany = CustomCurve::straightLine(33);
  tooMany.count = 40;
  EXPECT_EQ(ResampleCustomCurve(tooMany, 33).output[32], 100);
  EXPECT_NEAR(ResampleCustomCurve(curveOf({0, 30, 60, 100}, {0, 10, 20, 100}), 3).output[1],
              10 + 10 * 20.0 / 30, 1e-4);
}

TEST(PointCountChange, AsksBeforeReducingWithTheExactQuestion) {
  const auto curve = CustomCurve::straightLine(33);
  EXPECT_EQ(pointCountChange(curve, 9), PointCountChange::AskToReduce);
  EXPECT_EQ(pointCountChange(curve, 33), PointCountChange::None);
  EXPECT_EQ(pointCountChange(CustomCurve::straightLine(9), 33), PointCountChange::Increase);
  EXPECT_EQ(reducePointsQuestion(33, 9),
            "You have made a custom curve with \n33 points. Now you decrease the\naccuracy to 9 points. "
            "That means the\ncurve can change.\n\nYes: Decrease the accuracy to 9 points.\nNo: Cancel to an "
            "accuracy of 33 points.");
}

TEST(CustomCurveGrid, ShowsTheCountsPointsWithFiveDigits) {
  auto grid = customCurveGrid(curveOf({0, 33.33333f, 100}, {0, 12.345678f, 100}), ',');
  EXPECT_EQ(column(grid, false), (Texts{"0", "33,333", "100"}));
  EXPECT_EQ(column(grid, true), (Texts{"0", "12,346", "100"}));
  EXPECT_EQ(curveGridRowLabel(7), " 7");
}

CurveGrid gridOf(Texts inputs, Texts outputs) {
  CurveGrid grid;
  for (std::size_t i = 0; i < inputs.size(); ++i) grid.push_back({inputs[i], outputs[i]});
  return grid;
}

TEST(CheckCurveGrid, ReplacesBadCellsAndOutOfOrderInputsByEvenlySpacedInputs) {
  struct Case {
    const char* what;
    char separator;
    Texts inputs, outputs;
    Texts checkedInputs, checkedOutputs;
  };
  const Case cases[] = {
      {"cells that are no number from 0 to 100",
       '.',
       {"0", "x", "-5", "101", "50.", "", "1.2.3", "90", "100"},
       {"0", "10", "", "100", "7,5", "-0", "60", "100.5", "100"},
       {"0", "12.5", "25", "37.5", "50", "62.5", "75", "90", "100"},
       {"0", "10", "25", "100", "50", "62.5", "60", "87.5", "100"}},
      {"the locale's separator",
       ',',
       {"0", "12,5", "100"},
       {"0", "12.5", "99,9"},
       {"0", "12,5", "100"},
       {"0", "50", "99,9"}},
      {"an input above the next one",
       '.',
       {"0", "12.5", "25", "50", "40", "62.5", "75", "87.5", "100"},
       {"0", "0", "0", "0", "0", "0", "0", "0", "0"},
       {"0", "12.5", "25", "37.5", "40", "62.5", "75", "87.5", "100"},
       {"0", "0", "0", "0", "0", "0", "0", "0", "0"}},
      {"first and last rows",
       '.',
       {"10", "5", "50", "70", "60"},
       {"0", "0", "0", "0", "0"},
       {"0", "5", "50", "75", "100"},
       {"0", "0", "0", "0", "0"}},
      {"equal neighbours and falling outputs",
       '.',
       {"0", "25", "25", "75", "100"},
       {"100", "80", "60", "0", "0"},
       {"0", "25", "25", "75", "100"},
       {"100", "80", "60", "0", "0"}},
  };
  for (const auto& c : cases) {
    auto checked = CheckCurveGrid(gridOf(c.inputs, c.outputs), c.separator);
    EXPECT_EQ(column(checked, false), c.checkedInputs) << c.what;
    EXPECT_EQ(column(checked, true), c.checkedOutputs) << c.what;
  }
}

TEST(StoreGridInCurve, StoresEveryRowAndKeepsTheCount) {
  auto curve = CustomCurve::straightLine(9);
  storeGridInCurve(gridOf({"0", "20", "x"}, {"5", "30,5", "40"}), curve, ',');
  EXPECT_EQ(curve.count, 9);
  EXPECT_EQ(firstOf(curve.input, 4), (std::vector<float>{0, 20, 25, 37.5}));
  EXPECT_EQ(firstOf(curve.output, 4), (std::vector<float>{5, 30.5, 40, 37.5}));
}

TEST(CurvePlot, MapsPercentToPixelsFromTheOriginCuttingTowardsZero) {
  const int height = 300;  // origin at (70, 261)
  struct Case {
    double x, y;
    PlotPoint pixel;
  };
  const Case cases[] = {
      {0, 0, {70, 261}},     {100, 100, {310, 61}}, {50, 50, {190, 161}},
      {0.5, 0.3, {71, 261}}, {0.5, 0.7, {71, 260}}, {-1, 0, {68, 261}},
  };
  for (const auto& c : cases) EXPECT_EQ(curvePlotPoint(c.x, c.y, height), c.pixel) << c.x << ", " << c.y;

  auto line = curvePlotLine(gridOf({"0", "50", "x", "100"}, {"10", "50", "0", "100"}), height, '.');
  EXPECT_EQ(line, (std::vector<PlotPoint>{{70, 261}, {70, 241}, {190, 161}, {310, 61}}));

  auto linear = fixedCurveColumns(FixedCurve::Linear, height);
  ASSERT_EQ(linear.size(), 240u);
  EXPECT_EQ(linear.front(), (PlotPoint{70, 261}));
  EXPECT_EQ(linear[120], (PlotPoint{190, 161}));
  EXPECT_EQ(fixedCurveColumns(FixedCurve::SquareRoot, height)[60], (PlotPoint{130, 161}));  // 25 % -> 50 %
}

}  // namespace
}  // namespace velk
