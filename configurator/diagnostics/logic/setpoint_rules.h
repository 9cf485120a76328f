// Setpoint arithmetic of the CONTROL page: the setpoint source, the setpoint
// expressed in the position unit (for the deviation), the value sent for a
// typed setpoint, the step buttons and the ramp.
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

// Bounds of the setpoint field.
inline constexpr FloatEditBounds kSetpointBounds{0, 100, 0};

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

// The value written for a typed setpoint: milliamperes as (v - 4) * 6.25,
// degrees as v * 100 / 90, the other units as typed.
double setpointToSend(double typed, int setpointUnitIndex);
// Whether setpointToSend converts (milliamperes and degrees become percent).
bool setpointSendConverts(int setpointUnitIndex);

// Text the step buttons put into the setpoint field: the whole part of the
// current setpoint plus or minus 25 while that stays within 0..100 (the
// current setpoint at most 75, or at least 25), else nothing (the field keeps
// its text).
std::optional<std::string> stepUpText(double currentSetpoint, char decimalSeparator);
std::optional<std::string> stepDownText(double currentSetpoint, char decimalSeparator);

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
