#include <gtest/gtest.h>

#include "model/characteristic_curve.h"
#include "model/engineering_units.h"
#include "pages/logic/appearance_rules.h"
#include "pages/logic/setup_rules.h"

namespace velk {
namespace {

TEST(UnitIndexFromCode, MapsEveryTabledCodeAndGivesZeroForAnyOther) {
  struct Case {
    UnitKind kind;
    int code;
    int index;
  };
  const Case cases[] = {
      {UnitKind::Position, 57, 0},         {UnitKind::Position, 49, 1},
      {UnitKind::Position, 48, 2},         {UnitKind::Position, 47, 3},
      {UnitKind::Position, 143, 4},        {UnitKind::Position, 39, 0},
      {UnitKind::Setpoint, 57, 0},         {UnitKind::Setpoint, 39, 1},
      {UnitKind::Setpoint, 49, 2},         {UnitKind::Setpoint, 48, 3},
      {UnitKind::Setpoint, 47, 4},         {UnitKind::Setpoint, 143, 5},
      {UnitKind::Setpoint, 250, 0},        {UnitKind::Temperature, 32, 0},
      {UnitKind::Temperature, 33, 1},      {UnitKind::Temperature, 35, 2},
      {UnitKind::Temperature, 34, 0},      {UnitKind::Pressure, 7, 0},
      {UnitKind::Pressure, 6, 1},          {UnitKind::Pressure, 12, 2},
      {UnitKind::Pressure, 57, 0},         {UnitKind::Unnamed, 39, 0},
      {UnitKind::Unnamed, 57, 0},          {UnitKind::CurrentOrPercent, 39, 1},
      {UnitKind::CurrentOrPercent, 57, 0}, {UnitKind::CurrentOrPercent, 48, 0},
      {static_cast<UnitKind>(9), 39, 0},   {static_cast<UnitKind>(-1), 39, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UnitIndexFromCode(c.kind, c.code), c.index)
        << "kind " << static_cast<int>(c.kind) << " code " << c.code;
  }
}

TEST(UnitCodeFromIndex, IsTheReverseOfTheTableAndSendsTheLastUnitForAnythingElse) {
  for (auto kind : {UnitKind::Position, UnitKind::Setpoint, UnitKind::Temperature, UnitKind::Pressure}) {
    const auto& items = unitTable(kind).items;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      EXPECT_EQ(UnitIndexFromCode(kind, UnitCodeFromIndex(kind, i)), i);
      EXPECT_EQ(UnitCodeFromText(kind, unitName(kind, i)), UnitCodeFromIndex(kind, i));
    }
  }
  EXPECT_EQ(UnitCodeFromText(UnitKind::Pressure, "kPa"), 12);
  EXPECT_EQ(UnitCodeFromText(UnitKind::Temperature, "F"), 33);
  EXPECT_EQ(UnitCodeFromText(UnitKind::Position, "mA"), 143);  // no position unit
  EXPECT_EQ(UnitCodeFromText(UnitKind::Setpoint, "furlong"), 143);
  EXPECT_EQ(UnitCodeFromIndex(UnitKind::Setpoint, -1), 143);
  EXPECT_EQ(UnitCodeFromText(UnitKind::Temperature, ""), 35);
  EXPECT_EQ(UnitCodeFromText(UnitKind::Pressure, "atm"), 12);
  EXPECT_EQ(unitName(UnitKind::Position, 3), "inch");
  EXPECT_EQ(unitName(UnitKind::Position, 5), "");
}

TEST(SetpointUnitLabel, HasTheControlPagesShortLabels) {
  const char* expected[] = {"% ", "mA", "mm", "cm", "in", "\u00B0 "};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(SetpointUnitLabel(i), expected[i]);
  EXPECT_EQ(SetpointUnitLabel(6), "% ");
}

// Reading a code: the text shown, or nothing when the control must keep its text.
TEST(CodedItems, ReadCodesShowTheirItemOrLeaveTheControl) {
  struct Case {
    const CodedItemTable* table;
    int code;
    std::optional<std::string_view> text;
  };
  const Case cases[] = {
      {&kActuatorTypes, 1, "Linear"},
      {&kActuatorTypes, 2, std::nullopt},
      {&kActuatorSizes, 3, "Texas-size"},
      {&kActuatorSizes, 4, std::nullopt},
      {&kActuatorFunctions, 1, "Single act"},
      {&kActuatorFunctions, 0, "Double act"},
      {&kActuatorFunctions, 7, "Double act"},
      {&kDirections, 1, "Reverse"},
      {&kTravelControls, 2, "Limited"},
      {&kTravelControls, 3, std::nullopt},
      {&kLanguages, 3, "Francais"},
      {&kLanguages, 6, std::nullopt},
      {&kDefaultDisplays, 3, "Menu"},
      {&kDefaultDisplays, 4, std::nullopt},
      {&kCharacteristics, 240, "Square root"},
      {&kCharacteristics, 3, "Custom curve"},
      {&kCharacteristics, 4, std::nullopt},
      {&kCurvePointCounts, 17, "17"},
      {&kCurvePointCounts, 4, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(textForCode(*c.table, c.code), c.text) << "code " << c.code;
  EXPECT_EQ(indexForCode(kCharacteristics, 240), 4);
}

TEST(CodedItems, SentTextsGiveTheirCodeOrTheTablesFallback) {
  struct Case {
    const CodedItemTable* table;
    const char* text;
    int code;
  };
  const Case cases[] = {
      {&kActuatorTypes, "Linear", 1},
      {&kActuatorTypes, "Rotating", 0},
      {&kActuatorTypes, "x", 0},
      {&kActuatorSizes, "Large", 2},
      {&kActuatorSizes, "Huge", 3},
      {&kActuatorFunctions, "Single act", 1},
      {&kActuatorFunctions, "Double act", 0},
      {&kActuatorFunctions, "x", 0},
      {&kTravelControls, "Free", 0},
      {&kTravelControls, "x", 2},
      {&kLanguages, "English", 0},
      {&kLanguages, "espa\u00F1ol", 5},
      {&kLanguages, "Suomi", 5},
      {&kDefaultDisplays, "Set & Dev", 2},
      {&kDefaultDisplays, "x", 3},
      {&kCharacteristics, "Equal %", 1},
      {&kCharacteristics, "Custom curve", 3},
      {&kCharacteristics, "Square root", 240},
      {&kCharacteristics, "x", 240},
  };
  for (const auto& c : cases) EXPECT_EQ(codeForText(*c.table, c.text), c.code) << c.text;
}

TEST(CodedItems, ItemTextsFillTheComboInIndexOrder) {
  EXPECT_EQ(itemTexts(kCurvePointCounts), (std::vector<std::string>{"3", "5", "9", "17", "33"}));
  EXPECT_EQ(itemTexts(kActuatorFunctions), (std::vector<std::string>{"Single act", "Double act"}));
  EXPECT_TRUE(isCurvePointCount(9));
  EXPECT_FALSE(isCurvePointCount(34));
}

}  // namespace
}  // namespace velk
