// "&Default": every field of the factory table from a window whose fields
// all hold something else, numbers with the locale's separator, and what it
// leaves alone.
#include <gtest/gtest.h>

#include "model/characteristic_curve.h"
#include "model/form_state.h"
#include "registry/configuration.h"
#include "registry/page_registry.h"
#include "support/core_fixture.h"

namespace velk {
namespace {

// A control's factory value: a text, a radio item or a check box state.
struct Factory {
  const char* control;
  const char* text = nullptr;
  int item = -1;
  int checked = -1;
};
Factory text(const char* control, const char* value) { return {control, value}; }
Factory item(const char* control, int index) { return {control, nullptr, index}; }
Factory check(const char* control, bool on) { return {control, nullptr, -1, on ? 1 : 0}; }

// The factory table, numbers as shown where the separator is a comma.
const Factory kFactoryTable[] = {
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
    text("EditCutoffLow", "0,1"),
    text("EditCutoffHigh", "99,9"),
    text("EditLimitedLow", "0"),
    text("EditLimitedHigh", "100"),
    text("ComboBoxCharacter", "Linear"),
    // "33", then the curve page shows the custom curve's count (5 below).
    text("ComboBoxNumberOfPoints", "5"),
    text("ComboBoxLanguage", "English"),
    text("ComboBoxDefault", "Position"),
    text("ComboBoxSetpoint", "%"),
    text("ComboBoxPosition", "%"),
    text("ComboBoxPressure", "bar"),
    text("ComboBoxTemp", "C"),
    text("EditCloseTime", "0"),
    text("EditOpenTime", "0"),
    text("EditDeadBand", "0,5"),
    text("EditToggleTime", "0"),
    text("EditToggleCycleTime", "0"),
    text("EditToggleSize", "0"),
    text("EditPID_P", "5"),
    text("EditPID_I", "1"),
    text("EditPID_D", "0,05"),
    text("LabelCalPValue", "5"),
    text("LabelCalIValue", "1"),
    text("LabelCalDValue", "0,05"),
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

class FileDefaultTest : public CoreTest {};

TEST_F(FileDefaultTest, PutsEveryFieldOfTheFactoryTableBackAndLeavesTheRestAlone) {
  applyStartupDefaults(form(), window(), ",");
  for (const Factory& f : kFactoryTable) {
    if (f.text) form().setText(f.control, "other");
    if (f.item >= 0) form().setSelectedIndex(f.control, f.item == 0 ? 1 : 0);
    if (f.checked >= 0) form().setChecked(f.control, f.checked == 0);
  }
  // Not in the table: the curve's count, the device, the file, the
  // calibration pressures and the minimum pulses.
  const QStringList untouched = {"Edit1",           "Edit2",          "EditMinpulseUp",
                                 "EditMinpulseUp2", "EditMinpulseDn", "EditMinpulseDn2"};
  for (const QString& control : untouched) form().setText(control, "kept");
  CustomCurve curve = CustomCurve::straightLine(5);
  curve.output[2] = 12.5f;
  window().CustomCurve.set(curve);
  window().DeviceType.store(kDeviceTypeQ50);
  window().DeviceVersion.store(91);
  window().setConfigFileName("/data/valve.txt");

  FileDefaultExecute(core_);
  settle();

  for (const Factory& f : kFactoryTable) {
    SCOPED_TRACE(f.control);
    if (f.text) {
      EXPECT_EQ(form().text(f.control), f.text);
    }
    if (f.item >= 0) {
      EXPECT_EQ(form().selectedIndex(f.control), f.item);
    }
    if (f.checked >= 0) {
      EXPECT_EQ(form().checked(f.control), f.checked == 1);
    }
  }
  for (const QString& control : untouched) EXPECT_EQ(form().text(control), "kept") << control.toStdString();
  // The curve page then shows the linear curve, whose points the curve takes.
  EXPECT_EQ(window().CustomCurve.get().count, 5);
  EXPECT_EQ(window().CustomCurve.get().output[2], 50.0f);
  EXPECT_EQ(window().DeviceType.load(), kDeviceTypeQ50);
  EXPECT_EQ(window().DeviceVersion.load(), 91);
  EXPECT_EQ(window().ConfigFileName(), "/data/valve.txt");
  // The changed source selection was taken as a click would be: not connected,
  // the window follows it without traffic.
  EXPECT_EQ(window().SetPointSource.load(), 0);  // "Auto (4-20 mA)"
  EXPECT_TRUE(fake_->sentCommands().empty());
}

}  // namespace
}  // namespace velk
