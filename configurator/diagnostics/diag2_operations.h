#pragma once
// The DIAG 2 page's part in what other pages do: which variables command 3
// reports in slots 2 to 4 (ComboBox4 to ComboBox6, where the CONTROL page's
// read looks for the setpoint) and which message burst monitoring asks the
// device for (CheckBoxBurstPos, CheckBoxBurstSetpoint, CheckBoxBurst4chan).

#include <array>

namespace velk {

class FormState;

// The item index each of ComboBox4 to ComboBox6 shows, -1 for none.
std::array<int, 3> dynamicVariableSelections(const FormState& form);

// The burst command the check boxes choose: 1 position, 2 setpoint (loop
// current), else 3 the four dynamic variables.
int chosenBurstCommand(const FormState& form);

}  // namespace velk
