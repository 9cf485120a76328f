#pragma once
// The TRENDS page without widgets: the positioner's control-precision trends
// of one variable (ComboBox1: "Friction", "Deviation", "Position"), uploaded
// with command 252 into the window's TrendRaw and drawn as four bar charts,
// "Today", "Month", "Year" and "Years".

#include <array>
#include <vector>

#include "comm/device_memory.h"
#include "comm/page_module.h"
#include "model/diagnostic_data.h"

namespace velk {

inline constexpr const char* kTrendVariableSelector = "ComboBox1";

// One chart: which part of a variable's trend it shows (memory start and
// element count) and how it draws it.
struct TrendChart {
  const char* name;  // "Today" ... the paint boxes are PaintBox<name>Graph, ...Y, ...X
  int start;         // the upload's start byte
  int first;         // index of its first value in TrendRaw
  int count;
  int barWidth;  // pixels
  float pixelsPerUnit;
  int labelStep;  // index axis: labels grow by this per tick
};
extern const std::array<TrendChart, 4> kTrendCharts;

// What a chart draws: its raw values in units (raw x 0.01).
std::vector<float> trendChartValues(const TrendValues& raw, const TrendChart& chart);

// "Upload" (ButtonTrendsUploadClick): the four charts of the chosen variable
// from area 2 (Friction), 3 (Deviation) or 4 (Position), starts 0 to 3, two
// bytes an element. With no variable chosen nothing is uploaded. A failed
// block keeps its values; the status bar tells the outcome.
StepJob uploadTrends();

}  // namespace velk
