#include "shell/history_window.h"

#include <QMessageBox>
#include <QSettings>
#include <QTabWidget>

#include "comm/configurator.h"
#include "diagnostics/history_views.h"
#include "files/db_operations.h"
#include "history/history_grouping.h"
#include "registry/configuration.h"
#include "shell/comparison_window.h"

namespace velk {

namespace {

constexpr const char* kHistoryKey = "HARTConfig/HistoryStore";

void showPage(QTabWidget* pages, const char* module) {
  if (!pages) return;
  for (int i = 0; i < pages->count(); ++i)
    if (pages->widget(i)->objectName() == module) pages->setCurrentIndex(i);
}

}  // namespace

QString loadHistoryChoice(QSettings& settings) { return settings.value(kHistoryKey).toString(); }

void saveHistoryChoice(QSettings& settings, const QString& choice) {
  if (choice.isEmpty())
    settings.remove(kHistoryKey);
  else
    settings.setValue(kHistoryKey, choice);
}

bool loadConfigurationRecord(Configurator& core, const HistoryRecord& record) {
  const QString name = historyEntryText(record);
  const ConfigurationLoad load = LoadConfigurationText(core, record.payload, name);
  if (!load.ok)
    core.operations.reportError(QString("The record %1 is not correct\n(%2)").arg(name, load.error),
                                WindowOperations::ErrorButton::Yes);
  return load.ok;
}

void viewHistoryRecord(Configurator& core, QTabWidget* pages, const HistoryRecord& record) {
  QString why;
  bool shown = true;
  const char* page = nullptr;
  switch (record.kind) {
    case HistoryKind::Signature:
      shown = showSignatureRecord(core.form, core.window, record.payload, why, record.time);
      page = "TabSheetDiag";
      break;
    case HistoryKind::Trend:
      shown = showTrendRecord(core.form, core.window, record.payload, why);
      page = "TabSheet3";
      break;
    case HistoryKind::Alarms:
      shown = showAlarmsRecord(core.form, record.payload, why);
      page = "DIAGNOSTICS";
      break;
    case HistoryKind::EventLog:
      showEventLogRecord(core.form, record.payload);
      page = "TabSheet4";
      break;
    case HistoryKind::Calibration: {
      auto* box = new QMessageBox(QMessageBox::Information, historyEntryText(record),
                                  QString::fromUtf8(record.payload), QMessageBox::Ok, pages);
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->open();
      return;
    }
    default:
      return;
  }
  if (!shown) {
    core.operations.reportError(QString("The record %1 cannot be shown: %2").arg(historyEntryText(record), why));
    return;
  }
  core.form.setText(kStatusBar, "Shown from the device history: " + historyEntryText(record));
  showPage(pages, page);
}

void compareHistoryRecords(Configurator& core, QWidget* parent, const HistoryRecord& left,
                           const std::optional<HistoryRecord>& right) {
  const QByteArray rightText = right ? right->payload : configurationText(core.form, core.window).bytes;
  auto* window = new ComparisonWindow(historyEntryText(left), left.payload,
                                      right ? historyEntryText(*right) : QString("The pages now"), rightText, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
}

}  // namespace velk
