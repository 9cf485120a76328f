#pragma once
// The APPEARANCE page's operations on the form state: what the positioner's
// own display shows (units, language, default display) and the reading of the
// device's units, which other pages use too. Units reach beyond this page: the
// SETUP stroke follows the position unit, the ALARMS and CALIBRATE
// temperatures follow the temperature unit.

#include "comm/page_module.h"
#include "model/engineering_units.h"
#include "model/form_fields.h"

namespace velk {

class FormState;
struct WindowState;

// Start values and "&Default" values of the page's controls.
const PageDefaults& appearanceDefaults();

// Puts the page to its start values (start-up, "&Default").
void applyAppearanceDefaults(FormState& form, const WindowState& window);

// A unit the device reports (its index in the kind's list, UnitIndexFromCode),
// applied as a read does: the page's unit combo box shows it, a position unit
// sets PositionUnitIndex and converts the stroke, a temperature unit converts
// the temperature fields. Other kinds change nothing.
void applyDeviceUnit(FormState& form, WindowState& window, UnitKind kind, int unitIndex);

// Reads the units of position, setpoint and temperature with one command 3,
// then the pressure unit with another, and applies them as applyDeviceUnit
// does. A failed first command 3 changes nothing.
void ReadDeviceUnits(const PageOperation& page);

// Reads the device's unit of one kind with command 3 and applies it as
// applyDeviceUnit does. Returns whether command 3 succeeded.
bool ReadDeviceUnit(const PageOperation& page, UnitKind kind);

// Reads language, default display and units from the device.
void readAppearance(const JobContext& job, Sender sender);

// Writes language, default display and the four units to the device; the
// stroke and temperature fields follow the units sent.
void sendAppearance(const JobContext& job, Sender sender);

// After connecting: the units of the process values read, applied as
// applyDeviceUnit does (the pressure unit waits for the page's own read).
void appearanceAfterConnect(const JobContext& job, const ConnectionReadings& readings);

}  // namespace velk
