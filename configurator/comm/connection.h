#pragma once
// Connecting to the positioner and disconnecting, as the command thread's
// connection job (request 0, posted by "Connect").
//
// A connection is made over two passes of the thread: the search and the
// identity check on the first; on the second the burst section switches the
// device's burst mode off and the initial read follows. Dropping one takes two
// passes too, so burst monitoring is switched off before the link goes.

#include <QString>
#include <chrono>

#include "comm/burst_monitor.h"
#include "comm/job_context.h"
#include "comm/request_slot.h"

namespace velk {

inline constexpr const char* kConnectionFailedText =
    "Connection failed! Check the comport setting and the HART and current cables.";

// Six detection tries per polling address before the search moves on.
inline constexpr int kDetectionTries = 6;

// The polling addresses to search, from SearchPollStart and SearchPollStop.
struct PollRange {
  int first = 0;
  int last = 15;
};
// Text that is no whole number counts as the field's default (0 and 15);
// addresses are limited to 0..15, the addresses a device can have.
PollRange searchPollRange(const FormState& form);

class Connection {
 public:
  Connection(BurstMonitor& burst, RequestSlot& requests) : burst_(burst), requests_(requests) {}

  // Request 0: connects when the window wants a connection (Connected),
  // disconnects otherwise. A connection already standing is made afresh.
  void serveRequest(const JobContext& job);

  // Whether a step waits for the next pass, after its burst section.
  bool hasNextStep() const { return next_ != Step::None; }
  void runNextStep(const JobContext& job);

  // The thread is ending: burst mode off in the device (up to 40 attempts
  // within `budget`), then the link is shut down. Nothing when not connected.
  void shutDown(Link& link, const WindowState& window, LiveData& live,
                std::chrono::milliseconds budget);

 private:
  enum class Step { None, InitialRead, Disconnection };
  enum class Search { Found, NotFound, Cancelled };

  bool procedure(const JobContext& job);
  Search search(const JobContext& job, const PollRange& range);
  bool identify(const JobContext& job);
  bool cancelled(const JobContext& job);
  void initialRead(const JobContext& job);
  void disconnection(const JobContext& job);

  BurstMonitor& burst_;
  RequestSlot& requests_;
  bool connected_ = false;        // a connection stands or is being made
  bool failureToReport_ = false;  // an attempt that fails shows the failure text
  Step next_ = Step::None;
};

}  // namespace velk
