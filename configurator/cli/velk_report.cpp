#include "cli/velk_report.h"

#include "cli/velk_history.h"
#include "history/history_store.h"
#include "report/device_report.h"
#include "report/report_pdf.h"

namespace velk::cli {

QString reportHelp() {
  return "velk report [--device ID] -o FILE.pdf\n"
         "  The as-found/as-left report of a device from the device history, as an\n"
         "  A4 PDF: its identity, the last Send All (as left) beside the Read All\n"
         "  before it (as found) with what differs, the last calibration and tuned\n"
         "  PID, the last signature and diagnostic alarms, and what the history\n"
         "  does not hold. Without --device, the device of the newest record.\n"
         "  FILE is written whole or not at all. Exit 0 when it is written, even\n"
         "  for a device with no records (the report says what is missing).\n";
}

QString reportCommandLineError(const Options& options) {
  if (!options.args.isEmpty()) return "report takes no arguments";
  if (options.output.isEmpty()) return "report needs -o FILE.pdf";
  return {};
}

int runReport(const Options& options, Console& console) {
  const auto store = openHistoryStore(console);
  if (!store) return kFailed;
  const DeviceReport report = gatherDeviceReport(*store, options.deviceId);
  if (const QString why = writeReportPdf(report, options.output); !why.isEmpty()) {
    console.err << "velk: could not write " << options.output << ": " << why << "\n";
    return kFailed;
  }
  for (const QString& gap : report.missing) console.err << "velk: " << gap << "\n";
  console.out << options.output << "\n";
  return kSuccess;
}

}  // namespace velk::cli
