// velk history: the device history from the command line, as a technician
// and a script use it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "history/history_store.h"
#include "history/history_values.h"
#include "support/velk_console.h"

namespace velk::cli {
namespace {

QByteArray contents(const QString& path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return file.readAll();
}

class VelkHistoryTest : public ::testing::Test {
 protected:
  VelkHistoryTest() {
    // The default file and the place records wait for a shared store: here.
    qputenv("XDG_DATA_HOME", dir_.filePath("data").toLocal8Bit());
    qputenv("VELK_HISTORY", dir_.filePath("history.sqlite").toLocal8Bit());
    demo_ = contents(DEMO_CONFIGURATION);
    read_ = record(HistoryKind::Read, 41411, "FV-101", 0, demo_);
    QByteArray changed = demo_;
    changed.replace("STROKE LENGTH 30", "STROKE LENGTH 70");
    send_ = record(HistoryKind::Send, 41411, "FV-101", 1, changed);
    trend_ = record(HistoryKind::Trend, 7, "PV-2", 2, "position 50 %\nsetpoint 50 %\n");
    HistoryStore store(HistoryLocation{dir_.filePath("history.sqlite"), {}, {}});
    EXPECT_TRUE(store.write(std::vector<HistoryRecord>{read_, send_, trend_}).stored);
  }
  ~VelkHistoryTest() override {
    qunsetenv("VELK_HISTORY");
    qunsetenv("XDG_DATA_HOME");
  }

  static HistoryRecord record(HistoryKind kind, qint64 device, const QString& tag, int day,
                              const QByteArray& payload) {
    HistoryRecord r = newHistoryRecord(kind, {"Q5", 101, device, {}, tag, {}}, payload);
    r.time = QDateTime(QDate(2026, 3, 18 + day), QTime(14, 2, 5), Qt::UTC);
    return r;
  }
  static QString id(const HistoryRecord& r) { return historyIdText(r.id); }

  int velk(const QStringList& args) { return console_.run(args); }
  QString line(const HistoryRecord& r) const {
    return QStringList{id(r), r.time.toString(Qt::ISODate), historyKindName(r.kind), "Q5",
                       QString::number(r.device.deviceId), r.device.tag}
               .join('\t') +
           "\n";
  }

