// The DB page's lists against a real SQLite file: which records each list
// holds, newest first in the given zone, read a page at a time, grouped under
// period headings, each read on the page's reader; and the search's filter.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include "files/db_model.h"
#include "files/db_operations.h"
#include "history/history_store.h"
#include "support/history_lists.h"

namespace velk {
namespace {

const QTimeZone kBerlin("Europe/Berlin");
// A Monday, 23:30 UTC: already Tuesday in Berlin.
const QDateTime kStart(QDate(2026, 3, 16), QTime(23, 30), QTimeZone::utc());

class DbModelTest : public ::testing::Test {
 protected:
  DbModelTest()
      : store_(HistoryLocation{dir_.filePath("history.sqlite"), {}, {}}),
        reader_(std::make_unique<DbReader>(store_.location())) {}

  void add(HistoryKind kind, qint64 device, const QString& tag, qint64 minutes, const QString& name = {}) {
    HistoryRecord r = newHistoryRecord(kind, {"Q5", 101, device, {}, tag, {}}, "payload");
    r.time = kStart.addSecs(minutes * 60);
    r.name = name;
    batch_.push_back(r);
  }
  void store() {
    ASSERT_TRUE(store_.write(batch_).stored);
    batch_.clear();
  }
  // Once every row's page has been read.
  QStringList rows(HistoryListModel& model) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return listRead(model); }, 5000));
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row).data().toString();
    return texts;
  }
  std::optional<HistoryRecord> recordAt(HistoryListModel& model, int row) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.recordAt(row).has_value(); }, 5000)) << row;
    return model.recordAt(row);
  }
  HistoryListModel& list(DbList which, const HistoryFilter& filter = {},
                         std::optional<HistoryGrouping> grouping = std::nullopt) {
    auto& model = *models_.emplace_back(std::make_unique<HistoryListModel>(dbListKinds(which)));
    model.setReader(reader_.get());
    model.setTimeZone(kBerlin);
    model.setFilter(filter);
    model.setGrouping(grouping);
    model.reload();
    if (model.reading()) {
      EXPECT_EQ(model.index(0).data().toString(), kReadingHistory);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model.reading(); }, 5000));
    return model;
  }

  QTemporaryDir dir_;
  HistoryStore store_;
  std::vector<HistoryRecord> batch_;
  std::vector<std::unique_ptr<HistoryListModel>> models_;
  std::unique_ptr<DbReader> reader_;  // goes first: its answers reach the models
};

TEST_F(DbModelTest, EachListShowsItsKindsNewestFirstInLocalTime) {
  add(HistoryKind::Read, 7, "FV-7", 0);
  add(HistoryKind::Save, 7, "FV-7", 10, "Before repair");
  add(HistoryKind::Signature, 7, "FV-7", 20);
  add(HistoryKind::Send, 8, "", 30);
  add(HistoryKind::Calibration, 7, "FV-7", 40);
  store();

  EXPECT_EQ(rows(list(DbList::Configurations)),
            QStringList({"2026-03-17 01:00  Send All", "2026-03-17 00:40  Before repair  FV-7",
                         "2026-03-17 00:30  Read All  FV-7"}));
  EXPECT_EQ(rows(list(DbList::Signatures)), QStringList({"2026-03-17 00:50  Signature  FV-7"}));
  HistoryFilter device7;
  device7.deviceId = 7;
  EXPECT_EQ(list(DbList::Configurations, device7).rowCount(), 2);
  // A search for another list's kind leaves this one empty, not unfiltered.
  HistoryFilter signatures;
  signatures.kinds = {HistoryKind::Signature};
  EXPECT_EQ(list(DbList::Configurations, signatures).rowCount(), 0);
  EXPECT_EQ(list(DbList::Signatures, signatures).rowCount(), 1);
}

