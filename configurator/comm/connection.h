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
#include <functional>
#include <string>

#include "comm/burst_monitor.h"
#include "comm/job_context.h"
#include "comm/page_module.h"
#include "comm/request_slot.h"

namespace velk {

inline constexpr const char* kConnectionFailedText =
    "Connection failed! Check the comport setting and the HART and current cables.";

inline constexpr const char* kConnectionLostText =
    "Connection lost! The positioner does not answer; check the HART and current cables.";

// Six detection tries per polling address before the search moves on.
inline constexpr int kDetectionTries = 6;
// The positioners this program configures (command 0's manufacturer and device type).
inline constexpr unsigned kManufacturer = 62;
inline constexpr unsigned kPositionerDeviceType = 97;

// The system's reason a port would not open, with what to do where that is
// plain ("Permission denied: add yourself to the dialout group").
QString portFailureReason(int reason);

// Why InitHart failed: the library's own text ("The HART-IP server at ...
// refused the key..."), or the system's reason where the library has only
// its general "Unable to initialize the serial port.".
QString portOpenFailure(const std::string& libraryText, int reason);

// Polling addresses 0 to 15 are all a device can have.
inline constexpr int kHighestPollingAddress = 15;

class Connection {
 public:
  // `dropWaitingJobs` runs when a connection is dropped: page jobs posted for
  // it must not run against the next one.
  Connection(BurstMonitor& burst, RequestSlot& requests, const PageModules& modules,
             std::function<void()> dropWaitingJobs)
      : burst_(burst), requests_(requests), modules_(modules), dropWaitingJobs_(std::move(dropWaitingJobs)) {}

  // Request 0: connects when the window wants a connection (Connected),
  // disconnects otherwise. A connection already standing is made afresh.
  void serveRequest(const JobContext& job);

  // Whether a step waits for the next pass, after its burst section.
  bool hasNextStep() const { return next_ != Step::None; }
  void runNextStep(const JobContext& job);

  // The device stopped answering under a running connection (the burst
  // monitor noticed): the connection is dropped as by "Disconnect", with the
  // failure shown and logged. Nothing when not connected.
  void connectionLost(const JobContext& job);

  // The thread is ending: burst mode off in the device (attempts within
  // `budget`), then the link is shut down. Nothing when not connected.
  void shutDown(Link& link, const WindowState& window, LiveData& live, std::chrono::milliseconds budget);

 private:
  enum class Step { None, InitialRead, Disconnection };
  enum class Search { Found, NotFound, Cancelled };

  bool procedure(const JobContext& job);
  Search search(const JobContext& job, const PollRange& range, int& address);
  bool identify(const JobContext& job, int pollingAddress);
  PollRange searchRange(const FormState& form) const;
  bool cancelled(const JobContext& job);
  void initialRead(const JobContext& job);
  void disconnection(const JobContext& job);

  BurstMonitor& burst_;
  RequestSlot& requests_;
  const PageModules& modules_;
  std::function<void()> dropWaitingJobs_;
  bool connected_ = false;        // a connection stands or is being made
  bool failureToReport_ = false;  // an attempt that fails shows the failure text
  Step next_ = Step::None;
};

}  // namespace velk
