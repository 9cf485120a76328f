// What the TRENDS bar charts and the DIAG 2 graph paint, as pixel lines and
// texts for a painter to draw, and their index axes.
#pragma once

#include <cstdint>
#include <vector>

#include "diagnostics/logic/graph_axes.h"
#include "model/graph_sample_ring.h"
#include "model/graph_view.h"

namespace velk {

// Bars stand on this row and grow upwards (negative values downwards).
inline constexpr int kBarBaseRow = 405;

// A bar chart of `values` in a graph `width` pixels wide: bars of `barWidth`
// pixels side by side from the left, `pixelsPerUnit` high per unit, one
// vertical line per pixel column (end point left out). When not all fit, the
// last values are shown.
std::vector<PixelLine> barChartLines(int width, const std::vector<float>& values, int barWidth,
                                     float pixelsPerUnit);

// An index axis below a graph: a tick every 20 pixels from `firstTick`
// while within the graph's `width` after it, each labelled with its index
// (0, step, 2 step, ...) centred on it, and the axis line from `origin`
// along the graph's width.
AxisDrawing layOutIndexAxis(int origin, int firstTick, int width, int labelStep);

// DIAG 2's graph types, in the order of its selector.
enum class Diag2Graph {
  None = -1,
  Normal,
  FrictionOverPosition,
  PressureOverPosition,
  TravelHistogram,
  ControlHistogram,
  RampSignature,
  MultiStepSignature,
  SmallStepSignature,
};

// The row of value 0 on DIAG 2's graph.
inline constexpr int kDiag2BaseRow = 205;

// Labels of the horizontal axis grow by this per tick.
int diag2AxisLabelStep(Diag2Graph graph);

struct Diag2Picture {
  std::vector<PixelLine> grid;      // yellow
  std::vector<PixelLine> setpoint;  // teal
  std::vector<PixelLine> curve;     // blue: the live position or the uploaded data
  std::vector<AxisText> stars;      // "*" at the points of some data sets, blue
};

// "Normal graph": the newest samples of the live ring at 3 pixels a sample
// and 2 pixels a unit, drawn afresh from a snapshot each time.
Diag2Picture normalGraphPicture(const GraphRingSnapshot& ring, int width, int height);

// An uploaded data set as its graph type draws it (`data` is that type's set:
// DiagnosticData::dataSet). "Control histogram" and no type draw nothing.
Diag2Picture dataSetPicture(Diag2Graph graph, const std::vector<std::int32_t>& data);

}  // namespace velk
