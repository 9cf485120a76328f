#include "files/factory_reset.h"

#include "comm/device_commands.h"
#include "model/form_state.h"

namespace velk {

std::optional<QString> passwordProblem(const QString& password) {
  if (password.size() != 4) return QString("The Password Size Is 4 Digits");
  for (QChar c : password)
    if (c < '0' || c > '9') return QString("Only Digits");
  return std::nullopt;
}

void ButtonFactoryResetClick(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  const QString password = job.form.text("EditPassword");
  if (const auto problem = passwordProblem(password)) {
    job.operations.reportError(*problem, WindowOperations::ErrorButton::Yes);
    job.form.setText("EditPassword", kPasswordDefault);
    return;
  }
  const unsigned value = password.toUInt();
  page.send(kFactoryReset, 2, [value](HartLink& request) { request.SetInteger(0, 2, value); });
}

}  // namespace velk
