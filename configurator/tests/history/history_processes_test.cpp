// The SQLite store as processes use it: one killed while it writes, and
// several writing at once (two velk runs and the window).
#include <gtest/gtest.h>

#include <signal.h>

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "history/history_store.h"
#include "history/history_writer.h"
#include "support/child_process.h"

namespace velk {
namespace {

// Writes records to `file` as a process of its own; `count` 0: until killed.
void startWriter(ChildProcess& process, const QString& file, int count, int device) {
  ASSERT_TRUE(process.start(HISTORY_WRITE_CHILD, {file, QString::number(count), QString::number(device)}))
      << process.problem();
}

// The ids a writer said it had stored: the whole lines it printed.
QSet<QString> storedIds(const QByteArray& output) {
  QSet<QString> ids;
  for (const QByteArray& line : output.split('\n'))
    if (line.size() == 36) ids.insert(QString::fromLatin1(line));
  return ids;
}

QString integrityCheck(const QString& path) {
  QString result;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "integrity");
    db.setDatabaseName(path);
    if (!db.open()) return db.lastError().text();
    QSqlQuery query(db);
    if (!query.exec("PRAGMA integrity_check")) return query.lastError().text();
    while (query.next()) result += query.value(0).toString();
  }
  QSqlDatabase::removeDatabase("integrity");
  return result;
}

QSet<QString> idsIn(HistoryStore& store) {
  QSet<QString> ids;
  for (const HistoryRecord& r : store.list({}, 0, 100000).records) ids.insert(historyIdText(r.id));
  return ids;
}

TEST(HistoryProcessesTest, AWriterKilledWhileWritingLeavesAWholeStoreWithEveryRecordItHadStored) {
  QTemporaryDir dir;
  const QString file = dir.filePath("history.sqlite");
  ChildProcess writer;
  startWriter(writer, file, 0, 1);
  // Some records in, and more on their way.
  ASSERT_TRUE(writer.waitForOutput([](const QByteArray& output) { return storedIds(output).size() >= 40; }, 60000))
      << writer.endText();
  writer.signal(SIGKILL);
  ASSERT_TRUE(writer.waitForExit(10000));
  const QByteArray output = writer.output();

  EXPECT_EQ(integrityCheck(file), "ok");
  HistoryStore store(HistoryLocation{file, {}, {}});
  ASSERT_TRUE(store.available()) << store.problem().toStdString();
  const QSet<QString> stored = idsIn(store);
  for (const QString& id : storedIds(output)) EXPECT_TRUE(stored.contains(id)) << id.toStdString();
}

TEST(HistoryProcessesTest, TwoProcessesAndTheWindowWritingAtOnceStoreEveryRecordOnce) {
  QTemporaryDir dir;
  const QString file = dir.filePath("history.sqlite");
  // The store exists before the race, as the window's does.
  { HistoryStore(HistoryLocation{file, {}, {}}); }
  constexpr int kEach = 150;
  ChildProcess first, second;
  startWriter(first, file, kEach, 1);
  startWriter(second, file, kEach, 2);
  QSet<QString> expected;
  {
    HistoryWriter window(HistoryLocation{file, {}, {}}, [](const HistoryReport& report) {
      EXPECT_TRUE(report.result.stored) << report.result.message.toStdString();
    });
    for (int i = 0; i < 50; ++i) {
      HistoryRecord record = newHistoryRecord(HistoryKind::Save, {"Q50", 91, 3, {}, "W", {}}, "window");
      expected.insert(historyIdText(record.id));
      window.post(std::move(record));
    }
    ASSERT_TRUE(window.waitIdle(120000));
  }
  for (ChildProcess* writer : {&first, &second}) {
    ASSERT_TRUE(writer->waitForExit(120000));
    EXPECT_TRUE(writer->exitedWith(0)) << writer->endText();
    const QSet<QString> ids = storedIds(writer->output());
    EXPECT_EQ(ids.size(), kEach);
    expected += ids;
  }
  HistoryStore store(HistoryLocation{file, {}, {}});
  EXPECT_EQ(store.count({}), expected.size());
  EXPECT_EQ(idsIn(store), expected);
}

}  // namespace
}  // namespace velk
