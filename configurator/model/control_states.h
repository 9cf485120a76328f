#pragma once
// Which controls are enabled in which connection state: rules, each a
// condition and the controls it enables (and disables when false). Each page
// brings the rules of its own controls; UpdateControlStates applies them all.

#include <QStringList>
#include <vector>

#include "model/window_state.h"

namespace velk {

class FormState;

struct ControlStateRule {
  bool (*enabled)(const ControlConditions&);
  QStringList controls;
};
using ControlStateRules = std::vector<ControlStateRule>;

// The conditions the rules share.
namespace when {
bool always(const ControlConditions& c);
bool never(const ControlConditions& c);
bool connected(const ControlConditions& c);
// Not connected and the port let go: the choice of port may change.
bool disconnected(const ControlConditions& c);
bool connectedAndWritable(const ControlConditions& c);
// Settings that the device takes only out of service.
bool writableOutOfService(const ControlConditions& c);
// Commands that change the device's settings: not while a calibration runs,
// which they would change under it.
bool mayChangeSettings(const ControlConditions& c);
bool mayChangeSettingsOutOfService(const ControlConditions& c);
bool connectedInService(const ControlConditions& c);
bool versionAbove89(const ControlConditions& c);
bool versionAbove90(const ControlConditions& c);
}  // namespace when

// The body of UpdateControlStates: every rule's controls get their enabled
// state in the store, whether or not a widget shows them yet.
void applyControlStates(const ControlConditions& conditions, const ControlStateRules& rules, FormState& form);

}  // namespace velk
