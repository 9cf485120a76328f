// What the TRENDS bar charts and the DIAG 2 graph paint, as pixel lines and
// texts for a painter to draw, and their index axes.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
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

// The selector's texts, in its order: also the title of an upload's record.
inline constexpr std::array<const char*, 8> kDiag2GraphNames = {
    "Normal graph",      "Friction over position", "Pressure over position", "Travel histogram",
    "Control histogram", "Ramp signature",         "Multi step signature",   "Small step signature"};
// The graph type of a selector text; None for any other.
Diag2Graph diag2GraphNamed(const QString& name);

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

// A data set's values as stored: none where its block failed. Curves stop
// where the values stop.
using StoredValues = std::vector<std::optional<std::int32_t>>;

// The values a graph type draws, curve by curve, point by point, as drawn
// (the pressure's second curve at its magnitude): each curve as many points
// as `data` holds of it; none where the value's block failed.
std::vector<std::vector<std::optional<double>>> drawnCurves(Diag2Graph graph, const StoredValues& data);

// The same picture of stored values: a failed point and the lines to it are
// left out, and a curve ends where its values end (never filled in).
Diag2Picture dataSetPicture(Diag2Graph graph, const StoredValues& data);

}  // namespace velk
