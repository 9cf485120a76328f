// Rules of the SETUP page: its item codes and the bounds of its fields. The
// stroke's units are in model/stroke.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/coded_items.h"
#include "model/edit_validation.h"
#include "model/stroke.h"

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

}  // namespace velk
