// The device history in an SQLite file: what it keeps, how lists find it,
// files it must leave alone, the demo an empty history starts with, and the
// writer that reports a failure once.
#include <gtest/gtest.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "history/history_store.h"
#include "history/history_values.h"
#include "history/history_writer.h"

namespace velk {
namespace {

const QDateTime kStart(QDate(2026, 3, 18), QTime(9, 0), Qt::UTC);

HistoryRecord makeRecord(HistoryKind kind, qint64 deviceId, const QString& tag, int hour) {
  HistoryRecord r = newHistoryRecord(kind, {"Q5", 101, deviceId, "3e61000064", tag, "descriptor"},
                                     "Velk Configurator 2.0\r\nHART TAG " + tag.toLatin1() + "\r\n");
  r.time = kStart.addSecs(hour * 3600);
  return r;
}

QByteArray contents(const QString& path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return file.readAll();
}

// Runs SQL on a file the way another program would.
void runSql(const QString& path, const QStringList& statements) {
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other-program");
    db.setDatabaseName(path);
    ASSERT_TRUE(db.open());
    QSqlQuery query(db);
    for (const QString& statement : statements) ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
  }
  QSqlDatabase::removeDatabase("other-program");
}

class HistoryStoreTest : public ::testing::Test {
 protected:
  HistoryLocation location(const QString& name = "history.sqlite") const {
    HistoryLocation l;
    l.localFile = dir_.filePath(name);
    return l;
  }
  static std::vector<QUuid> ids(const HistoryPage& page) {
    std::vector<QUuid> result;
    for (const HistoryRecord& r : page.records) result.push_back(r.id);
    return result;
  }
  QTemporaryDir dir_;
};

TEST_F(HistoryStoreTest, KeepsEveryFieldAndListsWhatAFilterAsksForNewestFirst) {
  HistoryStore store(location());
  ASSERT_TRUE(store.available()) << store.problem().toStdString();
  const HistoryRecord read = makeRecord(HistoryKind::Read, 100, "FV-101", 0);
  HistoryRecord send = makeRecord(HistoryKind::Send, 100, "FV-101", 1);
  send.keysSent = {"STROKE LENGTH", "PID P"};
  send.keysFailed = {"PID P"};
  const HistoryRecord trend = makeRecord(HistoryKind::Trend, 200, "PV-7", 2);
  HistoryRecord save = makeRecord(HistoryKind::Save, 200, "PV-7", 3);
  save.name = "before overhaul";
  ASSERT_TRUE(store.write(read).stored);
  ASSERT_TRUE(store.write(std::vector<HistoryRecord>{send, trend, save}).stored);
  // The same record again (a retry): stored once.
  ASSERT_TRUE(store.write(send).stored);

  const HistoryLookup found = store.find(historyIdText(send.id));
  ASSERT_EQ(found.outcome, HistoryLookup::Found);
  EXPECT_EQ(found.record, send);
  EXPECT_EQ(store.find(historyIdText(save.id).left(8).toUpper()).record.name, "before overhaul");

  struct Case {
    const char* what;
    HistoryFilter filter;
    std::vector<QUuid> expected;
  };
  auto filter = [](const std::function<void(HistoryFilter&)>& set) {
    HistoryFilter f;
    set(f);
    return f;
  };
  const Case cases[] = {
      {"all", {}, {save.id, trend.id, send.id, read.id}},
      {"device", filter([](HistoryFilter& f) { f.deviceId = 100; }), {send.id, read.id}},
      {"tag", filter([](HistoryFilter& f) { f.tag = "PV-7"; }), {save.id, trend.id}},
      {"configurations",
       filter([](HistoryFilter& f) { f.kinds = {HistoryKind::Read, HistoryKind::Send, HistoryKind::Save}; }),
       {save.id, send.id, read.id}},
      {"since, inclusive", filter([](HistoryFilter& f) { f.since = kStart.addSecs(3600); }),
       {save.id, trend.id, send.id}},
      {"until, exclusive", filter([](HistoryFilter& f) { f.until = kStart.addSecs(3600); }), {read.id}},
      {"nothing", filter([](HistoryFilter& f) { f.deviceId = 300; }), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ids(store.list(c.filter, 0, 100)), c.expected) << c.what;
  EXPECT_EQ(ids(store.list({}, 1, 2)), (std::vector<QUuid>{trend.id, send.id}));
  EXPECT_EQ(store.count({}), 4);
  const auto devices = store.devices();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[1], save.device);

  EXPECT_TRUE(store.remove(send.id));
  EXPECT_FALSE(store.remove(send.id));
  EXPECT_EQ(store.find(historyIdText(send.id)).outcome, HistoryLookup::Unknown);
  EXPECT_EQ(store.find("zz").outcome, HistoryLookup::Unknown);
  // Its keys went with it: stored again (a record sent again), it is whole.
  ASSERT_TRUE(store.write(send).stored);
  EXPECT_EQ(store.find(historyIdText(send.id)).record, send);
}

TEST_F(HistoryStoreTest, AStartOfAnIdThatNamesTwoRecordsFindsNeither) {
  HistoryStore store(location());
  HistoryRecord a = makeRecord(HistoryKind::Read, 1, "", 0);
  HistoryRecord b = makeRecord(HistoryKind::Read, 1, "", 1);
  a.id = QUuid::fromString(QString("aaaaaaaa-0000-4000-8000-000000000001"));
  b.id = QUuid::fromString(QString("aaaaaaaa-0000-4000-8000-000000000002"));
  ASSERT_TRUE(store.write(std::vector<HistoryRecord>{a, b}).stored);
  EXPECT_EQ(store.find("aaaaaaaa").outcome, HistoryLookup::Ambiguous);
  EXPECT_EQ(store.find("aaaaaaaa-0000-4000-8000-000000000002").record.id, b.id);
}

TEST_F(HistoryStoreTest, LeavesAFileItCannotUseAsItIsAndSaysWhy) {
  struct Case {
    const char* what;
    std::function<void(const QString& path)> make;
    const char* reason;
  };
  const Case cases[] = {
      {"no SQLite database",
       [](const QString& path) {
         QFile file(path);
         ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         file.write(QByteArray("Velk Configurator 2.0\r\n").repeated(300));
       },
       "is damaged or no SQLite database"},
      {"damaged",
       [](const QString& path) {
         { HistoryStore(HistoryLocation{path, {}, {}}).write(makeRecord(HistoryKind::Read, 1, "A", 0)); }
         QFile file(path);
         ASSERT_TRUE(file.open(QIODevice::ReadWrite));
         file.seek(100);  // past the header, into the table of tables
         file.write(QByteArray(2000, '\x55'));
       },
       "is damaged or no SQLite database"},
      {"another program's",
       [](const QString& path) { runSql(path, {"CREATE TABLE customers (name TEXT)"}); },
       "holds another program's tables"},
      {"newer",
       [](const QString& path) {
         { HistoryStore(HistoryLocation{path, {}, {}}); }
         runSql(path, {"PRAGMA journal_mode = DELETE", "UPDATE schema_version SET version = 99"});
       },
       "was written by a newer version of this program (history schema 99"},
  };
  for (const Case& c : cases) {
    const QString path = dir_.filePath(QString(c.what) + ".sqlite");
    c.make(path);
    const QByteArray before = contents(path);
    {
      HistoryStore store(location(QString(c.what) + ".sqlite"));
      EXPECT_FALSE(store.available()) << c.what;
      EXPECT_TRUE(store.problem().contains(path + " " + c.reason)) << store.problem().toStdString();
      const HistoryWriteResult written = store.write(makeRecord(HistoryKind::Read, 1, "B", 1));
      EXPECT_FALSE(written.stored) << c.what;
      EXPECT_EQ(written.message, store.problem());
    }
    EXPECT_EQ(contents(path), before) << c.what;
  }
}

TEST_F(HistoryStoreTest, ANewHistoryStartsWithTheDemoConfigurationOnce) {
  HistoryLocation withDemo = location();
  withDemo.demoConfiguration = DEMO_CONFIGURATION;
  QUuid demoId;
  {
    HistoryStore store(withDemo);
    const HistoryPage page = store.list({}, 0, 10);
    ASSERT_EQ(page.records.size(), 1u);
    const HistoryRecord demo = store.find(historyIdText(page.records[0].id)).record;
    EXPECT_EQ(demo.kind, HistoryKind::Save);
    EXPECT_EQ(demo.name, "Linear actuator demo");
    EXPECT_EQ(demo.device.deviceId, 41411);
    EXPECT_EQ(demo.payload, contents(DEMO_CONFIGURATION));
    demoId = demo.id;
    ASSERT_TRUE(store.remove(demoId));
  }
  // A history emptied by its technician stays empty.
  HistoryStore reopened(withDemo);
  EXPECT_EQ(reopened.count({}), 0);
}

TEST_F(HistoryStoreTest, TheWriterStoresInOrderAndSaysAFailureOnce) {
  std::vector<HistoryReport> reports;
  std::mutex mutex;
  auto collect = [&](const HistoryReport& report) {
    std::lock_guard lock(mutex);
    reports.push_back(report);
  };
  {
    HistoryWriter writer(location(), collect);
    for (int hour = 0; hour < 3; ++hour) writer.post(makeRecord(HistoryKind::Read, 5, "W", hour));
    ASSERT_TRUE(writer.waitIdle(30000));
  }
  ASSERT_EQ(reports.size(), 3u);
  for (const HistoryReport& report : reports) EXPECT_TRUE(report.result.stored && report.result.message.isEmpty());
  HistoryStore store(location());
  EXPECT_EQ(store.list({}, 0, 10).records.back().id, reports.front().record.id);

  reports.clear();
  QFile notADatabase(dir_.filePath("notes.txt"));
  ASSERT_TRUE(notADatabase.open(QIODevice::WriteOnly));
  notADatabase.write("not a database, not a history\n");
  notADatabase.close();
  {
    HistoryWriter writer(location("notes.txt"), collect);
    writer.post(makeRecord(HistoryKind::Read, 5, "W", 4));
    writer.post(makeRecord(HistoryKind::Read, 5, "W", 5));
  }
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_FALSE(reports[0].result.stored);
  EXPECT_TRUE(reports[0].result.message.contains("notes.txt is damaged or no SQLite database"));
  EXPECT_FALSE(reports[0].repeated);
  EXPECT_TRUE(reports[1].repeated);
}

}  // namespace
}  // namespace velk

