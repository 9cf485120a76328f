#include "model/stroke.h"

#include <algorithm>
#include <cmath>

#include "model/engineering_units.h"
#include "model/number_text.h"

namespace velk {

namespace {

constexpr FloatEditBounds kStrokeMillimetreBounds{5, 157, 50};
constexpr FloatEditBounds kStrokeInchBounds{0.197, 6.18, 1.97};

}  // namespace

std::string_view strokeUnitLabel(StrokeUnit unit) { return unit == StrokeUnit::Inch ? "inch" : "mm"; }

StrokeUnit strokeUnitFromLabel(std::string_view label) {
  return label == "inch" ? StrokeUnit::Inch : StrokeUnit::Millimetre;
}

StrokeUnit strokeUnitForPosition(int positionUnitIndex) {
  return positionUnitIndex == kPositionInchIndex ? StrokeUnit::Inch : StrokeUnit::Millimetre;
}

FloatEditBounds strokeBounds(StrokeUnit unit) {
  return unit == StrokeUnit::Inch ? kStrokeInchBounds : kStrokeMillimetreBounds;
}

std::string strokeText(int millimetres, StrokeUnit unit, char decimalSeparator) {
  if (unit == StrokeUnit::Inch) {
    return formatGeneral(millimetres * kInchesPerMillimetre, kReadValueDigits, decimalSeparator);
  }
  return std::to_string(millimetres);
}

StrokeField followPositionUnit(const StrokeField& field, int positionUnitIndex,
                               std::optional<int> millimetresReadThisPass, char decimalSeparator) {
  const StrokeUnit target = strokeUnitForPosition(positionUnitIndex);
  if (millimetresReadThisPass) {
    return {strokeText(*millimetresReadThisPass, target, decimalSeparator), target};
  }
  if (field.unit == target) return field;
  auto value = parseDecimal(field.text, decimalSeparator);
  if (!value) return {field.text, target};
  const double factor = target == StrokeUnit::Inch ? kInchesPerMillimetre : kMillimetresPerInch;
  return {formatGeneral(*value * factor, kReadValueDigits, decimalSeparator), target};
}

std::optional<double> strokeMillimetres(const StrokeField& field, char decimalSeparator) {
  auto value = parseDecimal(field.text, decimalSeparator);
  if (!value) return std::nullopt;
  return field.unit == StrokeUnit::Inch ? *value * kMillimetresPerInch : *value;
}

std::optional<std::uint8_t> strokeByteToSend(const StrokeField& field, char decimalSeparator) {
  auto mm = strokeMillimetres(field, decimalSeparator);
  if (!mm) return std::nullopt;
  return static_cast<std::uint8_t>(std::clamp(std::round(*mm), 0.0, 255.0));
}

}  // namespace velk
