// The DB page in the window, on an SQLite history in the test's folder: a
// configuration saved there from the simulated positioner's values is listed
// under its device and loads back into the pages as File > Open would; and
// which records "Delete" removes, and when.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include "diagnostics/diag2_operations.h"
#include "diagnostics/history_views.h"
#include "diagnostics/logic/baseline_overlay.h"
#include "files/db_model.h"
#include "files/db_page.h"
#include "history/history_database.h"
#include "history/history_values.h"
#include "history/program_history.h"
#include "pages/read_operations.h"
#include "pages/setup_operations.h"
#include "shell/main_window.h"
#include "support/history_lists.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class DbPageTest : public SimulatorFixture {
 protected:
  DbPageTest() {
    qunsetenv(kHistoryVariable);
    form1_ = std::make_unique<TForm1>(core(), ProgramPaths{dir_.filePath("settings.ini"), dir_.filePath("data")});
    page_ = form1_->findChild<DbPage*>();
    page_->setDialogs({[this](QWidget*, const QString&) { return std::optional<QString>(name_); },
                       [this](QWidget*, const QString& question) {
                         questions_ << question;
                         return confirm_;
                       },
                       [](QWidget*, const HistorySearch&) { return std::optional<HistorySearch>(); }});
    form1_->pageControl()->setCurrentWidget(form1_->pageControl()->findChild<QWidget*>("TabSheetDb"));
    form1_->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form1_->history()->opened(); }, 15000));
  }

  HistoryListModel& list(DbList which) { return page_->model(which); }
  // The row of the newest record named `caption` in a list, or -1.
  int rowNamed(DbList which, const QString& caption) {
    HistoryListModel& model = list(which);
    for (int row = 0; row < model.rowCount(); ++row)
      if (model.index(row).data().toString().contains(caption)) return row;
    return -1;
  }
  bool waitForRow(DbList which, const QString& caption) {
    return QTest::qWaitFor([&] { return rowNamed(which, caption) >= 0; }, 15000);
  }
  bool waitForNoRow(DbList which, const QString& caption) {
    return QTest::qWaitFor([&] { return listRead(list(which)) && rowNamed(which, caption) < 0; }, 15000);
  }
  void select(DbList which, int row) { page_->view(which)->setCurrentIndex(list(which).index(row)); }
  QPushButton* button(const char* name) { return form1_->findChild<QPushButton*>(name); }
  void record(HistoryKind kind, const QByteArray& payload, const QString& name = {}) {
    window().History.record({kind, payload, name});
  }

  QTemporaryDir dir_;
  std::unique_ptr<TForm1> form1_;
  DbPage* page_ = nullptr;
  QString name_ = "Before repair";
  bool confirm_ = false;
  QStringList questions_;
};

TEST_F(DbPageTest, SavedConfigurationIsListedForItsDeviceAndLoadsBack) {
  attachInstrument();
  readDeviceData(job(), Sender::Click);
  readSetup(job(), Sender::Click);
  const QString deviceId = form().text("Edit183");
  const QString stroke = form().text("EditStroke");
  ASSERT_NE(deviceId, "-");
  page_->refresh();
  ASSERT_TRUE(QTest::qWaitFor([&] { return listRead(list(DbList::Configurations)); }, 15000));
  // The demo configuration belongs to another device: not listed while this one is connected.
  EXPECT_EQ(rowNamed(DbList::Configurations, kDemoConfigurationName), -1);

  button("ButtonDBConfSave")->click();
  ASSERT_TRUE(waitForRow(DbList::Configurations, "Before repair"));
  const int row = rowNamed(DbList::Configurations, "Before repair");
  EXPECT_EQ(list(DbList::Configurations).recordAt(row)->device.deviceId, deviceId.toLongLong());

  form().setText("EditStroke", "1.5");
  select(DbList::Configurations, row);
  button("ButtonDBConfLoad")->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return form().text("EditStroke") == stroke; }, 5000));
  EXPECT_TRUE(form().text(kStatusBar).contains("Before repair")) << form().text(kStatusBar).toStdString();

  // A record that is no configuration file changes nothing, as File > Open.
  // A line that would set the stroke, and a NUL byte further on: all or nothing.
  const char damaged[] = "Velk Configurator 2.0\r\nSTROKE LENGTH 9\r\nSOURCE 1\0\r\n";
  record(HistoryKind::Save, QByteArray(damaged, sizeof damaged - 1), "Damaged");
  ASSERT_TRUE(waitForRow(DbList::Configurations, "Damaged"));
  form().setText("EditStroke", "1.5");
  select(DbList::Configurations, rowNamed(DbList::Configurations, "Damaged"));
  bool reported = false;
  QObject::connect(&core().operations, &WindowOperations::errorReported, [&](const QString& text) {
    reported = text.contains("is not correct");
  });
  button("ButtonDBConfLoad")->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return reported; }, 5000));
  EXPECT_EQ(form().text("EditStroke"), "1.5");
}

