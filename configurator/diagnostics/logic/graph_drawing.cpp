#include "diagnostics/logic/graph_drawing.h"

#include <algorithm>
#include <cmath>

namespace velk {
namespace {

int visibleSteps(const GraphView& view, int graphWidth) {
  return truncSaturated(std::ceil(graphWidth / static_cast<double>(view.XScale)));
}

// Visible position of the last of `available` samples once scrolled by XOffset.
int newestVisible(int available, const GraphView& view) {
  return truncSaturated(available - view.XOffset / static_cast<double>(view.XScale));
}

// The line joining the values at visible positions i and i + 1, if both are numbers.
void addSegment(std::vector<PixelLine>& lines, int i, double from, double to, const GraphView& view) {
  if (!std::isfinite(from) || !std::isfinite(to)) return;
  lines.push_back({sampleX(i, view), valueY(from, view), sampleX(i + 1.0, view), valueY(to, view)});
}

float valueOf(const GraphSample& sample, GraphCurve curve) {
  return curve == GraphCurve::Setpoint ? sample.setpoint : sample.position;
}

}  // namespace

std::vector<PixelLine> graphGridLines(int width, int height) {
  std::vector<PixelLine> lines;
  for (int y = kGridRowOffset; y - kGridRowOffset < height; y += kGridCell) lines.push_back({0, y, width, y});
  for (int x = 0; x < width; x += kGridCell) lines.push_back({x, 0, x, height});
  return lines;
}

LiveGraphWindow liveGraphWindow(const GraphRingSnapshot& ring, const GraphView& view, int graphWidth) {
  LiveGraphWindow window{};
  window.visibleSteps = visibleSteps(view, graphWidth);
  window.available = availableSteps(ring, graphWidth);
  window.newest = newestVisible(window.available, view);
  window.segments = window.newest < 0 ? 0 : std::min(window.visibleSteps, window.newest);
  window.first = ring.GraphIndex - 1 - window.newest;
  if (window.first < 0 && ring.GraphWrapped) window.first += kGraphRingSize;
  return window;
}

std::vector<PixelLine> liveCurveLines(const GraphRingSnapshot& ring, const GraphView& view, int graphWidth,
                                      GraphCurve curve) {
  const LiveGraphWindow window = liveGraphWindow(ring, view, graphWidth);
  std::vector<PixelLine> lines;
  for (int i = 0; i < window.segments; ++i) {
    const int p = window.first + i;
    // Before the ring has wrapped there is nothing older than slot 0.
    if (p < 0 && !ring.GraphWrapped) continue;
    addSegment(lines, i, valueOf(ring.at(p), curve), valueOf(ring.at(p + 1), curve), view);
  }
  return lines;
}

ComparisonRange comparisonRange(const std::array<ComparisonSet, 2>& sets, const GraphView& view,
                                int graphWidth) {
  const int last = std::max(std::max(sets[0].count, sets[1].count) - 1, 0);
  const int newest = newestVisible(last, view);
  if (newest < 0) return {0, 0};
  return {last - newest, std::min(visibleSteps(view, graphWidth), newest)};
}

std::vector<PixelLine> comparisonCurveLines(const ComparisonSet& set, GraphCurve curve,
                                            const ComparisonRange& range, const GraphView& view) {
  const auto& values = curve == GraphCurve::Setpoint ? set.setpoint : set.position;
  const int count = std::min(set.count, kComparisonSetSize);
  std::vector<PixelLine> lines;
  for (int i = 0; i < range.segments; ++i) {
    const int p = range.first + i;
    if (p < 0 || p + 1 >= count) continue;
    addSegment(lines, i, values[static_cast<std::size_t>(p)], values[static_cast<std::size_t>(p + 1)], view);
  }
  return lines;
}

}  // namespace velk
