#include "checks/additional_status.h"

#include "comm/device_commands.h"
#include "model/form_state.h"

namespace velk {

namespace {

constexpr int kAdditionalStatusRequestBytes = 11;

}  // namespace

QString bitText(std::uint32_t value, int bits) {
  QString text;
  for (int bit = bits - 1; bit >= 0; --bit) text += (value >> bit) & 1u ? '1' : '0';
  return text;
}

bool readAdditionalStatus(const PageOperation& page) {
  FormState& form = page.job().form;
  return page.read(kReadAdditionalStatus, kAdditionalStatusRequestBytes, ReplyBytes{11},
                   [&](HartLink& reply) {
                     form.setText("Edit4", bitText(reply.GetInteger(6, 1), 8));
                     form.setText("Edit5", bitText(reply.GetInteger(5, 1), 4));
                     form.setText("Edit6", bitText(reply.GetInteger(7, 4), 32));
                   });
}

void ButtonReadDiagnosticsClick(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  job.form.setText("LabelSelfTest", QString());
  readAdditionalStatus(page);
}

}  // namespace velk
