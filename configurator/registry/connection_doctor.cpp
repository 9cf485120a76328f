#include "registry/connection_doctor.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "comm/connection.h"
#include "registry/device_settings.h"

namespace velk {

namespace {

using Kind = DoctorFinding::Kind;

QString systemText(int error) { return QString::fromStdString(std::system_category().message(error)); }

QString readTrimmed(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.read(4096)).trimmed();
}

// What stands behind a tty in sysfs: the USB ids and product of the adapter
// and its driver; empty for a device without hardware (a pseudo-terminal).
QString hardwareOf(const SystemView& system, const QString& name) {
  const QString device = system.sys + "/class/tty/" + name + "/device";
  if (!QFileInfo::exists(device)) return {};
  QStringList parts;
  QString dir = QFileInfo(device).canonicalFilePath();
  const QString sysRoot = QFileInfo(system.sys).canonicalFilePath();
  for (int up = 0; up < 6 && dir.startsWith(sysRoot) && dir != sysRoot; ++up) {
    if (QFileInfo::exists(dir + "/idVendor")) {
      QString usb = "USB " + readTrimmed(dir + "/idVendor") + ":" + readTrimmed(dir + "/idProduct");
      const QString product = readTrimmed(dir + "/product");
      if (!product.isEmpty()) usb += " \"" + product + "\"";
      parts << usb;
      break;
    }
    dir = QFileInfo(dir).path();
  }
  const QString driver = QFileInfo(device + "/driver").canonicalFilePath();
  if (!driver.isEmpty()) parts << "driver " + QFileInfo(driver).fileName();
  return parts.join(", ");
}

// A ttyS the kernel reserves without a UART behind it.
bool isEmptyUart(const SystemView& system, const QString& name) {
  return name.startsWith("ttyS") && readTrimmed(system.sys + "/class/tty/" + name + "/type") == "0";
}

bool isPseudoTerminal(const QString& device) { return device.startsWith("/dev/pts/"); }

// A HART-IP address rather than a device file.
bool isNetworkAddress(const QString& device) { return device.startsWith("hart-ip"); }

// What is wrong with the first line of a key file; empty when nothing is.
// The key is read only to check its form.
QString keyLineProblem(const QByteArray& line, QString& identity, int& keyBytes) {
  const QList<QByteArray> words = line.simplified().split(' ');
  if (words.size() != 2 || words[0].isEmpty()) return "it is not IDENTITY KEYHEX";
  const QByteArray& name = words[0];
  const bool printable = std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7F; });
  if (name.size() < 8 || name.size() > 128 || !printable)
    return "the identity is not 8 to 128 printable characters";
  const QByteArray& hex = words[1];
  const bool digits = std::all_of(hex.begin(), hex.end(),
                                  [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
  if (!digits || (hex.size() != 32 && hex.size() != 128))
    return "the key is not 32 or 128 hexadecimal digits";
  identity = QString::fromLatin1(name);
  keyBytes = static_cast<int>(hex.size() / 2);
  return {};
}

DoctorFindings checkKeyFile(const QString& path) {
  const QString use =
      "Name the key file the gateway was provisioned with in MIRELL_HARTIP_PSK_FILE (velk) or in Comport > "
      "Serial devices... (the window)";
  if (path.isEmpty()) return {{Kind::Problem, "The secure HART-IP port has no key file", use}};
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0)
    return {{Kind::Problem, QString("The HART-IP key file %1: %2").arg(path, systemText(errno)), use}};
  if (!S_ISREG(status.st_mode))
    return {{Kind::Problem, QString("The HART-IP key file %1 is not a regular file").arg(path), use}};
  if ((status.st_mode & 077) != 0)
    return {{Kind::Problem,
             QString("The HART-IP key file %1 has mode %2: group or others may use it")
                 .arg(path)
                 .arg(status.st_mode & 07777, 4, 8, QChar('0')),
             QString("chmod 600 %1 (the library refuses a key others may read)").arg(path)}};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {{Kind::Problem,
             QString("The HART-IP key file %1 cannot be read: %2").arg(path, file.errorString()), use}};
  QByteArray line = file.readLine(1024);
  QString identity;
  int keyBytes = 0;
  const QString problem = keyLineProblem(line, identity, keyBytes);
  line.fill('\0');
  if (!problem.isEmpty())
    return {{Kind::Problem, QString("The HART-IP key file %1, line 1: %2").arg(path, problem),
             "Its first line must be the identity (8 to 128 characters) and the key (16 or 64 bytes in "
             "hexadecimal), as the gateway was provisioned"}};
  return {{Kind::Ok,
           QString("The HART-IP key file %1 holds a %2-byte key for the identity %3")
               .arg(path)
               .arg(keyBytes)
               .arg(identity),
           {}}};
}

