// The window reaching the simulated positioner through HART-IP instead of a
// serial line: the COM port's device is a HART-IP address, plain or secure,
// and Connect and Read All work as over the modem.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "shell/main_window.h"
#include "shell/serial_device_dialog.h"
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

class SecureHartIpWindowTest : public SimulatorFixture {
 protected:
  // As a technician starts the window: nothing fixed by the environment
  // (an earlier test's InitHart leaves its MIRELL_COM1).
  SecureHartIpWindowTest() : SimulatorFixture(secureHartIpSimulator()) {
    qunsetenv(kHartIpKeyFileVariable);
    qunsetenv("MIRELL_COM1");
  }
  ~SecureHartIpWindowTest() override { qunsetenv(kHartIpKeyFileVariable); }
};

// The address and the key file's path, as the technician chooses them in
// Comport > Serial devices...; the settings keep the path, never the key.
TEST_F(SecureHartIpWindowTest, ConnectsThroughASecurePortChosenInTheComportMenu) {
  QTemporaryDir dir;
  const QString settingsFile = dir.filePath("settings.ini");
  const QString address = QString("hart-ip+tls://127.0.0.1:%1").arg(simulator().hart_ip_port());
  {
    TForm1 form1(core(), {settingsFile, dir.filePath("data")});
    form1.show();
    QTimer::singleShot(0, &form1, [&] {
      auto* dialog = form1.findChild<SerialDeviceDialog*>();
      ASSERT_NE(dialog, nullptr);
      dialog->findChild<QComboBox*>("ComDevice1")->setCurrentText(address);
      dialog->findChild<QLineEdit*>("HartIpKeyFile")->setText(testKeyFile());
      dialog->accept();
    });
    form1.findChild<QAction*>("ComportDevices")->trigger();
    EXPECT_EQ(window().portDevice(1), address);
    EXPECT_EQ(qEnvironmentVariable(kHartIpKeyFileVariable), testKeyFile());

    form1.findChild<QPushButton*>("ButtonConnect")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form().text("StaticText1") == "CONNECTED"; }, 15000))
        << form().text(kStatusBar).toStdString() << " "
        << form().lines(kCommunicationLog).join('|').toStdString();
    EXPECT_EQ(simulator().hart_ip_sessions(), 1u);
    EXPECT_EQ(form().lines(kCommunicationLog), QStringList());
    form1.close();  // writes the settings
  }
  QFile settings(settingsFile);
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  const QByteArray stored = settings.readAll();
  EXPECT_TRUE(stored.contains("HartIpKeyFile=")) << stored.toStdString();
  EXPECT_TRUE(stored.contains("velk-test.psk")) << stored.toStdString();
  EXPECT_FALSE(stored.toLower().contains(kTestKey));
}

}  // namespace
}  // namespace velk
