// velk: its command line, what it compares, and its commands against the
// simulated positioner as a technician runs them.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "cli/velk_commands.h"
#include "cli/velk_diff.h"
#include "history/history_store.h"
#include "support/simulator_fixture.h"
#include "support/velk_console.h"

namespace velk::cli {
namespace {

TEST(VelkCommandLine, TakesOptionsOnEitherSideOfTheCommandAndRefusesWhatItCannotUse) {
  struct Case {
    QStringList args;
    const char* error;  // empty: accepted
  };
  const Case cases[] = {
      {{"scan", "--port", "3", "--from", "2", "--to", "4"}, ""},
      {{"--port", "/dev/ttyUSB0", "read", "-o", "a.txt"}, ""},
      {{"send", "a.txt", "--yes", "--model", "q50", "--version", "9.1"}, ""},
      {{"raw", "0x0B", "1", "2"}, ""},
      {{"raw", "0", "--address", "3"}, ""},
      {{"send", "a.txt", "--all", "--yes"}, ""},
      {{"raw", "0", "--address", "16"}, "--address: polling addresses are 0 to 15"},
      {{}, "no command"},
      {{"fly"}, "unknown command fly"},
      {{"diff"}, "diff takes one file"},
      {{"scan", "--port", "9"}, "--port: COM ports are 1 to 8"},
      {{"scan", "--version", "9.5"}, "--version: 8.6, 9.0, 9.1, 10.0 or 10.1"},
      {{"scan", "--to", "16"}, "--to: polling addresses are 0 to 15"},
      {{"read", "--colour"}, "unknown option --colour"},
  };
  for (const Case& c : cases) {
    const Parsed parsed = parseCommandLine(c.args);
    EXPECT_EQ(parsed.error.toStdString(), c.error) << c.args.join(' ').toStdString();
  }
  const Options o = parseCommandLine({"scan", "--port", "3", "--from", "2", "--to", "4"}).options;
  EXPECT_EQ(o.comPort, 3);
  EXPECT_EQ(o.first, 2);
  EXPECT_EQ(o.last, 4);
}

TEST(VelkDiff, ComparesWhatSendAllWritesToThePrecisionThePageShows) {
  const QByteArray file =
      "Velk Configurator 2.0\r\nHART TAG FV-101\r\nSTROKE LENGTH 50\r\nCUT OFF LOW 0.1\r\nCHARACTER "
      "Linear\r\n"
      "TOGGLE SIZE 5\r\nCUSTOM CURVE TABLE SIZE 3\r\nX(0) 0\r\n";
  const QByteArray device =
      "Velk Configurator 2.0\r\nHART TAG OTHER\r\nSTROKE LENGTH 51\r\nCUT OFF LOW 0.100000001\r\n"
      "CHARACTER Linear\r\nTOGGLE SIZE 0\r\nCUSTOM CURVE TABLE SIZE 33\r\nX(0) 7\r\n";
  const auto differences = configurationDifferences(file, device, '.');
  // Not the tag, not 0.1, not the toggle-step test (no page sends it), not a
  // curve that is not in use.
  ASSERT_EQ(differences.size(), 1u);
  EXPECT_EQ(differences[0], (Difference{"STROKE LENGTH", "50", "51"}));
}

class VelkAgainstTheSimulator : public SimulatorFixture {
 protected:
  explicit VelkAgainstTheSimulator(sim::SimulatorConfig config = quickSimulator())
      : SimulatorFixture(std::move(config)) {
    qputenv("MIRELL_LIBRARY", MIRELL_LIBRARY_PATH);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    // What velk records stays in the test's folder.
    qputenv(kHistoryVariable, history().toLocal8Bit());
  }
  ~VelkAgainstTheSimulator() override { qunsetenv(kHistoryVariable); }

  QString history() const { return dir_.filePath("history.sqlite"); }

  // Runs velk as the technician types it, answering a question with `answer`.
  int velk(QStringList args) {
    args << "--port" << port() << "--to"
         << "0";
    return console_.run(args);
  }