bool isUsbSerial(const QString& name) { return name.startsWith("ttyUSB") || name.startsWith("ttyACM"); }

QString canonical(const QString& path) {
  const QString resolved = QFileInfo(path).canonicalFilePath();
  return resolved.isEmpty() ? path : resolved;
}

QString modeText(mode_t mode) {
  QString text = S_ISCHR(mode) ? "c" : "-";
  const char* letters = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) text += (mode & (0400 >> bit)) ? QChar(letters[bit]) : QChar('-');
  return text;
}

QString groupName(gid_t gid) {
  const group* entry = getgrgid(gid);
  return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(gid);
}

// Whether this user may open the device, going by its owner, group and mode.
bool checkAccess(const SystemView& system, const QString& device, const struct stat& info,
                 DoctorFindings& findings) {
  const mode_t mode = info.st_mode;
  if (system.uid == 0) {
    findings.append({Kind::Ok, device + ": you may open it (as root)", {}});
    return true;
  }
  const bool owner = info.st_uid == system.uid && (mode & 0600) == 0600;
  const bool member = system.sessionGroups.contains(info.st_gid) && (mode & 0060) == 0060;
  if (owner || member || (mode & 0006) == 0006) {
    findings.append({Kind::Ok, device + ": you may open it", {}});
    return true;
  }
  const QString group = groupName(info.st_gid);
  const QString why =
      QString("%1: you may not open it: it belongs to group %2 (%3) and you are not in that group")
          .arg(device, group, modeText(mode));
  if ((mode & 0060) != 0060) {
    findings.append({Kind::Problem, QString("%1: you may not open it (%2)").arg(device, modeText(mode)),
                     "Ask the administrator of this computer to give you access to it"});
  } else if (system.configuredGroups.contains(info.st_gid)) {
    findings.append({Kind::Problem, why + " in this login",
                     QString("You were added to %1 after logging in: log out and in again").arg(group)});
  } else {
    findings.append({Kind::Problem, why,
                     QString("Add yourself with `sudo usermod -aG %1 $USER` and log in again").arg(group)});
  }
  return false;
}

struct Holder {
  pid_t pid = 0;
  QString program;
};

QString programOf(const SystemView& system, pid_t pid) {
  const QString name = readTrimmed(QString("%1/%2/comm").arg(system.proc).arg(pid));
  return name.isEmpty() ? "unknown program" : name;
}

QString holderAdvice(const Holder& holder) {
  if (holder.program == "ModemManager")
    return "ModemManager probes new serial devices: stop it with `sudo systemctl stop ModemManager`, or keep "
           "it "
           "off the modem with a udev rule setting ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
  return QString("Close %1 (process %2) or disconnect it from the port").arg(holder.program).arg(holder.pid);
}

void checkLockFiles(const SystemView& system, const QString& device, DoctorFindings& findings) {
  const QString name = QFileInfo(device).fileName();
  for (const QString& dir : system.lockDirs) {
    const QString lock = dir + "/LCK.." + name;
    QFile file(lock);
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QByteArray content = file.read(64);
    // The process number as text, or as a 4-byte number of older programs.
    bool isText = false;
    pid_t pid = content.trimmed().toInt(&isText);
    if (!isText && content.size() == 4) std::memcpy(&pid, content.constData(), sizeof pid);
    if (pid > 0 && pid != system.self && QFileInfo::exists(QString("%1/%2").arg(system.proc).arg(pid))) {
      const Holder holder{pid, programOf(system, pid)};
      findings.append({Kind::Problem,
                       QString("%1 is locked by %2 (process %3), lock file %4")
                           .arg(device, holder.program)
                           .arg(pid)
                           .arg(lock),
                       holderAdvice(holder)});
    } else if (pid != system.self) {
      findings.append(
          {Kind::Note,
           QString("%1: the lock file %2 is left over from a program that ended").arg(device, lock),
           QString("Remove it: `sudo rm %1`").arg(lock)});
    }
  }
}

// Processes with the device open; `unreadable` counts those whose open files
// this user may not see.
QList<Holder> openedBy(const SystemView& system, const QString& device, int& unreadable) {
  QList<Holder> holders;
  const QDir proc(system.proc);
  for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool number = false;
    const pid_t pid = entry.toInt(&number);
    if (!number || pid == system.self) continue;
    const QString fdDir = proc.filePath(entry) + "/fd";
    DIR* fds = opendir(QFile::encodeName(fdDir).constData());
    if (!fds) {
      if (errno == EACCES || errno == EPERM) ++unreadable;
      continue;
    }
    while (const dirent* fd = readdir(fds)) {
      if (fd->d_name[0] == '.') continue;
      if (canonical(fdDir + "/" + QString::fromLocal8Bit(fd->d_name)) == device) {
        holders.append({pid, programOf(system, pid)});
        break;
      }
    }
    closedir(fds);
  }
  return holders;
}

