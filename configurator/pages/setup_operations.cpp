#include "pages/setup_operations.h"

#include "comm/process_values.h"
#include "model/engineering_units.h"
#include "model/form_state.h"
#include "model/window_state.h"
#include "pages/logic/setup_rules.h"
#include "pages/modules.h"
#include "pages/unit_fields.h"

namespace velk {

namespace {

// The controls kept per end of travel; the selector is request byte 0 of
// commands 184 to 189.
struct TravelEndControls {
  int selector;
  const char* travelControl;
  const char* cutoff;
  const char* limited;
};
constexpr TravelEndControls kTravelEnds[] = {
    {0, "ComboBoxControlLow", "EditCutoffLow", "EditLimitedLow"},
    {1, "ComboBoxControlHigh", "EditCutoffHigh", "EditLimitedHigh"},
};

StrokeField strokeField(const FormState& form) {
  return {form.text("EditStroke").toStdString(),
          strokeUnitFromLabel(form.text("LabelStrokeUnit").toStdString())};
}

// A value kept per end of travel (cutoff, limited): the request names the end,
// the reply holds the value at offset 1; a write sends them the same way.
void readEndValues(const PageOperation& page, int command, const char* TravelEndControls::*field) {
  const JobContext& job = page.job();
  for (const TravelEndControls& end : kTravelEnds) {
    page.read(
        command, 1, ReplyBytes{5}, [&](HartLink& request) { request.SetInteger(0, 1, end.selector); },
        [&](HartLink& reply) { showNumber(job.form, job.window, end.*field, reply.GetFloat(1)); });
  }
}

void sendEndValues(const PageOperation& page, int command, const char* TravelEndControls::*field,
                   const QString& what) {
  for (const TravelEndControls& end : kTravelEnds) {
    if (const auto value = numberToSend(page.job(), end.*field, what)) {
      page.send(command, 5, [&](HartLink& request) {
        request.SetInteger(0, 1, end.selector);
        request.SetFloat(1, *value);
      });
    }
  }
}

// A setting the device keeps as a one-byte code, shown as its item.
bool readCode(const PageOperation& page, int command, const char* control, const CodedItemTable& table) {
  const JobContext& job = page.job();
  return page.read(command, 0, ReplyBytes{1},
                   [&](HartLink& reply) { showCodedItem(job.form, control, table, reply.GetInteger(0, 1)); });
}

}  // namespace

const PageDefaults& setupDefaults() {
  // "&Default" sets the actuator type just before the stroke, as the
  // calibration's lines of the file end with it.
  static const PageDefaults defaults = {
      {"ComboBoxActuatorType", "Rotating", itemList(kActuatorTypes)},
      {"EditStroke", "50", {}},
      {"LabelStrokeUnit", "mm", {}},
      {"ComboBoxActuatorSize", "Medium", itemList(kActuatorSizes)},
      {"ComboBoxActuatorFunction", "Single act", itemList(kActuatorFunctions)},
      {"EditCurrentRangeMin", "4", {}},
      {"EditCurrentRangeMax", "20", {}},
      {.name = "RadioGroupDirection", .items = itemList(kDirections), .item = 0},
      {"EditTravelRangeMin", "0", {}},
      {"EditTravelRangeMax", "100", {}},
      {"ComboBoxControlLow", "Cutoff", itemList(kTravelControls)},
      {"ComboBoxControlHigh", "Cutoff", itemList(kTravelControls)},
      {"EditCutoffLow", "0.1", {}},
      {"EditCutoffHigh", "99.9", {}},
      {"EditLimitedLow", "0", {}},
      {"EditLimitedHigh", "100", {}},
  };
  return defaults;
}

void applySetupDefaults(FormState& form, const WindowState& window) {
  applyControlDefaults(form, window, setupDefaults());
  actuatorTypeChanged(form);
}

void actuatorTypeChanged(FormState& form) {
  validateComboField(form, "ComboBoxActuatorType", kActuatorTypeDefaultIndex);
  form.setEnabled("GroupBoxLinear", codeOfItem(form, "ComboBoxActuatorType", kActuatorTypes) == 1);
}

FloatEditBounds strokeFieldBounds(const FormState& form) { return strokeBounds(strokeField(form).unit); }

void readSetup(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  FormState& form = job.form;
  const char separator = decimalSeparator(job.window);

  page.progress("Reading actuator type...");
  if (readCode(page, 175, "ComboBoxActuatorType", kActuatorTypes)) actuatorTypeChanged(form);

  // The stroke is shown in the unit its label names until the position unit
  // says which unit that should be.
  page.progress("Reading stroke...");
  std::optional<int> strokeMillimetres;
  page.read(179, 0, ReplyBytes{1}, [&](HartLink& reply) {
    strokeMillimetres = static_cast<int>(reply.GetInteger(0, 1));
    form.setText("EditStroke",
                 QString::fromStdString(strokeText(*strokeMillimetres, strokeField(form).unit, separator)));
  });
  page.read(3, 0, ReplyBytes{dynamicVariableUnitBytes(kBurstPosition)}, [&](HartLink& reply) {
    const auto unitCode = static_cast<int>(reply.GetInteger(dynamicVariableUnitOffset(kBurstPosition), 1));
    applyPositionUnit(form, job.window, UnitIndexFromCode(UnitKind::Position, unitCode), strokeMillimetres);
  });

  page.progress("Reading actuator size...");
  readCode(page, 153, "ComboBoxActuatorSize", kActuatorSizes);

  page.progress("Reading actuator function...");
  readCode(page, 139, "ComboBoxActuatorFunction", kActuatorFunctions);

  page.progress("Reading current range...");
  page.read(183, 0, ReplyBytes{8}, [&](HartLink& reply) {
    showNumber(form, job.window, "EditCurrentRangeMin", reply.GetFloat(0));
    showNumber(form, job.window, "EditCurrentRangeMax", reply.GetFloat(4));
  });

  page.progress("Reading direction...");
  readCode(page, 177, "RadioGroupDirection", kDirections);

  // The travel range is the primary variable's range: upper value first.
  page.progress("Reading travel range...");
  page.read(15, 0, ReplyBytes{11}, [&](HartLink& reply) {
    showNumber(form, job.window, "EditTravelRangeMax", reply.GetFloat(3));
    showNumber(form, job.window, "EditTravelRangeMin", reply.GetFloat(7));
  });

  page.progress("Reading travel control...");
  for (const TravelEndControls& end : kTravelEnds) {
    page.read(
        185, 1, ReplyBytes{2}, [&](HartLink& request) { request.SetInteger(0, 1, end.selector); },
        [&](HartLink& reply) {
          showCodedItem(form, end.travelControl, kTravelControls, reply.GetInteger(1, 1));
        });
  }
  readEndValues(page, 187, &TravelEndControls::cutoff);
  readEndValues(page, 189, &TravelEndControls::limited);
}

void sendSetup(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  const FormState& form = job.form;

  auto sendCode = [&](int command, const char* control, const CodedItemTable& table) {
    const int code = codeOfItem(form, control, table);
    page.send(command, 1, [code](HartLink& request) { request.SetInteger(0, 1, code); });
  };

  page.progress("Sending actuator type...");
  sendCode(174, "ComboBoxActuatorType", kActuatorTypes);

  page.progress("Sending stroke...");
  if (numberToSend(job, "EditStroke", "stroke")) {
    if (const auto millimetres = strokeByteToSend(strokeField(form), decimalSeparator(job.window)))
      page.send(178, 1, [&](HartLink& request) { request.SetInteger(0, 1, *millimetres); });
  }

  page.progress("Sending actuator size...");
  sendCode(152, "ComboBoxActuatorSize", kActuatorSizes);

  page.progress("Sending actuator function...");
  sendCode(138, "ComboBoxActuatorFunction", kActuatorFunctions);

  page.progress("Sending current range...");
  const auto currentMin = numberToSend(job, "EditCurrentRangeMin", "current range");
  const auto currentMax = numberToSend(job, "EditCurrentRangeMax", "current range");
  if (currentMin && currentMax) {
    page.send(182, 8, [&](HartLink& request) {
      request.SetFloat(0, *currentMin);
      request.SetFloat(4, *currentMax);
    });
  }

  page.progress("Sending direction...");
  sendCode(176, "RadioGroupDirection", kDirections);

  // Always in percent, whatever the position unit.
  page.progress("Sending travel range...");
  const auto travelMin = numberToSend(job, "EditTravelRangeMin", "travel range");
  const auto travelMax = numberToSend(job, "EditTravelRangeMax", "travel range");
  if (travelMin && travelMax) {
    page.send(35, 9, [&](HartLink& request) {
      request.SetInteger(0, 1, kTravelRangeUnitCode);
      request.SetFloat(1, *travelMax);
      request.SetFloat(5, *travelMin);
    });
  }

  page.progress("Sending travel control...");
  for (const TravelEndControls& end : kTravelEnds) {
    const int code = codeOfItem(form, end.travelControl, kTravelControls);
    page.send(184, 2, [&](HartLink& request) {
      request.SetInteger(0, 1, end.selector);
      request.SetInteger(1, 1, code);
    });
  }
  sendEndValues(page, 186, &TravelEndControls::cutoff, "cutoff value");
  sendEndValues(page, 188, &TravelEndControls::limited, "limited value");
}

const PageModule& setupModule() {
  static const PageModule module{
      .name = "TabSheetSetup",
      .caption = "SETUP",
      .defaultValues = &setupDefaults,
      .defaults = [](FormState& form, WindowState&) { actuatorTypeChanged(form); },
      .read = &readSetup,
      .send = &sendSetup,
      .readButton = "ButtonSetupRead",
      .sendButton = "ButtonSetupSend",
      .configurationPlace = 4,
      .configurationEntries =
          {
              {"STROKE LENGTH", ConfigValueForm::Text, "EditStroke"},
              {"ACTUATOR SIZE", ConfigValueForm::Text, "ComboBoxActuatorSize"},
              {"ACTUATOR FUNCTION", ConfigValueForm::Text, "ComboBoxActuatorFunction"},
              {"CURRENT RANGE MIN", ConfigValueForm::Text, "EditCurrentRangeMin"},
              {"CURRENT RANGE MAX", ConfigValueForm::Text, "EditCurrentRangeMax"},
              {"DIRECTION", ConfigValueForm::Index, "RadioGroupDirection"},
              {"TRAVEL RANGE MIN", ConfigValueForm::Text, "EditTravelRangeMin"},
              {"TRAVEL RANGE MAX", ConfigValueForm::Text, "EditTravelRangeMax"},
              {"CONTROL LOW", ConfigValueForm::Text, "ComboBoxControlLow"},
              {"CONTROL HIGH", ConfigValueForm::Text, "ComboBoxControlHigh"},
              {"CUT OFF LOW", ConfigValueForm::Text, "EditCutoffLow"},
              {"CUT OFF HIGH", ConfigValueForm::Text, "EditCutoffHigh"},
              {"LIMIT LOW", ConfigValueForm::Text, "EditLimitedLow"},
              {"LIMIT HIGH", ConfigValueForm::Text, "EditLimitedHigh"},
          },
      .readAllPlace = 3,
      .sendAllPlace = 3,
      .sentKeys = {"ACTUATOR TYPE", "STROKE LENGTH", "ACTUATOR SIZE", "ACTUATOR FUNCTION",
                   "CURRENT RANGE MIN", "CURRENT RANGE MAX", "DIRECTION", "TRAVEL RANGE MIN",
                   "TRAVEL RANGE MAX", "CONTROL LOW", "CONTROL HIGH", "CUT OFF LOW", "CUT OFF HIGH",
                   "LIMIT LOW", "LIMIT HIGH"},
      .sentOutOfServiceOnly = true,
  };
  return module;
}

}  // namespace velk
