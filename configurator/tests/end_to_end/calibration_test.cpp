// The automatic calibration against the simulated positioner, run by the
// command thread as the window runs it: the stages in order with their texts
// and colours, the tuned PID, the ways a sequence ends early, and "Abort Cal"
// reaching a running calibration while the rest of the page is locked.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "checks/additional_status.h"
#include "history/calibration_record.h"
#include "model/program_paths.h"
#include "pages/calibrate_page.h"
#include "pages/calibration_sequence.h"
#include "registry/page_registry.h"
#include "support/simulator_fixture.h"
#include "support/wait_until.h"
#include "ui/form_binder.h"
#include "ui/page_context.h"

namespace velk {
namespace {

constexpr const char* kPage = "TabSheetCalibrate";
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kNormal;

struct Shown {
  QString label;
  QString text;
  QColor colour;
  bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* out) {
  *out << shown.label.toStdString() << ": \"" << shown.text.toStdString() << "\" "
       << shown.colour.name().toStdString();
}

std::string uniqueLogPath() {
  static int count = 0;
  return QDir::temp()
      .filePath(QString("velk-calibration-%1-%2.log").arg(QCoreApplication::applicationPid()).arg(++count))
      .toStdString();
}

class CalibrationAgainstTheSimulator : public SimulatorFixture {
 protected:
  // A device out of service whose stages take 0.6, 0.4 and 0.5 s, with its
  // frames logged so the test sees what it was sent.
  static sim::SimulatorConfig calibratingSimulator(const std::string& log) {
    auto config = quickSimulator();
    config.line.log_path = log;
    config.device.service.out_of_service = true;
    config.device.calibration.time_scale = 0.05f;
    return config;
  }

  CalibrationAgainstTheSimulator() : CalibrationAgainstTheSimulator(uniqueLogPath()) {}
  explicit CalibrationAgainstTheSimulator(const std::string& log)
      : SimulatorFixture(calibratingSimulator(log)), log_(QString::fromStdString(log)) {}
  ~CalibrationAgainstTheSimulator() override { QFile::remove(log_); }

  void SetUp() override {
    applyStartupDefaults(form(), window(), ".");
    attachInstrument();
    window().OutOfService.store(true);
    core().operations.UpdateControlStates();
    QObject::connect(&form(), &FormState::changed, &form(), [this](const QString& name) { record(name); });
    core().commands.start();
  }

  bool calibrationEnds() {
    return waitUntil([&] { return !core().activity.busy(kPage); });
  }

  void calibrate(const char* type) {
    form().setText("ComboBoxCalType", type);
    commandsMark_ = commandsSeen().size();
    shown_.clear();
    core().commands.postSteps(kCalibrationJob, ButtonCalibrateClick(core()), kPage);
  }

  // The calibration commands the device received since calibrate(), a
  // repeated request (a retry) counted once.
  std::vector<int> calibrationCommands() {
    const std::vector<int> all = commandsSeen();
    std::vector<int> commands;
    for (std::size_t i = commandsMark_; i < all.size(); ++i) {
      const int command = all[i];
      const bool calibration = (command >= 157 && command <= 163 && command != 159) || command == 169;
      if (calibration && (commands.empty() || commands.back() != command)) commands.push_back(command);
    }
    return commands;
  }

  // What each stage label showed, in order.
  std::vector<Shown> shownOn(const QString& label) const {
    std::vector<Shown> shown;
    for (const Shown& s : shown_)
      if (s.label == label) shown.push_back(s);
    return shown;
  }
  Shown now(const char* label) { return {label, form().text(label), form().value(label).textColor}; }

  void expectEndedCleanly() {
    settle();
    EXPECT_TRUE(window().StopRequested.load());
    EXPECT_FALSE(form().enabled("ButtonAbortCalibrate"));
    EXPECT_EQ(form().lines(kCommunicationLog), QStringList());
  }

