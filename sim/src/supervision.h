// What the positioner watches while it runs: its operating statistics and its
// supervision alarms, moved on with the process model.
#pragma once

#include "positioner_sim/device_state.h"

namespace velk::sim {

// One step of dt seconds in which the travel went from `previous_position` to
// the state's position while the positioner aimed at `target_travel` (all in
// percent).
void supervise(DeviceState& state, float previous_position, float target_travel, double dt_s);

// Command 148: the counts start again; the temperature extremes from now.
void reset_statistics(DeviceState& state);

}  // namespace velk::sim
