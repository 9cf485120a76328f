#include "pages/logic/alarm_rules.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

// What a field shows after the user typed into it and left it, with its unit
// label as given: typed values past the bounds become the field's default.
TEST(AlarmFieldBounds, FollowTheFieldAndItsUnitLabel) {
  struct Case {
    const char* field;
    const char* label;
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {"EditLimit1Min", "", "-20", "-20"},
      {"EditLimit2Min", "", "-20.1", "0"},
      {"EditLimit1Max", "", "120.1", "100"},
      {"EditLimit2Hysteresis", "", "20", "20"},
      {"EditLimit1Hysteresis", "", "-1", "2"},
      {"EditDeviationDistance", "", "100", "10"},
      {"EditDeviationTime", "", "0", "10"},
      {"EditDeviationTime", "", "0.1", "0.1"},
      {"EditPotPressMaxDiff", "", "99.95", "3"},
      // The pressure alarm: "bar" or anything else.
      {"EditPressInputMin", "bar", "50", "50"},
      {"EditPressInputMin", "%", "50", "4"},
      {"EditPressInputMax", "%", "0.7", "20"},
      {"EditPressInputMax", "bar", "-20", "-20"},
      {"EditPressInputHysteresis", "%", "3.3", "0.32"},
      {"EditPressInputHysteresis", "bar", "20", "20"},
      // The temperature alarm: "C", "F", or kelvin.
      {"EditTempMin", "C", "-41", "0"},
      {"EditTempMin", "F", "-40", "-40"},
      {"EditTempMin", "K", "233", "273.1"},
      {"EditTempMax", "C", "121", "100"},
      {"EditTempMax", "F", "249", "212"},
      {"EditTempMax", "K", "393.1", "393.1"},
      {"EditTempHysteresis", "F", "36", "36"},
      {"EditTempHysteresis", "F", "37", "9"},
      {"EditTempHysteresis", "K", "21", "5"},
  };
  for (const Case& c : cases) {
    const auto bounds = alarmFieldBounds(c.field, c.label);
    ASSERT_TRUE(bounds) << c.field;
    EXPECT_EQ(ValidateFloatEdit(c.typed, *bounds, '.'), c.shown)
        << c.field << " " << c.label << " " << c.typed;
  }
  EXPECT_FALSE(alarmFieldBounds("EditStroke", ""));
}

}  // namespace
}  // namespace velk
