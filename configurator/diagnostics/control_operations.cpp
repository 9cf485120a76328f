#include "diagnostics/control_operations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>

#include "comm/configurator.h"
#include "comm/page_module.h"
#include "comm/process_values.h"
#include "comm/thread_commands.h"
#include "diagnostics/diag2_operations.h"
#include "diagnostics/logic/graph_file.h"
#include "diagnostics/logic/setpoint_rules.h"
#include "diagnostics/modules.h"
#include "model/engineering_units.h"
#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/live_data.h"
#include "model/number_text.h"
#include "model/stroke.h"
#include "model/window_operations.h"
#include "model/window_state.h"

namespace velk {

namespace {

QString valueWithUnit(double value, UnitKind kind, int unitIndex, char separator) {
  return QString::fromStdString(formatValueWithUnit(value, unitName(kind, unitIndex), separator));
}

QString fixed2(double value, char separator) {
  return QString::fromStdString(formatFixed(value, 2, separator));
}

// The stroke in millimetres as the SETUP page shows it (in mm or inches).
double strokeMillimetresShown(const FormState& form, char separator) {
  const StrokeField stroke{form.text("EditStroke").toStdString(),
                           strokeUnitFromLabel(form.text("LabelStrokeUnit").toStdString())};
  return strokeMillimetres(stroke, separator).value_or(0);
}

std::string localPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

// Sets the radio group to the item of a source code without its click
// sending anything. A code without an item leaves the group alone.
void showSetpointSource(FormState& form, LiveData& live, int code) {
  const auto index = indexForCode(kSetpointSources, code);
  if (!index) return;
  live.SetPointSourceUpdating.store(true);
  form.setSelectedIndex(kSetpointSourceGroup, *index);
  live.SetPointSourceUpdating.store(false);
}

// The page read's process values from command 3: position, the setpoint
// from the variable the DIAG 2 selectors name (else the loop current), and
// the deviation in the position unit.
void showReadProcessValues(const JobContext& job, const DynamicVariables& read) {
  const char separator = decimalSeparator(job.window);
  const DynamicVariable& positionVariable = read.variables[kBurstPosition];
  const int positionUnit = UnitIndexFromCode(UnitKind::Position, positionVariable.unitCode);
  const double position = positionVariable.value;
  job.window.PositionUnitIndex.store(positionUnit);
  job.form.setText("LabelPosValue", valueWithUnit(position, UnitKind::Position, positionUnit, separator));

  int setpointCode = kLoopCurrentUnitCode;
  double setpoint = read.loopCurrent;
  if (const auto slot = setpointSlotInCommand3(dynamicVariableSelections(job.form))) {
    setpointCode = read.variables[*slot].unitCode;
    setpoint = read.variables[*slot].value;
  }
  const int setpointUnit = UnitIndexFromCode(UnitKind::Setpoint, setpointCode);
  job.live.SetPointUnitIndex.store(setpointUnit);
  job.form.setText("LabelSetPointUnit", fromStd(SetpointUnitLabel(setpointUnit)));
  job.form.setText(kSetpointEdit, fixed2(setpoint, separator));

  // Without a stroke a length and a share of travel do not convert: the
  // deviation is then unknown rather than a division by zero.
  const auto setpointAsPosition = setpointInPositionUnit(setpoint, setpointUnit, positionUnit,
                                                         strokeMillimetresShown(job.form, separator));
  job.form.setText("LabelDevValue", setpointAsPosition
                                        ? valueWithUnit(*setpointAsPosition - position, UnitKind::Position,
                                                        positionUnit, separator)
                                        : QStringLiteral("-"));
}

}  // namespace

void RadioGroupSetPointSourceClick(const JobContext& job, Sender sender) {
  if (job.live.SetPointSourceUpdating.load()) return;
  const int code = codeForIndex(kSetpointSources, job.form.selectedIndex(kSetpointSourceGroup));
  {
    PageOperation page(job, sender);
    page.progress("Sending setpoint source...");
    job.window.SetPointSource.store(code);
    page.send(140, 1, [code](HartLink& request) { request.SetInteger(0, 1, static_cast<unsigned>(code)); });
  }
  // The manual setpoint controls follow the source, however the change came.
  job.operations.UpdateControlStates();
}

void ButtonControlReadClick(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  page.progress("Reading setpoint source...");
  if (page.read(141, 0, ReplyBytes{1}, [&](HartLink& reply) {
        const int code = static_cast<int>(reply.GetInteger(0, 1));
        job.window.SetPointSource.store(code);
        showSetpointSource(job.form, job.live, code);
      })) {
    job.operations.UpdateControlStates();
  }
  page.progress("Reading process variables...");
  // The position, and the setpoint's variable when one carries it.
  const int slots = 1 + setpointSlotInCommand3(dynamicVariableSelections(job.form)).value_or(0);
  page.read(3, 0, ReplyBytes{dynamicVariableBytes(slots)},
            [&](HartLink& reply) { showReadProcessValues(job, replyDynamicVariables(reply)); });
}

void ButtonControlSendClick(const JobContext& job, Sender sender) {
  if (job.window.SetPointSource.load() != kSetpointSourceHart) return;
  const char separator = decimalSeparator(job.window);
  const QString typed = job.form.text(kSetpointEdit);
  const auto value = parseSingle(typed.toStdString(), separator);
  if (!value) {
    // Nothing is sent rather than a guess: a valve moves on this command.
    job.operations.reportError(QStringLiteral("'%1' is not a valid setpoint").arg(typed));
    return;
  }
  const int unit = job.live.SetPointUnitIndex.load();
  const auto percent = setpointPercent(*value, unit, strokeMillimetresShown(job.form, separator));
  if (!percent) {
    job.operations.reportError(QStringLiteral("The setpoint was not sent: %1 %2 is no share of the travel "
                                              "while the stroke is unknown (read the SETUP page).")
                                   .arg(typed, fromStd(SetpointUnitLabel(unit)).trimmed()));
    return;
  }
  const auto sent = static_cast<float>(*percent);

  PageOperation page(job, sender);
  page.progress("Sending setpoint...");
  page.send(142, 4, [sent](HartLink& request) { request.SetFloat(0, sent); });
  job.live.setCurrentSetpoint(sent);
  job.form.setText(kSetpointEdit, fixed2(*value, separator));
}

// What the fixed buttons and the steps send, in percent, goes into the field
// in the unit it shows; the send converts it back.
void sendSetpointPercent(const JobContext& job, double percent) {
  const char separator = decimalSeparator(job.window);
  const auto shown = setpointFromPercent(percent, job.live.SetPointUnitIndex.load(),
                                         strokeMillimetresShown(job.form, separator));
  if (shown)
    job.form.setText(kSetpointEdit,
                     QString::fromStdString(formatGeneral(*shown, kFullPrecisionDigits, separator)));
  ButtonControlSendClick(job, Sender::Sequence);
}

void sendFixedSetpoint(const JobContext& job, double percent) { sendSetpointPercent(job, percent); }

void stepSetpoint(const JobContext& job, SetpointStep step) {
  const BurstReading reading = job.live.reading();
  const auto current = setpointPercent(reading.BurstValue[kBurstSetpoint], reading.BurstUnit[kBurstSetpoint],
                                       strokeMillimetresShown(job.form, decimalSeparator(job.window)));
  const auto next = !current                   ? std::nullopt
                    : step == SetpointStep::Up ? stepUp(*current)
                                               : stepDown(*current);
  if (!next) return ButtonControlSendClick(job, Sender::Sequence);  // the field's text as it is
  sendSetpointPercent(job, *next);
}

void rampTick(FormState& form, LiveData& live, const WindowState& window, ThreadCommands& commands) {
  const char separator = decimalSeparator(window);
  const auto value = parseDecimal(form.text(kSetpointEdit).toStdString(), separator);
  if (!value) return;  // the field is validated when left; until then the ramp waits
  const int unit = live.SetPointUnitIndex.load();
  const double stroke = strokeMillimetresShown(form, separator);
  const auto percent = setpointPercent(*value, unit, stroke);
  if (!percent) return;  // a length without a stroke: nothing to ramp
  const RampStep next = nextRampStep(*percent, live.RampDown.load());
  live.RampDown.store(next.RampDown);
  // Disconnected, a request would only fill the log every tick; nothing
  // moves the valve under a calibration.
  if (window.SetPointSource.load() != kSetpointSourceHart || !window.Connected.load() ||
      window.CalibrationRunning.load())
    return;
  const double shown = setpointFromPercent(next.value, unit, stroke).value_or(next.value);
  commands.postSetpoint(static_cast<float>(next.value), fixed2(shown, separator));
}

FloatEditBounds setpointFieldBounds(const FormState& form, const LiveData& live, const WindowState& window) {
  return setpointBounds(live.SetPointUnitIndex.load(),
                        strokeMillimetresShown(form, decimalSeparator(window)));
}

void startGraph(LiveData& live, WindowOperations& operations) {
  // A graph whose burst could not be switched on may be started again.
  if (live.GraphRunning.load() && live.BurstRequested.load()) return;
  live.BurstRequested.store(true);
  live.BurstActive.store(true);
  live.GraphRunning.store(true);
  operations.UpdateControlStates();
}

void stopGraph(LiveData& live, FormState& form, WindowOperations& operations) {
  if (!live.GraphRunning.load()) return;
  live.BurstRequested.store(false);
  live.BurstActive.store(false);
  live.GraphRunning.store(false);
  form.setVisible("LabelExtraData", false);
  form.setVisible("LabelExtraDataValue", false);
  operations.UpdateControlStates();
}

void saveGraph(const QString& chosenName, bool textFilterChosen, LiveData& live, FormState& form,
               WindowState& window) {
  if (!namesAFile(chosenName.toStdString())) return;
  const QString name = QString::fromStdString(withTxtExtension(chosenName.toStdString(), textFilterChosen));
  window.setLastGraphFile(name);
  const auto samples = samplesToSave(live.ring.snapshot(), kLiveGraphWidth);
  const GraphFileWriteResult result = saveGraphFile(localPath(name), samples);
  form.setText(kStatusBar, QString::fromStdString(graphSaveStatusText(result, name.toStdString())));
}

void loadGraph(const QString& chosenName, bool textFilterChosen, LiveData& live, FormState& form) {
  const QString name = QString::fromStdString(withTxtExtension(chosenName.toStdString(), textFilterChosen));
  const int set = form.checked("RadioButton1") ? 0 : 1;
  const auto points = loadGraphFile(localPath(name));
  live.graph.loadComparisonSet(set, points);
  const int count = static_cast<int>(points.size());
  form.setText(kStatusBar, QString::fromStdString(graphLoadStatusText(count, set)));
  if (count > 0) {
    form.setChecked(kShowLoadedSetpoint[set], true);
    form.setChecked(kShowLoadedPosition[set], true);
  }
}

QString graphSaveDialogStart(const WindowState& window, const QString& graphsFolder) {
  const QString last = window.LastGraphFile();
  if (last.contains('/')) return last;
  return QDir(graphsFolder).filePath(last);
}

QString graphOpenDialogFolder(const WindowState& window, const QString& graphsFolder) {
  const QString last = window.LastGraphFile();
  if (last.contains('/')) return QFileInfo(last).path();
  return graphsFolder;
}

bool applyControlConfigurationDefaults(FormState& form) {
  form.setText(kSetpointEdit, "0");
  const bool changed = form.selectedIndex(kSetpointSourceGroup) != kSetpointSourceStartItem;
  form.setSelectedIndex(kSetpointSourceGroup, kSetpointSourceStartItem);
  return changed;
}

const PageDefaults& controlPageDefaults() {
  static const PageDefaults defaults = [] {
    QStringList sources;
    for (const std::string& text : itemTexts(kSetpointSources)) sources.append(QString::fromStdString(text));
    constexpr auto kStartOnly = DefaultUse::StartOnly;
    return PageDefaults{
        {.name = kSetpointSourceGroup, .items = sources, .item = kSetpointSourceStartItem},
        {kSetpointEdit, "0"},
        {"LabelPosValue", "-"},
        {"LabelDevValue", "-"},
        {"LabelTempValue", "-"},
        {"LabelPressValue", "-"},
        {.name = "LabelSetPointUnit", .text = "%", .use = kStartOnly},
        {.name = "LabelExtraData", .text = "ExtraData:", .use = kStartOnly},
        {.name = "LabelExtraDataValue", .text = "-", .use = kStartOnly},
        {.name = kShowLiveSetpoint, .checked = true, .use = kStartOnly},
        {.name = kShowLivePosition, .checked = true, .use = kStartOnly},
        {.name = kShowLoadedSetpoint[0], .checked = false, .use = kStartOnly},
        {.name = kShowLoadedPosition[0], .checked = false, .use = kStartOnly},
        {.name = kShowLoadedSetpoint[1], .checked = false, .use = kStartOnly},
        {.name = kShowLoadedPosition[1], .checked = false, .use = kStartOnly},
        {.name = "RadioButton1", .checked = true, .use = kStartOnly},
        {.name = "RadioButton2", .checked = false, .use = kStartOnly},
    };
  }();
  return defaults;
}

namespace {

void startControlPage(FormState& form, WindowState& window) {
  window.SetPointSource.store(codeForIndex(kSetpointSources, kSetpointSourceStartItem));
  // Shown once a burst message carries the loop current.
  for (const char* control : {"LabelExtraData", "LabelExtraDataValue"}) form.setVisible(control, false);
}

}  // namespace

void applyControlPageDefaults(FormState& form, WindowState& window) {
  applyControlDefaults(form, window, controlPageDefaults());
  startControlPage(form, window);
}

void showProcessValues(FormState& form, const WindowState& window, const BurstReading& reading,
                       const ProcessValueLabels& labels) {
  const char separator = decimalSeparator(window);
  auto valueText = [&](BurstSlot slot) {
    return valueWithUnit(reading.BurstValue[slot], static_cast<UnitKind>(slot), reading.BurstUnit[slot],
                         separator);
  };
  const float position = reading.BurstValue[kBurstPosition];
  const float setpoint = reading.BurstValue[kBurstSetpoint];

  form.setText("LabelPosValue", valueText(kBurstPosition));
  if (labels.showSetpoint) form.setText(kSetpointEdit, fixed2(setpoint, separator));
  form.setText("LabelDevValue", QString::fromStdString(formatValueWithUnit(setpoint - position,
                                                                           labels.deviationUnit, separator)));
  form.setText("LabelTempValue", valueText(kBurstTemperature));
  if (reportsPressure(window)) form.setText("LabelPressValue", valueText(kBurstPressure));
}

void controlAfterConnect(const JobContext& job, const ConnectionReadings& readings) {
  if (readings.setpointSourceCode) {
    // A code without an item leaves the source as it was.
    if (indexForCode(kSetpointSources, *readings.setpointSourceCode)) {
      job.window.SetPointSource.store(*readings.setpointSourceCode);
      showSetpointSource(job.form, job.live, *readings.setpointSourceCode);
    }
  }
  // At connection the deviation is a plain difference in percent.
  if (readings.processValuesRead)
    showProcessValues(job.form, job.window, job.live.reading(), {.deviationUnit = "%", .showSetpoint = true});
}

void controlAfterBurstSample(const JobContext& job, const BurstMessage& message) {
  FormState& form = job.form;
  if (message.command == BurstCommand::Position) {
    // This message carries no setpoint: its curve would stay flat.
    form.setChecked(kShowLiveSetpoint, false);
  } else if (message.command == BurstCommand::LoopCurrent) {
    form.setText("LabelExtraData", "Setpoint :");
    form.setText("LabelExtraDataValue", fixed2(message.loopCurrent, decimalSeparator(job.window)) + " mA");
    form.setVisible("LabelExtraData", true);
    form.setVisible("LabelExtraDataValue", true);
    // This message carries no position: its curve would only repeat itself.
    form.setChecked(kShowLivePosition, false);
  }
  // A burst sample's deviation is named after the setpoint's unit; the
  // setpoint field follows the device unless the user types it (source Hart).
  const BurstReading& reading = message.reading;
  const bool setpointFromHart = form.selectedIndex(kSetpointSourceGroup) == 0;
  showProcessValues(form, job.window, reading,
                    {.deviationUnit = unitName(UnitKind::Setpoint, reading.BurstUnit[kBurstSetpoint]),
                     .showSetpoint = !setpointFromHart});
}

void controlAfterConfigurationLoaded(const LoadedConfiguration& loaded) {
  if (!loaded.changed(kSetpointSourceGroup) || !loaded.followOnDevice) return;
  Configurator& core = loaded.core;
  if (core.window.Connected.load() && core.window.CalibrationRunning.load()) {
    // The source must not change under the calibration.
    if (const auto index = indexForCode(kSetpointSources, core.window.SetPointSource.load()))
      core.form.setSelectedIndex(kSetpointSourceGroup, *index);
    const QString shown = core.form.text(kStatusBar);
    core.form.setText(kStatusBar, (shown.isEmpty() ? QString() : shown + "; ") + kSourceKeptText);
    return;
  }
  if (core.window.Connected.load()) {
    core.commands.post(
        "control source", [](const JobContext& job) { RadioGroupSetPointSourceClick(job, Sender::Click); },
        controlModule().name);
    return;
  }
  core.window.SetPointSource.store(
      codeForIndex(kSetpointSources, core.form.selectedIndex(kSetpointSourceGroup)));
  core.operations.UpdateControlStates();
}

const PageModule& controlModule() {
  static const PageModule module{
      .name = "TabSheet1",
      .caption = "CONTROL",
      .defaultValues = &controlPageDefaults,
      .defaults = &startControlPage,
      .read = &ButtonControlReadClick,
      .send = &ButtonControlSendClick,
      .controlRules =
          {
              {when::connected, {"ButtonControlRead", "ButtonStartGraph", "ButtonStopGraph"}},
              {when::mayChangeSettings, {kSetpointSourceGroup}},
              {[](const ControlConditions& c) {
                 return when::mayChangeSettings(c) && c.setPointSource == kSetpointSourceHart;
               },
               {"Button6", "Button7", "Button8", "Button1", "Button5", "SpeedButton1", kSetpointEdit,
                "ButtonControlSend"}},
          },
      .configurationPlace = 2,
      .configurationEntries =
          {
              {"SOURCE", ConfigValueForm::Index, "RadioGroupSetPointSource"},
              {"SETPOINT", ConfigValueForm::Text, "EditSetPoint"},
              {"POSITION", ConfigValueForm::Text, "LabelPosValue", 0, true},
              {"DEVIATION", ConfigValueForm::Text, "LabelDevValue", 0, true},
              {"TEMP", ConfigValueForm::Text, "LabelTempValue", 0, true},
              {"PRESSURE", ConfigValueForm::Text, "LabelPressValue"},
          },
      .readAllPlace = 2,
      .sendAllPlace = 2,
      // The setpoint itself moves the valve: no file sends it.
      .sentKeys = {"SOURCE"},
      .sendFromFile = &RadioGroupSetPointSourceClick,
      .afterConnect = &controlAfterConnect,
      .afterBurstSample = &controlAfterBurstSample,
      .afterConfigurationLoaded = &controlAfterConfigurationLoaded,
  };
  return module;
}

}  // namespace velk
