#include "pages/appearance_operations.h"

#include "pages/logic/appearance_rules.h"
#include "pages/unit_fields.h"
#include "shell/form_state.h"
#include "shell/window_state.h"

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

// Command 3 replies with a unit code and a value per device variable: the
// codes are at bytes 4, 9, 14 and 19.
int unitCodeOffset(UnitKind kind) { return 4 + 5 * static_cast<int>(kind); }

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

void applyUnitFromReply(const JobContext& job, UnitKind kind, HartLink& reply) {
  const int code = static_cast<int>(reply.GetInteger(unitCodeOffset(kind), 1));
  applyDeviceUnit(job.form, job.window, kind, UnitIndexFromCode(kind, code));
}

}  // namespace

const PageDefaults& appearanceDefaults() {
  static const PageDefaults defaults = {
      {"ComboBoxSetpoint", "%", itemList(unitTable(UnitKind::Setpoint))},
      {"ComboBoxPosition", "%", itemList(unitTable(UnitKind::Position))},
      {"ComboBoxPressure", "bar", itemList(unitTable(UnitKind::Pressure))},
      {"ComboBoxTemp", "C", itemList(unitTable(UnitKind::Temperature))},
      {"ComboBoxLanguage", "English", itemList(kLanguages)},
      {"ComboBoxDefault", "Position", itemList(kDefaultDisplays)},
      {"ComboBoxStartMenu", "Last value", {"Last value", "Basic menu", "Full menu"}},
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
  return page.read(3, 0, [&](HartLink& reply) { applyUnitFromReply(page.job(), kind, reply); });
}

void ReadDeviceUnits(const PageOperation& page) {
  const bool read = page.read(3, 0, [&](HartLink& reply) {
    for (UnitKind kind : {UnitKind::Position, UnitKind::Setpoint, UnitKind::Temperature})
      applyUnitFromReply(page.job(), kind, reply);
  });
  if (read) ReadDeviceUnit(page, UnitKind::Pressure);
}

void readAppearance(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);

  page.progress("Reading language...");
  page.read(211, 0, [&](HartLink& reply) {
    showCodedItem(job.form, "ComboBoxLanguage", kLanguages, reply.GetInteger(0, 1));
  });

  page.progress("Reading default display...");
  page.read(213, 0, [&](HartLink& reply) {
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

}  // namespace velk
