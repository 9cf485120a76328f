#include "diagnostics/logic/diagnostic_graphs.h"

#include <gtest/gtest.h>

#include <limits>

namespace velk {
namespace {

TEST(BarChart, BarsStandOnRow405AndTheLastValuesShowWhenNotAllFit) {
  struct Case {
    const char* name;
    int width;
    std::vector<float> values;
    int barWidth;
    std::vector<PixelLine> lines;
  };
  const Case cases[] = {
      // A value 0 is one pixel at row 405 (the end point is left out).
      {"zero", 137, {0.0f}, 2, {{0, 405, 0, 404}, {1, 405, 1, 404}}},
      // Raw 125 is 1.25 units: 50 pixels up.
      {"positive", 137, {0.0f, 1.25f}, 1, {{0, 405, 0, 404}, {1, 405, 1, 354}}},
      // Raw -50: down to row 423, below the axis.
      {"negative", 137, {-0.5f}, 1, {{0, 405, 0, 424}}},
      {"only the last fit", 2, {1.0f, 0.0f, 0.5f}, 1, {{0, 405, 0, 404}, {1, 405, 1, 384}}},
  };
  for (const Case& c : cases) EXPECT_EQ(barChartLines(c.width, c.values, c.barWidth, 40), c.lines) << c.name;
}

TEST(IndexAxis, TicksEvery20PixelsFromTheMiddleOfTheFirstBarAndTheLineAlongTheGraph) {
  // The month chart: axis box 8 pixels left of its 161-pixel graph, bars of 5.
  const AxisDrawing axis = layOutIndexAxis(8, 10, 161, 4);
  ASSERT_EQ(axis.texts.size(), 9u);  // ticks at 10, 30, ... 170
  EXPECT_EQ(axis.lines.front(), (PixelLine{10, 1, 10, 5}));
  EXPECT_EQ(axis.texts.front(), (AxisText{6, 6, "0"}));
  EXPECT_EQ(axis.texts.back(), (AxisText{162, 6, "32"}));  // two characters: 8 pixels left
  EXPECT_EQ(axis.lines.back(), (PixelLine{8, 1, 169, 1}));
}

GraphRingSnapshot ring(int samples) {
  GraphRingSnapshot snapshot;
  for (int i = 0; i < samples; ++i) {
    snapshot.samples[static_cast<std::size_t>(i % kGraphRingSize)] = {static_cast<float>(i % 100), 50.0f};
  }
  snapshot.GraphIndex = samples % kGraphRingSize;
  snapshot.GraphWrapped = samples >= kGraphRingSize;
  return snapshot;
}

TEST(NormalGraph, DrawsTheNewestSamplesAcrossTheWidthWithItsGrid) {
  // Before the ring fills: from the first sample to the newest.
  Diag2Picture picture = normalGraphPicture(ring(10), 545, 265);
  ASSERT_EQ(picture.setpoint.size(), 9u);
  EXPECT_EQ(picture.setpoint.front(), (PixelLine{0, 205, 3, 203}));
  EXPECT_EQ(picture.curve.back(), (PixelLine{24, 105, 27, 105}));  // 50 is 100 pixels up
  EXPECT_EQ(picture.grid.size(), 27u + 55u);

  // Wrapped, the newest at slot 19: 181 segments ending there.
  picture = normalGraphPicture(ring(520), 545, 265);
  ASSERT_EQ(picture.setpoint.size(), 181u);
  EXPECT_EQ(picture.setpoint.back(), (PixelLine{540, 205 - 2 * 18, 543, 205 - 2 * 19}));
  EXPECT_EQ(picture.setpoint.front().y1, 205 - 2 * ((520 - 182) % 100));

  EXPECT_TRUE(normalGraphPicture(ring(0), 545, 265).setpoint.empty());
}

TEST(DataSetPictures, PlaceEachTypesPointsAtItsScale) {
  // Friction: elements 1 to 10 of the first block, one pixel per 75 units.
  std::vector<std::int32_t> friction(22, 0);
  friction[1] = 7500;
  friction[2] = 750;
  Diag2Picture picture = dataSetPicture(Diag2Graph::FrictionOverPosition, friction);
  ASSERT_EQ(picture.curve.size(), 9u);
  EXPECT_EQ(picture.curve[0], (PixelLine{10, 105, 30, 195}));
  EXPECT_EQ(picture.stars[0], (AxisText{6, 101, "*"}));

  // Pressure: block 1 at its magnitude, even the most negative integer.
  std::vector<std::int32_t> pressure(44, 0);
  pressure[12] = -7500;
  pressure[13] = std::numeric_limits<std::int32_t>::min();
  picture = dataSetPicture(Diag2Graph::PressureOverPosition, pressure);
  ASSERT_EQ(picture.curve.size(), 18u);
  EXPECT_EQ(picture.curve[9].y1, 105);
  EXPECT_LT(picture.curve[9].y2, -1000);

  std::vector<std::int32_t> histogram(16, 100);
  picture = dataSetPicture(Diag2Graph::TravelHistogram, histogram);
  EXPECT_TRUE(picture.curve.empty());
  EXPECT_EQ(picture.stars[0], (AxisText{0, 181, "*"}));
  EXPECT_EQ(picture.stars[15], (AxisText{195, 181, "*"}));

  std::vector<std::int32_t> signature(100, 2);
  signature[99] = 0;
  EXPECT_EQ(dataSetPicture(Diag2Graph::RampSignature, signature).curve.back(),
            (PixelLine{196, 105, 198, 205}));
  EXPECT_EQ(dataSetPicture(Diag2Graph::SmallStepSignature, signature).curve.back(),
            (PixelLine{1960, 105, 1980, 205}));
  EXPECT_TRUE(dataSetPicture(Diag2Graph::ControlHistogram, signature).curve.empty());
}

}  // namespace
}  // namespace velk