  QTemporaryDir dir_;
  QByteArray demo_;
  HistoryRecord read_, send_, trend_;
  VelkConsole console_;
  QString& outText_ = console_.out;
  QString& errText_ = console_.err;
};

TEST_F(VelkHistoryTest, TheCommandLineNamesWhatItWants) {
  struct Case {
    QStringList args;
    const char* error;
  };
  const Case cases[] = {
      {{"history", "list", "--device", "41411", "--kind", "send", "--since", "2026-03-19"}, ""},
      {{"history", "show", "0f3a", "-o", "a.txt"}, ""},
      {{"history"}, "history needs list, show, diff, delete, baseline, sync or export"},
      {{"history", "undo"}, "unknown history command undo"},
      {{"history", "show"}, "history show takes an id"},
      {{"history", "diff", "0f3a"}, "history diff takes an id and an id or a file"},
      {{"history", "export"}, "history export takes a folder"},
      {{"history", "list", "--kind", "reading"}, "--kind: read, send, save, signature, trend, alarms, eventlog or calibration"},
      {{"history", "list", "--since", "yesterday"}, "--since: a date (YYYY-MM-DD) or an ISO 8601 time"},
      {{"history", "list", "--device", "16777216"}, "--device: a device ID is 0 to 16777215"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(parseCommandLine(c.args).error.toStdString(), c.error) << c.args.join(' ').toStdString();
}

TEST_F(VelkHistoryTest, ListsShowsAndExportsWhatTheHistoryHolds) {
  ASSERT_EQ(velk({"history", "list"}), kSuccess) << errText_.toStdString();
  EXPECT_EQ(outText_, line(trend_) + line(send_) + line(read_));
  ASSERT_EQ(velk({"history", "list", "--device", "41411", "--since", "2026-03-19T00:00:00+01:00"}), kSuccess);
  EXPECT_EQ(outText_, line(send_));
  ASSERT_EQ(velk({"history", "list", "--kind", "read", "--tag", "FV-101"}), kSuccess);
  EXPECT_EQ(outText_, line(read_));

  // A configuration as the file the window opens; from the start of its id.
  ASSERT_EQ(velk({"history", "show", id(read_).left(6)}), kSuccess) << errText_.toStdString();
  EXPECT_EQ(outText_, QString::fromLatin1(demo_));
  const QString file = dir_.filePath("as-found.txt");
  ASSERT_EQ(velk({"history", "show", id(send_), "-o", file}), kSuccess);
  EXPECT_EQ(contents(file), send_.payload);
  ASSERT_EQ(velk({"history", "show", id(trend_)}), kSuccess);
  EXPECT_TRUE(outText_.contains("kind: trend\n")) << outText_.toStdString();
  EXPECT_TRUE(outText_.endsWith("\nposition 50 %\nsetpoint 50 %\n")) << outText_.toStdString();

  const QString folder = dir_.filePath("export");
  ASSERT_EQ(velk({"history", "export", folder}), kSuccess) << errText_.toStdString();
  EXPECT_EQ(QDir(folder).entryList(QDir::Files),
            (QStringList{"Q5-41411-20260318T140205Z-read.txt", "Q5-41411-20260319T140205Z-send.txt"}));
  EXPECT_EQ(contents(folder + "/Q5-41411-20260318T140205Z-read.txt"), demo_);
}

TEST_F(VelkHistoryTest, DiffPrintsWhatVelkDiffPrintsWithTheFirstRecordAsTheDevice) {
  const QString stroke70 = "STROKE LENGTH: file \"70\", device \"30\"\n";
  EXPECT_EQ(velk({"history", "diff", id(read_), id(send_)}), kFailed);
  EXPECT_EQ(outText_, stroke70);
  const QString file = dir_.filePath("wanted.txt");
  QFile wanted(file);
  ASSERT_TRUE(wanted.open(QIODevice::WriteOnly));
  wanted.write(send_.payload);
  wanted.close();
  EXPECT_EQ(velk({"history", "diff", id(read_), file}), kFailed);
  EXPECT_EQ(outText_, stroke70);
  EXPECT_EQ(velk({"history", "diff", id(send_), id(send_)}), kSuccess);
  EXPECT_EQ(outText_, "");
  EXPECT_EQ(velk({"history", "diff", id(read_), id(trend_)}), kUsage);
  EXPECT_TRUE(errText_.contains("is a trend record, not a configuration")) << errText_.toStdString();
}

TEST_F(VelkHistoryTest, AnUnknownIdIsAUsageErrorAndDeleteAsksFirst) {
  EXPECT_EQ(velk({"history", "show", "0123abcd"}), kUsage);
  EXPECT_TRUE(errText_.startsWith("velk: no record 0123abcd in the history ")) << errText_.toStdString();
  EXPECT_EQ(velk({"history", "delete", id(trend_)}), kRefused);
  EXPECT_EQ(velk({"history", "delete", id(trend_), "--yes"}), kSuccess);
  EXPECT_EQ(velk({"history", "show", id(trend_)}), kUsage);
}

TEST_F(VelkHistoryTest, BaselineMarksASignatureForItsDeviceAndDataSetAndRefusesOtherRecords) {
  const HistoryRecord ramp = record(HistoryKind::Signature, 41411, "FV-101", 4,
                                    historyValuesText({"Ramp signature", {1, std::nullopt, 3}}));
  ASSERT_TRUE(HistoryStore(HistoryLocation{dir_.filePath("history.sqlite"), {}, {}}).write(ramp).stored);
  ASSERT_EQ(velk({"history", "baseline", id(ramp).left(8)}), kSuccess) << errText_.toStdString();
  EXPECT_EQ(outText_, "Baseline of Ramp signature for Q5 41411: " + id(ramp) + " (2026-03-22T14:02:05Z)\n");
  EXPECT_EQ(HistoryStore(HistoryLocation{dir_.filePath("history.sqlite"), {}, {}})
                .baseline(41411, "Ramp signature")
                .record.id,
            ramp.id);
  EXPECT_EQ(velk({"history", "baseline", id(read_)}), kUsage);
  EXPECT_TRUE(errText_.contains("holds no uploaded data set")) << errText_.toStdString();
}

TEST_F(VelkHistoryTest, SyncFailsWhileRecordsWaitForASharedStoreThatCannotBeReached) {
  EXPECT_EQ(velk({"history", "sync"}), kSuccess);
  // Nothing listens on port 1.
  qputenv("VELK_HISTORY", "postgresql://velk@127.0.0.1:1/history");
  EXPECT_TRUE(recordInHistory(record(HistoryKind::Read, 5, "W", 3, demo_)).waiting);
  EXPECT_EQ(velk({"history", "sync"}), kFailed);
  EXPECT_EQ(outText_, "0 record(s) sent to postgresql://velk@127.0.0.1:1/history, 1 waiting\n");
  EXPECT_TRUE(errText_.contains("cannot be reached")) << errText_.toStdString();
  // What waits is listed, and the list says it is not all.
  EXPECT_EQ(velk({"history", "list"}), kFailed);
  EXPECT_EQ(outText_.count('\n'), 1);
}

}  // namespace
}  // namespace velk::cli