 private:
  std::vector<int> commandsSeen() const {
    QFile file(log_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    static const QRegularExpression request(R"(^\S+ \S+ RX .*\| STX .* cmd (\d+) )");
    std::vector<int> commands;
    for (const QByteArray& line : file.readAll().split('\n')) {
      const auto match = request.match(QString::fromLatin1(line));
      if (match.hasMatch()) commands.push_back(match.captured(1).toInt());
    }
    return commands;
  }

  void record(const QString& name) {
    if (!name.startsWith("LabelCal") || !name.endsWith("Status")) return;
    const Shown shown{name, form().text(name), form().value(name).textColor};
    if (shown.text.isEmpty() || (!shownOn(name).empty() && shownOn(name).back() == shown)) return;
    shown_.push_back(shown);
  }

  QString log_;
  std::size_t commandsMark_ = 0;
  std::vector<Shown> shown_;
};

TEST_F(CalibrationAgainstTheSimulator, AutocalibrationRunsItsStagesAndTakesTheTunedPid) {
  const float pBefore = simulator().state().calibration.pid_p;
  calibrate("Autocalibration");
  ASSERT_TRUE(waitUntil([&] { return form().enabled("ButtonAbortCalibrate"); }));
  ASSERT_TRUE(calibrationEnds());

  EXPECT_EQ(calibrationCommands(), (std::vector<int>{160, 157, 162, 169}));
  const auto travel = "LabelCalTravelStatus", leak = "LabelCalLeakStatus", tune = "LabelCalTuneStatus";
  EXPECT_EQ(shownOn(travel), (std::vector<Shown>{{travel, "Travel Calibration ...", kNormal},
                                                 {travel, "Travel Cal Ready OK !", kGreen}}));
  EXPECT_EQ(shownOn(leak),
            (std::vector<Shown>{{leak, "Leak Test ...", kNormal}, {leak, "Leak Test Ready OK !", kGreen}}));
  EXPECT_EQ(shownOn(tune), (std::vector<Shown>{{tune, "Pulse Tuning ...", kNormal},
                                               {tune, "Step Tuning ...", kNormal},
                                               {tune, "Auto Cal Ready OK !", kGreen}}));

  const sim::CalibrationState device = simulator().state().calibration;
  EXPECT_NE(device.pid_p, pBefore);
  const std::pair<const char*, const char*> pid[] = {
      {"EditPID_P", "LabelCalPValue"}, {"EditPID_I", "LabelCalIValue"}, {"EditPID_D", "LabelCalDValue"}};
  const float tuned[] = {device.pid_p, device.pid_i, device.pid_d};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(form().text(pid[i].first), QString::number(tuned[i], 'f', 2)) << pid[i].first;
    EXPECT_EQ(form().text(pid[i].second), form().text(pid[i].first)) << pid[i].second;
  }
  EXPECT_EQ(form().text("LabelCalPIDUpdated"), kPidUpdatedText);
  expectEndedCleanly();
}

// Travel calibration alone, or a device failure, ends the sequence after
// its stage; a leak is shown, and tuning follows all the same.
TEST_F(CalibrationAgainstTheSimulator, DeviceReportedOutcomesEndOrContinueTheSequence) {
  struct Case {
    int failure;
    const char* type;
    Shown shown;
  };
  const QString travel = "LabelCalTravelStatus";
  const Case cases[] = {
      {0, "Travelcalibration", {travel, "Travel Cal Ready OK !", kGreen}},
      {2, "Autocalibration", {travel, "Invalid Moment, Travel Cal No Move !", kRed}},
      {3, "Autocalibration", {travel, "Pot Fail, Calibrate Pot In Q5 !\nCALIBRATE/Expert cal/Pot !", kRed}},
      {4, "Autocalibration", {travel, "Increase C+ Damper !", kRed}},
      {5, "Autocalibration", {travel, "Increase C- Damper !", kRed}},
  };
  // The device history keeps how each ended, as the page said it.
  std::mutex mutex;
  std::optional<CalibrationRecord> recorded;
  window().History.install([&](FinishedWork work) {
    std::lock_guard lock(mutex);
    recorded = calibrationRecordFrom(work.payload);
  });
  for (const Case& c : cases) {
    simulator().update_state([&](sim::DeviceState& s) { s.calibration.travel_failure = c.failure; });
    calibrate(c.type);
    ASSERT_TRUE(calibrationEnds()) << c.failure;
    EXPECT_EQ(calibrationCommands(), std::vector<int>{160}) << c.failure;
    EXPECT_EQ(now("LabelCalTravelStatus"), c.shown);
    EXPECT_EQ(form().text("LabelCalLeakStatus"), "");
    expectEndedCleanly();
    std::lock_guard lock(mutex);
    ASSERT_TRUE(recorded) << c.failure;
    EXPECT_EQ(recorded->kind, c.failure ? "Autocalibration" : "Travel calibration");
    EXPECT_EQ(recorded->outcome, c.failure ? QString(c.shown.text).replace('\n', ' ') : "Calibration complete");
    EXPECT_FALSE(recorded->p) << c.failure;  // no tuning ran
    recorded.reset();
  }
  window().History.install({});

  simulator().update_state([](sim::DeviceState& s) {
    s.calibration.travel_failure = 0;
    s.calibration.leak = true;
  });
  calibrate("Autocalibration");
  ASSERT_TRUE(calibrationEnds());
  EXPECT_EQ(calibrationCommands(), (std::vector<int>{160, 157, 162, 169}));
  EXPECT_EQ(now("LabelCalLeakStatus"), (Shown{"LabelCalLeakStatus", "Leak Detected !", kRed}));
  EXPECT_EQ(form().text("LabelCalTuneStatus"), "Auto Cal Ready OK !");
  expectEndedCleanly();
}

// While a calibration runs nothing may change what it calibrates, reads go
// on, and its own failed polls stay out of the log while another job's
// failure is logged and counted in the status bar.
TEST_F(CalibrationAgainstTheSimulator, WhileItRunsSettingsAreLockedAndOnlyItsOwnPollsFailUnlogged) {
  const QStringList senders = {"ButtonSendAll",    "ButtonFactoryReset",  "ButtonSetupSend",
                               "ButtonTuningSend", "ButtonCharacterSend", "RadioGroupSetPointSource"};
  settle();
  for (const QString& name : senders) EXPECT_TRUE(form().enabled(name)) << name.toStdString();
  calibrate("Autocalibration");
  ASSERT_TRUE(waitUntil([&] { return form().text("LabelCalTravelStatus") == "Travel Calibration ..."; }));
  for (const QString& name : senders) EXPECT_FALSE(form().enabled(name)) << name.toStdString();
  EXPECT_TRUE(form().enabled("ButtonReadAll"));
  EXPECT_TRUE(form().enabled("ButtonSetupRead"));

  sim::FaultPlan busy;
  busy.rate[static_cast<std::size_t>(sim::FaultKind::Busy)] = 1;
  simulator().set_faults(busy);
  core().commands.post("diag read",
                       [](const JobContext& job) { ButtonReadDiagnosticsClick(job, Sender::Click); });
  ASSERT_TRUE(waitUntil([&] { return form().text(kStatusBar) == "1 command failed: see LOGS"; }));
  const auto faults = simulator().counters().faults_applied;
  ASSERT_TRUE(waitUntil([&] { return simulator().counters().faults_applied > faults + 2; }));  // polls
  simulator().set_faults({});
  ASSERT_TRUE(calibrationEnds());

  const QStringList log = form().lines(kCommunicationLog);
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].startsWith(failedCommandLine(48, {}))) << log[0].toStdString();
  for (const QString& name : senders)
    EXPECT_TRUE(waitUntil([&] { return form().enabled(name); })) << name.toStdString();
}

