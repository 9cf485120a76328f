#include "diagnostics/logic/diagnostic_graphs.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "diagnostics/logic/graph_drawing.h"

namespace velk {
namespace {

constexpr int kIndexTickSpacing = 20;
constexpr int kIndexCharacterWidth = 8;
constexpr int kIndexTextTop = 6;

// "Normal graph": 3 pixels a sample, 2 pixels a unit.
constexpr int kNormalPixelsPerSample = 3;
constexpr double kNormalPixelsPerUnit = 2.0;
// Friction and pressure curves: one pixel per 75 units, a point every 20 pixels.
constexpr double kCurvePixelsPerUnit = 0.013333333;
constexpr int kCurvePoints = 10;
constexpr int kCurveBlock = 11;  // element 0 of a block is not drawn
constexpr double kHistogramPixelsPerUnit = 0.2;
constexpr double kHistogramSpacing = 13.333333;
constexpr int kHistogramBins = 16;
constexpr double kSignaturePixelsPerUnit = 50.0;
constexpr int kSignatureSamples = 100;
constexpr int kStarOffset = 4;  // a star's corner lies this far up and left of its point

// Points joined by lines where both ends are there.
void joinPoints(std::vector<PixelLine>& lines, const std::vector<std::optional<std::pair<int, int>>>& points) {
  for (std::size_t i = 1; i < points.size(); ++i)
    if (points[i - 1] && points[i])
      lines.push_back({points[i - 1]->first, points[i - 1]->second, points[i]->first, points[i]->second});
}

// `count` values of `data` from `first`, as far as it holds them.
std::vector<std::optional<double>> pointsOf(const StoredValues& data, int first, int count, bool magnitude) {
  std::vector<std::optional<double>> points;
  for (int i = first; i < first + count && i < static_cast<int>(data.size()); ++i) {
    const auto& value = data[static_cast<std::size_t>(i)];
    if (!value) {
      points.emplace_back();
      continue;
    }
    // As a double: the most negative integer has no positive twin.
    const double v = *value;
    points.emplace_back(magnitude ? std::fabs(v) : v);
  }
  return points;
}

int normalGraphRow(float value) { return truncSaturated(kDiag2BaseRow - kNormalPixelsPerUnit * value); }

}  // namespace

std::vector<PixelLine> barChartLines(int width, const std::vector<float>& values, int barWidth,
                                     float pixelsPerUnit) {
  std::vector<PixelLine> lines;
  if (barWidth <= 0) return lines;
  const int count = static_cast<int>(values.size());
  int shown = width / barWidth;
  int first = count - shown;
  if (first < 0) {
    shown = count;
    first = 0;
  }
  for (int i = 0; i < shown; ++i) {
    const float value = values[static_cast<std::size_t>(first + i)];
    const int top = truncSaturated(kBarBaseRow - static_cast<double>(pixelsPerUnit) * value - 1);
    for (int k = 0; k < barWidth; ++k)
      lines.push_back({barWidth * i + k, kBarBaseRow, barWidth * i + k, top});
  }
  return lines;
}

AxisDrawing layOutIndexAxis(int origin, int firstTick, int width, int labelStep) {
  AxisDrawing drawing;
  int label = 0;
  for (int x = firstTick; x < firstTick + width; x += kIndexTickSpacing, label += labelStep) {
    drawing.lines.push_back({x, 1, x, 5});
    const std::string text = std::to_string(label);
    drawing.texts.push_back(
        {x - static_cast<int>(text.size()) * kIndexCharacterWidth / 2, kIndexTextTop, text});
  }
  drawing.lines.push_back({origin, 1, origin + width, 1});
  return drawing;
}

int diag2AxisLabelStep(Diag2Graph graph) {
  switch (graph) {
    case Diag2Graph::FrictionOverPosition:
    case Diag2Graph::PressureOverPosition:
    case Diag2Graph::TravelHistogram: return 10;
    case Diag2Graph::ControlHistogram: return 1;
    default: return 2;
  }
}

Diag2Picture normalGraphPicture(const GraphRingSnapshot& ring, int width, int height) {
  Diag2Picture picture;
  picture.grid = graphGridLines(width, height);
  int count = width / kNormalPixelsPerSample;
  int start = ring.GraphIndex - count - 1;
  if (start < 0) {
    if (ring.GraphWrapped) {
      start += kGraphRingSize;
    } else {
      start = 0;
      count = ring.GraphIndex - 1;
    }
  }
  for (int i = 0; i < count; ++i) {
    const GraphSample& from = ring.at(start + i);
    const GraphSample& to = ring.at(start + i + 1);
    const int x = kNormalPixelsPerSample * i;
    if (std::isfinite(from.setpoint) && std::isfinite(to.setpoint))
      picture.setpoint.push_back(
          {x, normalGraphRow(from.setpoint), x + kNormalPixelsPerSample, normalGraphRow(to.setpoint)});
    if (std::isfinite(from.position) && std::isfinite(to.position))
      picture.curve.push_back(
          {x, normalGraphRow(from.position), x + kNormalPixelsPerSample, normalGraphRow(to.position)});
  }
  return picture;
}

Diag2Graph diag2GraphNamed(const QString& name) {
  for (std::size_t i = 0; i < kDiag2GraphNames.size(); ++i)
    if (name == QLatin1String(kDiag2GraphNames[i])) return static_cast<Diag2Graph>(i);
  return Diag2Graph::None;
}

std::vector<std::vector<std::optional<double>>> drawnCurves(Diag2Graph graph, const StoredValues& data) {
  switch (graph) {
    case Diag2Graph::FrictionOverPosition: return {pointsOf(data, 1, kCurvePoints, false)};
    case Diag2Graph::PressureOverPosition:
      return {pointsOf(data, 1, kCurvePoints, false), pointsOf(data, kCurveBlock + 1, kCurvePoints, true)};
    case Diag2Graph::TravelHistogram: return {pointsOf(data, 0, kHistogramBins, false)};
    case Diag2Graph::RampSignature:
    case Diag2Graph::MultiStepSignature:
    case Diag2Graph::SmallStepSignature: return {pointsOf(data, 0, kSignatureSamples, false)};
    default: return {};
  }
}

Diag2Picture dataSetPicture(Diag2Graph graph, const std::vector<std::int32_t>& data) {
  return dataSetPicture(graph, StoredValues(data.begin(), data.end()));
}

Diag2Picture dataSetPicture(Diag2Graph graph, const StoredValues& data) {
  Diag2Picture picture;
  for (const auto& curve : drawnCurves(graph, data)) {
    std::vector<std::optional<std::pair<int, int>>> points;
    for (std::size_t n = 0; n < curve.size(); ++n) {
      const int i = static_cast<int>(n);
      if (!curve[n]) {
        points.emplace_back();
        continue;
      }
      const double v = *curve[n];
      switch (graph) {
        case Diag2Graph::FrictionOverPosition:
        case Diag2Graph::PressureOverPosition: {
          // A point every 20 pixels with a star on it.
          const int x = 20 * i + 10;
          const double y = kDiag2BaseRow - v * kCurvePixelsPerUnit;
          picture.stars.push_back({x - kStarOffset, truncSaturated(y - kStarOffset), "*"});
          points.emplace_back(std::pair{x, truncSaturated(y)});
          break;
        }
        case Diag2Graph::TravelHistogram: {
          // Stars only.
          const int x = std::max(0, truncSaturated(i * kHistogramSpacing) - kStarOffset);
          picture.stars.push_back({x, truncSaturated(kDiag2BaseRow - v * kHistogramPixelsPerUnit - kStarOffset), "*"});
          break;
        }
        default: {
          const int spacing = graph == Diag2Graph::RampSignature ? 2 : 20;
          points.emplace_back(std::pair{spacing * i, truncSaturated(kDiag2BaseRow - kSignaturePixelsPerUnit * v)});
        }
      }
    }
    joinPoints(picture.curve, points);
  }
  return picture;
}

}  // namespace velk
