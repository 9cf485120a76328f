// Rules of the SETUP page: its item codes, the bounds of its fields and the
// stroke, which the device holds in whole millimetres while the field shows
// it in millimetres or inches.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "coded_items.h"
#include "edit_validation.h"

namespace velk {

// --- item codes ---------------------------------------------------------------
// Combo items in index order with their device codes. A read of an unknown code
// leaves the combo box alone, except the actuator function, where every code
// other than 1 reads as "Double act".
extern const CodedItemTable kActuatorTypes;      // 0 "Rotating", 1 "Linear"; other texts send 0
extern const CodedItemTable kActuatorSizes;      // 0 "Small" .. 3 "Texas-size"; other texts send 3
extern const CodedItemTable kActuatorFunctions;  // 1 "Single act", 0 "Double act"; other texts send 0
extern const CodedItemTable kDirections;         // 0 "Direct", 1 "Reverse" (radio item index = code)
extern const CodedItemTable kTravelControls;     // 0 "Free", 1 "Cutoff", 2 "Limited"; other texts send 2

// Default indices of the page's combo boxes for ValidateComboText.
inline constexpr int kActuatorTypeDefaultIndex = 0;
inline constexpr int kActuatorSizeDefaultIndex = 1;
inline constexpr int kActuatorFunctionDefaultIndex = 0;
inline constexpr int kTravelControlDefaultIndex = 1;

// --- field bounds ---------------------------------------------------------------
inline constexpr FloatEditBounds kCurrentRangeMinBounds{4, 20, 4};
inline constexpr FloatEditBounds kCurrentRangeMaxBounds{4, 20, 20};
inline constexpr FloatEditBounds kTravelRangeMinBounds{0, 90, 0};
inline constexpr FloatEditBounds kTravelRangeMaxBounds{10, 100, 100};
inline constexpr FloatEditBounds kCutoffLowBounds{-20, 120, 0};
inline constexpr FloatEditBounds kCutoffHighBounds{-20, 120, 100};
inline constexpr FloatEditBounds kLimitedLowBounds{-20, 120, 0};
inline constexpr FloatEditBounds kLimitedHighBounds{-20, 120, 100};

// Unit code the travel range is always sent with (percent).
inline constexpr int kTravelRangeUnitCode = 57;

// --- stroke ---------------------------------------------------------------------
enum class StrokeUnit { Millimetre, Inch };

inline constexpr double kMillimetresPerInch = 25.4;
inline constexpr double kInchesPerMillimetre = 0.039370078740157;

// Label text of a stroke unit: "mm" or "inch".
std::string_view strokeUnitLabel(StrokeUnit unit);

// The unit a stroke label names: "inch" is inches, every other text millimetres.
StrokeUnit strokeUnitFromLabel(std::string_view label);

// The unit the stroke is shown in for the device's position unit: inches for
// the position unit inch (index 3), else millimetres.
StrokeUnit strokeUnitForPosition(int positionUnitIndex);

// Bounds of the stroke field in each unit: 5..157 mm (default 50), or
// 0.197..6.18 inch (default 1.97), the millimetre bounds as the field shows
// them in inches, so that every stroke the device can hold passes.
FloatEditBounds strokeBounds(StrokeUnit unit);

// The stroke field: its text and the unit its label names.
struct StrokeField {
    std::string text;
    StrokeUnit unit = StrokeUnit::Millimetre;
};

// A stroke read from the device (whole millimetres) as the field shows it in
// `unit`: inches with 3 significant digits.
std::string strokeText(int millimetres, StrokeUnit unit, char decimalSeparator);

// The field after the position unit became known. With a stroke read from the
// device in this pass (whole millimetres) the field shows that stroke in the
// target unit; without one, a field whose unit changes is converted to it. Inches
// are shown with 3 significant digits. A text that is no number is left alone.
StrokeField followPositionUnit(const StrokeField& field, int positionUnitIndex,
                               std::optional<int> millimetresReadThisPass, char decimalSeparator);

// The stroke in millimetres that the field's text stands for; nothing when the
// text is no number.
std::optional<double> strokeMillimetres(const StrokeField& field, char decimalSeparator);

// The byte to send: the stroke rounded to whole millimetres, kept within one
// byte. Rounding, not cutting, lets an inch value shown with 3 significant
// digits come back as the millimetres it was read from (157 mm shows 6.18 in,
// and 6.18 in is 156.97 mm). Nothing when the text is no number.
std::optional<std::uint8_t> strokeByteToSend(const StrokeField& field, char decimalSeparator);

}  // namespace velk
