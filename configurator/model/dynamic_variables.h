#pragma once
// Command 3's data, as a reply or as a burst message: the loop current, then
// a unit code and a value for each of the four dynamic variables, which this
// program assigns to position, setpoint, temperature and pressure. Decoded
// here once for every reader: the connection, burst monitoring and the pages.

#include <array>

#include "model/engineering_units.h"

namespace velk {

inline constexpr int kDynamicVariableCount = 4;
inline constexpr int kLoopCurrentUnitCode = 39;  // mA

// The order in which the device reports the variables (and BurstValue holds them).
enum BurstSlot : int { kBurstPosition = 0, kBurstSetpoint = 1, kBurstTemperature = 2, kBurstPressure = 3 };

struct DynamicVariable {
  int unitCode = 0;
  float value = 0;
};

struct DynamicVariables {
  float loopCurrent = 0;  // mA
  std::array<DynamicVariable, kDynamicVariableCount> variables{};
};

// Byte offsets in command 3's data.
inline constexpr int kLoopCurrentOffset = 0;
constexpr int dynamicVariableUnitOffset(int slot) { return 4 + 5 * slot; }
constexpr int dynamicVariableValueOffset(int slot) { return 5 + 5 * slot; }
// The data bytes that hold the loop current and the first `slots` variables,
// and those up to the unit of `slot`.
constexpr int dynamicVariableBytes(int slots) { return 4 + 5 * slots; }
constexpr int dynamicVariableUnitBytes(int slot) { return dynamicVariableUnitOffset(slot) + 1; }

// Reads command 3's data through the accessors of the data field or of the
// burst buffer: integerAt(offset, length) and floatAt(offset).
template <typename IntegerAt, typename FloatAt>
DynamicVariables decodeDynamicVariables(IntegerAt integerAt, FloatAt floatAt) {
  DynamicVariables decoded;
  decoded.loopCurrent = floatAt(kLoopCurrentOffset);
  for (int slot = 0; slot < kDynamicVariableCount; ++slot) {
    decoded.variables[slot].unitCode = static_cast<int>(integerAt(dynamicVariableUnitOffset(slot), 1));
    decoded.variables[slot].value = floatAt(dynamicVariableValueOffset(slot));
  }
  return decoded;
}

// The live values: BurstValue and BurstUnit, the unit as its index in the
// list of its kind (kind = slot).
struct BurstReading {
  std::array<float, 4> BurstValue{};  // position, setpoint, temperature, pressure
  std::array<int, 4> BurstUnit{};
};

// Takes the first `count` variables into `reading`; the others keep what they held.
inline void takeDynamicVariables(BurstReading& reading, const DynamicVariables& decoded, int count) {
  for (int slot = 0; slot < count && slot < kDynamicVariableCount; ++slot) {
    reading.BurstUnit[slot] =
        UnitIndexFromCode(static_cast<UnitKind>(slot), decoded.variables[slot].unitCode);
    reading.BurstValue[slot] = decoded.variables[slot].value;
  }
}

}  // namespace velk
