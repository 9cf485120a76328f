#pragma once
// How the DB page shows records: a line per record in local time, and the
// headings the trend and log lists group them under.

#include <QDate>
#include <QString>
#include <QTimeZone>

#include "history/history_record.h"

namespace velk {

enum class HistoryGrouping {
  Quarter,  // "Q1 2026"
  Week,     // "W12 2026", the ISO week and its year
  Day,      // "2026-03-18"
};

// "Show weeks" and "Show days": days win when both are checked; neither
// groups by quarter.
HistoryGrouping historyGrouping(bool showWeeks, bool showDays);

// The heading of the period a local date falls in.
QString periodHeading(const QDate& date, HistoryGrouping grouping);

// What a record is called in a list: "Read All", "Send All", a saved
// configuration's name, "Signature", ...
QString historyCaption(const HistoryRecord& record);

// "2026-12-09 14:02  Read All  TAG", the time in `zone`.
QString historyEntryText(const HistoryRecord& record, const QTimeZone& zone = QTimeZone::systemTimeZone());

}  // namespace velk
