#include "pages/calibrate_operations.h"

#include "model/form_state.h"
#include "model/window_state.h"
#include "pages/logic/calibration_rules.h"
#include "pages/modules.h"

namespace velk {

namespace {

// The temperature fields follow the device's temperature unit even before
// their pages are shown, so they start in the store.
constexpr const char* kTemperatureUnitStart = "C";

}  // namespace

const PageDefaults& calibrateDefaults() {
  constexpr auto kStartOnly = DefaultUse::StartOnly;
  static const PageDefaults defaults = {
      {"ComboBoxCalType", "Autocalibration", {"Autocalibration", "Travelcalibration"}},
      {"EditCalCurrentLow", "4"},
      {"EditCalCurrentHigh", "20"},
      {"EditCalTemp", "25"},
      {"LabelCalTempUnit", kTemperatureUnitStart},
      // What a calibration found starts empty; "&Default" leaves the
      // pressures alone and gives the PID labels the TUNING values.
      {.name = "LabelCalTravelStatus", .use = kStartOnly},
      {.name = "LabelCalLeakStatus", .use = kStartOnly},
      {.name = "LabelCalTuneStatus", .use = kStartOnly},
      {.name = "LabelCalPIDUpdated", .use = kStartOnly},
      {.name = "LabelCalPValue", .use = kStartOnly},
      {.name = "LabelCalIValue", .use = kStartOnly},
      {.name = "LabelCalDValue", .use = kStartOnly},
      {.name = "Edit1", .text = "0", .use = kStartOnly},
      {.name = "Edit2", .text = "700", .use = kStartOnly},
      {.name = "Edit3", .text = "0", .use = kStartOnly},
      {.name = "Edit170", .text = "700", .use = kStartOnly},
      {.name = "Edit171", .text = "0", .use = kStartOnly},
      {.name = "Edit172", .text = "700", .use = kStartOnly},
  };
  return defaults;
}

const std::vector<const char*>& calibrateCheckedFields() {
  static const std::vector<const char*> fields = {"EditCalCurrentLow", "EditCalCurrentHigh", "EditCalTemp"};
  return fields;
}

FloatEditBounds calibrateFieldBounds(const FormState& form, const QString& field) {
  if (field == "EditCalCurrentLow") return kCalCurrentLowBounds;
  if (field == "EditCalCurrentHigh") return kCalCurrentHighBounds;
  return calibrationTemperatureBounds(form.text("LabelCalTempUnit").toStdString());
}

const std::vector<CalibrationPoint>& calibrationPoints() {
  static const std::vector<CalibrationPoint> points = {
      {"ButtonCalCurrentLow", 200, "EditCalCurrentLow", -1, "low calibration current"},
      {"ButtonCalCurrentHigh", 201, "EditCalCurrentHigh", -1, "high calibration current"},
      {"ButtonCalTemp", 204, "EditCalTemp", -1, "calibration temperature"},
      // Supply without a selector; the chambers C+ and C- with 0 and 1.
      {"Button17", 202, "Edit1", -1, "low supply pressure"},
      {"Button18", 203, "Edit2", -1, "high supply pressure"},
      {"Button19", 202, "Edit3", 0, "low C+ pressure"},
      {"Button44", 203, "Edit170", 0, "high C+ pressure"},
      {"Button45", 202, "Edit171", 1, "low C- pressure"},
      {"Button46", 203, "Edit172", 1, "high C- pressure"},
  };
  return points;
}

void sendCalibrationPoint(const JobContext& job, const QString& button) {
  for (const CalibrationPoint& point : calibrationPoints()) {
    if (button != QLatin1String(point.button)) continue;
    PageOperation page(job, Sender::Click);
    auto value = numberToSend(job, point.field, point.what);
    if (!value) return;
    if (point.command == 204)
      *value = static_cast<float>(calibrationKelvin(*value, job.form.text("LabelCalTempUnit").toStdString()));
    page.send(point.command, point.selector < 0 ? 4 : 5, [&](HartLink& request) {
      request.SetFloat(0, *value);
      if (point.selector >= 0) request.SetInteger(4, 1, point.selector);
    });
    return;
  }
}

const PageModule& calibrateModule() {
  static const PageModule module{
      .name = "TabSheetCalibrate",
      .caption = "CALIBRATE",
      .defaultValues = &calibrateDefaults,
      .defaults =
          [](FormState& form, WindowState& window) {
            // "Abort Cal" is usable only while a calibration runs.
            form.setEnabled("ButtonAbortCalibrate", !window.StopRequested.load());
          },
      .controlRules =
          {
              {when::connectedAndWritable, {"ButtonCalCurrentLow", "ButtonCalCurrentHigh", "ButtonCalTemp"}},
              {when::writableOutOfService, {"ButtonCalibrate"}},
              // The pressure group's Low fields only show what calibration found.
              {when::never, {"Edit1", "Edit3", "Edit171"}},
              {when::versionAbove90,
               {"Edit2", "Button17", "Button18", "Edit170", "Button19", "Button44", "Edit172", "Button45",
                "Button46"}},
          },
      .configurationPlace = 3,
      // The calibration's lines hold the actuator type it calibrates for,
      // which the SETUP page shows and sends.
      .configurationEntries =
          {
              {"CALIBRATION TYPE", ConfigValueForm::Text, "ComboBoxCalType"},
              {"ACTUATOR TYPE", ConfigValueForm::Text, "ComboBoxActuatorType"},
              {"CAL CURRENT LOW", ConfigValueForm::Text, "EditCalCurrentLow"},
              {"CAL CURRENT HIGH", ConfigValueForm::Text, "EditCalCurrentHigh"},
              {"CAL TEMP", ConfigValueForm::Text, "EditCalTemp"},
              {"CAL PRESSURE LOW", ConfigValueForm::Text, "Edit1", 91},
              {"CAL PRESSURE HIGH", ConfigValueForm::Text, "Edit2", 91},
          },
  };
  return module;
}

}  // namespace velk
