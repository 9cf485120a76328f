#include "shell/report_command.h"

#include <QDateTime>
#include <QFileInfo>

#include "comm/configurator.h"
#include "files/db_operations.h"
#include "history/history_store.h"
#include "history/program_history.h"
#include "model/program_paths.h"
#include "report/device_report.h"
#include "report/report_pdf.h"
#include "shell/file_menu.h"

namespace velk {

void FileReportExecute(Configurator& core, const ProgramPaths& paths, const QString& historyChoice,
                       const FileDialogs& dialogs, QWidget* parent) {
  const HistoryLocationChoice choice = historyStoreChoice(historyChoice, paths.programFolder);
  if (!choice.error.isEmpty()) {
    core.operations.reportError("No report: " + choice.error);
    return;
  }
  const std::optional<qint64> device = connectedDeviceId(core.form, core.window);
  const QString tag = core.form.text("EditTag").trimmed();
  const QString proposed = QString("%1-report-%2.pdf")
                               .arg(device && !tag.isEmpty() ? tag : QString("device"),
                                    QDate::currentDate().toString(Qt::ISODate));
  const ChosenFile chosen = dialogs.save(parent, paths.programFolder, proposed);
  if (chosen.path.isEmpty()) return;
  QString path = chosen.path;
  if (QFileInfo(path).suffix().isEmpty()) path += ".pdf";

  // Read here, on the GUI thread, as the DB page reads its lists: a few
  // records, no device traffic.
  HistoryStore store(choice.location);
  if (!store.available()) {
    core.operations.reportError("No report: " + store.problem());
    return;
  }
  const DeviceReport report = gatherDeviceReport(store, device);
  if (const QString why = writeReportPdf(report, path); !why.isEmpty()) {
    core.operations.reportError(QString("The report could not be written to %1\n(%2)").arg(path, why));
    return;
  }
  QString said = "Report written to " + QFileInfo(path).fileName();
  if (!report.missing.isEmpty()) said += QString(" (%1 parts not in the device history)").arg(report.missing.size());
  core.form.setText(kStatusBar, said);
}

}  // namespace velk