// Disconnecting drops the sequence: it stops polling and sends no stop
// command; the device finishes its stage on its own.
TEST_F(CalibrationAgainstTheSimulator, DisconnectingEndsTheCalibrationWithoutAStopCommand) {
  simulator().update_state([](sim::DeviceState& s) { s.calibration.time_scale = 1; });
  calibrate("Autocalibration");
  ASSERT_TRUE(waitUntil([&] { return form().text("LabelCalTravelStatus") == "Travel Calibration ..."; }));

  window().Connected.store(false);
  core().commands.postRequest(kRequestConnection);
  ASSERT_TRUE(calibrationEnds());
  ASSERT_TRUE(waitUntil([&] { return form().text("StaticText1") == "DISCONNECTED"; }));
  waitForCommandThread();
  EXPECT_EQ(calibrationCommands(), std::vector<int>{160});
  EXPECT_EQ(simulator().state().calibration.stage, sim::CalibrationStage::Travel);
  EXPECT_TRUE(window().StopRequested.load());
  EXPECT_FALSE(form().enabled("ButtonAbortCalibrate"));
}

// What the technician does: starts from the page, and aborts the leak test
// while the page's other controls are locked.
TEST_F(CalibrationAgainstTheSimulator, AbortDuringTheLeakTestStopsIt) {
  QTemporaryDir home;
  FormBinder binder(form());
  ProgramPaths paths{home.filePath("settings.ini"), home.filePath("data")};
  PageContext context{core(), binder, paths, kPage};
  std::unique_ptr<QWidget> page(createCalibratePage(context));
  page->show();
  auto* calibrateButton = page->findChild<QPushButton*>("ButtonCalibrate");
  auto* abort = page->findChild<QPushButton*>("ButtonAbortCalibrate");
  ASSERT_TRUE(waitUntil([&] { return calibrateButton->isEnabled(); }));
  EXPECT_FALSE(abort->isEnabled());

  calibrateButton->click();
  ASSERT_TRUE(waitUntil([&] { return form().text("LabelCalTravelStatus") == "Travel Calibration ..."; }));
  // The leak test starts after this: long enough to press the button.
  simulator().update_state([](sim::DeviceState& s) { s.calibration.time_scale = 10; });
  ASSERT_TRUE(waitUntil([&] { return form().text("LabelCalLeakStatus") == "Leak Test ..."; }));
  EXPECT_FALSE(calibrateButton->isEnabled());
  ASSERT_TRUE(abort->isEnabled());

  abort->click();
  ASSERT_TRUE(calibrationEnds());
  EXPECT_EQ(calibrationCommands(), (std::vector<int>{160, 157, 158}));
  EXPECT_EQ(now("LabelCalLeakStatus"), (Shown{"LabelCalLeakStatus", "Abort Leak Test!", kRed}));
  EXPECT_EQ(simulator().state().calibration.stage, sim::CalibrationStage::None);
  ASSERT_TRUE(waitUntil([&] { return calibrateButton->isEnabled() && !abort->isEnabled(); }));
  expectEndedCleanly();
}

}  // namespace
}  // namespace velk
