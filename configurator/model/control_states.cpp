#include "model/control_states.h"

#include "model/form_state.h"

namespace velk {

namespace when {
bool always(const ControlConditions&) { return true; }
bool never(const ControlConditions&) { return false; }
bool connected(const ControlConditions& c) { return c.connected; }
bool disconnected(const ControlConditions& c) { return !c.connected && !c.linkOpen; }
bool connectedAndWritable(const ControlConditions& c) { return c.connected && !c.writeProtected; }
bool writableOutOfService(const ControlConditions& c) { return connectedAndWritable(c) && c.outOfService; }
bool mayChangeSettings(const ControlConditions& c) {
  return connectedAndWritable(c) && !c.calibrationRunning;
}
bool mayChangeSettingsOutOfService(const ControlConditions& c) {
  return writableOutOfService(c) && !c.calibrationRunning;
}
bool connectedInService(const ControlConditions& c) { return c.connected && !c.outOfService; }
bool versionAbove89(const ControlConditions& c) { return c.deviceVersion > 89; }
bool versionAbove90(const ControlConditions& c) { return c.deviceVersion > 90; }
}  // namespace when

void applyControlStates(const ControlConditions& conditions, const ControlStateRules& rules,
                        FormState& form) {
  for (const ControlStateRule& rule : rules) {
    const bool enabled = rule.enabled(conditions);
    for (const QString& control : rule.controls) form.setEnabled(control, enabled);
  }
}

}  // namespace velk
