#include "calibration_model.h"

#include <algorithm>
#include <cmath>

#include "diagnostic_history.h"

namespace velk::sim {

namespace {

// Seconds at time scale 1: about half a minute for the whole sequence.
constexpr float kTravelSeconds = 12.0f;
constexpr float kLeakSeconds = 8.0f;
constexpr float kPulseTuningSeconds = 4.0f;
constexpr float kStepTuningSeconds = 6.0f;
constexpr float kSelfTestSeconds = 8.0f;

float seconds(const CalibrationState& calibration, float base) {
  return base * std::max(calibration.time_scale, 0.0f);
}

std::uint8_t running_status(CalibrationStage stage) {
  switch (stage) {
    case CalibrationStage::Travel: return calibration_status::kTravelRunning;
    case CalibrationStage::Leak: return calibration_status::kLeakRunning;
    case CalibrationStage::PulseTuning: return calibration_status::kPulseTuning;
    case CalibrationStage::StepTuning: return calibration_status::kStepTuning;
    default: return calibration_status::kTravelDone;
  }
}

float stage_seconds(const CalibrationState& calibration, CalibrationStage stage) {
  switch (stage) {
    case CalibrationStage::Travel: return seconds(calibration, kTravelSeconds);
    case CalibrationStage::Leak: return seconds(calibration, kLeakSeconds);
    case CalibrationStage::PulseTuning: return seconds(calibration, kPulseTuningSeconds);
    case CalibrationStage::StepTuning: return seconds(calibration, kStepTuningSeconds);
    default: return 0.0f;
  }
}

// The parameters a tuning finds: they suit the actuator's size and differ a
// little from one tuning to the next, so a technician sees them change.
void store_tuned_parameters(DeviceState& state) {
  auto& c = state.calibration;
  ++c.tunings_done;
  const float size = static_cast<float>(state.setup.actuator_size);
  c.pid_p = 2.5f + 1.5f * size + 0.37f * static_cast<float>(c.tunings_done % 5);
  c.pid_i = 0.6f + 0.11f * static_cast<float>(c.tunings_done % 4);
  c.pid_d = 0.08f + 0.03f * static_cast<float>(c.tunings_done % 3);
}

void finish_stage(DeviceState& state) {
  auto& c = state.calibration;
  switch (c.stage) {
    case CalibrationStage::Travel:
      c.status =
          c.travel_failure >= 2 && c.travel_failure <= 5 ? c.travel_failure : calibration_status::kTravelDone;
      c.stage = CalibrationStage::None;
      return;
    case CalibrationStage::Leak:
      c.status = c.leak ? calibration_status::kLeakFound : calibration_status::kLeakDone;
      c.stage = CalibrationStage::None;
      return;
    case CalibrationStage::PulseTuning:
      c.stage = CalibrationStage::StepTuning;
      c.status = calibration_status::kStepTuning;
      c.stage_seconds_left = stage_seconds(c, c.stage);
      return;
    case CalibrationStage::StepTuning:
      store_tuned_parameters(state);
      c.status = calibration_status::kTuningDone;
      c.stage = CalibrationStage::None;
      // Tuning is the last stage of a calibration: the device logs it done.
      log_event(state.diagnostics, event_code::kCalibrationDone);
      return;
    case CalibrationStage::None: return;
  }
}

void advance_stage(DeviceState& state, double dt_s) {
  auto& c = state.calibration;
  while (c.stage != CalibrationStage::None) {
    if (c.stage_seconds_left > dt_s) {
      c.stage_seconds_left = static_cast<float>(c.stage_seconds_left - dt_s);
      return;
    }
    dt_s -= c.stage_seconds_left;
    c.stage_seconds_left = 0.0f;
    finish_stage(state);
  }
}

}  // namespace

void start_calibration_stage(CalibrationState& calibration, CalibrationStage stage) {
  calibration.stage = stage;
  calibration.status = running_status(stage);
  calibration.stage_seconds_left = stage_seconds(calibration, stage);
}

void stop_calibration_stage(CalibrationState& calibration, CalibrationStage stage) {
  const bool tuning = stage == CalibrationStage::PulseTuning || stage == CalibrationStage::StepTuning;
  const bool running =
      calibration.stage == stage || (tuning && (calibration.stage == CalibrationStage::PulseTuning ||
                                                calibration.stage == CalibrationStage::StepTuning));
  if (!running) return;
  calibration.stage = CalibrationStage::None;
  calibration.stage_seconds_left = 0.0f;
  // Stopped, the stage shows as not running; what it would have found is unknown.
  if (stage == CalibrationStage::Travel) calibration.status = calibration_status::kTravelDone;
  if (stage == CalibrationStage::Leak) calibration.status = calibration_status::kLeakDone;
  if (tuning) calibration.status = calibration_status::kTuningDone;
}

void start_toggle_step(CalibrationState& calibration, float test_time_s, float cycle_s, float size_percent) {
  calibration.toggle_seconds_left = test_time_s;
  calibration.toggle_elapsed_s = 0.0f;
  calibration.toggle_cycle_s = cycle_s;
  calibration.toggle_size_percent = size_percent;
}

void start_self_test(CalibrationState& calibration) {
  calibration.self_test_seconds_left = seconds(calibration, kSelfTestSeconds);
}

void advance_device_procedures(DeviceState& state, double dt_s) {
  if (dt_s <= 0.0) return;
  advance_stage(state, dt_s);
  auto& c = state.calibration;
  if (c.toggle_seconds_left > 0.0f) {
    c.toggle_seconds_left = static_cast<float>(std::max(0.0, c.toggle_seconds_left - dt_s));
    c.toggle_elapsed_s = static_cast<float>(c.toggle_elapsed_s + dt_s);
  }
  if (self_test_running(c)) {
    c.self_test_seconds_left = static_cast<float>(std::max(0.0, c.self_test_seconds_left - dt_s));
    if (!self_test_running(c)) log_event(state.diagnostics, event_code::kSelfTestPassed);
  }
}

float toggle_step_offset_percent(const CalibrationState& calibration) {
  if (calibration.toggle_seconds_left <= 0.0f || calibration.toggle_cycle_s <= 0.0f) return 0.0f;
  // Up for the first half of each cycle, back for the second.
  const float phase = std::fmod(calibration.toggle_elapsed_s, calibration.toggle_cycle_s);
  return phase < calibration.toggle_cycle_s / 2 ? calibration.toggle_size_percent : 0.0f;
}

bool self_test_running(const CalibrationState& calibration) {
  return calibration.self_test_seconds_left > 0.0f;
}

}  // namespace velk::sim
