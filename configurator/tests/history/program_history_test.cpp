// The window's history: work handed over from any thread is stored with the
// device as the window shows it; a store that cannot be used is said once,
// in the status bar and the communication log. And the uploaded values'
// payload, which the pages write and the DB page shows again.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

#include "history/calibration_record.h"
#include "history/history_store.h"
#include "history/history_values.h"
#include "history/program_history.h"
#include "model/form_state.h"
#include "model/window_operations.h"
#include "model/window_state.h"

namespace velk {
namespace {

class ProgramHistoryTest : public ::testing::Test {
 protected:
  HistoryLocationChoice fileChoice(const QString& name) {
    return {HistoryLocation{dir_.filePath(name), {}, {}}, {}};
  }
  // Lets what the writer handed to the GUI thread run.
  bool settled(ProgramHistory& history) {
    if (!history.waitIdle(30000)) return false;
    return QTest::qWaitFor([&] { return history.opened(); }, 10000);
  }

  QTemporaryDir dir_;
  FormState form_;
  WindowState window_;
};

TEST_F(ProgramHistoryTest, StoresWorkFromAnyThreadAsTheDeviceWasLastRead) {
  form_.setText("Edit183", "4711");
  form_.setText("EditTag", "FV-101");
  window_.DeviceType.store(kDeviceTypeQ50);
  ProgramHistory history(form_, window_, fileChoice("history.sqlite"));
  QSignalSpy recorded(&history, &ProgramHistory::recorded);
  std::thread worker([&] {
    window_.History.record({HistoryKind::Send, "as left", {}, {"EditStroke"}, {"EditTag"}});
  });
  worker.join();
  ASSERT_TRUE(settled(history));
  ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.count() == 1; }, 10000));

  HistoryStore store(history.location());
  const std::vector<HistoryRecord> records = store.list({}, 0, 10).records;
  ASSERT_EQ(records.size(), 1u);
  const HistoryLookup found = store.find(historyIdText(records[0].id));
  EXPECT_EQ(found.record.device.deviceId, 4711);
  EXPECT_EQ(found.record.device.tag, "FV-101");
  EXPECT_EQ(found.record.device.model, "Q50");
  EXPECT_EQ(found.record.payload, "as left");
  EXPECT_EQ(found.record.keysSent, QStringList{"EditStroke"});
  EXPECT_EQ(found.record.keysFailed, QStringList{"EditTag"});
  EXPECT_EQ(form_.lines(kCommunicationLog), QStringList());
  EXPECT_EQ(history.problem(), "");
}

TEST_F(ProgramHistoryTest, AStoreThatCannotBeUsedIsSaidOnceAndTheWorkGoesOn) {
  QFile notes(dir_.filePath("notes.txt"));
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.write("not a database\n");
  notes.close();
  struct Case {
    const char* what;
    HistoryLocationChoice choice;
  };
  const Case cases[] = {
      {"a file of another program", fileChoice("notes.txt")},
      {"a choice that is no place", historyStoreChoice("mysql://velk@db/history", dir_.path())},
  };
  for (const Case& c : cases) {
    FormState form;
    WindowState window;
    ProgramHistory history(form, window, c.choice);
    ASSERT_TRUE(history.waitIdle(30000)) << c.what;
    for (int i = 0; i < 3; ++i) window.History.record({HistoryKind::Read, "as found"});
    ASSERT_TRUE(history.waitIdle(30000)) << c.what;
    QTest::qWait(50);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !history.problem().isEmpty(); }, 10000)) << c.what;
    EXPECT_EQ(form.lines(kCommunicationLog).size(), 1) << c.what << ": " << form.lines(kCommunicationLog).join('|').toStdString();
    EXPECT_EQ(form.text(kStatusBar), history.problem()) << c.what;
  }
  EXPECT_EQ(QFile(dir_.filePath("notes.txt")).size(), 15);
}

TEST_F(ProgramHistoryTest, ACommandLineRunWritesAtOnceAndOnlyWarnsWhenItCannot) {
  QFile notes(dir_.filePath("notes.txt"));
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.write("not a database\n");
  notes.close();
  form_.setText("EditTag", "FV-7");
  QStringList warnings;
  {
    CommandLineHistory history(form_, window_, [&](const QString& message) { warnings << message; });
    qputenv(kHistoryVariable, dir_.filePath("velk.sqlite").toLocal8Bit());
    window_.History.record({HistoryKind::Read, "as found"});
    qputenv(kHistoryVariable, dir_.filePath("notes.txt").toLocal8Bit());
    window_.History.record({HistoryKind::Read, "as found"});
    qunsetenv(kHistoryVariable);
  }
  EXPECT_FALSE(window_.History.installed());
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings[0].contains("notes.txt")) << warnings[0].toStdString();
  HistoryStore store(HistoryLocation{dir_.filePath("velk.sqlite"), {}, {}});
  HistoryFilter reads;
  reads.kinds = {HistoryKind::Read};
  const std::vector<HistoryRecord> records = store.list(reads, 0, 10).records;
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].device.tag, "FV-7");
}

TEST(HistoryValuesTest, RoundTripsValuesAndFailedBlocksAndRefusesOtherText) {
  const HistoryValues values{"Ramp signature", {1203, std::nullopt, -5, 0}};
  const QByteArray text = historyValuesText(values);
  EXPECT_EQ(text, "Ramp signature\n1203\nfailed\n-5\n0\n");
  const auto back = historyValuesFrom(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->title, values.title);
  EXPECT_EQ(back->values, values.values);
  for (const char* other : {"", "\n12\n", "Friction\n12\n1.5\n", "Friction\n99999999999\n", "Velk Configurator 2.0\r\nHART TAG X\r\n"})
    EXPECT_FALSE(historyValuesFrom(other)) << other;
}

TEST(CalibrationRecordTest, RoundTripsWhatThePageShowedAndLeavesOutWhatWasNotRead) {
  const CalibrationRecord record{"Autocalibration", "Calibration\nfailed", {{"Travel", "Done"}, {"Leak", "Failed"}}, "120"};
  const QByteArray text = calibrationRecordText(record);
  EXPECT_EQ(text, "Kind: Autocalibration\nOutcome: Calibration failed\nTravel: Done\nLeak: Failed\nP: 120\n");
  const auto back = calibrationRecordFrom(text + "Later: something\n");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->outcome, "Calibration failed");
  EXPECT_EQ(back->stages, record.stages);
  EXPECT_EQ(back->p, "120");
  EXPECT_FALSE(back->i);
  EXPECT_FALSE(calibrationRecordFrom("Ramp signature\n12\n"));
}

}  // namespace
}  // namespace velk
