#include "files/logs_operations.h"

#include <QLocale>

#include "files/modules.h"
#include "model/form_state.h"
#include "model/window_operations.h"

namespace velk {

void applyLogsDefaults(FormState& form, const QDateTime& now) {
  form.setLines(kCommunicationLog, {});
  form.setLines(kEventLog, {QLocale::system().toString(now, QLocale::ShortFormat) +
                            " Error trend stable/ Setpoint stable/ Medium friction/ No excess windup"});
}

const PageModule& logsModule() {
  static const PageModule module{
      .name = "TabSheet4",
      .caption = "LOGS",
      .defaults = [](FormState& form, WindowState&) { applyLogsDefaults(form); },
  };
  return module;
}

}  // namespace velk
