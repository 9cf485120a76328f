#include "model/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velk {
namespace {

struct GeneralCase {
  double value;
  int digits;
  char separator;
  const char* expected;
};

TEST(FormatGeneral, RoundsToSignificantDigitsAndSwitchesToExponentFormOutsideItsRange) {
  const GeneralCase cases[] = {
      {4.0, 3, '.', "4"},
      {99.9, 3, '.', "99.9"},
      {50 / 25.4, 3, '.', "1.97"},
      {50 / 25.4, 3, ',', "1,97"},
      {1.97, 4, '.', "1.97"},
      {0.1, 4, ',', "0,1"},
      {157, 3, '.', "157"},
      {-5, 3, '.', "-5"},
      {-0.0, 3, '.', "0"},
      // the exponent is taken after rounding: 999.6 is 1.00e+03 with 3 digits
      {999.6, 3, '.', "1e+03"},
      {1234.5, 3, '.', "1.23e+03"},
      {1234.5, 3, ',', "1,23e+03"},
      {1234.5, 4, '.', "1234"},
      {0.0001234, 3, '.', "0.000123"},
      {0.00001234, 3, '.', "1.23e-05"},
      {-0.00001234, 3, ',', "-1,23e-05"},
      {273.1, 15, '.', "273.1"},
      {1e20, 15, '.', "1e+20"},
      {123456789012345678.0, 15, '.', "1.23456789012346e+17"},
      {2.5, 0, '.', "2"},  // fewer than one digit is taken as one
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatGeneral(c.value, c.digits, c.separator), c.expected)
        << c.value << " with " << c.digits << " digits";
  }
}

TEST(FormatFixed, WritesTheGivenDecimalsAndNoMinusSignForZero) {
  EXPECT_EQ(formatFixed(45.3, 2, '.'), "45.30");
  EXPECT_EQ(formatFixed(45.3, 2, ','), "45,30");
  EXPECT_EQ(formatFixed(100, 2, '.'), "100.00");
  EXPECT_EQ(formatFixed(12345.678, 2, '.'), "12345.68");
  EXPECT_EQ(formatFixed(-2.5, 2, '.'), "-2.50");
  EXPECT_EQ(formatFixed(-0.001, 2, '.'), "0.00");
  EXPECT_EQ(formatValueWithUnit(45.3, "%", '.'), "45.30 %");
  EXPECT_EQ(formatValueWithUnit(-1.5, "mm", ','), "-1,50 mm");
}

TEST(ParseDecimal, AcceptsOnlyTheTypedNumberShapeWithTheLocaleSeparator) {
  struct Case {
    const char* text;
    char separator;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"12", '.', 12},
      {"-5", '.', -5},
      {"0,5", ',', 0.5},
      {",5", ',', 0.5},
      {"-,5", ',', -0.5},
      {"12.", '.', 12},
      {"007", '.', 7},
      {"1.5", ',', std::nullopt},
      {"", '.', std::nullopt},
      {"-", '.', std::nullopt},
      {".", '.', std::nullopt},
      {"--5", '.', std::nullopt},
      {"5-", '.', std::nullopt},
      {"1.2.3", '.', std::nullopt},
      {" 5", '.', std::nullopt},
      {"5 ", '.', std::nullopt},
      {"1e3", '.', std::nullopt},
      {"+5", '.', std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(parseDecimal(c.text, c.separator), c.expected) << c.text;
}

TEST(ParseSingle, RefusesValuesBeyondSinglePrecision) {
  EXPECT_EQ(parseSingle("4", '.'), 4.0f);
  const std::string huge = "1" + std::string(40, '0');
  EXPECT_TRUE(parseDecimal(huge, '.'));
  EXPECT_FALSE(parseSingle(huge, '.'));
}

}  // namespace
}  // namespace velk
