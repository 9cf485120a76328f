// What the positioner does on its own once a master has started it: the
// stages of the automatic calibration, the toggle-step test and the memory
// self test run for a while and then report their outcome. Time is passed
// in, as for the process model.
#pragma once

#include "positioner_sim/device_state.h"

namespace velk::sim {

// Starts a stage: the status shows it running until its time is up.
void start_calibration_stage(CalibrationState& calibration, CalibrationStage stage);
// Stops the stage if it runs; the status then shows that stage as not running.
void stop_calibration_stage(CalibrationState& calibration, CalibrationStage stage);

void start_toggle_step(CalibrationState& calibration, float test_time_s, float cycle_s, float size_percent);
void start_self_test(CalibrationState& calibration);

// Moves the running stage, the toggle-step test and the self test on by dt seconds.
void advance_device_procedures(DeviceState& state, double dt_s);

// How far the toggle-step test moves the valve from where the setpoint puts it.
float toggle_step_offset_percent(const CalibrationState& calibration);

bool self_test_running(const CalibrationState& calibration);

}  // namespace velk::sim
