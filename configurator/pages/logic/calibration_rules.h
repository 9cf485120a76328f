// Rules of the CALIBRATE and TUNING pages: what each calibration status shows,
// the calibration temperature in kelvin, and the bounds of the pages' fields.
#pragma once

#include <optional>
#include <string_view>

#include "model/edit_validation.h"

namespace velk {

// --- automatic calibration ------------------------------------------------------
// The status label of each stage.
enum class CalibrationStage { Starting, Travel, Leak, Tune };
enum class StatusColour { Normal, Green, Red };

struct CalibrationStatusText {
  CalibrationStage label;
  const char* text;
  StatusColour colour;
};

// What a status byte of command 159 shows; nothing for a status without a text.
std::optional<CalibrationStatusText> calibrationStatusText(int status);

// Status 2 to 5: the travel calibration failed and the sequence ends.
bool isCalibrationFailure(int status);

// --- single-point calibration ---------------------------------------------------
// The calibration temperature in kelvin, by the unit its label names: "C" and
// "F" are converted (with 273.2 for 0 degrees C), anything else is taken as kelvin.
double calibrationKelvin(double value, std::string_view unitLabel);

// --- field bounds ----------------------------------------------------------------
inline constexpr FloatEditBounds kCalCurrentLowBounds{4, 10, 4};
inline constexpr FloatEditBounds kCalCurrentHighBounds{10, 20, 20};
// EditCalTemp, in the unit its label names.
FloatEditBounds calibrationTemperatureBounds(std::string_view unitLabel);

inline constexpr FloatEditBounds kCloseTimeBounds{0, 600, 0};
inline constexpr FloatEditBounds kOpenTimeBounds{0, 600, 0};
inline constexpr FloatEditBounds kDeadBandBounds{0.2, 10, 0.5};
// The toggle defaults lie below their minimum: a rejected entry shows "0",
// which the device refuses in turn.
inline constexpr FloatEditBounds kToggleTimeBounds{0.1, 300, 0};
inline constexpr FloatEditBounds kToggleCycleTimeBounds{0.1, 10, 0};
inline constexpr FloatEditBounds kToggleSizeBounds{0, 9.9, 0};
inline constexpr FloatEditBounds kPidPBounds{0, 1000, 5};
inline constexpr FloatEditBounds kPidIBounds{0, 46.54, 0.01};
inline constexpr FloatEditBounds kPidDBounds{0, 9999.99, 5};

}  // namespace velk