namespace velk {
namespace {

HistoryRecord signature(qint64 deviceId, const QString& dataSet, int hour) {
  HistoryRecord r = newHistoryRecord(HistoryKind::Signature, {"Q5", 101, deviceId, {}, "FV-1", {}},
                                     historyValuesText({dataSet, {hour, std::nullopt}}));
  r.time = kStart.addSecs(hour * 3600);
  return r;
}

// A store of the first schema, from before baselines, takes them once opened.
TEST_F(HistoryStoreTest, OneBaselinePerDataSetAndDeviceMarkingAnotherReplacesIt) {
  const HistoryRecord older = signature(7, "Ramp signature", 0), newer = signature(7, "Ramp signature", 1);
  const HistoryRecord friction = signature(7, "Friction over position", 2), other = signature(8, "Ramp signature", 3);
  {
    HistoryStore first(location());
    ASSERT_TRUE(first.write(std::vector<HistoryRecord>{older, newer, friction, other}).stored);
  }
  runSql(dir_.filePath("history.sqlite"), {"DROP TABLE baselines", "UPDATE schema_version SET version = 1"});
  HistoryStore store(location());
  ASSERT_TRUE(store.available()) << store.problem().toStdString();
  EXPECT_EQ(store.baseline(7, "Ramp signature").outcome, HistoryLookup::Unknown);

  for (const HistoryRecord& r : {older, newer, friction, other}) {
    const HistoryBaselineMark mark = store.setBaseline(r);
    EXPECT_TRUE(mark.marked) << mark.error.toStdString();
  }
  struct Case {
    qint64 device;
    const char* dataSet;
    std::optional<QUuid> baseline;
  };
  const Case cases[] = {
      {7, "Ramp signature", newer.id},  // the later mark replaced the first
      {7, "Friction over position", friction.id},
      {8, "Ramp signature", other.id},
      {8, "Friction over position", std::nullopt},
  };
  for (const Case& c : cases) {
    const HistoryLookup found = store.baseline(c.device, c.dataSet);
    EXPECT_EQ(found.outcome, c.baseline ? HistoryLookup::Found : HistoryLookup::Unknown) << c.device << c.dataSet;
    if (c.baseline) {
      EXPECT_EQ(found.record.id, *c.baseline) << c.device << c.dataSet;
      EXPECT_EQ(found.record.payload, store.find(historyIdText(*c.baseline)).record.payload);
    }
  }

  // Deleting the record takes its mark along; a configuration holds no data set.
  ASSERT_TRUE(store.remove(newer.id));
  EXPECT_EQ(store.baseline(7, "Ramp signature").outcome, HistoryLookup::Unknown);
  const HistoryBaselineMark gone = store.setBaseline(newer);
  EXPECT_FALSE(gone.marked);
  EXPECT_TRUE(gone.error.contains("no longer in the device history")) << gone.error.toStdString();
  const HistoryBaselineMark configuration = store.setBaseline(makeRecord(HistoryKind::Read, 7, "FV-1", 4));
  EXPECT_FALSE(configuration.marked);
  EXPECT_TRUE(configuration.dataSet.isEmpty());
  EXPECT_TRUE(configuration.error.contains("holds no uploaded data set")) << configuration.error.toStdString();
}

}  // namespace
}  // namespace velk
