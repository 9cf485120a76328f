// How the history is named and shown: VELK_HISTORY's choices, the headings
// the DB page groups records under, and a record's line in local time.
#include <gtest/gtest.h>

#include <QDir>

#include "history/history_grouping.h"
#include "history/history_location.h"

namespace velk {
namespace {

TEST(HistoryLocationTest, TakesAFilePathOrAPostgresqlAddressAndRefusesTheRest) {
  struct Case {
    QString text;
    QString file;                         // the SQLite file, when it is one
    std::optional<SharedHistory> shared;  // the shared store, when it is one
    const char* error;                    // the start of the refusal
  };
  const Case cases[] = {
      {"", defaultHistoryFile(), {}, ""},
      {"/srv/velk/history.sqlite", "/srv/velk/history.sqlite", {}, ""},
      {"relative.sqlite", QDir::current().absoluteFilePath("relative.sqlite"), {}, ""},
      {"postgresql://velk@db.plant.example/history", defaultHistoryFile(),
       SharedHistory{"velk", "db.plant.example", 5432, "history"}, ""},
      {"postgresql://tech@10.1.2.3:5433/valves", defaultHistoryFile(),
       SharedHistory{"tech", "10.1.2.3", 5433, "valves"}, ""},
      {"postgresql://velk:secret@db/history", {}, {}, "VELK_HISTORY: no password in the address"},
      {"postgresql://db/history", {}, {}, "VELK_HISTORY: a shared store is postgresql://USER@HOST"},
      {"postgresql://velk@db/", {}, {}, "VELK_HISTORY: a shared store is postgresql://USER@HOST"},
      {"postgresql://velk@db/history?sslmode=disable", {}, {}, "VELK_HISTORY: the address takes no options"},
      {"mysql://velk@db/history", {}, {}, "VELK_HISTORY: a file path or postgresql://"},
  };
  for (const Case& c : cases) {
    const HistoryLocationChoice choice = historyLocationFrom(c.text);
    if (*c.error) {
      EXPECT_TRUE(choice.error.startsWith(c.error)) << c.text.toStdString() << ": " << choice.error.toStdString();
      continue;
    }
    EXPECT_EQ(choice.error, "") << c.text.toStdString();
    EXPECT_EQ(choice.location.localFile, c.file) << c.text.toStdString();
    EXPECT_EQ(choice.location.shared, c.shared) << c.text.toStdString();
  }
}

TEST(HistoryGroupingTest, HeadingsFollowTheCalendarAndTheIsoWeek) {
  struct Case {
    QDate date;
    const char* quarter;
    const char* week;
    const char* day;
  };
  const Case cases[] = {
      {{2026, 3, 18}, "Q1 2026", "W12 2026", "2026-03-18"},
      {{2026, 3, 31}, "Q1 2026", "W14 2026", "2026-03-31"},
      {{2026, 4, 1}, "Q2 2026", "W14 2026", "2026-04-01"},
      {{2026, 12, 31}, "Q4 2026", "W53 2026", "2026-12-31"},
      // The ISO week's year, not the calendar's, at either end of a year.
      {{2024, 12, 30}, "Q4 2024", "W01 2025", "2024-12-30"},
      {{2021, 1, 3}, "Q1 2021", "W53 2020", "2021-01-03"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(periodHeading(c.date, HistoryGrouping::Quarter), c.quarter);
    EXPECT_EQ(periodHeading(c.date, HistoryGrouping::Week), c.week) << c.date.toString().toStdString();
    EXPECT_EQ(periodHeading(c.date, HistoryGrouping::Day), c.day);
  }
}

TEST(HistoryGroupingTest, ARecordsLineShowsItsLocalTimeWhatItIsAndTheTag) {
  HistoryRecord read;
  read.kind = HistoryKind::Read;
  read.time = QDateTime(QDate(2026, 12, 9), QTime(13, 2, 40), Qt::UTC);
  read.device.tag = "FV-101";
  const QTimeZone centralEurope(3600);
  EXPECT_EQ(historyEntryText(read, centralEurope), "2026-12-09 14:02  Read All  FV-101");
  HistoryRecord save = read;
  save.kind = HistoryKind::Save;
  save.name = "Linear actuator demo";
  save.device.tag.clear();
  EXPECT_EQ(historyEntryText(save, QTimeZone::utc()), "2026-12-09 13:02  Linear actuator demo");
}

}  // namespace
}  // namespace velk
