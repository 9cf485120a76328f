#include "model/graph_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velk {
namespace {

constexpr int kWidth = 505;
constexpr int kHeight = 408;

struct Edges {
  int left, right, top, bottom;
  friend bool operator==(const Edges&, const Edges&) = default;
};

Edges edgesOf(const ZoomSelection& s) { return {s.ZoomLeft, s.ZoomRight, s.ZoomTop, s.ZoomBottom}; }

void PrintTo(const Edges& e, std::ostream* os) {
  *os << "L" << e.left << " R" << e.right << " T" << e.top << " B" << e.bottom;
}

ZoomSelection selectCellAt(int x, int y) {
  ZoomSelection s;
  startZoomSelection(s, x, y);
  return s;
}

TEST(ZoomSelection, SnapsToTheGridFlipsAroundTheAnchorAndHoldsAtTheBorder) {
  struct Step {
    int x, y;
    Edges edges;
    PixelRect frame;
  };
  // pressed at (55, 57): the cell from column 50 and row 55 (edge 50, counted without the 5-pixel offset)
  const Step steps[] = {
      {83, 90, {50, 90, 50, 90}, {50, 55, 91, 96}},        // down and right
      {20, 30, {60, 10, 60, 20}, {10, 25, 61, 66}},        // crossed the anchor both ways
      {83, 90, {50, 90, 50, 90}, {50, 55, 91, 96}},        // and back
      {600, 500, {50, 500, 50, 410}, {50, 55, 501, 416}},  // beyond the bottom right corner
      {-5, -5, {60, 0, 60, -10}, {0, -5, 61, 66}},         // beyond the top left corner
  };
  auto s = selectCellAt(55, 57);
  EXPECT_EQ(edgesOf(s), (Edges{50, 60, 50, 60}));
  EXPECT_EQ(zoomFrame(s), (PixelRect{50, 55, 61, 66}));
  EXPECT_TRUE(s.ZoomSelecting);
  for (const auto& step : steps) {
    dragZoomSelection(s, step.x, step.y, kWidth, kHeight);
    EXPECT_EQ(edgesOf(s), step.edges) << "at " << step.x << ", " << step.y;
    EXPECT_EQ(zoomFrame(s), step.frame) << "at " << step.x << ", " << step.y;
    EXPECT_EQ(s.ZoomMouseX, step.x);
  }
  EXPECT_EQ(s.ZoomAnchorX, 55);
  EXPECT_EQ(s.ZoomAnchorY, 57);
}

TEST(ZoomedView, ACellOfTenByTenMultipliesTheScalesBy55And44) {
  const GraphView before;
  auto zoomed = zoomedView(before, selectCellAt(55, 57));
  EXPECT_FLOAT_EQ(zoomed.XScale, 3.0f * 55);
  EXPECT_FLOAT_EQ(zoomed.YScale, 4.0f * 44);
  EXPECT_EQ(zoomed.XOffset, 50 * 55);
  EXPECT_EQ(zoomed.YOffset, (400 - 60) * 44 + 400);
  // the selection's bottom edge (value 85) lands on the bottom grid row
  EXPECT_EQ(valueY(85, zoomed), 405);

  // a second zoom is relative to the current view
  auto again = zoomedView(zoomed, selectCellAt(5, 405));
  EXPECT_FLOAT_EQ(again.XScale, 3.0f * 55 * 55);
  EXPECT_EQ(ZoomBack(again), GraphView{});
}

TEST(ZoomedView, OrdersTheEdgesAndRefusesEmptyOrTooDeepSelections) {
  auto dragged = selectCellAt(55, 57);
  dragZoomSelection(dragged, 20, 30, kWidth, kHeight);  // edges L60 R10 T60 B20
  auto zoomed = zoomedView(GraphView{}, dragged);
  EXPECT_FLOAT_EQ(zoomed.XScale, 3.0f * 550 / 50);
  EXPECT_FLOAT_EQ(zoomed.YScale, 4.0f * 440 / 40);

  ZoomSelection empty = selectCellAt(55, 57);
  empty.ZoomRight = empty.ZoomLeft;
  EXPECT_FALSE(zoomMenuWanted(empty));
  EXPECT_TRUE(zoomMenuWanted(selectCellAt(55, 57)));
  EXPECT_EQ(zoomedView(GraphView{}, empty), GraphView{});

  GraphView view;
  for (int i = 0; i < 2; ++i) view = zoomedView(view, selectCellAt(55, 57));
  EXPECT_FLOAT_EQ(view.XScale, 3.0f * 55 * 55);
  EXPECT_EQ(zoomedView(view, selectCellAt(55, 57)), view);  // 3 * 55^3 px per sample is too deep
}

TEST(ZoomBack, RestoresTheDefaultsOfTheCurrentScaleMode) {
  EXPECT_EQ(defaultGraphView(false), GraphView{});
  const auto counts = defaultGraphView(true);
  EXPECT_TRUE(counts.Scale4092);
  EXPECT_FLOAT_EQ(counts.YScale, 400.0f / 4100);
  EXPECT_NEAR(valueY(4100, counts), 5, 1);  // 4100 counts fill the 400 pixels

  auto zoomed = zoomedView(counts, selectCellAt(100, 100));
  EXPECT_EQ(ZoomBack(zoomed), counts);
}

TEST(GraphPixels, MapSamplesAndValuesAndHoldFarOffValues) {
  const GraphView view;
  EXPECT_EQ(sampleX(168, view), 504);
  EXPECT_EQ(valueY(0, view), 405);
  EXPECT_EQ(valueY(100, view), 5);
  EXPECT_EQ(valueY(50.3, view), 203);  // 203.8, cut towards zero
  EXPECT_EQ(valueY(-1e30, view), 1000000);
  EXPECT_EQ(valueY(1e30, view), -1000000);
  EXPECT_EQ(valueY(NAN, view), 0);
  EXPECT_EQ(truncSaturated(1e30), 2147483647);
  EXPECT_EQ(truncSaturated(-2.7), -2);
}

TEST(GraphCoordinateText, ShowsSecondsAndValueUnderTheMouse) {
  EXPECT_EQ(graphCoordinateText(100, 205, GraphView{}, '.'), "X:16.67  Y:50.00");
  EXPECT_EQ(graphCoordinateText(0, 405, GraphView{}, ','), "X:0,00  Y:0,00");
  auto zoomed = zoomedView(GraphView{}, selectCellAt(55, 57));
  EXPECT_EQ(graphCoordinateText(0, 405, zoomed, '.'), "X:8.33  Y:85.00");
}

}  // namespace
}  // namespace velk
