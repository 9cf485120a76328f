#include "diagnostics/logic/setpoint_rules.h"

#include <cmath>

#include "model/engineering_units.h"
#include "model/number_text.h"
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
  return measure == Measure::Degree ? kRotaryTravelDegrees * percent / 100 : percent;
}

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

  if (!(strokeMillimetres > 0) || !std::isfinite(strokeMillimetres)) return std::nullopt;
  if (fromLength) {
    const double percent = 100 * value * from.millimetresPerUnit / strokeMillimetres;
    return fromPercentOfTravel(percent, to.measure);
  }
  const double millimetres = strokeMillimetres * percentOfTravel(value, from.measure) / 100;
  return millimetres * to.unitsPerMillimetre;
}

bool setpointSendConverts(int setpointUnitIndex) {
  return setpointUnitIndex == kSetpointMilliampereIndex || setpointUnitIndex == kSetpointDegreeIndex;
}

double setpointToSend(double typed, int setpointUnitIndex) {
  if (setpointUnitIndex == kSetpointMilliampereIndex) return (typed - 4) * 6.25;
  if (setpointUnitIndex == kSetpointDegreeIndex) return typed * 100 / kRotaryTravelDegrees;
  return typed;
}

std::optional<std::string> stepUpText(double currentSetpoint, char decimalSeparator) {
  if (!(currentSetpoint <= 75)) return std::nullopt;
  return formatGeneral(std::trunc(currentSetpoint) + 25, kFullPrecisionDigits, decimalSeparator);
}

std::optional<std::string> stepDownText(double currentSetpoint, char decimalSeparator) {
  if (!(currentSetpoint >= 25)) return std::nullopt;
  return formatGeneral(std::trunc(currentSetpoint) - 25, kFullPrecisionDigits, decimalSeparator);
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
