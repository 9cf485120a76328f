#include "service/hart_operations.h"

#include <algorithm>
#include <vector>

#include "comm/raw_command.h"
#include "model/form_state.h"
#include "service/modules.h"

namespace velk {

namespace {

constexpr int kFirstRequestField = 37;
constexpr int kFirstReplyField = 67;

int wholeNumberOrZero(FormState& form, const QString& name) {
  bool ok = false;
  const int value = form.text(name).trimmed().toInt(&ok, 10);
  if (ok) return value;
  form.setText(name, "0");
  return 0;
}

}  // namespace

QString requestByteField(int index) { return QString("Edit%1").arg(kFirstRequestField + index); }
QString replyByteField(int index) { return QString("Edit%1").arg(kFirstReplyField + index); }

void applyHartDefaults(FormState& form, WindowState&) {
  form.setText(kRawCommandField, "0");
  form.setText(kRawLengthField, "0");
  for (int i = 0; i < kRawByteFields; ++i) {
    form.setText(requestByteField(i), "0");
    form.setText(replyByteField(i), QString());
  }
  for (const char* field : {kRawResponseCode, kRawStatus, kRawResponseLength, kRawProgress})
    form.setText(field, QString());
}

void sendRawCommandClick(const JobContext& job, Sender) {
  FormState& form = job.form;
  const int command = wholeNumberOrZero(form, kRawCommandField);
  const int length = std::clamp(wholeNumberOrZero(form, kRawLengthField), 0, kRawRequestMaxBytes);
  std::vector<int> request;
  for (int i = 0; i < length; ++i) request.push_back(wholeNumberOrZero(form, requestByteField(i)));

  RawCommandOutcome outcome;
  {
    auto tx = job.transaction();
    outcome = sendRawCommand(tx.api(), job.window.InstrumentHandle.load(), command, request,
                             [&form] { form.setText(kRawProgress, "Transmission OK"); });
  }
  const bool sent = outcome.transmissionError == 0;
  form.setText(kRawProgress, !sent ? QString("Transmission error %1").arg(outcome.transmissionError)
                             : outcome.responseError == 0
                                 ? QString("Response OK")
                                 : QString("Response error %1").arg(outcome.responseError));
  form.setText(kRawResponseCode, sent ? QString::number(outcome.responseCode) : QString());
  form.setText(kRawStatus, sent ? QString::number(outcome.deviceStatus) : QString());
  form.setText(kRawResponseLength, sent ? QString::number(outcome.replyLength) : QString());
  for (int i = 0; i < kRawByteFields; ++i)
    form.setText(replyByteField(i), i < static_cast<int>(outcome.reply.size())
                                        ? QString::number(outcome.reply[static_cast<std::size_t>(i)])
                                        : QString());
}

const PageModule& hartModule() {
  static const PageModule module{.name = "TabSheetHart", .caption = "HART", .defaults = &applyHartDefaults};
  return module;
}

}  // namespace velk
