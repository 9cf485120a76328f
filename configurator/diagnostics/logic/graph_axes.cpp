#include "diagnostics/logic/graph_axes.h"

#include <algorithm>
#include <cmath>

namespace velk {
namespace {

constexpr int kValueTickSpacing = 20;
constexpr int kTimeTickSpacing = 30;
constexpr double kHundredthsPerSample = 50;  // one sample is 0.5 s
constexpr int kValueDigitWidth = 6;
constexpr int kTimeCharacterWidth = 8;
constexpr int kTimeTextTop = 6;

struct ValueScale {
  double start;  // hundredths at the bottom tick
  double step;   // hundredths per tick
  int span;      // pixels from the bottom tick to the top one
};

ValueScale valueScale(ValueAxisGraph kind, const GraphView& view) {
  switch (kind) {
    case ValueAxisGraph::Live:
      return {(view.YOffset - 400.0) * 100 / view.YScale, kValueTickSpacing * 100.0 / view.YScale, 400};
    case ValueAxisGraph::Diag2: return {0, 1000, 200};
    case ValueAxisGraph::Trend: break;
  }
  return {0, 50, 400};
}

}  // namespace

AxisLabel axisLabel(double hundredths) {
  // Rounded on the magnitude, so that -2.5 reads "-2.5" and not "-2.4" or "-2.-4".
  const double magnitude = std::isnan(hundredths) ? 0.0 : std::min(std::fabs(hundredths) + 5, 1e17);
  const auto rounded = static_cast<long long>(magnitude);
  const long long tenths = rounded / 10;
  const bool minus = hundredths < 0 && tenths != 0;
  AxisLabel label;
  label.whole = (minus ? "-" : "") + std::to_string(rounded / 100);
  const long long tenthDigit = tenths % 10;
  if (tenthDigit == 0) {
    label.characters = static_cast<int>(label.whole.size());
  } else {
    label.tenth = std::to_string(tenthDigit);
    // All digits of the tenths, with the leading 0 of a value below 1.
    label.characters =
        static_cast<int>(std::to_string(tenths).size()) + (tenths < 10 ? 1 : 0) + (minus ? 1 : 0);
  }
  return label;
}

AxisDrawing layOutValueAxis(ValueAxisGraph kind, const GraphView& view, const BoxGeometry& axis,
                            const BoxGeometry& graph) {
  const ValueScale scale = valueScale(kind, view);
  const int width = axis.width;
  const int top = graph.top - axis.top + 5;

  AxisDrawing drawing;
  double value = scale.start;
  for (int y = top + scale.span; y >= top; y -= kValueTickSpacing, value += scale.step) {
    drawing.lines.push_back({width - 5, y, width - 1, y});
    const AxisLabel label = axisLabel(value);
    const bool hasTenth = !label.tenth.empty();
    drawing.texts.push_back(
        {width - 10 - kValueDigitWidth * label.characters + (hasTenth ? 0 : 2), y - 6, label.whole});
    if (hasTenth) {
      drawing.texts.push_back({width - 14, y - 6, label.tenth});
      drawing.lines.push_back({width - 15, y + 4, width - 14, y + 4});
    }
  }
  drawing.lines.push_back({width - 2, top, width - 2, top + graph.height});
  return drawing;
}

AxisDrawing layOutTimeAxis(const GraphView& view, const BoxGeometry& axis, const BoxGeometry& graph) {
  const int origin = graph.left - axis.left;
  const double step = kTimeTickSpacing * kHundredthsPerSample / view.XScale;

  AxisDrawing drawing;
  double value = view.XOffset * kHundredthsPerSample / view.XScale;
  for (int x = origin; x < origin + graph.width; x += kTimeTickSpacing, value += step) {
    drawing.lines.push_back({x, 1, x, 5});
    const AxisLabel label = axisLabel(value);
    drawing.texts.push_back({x - label.characters * kTimeCharacterWidth / 2, kTimeTextTop, label.whole});
    if (!label.tenth.empty()) {
      const bool wide = label.characters > 2;
      drawing.texts.push_back({wide ? x + 1 : x - 1, kTimeTextTop, "."});
      drawing.texts.push_back({wide ? x + 3 : x + 1, kTimeTextTop, label.tenth});
    }
  }
  drawing.lines.push_back({origin, 1, origin + graph.width, 1});
  return drawing;
}

}  // namespace velk
