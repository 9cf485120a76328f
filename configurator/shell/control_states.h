#pragma once
// Which controls are enabled in which connection state: one table of rules,
// each a condition and the controls it enables (and disables when false).

#include <QStringList>
#include <vector>

#include "shell/window_state.h"

namespace velk {

class FormState;

struct ControlStateRule {
  bool (*enabled)(const ControlConditions&);
  QStringList controls;
};

const std::vector<ControlStateRule>& controlStateRules();

// The body of UpdateControlStates: every rule's controls get their enabled
// state in the store, whether or not a widget shows them yet.
void applyControlStates(const ControlConditions& conditions, FormState& form);

}  // namespace velk
