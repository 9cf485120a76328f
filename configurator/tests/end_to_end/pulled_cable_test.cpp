// A pulled cable: the positioner's end of the line vanishes while the live
// graph runs. The program must notice, say so, drop the connection without
// freezing or losing what the pages show, and connect again once the
// positioner is back on the same link.
#include <unistd.h>

#include <QDir>
#include <QTest>

#include "comm/connection.h"
#include "diagnostics/control_operations.h"
#include "registry/page_registry.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

QString freshFolder() {
  const QString folder = QDir::temp().filePath(QString("velk-pulled-%1").arg(::getpid()));
  QDir().mkpath(folder);
  return folder;
}

class PulledCable : public SimulatorFixture {
 protected:
  PulledCable() : PulledCable(freshFolder()) {}
  explicit PulledCable(const QString& folder)
      : SimulatorFixture(linkedSimulator(folder)), folder_(folder), config_(linkedSimulator(folder)) {
    applyStartupDefaults(form(), window());
    window().setPortDevice(1, QString::fromStdString(config_.line.link_path));
    core().operations.UpdateControlStates();
    core().commands.start();
  }
  ~PulledCable() override {
    core().commands.stop();
    restarted_.reset();
    QDir(folder_).removeRecursively();
  }

  void pressConnect() {
    if (!window().Connected.load()) core().writeLinkEnvironment();
    window().Connected.store(!window().Connected.load());
    core().commands.postRequest(kRequestConnection);
  }
  static void waitFor(const std::function<bool()>& condition, int ms = 15000) {
    ASSERT_TRUE(QTest::qWaitFor(condition, ms));
  }

  // The simulator behind a link of its own, so a new one can take its place.
  static sim::SimulatorConfig linkedSimulator(const QString& folder) {
    sim::SimulatorConfig config = quickSimulator();
    config.line.link_path = (folder + "/com1").toStdString();
    return config;
  }

  QString folder_;
  sim::SimulatorConfig config_;
  std::unique_ptr<sim::SimulatedPositioner> restarted_;
};

TEST_F(PulledCable, TheGraphStopsTheProgramDisconnectsAndConnectsAgainLater) {
  pressConnect();
  waitFor([&] { return form().text("StaticText1") == "CONNECTED"; });
  form().setText("EditStroke", "37");  // a page value the user typed
  const QString version = form().text("LabelSWverValue");
  startGraph(core().live, core().operations);
  waitFor([&] { return core().live.ring.snapshot().GraphIndex >= 2; });

  simulator().stop();  // the pty vanishes
  const int samples = core().live.ring.snapshot().GraphIndex;
  // The silence limit, a failed check of the device, and the disconnection.
  waitFor([&] { return form().text("StaticText1") == "DISCONNECTED"; },
          static_cast<int>(std::chrono::milliseconds(BurstMonitor::kSilenceLimit).count()) + 10000);
  waitForCommandThread();

  EXPECT_EQ(form().text(kStatusBar), kConnectionLostText);
  const QStringList log = form().lines(kCommunicationLog);
  EXPECT_TRUE(log.contains(kConnectionLostText)) << log.join('\n').toStdString();
  EXPECT_EQ(log.value(log.size() - 1), "Disconnected");
  EXPECT_FALSE(window().Connected.load());
  EXPECT_FALSE(core().live.GraphRunning.load());
  EXPECT_FALSE(core().live.BurstActive.load());
  EXPECT_LE(core().live.ring.snapshot().GraphIndex, samples + 1) << "no samples from a dead line";
  EXPECT_EQ(form().text("EditStroke"), "37");
  EXPECT_EQ(form().text("LabelSWverValue"), version);
  EXPECT_TRUE(form().enabled("Comport1"));

  restarted_ = std::make_unique<sim::SimulatedPositioner>(config_);
  pressConnect();
  waitFor([&] { return form().text("StaticText1") == "CONNECTED"; });
  EXPECT_NE(window().InstrumentHandle.load(), 0);
}

}  // namespace
}  // namespace velk
