#include "pages/logic/alarm_rules.h"

namespace velk {
namespace {

constexpr CodedItem kValveActionItems[] = {
    {0, "Do nothing"}, {1, "Goto open"}, {2, "Goto close"}, {3, "Manual"}};

// A field's bounds when its unit label reads `label`; an empty label stands
// for any label the rows before it did not name.
struct BoundsRow {
  std::string_view field;
  std::string_view label;
  FloatEditBounds bounds;
};
constexpr BoundsRow kBounds[] = {
    {"EditLimit1Min", "", {-20, 120, 0}},
    {"EditLimit2Min", "", {-20, 120, 0}},
    {"EditLimit1Max", "", {-20, 120, 100}},
    {"EditLimit2Max", "", {-20, 120, 100}},
    {"EditLimit1Hysteresis", "", {0, 20, 2}},
    {"EditLimit2Hysteresis", "", {0, 20, 2}},
    {"EditDeviationDistance", "", {0, 99.9, 10}},
    {"EditDeviationTime", "", {0.1, 99.9, 10}},
    {"EditPotPressMaxDiff", "", {0, 99.9, 3}},
    {"EditPressInputMin", "bar", {-20, 120, 0}},
    {"EditPressInputMin", "", {0.8, 23.1, 4}},
    {"EditPressInputMax", "bar", {-20, 120, 100}},
    {"EditPressInputMax", "", {0.8, 23.1, 20}},
    {"EditPressInputHysteresis", "bar", {0, 20, 2}},
    {"EditPressInputHysteresis", "", {0, 3.2, 0.32}},
    {"EditTempMin", "C", {-40, 120, 0}},
    {"EditTempMin", "F", {-40, 248, 32}},
    {"EditTempMin", "", {233.2, 393.1, 273.1}},
    {"EditTempMax", "C", {-40, 120, 100}},
    {"EditTempMax", "F", {-40, 248, 212}},
    {"EditTempMax", "", {233.2, 393.1, 373.1}},
    {"EditTempHysteresis", "C", {0, 20, 5}},
    {"EditTempHysteresis", "F", {0, 36, 9}},
    {"EditTempHysteresis", "", {0, 20, 5}},
};

}  // namespace

constinit const CodedItemTable kValveActions{kValveActionItems, 3, std::nullopt};

std::optional<FloatEditBounds> alarmFieldBounds(std::string_view field, std::string_view unitLabel) {
  for (const BoundsRow& row : kBounds)
    if (row.field == field && (row.label.empty() || row.label == unitLabel)) return row.bounds;
  return std::nullopt;
}

}  // namespace velk
