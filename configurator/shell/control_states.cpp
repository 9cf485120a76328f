#include "shell/control_states.h"

#include "shell/form_state.h"

namespace velk {

namespace {

bool connectedAndWritable(const ControlConditions& c) { return c.connected && !c.writeProtected; }

}  // namespace

const std::vector<ControlStateRule>& controlStateRules() {
  static const std::vector<ControlStateRule> rules = {
      {[](const ControlConditions& c) { return !c.connected; },
       {"Comport1", "Comport2", "Comport3", "Comport4", "Comport5", "Comport6", "Comport7",
        "Comport8"}},
      {[](const ControlConditions& c) { return c.connected; },
       {"ButtonControlRead", "ButtonSetupRead", "ButtonCharacterRead", "ButtonApperanceRead",
        "ButtonTuningRead", "ButtonAlarmsRead", "ButtonReadAll", "ButtonReadRead",
        "ButtonStartGraph", "ButtonStopGraph"}},
      {connectedAndWritable,
       {"ButtonInOutService", "RadioGroupSetPointSource", "ButtonApperanceSend",
        "ButtonTuningSend", "ButtonAlarmsSend", "ButtonResetStatistics", "ButtonCalCurrentLow",
        "ButtonCalCurrentHigh", "ButtonCalTemp", "ButtonWriteTagDescDate",
        "ButtonWritePollAddress"}},
      {[](const ControlConditions& c) { return connectedAndWritable(c) && c.outOfService; },
       {"ButtonCalibrate", "ButtonSetupSend", "ButtonCharacterSend", "ButtonFactoryReset",
        "ButtonSendAll"}},
      {[](const ControlConditions& c) { return connectedAndWritable(c) && c.setPointSource == 2; },
       {"Button6", "Button7", "Button8", "Button1", "Button5", "SpeedButton1", "EditSetPoint",
        "ButtonControlSend"}},
      {[](const ControlConditions& c) { return c.connected; },
       {"ButtonPlusStep", "ButtonMinusStep", "ButtonPlusRamp", "ButtonMinusRamp",
        "ButtonPlusHalfsine", "ButtonMinusHalfsine", "ButtonSaveAndLoad", "CheckBoxBurstPos",
        "CheckBoxBurstSetpoint", "CheckBoxBurst4chan", "CheckBoxXY"}},
      {[](const ControlConditions&) { return true; },
       {"ButtonDBTrendView", "ButtonDBTrendSearch", "ButtonDBTrendDelete", "ButtonDBSigLoad",
        "ButtonDBSigSearch", "ButtonDBSigDelete", "CheckBoxDBTrendShowWeeks",
        "CheckBoxDBTrendShowDays", "CheckBoxDBSigAllow"}},
      {[](const ControlConditions& c) { return c.connected && !c.outOfService; },
       {"ButtonToggleStepStart", "ButtonToggleStepCancel"}},
      // The pressure group's read-only fields are never enabled.
      {[](const ControlConditions&) { return false; },
       {"ComboBoxStartMenu", "Edit1", "Edit3", "Edit171"}},
      {[](const ControlConditions& c) {
         return c.deviceType == kDeviceTypeQ5 && c.deviceVersion > 90;
       },
       {"EditMinpulseUp", "EditMinpulseUp2", "EditMinpulseDn", "EditMinpulseDn2"}},
      {[](const ControlConditions& c) { return c.deviceVersion > 90; },
       {"Edit2", "Button17", "Button18", "Edit170", "Button19", "Button44", "Edit172", "Button45",
        "Button46"}},
      {[](const ControlConditions& c) { return c.deviceVersion > 89; },
       {"CheckBoxAlarmPressInput", "EditPressInputMin", "EditPressInputMax",
        "EditPressInputHysteresis", "CheckBoxPressInputAlarmOut", "ComboBoxPressInputValveAction",
        "CheckBoxAlarmPot", "EditPotPressMaxDiff", "CheckBoxPotAlarmOut",
        "ComboBoxPotPressValveAction"}},
  };
  return rules;
}

void applyControlStates(const ControlConditions& conditions, FormState& form) {
  for (const ControlStateRule& rule : controlStateRules()) {
    const bool enabled = rule.enabled(conditions);
    for (const QString& control : rule.controls) form.setEnabled(control, enabled);
  }
}

}  // namespace velk
