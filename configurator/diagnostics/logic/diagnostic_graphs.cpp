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

std::int32_t at(const std::vector<std::int32_t>& data, int index) {
  return index >= 0 && index < static_cast<int>(data.size()) ? data[static_cast<std::size_t>(index)] : 0;
}

// Points joined by lines in the order given.
void joinPoints(std::vector<PixelLine>& lines, const std::vector<std::pair<int, int>>& points) {
  for (std::size_t i = 1; i < points.size(); ++i)
    lines.push_back({points[i - 1].first, points[i - 1].second, points[i].first, points[i].second});
}

// A friction or pressure curve: elements 1 to 10 of the block starting at
// `first`, a star at each point and lines between them.
void addCurve(Diag2Picture& picture, const std::vector<std::int32_t>& data, int first, bool magnitude) {
  std::vector<std::pair<int, int>> points;
  for (int i = 0; i < kCurvePoints; ++i) {
    double v = at(data, first + i + 1);
    if (magnitude) v = std::fabs(v);  // as a double: the most negative integer has no positive twin
    const int x = 20 * i + 10;
    const double y = kDiag2BaseRow - v * kCurvePixelsPerUnit;
    picture.stars.push_back({x - kStarOffset, truncSaturated(y - kStarOffset), "*"});
    points.emplace_back(x, truncSaturated(y));
  }
  joinPoints(picture.curve, points);
}

void addSignature(Diag2Picture& picture, const std::vector<std::int32_t>& data, int spacing) {
  std::vector<std::pair<int, int>> points;
  for (int i = 0; i < kSignatureSamples; ++i)
    points.emplace_back(spacing * i, truncSaturated(kDiag2BaseRow - kSignaturePixelsPerUnit * at(data, i)));
  joinPoints(picture.curve, points);
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

Diag2Picture dataSetPicture(Diag2Graph graph, const std::vector<std::int32_t>& data) {
  Diag2Picture picture;
  switch (graph) {
    case Diag2Graph::FrictionOverPosition: addCurve(picture, data, 0, false); break;
    case Diag2Graph::PressureOverPosition:
      addCurve(picture, data, 0, false);
      addCurve(picture, data, kCurveBlock, true);
      break;
    case Diag2Graph::TravelHistogram:
      for (int i = 0; i < kHistogramBins; ++i) {
        const int x = std::max(0, truncSaturated(i * kHistogramSpacing) - kStarOffset);
        picture.stars.push_back(
            {x, truncSaturated(kDiag2BaseRow - at(data, i) * kHistogramPixelsPerUnit - kStarOffset), "*"});
      }
      break;
    case Diag2Graph::RampSignature: addSignature(picture, data, 2); break;
    case Diag2Graph::MultiStepSignature:
    case Diag2Graph::SmallStepSignature: addSignature(picture, data, 20); break;
    default: break;
  }
  return picture;
}

}  // namespace velk
