#pragma once
// The positioner's four dynamic variables (position, setpoint, temperature,
// pressure): command 3's data taken out of a reply or a burst message, and
// the read at connection that fills the live reading. What the pages show of
// them is up to the pages (their afterConnect and afterBurstSample hooks).

#include "comm/job_context.h"
#include "model/dynamic_variables.h"

namespace velk {

// Command 3's data in the data field, or in the burst buffer.
DynamicVariables replyDynamicVariables(HartLink& reply);
DynamicVariables burstDynamicVariables(HartLink& link);

// Whether the device reports a fourth variable (the supply pressure): software
// versions above 8.9.
bool reportsPressure(const WindowState& window);

// The read at connection: assigns position, setpoint, temperature and
// pressure to the four dynamic variables (command 51), then reads them
// (command 3) into the live reading. Sent straight to the library: a failure
// is not logged, but a reply too short for the variables is. Returns whether
// the values were read.
bool readProcessValues(const JobContext& job);

}  // namespace velk