  virtual QString port() { return QString::fromStdString(simulator().device_path()); }

  static QByteArray contents(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
  }
  static void replaceLine(const QString& path, const QByteArray& from, const QByteArray& to) {
    QByteArray text = contents(path);
    text.replace(from, to);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

  QTemporaryDir settingsDir_;
  QTemporaryDir dir_;
  VelkConsole console_;
  QString& outText_ = console_.out;
  QString& errText_ = console_.err;
};

TEST_F(VelkAgainstTheSimulator, ATechnicianScansReadsAndComparesAConfiguration) {
  simulator().update_state([](sim::DeviceState& s) { s.identity.device_id = 4711; });
  ASSERT_EQ(velk({"scan"}), kSuccess) << errText_.toStdString();
  EXPECT_TRUE(outText_.contains("device id: 4711\n")) << outText_.toStdString();
  EXPECT_TRUE(outText_.contains("manufacturer: 62\n"));
  EXPECT_TRUE(outText_.endsWith("Q5/Q50: yes\n"));

  const QString file = dir_.filePath("a.txt");
  ASSERT_EQ(velk({"read", "-o", file}), kSuccess) << errText_.toStdString();
  EXPECT_TRUE(contents(file).startsWith("Velk Configurator 2.0\r\n"));
  EXPECT_TRUE(contents(file).contains("STROKE LENGTH 50\r\n"));
  replaceLine(file, "STROKE LENGTH 50", "STROKE LENGTH 70");

  EXPECT_EQ(velk({"send", file, "--dry-run"}), kFailed);
  EXPECT_EQ(outText_, "STROKE LENGTH: file \"70\", device \"50\"\n");
  EXPECT_EQ(velk({"send", file}), kRefused);  // no one to answer the question
  EXPECT_EQ(velk({"diff", file}), kFailed);
  EXPECT_EQ(simulator().state().setup.stroke_mm, 50);
}

TEST_F(VelkAgainstTheSimulator, SendsAChangedConfigurationAndChecksWhatStuck) {
  const QString file = dir_.filePath("a.txt");
  ASSERT_EQ(velk({"read", "-o", file}), kSuccess) << errText_.toStdString();
  replaceLine(file, "STROKE LENGTH 50", "STROKE LENGTH 70");
  // The stroke is a setting the device takes out of service only.
  ASSERT_EQ(velk({"send", file, "--yes"}), kSuccess) << errText_.toStdString();
  EXPECT_EQ(simulator().state().setup.stroke_mm, 70);
  EXPECT_FALSE(simulator().state().service.out_of_service);

  // A value the device refuses is named and the exit says so.
  replaceLine(file, "STROKE LENGTH 70", "STROKE LENGTH 200");
  EXPECT_EQ(velk({"send", file, "--yes"}), kFailed);
  EXPECT_TRUE(errText_.contains("Stroke length : ")) << errText_.toStdString();
  EXPECT_TRUE(errText_.contains("STROKE LENGTH did not stick")) << errText_.toStdString();
}

TEST_F(VelkAgainstTheSimulator, SendsOnlyThePagesThatDifferAndLeavesTheDeviceInServiceForThem) {
  const QString file = dir_.filePath("a.txt");
  ASSERT_EQ(velk({"read", "-o", file}), kSuccess) << errText_.toStdString();
  // TUNING is sent in service; SETUP and CHARACTERISTICS, sent too, would be refused.
  replaceLine(file, "DEAD BAND 0.5", "DEAD BAND 1.5");
  ASSERT_EQ(velk({"send", file, "--yes"}), kSuccess) << errText_.toStdString();
  EXPECT_FALSE(errText_.contains("Access restricted")) << errText_.toStdString();
  EXPECT_EQ(simulator().state().calibration.dead_band_percent, 1.5f);
  EXPECT_FALSE(simulator().state().service.out_of_service);

  // The whole Send All takes the device out of service for SETUP and puts it back.
  replaceLine(file, "DEAD BAND 1.5", "DEAD BAND 2");
  ASSERT_EQ(velk({"send", file, "--yes", "--all"}), kSuccess) << errText_.toStdString();
  EXPECT_EQ(simulator().state().calibration.dead_band_percent, 2.0f);
  EXPECT_FALSE(simulator().state().service.out_of_service);
}

TEST_F(VelkAgainstTheSimulator, RecordsAWholeReadAndTheDeviceAsLeftAndOnlyWarnsWhenTheHistoryFails) {
  const QString file = dir_.filePath("a.txt");
  ASSERT_EQ(velk({"read", "-o", file}), kSuccess) << errText_.toStdString();
  const QByteArray asFound = contents(file);
  replaceLine(file, "DEAD BAND 0.5", "DEAD BAND 1.5");
  ASSERT_EQ(velk({"send", file, "--yes"}), kSuccess) << errText_.toStdString();
  replaceLine(file, "STROKE LENGTH 50", "STROKE LENGTH 200");  // refused by the device
  EXPECT_EQ(velk({"send", file, "--yes"}), kFailed);

  HistoryStore store(HistoryLocation{history(), {}, {}});
  HistoryFilter filter;
  filter.kinds = {HistoryKind::Read, HistoryKind::Send};
  const std::vector<HistoryRecord> listed = store.list(filter, 0, 10).records;
  ASSERT_EQ(listed.size(), 3u);
  std::vector<HistoryRecord> records;  // oldest first, whole
  for (auto r = listed.rbegin(); r != listed.rend(); ++r) records.push_back(store.find(historyIdText(r->id)).record);
  EXPECT_EQ(records[0].kind, HistoryKind::Read);
  EXPECT_EQ(records[0].payload, asFound);
  // The simulated positioner's unique address: manufacturer 62, type 97, ID 1.
  EXPECT_EQ(records[0].device.longAddress, "3E61000001");
  struct Sent {
    const char* holds;
    QStringList failed;
  };
  const Sent sends[] = {{"\r\nDEAD BAND 1.5\r\n", {}}, {"\r\nSTROKE LENGTH 50\r\n", {"STROKE LENGTH"}}};
  for (std::size_t i = 0; i < std::size(sends); ++i) {
    const HistoryRecord& sent = records[i + 1];
    EXPECT_EQ(sent.kind, HistoryKind::Send);
    EXPECT_TRUE(sent.payload.contains(sends[i].holds)) << i;
    // Only the pages that differ were sent.
    EXPECT_EQ(sent.keysSent.contains("DEAD BAND"), i == 0) << i;
    EXPECT_EQ(sent.keysSent.contains("STROKE LENGTH"), i == 1) << i;
    for (const QString& key : sends[i].failed) EXPECT_TRUE(sent.keysFailed.contains(key)) << i;
    EXPECT_EQ(sent.keysFailed.isEmpty(), sends[i].failed.isEmpty()) << i;
  }

  // A store that cannot be used is said, and the read has succeeded all the same.
  QFile notAStore(dir_.filePath("not-a-store"));
  ASSERT_TRUE(notAStore.open(QIODevice::WriteOnly));
  notAStore.write("no database\n");
  notAStore.close();
  qputenv(kHistoryVariable, notAStore.fileName().toLocal8Bit());
  EXPECT_EQ(velk({"read"}), kSuccess);
  EXPECT_TRUE(outText_.startsWith("Velk Configurator 2.0\r\n"));
  EXPECT_TRUE(errText_.contains("velk: warning: the device history could not be written")) << errText_.toStdString();
  EXPECT_EQ(contents(notAStore.fileName()), "no database\n");
}

// A version the device does not have: its pressure alarms are commands the
// device does not know, so the read fails in part.
TEST_F(VelkAgainstTheSimulator, NeverWritesOrSendsFromAReadThatFailedAndNamesAFileItCannotWrite) {
  const QString file = dir_.filePath("a.txt");
  ASSERT_EQ(velk({"read", "-o", file}), kSuccess) << errText_.toStdString();
  const QByteArray before = contents(file);
  EXPECT_EQ(velk({"read", "-o", file, "--version", "10.1"}), kFailed);
  EXPECT_TRUE(errText_.contains("Command not implemented")) << errText_.toStdString();
  EXPECT_TRUE(errText_.contains(file + " was not written")) << errText_.toStdString();
  EXPECT_EQ(contents(file), before);
  EXPECT_EQ(velk({"read", "--version", "10.1"}), kFailed);
  EXPECT_EQ(outText_, "");
  // Nor does the device history keep such a read: only the first one is there.
  HistoryFilter reads;
  reads.kinds = {HistoryKind::Read};
  EXPECT_EQ(HistoryStore(HistoryLocation{history(), {}, {}}).count(reads), 1);

  replaceLine(file, "DEAD BAND 0.5", "DEAD BAND 1.5");
  EXPECT_EQ(velk({"send", file, "--yes", "--version", "10.1"}), kFailed);
  EXPECT_TRUE(errText_.contains("nothing was sent")) << errText_.toStdString();
  EXPECT_EQ(simulator().state().calibration.dead_band_percent, 0.5f);
  EXPECT_EQ(velk({"diff", file, "--version", "10.1"}), kFailed);

  EXPECT_EQ(velk({"read", "-o", "/dev/full"}), kFailed);
  EXPECT_TRUE(errText_.contains("could not write /dev/full: No space left on device"))
      << errText_.toStdString();
  EXPECT_EQ(velk({"monitor", "--seconds", "1", "--csv", "/dev/full"}), kFailed);
  EXPECT_TRUE(errText_.contains("could not write /dev/full: No space left on device"))
      << errText_.toStdString();
}

TEST_F(VelkAgainstTheSimulator, SendsARawCommandAndMonitorsTheBurstSamples) {
  ASSERT_EQ(velk({"raw", "0"}), kSuccess) << errText_.toStdString();
  EXPECT_TRUE(outText_.startsWith("response code: 0\nstatus: 0\nreply: 254 62 97")) << outText_.toStdString();

  const QString csv = dir_.filePath("samples.csv");
  ASSERT_EQ(velk({"monitor", "--seconds", "2", "--csv", csv}), kSuccess) << errText_.toStdString();
  const QStringList lines = outText_.split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines[0], "time_s,setpoint,position,temperature,pressure");
  EXPECT_EQ(lines[1].count(','), 4);
  EXPECT_EQ(QString::fromLatin1(contents(csv)), outText_);
  EXPECT_FALSE(simulator().state().control.burst_mode);  // switched off before velk ended
}

TEST_F(VelkAgainstTheSimulator, ScansAndTalksToAHartDeviceThatIsNoPositioner) {
  simulator().update_state([](sim::DeviceState& s) {
    s.identity.manufacturer_id = 38;
    s.identity.device_type = 17;
  });
  EXPECT_EQ(velk({"scan"}), kNoPositioner);
  EXPECT_TRUE(outText_.contains("polling address: 0\nmanufacturer: 38\ndevice type: 17\n"))
      << outText_.toStdString();
  EXPECT_TRUE(outText_.contains("Q5/Q50: no\n")) << outText_.toStdString();
  EXPECT_EQ(errText_,
            "velk: no Q5/Q50 positioner answered; what answered: manufacturer 38, device type 17 at polling "
            "address 0\n");
  ASSERT_EQ(velk({"raw", "0"}), kSuccess) << errText_.toStdString();
  EXPECT_TRUE(outText_.startsWith("response code: 0\nstatus: 0\nreply: 254 38 17")) << outText_.toStdString();

  EXPECT_EQ(velk({"read"}), kNoPositioner);
  EXPECT_TRUE(errText_.contains("manufacturer 38, device type 17 answered, not a Q5/Q50"))
      << errText_.toStdString();
  EXPECT_EQ(velk({"raw", "0", "--address", "1"}), kNoPositioner);
  EXPECT_TRUE(errText_.contains("no HART device answers at polling address 1")) << errText_.toStdString();
}

TEST_F(VelkAgainstTheSimulator, DoctorFindsThePositionerAndNamesAMissingDevice) {
  velk({"doctor", "--probe"});  // its exit also depends on this machine's own serial devices
  EXPECT_TRUE(outText_.contains("COM1 opens " + QString::fromStdString(simulator().device_path())))
      << outText_.toStdString();
  EXPECT_TRUE(outText_.contains(
      "ok       Polling address 0: a HART device answers (manufacturer 62, device type 97), "
      "a Q5/Q50 positioner\n"))
      << outText_.toStdString();

  const QString missing = dir_.filePath("ttyUSB9");
  EXPECT_EQ(console_.run({"doctor", "--probe", "--to", "0", "--port", missing}), kFailed);
  EXPECT_TRUE(
      outText_.contains("PROBLEM  COM1, the port in use, opens " + missing + ", which does not exist"))
      << outText_.toStdString();
  EXPECT_TRUE(outText_.contains("PROBLEM  The link could not open " + missing)) << outText_.toStdString();
}

// The same device behind a HART-IP address: velk only passes the name on.
class VelkOverHartIp : public VelkAgainstTheSimulator {
 protected:
  VelkOverHartIp() : VelkAgainstTheSimulator(hartIpSimulator()) {}
  QString port() override { return QString("hart-ip+tcp://127.0.0.1:%1").arg(simulator().hart_ip_port()); }
};

TEST_F(VelkOverHartIp, ScansAndSendsARawCommandOverTcp) {
  ASSERT_EQ(velk({"scan"}), kSuccess) << errText_.toStdString();
  EXPECT_TRUE(outText_.contains("manufacturer: 62\n")) << outText_.toStdString();
  ASSERT_EQ(velk({"raw", "0"}), kSuccess) << errText_.toStdString();
  EXPECT_TRUE(outText_.startsWith("response code: 0\nstatus: 0\nreply: 254 62 97")) << outText_.toStdString();
  velk({"doctor"});  // its exit also depends on this machine's own serial devices
  EXPECT_TRUE(outText_.contains("COM1 reaches " + port() + " over the network")) << outText_.toStdString();
  // Nothing went over the serial line.
  EXPECT_EQ(simulator().counters().frames_received, simulator().counters().requests_for_us);
}

// A secured gateway: the key file comes from the environment, as a
// technician gives it.
class VelkOverSecureHartIp : public VelkAgainstTheSimulator {
 protected:
  VelkOverSecureHartIp() : VelkAgainstTheSimulator(secureHartIpSimulator()) { useKeyFile(testKeyFile()); }
  ~VelkOverSecureHartIp() override { qunsetenv(kHartIpKeyFileVariable); }

