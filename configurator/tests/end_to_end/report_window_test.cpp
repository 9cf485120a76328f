// A valve worked on against the simulated positioner, in the window: Read All,
// a changed stroke, Send All; then the DB page compares the two configurations
// and File > "Report..." writes the as-found/as-left report.
#include <QAction>
#include <QCheckBox>
#include <QFont>
#include <QItemSelectionModel>
#include <QListView>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "files/db_model.h"
#include "files/db_page.h"
#include "history/program_history.h"
#include "shell/comparison_window.h"
#include "shell/main_menu.h"
#include "shell/main_window.h"
#include "support/history_lists.h"
#include "support/pdf_text.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class ReportWindowTest : public SimulatorFixture {
 protected:
  ReportWindowTest() {
    qunsetenv(kHistoryVariable);
    form1_ = std::make_unique<TForm1>(core(), ProgramPaths{dir_.filePath("settings.ini"), dir_.filePath("data")});
    form1_->pageControl()->setCurrentWidget(form1_->pageControl()->findChild<QWidget*>("TabSheetDb"));
    form1_->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form1_->history()->opened(); }, 15000));
  }

  // As the left column's button: the sequence starts and ends.
  void run(int request) {
    core().commands.postRequest(request);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().SequenceRunning.load(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window().SequenceRunning.load(); }, 60000));
    settle();
  }

  // What a sequence handed to the history is written.
  void recorded() { ASSERT_TRUE(form1_->history()->waitIdle(15000)); }

  QTemporaryDir dir_;
  std::unique_ptr<TForm1> form1_;
};

TEST_F(ReportWindowTest, ReadChangeSendThenCompareAndReport) {
  VELK_SKIP_WITHOUT_PDFTOTEXT();
  simulator().update_state([](sim::DeviceState& s) {
    s.service.out_of_service = true;
    s.setup.stroke_mm = 40;
  });
  attachInstrument();
  window().OutOfService.store(true);
  run(kRequestReadAll);
  const QString tag = form().text("EditTag").trimmed();
  const QString deviceId = form().text("Edit183");
  ASSERT_EQ(form().text("EditStroke"), "40");
  recorded();
  type({{"EditStroke", "65"}});
  run(kRequestSendAll);
  expectNoFailedCommand();
  recorded();

  // Both records chosen on the DB page, compared: the older on the left.
  auto* page = form1_->findChild<DbPage*>();
  page->refresh();
  HistoryListModel& configurations = page->model(DbList::Configurations);
  ASSERT_TRUE(QTest::qWaitFor([&] { return listRead(configurations) && configurations.rowCount() == 2; }, 15000));
  QItemSelectionModel* selection = page->view(DbList::Configurations)->selectionModel();
  for (int row : {0, 1}) selection->select(configurations.index(row), QItemSelectionModel::Select);
  form1_->findChild<QPushButton*>("ButtonDBConfCompare")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1_->findChild<ComparisonWindow*>() != nullptr; }, 15000));
  auto* compared = form1_->findChild<ComparisonWindow*>();
  QTableWidget* table = compared->table();
  EXPECT_TRUE(table->horizontalHeaderItem(1)->text().contains("Read All"));
  EXPECT_TRUE(table->horizontalHeaderItem(2)->text().contains("Send All"));
  compared->onlyDifferences()->setChecked(true);
  QStringList shown;
  for (int r = 0; r < table->rowCount(); ++r)
    if (!table->isRowHidden(r))
      shown << table->item(r, 0)->text() + " " + table->item(r, 1)->text() + " " + table->item(r, 2)->text() +
                   (table->item(r, 0)->font().bold() ? " bold" : "");
  EXPECT_TRUE(shown.contains("STROKE LENGTH 40 65 bold")) << shown.join('\n').toStdString();

  // File > "Report...", for the connected device.
  const QString pdf = dir_.filePath("report.pdf");
  form1_->menu().setFileDialogs({{}, [&](QWidget*, const QString&, const QString&) { return ChosenFile{pdf, 1}; }});
  form1_->menu().action("FileReport")->trigger();
  EXPECT_EQ(form().text(kStatusBar).toStdString().rfind("Report written to report.pdf", 0), 0u)
      << form().text(kStatusBar).toStdString();
  const QString text = pdfText(pdf);
  EXPECT_TRUE(text.contains(QRegularExpression(R"(\* STROKE LENGTH\s+40\s+65)"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression(R"(Device ID\s+)" + deviceId))) << text.toStdString();
  if (!tag.isEmpty()) {
    EXPECT_TRUE(text.contains(QRegularExpression(R"(Tag\s+)" + tag))) << text.toStdString();
  }
}

}  // namespace
}  // namespace velk
