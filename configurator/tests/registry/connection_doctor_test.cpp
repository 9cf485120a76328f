#include "registry/connection_doctor.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

namespace velk {
namespace {

using Kind = DoctorFinding::Kind;

// A /dev, /sys, /proc and lock folder of a machine with a USB HART modem.
class ConnectionDoctorTest : public ::testing::Test {
 protected:
  ConnectionDoctorTest() {
    const QString root = dir_.path();
    system_.dev = root + "/dev";
    system_.sys = root + "/sys";
    system_.proc = root + "/proc";
    system_.lockDirs = {root + "/lock"};
    system_.uid = 1000;
    system_.sessionGroups = {1000};
    system_.configuredGroups = {1000};
    system_.self = 1;
    system_.openLine = [](const QString&, int& error) {
      error = 0;
      return true;
    };
    const group* dialout = getgrnam("dialout");
    dialout_ = dialout ? dialout->gr_gid : 20;

    file("dev/ttyUSB0", {});
    QFile::setPermissions(modem(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
    if (chown(QFile::encodeName(modem()).constData(), 0, dialout_) != 0) ADD_FAILURE() << "chown";
    link("dev/serial/by-id/usb-Loop_Modem-if00-port0", "../../ttyUSB0");
    file("dev/ttyS0", {});
    file("sys/class/tty/ttyS0/type", "0\n");  // a UART slot with nothing in it
    const QString usb = "sys/devices/usb1/1-1";
    file(usb + "/idVendor", "1a2b\n");
    file(usb + "/idProduct", "0042\n");
    file(usb + "/product", "Loop Modem\n");
    file(usb + "/1-1:1.0/ttyUSB0/latency_timer", "16\n");
    QDir().mkpath(at("sys/bus/usb-serial/drivers/usbserial_x"));
    link(usb + "/1-1:1.0/ttyUSB0/driver", at("sys/bus/usb-serial/drivers/usbserial_x"));
    QDir().mkpath(at("sys/class/tty/ttyUSB0"));
    link("sys/class/tty/ttyUSB0/device", at(usb + "/1-1:1.0/ttyUSB0"));
    QDir().mkpath(at("lock"));
    QDir().mkpath(at("proc"));
  }

  QString at(const QString& path) const { return dir_.filePath(path); }
  QString modem() const { return at("dev/ttyUSB0"); }
  void file(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(at(path)).path());
    QFile out(at(path));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(content);
  }
  void link(const QString& path, const QString& target) {
    QDir().mkpath(QFileInfo(at(path)).path());
    ASSERT_TRUE(QFile::link(target, at(path)));
  }
  void process(int pid, const QByteArray& program, const QString& openFile = {}) {
    file(QString("proc/%1/comm").arg(pid), program + "\n");
    QDir().mkpath(at(QString("proc/%1/fd").arg(pid)));
    if (!openFile.isEmpty()) link(QString("proc/%1/fd/3").arg(pid), openFile);
  }

  DoctorFindings check(const QString& com1 = {}) {
    return checkConnection(system_, {{1, com1.isEmpty() ? modem() : com1}, {2, at("dev/ttyUSB5")}}, 1);
  }
  // The finding whose text has `words`; fails the test when there is none.
  static DoctorFinding about(const DoctorFindings& findings, const QString& words) {
    for (const DoctorFinding& finding : findings)
      if (finding.text.contains(words)) return finding;
    ADD_FAILURE() << "no finding about \"" << words.toStdString() << "\" in\n"
                  << doctorReport(findings).toStdString();
    return {};
  }

  QTemporaryDir dir_;
  SystemView system_;
  gid_t dialout_ = 20;
};

TEST_F(ConnectionDoctorTest, NamesTheModemItsDriverAndItsPortAndAdvisesOnTheLatencyTimer) {
  const DoctorFindings findings = check();
  const QString report = doctorReport(findings);
  EXPECT_TRUE(report.contains("Serial device " + at("dev/serial/by-id/usb-Loop_Modem-if00-port0") + " is " +
                              modem() + " (USB 1a2b:0042 \"Loop Modem\", driver usbserial_x)"))
      << report.toStdString();
  EXPECT_FALSE(report.contains("ttyS0")) << "an empty UART slot is no serial device";
  EXPECT_FALSE(report.contains("COM2")) << "a port whose device is missing and not in use is left out";
  EXPECT_EQ(about(findings, "COM1 opens " + modem()).kind, Kind::Ok);
  const DoctorFinding timer = about(findings, "latency timer is 16 ms");
  EXPECT_EQ(timer.kind, Kind::Note);
  EXPECT_TRUE(timer.advice.contains("echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB0/latency_timer"));

  file("sys/devices/usb1/1-1/1-1:1.0/ttyUSB0/latency_timer", "1\n");
  EXPECT_EQ(about(check(), "latency timer is 1 ms").kind, Kind::Ok);
}

TEST_F(ConnectionDoctorTest, TellsAUserOutsideTheDevicesGroupHowToGetIn) {
  struct Case {
    QList<gid_t> session, configured;
    Kind kind;
    const char* advice;
  } cases[] = {
      {{1000}, {1000}, Kind::Problem, "sudo usermod -aG "},
      {{1000}, {1000, dialout_}, Kind::Problem, "log out and in again"},
      {{1000, dialout_}, {1000, dialout_}, Kind::Ok, ""},
  };
  for (const Case& c : cases) {
    system_.sessionGroups = c.session;
    system_.configuredGroups = c.configured;
    const DoctorFindings findings = check();
    const DoctorFinding access = about(findings, "open it");
    EXPECT_EQ(access.kind, c.kind) << access.text.toStdString();
    EXPECT_TRUE(access.advice.contains(c.advice)) << access.advice.toStdString();
    // The line is not tried when the user may not open it.
    EXPECT_EQ(doctorReport(findings).contains("opens at 1200 baud"), c.kind == Kind::Ok);
  }
  system_.uid = 0;
  EXPECT_EQ(about(check(), "you may open it (as root)").kind, Kind::Ok);
}

TEST_F(ConnectionDoctorTest, NamesTheProgramsThatHoldThePortAndStaleLocks) {
  system_.uid = 0;
  EXPECT_EQ(about(check(), "no other program holds it").kind, Kind::Ok);

  process(4242, "minicom");
  file("lock/LCK..ttyUSB0", "      4242\n");
  process(4343, "ModemManager", modem());
  DoctorFindings findings = check();
  EXPECT_EQ(about(findings, "is locked by minicom (process 4242)").kind, Kind::Problem);
  const DoctorFinding probing = about(findings, "is open in ModemManager (process 4343)");
  EXPECT_EQ(probing.kind, Kind::Problem);
  EXPECT_TRUE(probing.advice.contains("systemctl stop ModemManager"));
  EXPECT_TRUE(hasProblem(findings));

  // The lock of a program that has ended.
  QDir(at("proc/4242")).removeRecursively();
  const DoctorFinding stale = about(check(), "left over from a program that ended");
  EXPECT_EQ(stale.kind, Kind::Note);
  EXPECT_EQ(stale.advice, "Remove it: `sudo rm " + at("lock/LCK..ttyUSB0") + "`");
}

TEST_F(ConnectionDoctorTest, AMissingOrWrongDeviceSaysWhatToDo) {
  system_.uid = 0;
  const DoctorFinding missing = about(check(at("dev/ttyUSB3")), "the port in use, opens");
  EXPECT_EQ(missing.kind, Kind::Problem);
  EXPECT_TRUE(missing.text.endsWith("which does not exist"));
  const DoctorFindings network = check("hart-ip://192.0.2.7");
  EXPECT_EQ(about(network, "COM1 reaches hart-ip://192.0.2.7 over the network").kind, Kind::Ok);
  EXPECT_FALSE(hasProblem(network)) << doctorReport(network).toStdString();

  system_.openLine = [](const QString&, int& error) {
    error = ENOTTY;
    return false;
  };
  EXPECT_EQ(about(check(), "does not open at 1200 baud 8O1").advice,
            "It is not a serial port: choose the modem's device");

  QDir(at("dev")).removeRecursively();
  const DoctorFindings none = check();
  EXPECT_EQ(about(none, "No serial device found").kind, Kind::Problem);
  EXPECT_TRUE(hasProblem(none));
}

}  // namespace
}  // namespace velk