  QString port() override {
    return QString("%1://127.0.0.1:%2").arg(scheme_).arg(simulator().hart_ip_port());
  }
  static void useKeyFile(const QString& path) { qputenv(kHartIpKeyFileVariable, QFile::encodeName(path)); }
  QString keyPath() const { return dir_.filePath("master.psk"); }
  // A key file of the master's, and what velk says of it.
  struct KeyFileCase {
    const char* name;
    QByteArray line;
    QFile::Permissions permissions;
    QString said;
  };
  static constexpr QFile::Permissions kPrivate = QFile::ReadOwner | QFile::WriteOwner;
  template <typename Check>
  void forEachKeyFile(const std::vector<KeyFileCase>& cases, Check check) {
    for (const KeyFileCase& c : cases) {
      SCOPED_TRACE(c.name);
      QFile file(keyPath());
      file.open(QIODevice::WriteOnly);
      file.write(c.line + "\n");
      file.setPermissions(c.permissions);
      file.close();
      useKeyFile(keyPath());
      check(c);
      file.remove();
    }
  }
  // Every file the run left and all it printed, for the key.
  void expectTheKeyNowhere() {
    for (const QString& folder : {dir_.path(), settingsDir_.path()}) {
      QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
      while (files.hasNext()) {
        const QString path = files.next();
        EXPECT_FALSE(contents(path).toLower().contains(kTestKey)) << path.toStdString();
      }
    }
    EXPECT_FALSE((outText_ + errText_).toLower().contains(kTestKey));
  }

