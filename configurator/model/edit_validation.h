// Validation of typed input: each rule takes the control's text and returns
// the text the control must show afterwards. A rejected entry silently becomes
// the default; an accepted one stays exactly as typed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct FloatEditBounds {
  double min;           // inclusive
  double max;           // inclusive
  double defaultValue;  // put in place of a rejected text
};

// Whether a minus sign may lead the text.
enum class SignRule { SignAllowed, NoSign };

// True when `text` is a number by the typed-number rule: digits, at most one
// `decimalSeparator` anywhere, a minus sign only as the first character (when
// allowed), at least one digit, not ending with the separator, and its value,
// compared in single precision, within min..max inclusive.
bool acceptsFloatText(std::string_view text, double min, double max, char decimalSeparator,
                      SignRule sign = SignRule::SignAllowed);

// OnExit rule of a numeric field. A rejected text becomes the default in
// general format with 4 significant digits.
std::string ValidateFloatEdit(std::string_view text, const FloatEditBounds& bounds, char decimalSeparator);

// OnExit rule of a whole-number field: digits only (no sign, no separator),
// not empty, min..max inclusive; otherwise the default in decimal.
std::string ValidateIntegerEdit(std::string_view text, long long min, long long max, long long defaultValue);

// OnChange rule of every combo box: a text equal to one of `items` stays; an
// empty text or one that equals no item becomes the item at `defaultIndex`.
// A default index outside the list leaves the text as it is.
std::string ValidateComboText(std::string_view text, const std::vector<std::string>& items, int defaultIndex);

}  // namespace velk
