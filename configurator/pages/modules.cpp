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

const PageModule& calibrateModule() {
  static const PageModule module{
      .name = "TabSheetCalibrate",
      .caption = "CALIBRATE",
      .defaults =
          [](FormState& form, WindowState&) {
            form.setText("EditCalTemp", "25");
            form.setText("LabelCalTempUnit", kTemperatureUnitStart);
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
  };
  return module;
}

const PageModule& tuningModule() {
  static const PageModule module{
      .name = "TabSheetTuning",
      .caption = "TUNING",
      .defaults =
          [](FormState& form, WindowState& window) {
            form.setText("EditDeadBand", "0" + window.DecimalSeparator() + "5");
          },
      .controlRules =
          {
              {when::connected, {"ButtonTuningRead"}},
              {when::connectedAndWritable, {"ButtonTuningSend"}},
              {when::connectedInService, {"ButtonToggleStepStart", "ButtonToggleStepCancel"}},
              {[](const ControlConditions& c) {
                 return c.deviceType == kDeviceTypeQ5 && c.deviceVersion > 90;
               },
               {"EditMinpulseUp", "EditMinpulseUp2", "EditMinpulseDn", "EditMinpulseDn2"}},
          },
  };
  return module;
}

}  // namespace velk
