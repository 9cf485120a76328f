#pragma once
// The shape every page read and page send shares. Started by a click, it shows
// "Communicating..." while it runs; started by "Read All" or "Send All" the
// sequence does that itself. Items run one after the other, each its own
// transaction, so burst monitoring and other jobs get the link in between; a
// failed read leaves that item's controls alone and the operation goes on; a
// send goes on whatever happens. At the end the status bar is emptied.
//
// Each read names the data bytes its decode takes from the reply: a device
// that answers with fewer fails the item, so its controls keep what they
// showed rather than the zeros the library fills in.
//
//   void readSetup(const JobContext& job, Sender sender) {
//     PageOperation page(job, sender);
//     page.progress("Reading actuator type...");
//     page.read(175, 0, ReplyBytes{1}, [&](HartLink& reply) { ... reply.GetInteger(0, 1) ... });
//     page.read(185, 1, ReplyBytes{2}, [](HartLink& request) { request.SetInteger(0, 1, 0); },
//               [&](HartLink& reply) { ... reply.GetInteger(1, 1) ... });
//   }

#include <QString>
#include <functional>
#include <optional>

#include "comm/job_context.h"

namespace velk {

// Who started a page operation.
enum class Sender {
  Click,     // a page button: the operation shows and clears "Communicating..."
  Sequence,  // "Read All", "Send All" or another operation: the caller does
};

// A page read or send as a button, "Read All" or "Send All" runs it.
using PageJob = void (*)(const JobContext& job, Sender sender);

// How many data bytes of a reply a read's decode takes: the first `count`.
struct ReplyBytes {
  int count = 0;
};

class PageOperation {
 public:
  using Fill = std::function<void(HartLink& request)>;
  using Read = std::function<void(HartLink& reply)>;

  PageOperation(const JobContext& job, Sender sender);
  ~PageOperation();  // clears the texts, also when the job is abandoned
  PageOperation(const PageOperation&) = delete;
  PageOperation& operator=(const PageOperation&) = delete;

  // The status-bar text for the items that follow.
  void progress(const QString& text) const;

  // One item: fills the request data (if any), runs the command, and when
  // the reply holds `needs` data bytes hands it to `read`. Returns whether
  // the command succeeded (a shorter reply is a failed command).
  bool read(int command, int requestLength, ReplyBytes needs, const Read& read) const;
  bool read(int command, int requestLength, ReplyBytes needs, const Fill& fill, const Read& read) const;
  // One item of a send: fills the request and runs the command.
  bool send(int command, int requestLength, const Fill& fill) const;

  const JobContext& job() const { return job_; }

 private:
  bool transact(int command, int requestLength, const Fill& fill, int replyBytes, const Read& read) const;

  const JobContext& job_;
  Sender sender_;
};

// The number a field holds, as the single the device takes. A text that is no
// number gives nothing, and the user is told that `what` was not sent.
std::optional<float> numberToSend(const JobContext& job, const QString& name, const QString& what);

}  // namespace velk
