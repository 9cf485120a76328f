#include "comm/connection.h"

#include <QColor>
#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "comm/device_commands.h"
#include "comm/process_values.h"

namespace velk {

namespace {

const QColor kConnectedColor(0, 128, 0);
const QColor kDisconnectedColor(255, 0, 0);

void setComportItemsEnabled(FormState& form, bool enabled) {
  for (int port = 1; port <= kComPortCount; ++port) form.setEnabled(QString("Comport%1").arg(port), enabled);
}

}  // namespace

QString portFailureReason(int reason) {
  QString text = QString::fromStdString(std::system_category().message(reason));
  if (reason == EACCES || reason == EPERM) text += ": add yourself to the dialout group";
  if (reason == EBUSY) text += ": another program holds the port";
  return text;
}

QString portOpenFailure(const std::string& libraryText, int reason) {
  static constexpr const char* kGeneral = "Unable to initialize the serial port.";
  const QString text = QString::fromStdString(libraryText).trimmed();
  if (reason != 0 && (text.isEmpty() || text == kGeneral)) return portFailureReason(reason);
  return text.isEmpty() ? kGeneral : text;
}

PollRange Connection::searchRange(const FormState& form) const {
  for (const PageModule* module : modules_)
    if (module->searchRange) return module->searchRange(form);
  return {};
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
    const int port = job.window.ComPort.load();
    bool opened = false;
    QString why;
    // From here on the library may hold the port: its environment stays as it is.
    job.window.LinkOpen.store(true);
    try {
      errno = 0;
      tx->InitHart(port);
      const int reason = errno;  // the system's, beside the library's own text
      opened = tx->GetErrorCode() == 0;
      if (!opened) why = portOpenFailure(tx->GetErrorMessage(), reason);
    } catch (const LinkLibraryError& failure) {
      job.operations.reportError(QString::fromLocal8Bit(failure.what()));
    }
    if (!opened) {
      job.progress("Comport error");
      if (!why.isEmpty())
        job.form.appendLine(kCommunicationLog, QString("%1: %2").arg(job.window.portDevice(port), why));
      return false;
    }
  }

  job.progress("Searching for device...");
  int address = 0;
  if (search(job, searchRange(job.form), address) != Search::Found) return false;
  job.progress("Reading device type...");
  return identify(job, address);
}

Connection::Search Connection::search(const JobContext& job, const PollRange& range, int& address) {
  for (address = range.first; address <= range.last; ++address) {
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
        return Search::Found;
      }
    }
  }
  return Search::NotFound;
}

bool Connection::identify(const JobContext& job, int pollingAddress) {
  DeviceIdentity identity{.pollingAddress = pollingAddress};
  {
    auto tx = job.transaction();
    if (job.ExecuteCommand(tx, kReadIdentifier, 0, kIdentifierBytes))
      identity = decodeIdentity(tx.api(), pollingAddress);
  }
  // Shown even for a device of another kind: the user sees what answered.
  for (const PageModule* module : modules_)
    if (module->deviceFound) module->deviceFound(job, identity);
  if (!identity.identified || cancelled(job)) return false;
  if (identity.manufacturer != kManufacturer || identity.deviceType != kPositionerDeviceType) {
    // The failure text blames the cables; the technician must learn that a
    // device did answer, and which.
    job.form.appendLine(kCommunicationLog,
                        QString("Polling address %1: manufacturer %2, device type %3 answered, not a Q5/Q50 "
                                "positioner")
                            .arg(pollingAddress)
                            .arg(identity.manufacturer)
                            .arg(identity.deviceType));
    return false;
  }
  // What the device history keeps of the device beside its ID and tag.
  job.window.setLongAddress(longAddressText(identity));
  job.progress("Reading status...");
  return true;
}

void Connection::initialRead(const JobContext& job) {
  WindowState& window = job.window;
  FormState& form = job.form;
  {
    auto tx = job.transaction();
    const bool read = job.ExecuteCommand(tx, kReadProtection, 0, 1);
    window.WriteProtected.store(read && tx->GetInteger(0, 1) != 0);
    form.setText("LabelProtected", window.WriteProtected.load() ? "PROTECTED" : "");
  }
  {
    auto tx = job.transaction();
    // Unknown, the device is taken to be out of service: the safer guess
    // for the pages that write settings.
    int state = 1;
    if (job.ExecuteCommand(tx, kReadServiceMode, 0, 1))
      state = static_cast<int>(tx->GetInteger(0, 1)) - kInServiceCode;
    window.OutOfService.store(state != 0);
    job.operations.ShowServiceState(state);
  }
  ConnectionReadings readings;
  {
    auto tx = job.transaction();
    if (job.ExecuteCommand(tx, kReadSetpointSource, 0, 1))
      readings.setpointSourceCode = static_cast<int>(tx->GetInteger(0, 1));
  }
  job.progress("Reading process variables...");
  readings.processValuesRead = readProcessValues(job);
  for (const PageModule* module : modules_)
    if (module->afterConnect) module->afterConnect(job, readings);

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
  // What a page asked of the device it asked of this connection.
  if (dropWaitingJobs_) dropWaitingJobs_();
  if (!failureToReport_) job.progress({});
  failureToReport_ = false;
  {
    auto tx = job.transaction();
    try {
      tx->reloadLibrary();
    } catch (const LinkLibraryError&) {
      // Not loaded now: the next use of the link tries again and says why.
    }
    job.window.LinkOpen.store(false);
  }
  burst_.connectionEnded();
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

void Connection::connectionLost(const JobContext& job) {
  if (!connected_ || next_ != Step::None) return;
  connected_ = false;
  failureToReport_ = true;
  job.progress(kConnectionLostText);
  job.form.appendLine(kCommunicationLog, kConnectionLostText);
  job.live.BurstRequested.store(false);
  next_ = Step::Disconnection;
}

void Connection::shutDown(Link& link, const WindowState& window, LiveData& live,
                          std::chrono::milliseconds budget) {
  if (!connected_) return;
  if (window.InstrumentHandle.load() != 0) burst_.switchOffForShutdown(link, window, live, budget);
  link.begin()->ShutDownHart();
  connected_ = false;
}

}  // namespace velk
