#include "shell/startup_defaults.h"

#include <QLocale>

#include "comm/link.h"
#include "files/logs_page.h"
#include "pages/characteristics_operations.h"
#include "shell/form_state.h"
#include "shell/window_state.h"

namespace velk {

void applyStartupDefaults(FormState& form, WindowState& window, const QDateTime& now) {
  form.setItems("RadioGroupSetPointSource", {"Hart", "Auto (4-20 mA)", "Manual Q5"});
  form.setSelectedIndex("RadioGroupSetPointSource", 1);
  window.SetPointSource.store(0);  // "Auto (4-20 mA)"

  const QLocale locale = QLocale::system();
  const QString separator = locale.decimalPoint();
  window.setDecimalSeparator(separator);
  form.setText("EditDeadBand", "0" + separator + "5");
  form.setText("EditCutoffLow", "0" + separator + "1");
  form.setText("EditCutoffHigh", "99" + separator + "9");

  // Temperature fields of ALARMS and CALIBRATE follow the device's temperature
  // unit even before those pages are shown, so they start in the store.
  form.setText("EditTempMin", "0");
  form.setText("EditTempMax", "100");
  form.setText("EditTempHysteresis", "5");
  form.setText("EditCalTemp", "25");
  for (const char* label :
       {"LabelTempMinUnit", "LabelTempMaxUnit", "LabelTempHysteresisUnit", "LabelCalTempUnit"})
    form.setText(label, "C");

  window.Connected.store(false);
  window.OutOfService.store(false);
  startCharacteristicsPage(form, window);

  form.setLines(kCommunicationLog, {});
  form.setLines(kEventLog, {locale.toString(now, QLocale::ShortFormat) +
                            " Error trend stable/ Setpoint stable/ Medium friction/ No excess windup"});
}

}  // namespace velk
