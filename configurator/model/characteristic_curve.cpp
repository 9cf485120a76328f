#include "model/characteristic_curve.h"

#include <algorithm>
#include <cmath>

#include "model/edit_validation.h"
#include "model/number_text.h"

namespace velk {
namespace {

constexpr CodedItem kCharacteristicItems[] = {
    {0, "Linear"}, {1, "Equal %"}, {2, "Quick open"}, {3, "Custom curve"}, {240, "Square root"}};
constexpr CodedItem kCurvePointCountItems[] = {{3, "3"}, {5, "5"}, {9, "9"}, {17, "17"}, {33, "33"}};

// ln R with R = 1.33 to the 10th power, the range ratio of the equal-percentage
// and quick-opening curves.
double lnR() { return 10 * std::log(1.33); }
// Quick open's curve starts at 1/240 of the range.
constexpr double kQuickOpenStart = 1.0 / 240;

// Input of row `index` (0-based) of `points` evenly spaced rows.
double evenlySpacedInput(int index, int points) { return points > 1 ? index * 100.0 / (points - 1) : 0.0; }

// Index i of the segment input[i]..input[i + 1] that holds x, by halving the
// index range from its middle.
int segmentFor(const CustomCurve& curve, int count, double x) {
  int index = (count - 1) / 2;
  for (int step = index / 2; step > 0; step /= 2) {
    index += x > curve.input[static_cast<std::size_t>(index)] ? step : -step;
  }
  if (x < curve.input[static_cast<std::size_t>(index)]) --index;
  // Only for counts the point-count list does not offer can the search leave the range.
  return std::clamp(index, 0, count - 2);
}

double interpolate(const CustomCurve& curve, int count, double x) {
  const auto i = static_cast<std::size_t>(segmentFor(curve, count, x));
  const double x0 = curve.input[i], x1 = curve.input[i + 1];
  const double y0 = curve.output[i], y1 = curve.output[i + 1];
  if (x1 == x0) return x < x0 ? y0 : y1;
  return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

// Whole pixels towards zero; values far off the picture are held at a
// distance any painter can clip, so the conversion is always defined.
int pixelOffset(double offset) {
  if (!std::isfinite(offset)) return 0;
  return static_cast<int>(std::trunc(std::clamp(offset, -1e6, 1e6)));
}

}  // namespace

constinit const CodedItemTable kCharacteristics{kCharacteristicItems, 240, std::nullopt};
constinit const CodedItemTable kCurvePointCounts{kCurvePointCountItems, 33, std::nullopt};

bool isCurvePointCount(int count) { return indexForCode(kCurvePointCounts, count).has_value(); }

std::string curveGroupCaption(std::string_view characteristicText) {
  return "Curve : " + std::string(characteristicText);
}

std::optional<FixedCurve> fixedCurveForIndex(int characteristicIndex) {
  switch (characteristicIndex) {
    case 0: return FixedCurve::Linear;
    case 1: return FixedCurve::EqualPercent;
    case 2: return FixedCurve::QuickOpen;
    case 4: return FixedCurve::SquareRoot;
    default: return std::nullopt;
  }
}

double fixedCurveOutput(FixedCurve curve, double x) {
  switch (curve) {
    case FixedCurve::Linear: return x;
    case FixedCurve::SquareRoot: return std::sqrt(100 * x);
    case FixedCurve::EqualPercent: {
      // R^(x/100 - 1) - 1/R, both powers taken through ln R so that x = 0
      // gives exactly 0 instead of a rounding residue.
      const double inverseR = std::exp(-lnR());
      return 100 * (std::exp((x / 100 - 1) * lnR()) - inverseR) / (1 - inverseR);
    }
    case FixedCurve::QuickOpen: {
      const double q = 1 + std::log(kQuickOpenStart) / lnR();
      return 100 * (1 + std::log(kQuickOpenStart + (1 - kQuickOpenStart) * x / 100) / lnR() - q) / (1 - q);
    }
  }
  return x;
}

std::string fixedCurveOutputText(FixedCurve curve, double x, char decimalSeparator) {
  const int digits = curve == FixedCurve::Linear ? kFullPrecisionDigits : kCurveDigits;
  return formatGeneral(fixedCurveOutput(curve, x), digits, decimalSeparator);
}

CustomCurve CustomCurve::straightLine(int count) {
  CustomCurve curve;
  curve.count = std::clamp(count, 2, kMaxCurvePoints);
  for (int i = 0; i < curve.count; ++i) {
    const auto value = static_cast<float>(evenlySpacedInput(i, curve.count));
    curve.input[static_cast<std::size_t>(i)] = value;
    curve.output[static_cast<std::size_t>(i)] = value;
  }
  return curve;
}

CustomCurve ResampleCustomCurve(const CustomCurve& curve, int newCount) {
  newCount = std::clamp(newCount, 2, kMaxCurvePoints);
  const int count = std::min(curve.count, kMaxCurvePoints);
  if (count < 2) return CustomCurve::straightLine(newCount);

  CustomCurve result = curve;  // every new point comes from the old ones
  for (int i = 0; i < newCount; ++i) {
    const double x = evenlySpacedInput(i, newCount);
    result.input[static_cast<std::size_t>(i)] = static_cast<float>(x);
    result.output[static_cast<std::size_t>(i)] = static_cast<float>(interpolate(curve, count, x));
  }
  result.count = newCount;
  return result;
}

PointCountChange pointCountChange(const CustomCurve& curve, int newCount) {
  if (newCount < curve.count) return PointCountChange::AskToReduce;
  if (newCount > curve.count) return PointCountChange::Increase;
  return PointCountChange::None;
}

std::string reducePointsQuestion(int customCount, int newCount) {
  const std::string count = std::to_string(customCount);
  const std::string n = std::to_string(newCount);
  return "You have made a custom curve with \n" + count + " points. Now you decrease the\naccuracy to " + n +
         " points. That means the\ncurve can change.\n\nYes: Decrease the accuracy to " + n +
         " points.\nNo: Cancel to an accuracy of " + count + " points.";
}

std::string curveGridRowLabel(int row) { return " " + std::to_string(row); }

CurveGrid fixedCurveGrid(FixedCurve curve, int points, char decimalSeparator) {
  CurveGrid grid;
  for (int k = 0; k < points; ++k) {
    const double x = evenlySpacedInput(k, points);
    grid.push_back({formatGeneral(x, kFullPrecisionDigits, decimalSeparator),
                    fixedCurveOutputText(curve, x, decimalSeparator)});
  }
  return grid;
}

CurveGrid customCurveGrid(const CustomCurve& curve, char decimalSeparator) {
  CurveGrid grid;
  const int count = std::clamp(curve.count, 0, kMaxCurvePoints);
  for (int i = 0; i < count; ++i) {
    const auto index = static_cast<std::size_t>(i);
    grid.push_back({formatGeneral(curve.input[index], kCurveDigits, decimalSeparator),
                    formatGeneral(curve.output[index], kCurveDigits, decimalSeparator)});
  }
  return grid;
}

CurveGrid CheckCurveGrid(CurveGrid grid, char decimalSeparator) {
  const std::size_t rows = grid.size();
  auto evenlySpacedText = [&](std::size_t row) {
    return formatGeneral(evenlySpacedInput(static_cast<int>(row), static_cast<int>(rows)), kCurveDigits,
                         decimalSeparator);
  };

  for (std::size_t row = 0; row < rows; ++row) {
    for (std::string* cell : {&grid[row].input, &grid[row].output}) {
      if (!acceptsFloatText(*cell, 0, 100, decimalSeparator, SignRule::NoSign)) *cell = evenlySpacedText(row);
    }
  }

  // Every cell is a number now; the inputs must rise (or stay) from row to row.
  auto input = [&](std::size_t row) { return *parseSingle(grid[row].input, decimalSeparator); };
  for (std::size_t row = 0; row < rows; ++row) {
    const float value = input(row);
    const float below = row > 0 ? input(row - 1) : value;
    const float above = row + 1 < rows ? input(row + 1) : value;
    if (value < below || value > above) grid[row].input = evenlySpacedText(row);
  }
  return grid;
}

void storeGridInCurve(const CurveGrid& grid, CustomCurve& curve, char decimalSeparator) {
  const std::size_t rows = std::min(grid.size(), curve.input.size());
  for (std::size_t i = 0; i < rows; ++i) {
    if (auto x = parseSingle(grid[i].input, decimalSeparator)) curve.input[i] = *x;
    if (auto y = parseSingle(grid[i].output, decimalSeparator)) curve.output[i] = *y;
  }
}

PlotPoint curvePlotPoint(double xPercent, double yPercent, int imageHeight) {
  const int originY = imageHeight - kPlotOriginAboveBottom;
  return {kPlotOriginLeft + pixelOffset(kPlotWidth * xPercent * 0.01),
          originY + pixelOffset(-kPlotHeight * yPercent * 0.01)};
}

std::vector<PlotPoint> curvePlotLine(const CurveGrid& grid, int imageHeight, char decimalSeparator) {
  std::vector<PlotPoint> line{curvePlotPoint(0, 0, imageHeight)};
  for (const auto& row : grid) {
    auto x = parseSingle(row.input, decimalSeparator);
    auto y = parseSingle(row.output, decimalSeparator);
    if (x && y) line.push_back(curvePlotPoint(*x, *y, imageHeight));
  }
  return line;
}

std::vector<PlotPoint> fixedCurveColumns(FixedCurve curve, int imageHeight) {
  std::vector<PlotPoint> pixels;
  pixels.reserve(kPlotWidth);
  for (int column = 0; column < kPlotWidth; ++column) {
    const double x = column * 100.0 / kPlotWidth;
    pixels.push_back(
        {kPlotOriginLeft + column, curvePlotPoint(x, fixedCurveOutput(curve, x), imageHeight).y});
  }
  return pixels;
}

}  // namespace velk
