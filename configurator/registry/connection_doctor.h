#pragma once
// "Check connection": everything between the program and the modem, in plain
// words, each finding with what to do about it. It only looks: nothing on the
// system is changed. The window and `velk doctor` show the same findings.

#include <sys/types.h>

#include <QList>
#include <QString>
#include <functional>

namespace velk {

struct DoctorFinding {
  enum class Kind { Ok, Note, Problem };
  Kind kind = Kind::Ok;
  QString text;
  QString advice;  // what to do; empty when nothing is to be done
};
using DoctorFindings = QList<DoctorFinding>;

// Where the doctor looks and who asks: the running system, or a test's tree.
struct SystemView {
  QString dev = "/dev";
  QString sys = "/sys";
  QString proc = "/proc";
  QStringList lockDirs = {"/var/lock", "/run/lock"};
  uid_t uid = 0;
  QList<gid_t> sessionGroups;     // the groups this login has now
  QList<gid_t> configuredGroups;  // the user's groups in the group database
  pid_t self = 0;                 // this process, which never counts as a holder
  // Opens the device at 1200 baud, 8 data bits, odd parity, 1 stop bit and
  // closes it again; false with the system's reason. None: not tried.
  std::function<bool(const QString& device, int& error)> openLine;
};
SystemView runningSystem();

// A COM number and the device it opens.
struct ComPortDevice {
  int port = 0;
  QString device;
};

// The serial devices there are, what each COM number opens, and for the
// chosen port's device and every USB serial device: access, other holders,
// the adapter's latency timer and whether it opens as the link needs it.
// When the chosen port is a secure HART-IP address, the key file it needs:
// chosen, there, private to its owner, and "IDENTITY KEYHEX" on its first
// line (the key itself is never shown).
DoctorFindings checkConnection(const SystemView& system, const QList<ComPortDevice>& comPorts, int chosenPort,
                               const QString& keyFile = {});

// A secure HART-IP address (hart-ip+tls://, hart-ip+dtls://): it needs a key file.
bool isSecureNetworkAddress(const QString& device);

// A HART device found by the probe.
struct ProbeAnswer {
  int pollingAddress = 0;
  unsigned manufacturer = 0;
  unsigned deviceType = 0;
};
// The probe's findings: who answered command 0 at polling addresses `first`
// to `last`.
DoctorFindings probeFindings(const QString& device, bool opened, const QString& openError,
                             const QList<ProbeAnswer>& answers, int first, int last);

bool hasProblem(const DoctorFindings& findings);
// One line per finding, its advice on an indented line after it.
QString doctorReport(const DoctorFindings& findings);

}  // namespace velk
