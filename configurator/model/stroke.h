#pragma once
// The stroke of a linear actuator, which the device holds in whole
// millimetres while the SETUP page shows it in millimetres or inches, and
// which links lengths to shares of travel where setpoints convert.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/edit_validation.h"

namespace velk {

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