void checkHolders(const SystemView& system, const QString& device, DoctorFindings& findings) {
  const int before = findings.size();
  checkLockFiles(system, device, findings);
  int unreadable = 0;
  for (const Holder& holder : openedBy(system, device, unreadable)) {
    // The program serving a pseudo-terminal (a simulator) keeps it open by design.
    if (isPseudoTerminal(device))
      findings.append({Kind::Ok,
                       QString("%1 is a pseudo-terminal that %2 (process %3) serves")
                           .arg(device, holder.program)
                           .arg(holder.pid),
                       {}});
    else
      findings.append({Kind::Problem,
                       QString("%1 is open in %2 (process %3)").arg(device, holder.program).arg(holder.pid),
                       holderAdvice(holder)});
  }
  if (findings.size() == before) findings.append({Kind::Ok, device + ": no other program holds it", {}});
  if (unreadable > 0 && system.uid != 0)
    findings.append({Kind::Note,
                     QString("%1: the open files of %2 processes of other users cannot be seen without root")
                         .arg(device)
                         .arg(unreadable),
                     "Run the check as root (`sudo velk doctor`) to see them too"});
}

void checkLatencyTimer(const SystemView& system, const QString& name, const QString& device,
                       DoctorFindings& findings) {
  const QString timer = system.sys + "/class/tty/" + name + "/device/latency_timer";
  if (!QFileInfo::exists(timer)) return;
  const QString value = readTrimmed(timer);
  if (value.toInt() <= 1) {
    findings.append({Kind::Ok, QString("%1: the adapter's latency timer is %2 ms").arg(device, value), {}});
    return;
  }
  findings.append(
      {Kind::Note,
       QString("%1: the adapter's latency timer is %2 ms; 1 ms suits HART's timing better")
           .arg(device, value),
       QString("Set it until the adapter is plugged in again: `echo 1 | sudo tee "
               "/sys/bus/usb-serial/devices/%1/latency_timer`; a udev rule setting ATTR{latency_timer}=\"1\" "
               "for the adapter keeps it")
           .arg(name)});
}

QString openAdvice(int error) {
  switch (error) {
    case ENOTTY:
    case EINVAL: return "It is not a serial port: choose the modem's device";
    case EBUSY: return "Another program holds it: close that program";
    case EACCES:
    case EPERM: return "Add yourself to the device's group and log in again";
    default: return "Unplug the modem and plug it in again; `dmesg` shows what the system says about it";
  }
}

void checkDevice(const SystemView& system, const QString& device, DoctorFindings& findings) {
  const QString name = QFileInfo(device).fileName();
  struct stat info {};
  if (stat(QFile::encodeName(device).constData(), &info) != 0) return;
  const bool allowed = checkAccess(system, device, info, findings);
  checkHolders(system, device, findings);
  checkLatencyTimer(system, name, device, findings);
  if (!allowed || !system.openLine) return;
  int error = 0;
  if (system.openLine(device, error))
    findings.append({Kind::Ok, device + ": opens at 1200 baud, 8 data bits, odd parity, 1 stop bit", {}});
  else
    findings.append({Kind::Problem,
                     QString("%1: does not open at 1200 baud 8O1: %2").arg(device, systemText(error)),
                     openAdvice(error)});
}

bool openAtHartSettings(const QString& device, int& error) {
  const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return false;
  }
  termios line{};
  error = 0;
  if (tcgetattr(fd, &line) != 0) {
    error = errno;
  } else {
    cfmakeraw(&line);
    line.c_cflag &= ~(CSIZE | CSTOPB);
    line.c_cflag |= CS8 | PARENB | PARODD | CLOCAL | CREAD;
    cfsetispeed(&line, B1200);
    cfsetospeed(&line, B1200);
    termios back{};
    if (tcsetattr(fd, TCSANOW, &line) != 0 || tcgetattr(fd, &back) != 0) {
      error = errno;
    } else {
      // A driver may take the call and keep other settings. A pseudo-terminal
      // has no parity of its own: the program serving it sets its side.
      const tcflag_t wanted = isPseudoTerminal(device) ? CSIZE : CSIZE | PARENB | PARODD;
      if (cfgetospeed(&back) != B1200 || (back.c_cflag & wanted) != (line.c_cflag & wanted)) error = EINVAL;
    }
  }
  ::close(fd);
  return error == 0;
}

}  // namespace

