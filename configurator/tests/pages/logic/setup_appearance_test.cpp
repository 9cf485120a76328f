#include <gtest/gtest.h>

#include "model/edit_validation.h"
#include "pages/logic/appearance_rules.h"
#include "pages/logic/setup_rules.h"

namespace velk {
namespace {

constexpr int kPercent = 0;
constexpr int kMillimetre = 1;
constexpr int kInch = 3;
constexpr auto Mm = StrokeUnit::Millimetre;
constexpr auto In = StrokeUnit::Inch;

TEST(FollowPositionUnit, ShowsAStrokeJustReadOrConvertsTheFieldWhenItsUnitChanges) {
  struct Case {
    StrokeField before;
    int positionUnit;
    std::optional<int> readMillimetres;
    char separator;
    StrokeField after;
  };
  const Case cases[] = {
      // a stroke read in this pass is in millimetres
      {{"80", Mm}, kInch, 50, '.', {"1.97", In}},
      {{"80", Mm}, kInch, 5, '.', {"0.197", In}},
      {{"80", Mm}, kInch, 50, ',', {"1,97", In}},
      {{"3", In}, kPercent, 50, '.', {"50", Mm}},
      {{"3", In}, kMillimetre, 157, '.', {"157", Mm}},
      // no stroke read: the field is converted only when its unit changes
      {{"50", Mm}, kInch, {}, '.', {"1.97", In}},
      {{"1.97", In}, kMillimetre, {}, '.', {"50", Mm}},
      {{"1,97", In}, kPercent, {}, ',', {"50", Mm}},
      {{"6.18", In}, kPercent, {}, '.', {"157", Mm}},
      {{"50", Mm}, kPercent, {}, '.', {"50", Mm}},
      {{"1.97", In}, kInch, {}, '.', {"1.97", In}},
      {{"abc", Mm}, kInch, {}, '.', {"abc", In}},
  };
  for (const auto& c : cases) {
    auto after = followPositionUnit(c.before, c.positionUnit, c.readMillimetres, c.separator);
    EXPECT_EQ(after.text, c.after.text) << c.before.text;
    EXPECT_EQ(after.unit, c.after.unit) << c.before.text;
  }
}

// Every stroke the device holds, shown in either unit, must pass the field's
// bounds: leaving the field must not put the default in place of a stroke
// just read.
TEST(StrokeBounds, AcceptEveryStrokeTheDeviceHoldsInEitherUnit) {
  for (int mm = 5; mm <= 157; ++mm) {
    for (StrokeUnit unit : {Mm, In}) {
      const std::string text = strokeText(mm, unit, '.');
      EXPECT_EQ(ValidateFloatEdit(text, strokeBounds(unit), '.'), text) << mm;
    }
  }
  EXPECT_EQ(ValidateFloatEdit("0.196", strokeBounds(In), '.'), "1.97");
  EXPECT_EQ(ValidateFloatEdit("6.2", strokeBounds(In), '.'), "1.97");
  EXPECT_EQ(ValidateFloatEdit("4", strokeBounds(Mm), '.'), "50");
  EXPECT_EQ(ValidateFloatEdit("157", strokeBounds(Mm), '.'), "157");
  EXPECT_EQ(ValidateFloatEdit("158", strokeBounds(Mm), '.'), "50");
  EXPECT_EQ(strokeUnitLabel(In), "inch");
  EXPECT_EQ(strokeUnitFromLabel("mm"), Mm);
  EXPECT_EQ(strokeUnitFromLabel("inch"), In);
}

TEST(StrokeByteToSend, SendsWholeMillimetresWithinOneByte) {
  struct Case {
    StrokeField field;
    std::optional<int> byte;
  };
  const Case cases[] = {
      {{"1.97", In}, 50},                       // 50.04 mm
      {{"50", Mm}, 50},   {{"6.18", In}, 157},  // 156.97 mm
      {{"50.7", Mm}, 51}, {{"-5", Mm}, 0},     {{"300", Mm}, 255}, {{"abc", Mm}, std::nullopt},
  };
  for (const auto& c : cases) {
    auto byte = strokeByteToSend(c.field, '.');
    EXPECT_EQ(byte ? std::optional<int>(*byte) : std::nullopt, c.byte) << c.field.text;
  }
}

// A read followed by a send must not change the device's stroke, whatever
// the unit the field shows it in.
TEST(StrokeByteToSend, ReadThenSendInInchesKeepsEveryStroke) {
  for (int mm = 5; mm <= 157; ++mm) {
    for (char separator : {'.', ','}) {
      auto field = followPositionUnit({"", Mm}, kInch, mm, separator);
      EXPECT_EQ(strokeByteToSend(field, separator), mm) << field.text;
    }
  }
}

TEST(ConvertTemperature, ConvertsValuesAndDifferencesBetweenEveryPairOfUnits) {
  using T = TemperatureUnit;
  struct Case {
    T from, to;
    double value, expectedValue;
    double difference, expectedDifference;
  };
  const Case cases[] = {
      {T::Fahrenheit, T::Celsius, 212, 100, 9, 5}, {T::Kelvin, T::Celsius, 273.1, 0, 5, 5},
      {T::Celsius, T::Fahrenheit, 100, 212, 5, 9}, {T::Kelvin, T::Fahrenheit, 373.1, 212, 5, 9},
      {T::Fahrenheit, T::Kelvin, 32, 273.1, 9, 5}, {T::Celsius, T::Kelvin, 0, 273.1, 5, 5},
      {T::Celsius, T::Celsius, 21.5, 21.5, 3, 3},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(convertTemperature(c.value, c.from, c.to), c.expectedValue, 1e-9);
    EXPECT_NEAR(convertTemperatureDifference(c.difference, c.from, c.to), c.expectedDifference, 1e-9);
  }
}

TEST(ConvertTemperatureFieldTexts, WritesFullPrecisionAndLeavesTextsThatAreNoNumber) {
  using T = TemperatureUnit;
  const TemperatureFieldTexts alarms{"0", "100", "5", "20"};
  auto f = convertTemperatureFieldTexts(alarms, T::Celsius, T::Fahrenheit, '.');
  EXPECT_EQ(f.tempMin, "32");
  EXPECT_EQ(f.tempMax, "212");
  EXPECT_EQ(f.hysteresis, "9");
  EXPECT_EQ(f.calTemp, "68");

  auto k = convertTemperatureFieldTexts({"-5,5", "x", "1,5", ""}, T::Celsius, T::Kelvin, ',');
  EXPECT_EQ(k.tempMin, "267,6");
  EXPECT_EQ(k.tempMax, "x");
  EXPECT_EQ(k.hysteresis, "1,5");
  EXPECT_EQ(k.calTemp, "");

  // back and forth through every unit gives the texts it started from
  auto back = convertTemperatureFieldTexts(
      convertTemperatureFieldTexts(convertTemperatureFieldTexts(alarms, T::Celsius, T::Kelvin, '.'),
                                   T::Kelvin, T::Fahrenheit, '.'),
      T::Fahrenheit, T::Celsius, '.');
  EXPECT_EQ(back.tempMin, "0");
  EXPECT_EQ(back.tempMax, "100");
  EXPECT_EQ(back.hysteresis, "5");
  EXPECT_EQ(back.calTemp, "20");

  EXPECT_EQ(temperatureUnitFromName("F"), T::Fahrenheit);
  EXPECT_EQ(temperatureUnitFromName("f"), std::nullopt);
}

}  // namespace
}  // namespace velk
