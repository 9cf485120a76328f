// The configuration pages whose operations are still to come: their captions,
// the start values other pages already rely on, and their control rules.

#include "pages/modules.h"

#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {

namespace {

// The temperature fields follow the device's temperature unit even before
// their pages are shown, so they start in the store.
constexpr const char* kTemperatureUnitStart = "C";

}  // namespace

const PageModule& alarmsModule() {
  static const PageModule module{
      .name = "TabSheetAlarms",
      .caption = "ALARMS",
      .defaults =
          [](FormState& form, WindowState&) {
            form.setText("EditTempMin", "0");
            form.setText("EditTempMax", "100");
            form.setText("EditTempHysteresis", "5");
            for (const char* label : {"LabelTempMinUnit", "LabelTempMaxUnit", "LabelTempHysteresisUnit"})
              form.setText(label, kTemperatureUnitStart);
          },
      .controlRules =
          {
              {when::connected, {"ButtonAlarmsRead"}},
              {when::connectedAndWritable, {"ButtonAlarmsSend"}},
              {when::versionAbove89,
               {"CheckBoxAlarmPressInput", "EditPressInputMin", "EditPressInputMax",
                "EditPressInputHysteresis", "CheckBoxPressInputAlarmOut", "ComboBoxPressInputValveAction",
                "CheckBoxAlarmPot", "EditPotPressMaxDiff", "CheckBoxPotAlarmOut",
                "ComboBoxPotPressValveAction"}},
          },
  };
  return module;
}

}  // namespace velk
