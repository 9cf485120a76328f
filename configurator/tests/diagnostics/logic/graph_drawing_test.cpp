#include "diagnostics/logic/graph_drawing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velk {
namespace {

constexpr int kWidth = 505;
constexpr int kHeight = 408;

GraphRingSnapshot ringWith(int samples) {
  GraphSampleRing ring;
  for (int i = 0; i < samples; ++i) ring.append({static_cast<float>(i % 100), 50});
  return ring.snapshot();
}

TEST(GraphGridLines, Has41RowsAnd51ColumnsOnTheLiveGraph) {
  auto lines = graphGridLines(kWidth, kHeight);
  ASSERT_EQ(lines.size(), 92u);
  EXPECT_EQ(lines.front(), (PixelLine{0, 5, kWidth, 5}));
  EXPECT_EQ(lines[40], (PixelLine{0, 405, kWidth, 405}));
  EXPECT_EQ(lines[41], (PixelLine{0, 0, 0, kHeight}));
  EXPECT_EQ(lines.back(), (PixelLine{500, 0, 500, kHeight}));
}

TEST(LiveCurveLines, DrawFromTheOldestShownSampleToTheNewest) {
  struct Case {
    int appended;
    std::size_t lines;
    float firstValue;  // setpoint at the left edge
    int lastX;         // where the newest sample lands
  };
  const Case cases[] = {
      {0, 0, 0, 0},
      {1, 0, 0, 0},
      {10, 9, 0, 27},
      {169, 168, 0, 504},
      {600, 168, 431 % 100, 504},  // the whole width
  };
  for (const auto& c : cases) {
    const auto ring = ringWith(c.appended);
    auto lines = liveCurveLines(ring, GraphView{}, kWidth, GraphCurve::Setpoint);
    ASSERT_EQ(lines.size(), c.lines) << c.appended;
    if (lines.empty()) continue;
    EXPECT_EQ(lines.front().x1, 0);
    EXPECT_EQ(lines.front().y1, valueY(c.firstValue, GraphView{}));
    EXPECT_EQ(lines.back().x2, c.lastX);
    EXPECT_EQ(lines.back().y2, valueY((c.appended - 1) % 100, GraphView{}));
    EXPECT_EQ(liveCurveLines(ring, GraphView{}, kWidth, GraphCurve::Position).back().y2,
              valueY(50, GraphView{}));
  }
}

TEST(LiveCurveLines, AScrolledViewStartsLaterAndSkipsValuesThatAreNoNumber) {
  const auto ring = ringWith(600);
  GraphView scrolled;
  scrolled.XOffset = 30;  // ten samples
  const auto window = liveGraphWindow(ring, scrolled, kWidth);
  EXPECT_EQ(window.newest, 158);
  EXPECT_EQ(window.segments, 158);
  EXPECT_EQ(window.first, 441);

  GraphView past;
  past.XOffset = 3 * 200;
  EXPECT_TRUE(liveCurveLines(ring, past, kWidth, GraphCurve::Setpoint).empty());

  GraphSampleRing withGap;
  for (float v : {10.0f, NAN, 30.0f, 40.0f}) withGap.append({v, v});
  auto lines = liveCurveLines(withGap.snapshot(), GraphView{}, kWidth, GraphCurve::Setpoint);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].x1, 6);
}

TEST(ComparisonCurves, StartAtTheLeftEdgeAndEndWithTheirSet) {
  std::array<ComparisonSet, 2> sets;
  sets[0].assign(std::vector<GraphSample>(169, GraphSample{20, 30}));
  sets[1].assign(std::vector<GraphSample>(100, GraphSample{40, 60}));

  const auto range = comparisonRange(sets, GraphView{}, kWidth);
  EXPECT_EQ(range.first, 0);
  EXPECT_EQ(range.segments, 168);
  EXPECT_EQ(comparisonCurveLines(sets[0], GraphCurve::Setpoint, range, GraphView{}).size(), 168u);
  auto shorter = comparisonCurveLines(sets[1], GraphCurve::Position, range, GraphView{});
  ASSERT_EQ(shorter.size(), 99u);
  EXPECT_EQ(shorter.front(), (PixelLine{0, valueY(60, GraphView{}), 3, valueY(60, GraphView{})}));

  GraphView zoomed;
  zoomed.XScale = 165;
  zoomed.XOffset = 2750;
  const auto zoomedRange = comparisonRange(sets, zoomed, kWidth);
  EXPECT_EQ(zoomedRange.first, 17);
  EXPECT_EQ(zoomedRange.segments, 4);

  const std::array<ComparisonSet, 2> none{};
  EXPECT_EQ(comparisonRange(none, GraphView{}, kWidth).segments, 0);
}

}  // namespace
}  // namespace velk
