// Setpoint arithmetic of the CONTROL page: the setpoint source, the setpoint
// expressed in the position unit (for the deviation), the value sent for a
// typed setpoint, the step buttons and the ramp.
//
// The device takes a setpoint as a share of the travel in percent; the field
// shows it in the unit the page read found (percent, mA, a length, degrees).
// The fixed buttons, the steps and the ramp speak percent and show their
// values in the field's unit; a send converts what the field shows back.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "model/coded_items.h"
#include "model/edit_validation.h"

namespace velk {

// Radio items in order with the device's source codes: "Hart" 2,
// "Auto (4-20 mA)" 0, "Manual Q5" 1. A code without an item leaves the radio
// group alone.
extern const CodedItemTable kSetpointSources;
inline constexpr int kSetpointSourceHart = 2;
inline constexpr int kSetpointSourceStartItem = 1;

// Full travel of a rotary actuator.
inline constexpr double kRotaryTravelDegrees = 90;

// The setpoint `value` (in the unit with index `setpointUnitIndex` of the
// setpoint list: %, mA, mm, cm, inch, degrees) in the unit with index
// `positionUnitIndex` of the position list (%, mm, cm, inch, degrees).
// Lengths convert into each other directly; between a length and a share of
// travel (%, the 4-20 mA range, degrees of 90) the stroke in millimetres
// links them. Nothing when that conversion needs a stroke and the stroke is
// not above 0, or an index lies outside its list.
std::optional<double> setpointInPositionUnit(double value, int setpointUnitIndex, int positionUnitIndex,
                                             double strokeMillimetres);

// The setpoint `value`, in the unit with index `setpointUnitIndex` of the
// setpoint list, as the percent of travel that command 142 takes:
// milliamperes as (v - 4) * 6.25, degrees as v * 100 / 90, a length as
// 100 * v / S with the stroke S. Nothing for a length while the stroke is not
// above 0, or for an index outside the list.
std::optional<double> setpointPercent(double value, int setpointUnitIndex, double strokeMillimetres);
// The reverse: a share of travel in the unit the field shows.
std::optional<double> setpointFromPercent(double percent, int setpointUnitIndex, double strokeMillimetres);

// Bounds of the setpoint field in the unit it shows: the whole travel, 0 to
// 100 %, 4 to 20 mA, 0 to 90 degrees, 0 to the stroke in a length (with no
// upper bound while the stroke is unknown). A rejected text becomes the
// value of 0 %.
FloatEditBounds setpointBounds(int setpointUnitIndex, double strokeMillimetres);

// The step buttons, in percent: the whole part of the current setpoint plus
// or minus 25 while that stays within 0..100 (the current setpoint at most
// 75, or at least 25), else nothing (the field keeps its text).
std::optional<double> stepUp(double currentPercent);
std::optional<double> stepDown(double currentPercent);

// The ramp's next value: 2 % a tick up to 100, then down to 0, and up again.
// The direction (`RampDown`) is kept from one ramp run to the next.
struct RampStep {
  double value;
  bool RampDown;
};
RampStep nextRampStep(double value, bool rampDown);

// Which dynamic variable of command 3 holds the setpoint: the first of 2, 3
// and 4 (slots 1 to 3) whose selector (the item index of ComboBox4 to
// ComboBox6, -1 for none) shows "Setpoint". Nothing means the loop current.
std::optional<int> setpointSlotInCommand3(const std::array<int, 3>& selectorItems);

}  // namespace velk