TEST_F(DbModelTest, ReadsPagesAsTheyAreShownAndKnowsEveryRecord) {
  const int count = 2 * HistoryListModel::kPageSize + 50;
  for (int i = 0; i < count; ++i) add(HistoryKind::Read, 9, QString("T%1").arg(i), i);
  store();
  HistoryListModel& model = list(DbList::Configurations);
  ASSERT_EQ(model.rowCount(), count);
  // The oldest last, the newest first, and back again across pages.
  EXPECT_EQ(recordAt(model, count - 1)->device.tag, "T0");
  EXPECT_EQ(recordAt(model, 0)->device.tag, QString("T%1").arg(count - 1));
  EXPECT_EQ(recordAt(model, HistoryListModel::kPageSize)->device.tag,
            QString("T%1").arg(count - 1 - HistoryListModel::kPageSize));
  EXPECT_FALSE(model.recordAt(count).has_value());
  const QUuid third = recordAt(model, 3)->id;
  EXPECT_TRUE(QTest::qWaitFor([&] { return model.rowOf(third) == 3; }, 5000));
}

TEST_F(DbModelTest, GroupsTrendsAndLogsUnderPeriodsOfLocalDates) {
  const qint64 day = 24 * 60;
  add(HistoryKind::Trend, 1, "A", 0);             // Tuesday 17 March in Berlin (still Monday in UTC)
  add(HistoryKind::Trend, 1, "B", 60);            // the same day
  add(HistoryKind::Trend, 1, "C", 7 * day);       // the next week
  add(HistoryKind::Trend, 1, "D", 16 * day);      // 2 April: the next quarter
  store();
  struct Case {
    HistoryGrouping grouping;
    QStringList headings;  // with the number of records under each
  };
  const Case cases[] = {
      {HistoryGrouping::Day, {"2026-04-02", "1", "2026-03-24", "1", "2026-03-17", "2"}},
      {HistoryGrouping::Week, {"W14 2026", "1", "W13 2026", "1", "W12 2026", "2"}},
      {HistoryGrouping::Quarter, {"Q2 2026", "1", "Q1 2026", "3"}},
  };
  for (const Case& c : cases) {
    HistoryListModel& model = list(DbList::Trends, {}, c.grouping);
    QStringList seen;
    int under = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
      const QString heading = model.index(row).data(HistoryListModel::HeadingRole).toString();
      if (heading.isEmpty()) {
        ++under;
        EXPECT_TRUE(model.flags(model.index(row)) & Qt::ItemIsSelectable);
        continue;
      }
      if (!seen.isEmpty()) seen << QString::number(under);
      seen << heading;
      under = 0;
      EXPECT_FALSE(model.flags(model.index(row)) & Qt::ItemIsSelectable) << heading.toStdString();
      EXPECT_FALSE(model.recordAt(row).has_value());
    }
    seen << QString::number(under);
    EXPECT_EQ(seen, c.headings);
  }
}

TEST(DbSearchTest, TurnsTheSearchIntoAFilterOrSaysWhatIsWrong) {
  const QTimeZone berlin("Europe/Berlin");
  struct Case {
    HistorySearch search;
    const char* error;  // the start of it; empty: none
    std::optional<qint64> deviceId;
    QDateTime since, until;
  };
  const Case cases[] = {
      {{}, "", {}, {}, {}},
      {{"", " 4711 "}, "", 4711, {}, {}},
      {{"", "47x"}, "The device ID is a whole number", {}, {}, {}},
      {{"", "16777216"}, "The device ID is a whole number", {}, {}, {}},
      // Whole local days, the last one included.
      {{"", "", QDate(2026, 3, 1), QDate(2026, 3, 31)},
       "",
       {},
       QDateTime(QDate(2026, 2, 28), QTime(23, 0), QTimeZone::utc()),
       QDateTime(QDate(2026, 3, 31), QTime(22, 0), QTimeZone::utc())},
      {{"", "", QDate(2026, 3, 2), QDate(2026, 3, 1)}, "The search's first day is after its last", {}, {}, {}},
  };
  for (const Case& c : cases) {
    const SearchFilter result = searchFilter(c.search, berlin);
    EXPECT_TRUE(*c.error ? result.error.startsWith(c.error) : result.error.isEmpty()) << result.error.toStdString();
    if (*c.error) continue;
    EXPECT_EQ(result.filter.deviceId, c.deviceId);
    EXPECT_EQ(result.filter.since, c.since);
    EXPECT_EQ(result.filter.until, c.until);
  }
}

}  // namespace
}  // namespace velk
