#include "comm/burst_monitor.h"

#include <algorithm>
#include <limits>

#include "comm/device_commands.h"
#include "comm/direct_command.h"
#include "comm/process_values.h"

namespace velk {

namespace {

constexpr unsigned kBurstOff = 0;
constexpr unsigned kBurstOn = 1;

// The burst command whose message has this many data bytes.
BurstCommand burstCommandOfLength(int length) {
  switch (length) {
    case 5: return BurstCommand::Position;
    case 8: return BurstCommand::LoopCurrent;
    case 24: return BurstCommand::DynamicVariables;
    default: return BurstCommand::Other;
  }
}

constexpr int kUntilTheDeadline = std::numeric_limits<int>::max();

}  // namespace

// Attempts at a one-byte burst command, each its own transaction so other
// users of the link get their turn in between, until one succeeds,
// `maxAttempts` have failed or `deadline` has passed. The first always starts.
bool BurstMonitor::sendBurstCommand(Link& link, std::stop_token stop, int handle, int command, unsigned value,
                                    int maxAttempts, BurstClock::TimePoint deadline) {
  for (int attempt = 0; attempt < maxAttempts; ++attempt) {
    if (attempt > 0) {
      const auto left = deadline - clock_.now();
      if (left <= BurstClock::TimePoint::duration::zero()) return false;
      clock_.pause(std::min(kAttemptPause, std::chrono::ceil<std::chrono::milliseconds>(left)));
    }
    auto tx = link.begin(stop);
    tx->SetInteger(0, 1, value);
    if (attemptCommand(tx.api(), command, handle, 1)) return true;
  }
  return false;
}

int BurstMonitor::burstCommand(const FormState& form) const {
  for (const PageModule* module : modules_)
    if (module->burstCommand) return module->burstCommand(form);
  return kReadDynamicVariables;
}

void BurstMonitor::section(const JobContext& job) {
  bool wanted = job.live.BurstRequested.load();
  if (wanted && !lastSeen_) {
    lastSeen_ = start(job);
    // "Stop graph" may have been pressed while the device was being switched:
    // a device left bursting would go on after the program has ended.
    wanted = lastSeen_ && job.live.BurstRequested.load();
  }
  if (wanted) collect(job);
  if (!wanted && (lastSeen_ || (offPending_ && clock_.now() >= offRetryAt_))) {
    // A retry is one attempt a turn: the jobs waiting get the link between.
    offPending_ = !stop(job, lastSeen_ ? kUntilTheDeadline : 1);
    offRetryAt_ = clock_.now() + kRetryInterval;
  }
  lastSeen_ = wanted;
}

bool BurstMonitor::start(const JobContext& job) {
  const int handle = job.window.InstrumentHandle.load();
  const auto deadline = clock_.now() + kSwitchBudget;
  // Which message the device bursts; if it keeps its old choice, the frames
  // still arrive and are taken by their length.
  sendBurstCommand(job.link, job.stop, handle, kWriteBurstCommand,
                   static_cast<unsigned>(burstCommand(job.form)), kSelectAttempts, deadline);
  if (!sendBurstCommand(job.link, job.stop, handle, kBurstModeControl, kBurstOn, kUntilTheDeadline,
                        deadline)) {
    job.live.BurstActive.store(false);
    job.live.BurstRequested.store(false);
    job.live.BurstError.store(true);
    return false;
  }
  job.transaction()->ProcessBurstMessages(1);
  job.live.BurstActive.store(true);
  offPending_ = false;
  lastSample_ = clock_.now();
  return true;
}

bool BurstMonitor::stop(const JobContext& job, int attempts) {
  if (!sendBurstCommand(job.link, job.stop, job.window.InstrumentHandle.load(), kBurstModeControl, kBurstOff,
                        attempts, clock_.now() + kSwitchBudget)) {
    job.live.BurstError.store(true);
    return false;
  }
  job.transaction()->ProcessBurstMessages(0);
  job.live.BurstActive.store(false);
  return true;
}

void BurstMonitor::switchOffOnNextPass(LiveData& live) {
  live.BurstRequested.store(false);
  lastSeen_ = true;
}

void BurstMonitor::connectionEnded() {
  lastSeen_ = false;
  offPending_ = false;
}

bool BurstMonitor::switchOffForShutdown(Link& link, const WindowState& window, LiveData& live,
                                        std::chrono::milliseconds budget) {
  const bool off = sendBurstCommand(link, {}, window.InstrumentHandle.load(), kBurstModeControl, kBurstOff,
                                    kUntilTheDeadline, clock_.now() + budget);
  if (off) {
    link.begin()->ProcessBurstMessages(0);
    live.BurstActive.store(false);
  }
  live.BurstRequested.store(false);
  lastSeen_ = false;
  offPending_ = false;
  return off;
}

void BurstMonitor::checkSilence(const JobContext& job) {
  if (clock_.now() - lastSample_ < kSilenceLimit) return;
  lastSample_ = clock_.now();
  {
    auto tx = job.transaction();
    if (job.ExecuteCommand(tx, kReadIdentifier, 0)) {
      // It answers but does not burst (another master switched it off):
      // switch it on again on the next pass.
      lastSeen_ = false;
      return;
    }
  }
  // Nothing to switch off in a device that does not answer.
  lastSeen_ = false;
  job.live.BurstRequested.store(false);
  job.live.BurstActive.store(false);
  connectionLost_ = true;
}

void BurstMonitor::abandon(LiveData& live) {
  live.BurstRequested.store(false);
  live.BurstActive.store(false);
  live.BurstError.store(true);
  lastSeen_ = false;
}

void BurstMonitor::collect(const JobContext& job) {
  BurstMessage message{.reading = job.live.reading()};
  bool updated = false;
  {
    auto tx = job.transaction();
    updated = tx->BurstDataUpdated() != 0;
    if (updated) message.command = burstCommandOfLength(tx->GetBurstMessageLength());
    switch (message.command) {
      case BurstCommand::Position:
        message.reading.BurstUnit[kBurstPosition] =
            UnitIndexFromCode(UnitKind::Position, static_cast<int>(tx->GetBurstInteger(0, 1)));
        message.reading.BurstValue[kBurstPosition] = tx->GetBurstFloat(1);
        break;
      case BurstCommand::LoopCurrent: message.loopCurrent = tx->GetBurstFloat(0); break;
      case BurstCommand::DynamicVariables:
        takeDynamicVariables(message.reading, burstDynamicVariables(tx.api()), kDynamicVariableCount);
        break;
      case BurstCommand::Other: break;
    }
  }
  if (!updated) {
    checkSilence(job);
    return;
  }
  lastSample_ = clock_.now();
  job.live.setReading(message.reading);
  job.live.ring.append(
      {message.reading.BurstValue[kBurstSetpoint], message.reading.BurstValue[kBurstPosition]});
  for (const PageModule* module : modules_)
    if (module->afterBurstSample) module->afterBurstSample(job, message);
}

}  // namespace velk
