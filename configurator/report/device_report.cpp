#include "report/device_report.h"

#include <QSysInfo>

#include "diagnostics/diag_alarms_operations.h"
#include "diagnostics/history_views.h"
#include "history/history_store.h"

namespace velk {

namespace {

// The READ page's identity fields the configuration file holds, with the
// page's captions.
constexpr std::pair<const char*, const char*> kIdentityFields[] = {
    {"HW VERSION", "Hardware version"}, {"SW VERSION", "Software version"},
    {"ASSEMBLY NUMBER", "Assembly number"}, {"DATE", "Date"},
    {"HART MESSAGE", "Message"},        {"HART POLL ADRESS", "Polling address"},
};

class ReportQueries {
 public:
  ReportQueries(HistoryStore& store, DeviceReport& report) : store_(store), report_(report) {}

  // The newest record of the kinds asked for, whole; none when there is none
  // or it could not be read (said in `missing`).
  std::optional<HistoryRecord> newest(QList<HistoryKind> kinds, const QDateTime& before = {}) {
    HistoryFilter filter;
    filter.deviceId = report_.deviceId;
    filter.kinds = std::move(kinds);
    filter.until = before;
    const HistoryPage page = store_.list(filter, 0, 1);
    if (!page.error.isEmpty()) return failed(page.error);
    if (!page.note.isEmpty() && !noted_) {
      noted_ = true;
      report_.missing << page.note;
    }
    if (page.records.empty()) return std::nullopt;
    const HistoryLookup found = store_.find(historyIdText(page.records.front().id));
    if (found.outcome != HistoryLookup::Found)
      return failed(found.error.isEmpty() ? QString("a record was deleted meanwhile") : found.error);
    return found.record;
  }

 private:
  std::optional<HistoryRecord> failed(const QString& why) {
    report_.missing << "The device history could not be read: " + why + ".";
    return std::nullopt;
  }

  HistoryStore& store_;
  DeviceReport& report_;
  bool noted_ = false;
};

QString valueOf(const std::vector<ComparedEntry>& rows, const char* key, bool left) {
  for (const ComparedEntry& row : rows)
    if (row.key == key) return (left ? row.left : row.right).value_or(QString());
  return {};
}

void takeIdentity(DeviceReport& report, const HistoryRecord& newest) {
  const HistoryDevice& d = newest.device;
  report.device = d;
  report.identity = {{"Model", d.model},
                     {"Device ID", QString::number(d.deviceId)},
                     {"Long address", d.longAddress.isEmpty() ? QString("not recorded") : d.longAddress},
                     {"Tag", d.tag},
                     {"Descriptor", d.descriptor}};
  if (d.softwareVersion > 0)
    report.identity.emplace_back("Version setting", QString::number(d.softwareVersion / 10.0, 'f', 1));
}

void takeConfigurations(DeviceReport& report, ReportQueries& queries) {
  report.asLeft = queries.newest({HistoryKind::Send});
  report.asFound = queries.newest({HistoryKind::Read}, report.asLeft ? report.asLeft->time : QDateTime());
  if (!report.asLeft) report.missing << "No Send All is recorded: there is no as-left configuration.";
  if (!report.asFound)
    report.missing << (report.asLeft ? "No Read All is recorded before the last Send All: there is no as-found "
                                       "configuration."
                                     : "No Read All is recorded: there is no as-found configuration.");
  report.comparison = compareConfigurations(report.asFound ? report.asFound->payload : QByteArray(),
                                            report.asLeft ? report.asLeft->payload : QByteArray());
  // The READ page's other fields as last recorded: as left, else as found.
  const bool left = !report.asLeft;
  for (const auto& [key, caption] : kIdentityFields)
    if (const QString value = valueOf(report.comparison, key, left); !value.isEmpty())
      report.identity.emplace_back(caption, value);
}

// The newest record of `kind` with its payload as `parse` reads it; a gap
// is said.
template <class Parsed>
void takeNewest(DeviceReport& report, ReportQueries& queries, HistoryKind kind, const char* what,
                std::optional<HistoryRecord>& record, std::optional<Parsed>& parsed,
                std::optional<Parsed> (*parse)(const QByteArray&)) {
  record = queries.newest({kind});
  if (!record) {
    report.missing << QString("No %1 is recorded.").arg(what);
    return;
  }
  parsed = parse(record->payload);
  if (!parsed) report.missing << QString("The last %1's record cannot be read.").arg(what);
}

void takeBaseline(DeviceReport& report, HistoryStore& store) {
  if (!report.signature || !report.deviceId) return;
  const HistoryLookup found = store.baseline(*report.deviceId, report.signature->title);
  if (found.outcome == HistoryLookup::Failed) {
    report.missing << QString("The baseline of %1 cannot be read (%2).").arg(report.signature->title, found.error);
    return;
  }
  if (found.outcome != HistoryLookup::Found) {
    report.missing << QString("No baseline is marked for %1.").arg(report.signature->title);
    return;
  }
  report.baseline = historyValuesFrom(found.record.payload);
  if (report.baseline)
    report.baselineRecord = found.record;
  else
    report.missing << QString("The baseline of %1 cannot be read.").arg(report.signature->title);
}

void takeAlarms(DeviceReport& report, ReportQueries& queries) {
  report.alarmsRecord = queries.newest({HistoryKind::Alarms});
  if (!report.alarmsRecord) {
    report.missing << "No diagnostic alarms upload is recorded.";
    return;
  }
  const std::optional<HistoryValues> alarms = historyValuesFrom(report.alarmsRecord->payload);
  if (!alarms || alarms->title != kAlarmsRecordTitle || int(alarms->values.size()) != kDiagnosticAlarms) {
    report.alarmsRecord.reset();
    report.missing << "The last diagnostic alarms record cannot be read.";
    return;
  }
  for (int byte = 0; byte < kDiagnosticAlarms; ++byte) {
    const std::optional<std::int32_t>& value = alarms->values[std::size_t(byte)];
    if (!value) {
      ++report.unreadAlarms;
    } else if (*value != 0) {
      // "Deviation alarm :" as a sentence's part.
      report.activeAlarms << QString(alarmText(byte)).remove(':').trimmed();
    }
  }
}

}  // namespace

DeviceReport gatherDeviceReport(HistoryStore& store, std::optional<qint64> deviceId) {
  DeviceReport report;
  report.made = QDateTime::currentDateTime();
  report.user = loginName();
  report.host = QSysInfo::machineHostName();
  report.history = store.location().describe();
  report.deviceId = deviceId;
  ReportQueries queries(store, report);
  const std::optional<HistoryRecord> newest = queries.newest({});
  if (!newest) {
    report.missing << (deviceId ? QString("The device history holds no record of the device %1.").arg(*deviceId)
                                : QString("The device history holds no records."));
    return report;
  }
  report.deviceId = newest->device.deviceId;
  takeIdentity(report, *newest);
  takeConfigurations(report, queries);
  takeNewest(report, queries, HistoryKind::Calibration, "calibration", report.calibrationRecord, report.calibration,
             &calibrationRecordFrom);
  takeNewest(report, queries, HistoryKind::Signature, "signature", report.signatureRecord, report.signature,
             &historyValuesFrom);
  takeBaseline(report, store);
  takeAlarms(report, queries);
  return report;
}

}  // namespace velk
