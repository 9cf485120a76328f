// The window reaching the simulated positioner through HART-IP instead of a
// serial line: the COM port's device is a HART-IP address, and Connect and
// Read All work as over the modem.
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "shell/main_window.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class HartIpWindowTest : public SimulatorFixture {
 protected:
  HartIpWindowTest() : SimulatorFixture(hartIpSimulator()) {}
};

TEST_F(HartIpWindowTest, ConnectsOverUdpAndReadsAll) {
  simulator().update_state([](sim::DeviceState& s) {
    s.setup.stroke_mm = 80;
    s.units.supply_pressure = sim::unit::kPsi;
  });
  QTemporaryDir dir;
  TForm1 form1(core(), {dir.filePath("settings.ini"), dir.filePath("data")});
  // What the Comport menu's device chooser stores for a typed address.
  window().setPortDevice(1, QString("hart-ip://127.0.0.1:%1").arg(simulator().hart_ip_port()));
  form1.show();

  form1.findChild<QPushButton*>("ButtonConnect")->click();
  auto* readAll = form1.findChild<QPushButton*>("ButtonReadAll");
  ASSERT_TRUE(QTest::qWaitFor([&] { return window().Connected.load() && readAll->isEnabled(); }, 15000))
      << form().text(kStatusBar).toStdString();
  EXPECT_EQ(simulator().hart_ip_sessions(), 1u);
  const auto before = simulator().counters().requests_for_us;

  readAll->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window().SequenceRunning.load(); }, 10000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window().SequenceRunning.load(); }, 60000));
  settle();
  EXPECT_EQ(form().text("EditStroke"), "80");
  EXPECT_EQ(form().text("ComboBoxPressure"), "psi");
  EXPECT_EQ(form().lines(kCommunicationLog), QStringList());
  EXPECT_GT(simulator().counters().requests_for_us - before, 20u);
  // Nothing went over the serial line.
  EXPECT_EQ(simulator().counters().frames_received, simulator().counters().requests_for_us);
}

}  // namespace
}  // namespace velk