TEST_F(DbPageTest, DeleteAsksFirstExceptForSignaturesWhichNeedAllowDelete) {
  record(HistoryKind::Signature, historyValuesText({"Ramp signature", {1, 2}}));
  record(HistoryKind::EventLog, "entry one\n");
  record(HistoryKind::Save, "Velk Configurator 2.0\r\n", "Spare");
  ASSERT_TRUE(waitForRow(DbList::Configurations, "Spare"));
  ASSERT_TRUE(waitForRow(DbList::Signatures, "Signature"));
  ASSERT_TRUE(waitForRow(DbList::Logs, "Event log"));
  // The demo configuration an empty history starts with.
  EXPECT_GE(rowNamed(DbList::Configurations, kDemoConfigurationName), 0);

  struct Case {
    DbList list;
    const char* caption;
    const char* remove;
  };
  const Case cases[] = {
      {DbList::Configurations, "Spare", "ButtonDBConfDelete"},
      {DbList::Logs, "Event log", "ButtonDBLogDelete"},
  };
  for (const Case& c : cases) {
    page_->view(c.list)->selectionModel()->clear();
    EXPECT_FALSE(form().enabled(c.remove)) << c.remove;
    // A delete reads every list again.
    ASSERT_TRUE(waitForRow(c.list, c.caption)) << c.remove;
    select(c.list, rowNamed(c.list, c.caption));
    ASSERT_TRUE(QTest::qWaitFor([&] { return button(c.remove)->isEnabled(); }, 5000)) << c.remove;
    confirm_ = false;
    button(c.remove)->click();
    EXPECT_EQ(questions_.size(), 1) << c.remove;
    EXPECT_GE(rowNamed(c.list, c.caption), 0) << c.remove;
    confirm_ = true;
    button(c.remove)->click();
    EXPECT_TRUE(waitForNoRow(c.list, c.caption)) << c.remove;
    questions_.clear();
  }

  ASSERT_TRUE(waitForRow(DbList::Signatures, "Signature"));
  select(DbList::Signatures, rowNamed(DbList::Signatures, "Signature"));
  QTest::qWait(50);
  EXPECT_FALSE(button("ButtonDBSigDelete")->isEnabled());
  form1_->findChild<QCheckBox*>("CheckBoxDBSigAllow")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return button("ButtonDBSigDelete")->isEnabled(); }, 5000));
  button("ButtonDBSigDelete")->click();
  EXPECT_TRUE(waitForNoRow(DbList::Signatures, "Signature"));
  EXPECT_TRUE(questions_.isEmpty());
}

// A technician uploads the pressure curves, marks them as the baseline,
// the packing wears (the simulated friction grows) and the next upload is
// drawn over the baseline with the figures that tell by how much.
TEST_F(DbPageTest, ASignatureMarkedAsBaselineIsDrawnUnderTheNextUploadWithItsFigures) {
  attachInstrument();
  readDeviceData(job(), Sender::Click);
  ASSERT_NE(form().text("Edit183"), "-");
  form().setSelectedIndex(kGraphTypeSelector, int(Diag2Graph::PressureOverPosition));
  runSteps(job(), uploadDiag2Data());
  const std::vector<std::int32_t> before = window().Diagnostics.dataSet(DiagDataSet::PressureCurve);
  // The upload records itself; the list holds it alone before one row is chosen.
  ASSERT_TRUE(form1_->history()->waitIdle(15000));
  page_->refresh();
  ASSERT_TRUE(waitForRow(DbList::Signatures, "Signature"));
  EXPECT_FALSE(button("ButtonDBSigBaseline")->isEnabled());
  select(DbList::Signatures, rowNamed(DbList::Signatures, "Signature"));
  // The choice outlives the page's refresh for the record just written.
  ASSERT_TRUE(QTest::qWaitFor([&] { return button("ButtonDBSigBaseline")->isEnabled(); }, 5000));
  button("ButtonDBSigBaseline")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().text(kStatusBar).startsWith("Baseline of Pressure over position"); },
                              15000))
      << form().text(kStatusBar).toStdString();

  simulator().update_state([](sim::DeviceState& s) { s.diagnostics.trends[sim::trend::kFriction].back() = 600; });
  runSteps(job(), uploadDiag2Data());
  const std::vector<std::int32_t> after = window().Diagnostics.dataSet(DiagDataSet::PressureCurve);
  ASSERT_NE(after[1], before[1]);

  form1_->pageControl()->setCurrentWidget(form1_->pageControl()->findChild<QWidget*>("TabSheetDiag"));
  auto* graph = form1_->findChild<QWidget*>("PaintBox4");
  auto* figures = form1_->findChild<QLabel*>("Diag2Figures");
  ASSERT_TRUE(graph && figures);
  const std::optional<ShownReference> shown = shownReference(window(), Diag2Graph::PressureOverPosition);
  ASSERT_TRUE(shown && shown->baseline);
  EXPECT_EQ(shown->name, "Baseline " + QDate::currentDate().toString("yyyy-MM-dd"));

  QImage image(graph->size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  graph->render(&image);
  // The first point of the opening curve, one pixel per 75 units, now and then.
  const auto row = [](std::int32_t v) { return int(205 - v * 0.013333333); };
  EXPECT_EQ(image.pixelColor(10, row(before[1])), overlay_colour::kReference);
  EXPECT_EQ(image.pixelColor(10, row(after[1])), overlay_colour::kNow);
  const QString text = figures->text();
  int largest = 0;
  for (int i = 1; i <= 10; ++i) largest = std::max(largest, std::abs(after[i] - before[i]));
  EXPECT_TRUE(text.contains("Curve 1 largest difference: " + QLocale().toString(double(largest), 'f', 0)))
      << text.toStdString();
  EXPECT_TRUE(text.contains("Baseline widest gap: ")) << text.toStdString();
  EXPECT_FALSE(text.contains(QString::fromUtf8("\u2013"))) << text.toStdString();

  // A short reply fails a block of the opening curve: its figures (and the
  // gap, which needs it) cannot be computed; the closing curve's still can.
  std::string error;
  simulator().set_faults(*sim::parse_fault_plan("short-reply@2", error));
  runSteps(job(), uploadDiag2Data());
  graph->render(&image);
  const QString failed = figures->text();
  const QString dash = QString::fromUtf8("\u2013");
  for (const char* figure : {"Curve 1 mean: ", "Curve 1 largest difference: ", "Widest gap between the curves: "})
    EXPECT_TRUE(failed.contains(figure + dash)) << figure << "\n" << failed.toStdString();
  EXPECT_FALSE(failed.contains("Curve 2 mean: " + dash)) << failed.toStdString();
}


