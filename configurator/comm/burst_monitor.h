#pragma once
// Burst monitoring: while the CONTROL page asks for it (BurstRequested) the
// positioner sends its values unasked; each burst message becomes a sample of
// the live graph and refreshes the value labels.
//
// The command thread runs section() once a pass, between its jobs. It notices
// the request being raised or dropped by comparing with what it saw on the
// previous pass, and switches the device's burst mode on or off then.

#include <chrono>

#include "comm/job_context.h"

namespace velk {

class BurstMonitor {
 public:
  static constexpr int kSelectAttempts = 2;
  static constexpr int kSwitchAttempts = 20;

  // One pass: start, collect, stop as the request says.
  void section(const JobContext& job);

  // Makes the next section switch burst mode off in the device, whatever the
  // page asked for: after a connection is made and before one is dropped.
  void switchOffOnNextPass(LiveData& live);

  // Burst mode off for a program that is closing: up to `attempts` attempts
  // (each its own transaction) and none started after `budget` has run out,
  // so a dead line cannot hold the program open.
  bool switchOffForShutdown(Link& link, const WindowState& window, LiveData& live, int attempts,
                            std::chrono::milliseconds budget);

  // The request could not be served at all (the library failed to load).
  void abandon(LiveData& live);

 private:
  void start(const JobContext& job);
  void stop(const JobContext& job);
  void collect(const JobContext& job);

  bool lastSeen_ = false;  // BurstRequested as the previous section saw it
};

// The burst command the DIAG 2 check boxes choose: 1 position, 2 setpoint
// (loop current), else 3 the four dynamic variables.
int chosenBurstCommand(const FormState& form);

}  // namespace velk
