#include "comm/connection.h"

#include <QColor>
#include <algorithm>
#include <utility>

#include "comm/process_values.h"
#include "diagnostics/logic/setpoint_rules.h"

namespace velk {

namespace {

constexpr int kReadIdentifier = 0;
constexpr int kReadProtection = 156;
constexpr int kReadServiceMode = 151;
constexpr int kReadSetpointSource = 141;
constexpr int kInServiceCode = 240;  // 241: out of service

// The positioners this program configures.
constexpr unsigned kManufacturer = 62;
constexpr unsigned kPositionerDeviceType = 97;

constexpr int kShutdownBurstAttempts = 40;
constexpr int kHighestPollingAddress = 15;

const QColor kConnectedColor(0, 128, 0);
const QColor kDisconnectedColor(255, 0, 0);

int pollAddressField(const FormState& form, const char* name, int fallback) {
  bool ok = false;
  const int value = form.text(name).trimmed().toInt(&ok);
  return std::clamp(ok ? value : fallback, 0, kHighestPollingAddress);
}

void setComportItemsEnabled(FormState& form, bool enabled) {
  for (int port = 1; port <= kComPortCount; ++port)
    form.setEnabled(QString("Comport%1").arg(port), enabled);
}

}  // namespace

PollRange searchPollRange(const FormState& form) {
  return {pollAddressField(form, "SearchPollStart", 0),
          pollAddressField(form, "SearchPollStop", kHighestPollingAddress)};
}

void Connection::serveRequest(const JobContext& job) {
  connected_ = job.window.Connected.load();
  job.form.setText("ButtonConnect", connected_ ? "Disconnect" : "Connect");
  if (connected_ && procedure(job)) {
    // The device may still be bursting from an earlier session.
    burst_.switchOffOnNextPass(job.live);
    next_ = Step::InitialRead;
    return;
  }
  connected_ = false;
  if (failureToReport_) job.progress(kConnectionFailedText);
  // Monitoring that was on is switched off by the next burst section.
  job.live.BurstRequested.store(false);
  next_ = Step::Disconnection;
}

void Connection::runNextStep(const JobContext& job) {
  const Step step = std::exchange(next_, Step::None);
  if (step == Step::InitialRead) initialRead(job);
  if (step == Step::Disconnection) disconnection(job);
}

// The user pressed the button again: Connected is clear once more. The
// request that came with the press is answered by ending the attempt.
bool Connection::cancelled(const JobContext& job) {
  if (job.stop.stop_requested()) throw TransactionAbandoned();
  if (job.window.Connected.load()) return false;
  requests_.discard(kRequestConnection);
  failureToReport_ = false;
  return true;
}

bool Connection::procedure(const JobContext& job) {
  failureToReport_ = true;
  job.form.setText("StaticText1", "Connecting...");
  setComportItemsEnabled(job.form, false);

  {
    auto tx = job.transaction();
    bool opened = false;
    try {
      tx->InitHart(job.window.ComPort.load());
      opened = tx->GetErrorCode() == 0;
    } catch (const LinkLibraryError& failure) {
      job.operations.reportError(QString::fromLocal8Bit(failure.what()));
    }
    if (!opened) {
      job.progress("Comport error");
      return false;
    }
  }

  job.progress("Searching for device...");
  if (search(job, searchPollRange(job.form)) != Search::Found) return false;
  job.progress("Reading device type...");
  return identify(job);
}

Connection::Search Connection::search(const JobContext& job, const PollRange& range) {
  for (int address = range.first; address <= range.last; ++address) {
    for (int attempt = 1; attempt <= kDetectionTries; ++attempt) {
      if (cancelled(job)) return Search::Cancelled;
      // A search over an empty range takes minutes: show where it is.
      job.progress(QString("Searching for device... polling address %1 (%2 to %3), try %4 of %5")
                       .arg(address)
                       .arg(range.first)
                       .arg(range.last)
                       .arg(attempt)
                       .arg(kDetectionTries));
      auto tx = job.transaction();
      const int handle = tx->DetectInstrumentWithShortAddress(address);
      job.window.InstrumentHandle.store(handle);
      if (handle != 0) {
        tx->SetPollingAddress(handle, address);
        job.form.setText("EditPollAddress", QString::number(address));
        return Search::Found;
      }
    }
  }
  return Search::NotFound;
}

bool Connection::identify(const JobContext& job) {
  unsigned manufacturer = 0;
  unsigned deviceType = 0;
  {
    auto tx = job.transaction();
    if (!job.ExecuteCommand(tx, kReadIdentifier, 0)) return false;
    manufacturer = tx->GetInteger(1, 1);
    deviceType = tx->GetInteger(2, 1);
    job.form.setText("LabelHartUnivCmdValue", QString::number(tx->GetInteger(4, 1)));
    job.form.setText("LabelHartSpecCmdValue", QString::number(tx->GetInteger(5, 1)));
    job.form.setText("LabelSWverValue", QString::number(tx->GetInteger(6, 1)));
    job.form.setText("LabelHWverValue", QString::number(tx->GetInteger(7, 1) >> 3));
    job.form.setText("Edit183", QString::number(tx->GetInteger(9, 3)));
  }
  if (cancelled(job)) return false;
  if (manufacturer != kManufacturer || deviceType != kPositionerDeviceType) return false;
  job.progress("Reading status...");
  return true;
}

void Connection::initialRead(const JobContext& job) {
  WindowState& window = job.window;
  FormState& form = job.form;
  {
    auto tx = job.transaction();
    const bool read = job.ExecuteCommand(tx, kReadProtection, 0);
    window.WriteProtected.store(read && tx->GetInteger(0, 1) != 0);
    form.setText("LabelProtected", window.WriteProtected.load() ? "PROTECTED" : "");
  }
  {
    auto tx = job.transaction();
    // Unknown, the device is taken to be out of service: the safer guess
    // for the pages that write settings.
    int state = 1;
    if (job.ExecuteCommand(tx, kReadServiceMode, 0))
      state = static_cast<int>(tx->GetInteger(0, 1)) - kInServiceCode;
    window.OutOfService.store(state != 0);
    job.operations.ShowServiceState(state);
  }
  {
    auto tx = job.transaction();
    if (job.ExecuteCommand(tx, kReadSetpointSource, 0)) {
      const int code = static_cast<int>(tx->GetInteger(0, 1));
      if (const auto item = indexForCode(kSetpointSources, code)) {
        window.SetPointSource.store(code);
        form.setSelectedIndex("RadioGroupSetPointSource", *item);
      }
    }
  }
  job.progress("Reading process variables...");
  readProcessValues(job);

  // The user may have pressed "Disconnect" meanwhile; that request follows.
  if (window.Connected.load()) {
    form.setText("StaticText1", "CONNECTED");
    form.setTextColor("StaticText1", kConnectedColor);
    job.progress({});
    // A later deliberate disconnection is no failure.
    failureToReport_ = false;
  }
  job.operations.UpdateControlStates();
}

void Connection::disconnection(const JobContext& job) {
  if (!failureToReport_) job.progress({});
  failureToReport_ = false;
  {
    auto tx = job.transaction();
    try {
      tx->reloadLibrary();
    } catch (const LinkLibraryError&) {
      // Not loaded now: the next use of the link tries again and says why.
    }
  }
  WindowState& window = job.window;
  FormState& form = job.form;
  window.InstrumentHandle.store(0);
  form.setText("StaticText1", "DISCONNECTED");
  form.setTextColor("StaticText1", kDisconnectedColor);
  form.setText("ButtonConnect", "Connect");
  form.appendLine(kCommunicationLog, "Disconnected");
  form.setText("LabelProtected", "");
  job.live.GraphRunning.store(false);
  // The reload took the library's burst collector with it.
  job.live.BurstActive.store(false);
  // A "Connect" pressed meanwhile waits as a request: keep the user's wish.
  if (!requests_.waiting(kRequestConnection)) window.Connected.store(false);
  job.operations.UpdateControlStates();
}

void Connection::shutDown(Link& link, const WindowState& window, LiveData& live,
                          std::chrono::milliseconds budget) {
  if (!connected_) return;
  if (window.InstrumentHandle.load() != 0)
    burst_.switchOffForShutdown(link, window, live, kShutdownBurstAttempts, budget);
  link.begin()->ShutDownHart();
  connected_ = false;
}

}  // namespace velk
