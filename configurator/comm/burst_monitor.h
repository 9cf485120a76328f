#pragma once
// Burst monitoring: while the live graph asks for it (BurstRequested) the
// positioner sends its values unasked; each burst message becomes a sample of
// the live graph, and the pages' afterBurstSample hooks show it.
//
// The command thread runs section() once a pass, between its jobs. It notices
// the request being raised or dropped by comparing with what it saw on the
// previous pass, and switches the device's burst mode on or off then.
//
// Switching is bounded by time, not by a count of attempts, so that Connect,
// Disconnect and closing the window never wait behind it for long. A device
// that could not be switched off is tried again a turn at a time until it
// answers or the connection ends: left bursting, it would flood the loop.

#include <chrono>
#include <functional>
#include <thread>
#include <utility>

#include "comm/job_context.h"
#include "comm/page_module.h"

namespace velk {

// The clock burst switching is timed by, and how it pauses between two
// attempts. Tests put in one they move themselves.
struct BurstClock {
  using TimePoint = std::chrono::steady_clock::time_point;
  std::function<TimePoint()> now = [] { return std::chrono::steady_clock::now(); };
  std::function<void(std::chrono::milliseconds)> pause = [](std::chrono::milliseconds pause) {
    std::this_thread::sleep_for(pause);
  };
};

class BurstMonitor {
 public:
  // Which message to burst is asked at most this often: a device that keeps
  // its old choice still bursts, and the frames are taken by their length.
  static constexpr int kSelectAttempts = 2;
  // Switching burst mode on or off: no attempt starts after this.
  static constexpr std::chrono::milliseconds kSwitchBudget{3000};
  // Between two attempts, so that a device that refuses at once is not
  // flooded with requests.
  static constexpr std::chrono::milliseconds kAttemptPause{100};
  // A device left bursting is asked again at most this often.
  static constexpr std::chrono::milliseconds kRetryInterval{1000};
  // A bursting device sends several messages a second; this long without one,
  // the monitor asks the device whether it is still there.
  static constexpr std::chrono::seconds kSilenceLimit{4};

  explicit BurstMonitor(const PageModules& modules) : modules_(modules) {}

  void setClock(BurstClock clock) { clock_ = std::move(clock); }

  // One pass: start, collect, stop as the request says.
  void section(const JobContext& job);

  // Makes the next section switch burst mode off in the device, whatever the
  // page asked for: after a connection is made and before one is dropped.
  void switchOffOnNextPass(LiveData& live);

  // Burst mode off for a program that is closing: attempts (each its own
  // transaction) until one succeeds, none started after `budget` has run
  // out, so a dead line cannot hold the program open.
  bool switchOffForShutdown(Link& link, const WindowState& window, LiveData& live,
                            std::chrono::milliseconds budget);

  // The connection ended: nothing is left to switch off.
  void connectionEnded();

  // The request could not be served at all (the library failed to load).
  void abandon(LiveData& live);

  // True once after the device fell silent and did not answer when asked (a
  // pulled cable, a vanished port): the connection is lost.
  bool takeConnectionLost() { return std::exchange(connectionLost_, false); }

 private:
  bool start(const JobContext& job);
  bool stop(const JobContext& job, int attempts);
  bool sendBurstCommand(Link& link, std::stop_token stop, int handle, int command, unsigned value,
                        int maxAttempts, BurstClock::TimePoint deadline);
  void collect(const JobContext& job);
  void checkSilence(const JobContext& job);
  int burstCommand(const FormState& form) const;

  const PageModules& modules_;
  BurstClock clock_;
  // Whether the device was last switched to bursting: BurstRequested as the
  // previous section served it.
  bool lastSeen_ = false;
  // Switching off failed; the next try is due at offRetryAt_.
  bool offPending_ = false;
  BurstClock::TimePoint offRetryAt_{};
  BurstClock::TimePoint lastSample_{};
  bool connectionLost_ = false;
};

}  // namespace velk
