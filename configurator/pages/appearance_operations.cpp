#include "pages/appearance_operations.h"

#include "comm/process_values.h"
#include "model/form_state.h"
#include "model/window_state.h"
#include "pages/logic/appearance_rules.h"
#include "pages/modules.h"
#include "pages/unit_fields.h"

namespace velk {

namespace {

// A unit combo box and the device variable whose unit it shows, in the order
// the page sends them.
struct UnitControl {
  UnitKind kind;
  const char* combo;
  int deviceVariable;
};
constexpr UnitControl kUnitControls[] = {
    {UnitKind::Position, "ComboBoxPosition", kPositionVariable},
    {UnitKind::Setpoint, "ComboBoxSetpoint", kSetpointVariable},
    {UnitKind::Pressure, "ComboBoxPressure", kPressureVariable},
    {UnitKind::Temperature, "ComboBoxTemp", kTemperatureVariable},
};

const UnitControl* unitControl(UnitKind kind) {
  for (const UnitControl& control : kUnitControls)
    if (control.kind == kind) return &control;
  return nullptr;
}

QString unitText(UnitKind kind, int index) {
  const std::string_view name = unitName(kind, index);
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// The unit of a kind is now `index`: its combo box shows it and the fields
// that follow it are converted. PositionUnitIndex names the device's unit, so
// it changes only once the device has it.
void followUnit(FormState& form, WindowState& window, const UnitControl& control, int index,
                bool deviceHasIt) {
  form.setText(control.combo, unitText(control.kind, index));
  if (control.kind == UnitKind::Position) {
    if (deviceHasIt) window.PositionUnitIndex.store(index);
    applyStrokeUnitRule(form, window, index);
  } else if (control.kind == UnitKind::Temperature) {
    if (form.text("LabelTempMinUnit") != unitText(control.kind, index))
      ConvertTemperatureFields(form, window, index);
  }
}

void applyUnitFromReply(const JobContext& job, UnitKind kind, const DynamicVariables& reply) {
  // Only the four dynamic variables have a unit in command 3.
  const auto slot = static_cast<std::size_t>(kind);
  if (slot >= reply.variables.size()) return;
  const int code = reply.variables[slot].unitCode;
  applyDeviceUnit(job.form, job.window, kind, UnitIndexFromCode(kind, code));
}

// Command 3's data bytes up to the unit of a kind's variable.
int unitBytes(UnitKind kind) {
  const auto slot = static_cast<int>(kind);
  return slot < kDynamicVariableCount ? dynamicVariableUnitBytes(slot) : 0;
}

// The units the process values at connection came with; the pressure unit
// is left to the page's own read.
constexpr UnitKind kUnitsOfConnection[] = {UnitKind::Position, UnitKind::Setpoint, UnitKind::Temperature};

}  // namespace

const PageDefaults& appearanceDefaults() {
  static const PageDefaults defaults = {
      {"ComboBoxLanguage", "English", itemList(kLanguages)},
      {"ComboBoxDefault", "Position", itemList(kDefaultDisplays)},
      {"ComboBoxSetpoint", "%", itemList(unitTable(UnitKind::Setpoint))},
      {"ComboBoxPosition", "%", itemList(unitTable(UnitKind::Position))},
      {"ComboBoxPressure", "bar", itemList(unitTable(UnitKind::Pressure))},
      {"ComboBoxTemp", "C", itemList(unitTable(UnitKind::Temperature))},
      // Never enabled and not in the configuration file, so not "&Default"'s.
      {.name = "ComboBoxStartMenu",
       .text = "Last value",
       .items = {"Last value", "Basic menu", "Full menu"},
       .use = DefaultUse::StartOnly},
  };
  return defaults;
}

void applyAppearanceDefaults(FormState& form, const WindowState& window) {
  applyControlDefaults(form, window, appearanceDefaults());
}

void applyDeviceUnit(FormState& form, WindowState& window, UnitKind kind, int unitIndex) {
  if (const UnitControl* control = unitControl(kind)) followUnit(form, window, *control, unitIndex, true);
}

bool ReadDeviceUnit(const PageOperation& page, UnitKind kind) {
  return page.read(3, 0, ReplyBytes{unitBytes(kind)}, [&](HartLink& reply) {
    applyUnitFromReply(page.job(), kind, replyDynamicVariables(reply));
  });
}

void ReadDeviceUnits(const PageOperation& page) {
  // The temperature (slot 2) is the last of them in the reply.
  const bool read = page.read(3, 0, ReplyBytes{unitBytes(UnitKind::Temperature)}, [&](HartLink& reply) {
    const DynamicVariables variables = replyDynamicVariables(reply);
    for (UnitKind kind : kUnitsOfConnection) applyUnitFromReply(page.job(), kind, variables);
  });
  if (read) ReadDeviceUnit(page, UnitKind::Pressure);
}

void readAppearance(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);

