#include "pages/read_operations.h"

#include <algorithm>

#include "comm/connection.h"
#include "model/form_state.h"
#include "pages/modules.h"

namespace velk {

namespace {

int pollAddressField(const FormState& form, const char* name, int fallback) {
  bool ok = false;
  const int value = form.text(name).trimmed().toInt(&ok);
  return std::clamp(ok ? value : fallback, 0, kHighestPollingAddress);
}

}  // namespace

PollRange searchPollRange(const FormState& form) {
  return {pollAddressField(form, "SearchPollStart", 0),
          pollAddressField(form, "SearchPollStop", kHighestPollingAddress)};
}

void showDeviceFound(const JobContext& job, const DeviceIdentity& identity) {
  FormState& form = job.form;
  form.setText("EditPollAddress", QString::number(identity.pollingAddress));
  if (!identity.identified) return;
  form.setText("LabelHartUnivCmdValue", QString::number(identity.universalRevision));
  form.setText("LabelHartSpecCmdValue", QString::number(identity.specificRevision));
  form.setText("LabelSWverValue", QString::number(identity.softwareRevision));
  form.setText("LabelHWverValue", QString::number(identity.hardwareRevision));
  form.setText("Edit183", QString::number(identity.deviceId));
}

const PageModule& readModule() {
  static const PageModule module{
      .name = "TabSheetRead",
      .caption = "READ",
      .defaults =
          [](FormState& form, WindowState&) {
            form.setText("SearchPollStart", "0");
            form.setText("SearchPollStop", "15");
            form.setText("EditPollAddress", "0");
          },
      .controlRules = {{when::connected, {"ButtonReadRead"}},
                       {when::connectedAndWritable,
                        {"ButtonResetStatistics", "ButtonWriteTagDescDate", "ButtonWritePollAddress"}}},
      .searchRange = &searchPollRange,
      .deviceFound = &showDeviceFound,
  };
  return module;
}

}  // namespace velk
