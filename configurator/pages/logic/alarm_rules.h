// Rules of the ALARMS page: the valve-action codes and the bounds of its value
// fields, some of which follow the unit their label shows.
#pragma once

#include <optional>
#include <string_view>

#include "model/coded_items.h"
#include "model/edit_validation.h"

namespace velk {

// 0 "Do nothing", 1 "Goto open", 2 "Goto close", 3 "Manual". A code above 3
// read from the device leaves the combo box alone; a text that is no item
// sends 3.
extern const CodedItemTable kValveActions;
inline constexpr int kValveActionDefaultIndex = 0;

// The OnExit bounds of an ALARMS value field. The pressure fields' bounds
// depend on whether their unit label reads "bar", the temperature fields' on
// "C", "F" or another (kelvin) label. Nothing for a field that is not one of
// the page's value fields.
std::optional<FloatEditBounds> alarmFieldBounds(std::string_view field, std::string_view unitLabel);

}  // namespace velk
