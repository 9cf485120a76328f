#pragma once
// Burst monitoring: while the live graph asks for it (BurstRequested) the
// positioner sends its values unasked; each burst message becomes a sample of
// the live graph, and the pages' afterBurstSample hooks show it.
//
// The command thread runs section() once a pass, between its jobs. It notices
// the request being raised or dropped by comparing with what it saw on the
// previous pass, and switches the device's burst mode on or off then.

#include <chrono>
#include <utility>

#include "comm/job_context.h"
#include "comm/page_module.h"

namespace velk {

class BurstMonitor {
 public:
  static constexpr int kSelectAttempts = 2;
  static constexpr int kSwitchAttempts = 20;
  // A bursting device sends several messages a second; this long without one,
  // the monitor asks the device whether it is still there.
  static constexpr std::chrono::seconds kSilenceLimit{4};

  explicit BurstMonitor(const PageModules& modules) : modules_(modules) {}

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

  // True once after the device fell silent and did not answer when asked (a
  // pulled cable, a vanished port): the connection is lost.
  bool takeConnectionLost() { return std::exchange(connectionLost_, false); }

 private:
  bool start(const JobContext& job);
  void stop(const JobContext& job);
  void collect(const JobContext& job);
  void checkSilence(const JobContext& job);
  int burstCommand(const FormState& form) const;

  const PageModules& modules_;
  // Whether the device was last switched to bursting: BurstRequested as the
  // previous section served it.
  bool lastSeen_ = false;
  std::chrono::steady_clock::time_point lastSample_{};
  bool connectionLost_ = false;
};

}  // namespace velk
