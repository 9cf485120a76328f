#pragma once
// "&Default": every configuration field back to its factory value, in one
// fixed order, with no device traffic. The values are the rows of the pages'
// default tables that serve "&Default" (page_module.h). The custom curve, the device type and
// version, the configuration file's name, the CALIBRATE pressure fields and
// the TUNING minimum pulses are left alone.

#include <QStringList>

namespace velk {

class FormState;
struct WindowState;

// Sets the fields; returns the controls whose value changed (a page may
// follow them, as a user's change would be followed).
QStringList applyFileDefaults(FormState& form, const WindowState& window);

// The controls it sets, in its order.
QStringList fileDefaultControls();

}  // namespace velk
