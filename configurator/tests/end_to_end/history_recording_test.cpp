// The device history fills itself as a technician works: the window against
// the simulated positioner, on an SQLite history in the test's folder. Each
// piece of work lands in its DB page list, and what was recorded shows again
// on its page as the work left it.
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "diagnostics/diag2_operations.h"
#include "diagnostics/diag_alarms_operations.h"
#include "diagnostics/trends_operations.h"
#include "files/db_model.h"
#include "files/db_page.h"
#include "files/logs_operations.h"
#include "history/calibration_record.h"
#include "history/history_store.h"
#include "history/program_history.h"
#include "registry/config_file.h"
#include "registry/configuration.h"
#include "shell/main_window.h"
#include "support/history_lists.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

constexpr int kWaitMs = 20000;

class HistoryRecordingTest : public SimulatorFixture {
 protected:
  // Calibration stages of a fraction of a second.
  static sim::SimulatorConfig quickCalibration() {
    sim::SimulatorConfig config = quickSimulator();
    config.device.calibration.time_scale = 0.05f;
    return config;
  }

  HistoryRecordingTest() : SimulatorFixture(quickCalibration()) {
    qunsetenv(kHistoryVariable);
    form1_ = std::make_unique<TForm1>(core(), ProgramPaths{dir_.filePath("settings.ini"), dir_.filePath("data")});
    page_ = form1_->findChild<DbPage*>();
    form1_->show();
  }

  void click(const char* name) {
    auto* button = form1_->findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->isEnabled(); }, kWaitMs)) << name;
    button->click();
  }
  // Clicks a page's button and waits until the job it posted has run.
  void runOnPage(const char* button, const char* page) {
    click(button);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !core().activity.busy(page); }, kWaitMs)) << button;
  }
  void runSequence(const char* button) {
    const int finished = window().SequencesFinished.load();
    click(button);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().SequencesFinished.load() > finished; }, kWaitMs)) << button;
  }

  // The newest record of `kind` in `list` as the DB page lists it, whole.
  std::optional<HistoryRecord> listed(DbList list, HistoryKind kind) {
    HistoryListModel& model = page_->model(list);
    for (int row = 0; row < model.rowCount(); ++row) {
      const std::optional<HistoryRecord> record = model.recordAt(row);
      if (record && record->kind == kind) {
        const HistoryLookup found = HistoryStore(form1_->history()->location()).find(historyIdText(record->id));
        if (found.outcome == HistoryLookup::Found) return found.record;
      }
    }
    return std::nullopt;
  }
  void select(DbList list, HistoryKind kind) {
    HistoryListModel& model = page_->model(list);
    for (int row = 0; row < model.rowCount(); ++row)
      if (const auto record = model.recordAt(row); record && record->kind == kind)
        page_->view(list)->setCurrentIndex(model.index(row));
  }

  QTemporaryDir dir_;
  std::unique_ptr<TForm1> form1_;
  DbPage* page_ = nullptr;
};

