// What the live graph paints, as pixel lines for a painter to draw: the grid,
// the live curves from a ring snapshot and the two comparison sets.
#pragma once

#include <array>
#include <vector>

#include "diagnostics/logic/graph_file.h"
#include "model/graph_sample_ring.h"
#include "model/graph_view.h"

namespace velk {

enum class GraphCurve { Setpoint, Position };

// The grid: rows at y = 5, 15, ... across the width and columns at
// x = 0, 10, ... down the height.
std::vector<PixelLine> graphGridLines(int width, int height);

// Which ring samples the live graph shows.
struct LiveGraphWindow {
  int visibleSteps;  // sample steps that fit the width at the current scale
  int available;     // samples the graph may show: 168, or fewer before the ring holds that many
  int newest;        // visible position of the newest sample shown; negative: scrolled past all samples
  int segments;      // lines to draw per curve
  int first;         // ring slot of the sample at the left edge
};
LiveGraphWindow liveGraphWindow(const GraphRingSnapshot& ring, const GraphView& view, int graphWidth);

// One curve of the live graph, oldest segment first; the newest sample ends
// the last segment. Segments with a sample that is not a finite number are
// left out.
std::vector<PixelLine> liveCurveLines(const GraphRingSnapshot& ring, const GraphView& view, int graphWidth,
                                      GraphCurve curve);

// Which points of the comparison sets are drawn: both sets start at the left
// edge with their first point and share one range, set by the longer one.
struct ComparisonRange {
  int first;     // point at the left edge
  int segments;  // lines to draw per curve at most
};
ComparisonRange comparisonRange(const std::array<ComparisonSet, 2>& sets, const GraphView& view,
                                int graphWidth);

// One curve of one set within the range; a set ends where its points end.
std::vector<PixelLine> comparisonCurveLines(const ComparisonSet& set, GraphCurve curve,
                                            const ComparisonRange& range, const GraphView& view);

}  // namespace velk
