#include "setup_rules.h"

#include <algorithm>
#include <cmath>

#include "engineering_units.h"
#include "number_text.h"

namespace velk {
namespace {

constexpr CodedItem kActuatorTypeItems[] = {{0, "Rotating"}, {1, "Linear"}};
constexpr CodedItem kActuatorSizeItems[] = {{0, "Small"}, {1, "Medium"}, {2, "Large"}, {3, "Texas-size"}};
constexpr CodedItem kActuatorFunctionItems[] = {{1, "Single act"}, {0, "Double act"}};
constexpr CodedItem kDirectionItems[] = {{0, "Direct"}, {1, "Reverse"}};
constexpr CodedItem kTravelControlItems[] = {{0, "Free"}, {1, "Cutoff"}, {2, "Limited"}};

constexpr FloatEditBounds kStrokeMillimetreBounds{5, 157, 50};
constexpr FloatEditBounds kStrokeInchBounds{0.197, 6.18, 1.97};

}  // namespace

constinit const CodedItemTable kActuatorTypes{kActuatorTypeItems, 0, std::nullopt};
constinit const CodedItemTable kActuatorSizes{kActuatorSizeItems, 3, std::nullopt};
constinit const CodedItemTable kActuatorFunctions{kActuatorFunctionItems, 0, 1};
constinit const CodedItemTable kDirections{kDirectionItems, 0, std::nullopt};
constinit const CodedItemTable kTravelControls{kTravelControlItems, 2, std::nullopt};

std::string_view strokeUnitLabel(StrokeUnit unit) {
    return unit == StrokeUnit::Inch ? "inch" : "mm";
}

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
