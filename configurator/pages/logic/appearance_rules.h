// Rules of the APPEARANCE page: display language and default display codes,
// and the temperature conversion that keeps the temperature fields of other
// pages meaning the same when the temperature unit changes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/coded_items.h"

namespace velk {

// Code = item index. Other texts send the last code (5, 3); a read of a code
// without an item leaves the combo box alone.
extern const CodedItemTable kLanguages;        // "English" .. "español"
extern const CodedItemTable kDefaultDisplays;  // "Position", "Set & Pos", "Set & Dev", "Menu"

// Device variable numbers that command 53 writes units for.
inline constexpr int kPositionVariable = 0;
inline constexpr int kSetpointVariable = 1;
inline constexpr int kTemperatureVariable = 2;
inline constexpr int kPressureVariable = 3;

// Index of the temperature unit list.
enum class TemperatureUnit { Celsius = 0, Fahrenheit = 1, Kelvin = 2 };

// The unit a temperature label names ("C", "F", "K").
std::optional<TemperatureUnit> temperatureUnitFromName(std::string_view name);

// 0 °C is 273.1 K on these pages.
inline constexpr double kKelvinOffset = 273.1;

// A temperature and a temperature difference (the alarm hysteresis) in another unit.
double convertTemperature(double value, TemperatureUnit from, TemperatureUnit to);
double convertTemperatureDifference(double value, TemperatureUnit from, TemperatureUnit to);

// Texts of the temperature fields: ALARMS min, max and hysteresis, CALIBRATE's
// calibration temperature.
struct TemperatureFieldTexts {
  std::string tempMin;
  std::string tempMax;
  std::string hysteresis;
  std::string calTemp;
};

// The fields converted from one unit to another, written in general format
// with 15 significant digits. A field that is no number is left as it is, and
// so is every field when the unit does not change.
TemperatureFieldTexts convertTemperatureFieldTexts(const TemperatureFieldTexts& fields, TemperatureUnit from,
                                                   TemperatureUnit to, char decimalSeparator);

}  // namespace velk