// A plant's shared store whose host takes the connection and never answers
// (as one behind a firewall that drops packets): each attempt waits for the
// connect timeout. The window keeps turning meanwhile, and the lists show
// what waits here for the shared store once the reads give up on it.
// A TCP port on this host that takes connections (the kernel completes
// them) and never answers.
class SilentListener {
 public:
  SilentListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 16) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
  }
  ~SilentListener() {
    if (fd_ >= 0) ::close(fd_);
  }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class DbPageSilentStoreTest : public SimulatorFixture {};

TEST_F(DbPageSilentStoreTest, TheWindowKeepsTurningWhileTheSharedStoreNeverAnswers) {
  if (!QSqlDatabase::isDriverAvailable("QPSQL")) GTEST_SKIP() << "Qt SQL's PostgreSQL driver is not installed";
  const SilentListener silent;
  ASSERT_NE(silent.port(), 0);
  const QString address = QString("postgresql://velk@127.0.0.1:%1/history").arg(silent.port());
  const HistoryLocationChoice shared = historyLocationFrom(address);
  ASSERT_TRUE(shared.error.isEmpty()) << shared.error.toStdString();

  QTemporaryDir dir;
  QDir().mkpath(dir.filePath("data"));
  {
    QString why;
    const auto local = HistoryDatabase::openFile(dir.filePath("data/history.sqlite"), why);
    ASSERT_TRUE(local) << why.toStdString();
    HistoryRecord waiting = newHistoryRecord(HistoryKind::Save, {"Q5", 101, 4711, {}, "FV-1", {}}, "text");
    waiting.name = "Kept here";
    ASSERT_TRUE(local->insert({waiting}, why, shared.location.shared->address())) << why.toStdString();
  }

  qputenv(kHistoryVariable, address.toUtf8());
  TForm1 form1(core(), ProgramPaths{dir.filePath("settings.ini"), dir.filePath("data")});
  qunsetenv(kHistoryVariable);
  auto* page = form1.findChild<DbPage*>();
  form1.pageControl()->setCurrentWidget(form1.pageControl()->findChild<QWidget*>("TabSheetDb"));
  form1.show();

  QElapsedTimer clock;
  clock.start();
  qint64 lastTick = 0, longestGap = 0;
  bool saidReading = false;
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, clock.elapsed() - lastTick);
    lastTick = clock.elapsed();
    saidReading = saidReading || page->model(DbList::Configurations).index(0).data() == kReadingHistory;
  });
  ticks.start(20);
  HistoryListModel& configurations = page->model(DbList::Configurations);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return listRead(configurations) && configurations.rowCount() == 1 && form1.history()->opened(); }, 60000))
      << configurations.index(0).data().toString().toStdString();
  EXPECT_TRUE(configurations.index(0).data().toString().contains("Kept here"));
  EXPECT_TRUE(saidReading);
  EXPECT_TRUE(page->findChild<QLabel*>("DbHistoryProblem")->text().contains("cannot be reached"));
  // Each attempt waits about five seconds: a window that waited with it would
  // show a gap that long.
  EXPECT_LT(longestGap, 2500) << "the window stood still for " << longestGap << " ms";
}

}  // namespace
}  // namespace velk