  QString scheme_ = "hart-ip+tls";
};

TEST_F(VelkOverSecureHartIp, SendsARawCommandOverTlsAndDtlsAndReadsAll) {
  for (const char* scheme : {"hart-ip+tls", "hart-ip+dtls"}) {
    SCOPED_TRACE(scheme);
    scheme_ = scheme;
    ASSERT_EQ(velk({"raw", "0"}), kSuccess) << errText_.toStdString();
    EXPECT_TRUE(outText_.startsWith("response code: 0\nstatus: 0\nreply: 254 62 97"))
        << outText_.toStdString();
  }
  const QString file = dir_.filePath("a.txt");
  ASSERT_EQ(velk({"read", "-o", file}), kSuccess) << errText_.toStdString();
  EXPECT_TRUE(contents(file).contains("STROKE LENGTH 50\r\n"));
  expectTheKeyNowhere();
}

TEST_F(VelkOverSecureHartIp, ALooseKeyFileOrAWrongKeyIsRefusedSayingWhy) {
  const QString server = QString("The HART-IP server at 127.0.0.1:%1").arg(simulator().hart_ip_port());
  forEachKeyFile(
      {
          {"readable by others", QByteArray("velk-test-master ") + kTestKey, kPrivate | QFile::ReadOther,
           "HART-IP key file mode 0604 is too open (chmod 600 it): " + keyPath()},
          {"wrong key", "velk-test-master 00000000000000000000000000000000", kPrivate,
           server + " refused the key: wrong identity or key."},
      },
      [&](const KeyFileCase& c) {
        EXPECT_EQ(velk({"raw", "0"}), kNoPositioner);
        EXPECT_TRUE(errText_.contains(port() + ": " + c.said)) << errText_.toStdString();
      });
  EXPECT_EQ(simulator().hart_ip_sessions(), 0u);
}

TEST_F(VelkOverSecureHartIp, DoctorChecksTheKeyFileAndWithProbeTheHandshake) {
  velk({"doctor", "--probe"});  // its exit also depends on this machine's own serial devices
  EXPECT_TRUE(outText_.contains("ok       The HART-IP key file " + testKeyFile() +
                                " holds a 16-byte key for the identity velk-test-master\n"))
      << outText_.toStdString();
  EXPECT_TRUE(outText_.contains("ok       Polling address 0: a HART device answers"))
      << outText_.toStdString();

  const QString finding = "PROBLEM  The HART-IP key file " + keyPath();
  forEachKeyFile(
      {
          {"readable by its group", QByteArray("velk-test-master ") + kTestKey, kPrivate | QFile::ReadGroup,
           finding + " has mode 0640: group or others may use it\n"},
          {"short identity", QByteArray("velk ") + kTestKey, kPrivate,
           finding + ", line 1: the identity is not 8 to 128 printable characters\n"},
          {"no key", "velk-test-master", kPrivate, finding + ", line 1: it is not IDENTITY KEYHEX\n"},
      },
      [&](const KeyFileCase& c) {
        EXPECT_EQ(velk({"doctor"}), kFailed);
        EXPECT_TRUE(outText_.contains(c.said)) << outText_.toStdString();
      });
  useKeyFile(dir_.filePath("none.psk"));
  EXPECT_EQ(velk({"doctor"}), kFailed);
  EXPECT_TRUE(outText_.contains("PROBLEM  The HART-IP key file " + dir_.filePath("none.psk") +
                                ": No such file or directory\n"))
      << outText_.toStdString();
  expectTheKeyNowhere();
}

}  // namespace
}  // namespace velk::cli
