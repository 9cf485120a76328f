#include "model/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace velk {
namespace {

// to_chars is locale-independent and always writes '.'.
std::string withSeparator(std::string text, char decimalSeparator) {
  std::replace(text.begin(), text.end(), '.', decimalSeparator);
  return text;
}

std::string toChars(double value, std::chars_format format, int precision) {
  char buffer[400];  // fixed notation of the largest double needs ~310 digits
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
  return std::string(buffer, result.ptr);
}

// Shape of a typed decimal: optional leading minus, digits, at most one
// separator. Returns the text in the '.' form that from_chars reads.
std::optional<std::string> canonicalDecimal(std::string_view text, char decimalSeparator) {
  std::string canonical;
  bool separatorSeen = false;
  bool digitSeen = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      digitSeen = true;
      canonical += c;
    } else if (c == decimalSeparator && !separatorSeen) {
      separatorSeen = true;
      canonical += '.';
    } else if (c == '-' && i == 0) {
      canonical += c;
    } else {
      return std::nullopt;
    }
  }
  if (!digitSeen) return std::nullopt;
  return canonical;
}

}  // namespace

std::string formatGeneral(double value, int significantDigits, char decimalSeparator) {
  if (value == 0.0) value = 0.0;  // no "-0"
  return withSeparator(toChars(value, std::chars_format::general, std::max(1, significantDigits)),
                       decimalSeparator);
}

std::string formatFixed(double value, int decimals, char decimalSeparator) {
  std::string text = toChars(value, std::chars_format::fixed, std::max(0, decimals));
  // A value that rounds to zero shows no minus sign ("-0.001" -> "0.00").
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return withSeparator(std::move(text), decimalSeparator);
}

std::string formatValueWithUnit(double value, std::string_view unitName, char decimalSeparator) {
  std::string text = formatFixed(value, 2, decimalSeparator);
  text += ' ';
  text += unitName;
  return text;
}

std::optional<double> parseDecimal(std::string_view text, char decimalSeparator) {
  auto canonical = canonicalDecimal(text, decimalSeparator);
  if (!canonical) return std::nullopt;
  double value = 0.0;
  const char* first = canonical->data();
  const char* last = first + canonical->size();
  auto result = std::from_chars(first, last, value);
  if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
  return value;
}

std::optional<float> parseSingle(std::string_view text, char decimalSeparator) {
  auto value = parseDecimal(text, decimalSeparator);
  if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(*value);
}

}  // namespace velk
