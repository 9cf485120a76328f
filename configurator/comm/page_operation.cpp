#include "comm/page_operation.h"

#include "model/form_fields.h"
#include "model/number_text.h"

namespace velk {

PageOperation::PageOperation(const JobContext& job, Sender sender) : job_(job), sender_(sender) {
  if (sender_ == Sender::Click) job_.operations.ShowCommunicating();
}

PageOperation::~PageOperation() {
  if (sender_ == Sender::Click) job_.operations.ClearCommunicating();
  job_.progress(QString());
}

void PageOperation::progress(const QString& text) const { job_.progress(text); }

bool PageOperation::read(int command, int requestLength, ReplyBytes needs, const Read& read) const {
  return transact(command, requestLength, {}, needs.count, read);
}

bool PageOperation::read(int command, int requestLength, ReplyBytes needs, const Fill& fill,
                         const Read& read) const {
  return transact(command, requestLength, fill, needs.count, read);
}

bool PageOperation::send(int command, int requestLength, const Fill& fill) const {
  return transact(command, requestLength, fill, 0, {});
}

bool PageOperation::transact(int command, int requestLength, const Fill& fill, int replyBytes,
                             const Read& read) const {
  auto tx = job_.transaction();
  if (fill) fill(tx.api());
  if (!job_.ExecuteCommand(tx, command, requestLength, replyBytes)) return false;
  if (read) read(tx.api());
  return true;
}

std::optional<float> numberToSend(const JobContext& job, const QString& name, const QString& what) {
  const QString text = job.form.text(name);
  const auto value = parseSingle(text.toStdString(), decimalSeparator(job.window));
  if (!value)
    job.operations.reportError(QString("The %1 was not sent: \"%2\" is not a number.").arg(what, text));
  return value;
}

}  // namespace velk
