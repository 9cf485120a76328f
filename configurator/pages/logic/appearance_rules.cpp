#include "pages/logic/appearance_rules.h"

#include "model/number_text.h"

namespace velk {
namespace {

constexpr CodedItem kLanguageItems[] = {{0, "English"},  {1, "Svenska"},  {2, "Deutsch"},
                                        {3, "Francais"}, {4, "Italiano"}, {5, "espa\u00F1ol"}};
constexpr CodedItem kDefaultDisplayItems[] = {
    {0, "Position"}, {1, "Set & Pos"}, {2, "Set & Dev"}, {3, "Menu"}};

// Celsius is the pivot: every conversion goes to it and from it.
double toCelsius(double value, TemperatureUnit from) {
  switch (from) {
    case TemperatureUnit::Fahrenheit: return (value - 32) * 5 / 9;
    case TemperatureUnit::Kelvin: return value - kKelvinOffset;
    case TemperatureUnit::Celsius: break;
  }
  return value;
}

double fromCelsius(double celsius, TemperatureUnit to) {
  switch (to) {
    case TemperatureUnit::Fahrenheit: return celsius * 1.8 + 32;
    case TemperatureUnit::Kelvin: return celsius + kKelvinOffset;
    case TemperatureUnit::Celsius: break;
  }
  return celsius;
}

// Size of one degree relative to a kelvin (or Celsius) degree.
double degreesPerKelvin(TemperatureUnit unit) { return unit == TemperatureUnit::Fahrenheit ? 1.8 : 1.0; }

}  // namespace

constinit const CodedItemTable kLanguages{kLanguageItems, 5, std::nullopt};
constinit const CodedItemTable kDefaultDisplays{kDefaultDisplayItems, 3, std::nullopt};

std::optional<TemperatureUnit> temperatureUnitFromName(std::string_view name) {
  if (name == "C") return TemperatureUnit::Celsius;
  if (name == "F") return TemperatureUnit::Fahrenheit;
  if (name == "K") return TemperatureUnit::Kelvin;
  return std::nullopt;
}

double convertTemperature(double value, TemperatureUnit from, TemperatureUnit to) {
  if (from == to) return value;
  return fromCelsius(toCelsius(value, from), to);
}

double convertTemperatureDifference(double value, TemperatureUnit from, TemperatureUnit to) {
  const double ratio = degreesPerKelvin(to) / degreesPerKelvin(from);
  if (ratio == 1.0) return value;
  return ratio > 1.0 ? value * 1.8 : value * 5 / 9;
}

TemperatureFieldTexts convertTemperatureFieldTexts(const TemperatureFieldTexts& fields, TemperatureUnit from,
                                                   TemperatureUnit to, char decimalSeparator) {
  if (from == to) return fields;
  auto convert = [&](const std::string& text, auto conversion) {
    auto value = parseDecimal(text, decimalSeparator);
    if (!value) return text;
    return formatGeneral(conversion(*value, from, to), kFullPrecisionDigits, decimalSeparator);
  };
  return {convert(fields.tempMin, convertTemperature), convert(fields.tempMax, convertTemperature),
          convert(fields.hysteresis, convertTemperatureDifference),
          convert(fields.calTemp, convertTemperature)};
}

}  // namespace velk
