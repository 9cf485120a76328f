#pragma once
// "&Default": every configuration field back to its factory value, in one
// fixed order, with no device traffic. The custom curve, the device type and
// version, the configuration file's name, the CALIBRATE pressure fields and
// the TUNING minimum pulses are left alone.

#include <QStringList>

namespace velk {

class FormState;
struct WindowState;

// Sets the fields; returns whether the setpoint source's selection changed
// (its click then follows, as a user's would).
bool applyFileDefaults(FormState& form, const WindowState& window);

// The controls it sets, in its order.
QStringList fileDefaultControls();

}  // namespace velk
