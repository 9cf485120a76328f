#pragma once
// The DB page without widgets: which records each list holds, whose records
// they are, the search, when a record may be deleted, and the event log
// shown from a record.

#include <QDate>
#include <QList>
#include <QString>
#include <QTimeZone>
#include <optional>

#include "history/history_record.h"

namespace velk {

class FormState;
struct WindowState;

enum class DbList { Configurations, Signatures, Trends, Logs };
inline constexpr DbList kDbLists[] = {DbList::Configurations, DbList::Signatures, DbList::Trends, DbList::Logs};

QList<HistoryKind> dbListKinds(DbList list);
// The list a record of `kind` is shown in.
DbList dbListOf(HistoryKind kind);
// Trends and logs are grouped by period.
bool dbListGrouped(DbList list);

// The device whose records the lists show: the connected one once its ID is
// known, else the one chosen above the lists; none means every device.
std::optional<qint64> connectedDeviceId(const FormState& form, const WindowState& window);

// What "Search ..." asks for; every part left empty matches all.
struct HistorySearch {
  QString tag = {};
  QString deviceId = {};  // decimal
  QDate from = {};        // local dates, both inclusive
  QDate to = {};
  std::optional<HistoryKind> kind = {};
  bool operator==(const HistorySearch&) const = default;
  bool empty() const { return *this == HistorySearch{}; }
};

struct SearchFilter {
  HistoryFilter filter;
  QString error;  // what is wrong with the search; the filter is not to be used
};
// The search as a filter, the dates turned into times in `zone`.
SearchFilter searchFilter(const HistorySearch& search, const QTimeZone& zone = QTimeZone::systemTimeZone());

// A signature is deleted only while "Allow delete" is checked; the others
// after a confirmation.
bool deleteAllowed(DbList list, bool allowChecked);
bool deleteAsksFirst(DbList list);

// An event log record shown in the LOGS page's event log, as it was.
void showEventLogRecord(FormState& form, const QByteArray& payload);

}  // namespace velk
