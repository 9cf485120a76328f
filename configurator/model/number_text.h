// Numbers as the technician sees and types them.
//
// Every function takes the decimal separator of the user's locale; the GUI
// passes the system locale's, tests pass '.' or ','. Nothing here depends on
// the C or C++ global locale, which a GUI toolkit may have changed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velk {

// Significant digits of the general number format as the pages use it.
inline constexpr int kReadValueDigits = 3;       // values read from the device: 4, 99.9, 1.97
inline constexpr int kDefaultValueDigits = 4;    // a default put in place of a rejected entry
inline constexpr int kCurveDigits = 5;           // characteristic curve points
inline constexpr int kFullPrecisionDigits = 15;  // "full precision", e.g. converted temperatures

// General format with `significantDigits` significant digits (at least 1):
// the value is rounded to that many digits; if its decimal exponent X then is
// -4 <= X < significantDigits it is written in plain notation, otherwise in
// exponent form "d.ddde+XX" (at least two exponent digits). Trailing zeros of
// the fraction and a trailing separator are dropped in both forms.
//   4.0 -> "4", 50/25.4 -> "1.97", 1234.5 -> "1.23e+03", 0.0000123 -> "1.23e-05" (3 digits)
// Negative zero is written "0"; not-a-number "nan", infinities "inf"/"-inf".
std::string formatGeneral(double value, int significantDigits, char decimalSeparator);

// Fixed notation with `decimals` digits after the separator, rounded to
// nearest: 45.3 -> "45.30" (2 decimals).
std::string formatFixed(double value, int decimals, char decimalSeparator);

// A live value with its unit: fixed with 2 decimals, one blank, the unit name
// ("45.30 %").
std::string formatValueWithUnit(double value, std::string_view unitName, char decimalSeparator);

// Reads a number typed with the locale's separator: an optional leading minus
// sign, digits and at most one separator, at least one digit ("12", "-0,5",
// ",5", "12,"). Anything else, including blanks and exponents, gives nothing.
std::optional<double> parseDecimal(std::string_view text, char decimalSeparator);

// The same, for a value sent to the device as an IEEE single: also gives
// nothing when the value lies beyond the single-precision range.
std::optional<float> parseSingle(std::string_view text, char decimalSeparator);

}  // namespace velk
