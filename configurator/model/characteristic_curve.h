// Characteristic curves: the four curves built into the device, the custom
// curve of up to 33 points, the curve grid's texts and checks, and the plot
// geometry of the curve pictures.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/coded_items.h"

namespace velk {

// --- the characteristic combo box and the point-count combo box ---------------

// "Linear" 0, "Equal %" 1, "Quick open" 2, "Custom curve" 3, "Square root" 240.
// Other texts send 240; a code without an item is refused (nothing to show).
extern const CodedItemTable kCharacteristics;
inline constexpr int kCharacteristicDefaultIndex = 0;
inline constexpr int kCustomCurveIndex = 3;

// "3", "5", "9", "17", "33", each with its count as code. A count read from
// the device that is none of them is refused.
extern const CodedItemTable kCurvePointCounts;
inline constexpr int kCurvePointCountDefaultIndex = 4;
inline constexpr int kMaxCurvePoints = 33;
bool isCurvePointCount(int count);

// Caption of the curve group: "Curve : " and the characteristic's text.
std::string curveGroupCaption(std::string_view characteristicText);

// --- fixed curves -------------------------------------------------------------

// In the order of the reference picture's legend.
enum class FixedCurve { Linear, SquareRoot, EqualPercent, QuickOpen };

// The fixed curve of a characteristic combo index; nothing for the custom curve.
std::optional<FixedCurve> fixedCurveForIndex(int characteristicIndex);

// Output % for input % `x` (0..100).
double fixedCurveOutput(FixedCurve curve, double x);

// The output as the grid shows it: Linear in full precision, the others with
// 5 significant digits.
std::string fixedCurveOutputText(FixedCurve curve, double x, char decimalSeparator);

// --- custom curve ---------------------------------------------------------------

struct CustomCurve {
  int count = kMaxCurvePoints;                  // points in use: the first `count` entries
  std::array<float, kMaxCurvePoints> input{};   // %
  std::array<float, kMaxCurvePoints> output{};  // %

  // The straight line with `count` points (input = output = i * 100 / (count - 1)),
  // as the program starts with it.
  static CustomCurve straightLine(int count = kMaxCurvePoints);
};

// The custom curve with `newCount` points, evenly spaced in input, each output
// interpolated on the straight line between the stored points around it. The
// segment is found by halving the index range; a segment of zero width gives
// the output of its lower point for an input below it and of its upper point
// otherwise. Entries beyond the new count keep their values. A new count
// outside 2..33 is taken as the nearest of those; a curve with fewer than two
// points defines nothing to interpolate, so the result is the straight line.
CustomCurve ResampleCustomCurve(const CustomCurve& curve, int newCount);

// What choosing `newCount` points asks of the custom curve.
enum class PointCountChange { None, AskToReduce, Increase };
PointCountChange pointCountChange(const CustomCurve& curve, int newCount);

// The Yes/No question asked before points are reduced.
std::string reducePointsQuestion(int customCount, int newCount);

// --- the curve grid -----------------------------------------------------------

inline constexpr std::string_view kCurveInputHeader = "Input %";
inline constexpr std::string_view kCurveOutputHeader = "Output %";

// Column 0 of grid row `row` (1-based): a blank and the row number.
std::string curveGridRowLabel(int row);

// Columns 1 and 2 of grid rows 1..N.
struct CurveGridRow {
  std::string input;
  std::string output;
};
using CurveGrid = std::vector<CurveGridRow>;

// A fixed curve with `points` rows: input (k - 1) * 100 / (points - 1) in
// general format, output as fixedCurveOutputText.
CurveGrid fixedCurveGrid(FixedCurve curve, int points, char decimalSeparator);

// The custom curve's points, both columns with 5 significant digits.
CurveGrid customCurveGrid(const CustomCurve& curve, char decimalSeparator);

// The grid with every cell that is no number from 0 to 100 (digits and one
// separator, no sign, not ending with the separator), and then every input
// that does not lie between its neighbours' inputs (top to bottom, equal
// neighbours pass), replaced by the row's evenly spaced input with 5
// significant digits.
CurveGrid CheckCurveGrid(CurveGrid grid, char decimalSeparator);

// Stores each grid row (as single floats) into the curve's entry row - 1,
// as drawing does; the count is not changed. A cell that is no number leaves
// its entry.
void storeGridInCurve(const CurveGrid& grid, CustomCurve& curve, char decimalSeparator);

// --- plot geometry ------------------------------------------------------------

// The plot area is 240 x 200 pixels; (0 %, 0 %) lies 70 pixels from the left
// edge and 39 pixels above the bottom edge of the picture.
inline constexpr int kPlotOriginLeft = 70;
inline constexpr int kPlotOriginAboveBottom = 39;
inline constexpr int kPlotWidth = 240;
inline constexpr int kPlotHeight = 200;

struct PlotPoint {
  int x;
  int y;
  friend bool operator==(const PlotPoint&, const PlotPoint&) = default;
};

// Pixel of (x %, y %) in a picture `imageHeight` pixels high; each offset from
// the origin is cut to whole pixels towards zero.
PlotPoint curvePlotPoint(double xPercent, double yPercent, int imageHeight);

// The plotted curve: the origin, then every grid point in row order (rows that
// are no numbers are left out).
std::vector<PlotPoint> curvePlotLine(const CurveGrid& grid, int imageHeight, char decimalSeparator);

// The reference picture's pixels of a fixed curve, one per plot column.
std::vector<PlotPoint> fixedCurveColumns(FixedCurve curve, int imageHeight);

}  // namespace velk
