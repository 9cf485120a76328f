#include "comm/burst_monitor.h"

#include <optional>

#include "comm/direct_command.h"
#include "comm/process_values.h"
#include "pages/field_validation.h"
#include "pages/logic/engineering_units.h"
#include "pages/logic/number_text.h"

namespace velk {

namespace {

constexpr int kSelectBurstCommand = 108;
constexpr int kBurstModeControl = 109;
constexpr unsigned kBurstOff = 0;
constexpr unsigned kBurstOn = 1;

// Data lengths of the burst messages of commands 1, 2 and 3.
constexpr int kPositionFrame = 5;
constexpr int kCurrentFrame = 8;
constexpr int kDynamicVariablesFrame = 24;

using Clock = std::chrono::steady_clock;

// Up to `attempts` attempts at a one-byte burst command, each its own
// transaction so other users of the link get their turn in between. With a
// deadline, no attempt starts after it.
bool sendBurstCommand(Link& link, std::stop_token stop, int handle, int command, unsigned value,
                      int attempts, std::optional<Clock::time_point> deadline = std::nullopt) {
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0 && deadline && Clock::now() >= *deadline) return false;
    auto tx = link.begin(stop);
    tx->SetInteger(0, 1, value);
    if (attemptCommand(tx.api(), command, handle, 1)) return true;
  }
  return false;
}

}  // namespace

int chosenBurstCommand(const FormState& form) {
  if (form.checked("CheckBoxBurstPos")) return 1;
  if (form.checked("CheckBoxBurstSetpoint")) return 2;
  return 3;
}

void BurstMonitor::section(const JobContext& job) {
  bool wanted = job.live.BurstRequested.load();
  if (wanted && !lastSeen_) {
    start(job);
    wanted = job.live.BurstRequested.load();
  }
  if (wanted) collect(job);
  if (!wanted && lastSeen_) stop(job);
  lastSeen_ = wanted;
}

void BurstMonitor::start(const JobContext& job) {
  const int handle = job.window.InstrumentHandle.load();
  // Which message the device bursts; if it keeps its old choice, the frames
  // still arrive and are taken by their length.
  sendBurstCommand(job.link, job.stop, handle, kSelectBurstCommand,
                   static_cast<unsigned>(chosenBurstCommand(job.form)), kSelectAttempts);
  if (!sendBurstCommand(job.link, job.stop, handle, kBurstModeControl, kBurstOn,
                        kSwitchAttempts)) {
    job.live.BurstActive.store(false);
    job.live.BurstRequested.store(false);
    job.live.BurstError.store(true);
    return;
  }
  job.transaction()->ProcessBurstMessages(1);
  job.live.BurstActive.store(true);
}

void BurstMonitor::stop(const JobContext& job) {
  if (!sendBurstCommand(job.link, job.stop, job.window.InstrumentHandle.load(), kBurstModeControl,
                        kBurstOff, kSwitchAttempts)) {
    job.live.BurstError.store(true);
    return;
  }
  job.transaction()->ProcessBurstMessages(0);
  job.live.BurstActive.store(false);
}

void BurstMonitor::switchOffOnNextPass(LiveData& live) {
  live.BurstRequested.store(false);
  lastSeen_ = true;
}

bool BurstMonitor::switchOffForShutdown(Link& link, const WindowState& window, LiveData& live,
                                        int attempts, std::chrono::milliseconds budget) {
  const bool off = sendBurstCommand(link, {}, window.InstrumentHandle.load(), kBurstModeControl,
                                    kBurstOff, attempts, Clock::now() + budget);
  if (off) {
    link.begin()->ProcessBurstMessages(0);
    live.BurstActive.store(false);
  }
  live.BurstRequested.store(false);
  lastSeen_ = false;
  return off;
}

void BurstMonitor::abandon(LiveData& live) {
  live.BurstRequested.store(false);
  live.BurstActive.store(false);
  live.BurstError.store(true);
  lastSeen_ = false;
}

void BurstMonitor::collect(const JobContext& job) {
  BurstReading reading = job.live.reading();
  int length = 0;
  float loopCurrent = 0;
  {
    auto tx = job.transaction();
    if (!tx->BurstDataUpdated()) return;
    length = tx->GetBurstMessageLength();
    switch (length) {
      case kPositionFrame:
        reading.BurstUnit[kBurstPosition] = UnitIndexFromCode(
            UnitKind::Position, static_cast<int>(tx->GetBurstInteger(0, 1)));
        reading.BurstValue[kBurstPosition] = tx->GetBurstFloat(1);
        break;
      case kCurrentFrame:
        loopCurrent = tx->GetBurstFloat(0);
        break;
      case kDynamicVariablesFrame: {
        HartLink& burst = tx.api();
        takeDynamicVariables(
            reading, 4, [&](int offset, int length) { return burst.GetBurstInteger(offset, length); },
            [&](int offset) { return burst.GetBurstFloat(offset); });
        break;
      }
      default:  // another message: the sample repeats the values last known
        break;
    }
  }

  FormState& form = job.form;
  if (length == kPositionFrame) {
    // This message carries no setpoint: its curve would stay flat.
    form.setChecked("CheckBoxShowGraphHARTSetpoint", false);
  } else if (length == kCurrentFrame) {
    form.setText("LabelExtraData", "Setpoint :");
    form.setText("LabelExtraDataValue",
                 QString::fromStdString(formatFixed(loopCurrent, 2, decimalSeparator(job.window))) +
                     " mA");
    form.setVisible("LabelExtraData", true);
    form.setVisible("LabelExtraDataValue", true);
    // This message carries no position: its curve would only repeat itself.
    form.setChecked("CheckBoxShowGraphHARTPosition", false);
  }
  job.live.setReading(reading);
  job.live.ring.append({reading.BurstValue[kBurstSetpoint], reading.BurstValue[kBurstPosition]});
  const bool setpointFromHart = form.selectedIndex("RadioGroupSetPointSource") == 0;
  showProcessValues(form, job.window, reading,
                    {.deviationUnit = unitName(UnitKind::Setpoint, reading.BurstUnit[kBurstSetpoint]),
                     .showSetpoint = !setpointFromHart});
  job.live.NewBurstData.store(true);
}

}  // namespace velk
