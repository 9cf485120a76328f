#include "diagnostics/logic/graph_axes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velk {
namespace {

// The CONTROL page's paint boxes.
constexpr BoxGeometry kGraph{208, 32, 505, 408};
constexpr BoxGeometry kValueAxis{168, 27, 40, 419};
constexpr BoxGeometry kTimeAxis{197, 440, 526, 23};

std::vector<std::string> texts(const AxisDrawing& drawing) {
  std::vector<std::string> all;
  for (const auto& t : drawing.texts) all.push_back(t.text);
  return all;
}

ZoomSelection cellAt(int x, int y) {
  ZoomSelection s;
  startZoomSelection(s, x, y);
  return s;
}

TEST(AxisLabel, RoundsToTenthsAndCountsTheDigitsShown) {
  struct Case {
    double hundredths;
    const char* whole;
    const char* tenth;
    int characters;
  };
  const Case cases[] = {
      {0, "0", "", 1},      {500, "5", "", 1},     {550, "5", "5", 2},  {50, "0", "5", 2},
      {1050, "10", "5", 3}, {10000, "100", "", 3}, {994, "9", "9", 2},  {996, "10", "", 2},
      {-250, "-2", "5", 3}, {-2500, "-25", "", 3}, {-50, "-0", "5", 3}, {-4, "0", "", 1},
  };
  for (const auto& c : cases) {
    auto label = axisLabel(c.hundredths);
    EXPECT_EQ(label.whole, c.whole) << c.hundredths;
    EXPECT_EQ(label.tenth, c.tenth) << c.hundredths;
    EXPECT_EQ(label.characters, c.characters) << c.hundredths;
  }
}

TEST(ValueAxis, DefaultLiveAxisReads0To100Every20Pixels) {
  auto axis = layOutValueAxis(ValueAxisGraph::Live, GraphView{}, kValueAxis, kGraph);
  std::vector<std::string> expected;
  for (int v = 0; v <= 100; v += 5) expected.push_back(std::to_string(v));
  EXPECT_EQ(texts(axis), expected);
  EXPECT_EQ(axis.lines.front(), (PixelLine{35, 410, 39, 410}));  // bottom tick at y0 + 400
  EXPECT_EQ(axis.texts.front(), (AxisText{26, 404, "0"}));
  EXPECT_EQ(axis.texts.back(), (AxisText{14, 4, "100"}));
  EXPECT_EQ(axis.lines.back(), (PixelLine{38, 10, 38, 418}));  // axis line over the graph's height
  EXPECT_EQ(axis.lines.size(), 22u);
}

TEST(ValueAxis, PlacesTenthsAndDecimalPointsAndServesTheOtherGraphs) {
  auto trend = layOutValueAxis(ValueAxisGraph::Trend, GraphView{}, {0, 0, 40, 419}, {40, 5, 500, 400});
  ASSERT_EQ(trend.texts.size(), 21u + 10u);  // 0, 0.5, 1, ... 10: ten labels with a tenth
  EXPECT_EQ(trend.texts[1], (AxisText{18, 384, "0"}));
  EXPECT_EQ(trend.texts[2], (AxisText{26, 384, "5"}));
  EXPECT_EQ(trend.lines[2], (PixelLine{25, 394, 26, 394}));

  auto diag = layOutValueAxis(ValueAxisGraph::Diag2, GraphView{}, {0, 0, 25, 281}, {25, 0, 545, 265});
  EXPECT_EQ(texts(diag),
            (std::vector<std::string>{"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
  EXPECT_EQ(diag.lines.front().y1, 205);

  // zoomed into the cell above the value 85: 85 at the bottom, 11.36 units per tick
  auto zoomed =
      layOutValueAxis(ValueAxisGraph::Live, zoomedView(GraphView{}, cellAt(55, 57)), kValueAxis, kGraph);
  EXPECT_EQ(zoomed.texts[0].text, "85");
  EXPECT_EQ(zoomed.texts[1].text, "85");
  EXPECT_EQ(zoomed.texts[2].text, "1");
}

TEST(ValueAxis, LabelsBelowZeroWithAMinusSign) {
  GraphView view;
  view.YOffset = 380;  // 0 lies 20 pixels above the bottom tick: -5 there
  auto axis = layOutValueAxis(ValueAxisGraph::Live, view, kValueAxis, kGraph);
  EXPECT_EQ(axis.texts[0], (AxisText{40 - 10 - 12 + 2, 404, "-5"}));
  EXPECT_EQ(axis.texts[1].text, "0");
}

TEST(TimeAxis, DefaultAxisReads0To80SecondsEvery30Pixels) {
  auto axis = layOutTimeAxis(GraphView{}, kTimeAxis, kGraph);
  std::vector<std::string> expected;
  for (int s = 0; s <= 80; s += 5) expected.push_back(std::to_string(s));
  EXPECT_EQ(texts(axis), expected);
  EXPECT_EQ(axis.lines.front(), (PixelLine{11, 1, 11, 5}));
  EXPECT_EQ(axis.texts[1], (AxisText{41 - 4, 6, "5"}));
  EXPECT_EQ(axis.texts[2], (AxisText{71 - 8, 6, "10"}));
  EXPECT_EQ(axis.lines.back(), (PixelLine{11, 1, 516, 1}));
}

TEST(TimeAxis, PlacesHalfSeconds) {
  GraphView view;
  view.XOffset = 3;  // one sample: 0.5 s at the left edge
  auto axis = layOutTimeAxis(view, kTimeAxis, kGraph);
  EXPECT_EQ(axis.texts[0], (AxisText{11 - 8, 6, "0"}));
  EXPECT_EQ(axis.texts[1], (AxisText{10, 6, "."}));
  EXPECT_EQ(axis.texts[2], (AxisText{12, 6, "5"}));
  // 10.5 s has three digits: the point and the tenth move right
  const auto& t = axis.texts;
  auto tenAndAHalf = std::find_if(t.begin(), t.end(), [](const AxisText& a) { return a.text == "10"; });
  ASSERT_NE(tenAndAHalf, t.end());
  EXPECT_EQ(tenAndAHalf->left, 71 - 12);
  EXPECT_EQ(*(tenAndAHalf + 1), (AxisText{72, 6, "."}));
  EXPECT_EQ(*(tenAndAHalf + 2), (AxisText{74, 6, "5"}));
}

}  // namespace
}  // namespace velk
