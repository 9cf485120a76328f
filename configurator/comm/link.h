#pragma once
// The program's one way onto the HART link. The library is not reentrant and
// its data field is shared by request and reply, so every transaction (fill
// the data field, send, wait, read the reply) holds one lock for its whole
// length: the window's jobs, the background thread and the calibration worker
// can never interleave on the link.
//
//   auto tx = link.begin(stop);
//   tx->SetInteger(0, 1, 0);
//   if (link.ExecuteCommand(tx, 185, 1, 2)) value = tx->GetInteger(1, 1);  // decodes 2 reply bytes

#include <QString>
#include <exception>
#include <mutex>
#include <optional>
#include <stop_token>

#include "comm/hart_link.h"
#include "model/window_operations.h"

namespace velk {

class FormState;
struct WindowState;

// The job that asked for a transaction is being abandoned (the program is
// closing). Thrown by Link::begin, that is only between transactions.
class TransactionAbandoned : public std::exception {
 public:
  const char* what() const noexcept override { return "transaction abandoned"; }
};

class Link {
 public:
  class Transaction {
   public:
    HartLink* operator->() const { return api_; }
    HartLink& api() const { return *api_; }

    // For a command polled again and again (a calibration's status): its
    // failures would flood the communication log, and the next poll tries
    // again anyway.
    void leaveFailuresUnlogged() { logsFailures_ = false; }
    bool logsFailures() const { return logsFailures_; }

   private:
    friend class Link;
    Transaction(HartLink& api, std::unique_lock<std::timed_mutex> lock)
        : api_(&api), lock_(std::move(lock)) {}
    HartLink* api_;
    std::unique_lock<std::timed_mutex> lock_;
    bool logsFailures_ = true;
  };

  Link(HartLink& api, WindowState& window, FormState& form);

  // Waits until the link is free. Throws TransactionAbandoned when `stop` has
  // been requested, before or while waiting.
  Transaction begin(std::stop_token stop = {});
  // The link at once if it is free (no call into the library runs), else
  // nothing: for the GUI thread, which never waits on the link.
  std::optional<Transaction> tryBegin();

  // Sends `command` with the request data already in the data field to the
  // connected instrument: two attempts, then ReportCommandError. On success
  // the reply is in the data field and holds at least `replyBytes` data
  // bytes: a device may answer with fewer (other firmware, a gateway), and
  // the library fills the rest with zeros, so a shorter reply is a failed
  // command, logged by ReportShortReply (and not tried again).
  bool ExecuteCommand(Transaction& tx, int command, int requestByteCount, int replyBytes = 0);

  // One line in the communication log for a failed command, unless the
  // transaction leaves its failures unlogged: the command's name, " : ",
  // and the message.
  void ReportCommandError(Transaction& tx, int code, int command);
  // The same for a reply of `received` data bytes where `needed` were wanted:
  // "NAME : reply too short (N of M bytes)".
  void ReportShortReply(Transaction& tx, int command, int received, int needed);

 private:
  HartLink& api_;
  WindowState& window_;
  FormState& form_;
  std::timed_mutex mutex_;
};

// A failed command's line in the communication log: its name, " : ", and
// what went wrong.
QString failedCommandLine(int command, const QString& message);

// What a failed command's line says of a reply of `received` data bytes
// where `needed` were wanted.
QString shortReplyMessage(int received, int needed);

// The text ReportCommandError logs after the name: for an instrument's error
// (code 15) its text, with the status word where the class has one; else the
// library's error text.
std::string commandErrorMessage(HartLink& api, int code);

}  // namespace velk
