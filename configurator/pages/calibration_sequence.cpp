#include "pages/calibration_sequence.h"

#include <QColor>
#include <memory>
#include <utility>

#include "comm/configurator.h"
#include "comm/device_commands.h"
#include "history/calibration_record.h"
#include "model/form_fields.h"
#include "model/number_text.h"

namespace velk {

namespace {

constexpr int kTravelRunning = 1;
constexpr int kTravelDone = 0;
constexpr int kLeakDone = 16;
constexpr int kLeakRunning = 17;
constexpr int kLeakFound = 18;
constexpr int kTuningDone = 32;
constexpr int kPulseTuning = 33;
constexpr int kStepTuning = 34;

// How a sequence ended, as its record says when no status text of the
// device says it.
constexpr const char* kCompleteOutcome = "Calibration complete";
constexpr const char* kAbortedOutcome = "Aborted";
constexpr const char* kConnectionLostOutcome = "Connection lost";
constexpr const char* kInterruptedOutcome = "Interrupted";

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

struct StageControls {
  CalibrationStage stage;
  const char* name;  // in the calibration's record
  const char* label;
  int stopCommand;
  const char* abortText;
};
constexpr StageControls kStages[] = {
    {CalibrationStage::Travel, "Travel", "LabelCalTravelStatus", 161, "Abort Travel Test!"},
    {CalibrationStage::Leak, "Leak", "LabelCalLeakStatus", 158, "Abort Leak Test!"},
    {CalibrationStage::Tune, "Tune", "LabelCalTuneStatus", 163, "Abort Tune Test!"},
};

const StageControls* controlsOf(CalibrationStage stage) {
  for (const StageControls& controls : kStages)
    if (controls.stage == stage) return &controls;
  return nullptr;
}

QColor colourOf(StatusColour colour) {
  switch (colour) {
    case StatusColour::Green: return kGreen;
    case StatusColour::Red: return kRed;
    case StatusColour::Normal: break;
  }
  return {};  // the label's own
}

void showText(FormState& form, const QString& label, const QString& text, const QColor& colour) {
  form.update(label, kText | kTextColor, [&](ControlValue& value) {
    value.text = text;
    value.textColor = colour;
  });
}

bool command(const JobContext& job, int number) {
  auto tx = job.transaction();
  return job.ExecuteCommand(tx, number, 0);
}

}  // namespace

StepJob ButtonCalibrateClick(Configurator& core) {
  const bool travelOnly = core.form.text("ComboBoxCalType") != "Autocalibration";
  for (const char* label :
       {"LabelCalTravelStatus", "LabelCalLeakStatus", "LabelCalTuneStatus", "LabelCalPIDUpdated"})
    core.form.setText(label, QString());
  UpdateAbortButton(core.window, core.operations);
  core.window.CalibrationRunning.store(true);
  core.operations.UpdateControlStates();
  auto sequence = std::make_shared<CalibrationSequence>(travelOnly);
  return {[sequence](const JobContext& job) { return sequence->pass(job); },
          [sequence, &core] { sequence->end(core.form, core.window, core.operations, kInterruptedOutcome); }};
}

void ButtonAbortCalibrateClick(WindowState& window) { window.StopRequested.store(true); }

void UpdateAbortButton(const WindowState& window, WindowOperations& operations) {
  operations.SetButtonState("ButtonAbortCalibrate", !window.StopRequested.load());
}

bool CalibrationSequence::pass(const JobContext& job) {
  try {
    // Only while connected are failed polls worth repeating.
    if (!job.window.Connected.load()) {
      end(job.form, job.window, job.operations, kConnectionLostOutcome);
      return false;
    }
    if (!started_) {
      started_ = true;
      job.window.StopRequested.store(false);
      UpdateAbortButton(job.window, job.operations);
    } else if (ended(job)) {
      return false;
    }
    poll(job);
    followStage(job);
    return true;
  } catch (...) {
    // The job is gone (the program closing, the link library failing): the
    // window must not stay in the calibration's state.
    end(job.form, job.window, job.operations, kInterruptedOutcome);
    throw;
  }
}

void CalibrationSequence::finish(WindowState& window, WindowOperations& operations) {
  window.StopRequested.store(true);
  UpdateAbortButton(window, operations);
  window.CalibrationRunning.store(false);
  operations.UpdateControlStates();
}

bool CalibrationSequence::ended(const JobContext& job) {
  const bool stopRequested = job.window.StopRequested.load();
  if (!stopRequested && !finished_ && !(status_ && isCalibrationFailure(*status_))) return false;
  if (stopRequested) stopStage(job);
  QString outcome = kCompleteOutcome;
  if (stopRequested)
    outcome = kAbortedOutcome;
  else if (!finished_)
    outcome = calibrationStatusText(*status_) ? calibrationStatusText(*status_)->text : kInterruptedOutcome;
  end(job.form, job.window, job.operations, outcome);
  stage_ = CalibrationStage::Starting;
  return true;
}

void CalibrationSequence::end(FormState& form, WindowState& window, WindowOperations& operations,
                              const QString& outcome) {
  if (std::exchange(ended_, true)) return;
  // Before the window leaves the calibration's state: whoever waits for that finds it recorded.
  if (started_) record(form, window, outcome);
  finish(window, operations);
}

void CalibrationSequence::record(FormState& form, WindowState& window, const QString& outcome) const {
  CalibrationRecord record{travelOnly_ ? "Travel calibration" : "Autocalibration", outcome};
  for (const StageControls& stage : kStages)
    if (const QString text = form.text(stage.label); !text.isEmpty()) record.stages.emplace_back(stage.name, text);
  if (tunedRead_) {
    record.p = form.text("LabelCalPValue");
    record.i = form.text("LabelCalIValue");
    record.d = form.text("LabelCalDValue");
  }
  window.History.record({HistoryKind::Calibration, calibrationRecordText(record)});
}

void CalibrationSequence::stopStage(const JobContext& job) {
  const StageControls* controls = controlsOf(stage_);
  if (controls && command(job, controls->stopCommand))
    showText(job.form, controls->label, controls->abortText, kRed);
}

void CalibrationSequence::poll(const JobContext& job) {
  auto tx = job.transaction();
  tx.leaveFailuresUnlogged();
  if (job.ExecuteCommand(tx, kReadCalibrationStatus, 0, 1)) status_ = static_cast<int>(tx->GetInteger(0, 1));
}

// A command that fails leaves stage and status alone: the next pass tries again.
void CalibrationSequence::followStage(const JobContext& job) {
  const int status = status_.value_or(-1);
  switch (stage_) {
    case CalibrationStage::Starting:
      if (command(job, kStartTravel)) {
        status_ = kTravelRunning;
        stage_ = CalibrationStage::Travel;
      }
      return;
    case CalibrationStage::Travel:
      if (status == kTravelDone) {
        show(job, status);
        if (travelOnly_)
          finished_ = true;
        else if (command(job, kStartLeakTest))
          stage_ = CalibrationStage::Leak;
      } else if (status == kTravelRunning || isCalibrationFailure(status)) {
        show(job, status);  // a failure ends the sequence at the next pass
      }
      return;
    case CalibrationStage::Leak:
      if (status == kLeakDone || status == kLeakFound) {
        show(job, status);  // a leak is reported, and tuning goes on all the same
        if (command(job, kStartTuning)) stage_ = CalibrationStage::Tune;
      } else if (status == kLeakRunning) {
        show(job, status);
      }
      return;
    case CalibrationStage::Tune:
      if (status == kTuningDone) {
        show(job, status);
        readTunedParameters(job);
        finished_ = true;
      } else if (status == kPulseTuning || status == kStepTuning) {
        show(job, status);
      }
      return;
  }
}

void CalibrationSequence::readTunedParameters(const JobContext& job) {
  auto tx = job.transaction();
  if (!job.ExecuteCommand(tx, kReadTunedParameters, 0, 12)) return;
  const char separator = decimalSeparator(job.window);
  constexpr std::pair<const char*, const char*> kFields[] = {
      {"EditPID_P", "LabelCalPValue"}, {"EditPID_I", "LabelCalIValue"}, {"EditPID_D", "LabelCalDValue"}};
  for (int i = 0; i < 3; ++i) {
    const auto text = QString::fromStdString(formatFixed(tx->GetFloat(4 * i), 2, separator));
    job.form.setText(kFields[i].first, text);
    job.form.setText(kFields[i].second, job.form.text(kFields[i].first));
  }
  job.form.setText("LabelCalPIDUpdated", kPidUpdatedText);
  tunedRead_ = true;
}

void CalibrationSequence::show(const JobContext& job, int status) const {
  const auto shown = calibrationStatusText(status);
  if (!shown) return;
  showText(job.form, controlsOf(shown->label)->label, shown->text, colourOf(shown->colour));
}

}  // namespace velk
