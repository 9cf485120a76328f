// HART engineering units: the unit lists the pages show, by kind, with the
// unit code of each entry.
#pragma once

#include <string_view>

#include "model/coded_items.h"

namespace velk {

// The kind of a unit list. The first four are also the element numbers of the
// device's dynamic variables (position, setpoint, temperature, pressure).
enum class UnitKind : int {
  Position = 0,
  Setpoint = 1,
  Temperature = 2,
  Pressure = 3,
  Unnamed = 4,           // has no list: every code gives index 0
  CurrentOrPercent = 5,  // index 1 for milliamperes, else 0
};

// Unit indices the pages test for.
inline constexpr int kPositionInchIndex = 3;
inline constexpr int kSetpointMilliampereIndex = 1;
inline constexpr int kSetpointDegreeIndex = 5;

// The table of a kind. Unknown codes read as index 0. A text or index that is
// no entry is sent as the code of the last entry (degrees for position and
// setpoint, "K" for temperature, "kPa" for pressure).
const CodedItemTable& unitTable(UnitKind kind);

// Index in the kind's list of the unit a device reports by its code; 0 for any
// code the list does not hold and for any kind outside 0..5.
int UnitIndexFromCode(UnitKind kind, int code);

// The reverse: the code to send for an index or a combo text of the kind.
int UnitCodeFromIndex(UnitKind kind, int index);
int UnitCodeFromText(UnitKind kind, std::string_view text);

// Name of the unit at `index` ("%", "mm", ...); empty for an index outside
// the list.
std::string_view unitName(UnitKind kind, int index);

// Text of the CONTROL page's setpoint unit label for `SetPointUnitIndex`:
// "% ", "mA", "mm", "cm", "in", "° " (an index outside 0..5 shows "% ").
std::string_view SetpointUnitLabel(int setPointUnitIndex);

}  // namespace velk
