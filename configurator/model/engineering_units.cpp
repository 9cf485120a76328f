#include "model/engineering_units.h"

#include <array>

namespace velk {
namespace {

constexpr int kPercentCode = 57;
constexpr int kMilliampereCode = 39;
constexpr int kNotUsedCode = 250;  // HART "not used"; no list to send from

constexpr CodedItem kPositionUnits[] = {
    {kPercentCode, "%"}, {49, "mm"}, {48, "cm"}, {47, "inch"}, {143, "degrees"}};
constexpr CodedItem kSetpointUnits[] = {{kPercentCode, "%"}, {kMilliampereCode, "mA"}, {49, "mm"}, {48, "cm"},
                                        {47, "inch"},        {143, "degrees"}};
constexpr CodedItem kTemperatureUnits[] = {{32, "C"}, {33, "F"}, {35, "K"}};
constexpr CodedItem kPressureUnits[] = {{7, "bar"}, {6, "psi"}, {12, "kPa"}};
constexpr CodedItem kCurrentOrPercentUnits[] = {{kPercentCode, "%"}, {kMilliampereCode, "mA"}};

constexpr std::array<CodedItemTable, 6> kUnitTables = {{
    {kPositionUnits, 143, 0},
    {kSetpointUnits, 143, 0},
    {kTemperatureUnits, 35, 0},
    {kPressureUnits, 12, 0},
    {{}, kNotUsedCode, 0},
    {kCurrentOrPercentUnits, kPercentCode, 0},
}};

constexpr std::string_view kSetpointUnitLabels[] = {"% ", "mA", "mm", "cm", "in", "\u00B0 "};

}  // namespace

const CodedItemTable& unitTable(UnitKind kind) {
  auto k = static_cast<int>(kind);
  if (k < 0 || k >= static_cast<int>(kUnitTables.size())) k = static_cast<int>(UnitKind::Unnamed);
  return kUnitTables[static_cast<std::size_t>(k)];
}

int UnitIndexFromCode(UnitKind kind, int code) { return indexForCode(unitTable(kind), code).value_or(0); }

int UnitCodeFromIndex(UnitKind kind, int index) { return codeForIndex(unitTable(kind), index); }

int UnitCodeFromText(UnitKind kind, std::string_view text) { return codeForText(unitTable(kind), text); }

std::string_view unitName(UnitKind kind, int index) {
  const auto& items = unitTable(kind).items;
  if (index < 0 || index >= static_cast<int>(items.size())) return {};
  return items[static_cast<std::size_t>(index)].text;
}

std::string_view SetpointUnitLabel(int setPointUnitIndex) {
  if (setPointUnitIndex < 0 || setPointUnitIndex >= static_cast<int>(std::size(kSetpointUnitLabels))) {
    return kSetpointUnitLabels[0];
  }
  return kSetpointUnitLabels[setPointUnitIndex];
}

}  // namespace velk