TEST_F(HistoryRecordingTest, EachPieceOfWorkLandsInItsListAndShowsAgainAsItWasLeft) {
  click("ButtonConnect");
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().text("StaticText1") == "CONNECTED"; }, kWaitMs));
  waitForCommandThread();
  click("ButtonInOutService");  // for Send All and the calibration
  ASSERT_TRUE(QTest::qWaitFor([&] { return simulator().state().service.out_of_service; }, kWaitMs));

  runSequence("ButtonReadAll");
  const QByteArray asFound = configurationText(form(), window()).bytes;
  // The device takes the dead band and refuses the stroke.
  form().setText("EditDeadBand", "1.5");
  form().setText("EditStroke", "200");
  runSequence("ButtonSendAll");
  EXPECT_EQ(simulator().state().calibration.dead_band_percent, 1.5f);

  form().setSelectedIndex(kGraphTypeSelector, int(Diag2Graph::RampSignature));
  runOnPage("Button37", "TabSheetDiag");
  form().setSelectedIndex(kTrendVariableSelector, 1);
  runOnPage("ButtonTrendsUpload", "TabSheet3");
  runOnPage("Button38", "DIAGNOSTICS");
  runOnPage("Button50", "TabSheet4");
  form().setText("ComboBoxCalType", "Autocalibration");
  click("ButtonCalibrate");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window().CalibrationRunning.load(); }, kWaitMs));
  // File > Save with the name the file already has: no dialog.
  window().setConfigFileName(dir_.filePath("valve.txt"));
  ASSERT_TRUE(SaveConfiguration(core()).ok);
  const QStringList log = form().lines(kEventLog);
  const auto ramp = window().Diagnostics.dataSet(DiagDataSet::RampSignature);
  const auto trend = window().Diagnostics.trend(1);
  ASSERT_NE(ramp, std::vector<std::int32_t>(ramp.size(), 0));

  ASSERT_TRUE(form1_->history()->waitIdle(kWaitMs));
  EXPECT_EQ(form1_->history()->problem(), "");
  form1_->pageControl()->setCurrentWidget(page_);
  page_->refresh();
  for (DbList list : kDbLists) ASSERT_TRUE(QTest::qWaitFor([&] { return listRead(page_->model(list)); }, kWaitMs));

  // Configurations: as found, as left (with what was sent and refused), and as saved.
  const auto read = listed(DbList::Configurations, HistoryKind::Read);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->payload, asFound);
  const auto sent = listed(DbList::Configurations, HistoryKind::Send);
  ASSERT_TRUE(sent);
  EXPECT_TRUE(sent->payload.contains("\r\nDEAD BAND 1.5\r\n"));
  EXPECT_TRUE(sent->keysSent.contains("DEAD BAND"));
  EXPECT_TRUE(sent->keysSent.contains("STROKE LENGTH"));
  EXPECT_TRUE(sent->keysFailed.contains("STROKE LENGTH"));
  EXPECT_FALSE(sent->keysFailed.contains("DEAD BAND"));
  const auto saved = listed(DbList::Configurations, HistoryKind::Save);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->name, "valve.txt");
  EXPECT_EQ(saved->payload, configurationText(form(), window()).bytes);

  const auto calibration = listed(DbList::Logs, HistoryKind::Calibration);
  ASSERT_TRUE(calibration);
  EXPECT_EQ(calibrationRecordFrom(calibration->payload)->p, form().text("EditPID_P"));

  // Uploads: shown again from the record after the page has forgotten them.
  window().Diagnostics.setDataSet(DiagDataSet::RampSignature, {});
  window().Diagnostics.setTrend(1, {});
  form().setLines(kEventLog, {});
  const bool alarmChecked = form().checked(alarmCheckBox(79));  // out of service
  EXPECT_TRUE(alarmChecked);
  form().setChecked(alarmCheckBox(79), false);
  struct Case {
    DbList list;
    HistoryKind kind;
    const char* button;
    std::function<bool()> shownAgain;
  };
  const Case cases[] = {
      // A stored data set is drawn beside the upload, in the baseline's place.
      {DbList::Signatures, HistoryKind::Signature, "ButtonDBSigLoad",
       [&] {
         const auto shown = window().Diagnostics.reference(DiagDataSet::RampSignature);
         return shown && !shown->baseline &&
                shown->values == std::vector<std::optional<std::int32_t>>(ramp.begin(), ramp.end());
       }},
      {DbList::Trends, HistoryKind::Trend, "ButtonDBTrendView", [&] { return window().Diagnostics.trend(1) == trend; }},
      {DbList::Logs, HistoryKind::Alarms, "ButtonDBLogView", [&] { return form().checked(alarmCheckBox(79)); }},
      {DbList::Logs, HistoryKind::EventLog, "ButtonDBLogView", [&] { return form().lines(kEventLog) == log; }},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(listed(c.list, c.kind)) << historyKindName(c.kind).toStdString();
    select(c.list, c.kind);
    click(c.button);
    EXPECT_TRUE(QTest::qWaitFor(c.shownAgain, kWaitMs)) << historyKindName(c.kind).toStdString();
  }
}

}  // namespace
}  // namespace velk
