#include "history/history_grouping.h"

namespace velk {

HistoryGrouping historyGrouping(bool showWeeks, bool showDays) {
  if (showDays) return HistoryGrouping::Day;
  return showWeeks ? HistoryGrouping::Week : HistoryGrouping::Quarter;
}

QString periodHeading(const QDate& date, HistoryGrouping grouping) {
  switch (grouping) {
    case HistoryGrouping::Day:
      return date.toString(Qt::ISODate);
    case HistoryGrouping::Week: {
      // Late December may be week 1 of the next year, early January the last
      // week of the one before.
      int year = 0;
      const int week = date.weekNumber(&year);
      return QString("W%1 %2").arg(week, 2, 10, QChar('0')).arg(year);
    }
    case HistoryGrouping::Quarter:
      break;
  }
  return QString("Q%1 %2").arg((date.month() + 2) / 3).arg(date.year());
}

QString historyCaption(const HistoryRecord& record) {
  switch (record.kind) {
    case HistoryKind::Read:
      return "Read All";
    case HistoryKind::Send:
      return "Send All";
    case HistoryKind::Save:
      return record.name.isEmpty() ? QString("Saved") : record.name;
    case HistoryKind::Signature:
      return "Signature";
    case HistoryKind::Trend:
      return "Trend";
    case HistoryKind::Alarms:
      return "Alarms";
    case HistoryKind::EventLog:
      return "Event log";
    case HistoryKind::Calibration:
      return "Calibration";
  }
  return {};
}

QString historyEntryText(const HistoryRecord& record, const QTimeZone& zone) {
  const QString time = record.time.toTimeZone(zone).toString("yyyy-MM-dd HH:mm");
  QString text = time + "  " + historyCaption(record);
  if (!record.device.tag.isEmpty()) text += "  " + record.device.tag;
  return text;
}

}  // namespace velk
