#include "diagnostics/diag2_operations.h"

#include "diagnostics/modules.h"
#include "model/form_state.h"

namespace velk {

namespace {

constexpr std::array<const char*, 3> kDynamicVariableSelectors = {"ComboBox4", "ComboBox5", "ComboBox6"};

void applyDiag2Defaults(FormState& form, WindowState&) {
  const QStringList variables = {"Position",    "Setpoint",     "Temperature",
                                 "C+ pressure", "Deviation",    "Supply pressure",
                                 "C- pressure", "Raw position", "Filtered position"};
  for (const char* selector : kDynamicVariableSelectors) {
    form.setItems(selector, variables);
    form.setSelectedIndex(selector, -1);
  }
}

}  // namespace

std::array<int, 3> dynamicVariableSelections(const FormState& form) {
  std::array<int, 3> selections{};
  for (std::size_t i = 0; i < selections.size(); ++i)
    selections[i] = form.selectedIndex(kDynamicVariableSelectors[i]);
  return selections;
}

int chosenBurstCommand(const FormState& form) {
  if (form.checked("CheckBoxBurstPos")) return 1;
  if (form.checked("CheckBoxBurstSetpoint")) return 2;
  return 3;
}

const PageModule& diag2Module() {
  static const PageModule module{
      .name = "TabSheetDiag",
      .caption = "DIAG 2",
      .defaults = &applyDiag2Defaults,
      .controlRules = {{when::connected,
                        {"ButtonPlusStep", "ButtonMinusStep", "ButtonPlusRamp", "ButtonMinusRamp",
                         "ButtonPlusHalfsine", "ButtonMinusHalfsine", "ButtonSaveAndLoad", "CheckBoxBurstPos",
                         "CheckBoxBurstSetpoint", "CheckBoxBurst4chan", "CheckBoxXY"}}},
      .burstCommand = &chosenBurstCommand,
  };
  return module;
}

}  // namespace velk