SystemView runningSystem() {
  SystemView system;
  system.uid = getuid();
  system.self = getpid();
  system.sessionGroups.append(getgid());
  const int count = getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> groups(count);
    if (getgroups(count, groups.data()) == count) system.sessionGroups.append({groups.begin(), groups.end()});
  }
  if (const passwd* user = getpwuid(system.uid)) {
    int listed = 64;
    std::vector<gid_t> groups(listed);
    if (getgrouplist(user->pw_name, user->pw_gid, groups.data(), &listed) >= 0)
      system.configuredGroups.append({groups.begin(), groups.begin() + listed});
  }
  system.openLine = openAtHartSettings;
  return system;
}

bool isSecureNetworkAddress(const QString& device) {
  return device.startsWith("hart-ip+tls://") || device.startsWith("hart-ip+dtls://");
}

DoctorFindings checkConnection(const SystemView& system, const QList<ComPortDevice>& comPorts, int chosenPort,
                               const QString& keyFile) {
  DoctorFindings findings;
  QStringList examined;
  QSet<QString> listed;
  for (const QString& path : listSerialDevices(system.dev)) {
    const QString device = canonical(path);
    const QString name = QFileInfo(device).fileName();
    if (listed.contains(device) || isEmptyUart(system, name)) continue;
    listed.insert(device);
    const QString hardware = hardwareOf(system, name);
    QString text =
        path == device ? "Serial device " + path : QString("Serial device %1 is %2").arg(path, device);
    if (!hardware.isEmpty()) text += " (" + hardware + ")";
    findings.append({Kind::Ok, text, {}});
    if (isUsbSerial(name)) examined.append(device);
  }
  if (listed.isEmpty())
    findings.append({Kind::Problem, "No serial device found",
                     "Plug in the HART modem; `dmesg` says whether the system saw it (a USB modem appears as "
                     "/dev/ttyUSBn or /dev/ttyACMn)"});

  for (const ComPortDevice& com : comPorts) {
    const bool chosen = com.port == chosenPort;
    const QString device = canonical(com.device);
    if (isNetworkAddress(com.device)) {
      findings.append(
          {Kind::Ok,
           QString("COM%1 reaches %2 over the network%3")
               .arg(com.port)
               .arg(com.device, chosen ? ", the port in use: the serial checks do not apply" : ""),
           chosen ? "--probe (velk doctor --probe) asks who answers there" : QString()});
      if (chosen && isSecureNetworkAddress(com.device)) findings += checkKeyFile(keyFile);
    } else if (QFileInfo::exists(com.device)) {
      const QString through = device == com.device ? QString() : " (" + device + ")";
      findings.append({Kind::Ok,
                       QString("COM%1 opens %2%3%4")
                           .arg(com.port)
                           .arg(com.device, through, chosen ? ", the port in use" : ""),
                       {}});
      if (chosen) examined.prepend(device);
    } else if (chosen) {
      findings.append(
          {Kind::Problem,
           QString("COM%1, the port in use, opens %2, which does not exist").arg(com.port).arg(com.device),
           "Plug in the modem, or choose the device it appears as (listed above): Comport > Serial "
           "devices... in the window, --port with velk"});
    }
  }

  examined.removeDuplicates();
  for (const QString& device : examined) checkDevice(system, device, findings);
  return findings;
}

DoctorFindings probeFindings(const QString& device, bool opened, const QString& openError,
                             const QList<ProbeAnswer>& answers, int first, int last) {
  if (!opened)
    return {{Kind::Problem, QString("The link could not open %1: %2").arg(device, openError),
             "See the findings above"}};
  DoctorFindings findings;
  for (const ProbeAnswer& answer : answers) {
    const bool positioner =
        answer.manufacturer == kManufacturer && answer.deviceType == kPositionerDeviceType;
    findings.append({Kind::Ok,
                     QString("Polling address %1: a HART device answers (manufacturer %2, device type %3)%4")
                         .arg(answer.pollingAddress)
                         .arg(answer.manufacturer)
                         .arg(answer.deviceType)
                         .arg(positioner ? ", a Q5/Q50 positioner" : ""),
                     {}});
  }
  if (answers.isEmpty())
    findings.append(
        {Kind::Problem,
         QString("No HART device answered command 0 at polling addresses %1 to %2").arg(first).arg(last),
         "Check the wiring: the modem across a load of at least 250 ohms in a powered 4-20 mA loop, "
         "and the positioner powered"});
  return findings;
}

bool hasProblem(const DoctorFindings& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const DoctorFinding& finding) { return finding.kind == Kind::Problem; });
}

QString doctorReport(const DoctorFindings& findings) {
  QString report;
  for (const DoctorFinding& finding : findings) {
    const char* mark = finding.kind == Kind::Ok     ? "ok       "
                       : finding.kind == Kind::Note ? "note     "
                                                    : "PROBLEM  ";
    report += mark + finding.text + "\n";
    if (!finding.advice.isEmpty()) report += "         -> " + finding.advice + "\n";
  }
  return report;
}

}  // namespace velk
