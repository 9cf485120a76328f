#include "diagnostics/logic/setpoint_rules.h"

#include <cmath>
#include <limits>

#include "model/engineering_units.h"
#include "model/stroke.h"

namespace velk {
namespace {

constexpr CodedItem kSetpointSourceItems[] = {{2, "Hart"}, {0, "Auto (4-20 mA)"}, {1, "Manual Q5"}};

// What a unit measures: a share of the travel (the 4-20 mA range, the 90
// degrees of a rotary actuator, percent), or a length.
enum class Measure { Percent, Milliampere, Degree, Length };

struct UnitMeasure {
  Measure measure;
  double millimetresPerUnit;  // lengths only
  double unitsPerMillimetre;
};

constexpr UnitMeasure kPercent{Measure::Percent, 0, 0};
constexpr UnitMeasure kMilliampere{Measure::Milliampere, 0, 0};
constexpr UnitMeasure kDegree{Measure::Degree, 0, 0};
constexpr UnitMeasure kMillimetre{Measure::Length, 1, 1};
constexpr UnitMeasure kCentimetre{Measure::Length, 10, 0.1};
constexpr UnitMeasure kInch{Measure::Length, kMillimetresPerInch, kInchesPerMillimetre};

// In the order of the setpoint and position unit lists.
constexpr UnitMeasure kSetpointMeasures[] = {kPercent,    kMilliampere, kMillimetre,
                                             kCentimetre, kInch,        kDegree};
constexpr UnitMeasure kPositionMeasures[] = {kPercent, kMillimetre, kCentimetre, kInch, kDegree};

double percentOfTravel(double value, Measure measure) {
  switch (measure) {
    case Measure::Milliampere: return (value - 4) * 100 / 16;
    case Measure::Degree: return 100 * value / kRotaryTravelDegrees;
    default: return value;
  }
}

double fromPercentOfTravel(double percent, Measure measure) {
  switch (measure) {
    case Measure::Milliampere: return 4 + percent * 16 / 100;
    case Measure::Degree: return kRotaryTravelDegrees * percent / 100;
    default: return percent;
  }
}

bool isStroke(double strokeMillimetres) { return strokeMillimetres > 0 && std::isfinite(strokeMillimetres); }

constexpr int kPercentIndex = 0;

constexpr int kSetpointSelectorItem = 1;

}  // namespace

constinit const CodedItemTable kSetpointSources{kSetpointSourceItems, kSetpointSourceHart, std::nullopt};

std::optional<double> setpointInPositionUnit(double value, int setpointUnitIndex, int positionUnitIndex,
                                             double strokeMillimetres) {
  if (setpointUnitIndex < 0 || setpointUnitIndex >= static_cast<int>(std::size(kSetpointMeasures)) ||
      positionUnitIndex < 0 || positionUnitIndex >= static_cast<int>(std::size(kPositionMeasures))) {
    return std::nullopt;
  }
  if (unitName(UnitKind::Setpoint, setpointUnitIndex) == unitName(UnitKind::Position, positionUnitIndex)) {
    return value;
  }
  const UnitMeasure from = kSetpointMeasures[setpointUnitIndex];
  const UnitMeasure to = kPositionMeasures[positionUnitIndex];
  const bool fromLength = from.measure == Measure::Length;
  const bool toLength = to.measure == Measure::Length;
  if (fromLength && toLength) return value * from.millimetresPerUnit * to.unitsPerMillimetre;
  if (!fromLength && !toLength) return fromPercentOfTravel(percentOfTravel(value, from.measure), to.measure);

  if (!isStroke(strokeMillimetres)) return std::nullopt;
  if (fromLength) {
    const double percent = 100 * value * from.millimetresPerUnit / strokeMillimetres;
    return fromPercentOfTravel(percent, to.measure);
  }
  const double millimetres = strokeMillimetres * percentOfTravel(value, from.measure) / 100;
  return millimetres * to.unitsPerMillimetre;
}

std::optional<double> setpointPercent(double value, int setpointUnitIndex, double strokeMillimetres) {
  return setpointInPositionUnit(value, setpointUnitIndex, kPercentIndex, strokeMillimetres);
}

std::optional<double> setpointFromPercent(double percent, int setpointUnitIndex, double strokeMillimetres) {
  if (setpointUnitIndex < 0 || setpointUnitIndex >= static_cast<int>(std::size(kSetpointMeasures)))
    return std::nullopt;
  const UnitMeasure to = kSetpointMeasures[setpointUnitIndex];
  if (to.measure != Measure::Length) return fromPercentOfTravel(percent, to.measure);
  if (!isStroke(strokeMillimetres)) return std::nullopt;
  return strokeMillimetres * percent / 100 * to.unitsPerMillimetre;
}

FloatEditBounds setpointBounds(int setpointUnitIndex, double strokeMillimetres) {
  const auto closed = setpointFromPercent(0, setpointUnitIndex, strokeMillimetres);
  const auto open = setpointFromPercent(100, setpointUnitIndex, strokeMillimetres);
  if (closed && open) return {*closed, *open, *closed};
  // A length without a stroke: only the sign is known.
  return {0, std::numeric_limits<float>::max(), 0};
}

std::optional<double> stepUp(double currentPercent) {
  if (!(currentPercent <= 75)) return std::nullopt;
  return std::trunc(currentPercent) + 25;
}

std::optional<double> stepDown(double currentPercent) {
  if (!(currentPercent >= 25)) return std::nullopt;
  return std::trunc(currentPercent) - 25;
}

RampStep nextRampStep(double value, bool rampDown) {
  if (!rampDown) {
    value += 2;
    if (value > 100) return {100, true};
    return {value, false};
  }
  value -= 2;
  if (value < 0) return {0, false};
  return {value, true};
}

std::optional<int> setpointSlotInCommand3(const std::array<int, 3>& selectorItems) {
  for (std::size_t i = 0; i < selectorItems.size(); ++i) {
    if (selectorItems[i] == kSetpointSelectorItem) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

}  // namespace velk
