#include "model/edit_validation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/number_text.h"

namespace velk {
namespace {

constexpr double kSingleMax = std::numeric_limits<float>::max();

float toSingle(double value) { return static_cast<float>(std::clamp(value, -kSingleMax, kSingleMax)); }

// Bounds and value are compared as the single-precision numbers the device
// holds, so a typed "99.9" meets a bound of 99.9 whatever the double rounding.
bool withinSingle(double value, double min, double max) {
  if (std::fabs(value) > kSingleMax) return false;
  const float single = toSingle(value);
  return single >= toSingle(min) && single <= toSingle(max);
}

}  // namespace

bool acceptsFloatText(std::string_view text, double min, double max, char decimalSeparator, SignRule sign) {
  if (text.empty() || text.back() == decimalSeparator) return false;
  if (sign == SignRule::NoSign && text.front() == '-') return false;
  auto value = parseDecimal(text, decimalSeparator);
  return value && withinSingle(*value, min, max);
}

std::string ValidateFloatEdit(std::string_view text, const FloatEditBounds& bounds, char decimalSeparator) {
  if (acceptsFloatText(text, bounds.min, bounds.max, decimalSeparator)) return std::string(text);
  return formatGeneral(bounds.defaultValue, kDefaultValueDigits, decimalSeparator);
}

std::string ValidateIntegerEdit(std::string_view text, long long min, long long max, long long defaultValue) {
  bool accepted = !text.empty();
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      accepted = false;
      break;
    }
    // Any longer run of digits is beyond every bound.
    if (value > (std::numeric_limits<long long>::max() - 9) / 10) {
      accepted = false;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (accepted && value >= min && value <= max) return std::string(text);
  return std::to_string(defaultValue);
}

std::string ValidateComboText(std::string_view text, const std::vector<std::string>& items,
                              int defaultIndex) {
  if (!text.empty() && std::find(items.begin(), items.end(), text) != items.end()) {
    return std::string(text);
  }
  if (defaultIndex < 0 || defaultIndex >= static_cast<int>(items.size())) return std::string(text);
  return items[static_cast<std::size_t>(defaultIndex)];
}

}  // namespace velk
