#include "shell/startup_defaults.h"

#include <QLocale>

#include "comm/link.h"
#include "diagnostics/control_operations.h"
#include "files/logs_page.h"
#include "pages/appearance_operations.h"
#include "pages/characteristics_operations.h"
#include "pages/setup_operations.h"
#include "shell/form_state.h"
#include "shell/window_state.h"

namespace velk {

void applyStartupDefaults(FormState& form, WindowState& window, const QDateTime& now) {
  applyControlPageDefaults(form, window);

  const QLocale locale = QLocale::system();
  const QString separator = locale.decimalPoint();
  window.setDecimalSeparator(separator);
  form.setText("EditDeadBand", "0" + separator + "5");
  applySetupDefaults(form, window);
  applyAppearanceDefaults(form, window);

  // Temperature fields of ALARMS and CALIBRATE follow the device's temperature
  // unit even before those pages are shown, so they start in the store.
  form.setText("EditTempMin", "0");
  form.setText("EditTempMax", "100");
  form.setText("EditTempHysteresis", "5");
  form.setText("EditCalTemp", "25");
  for (const char* label :
       {"LabelTempMinUnit", "LabelTempMaxUnit", "LabelTempHysteresisUnit", "LabelCalTempUnit"})
    form.setText(label, "C");

  // The polling addresses the connection search covers, and the one it found.
  form.setText("SearchPollStart", "0");
  form.setText("SearchPollStop", "15");
  form.setText("EditPollAddress", "0");

  window.Connected.store(false);
  window.OutOfService.store(false);
  startCharacteristicsPage(form, window);

  form.setLines(kCommunicationLog, {});
  form.setLines(kEventLog, {locale.toString(now, QLocale::ShortFormat) +
                            " Error trend stable/ Setpoint stable/ Medium friction/ No excess windup"});
}

}  // namespace velk
