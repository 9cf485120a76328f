#include "pages/alarms_operations.h"

#include <array>

#include "comm/device_commands.h"
#include "model/engineering_units.h"
#include "model/form_state.h"
#include "model/number_text.h"
#include "model/window_state.h"
#include "pages/appearance_operations.h"
#include "pages/logic/alarm_rules.h"
#include "pages/modules.h"

namespace velk {

namespace {

constexpr int kFirstVersionWithPressureAlarms = 90;

// One alarm's controls and commands. Its data field: the "ON" byte, the
// values as singles from offset 1, then the "Alarm out" byte and the valve
// action.
struct AlarmGroup {
  int readCommand;
  int sendCommand;
  const char* what;  // named when a value is no number
  const char* enable;
  const char* alarmOut;
  const char* valveAction;
  std::array<const char*, 3> values;
  int valueCount;
  int digits;  // shown with this many significant digits
  const char* unitLabels[3] = {};
};

int alarmOutOffset(const AlarmGroup& group) { return 1 + 4 * group.valueCount; }
int valveActionOffset(const AlarmGroup& group) { return 2 + 4 * group.valueCount; }
int layoutLength(const AlarmGroup& group) { return 3 + 4 * group.valueCount; }

const AlarmGroup kDeviation{221,
                            220,
                            "deviation alarm",
                            "CheckBoxAlarmDeviation",
                            "CheckBoxDeviationAlarmOut",
                            "ComboBoxDeviationValveAction",
                            {"EditDeviationDistance", "EditDeviationTime"},
                            2,
                            kReadValueDigits};
const AlarmGroup kLimit1{223,
                         222,
                         "limit 1 alarm",
                         "CheckBoxAlarmLimit1",
                         "CheckBoxLimit1AlarmOut",
                         "ComboBoxLimit1ValveAction",
                         {"EditLimit1Min", "EditLimit1Max", "EditLimit1Hysteresis"},
                         3,
                         kReadValueDigits};
const AlarmGroup kLimit2{225,
                         224,
                         "limit 2 alarm",
                         "CheckBoxAlarmLimit2",
                         "CheckBoxLimit2AlarmOut",
                         "ComboBoxLimit2ValveAction",
                         {"EditLimit2Min", "EditLimit2Max", "EditLimit2Hysteresis"},
                         3,
                         kReadValueDigits};
const AlarmGroup kPotPressure{231,
                              230,
                              "pot=press alarm",
                              "CheckBoxAlarmPot",
                              "CheckBoxPotAlarmOut",
                              "ComboBoxPotPressValveAction",
                              {"EditPotPressMaxDiff"},
                              1,
                              kReadValueDigits};
const AlarmGroup kPressure{227,
                           226,
                           "pressure alarm",
                           "CheckBoxAlarmPressInput",
                           "CheckBoxPressInputAlarmOut",
                           "ComboBoxPressInputValveAction",
                           {"EditPressInputMin", "EditPressInputMax", "EditPressInputHysteresis"},
                           3,
                           kReadValueDigits,
                           {"LabelPressMinUnit", "LabelPressMaxUnit", "LabelPressHysteresisUnit"}};
const AlarmGroup kTemperature{229,
                              228,
                              "temperature alarm",
                              "CheckBoxAlarmTemp",
                              "CheckBoxTempAlarmOut",
                              "ComboBoxTempValveAction",
                              {"EditTempMin", "EditTempMax", "EditTempHysteresis"},
                              3,
                              4,
                              {"LabelTempMinUnit", "LabelTempMaxUnit", "LabelTempHysteresisUnit"}};

const AlarmGroup* const kGroups[] = {&kDeviation,   &kLimit1,   &kLimit2,
                                     &kPotPressure, &kPressure, &kTemperature};

bool pressureAlarmsExist(const WindowState& window) {
  return window.DeviceVersion.load() >= kFirstVersionWithPressureAlarms;
}

// Reads one group; a failed command leaves it as it was.
bool readGroup(const PageOperation& page, const AlarmGroup& group) {
  const JobContext& job = page.job();
  return page.read(group.readCommand, 0, ReplyBytes{layoutLength(group)}, [&](HartLink& reply) {
    FormState& form = job.form;
    const char separator = decimalSeparator(job.window);
    form.setChecked(group.enable, reply.GetInteger(0, 1) != 0);
    for (int i = 0; i < group.valueCount; ++i) {
      const double value = reply.GetFloat(1 + 4 * i);
      form.setText(group.values[i], QString::fromStdString(formatGeneral(value, group.digits, separator)));
    }
    form.setChecked(group.alarmOut, reply.GetInteger(alarmOutOffset(group), 1) != 0);
    showCodedItem(form, group.valveAction, kValveActions,
                  static_cast<int>(reply.GetInteger(valveActionOffset(group), 1)));
  });
}

// Sends one group as the page shows it; a value that is no number keeps the
// whole group back (and says so).
void sendGroup(const PageOperation& page, const AlarmGroup& group) {
  const JobContext& job = page.job();
  std::array<float, 3> values{};
  for (int i = 0; i < group.valueCount; ++i) {
    const auto value = numberToSend(job, group.values[i], group.what);
    if (!value) return;
    values[static_cast<std::size_t>(i)] = *value;
  }
  const FormState& form = job.form;
  const int valveAction = codeOfItem(form, group.valveAction, kValveActions);
  page.send(group.sendCommand, layoutLength(group), [&](HartLink& request) {
    request.SetInteger(0, 1, form.checked(group.enable) ? 1 : 0);
    for (int i = 0; i < group.valueCount; ++i)
      request.SetFloat(1 + 4 * i, values[static_cast<std::size_t>(i)]);
    request.SetInteger(alarmOutOffset(group), 1, form.checked(group.alarmOut) ? 1 : 0);
    request.SetInteger(valveActionOffset(group), 1, static_cast<unsigned>(valveAction));
  });
}

}  // namespace

const PageDefaults& alarmsDefaults() {
  static const PageDefaults defaults = [] {
    const QStringList valveActions = itemList(kValveActions);
    auto off = [](const char* box) { return ControlDefault{.name = box, .checked = false}; };
    auto valveAction = [&](const char* combo) {
      return ControlDefault{combo, valveActions.first(), valveActions};
    };
    // The pressure alarm's unit is never read from the device: its labels
    // start as "%", and "&Default" gives them the default pressure unit.
    auto pressureUnit = [](const char* label, const char* unit, DefaultUse use) {
      return ControlDefault{.name = label, .text = unit, .use = use};
    };
    return PageDefaults{
        off("CheckBoxAlarmLimit1"),
        {"EditLimit1Min", "0"},
        {"EditLimit1Max", "100"},
        {"EditLimit1Hysteresis", "2"},
        off("CheckBoxLimit1AlarmOut"),
        valveAction("ComboBoxLimit1ValveAction"),
        off("CheckBoxAlarmLimit2"),
        {"EditLimit2Min", "0"},
        {"EditLimit2Max", "100"},
        {"EditLimit2Hysteresis", "2"},
        off("CheckBoxLimit2AlarmOut"),
        valveAction("ComboBoxLimit2ValveAction"),
        off("CheckBoxAlarmDeviation"),
        {"EditDeviationDistance", "10"},
        {"EditDeviationTime", "10"},
        {.name = "CheckBoxDeviationAlarmOut", .checked = true},
        valveAction("ComboBoxDeviationValveAction"),
        off("CheckBoxAlarmPressInput"),
        {"EditPressInputMin", "0"},
        {"EditPressInputMax", "100"},
        {"EditPressInputHysteresis", "2"},
        off("CheckBoxPressInputAlarmOut"),
        valveAction("ComboBoxPressInputValveAction"),
        pressureUnit("LabelPressMinUnit", "%", DefaultUse::StartOnly),
        pressureUnit("LabelPressMaxUnit", "%", DefaultUse::StartOnly),
        pressureUnit("LabelPressHysteresisUnit", "%", DefaultUse::StartOnly),
        pressureUnit("LabelPressMinUnit", "bar", DefaultUse::FileDefaultOnly),
        pressureUnit("LabelPressMaxUnit", "bar", DefaultUse::FileDefaultOnly),
        pressureUnit("LabelPressHysteresisUnit", "bar", DefaultUse::FileDefaultOnly),
        off("CheckBoxAlarmPot"),
        {"EditPotPressMaxDiff", "3"},
        off("CheckBoxPotAlarmOut"),
        valveAction("ComboBoxPotPressValveAction"),
        off("CheckBoxAlarmTemp"),
        {"EditTempMin", "0"},
        {"EditTempMax", "100"},
        {"EditTempHysteresis", "5"},
        off("CheckBoxTempAlarmOut"),
        valveAction("ComboBoxTempValveAction"),
        // The temperature fields follow the device's temperature unit even
        // before the page is shown, so their labels start in the store.
        {"LabelTempMinUnit", "C"},
        {"LabelTempMaxUnit", "C"},
        {"LabelTempHysteresisUnit", "C"},
    };
  }();
  return defaults;
}

std::optional<FloatEditBounds> alarmEditBounds(const FormState& form, const QString& field) {
  for (const AlarmGroup* group : kGroups)
    for (int i = 0; i < group->valueCount; ++i) {
      if (field != QLatin1String(group->values[i])) continue;
      const QString label = group->unitLabels[i] ? form.text(group->unitLabels[i]) : QString();
      return alarmFieldBounds(field.toStdString(), label.toStdString());
    }
  return std::nullopt;
}

void readAlarms(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  page.progress("Reading deviation alarm setting...");
  if (sender == Sender::Click) ReadDeviceUnits(page);
  readGroup(page, kDeviation);

  page.progress("Reading limit alarm setting...");
  readGroup(page, kLimit1);
  readGroup(page, kLimit2);

  if (pressureAlarmsExist(job.window)) {
    page.progress("Reading pot=press alarm setting...");
    readGroup(page, kPotPressure);
    // The pressure unit is not applied: the alarm's labels keep their own.
    page.progress("Reading pressure alarm setting...");
    if (page.read(kReadDynamicVariables, 0, ReplyBytes{0}, PageOperation::Read{})) readGroup(page, kPressure);
  }

  page.progress("Reading temperature alarm setting...");
  if (ReadDeviceUnit(page, UnitKind::Temperature)) readGroup(page, kTemperature);
}

void sendAlarms(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  page.progress("Sending deviation alarm setting...");
  sendGroup(page, kDeviation);

  page.progress("Sending limit alarm setting...");
  sendGroup(page, kLimit1);
  sendGroup(page, kLimit2);

  if (pressureAlarmsExist(job.window)) {
    page.progress("Sending pot=press alarm setting...");
    sendGroup(page, kPotPressure);
    page.progress("Sending pressure alarm setting...");
    sendGroup(page, kPressure);
  }

  page.progress("Sending temperature alarm setting...");
  sendGroup(page, kTemperature);
}

const PageModule& alarmsModule() {
  static const PageModule module{
      .name = "TabSheetAlarms",
      .caption = "ALARMS",
      .defaultValues = &alarmsDefaults,
      .read = &readAlarms,
      .send = &sendAlarms,
      .readButton = "ButtonAlarmsRead",
      .sendButton = "ButtonAlarmsSend",
      .controlRules =
          {
              {when::versionAbove89,
               {"CheckBoxAlarmPressInput", "EditPressInputMin", "EditPressInputMax",
                "EditPressInputHysteresis", "CheckBoxPressInputAlarmOut", "ComboBoxPressInputValveAction",
                "CheckBoxAlarmPot", "EditPotPressMaxDiff", "CheckBoxPotAlarmOut",
                "ComboBoxPotPressValveAction"}},
          },
      .configurationPlace = 8,
      .configurationEntries =
          {
              {"ALARM LIMIT1 CHECKED", ConfigValueForm::Flag, "CheckBoxAlarmLimit1"},
              {"ALARM LIMIT1 MIN", ConfigValueForm::Text, "EditLimit1Min"},
              {"ALARM LIMIT1 MAX", ConfigValueForm::Text, "EditLimit1Max"},
              {"ALARM LIMIT1 HYSTERESIS", ConfigValueForm::Text, "EditLimit1Hysteresis"},
              {"ALARM LIMIT1 ALARM OUT", ConfigValueForm::Flag, "CheckBoxLimit1AlarmOut"},
              {"ALARM LIMIT1 VALVE ACTION", ConfigValueForm::Text, "ComboBoxLimit1ValveAction"},
              {"ALARM LIMIT2 CHECKED", ConfigValueForm::Flag, "CheckBoxAlarmLimit2"},
              {"ALARM LIMIT2 MIN", ConfigValueForm::Text, "EditLimit2Min"},
              {"ALARM LIMIT2 MAX", ConfigValueForm::Text, "EditLimit2Max"},
              {"ALARM LIMIT2 HYSTERESIS", ConfigValueForm::Text, "EditLimit2Hysteresis"},
              {"ALARM LIMIT2 ALARM OUT", ConfigValueForm::Flag, "CheckBoxLimit2AlarmOut"},
              {"ALARM LIMIT2 VALVE ACTION", ConfigValueForm::Text, "ComboBoxLimit2ValveAction"},
              {"ALARM DEVIATION CHECKED", ConfigValueForm::Flag, "CheckBoxAlarmDeviation"},
              {"ALARM DEVIATION DISTANCE", ConfigValueForm::Text, "EditDeviationDistance"},
              {"ALARM DEVIATION TIME", ConfigValueForm::Text, "EditDeviationTime"},
              {"ALARM DEVIATION ALARM OUT", ConfigValueForm::Flag, "CheckBoxDeviationAlarmOut"},
              {"ALARM DEVIATION VALVE ACTION", ConfigValueForm::Text, "ComboBoxDeviationValveAction"},
              {"ALARM PRESSURE CHECKED", ConfigValueForm::Flag, "CheckBoxAlarmPressInput", 90},
              {"ALARM PRESSURE MIN", ConfigValueForm::Text, "EditPressInputMin", 90},
              {"ALARM PRESSURE MAX", ConfigValueForm::Text, "EditPressInputMax", 90},
              {"ALARM PRESSURE HYSTERESIS", ConfigValueForm::Text, "EditPressInputHysteresis", 90},
              {"ALARM PRESSURE ALARM OUT", ConfigValueForm::Flag, "CheckBoxPressInputAlarmOut", 90},
              {"ALARM PRESSURE VALVE ACTION", ConfigValueForm::Text, "ComboBoxPressInputValveAction", 90},
              {"ALARM POT=PRESS CHECKED", ConfigValueForm::Flag, "CheckBoxAlarmPot", 90},
              {"ALARM POT=PRESS DIFFERENCE", ConfigValueForm::Text, "EditPotPressMaxDiff", 90},
              {"ALARM POT=PRESS ALARM OUT", ConfigValueForm::Flag, "CheckBoxPotAlarmOut", 90},
              {"ALARM POT=PRESS VALVE ACTION", ConfigValueForm::Text, "ComboBoxPotPressValveAction", 90},
              {"ALARM TEMP CHECKED", ConfigValueForm::Flag, "CheckBoxAlarmTemp"},
              {"ALARM TEMP MIN", ConfigValueForm::Text, "EditTempMin"},
              {"ALARM TEMP MAX", ConfigValueForm::Text, "EditTempMax"},
              {"ALARM TEMP HYSTERESIS", ConfigValueForm::Text, "EditTempHysteresis"},
              {"ALARM TEMP ALARM OUT", ConfigValueForm::Flag, "CheckBoxTempAlarmOut"},
              {"ALARM TEMP VALVE ACTION", ConfigValueForm::Text, "ComboBoxTempValveAction"},
          },
      .readAllPlace = 6,
      .sendAllPlace = 6,
      .sentKeys = {"ALARM "},
  };
  return module;
}

}  // namespace velk
