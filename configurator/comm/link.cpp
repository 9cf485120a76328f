#include "comm/link.h"

#include <QString>
#include <chrono>
#include <thread>

#include "comm/command_catalogue.h"
#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {

namespace {

constexpr int kInstrumentReportedError = 15;
constexpr int kAttempts = 2;
// How often a waiting transaction tries the link again and looks whether its
// job is being abandoned.
constexpr auto kRetryInterval = std::chrono::milliseconds(2);

}  // namespace

Link::Link(HartLink& api, WindowState& window, FormState& form) : api_(api), window_(window), form_(form) {}

std::optional<Link::Transaction> Link::tryBegin() {
  std::unique_lock lock(mutex_, std::try_to_lock);
  if (!lock) return std::nullopt;
  return Transaction(api_, std::move(lock));
}

Link::Transaction Link::begin(std::stop_token stop) {
  std::unique_lock lock(mutex_, std::defer_lock);
  if (!stop.stop_possible()) {
    lock.lock();
    return Transaction(api_, std::move(lock));
  }
  // The link may be busy for seconds (a search, a slow reply): keep looking at
  // the stop request so a closing window never waits for a whole queue.
  // (Not try_lock_for: it locks through pthread_mutex_clocklock, which the
  // thread sanitizer cannot see, and would then take every unlock for a fault.
  // Waiting for a busy link is rare: the command thread is its main user.)
  while (!stop.stop_requested() && !lock.try_lock()) std::this_thread::sleep_for(kRetryInterval);
  if (stop.stop_requested()) throw TransactionAbandoned();
  return Transaction(api_, std::move(lock));
}

bool Link::ExecuteCommand(Transaction& tx, int command, int requestByteCount, int replyBytes) {
  const int handle = window_.InstrumentHandle.load();
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    tx->SendLongCommand(command, handle, requestByteCount);
    if (tx->GetErrorCode() == 0) tx->WaitForResponse();
    if (tx->GetErrorCode() != 0) continue;
    // Not tried again when short: the reply now fills the data field, and a
    // second attempt would send it as the request.
    const int received = tx->GetMessageLength();
    if (received >= replyBytes) return true;
    ReportShortReply(tx, command, received, replyBytes);
    return false;
  }
  ReportCommandError(tx, tx->GetErrorCode(), command);
  return false;
}

std::string commandErrorMessage(HartLink& api, int code) {
  if (code != kInstrumentReportedError) return api.GetErrorMessage();
  const InstrumentError error = api.GetInstrumentError();
  if (error.errorClass >= 11 && error.errorClass <= 14)
    return error.text + " " + std::to_string(api.GetStatusBytes());
  return error.text;
}

QString failedCommandLine(int command, const QString& message) {
  const std::string name = commandName(command);
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())) + " : " + message;
}

QString shortReplyMessage(int received, int needed) {
  return QString("reply too short (%1 of %2 bytes)").arg(received).arg(needed);
}

void Link::ReportCommandError(Transaction& tx, int code, int command) {
  // The library's texts are 8-bit.
  if (tx.logsFailures())
    form_.appendLine(kCommunicationLog,
                     failedCommandLine(command, QString::fromLatin1(commandErrorMessage(tx.api(), code))));
}

void Link::ReportShortReply(Transaction& tx, int command, int received, int needed) {
  if (tx.logsFailures())
    form_.appendLine(kCommunicationLog,
                     failedCommandLine(command, shortReplyMessage(received, needed)));
}

}  // namespace velk
