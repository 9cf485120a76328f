#include "files/db_operations.h"

#include "files/logs_operations.h"
#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {

QList<HistoryKind> dbListKinds(DbList list) {
  switch (list) {
    case DbList::Configurations: return {HistoryKind::Read, HistoryKind::Send, HistoryKind::Save};
    case DbList::Signatures: return {HistoryKind::Signature};
    case DbList::Trends: return {HistoryKind::Trend};
    case DbList::Logs: return {HistoryKind::EventLog, HistoryKind::Alarms, HistoryKind::Calibration};
  }
  return {};
}

DbList dbListOf(HistoryKind kind) {
  for (DbList list : kDbLists)
    if (dbListKinds(list).contains(kind)) return list;
  return DbList::Logs;
}

bool dbListGrouped(DbList list) { return list == DbList::Trends || list == DbList::Logs; }

std::optional<qint64> connectedDeviceId(const FormState& form, const WindowState& window) {
  if (!window.Connected.load()) return std::nullopt;
  bool ok = false;
  // "-" until the device has told it.
  const qint64 id = form.text("Edit183").trimmed().toLongLong(&ok);
  return ok ? std::optional<qint64>(id) : std::nullopt;
}

SearchFilter searchFilter(const HistorySearch& search, const QTimeZone& zone) {
  SearchFilter result;
  result.filter.tag = search.tag.trimmed();
  if (const QString id = search.deviceId.trimmed(); !id.isEmpty()) {
    bool ok = false;
    const qint64 number = id.toLongLong(&ok);
    // Device IDs are 24 bits.
    if (!ok || number < 0 || number > 0xFFFFFF) {
      result.error = "The device ID is a whole number from 0 to 16777215, not " + id;
      return result;
    }
    result.filter.deviceId = number;
  }
  if (search.from.isValid() && search.to.isValid() && search.from > search.to) {
    result.error = "The search's first day is after its last";
    return result;
  }
  if (search.from.isValid()) result.filter.since = QDateTime(search.from, QTime(0, 0), zone).toUTC();
  if (search.to.isValid()) result.filter.until = QDateTime(search.to.addDays(1), QTime(0, 0), zone).toUTC();
  if (search.kind) result.filter.kinds = {*search.kind};
  return result;
}

bool deleteAllowed(DbList list, bool allowChecked) { return list != DbList::Signatures || allowChecked; }

bool deleteAsksFirst(DbList list) { return list != DbList::Signatures; }

void showEventLogRecord(FormState& form, const QByteArray& payload) {
  QStringList lines = QString::fromUtf8(payload).split('\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  form.setLines(kEventLog, lines);
}

}  // namespace velk
