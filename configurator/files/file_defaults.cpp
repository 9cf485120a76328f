#include "files/file_defaults.h"

#include <optional>

#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {

namespace {

// A field's factory value: a text (numbers written with a point, shown with
// the locale's separator), a radio item or a check box state.
struct FactoryValue {
  const char* control;
  const char* text = nullptr;
  std::optional<int> item = std::nullopt;
  std::optional<bool> checked = std::nullopt;
};

FactoryValue text(const char* control, const char* value) { return {control, value}; }
FactoryValue item(const char* control, int index) { return {control, nullptr, index}; }
FactoryValue check(const char* control, bool checked) { return {control, nullptr, std::nullopt, checked}; }

const std::vector<FactoryValue>& factoryValues() {
  static const std::vector<FactoryValue> values = {
      text("EditPassword", "7615"),
      text("LabelNumberOfCyclesValue", "-"),
      text("LabelAccumulatedTravelValue", "-"),
      text("LabelMeanDeviationValue", "-"),
      text("LabelRunTimeValue", "-"),
      text("Edit183", "-"),
      text("LabelHWverValue", "-"),
      text("LabelSWverValue", "-"),
      text("LabelAssemblyNumberValue", "-"),
      text("LabelDateValue", "-"),
      text("LabelHartMessageValue", "-"),
      text("EditTag", "B0,KB0,K"),
      text("EditDescriptor", "QTUEQTUEQTUETEAP"),
      text("EditPollAddress", "0"),
      text("LabelHartUnivCmdValue", "-"),
      text("LabelHartSpecCmdValue", "-"),
      item("RadioGroupSetPointSource", 1),
      text("EditSetPoint", "0"),
      text("LabelPosValue", "-"),
      text("LabelDevValue", "-"),
      text("LabelTempValue", "-"),
      text("LabelPressValue", "-"),
      text("ComboBoxCalType", "Autocalibration"),
      text("EditCalCurrentLow", "4"),
      text("EditCalCurrentHigh", "20"),
      text("EditCalTemp", "25"),
      text("LabelCalTempUnit", "C"),
      text("ComboBoxActuatorType", "Rotating"),
      text("EditStroke", "50"),
      text("LabelStrokeUnit", "mm"),
      text("ComboBoxActuatorSize", "Medium"),
      text("ComboBoxActuatorFunction", "Single act"),
      text("EditCurrentRangeMin", "4"),
      text("EditCurrentRangeMax", "20"),
      item("RadioGroupDirection", 0),
      text("EditTravelRangeMin", "0"),
      text("EditTravelRangeMax", "100"),
      text("ComboBoxControlLow", "Cutoff"),
      text("ComboBoxControlHigh", "Cutoff"),
      text("EditCutoffLow", "0.1"),
      text("EditCutoffHigh", "99.9"),
      text("EditLimitedLow", "0"),
      text("EditLimitedHigh", "100"),
      text("ComboBoxCharacter", "Linear"),
      text("ComboBoxNumberOfPoints", "33"),
      text("ComboBoxLanguage", "English"),
      text("ComboBoxDefault", "Position"),
      text("ComboBoxSetpoint", "%"),
      text("ComboBoxPosition", "%"),
      text("ComboBoxPressure", "bar"),
      text("ComboBoxTemp", "C"),
      text("EditCloseTime", "0"),
      text("EditOpenTime", "0"),
      text("EditDeadBand", "0.5"),
      text("EditToggleTime", "0"),
      text("EditToggleCycleTime", "0"),
      text("EditToggleSize", "0"),
      text("EditPID_P", "5"),
      text("EditPID_I", "1"),
      text("EditPID_D", "0.05"),
      text("LabelCalPValue", "5"),
      text("LabelCalIValue", "1"),
      text("LabelCalDValue", "0.05"),
      check("CheckBoxAlarmLimit1", false),
      text("EditLimit1Min", "0"),
      text("EditLimit1Max", "100"),
      text("EditLimit1Hysteresis", "2"),
      check("CheckBoxLimit1AlarmOut", false),
      text("ComboBoxLimit1ValveAction", "Do nothing"),
      check("CheckBoxAlarmLimit2", false),
      text("EditLimit2Min", "0"),
      text("EditLimit2Max", "100"),
      text("EditLimit2Hysteresis", "2"),
      check("CheckBoxLimit2AlarmOut", false),
      text("ComboBoxLimit2ValveAction", "Do nothing"),
      check("CheckBoxAlarmDeviation", false),
      text("EditDeviationDistance", "10"),
      text("EditDeviationTime", "10"),
      check("CheckBoxDeviationAlarmOut", true),
      text("ComboBoxDeviationValveAction", "Do nothing"),
      check("CheckBoxAlarmPressInput", false),
      text("EditPressInputMin", "0"),
      text("EditPressInputMax", "100"),
      text("EditPressInputHysteresis", "2"),
      check("CheckBoxPressInputAlarmOut", false),
      text("ComboBoxPressInputValveAction", "Do nothing"),
      text("LabelPressMinUnit", "bar"),
      text("LabelPressMaxUnit", "bar"),
      text("LabelPressHysteresisUnit", "bar"),
      check("CheckBoxAlarmPot", false),
      text("EditPotPressMaxDiff", "3"),
      check("CheckBoxPotAlarmOut", false),
      text("ComboBoxPotPressValveAction", "Do nothing"),
      check("CheckBoxAlarmTemp", false),
      text("EditTempMin", "0"),
      text("EditTempMax", "100"),
      text("EditTempHysteresis", "5"),
      check("CheckBoxTempAlarmOut", false),
      text("ComboBoxTempValveAction", "Do nothing"),
      text("LabelTempMinUnit", "C"),
      text("LabelTempMaxUnit", "C"),
      text("LabelTempHysteresisUnit", "C"),
  };
  return values;
}

}  // namespace

bool applyFileDefaults(FormState& form, const WindowState& window) {
  const int sourceBefore = form.selectedIndex("RadioGroupSetPointSource");
  for (const FactoryValue& value : factoryValues()) {
    if (value.text) applyControlDefaults(form, window, {{value.control, value.text, {}}});
    if (value.item) form.setSelectedIndex(value.control, *value.item);
    if (value.checked) form.setChecked(value.control, *value.checked);
  }
  return form.selectedIndex("RadioGroupSetPointSource") != sourceBefore;
}

}  // namespace velk
