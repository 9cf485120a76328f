#include <gtest/gtest.h>

#include <QSet>

#include "model/form_state.h"
#include "registry/page_registry.h"

namespace velk {
namespace {

struct StateCase {
  const char* what;
  ControlConditions conditions;
  QStringList enabled;
  QStringList disabled;
};

ControlConditions connected(bool writeProtected, bool outOfService, int source = 0) {
  return {true, writeProtected, outOfService, source, kDeviceTypeQ5, 86};
}

ControlConditions version(int type, int version) { return {false, false, false, 0, type, version}; }

TEST(ControlStates, EnablesControlsForTheState) {
  const StateCase cases[] = {
      {"disconnected",
       {},
       {"Comport1", "Comport8", "ComportDevices", "ButtonDBTrendView", "CheckBoxDBSigAllow", "FileSave"},
       {"ButtonReadAll", "ButtonSendAll", "ButtonInOutService", "ButtonCalibrate", "ButtonPlusStep",
        "ComboBoxStartMenu", "Edit1"}},
      {"connected, protection not read yet",
       connected(true, false),
       {"ButtonReadAll", "ButtonSetupRead", "ButtonStartGraph", "CheckBoxXY", "ButtonToggleStepStart"},
       {"Comport1", "ButtonInOutService", "RadioGroupSetPointSource", "ButtonSendAll"}},
      {"connected, in service",
       connected(false, false),
       {"ButtonInOutService", "ButtonApperanceSend", "ButtonWritePollAddress", "ButtonToggleStepCancel"},
       {"ButtonSetupSend", "ButtonFactoryReset", "ButtonSendAll", "Button6"}},
      {"connected, out of service",
       connected(false, true),
       {"ButtonSetupSend", "ButtonCharacterSend", "ButtonCalibrate", "ButtonSendAll"},
       {"ButtonToggleStepStart", "EditSetPoint"}},
      {"setpoint over HART",
       connected(false, false, 2),
       {"Button6", "Button7", "Button8", "Button1", "Button5", "SpeedButton1", "EditSetPoint",
        "ButtonControlSend"},
       {}},
      {"setpoint over HART but protected",
       connected(true, false, 2),
       {},
       {"Button6", "EditSetPoint", "ButtonControlSend"}},
      {"Q5 8.9",
       version(kDeviceTypeQ5, 89),
       {},
       {"CheckBoxAlarmPressInput", "ComboBoxPotPressValveAction", "Edit2", "EditMinpulseUp"}},
      {"Q5 9.0",
       version(kDeviceTypeQ5, 90),
       {"CheckBoxAlarmPressInput", "EditPotPressMaxDiff"},
       {"Edit2", "Button46", "Edit1", "Edit3", "Edit171", "EditMinpulseUp"}},
      {"Q5 9.1",
       version(kDeviceTypeQ5, 91),
       {"CheckBoxAlarmPressInput", "Edit2", "Button17", "Edit172", "EditMinpulseUp", "EditMinpulseDn2"},
       {"Edit1", "Edit3", "Edit171"}},
      {"Read All or Send All running",
       {true, false, true, 0, kDeviceTypeQ5, 86, true},
       {"ButtonSetupSend", "ButtonInOutService"},
       {"ButtonReadAll", "ButtonSendAll", "ButtonFactoryReset", "FileDefault", "FileOpen", "FileSave",
        "FileSaveAs"}},
      {"calibration running",
       {true, false, true, 2, kDeviceTypeQ5, 86, false, true},
       {"ButtonReadAll", "ButtonSetupRead", "ButtonTuningRead", "ButtonControlRead", "ButtonInOutService",
        "FileOpen"},
       {"ButtonSendAll", "ButtonFactoryReset", "ButtonSetupSend", "ButtonCharacterSend",
        "ButtonApperanceSend", "ButtonTuningSend", "ButtonAlarmsSend", "RadioGroupSetPointSource",
        "ButtonControlSend", "Button7", "SpeedButton1"}},
      {"disconnected while the port is still open",
       {false, false, false, 0, kDeviceTypeQ5, 86, false, false, true},
       {"FileOpen"},
       {"Comport1", "ComportDevices"}},
      {"Q50 10.1",
       version(kDeviceTypeQ50, 101),
       {"Edit2", "CheckBoxAlarmPot"},
       {"EditMinpulseUp", "EditMinpulseUp2", "EditMinpulseDn", "EditMinpulseDn2"}},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.what);
    FormState form;
    applyControlStates(c.conditions, controlStateRules(), form);
    for (const QString& name : c.enabled) EXPECT_TRUE(form.enabled(name)) << name.toStdString();
    for (const QString& name : c.disabled) EXPECT_FALSE(form.enabled(name)) << name.toStdString();
  }
}

// A control under two rules would end up with whichever rule came last.
TEST(ControlStates, EachControlHasOneRule) {
  QSet<QString> seen;
  for (const ControlStateRule& rule : controlStateRules())
    for (const QString& name : rule.controls) {
      EXPECT_FALSE(seen.contains(name)) << name.toStdString();
      seen.insert(name);
    }
}

}  // namespace
}  // namespace velk
