#include "model/graph_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/number_text.h"

namespace velk {
namespace {

constexpr double kPixelLimit = 1e6;
constexpr double kSecondsPerSample = 0.5;
// The selection is stretched to these sizes plus 10 %.
constexpr double kZoomWidth = 500;
constexpr double kZoomHeight = 400;
constexpr double kZoomMargin = 1.1;

// Truncation towards zero that is defined for every double.
int saturatingTrunc(double value, double limit) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::trunc(std::clamp(value, -limit, limit)));
}

int toPixel(double value) { return saturatingTrunc(value, kPixelLimit); }

int snapDown(int value) { return value / kGridCell * kGridCell; }

}  // namespace

int truncSaturated(double value) {
  return saturatingTrunc(value, static_cast<double>(std::numeric_limits<int>::max()));
}

GraphView defaultGraphView(bool scale4092) {
  GraphView view;
  view.Scale4092 = scale4092;
  view.YScale = scale4092 ? k4092YScale : kDefaultYScale;
  return view;
}

GraphView ZoomBack(const GraphView& view) { return defaultGraphView(view.Scale4092); }

int sampleX(double i, const GraphView& view) { return toPixel(i * view.XScale); }

int valueY(double v, const GraphView& view) {
  return toPixel((static_cast<double>(view.YOffset) + kGridRowOffset) - view.YScale * v);
}

std::string graphCoordinateText(int x, int y, const GraphView& view, char decimalSeparator) {
  const double seconds = (static_cast<double>(view.XOffset) + x) * kSecondsPerSample / view.XScale;
  const double value = (static_cast<double>(view.YOffset) - y + kGridRowOffset) / view.YScale;
  return "X:" + formatFixed(seconds, 2, decimalSeparator) + "  Y:" + formatFixed(value, 2, decimalSeparator);
}

void startZoomSelection(ZoomSelection& s, int x, int y) {
  s.ZoomAnchorX = s.ZoomMouseX = x;
  s.ZoomAnchorY = s.ZoomMouseY = y;
  s.ZoomTop = snapDown(y - kGridRowOffset);
  s.ZoomLeft = snapDown(x);
  s.ZoomBottom = s.ZoomTop + kGridCell;
  s.ZoomRight = s.ZoomLeft + kGridCell;
  s.ZoomSelecting = true;
}

void dragZoomSelection(ZoomSelection& s, int x, int y, int graphWidth, int graphHeight) {
  s.ZoomMouseX = x;
  s.ZoomMouseY = y;

  // The moving edges go to the grid line beyond the pointer, away from the fixed edges.
  s.ZoomRight = s.ZoomLeft < x ? snapDown(x + 9) : snapDown(x - 1);
  s.ZoomBottom = s.ZoomTop < y - kGridRowOffset ? snapDown(y + 10 - 6) : snapDown(y - 6);

  // Once the pointer has crossed the anchor, the fixed edges move to the far
  // side of the anchor's cell so that the cell stays inside the frame.
  const int anchorLeft = snapDown(s.ZoomAnchorX);
  const int anchorTop = snapDown(s.ZoomAnchorY - kGridRowOffset);
  if (s.ZoomRight < s.ZoomLeft) s.ZoomLeft = anchorLeft + kGridCell;
  if (s.ZoomBottom < s.ZoomTop) s.ZoomTop = anchorTop + kGridCell;
  if (s.ZoomLeft < s.ZoomRight) s.ZoomLeft = anchorLeft;
  if (s.ZoomTop < s.ZoomBottom) s.ZoomTop = anchorTop;

  if (s.ZoomSelecting) {
    // Below the graph: the row after its last grid row (410 on a 408-pixel graph).
    if (y >= graphHeight) s.ZoomBottom = snapDown(graphHeight - kGridRowOffset) + kGridCell;
    if (y < 0) s.ZoomBottom = -kGridCell;
    if (x < 0) s.ZoomRight = 0;
    if (x >= graphWidth) s.ZoomRight = snapDown(graphWidth);
  }
}

PixelRect zoomFrame(const ZoomSelection& s) {
  return {std::min(s.ZoomLeft, s.ZoomRight), std::min(s.ZoomTop, s.ZoomBottom) + kGridRowOffset,
          std::max(s.ZoomLeft, s.ZoomRight) + 1, std::max(s.ZoomTop, s.ZoomBottom) + kGridRowOffset + 1};
}

bool zoomMenuWanted(const ZoomSelection& s) { return s.ZoomRight != s.ZoomLeft && s.ZoomBottom != s.ZoomTop; }

GraphView zoomedView(const GraphView& view, const ZoomSelection& s) {
  const int left = std::min(s.ZoomLeft, s.ZoomRight);
  const int right = std::max(s.ZoomLeft, s.ZoomRight);
  const int top = std::min(s.ZoomTop, s.ZoomBottom);
  const int bottom = std::max(s.ZoomTop, s.ZoomBottom);
  if (right == left || bottom == top) return view;

  const double oldX = view.XScale;
  const double oldY = view.YScale;
  const double newX = oldX * kZoomWidth * kZoomMargin / (right - left);
  const double newY = oldY * kZoomHeight * kZoomMargin / (bottom - top);
  if (!(newX <= kMaxGraphScale && newY <= kMaxGraphScale)) return view;

  GraphView zoomed = view;
  zoomed.XScale = static_cast<float>(newX);
  zoomed.YScale = static_cast<float>(newY);
  zoomed.XOffset = truncSaturated((static_cast<double>(view.XOffset) + left) * zoomed.XScale / oldX);
  zoomed.YOffset =
      truncSaturated((static_cast<double>(view.YOffset) - bottom) * zoomed.YScale / oldY + kDefaultYOffset);
  return zoomed;
}

}  // namespace velk
