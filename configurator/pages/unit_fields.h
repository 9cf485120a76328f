#pragma once
// Fields of several pages that follow the device's units: the SETUP stroke
// follows the position unit, the ALARMS and CALIBRATE temperatures follow the
// temperature unit. Used by the APPEARANCE read and send and by the initial
// read at connection.

#include <optional>

class QString;

namespace velk {

class FormState;
struct WindowState;

// The device's position unit became known (index of the position unit list).
// Sets PositionUnitIndex and ComboBoxPosition, and runs the stroke unit rule:
// with a stroke read from the device in this pass (whole millimetres) the
// stroke field shows it in the unit; without one, a field whose unit label
// changes between "mm" and "inch" is converted with it.
void applyPositionUnit(FormState& form, WindowState& window, int positionUnitIndex,
                       std::optional<int> strokeReadThisPass = std::nullopt);

// The stroke unit rule alone, for a position unit the device may not have
// taken yet (a unit being sent).
void applyStrokeUnitRule(FormState& form, const WindowState& window, int positionUnitIndex,
                         std::optional<int> strokeReadThisPass = std::nullopt);

// A configuration file's stroke is in the unit its position unit names: the
// stroke's unit label follows a loaded position unit ("inch", else "mm")
// without converting the loaded stroke.
void showStrokeUnitOfLoadedPosition(FormState& form, const QString& positionUnit);

// Converts EditTempMin, EditTempMax, EditTempHysteresis (ALARMS) and
// EditCalTemp (CALIBRATE) from the unit LabelTempMinUnit names to the unit of
// index `temperatureIndex` (0 C, 1 F, 2 K), then sets the four temperature unit
// labels to the text of ComboBoxTemp.
void ConvertTemperatureFields(FormState& form, const WindowState& window, int temperatureIndex);

}  // namespace velk