  page.progress("Reading language...");
  page.read(211, 0, ReplyBytes{1}, [&](HartLink& reply) {
    showCodedItem(job.form, "ComboBoxLanguage", kLanguages, reply.GetInteger(0, 1));
  });

  page.progress("Reading default display...");
  page.read(213, 0, ReplyBytes{1}, [&](HartLink& reply) {
    showCodedItem(job.form, "ComboBoxDefault", kDefaultDisplays, reply.GetInteger(0, 1));
  });

  page.progress("Reading units...");
  ReadDeviceUnits(page);
}

void sendAppearance(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);

  auto sendCode = [&](int command, int code) {
    return page.send(command, 1, [code](HartLink& request) { request.SetInteger(0, 1, code); });
  };

  page.progress("Sending language...");
  sendCode(210, codeOfItem(job.form, "ComboBoxLanguage", kLanguages));

  page.progress("Sending default display...");
  sendCode(212, codeOfItem(job.form, "ComboBoxDefault", kDefaultDisplays));

  // A unit the device refuses still converts the fields that follow it, so
  // that they keep meaning what the page now shows.
  page.progress("Sending units...");
  for (const UnitControl& control : kUnitControls) {
    const int code = codeOfItem(job.form, control.combo, unitTable(control.kind));
    const bool sent = page.send(53, 2, [&](HartLink& request) {
      request.SetInteger(0, 1, control.deviceVariable);
      request.SetInteger(1, 1, code);
    });
    followUnit(job.form, job.window, control, UnitIndexFromCode(control.kind, code), sent);
  }
}

void appearanceAfterConnect(const JobContext& job, const ConnectionReadings& readings) {
  if (!readings.processValuesRead) return;
  const BurstReading reading = job.live.reading();
  for (UnitKind kind : kUnitsOfConnection)
    applyDeviceUnit(job.form, job.window, kind, reading.BurstUnit[static_cast<int>(kind)]);
}

const PageModule& appearanceModule() {
  static const PageModule module{
      .name = "APPEARANCE",
      .caption = "APPEARANCE",
      .defaultValues = &appearanceDefaults,
      .read = &readAppearance,
      .send = &sendAppearance,
      .readButton = "ButtonApperanceRead",
      .sendButton = "ButtonApperanceSend",
      .controlRules = {{when::never, {"ComboBoxStartMenu"}}},
      .configurationPlace = 6,
      .configurationEntries =
          {
              {"LANGUAGE", ConfigValueForm::Text, "ComboBoxLanguage"},
              {"DEFAULT DISPLAY", ConfigValueForm::Text, "ComboBoxDefault"},
              {"UNIT SETPOINT", ConfigValueForm::Text, "ComboBoxSetpoint"},
              {"UNIT POSITION",
               ConfigValueForm::Text,
               "ComboBoxPosition",
               0,
               false,
               {},
               &showStrokeUnitOfLoadedPosition},
              {"UNIT PRESSURE", ConfigValueForm::Text, "ComboBoxPressure"},
              {"UNIT TEMP",
               ConfigValueForm::Text,
               "ComboBoxTemp",
               0,
               false,
               {"LabelCalTempUnit", "LabelTempMinUnit", "LabelTempMaxUnit", "LabelTempHysteresisUnit"}},
          },
      .readAllPlace = 1,
      .sendAllPlace = 1,
      .sentKeys = {"LANGUAGE", "DEFAULT DISPLAY", "UNIT SETPOINT", "UNIT POSITION", "UNIT PRESSURE",
                   "UNIT TEMP"},
      .afterConnect = &appearanceAfterConnect,
  };
  return module;
}

}  // namespace velk
