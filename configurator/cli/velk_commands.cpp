#include "cli/velk_commands.h"

#include <QFile>
#include <atomic>
#include <csignal>

#include "cli/velk_diff.h"
#include "cli/velk_session.h"
#include "comm/connection.h"
#include "comm/direct_command.h"
#include "comm/raw_command.h"
#include "diagnostics/control_operations.h"
#include "files/config_file.h"
#include "registry/connection_doctor.h"
#include "registry/device_settings.h"

namespace velk::cli {

namespace {

constexpr int kReadIdentifier = 0;
constexpr int kReadTagDescriptorDate = 13;

bool connectOrSay(Session& session, Console& console) {
  QString why;
  if (session.connect(why)) return true;
  console.err << "velk: " << why << "\n";
  return false;
}

int ports(const Options& options, Console& console) {
  Session session(options);
  const WindowState& window = session.core().window;
  for (int port = 1; port <= kComPortCount; ++port)
    console.out << "COM" << port << ": " << window.portDevice(port) << "\n";
  console.out << "\nSerial devices:\n";
  for (const QString& device : listSerialDevices()) console.out << "  " << device << "\n";
  return kSuccess;
}

// Who answers command 0 at the polling addresses of the options, on the port
// in use.
DoctorFindings probe(Session& session, const Options& options) {
  const WindowState& window = session.core().window;
  const int port = window.ComPort.load();
  bool opened = false;
  QString why;
  QList<ProbeAnswer> answers;
  session.run("doctor probe", [&](const JobContext& job) {
    auto tx = job.transaction();
    try {
      errno = 0;
      tx->InitHart(port);
      const int reason = errno;
      opened = tx->GetErrorCode() == 0;
      if (!opened) why = portOpenFailure(tx->GetErrorMessage(), reason);
    } catch (const LinkLibraryError& failure) {
      why = QString::fromLocal8Bit(failure.what());
    }
    if (!opened) return;
    for (int address = options.first; address <= options.last; ++address) {
      session.progress(QString("Asking polling address %1...").arg(address));
      const int handle = tx->DetectInstrumentWithShortAddress(address);
      if (handle == 0) continue;
      job.window.InstrumentHandle.store(handle);
      ProbeAnswer answer{.pollingAddress = address};
      if (job.ExecuteCommand(tx, kReadIdentifier, 0)) {
        answer.manufacturer = tx->GetInteger(1, 1);
        answer.deviceType = tx->GetInteger(2, 1);
      }
      answers.append(answer);
    }
    tx->ShutDownHart();
  });
  session.progress({});
  return probeFindings(window.portDevice(port), opened, why, answers, options.first, options.last);
}

int doctor(const Options& options, Console& console) {
  Session session(options);
  const WindowState& window = session.core().window;
  QList<ComPortDevice> comPorts;
  for (int port = 1; port <= kComPortCount; ++port) comPorts.append({port, window.portDevice(port)});
  DoctorFindings findings =
      checkConnection(runningSystem(), comPorts, window.ComPort.load(), window.HartIpKeyFile());
  if (options.probe) findings += probe(session, options);
  console.out << doctorReport(findings);
  return hasProblem(findings) ? kFailed : kSuccess;
}

int scan(const Options& options, Console& console) {
  Session session(options);
  if (!connectOrSay(session, console)) return kNoPositioner;
  Configurator& core = session.core();
  QString tag;
  unsigned manufacturer = 0, deviceType = 0;
  session.run("scan identity", [&](const JobContext& job) {
    auto tx = job.transaction();
    if (job.ExecuteCommand(tx, kReadIdentifier, 0)) {
      manufacturer = tx->GetInteger(1, 1);
      deviceType = tx->GetInteger(2, 1);
    }
    if (job.ExecuteCommand(tx, kReadTagDescriptorDate, 0))
      tag = QString::fromStdString(tx->GetString(0, 6)).trimmed();
  });
  const FormState& form = core.form;
  console.out << "polling address: " << form.text("EditPollAddress") << "\n"
              << "manufacturer: " << manufacturer << "\n"
              << "device type: " << deviceType << "\n"
              << "device id: " << form.text("Edit183") << "\n"
              << "software revision: " << form.text("LabelSWverValue") << "\n"
              << "hardware revision: " << form.text("LabelHWverValue") << "\n"
              << "tag: " << tag << "\n";
  return kSuccess;
}

bool writeFile(const QString& path, const QByteArray& bytes, Console& console) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) return true;
  console.err << "velk: could not write " << path << ": " << file.errorString() << "\n";
  return false;
}

// The device's configuration as a file would hold it, after a Read All.
QByteArray readDevice(Session& session) {
  session.runSequence(kRequestReadAll);
  return configurationText(session.core().form, session.core().window).bytes;
}

int read(const Options& options, Console& console) {
  Session session(options);
  if (!connectOrSay(session, console)) return kNoPositioner;
  const QByteArray file = readDevice(session);
  const QStringList failed = session.core().form.lines(kCommunicationLog);
  if (options.output.isEmpty()) {
    console.out << QString::fromLatin1(file);
  } else if (!writeFile(options.output, file, console)) {
    return kFailed;
  }
  for (const QString& line : failed) console.err << "velk: " << line << "\n";
  return failed.isEmpty() ? kSuccess : kFailed;
}

void printDifferences(const std::vector<Difference>& differences, Console& console) {
  for (const Difference& d : differences)
    console.out << d.key << ": file \"" << d.wanted << "\", device \"" << d.actual << "\"\n";
}

int diff(const Options& options, Console& console) {
  Session session(options);
  // The file first: a file that does not load is a usage problem, found before any traffic.
  Configurator& core = session.core();
  const ConfigurationLoad load = loadConfiguration(options.args[0], core.form, core.window);
  if (!load.ok) {
    console.err << "velk: the file " << options.args[0] << " is not correct (" << load.error << ")\n";
    return kFailed;
  }
  const QByteArray wanted = configurationText(core.form, core.window).bytes;
  if (!connectOrSay(session, console)) return kNoPositioner;
  const auto differences = configurationDifferences(wanted, readDevice(session), session.separator());
  printDifferences(differences, console);
  return differences.empty() ? kSuccess : kFailed;
}

bool differsOnPages(const std::vector<Difference>& differences, const QStringList& keys) {
  for (const Difference& d : differences)
    for (const QString& key : keys)
      if (d.key.startsWith(key)) return true;
  return false;
}

int send(const Options& options, Console& console) {
  // Found out before any traffic: no one will answer the question.
  if (!options.yes && !options.dryRun && !console.canAsk) {
    console.err << "velk: send asks before it writes; with no terminal to answer, use --yes\n";
    return kRefused;
  }
  Session session(options);
  Configurator& core = session.core();
  if (!connectOrSay(session, console)) return kNoPositioner;
  const QByteArray device = readDevice(session);
  const int sourceBefore = core.form.selectedIndex(kSetpointSourceGroup);
  const ConfigurationLoad load = loadConfiguration(options.args[0], core.form, core.window);
  if (!load.ok) {
    console.err << "velk: the file " << options.args[0] << " is not correct (" << load.error << ")\n";
    return kFailed;
  }
  const QByteArray wanted = configurationText(core.form, core.window).bytes;
  const auto differences = configurationDifferences(wanted, device, session.separator());
  printDifferences(differences, console);
  if (options.dryRun) return differences.empty() ? kSuccess : kFailed;
  if (differences.empty()) {
    console.err << "velk: the device already holds this configuration\n";
    return kSuccess;
  }
  if (!options.yes && !console.ask("Send these to the positioner?")) return kFailed;

  // SETUP and CHARACTERISTICS settings are taken out of service only.
  const bool needsOutOfService = differsOnPages(
      differences, {"ACTUATOR", "STROKE", "CURRENT RANGE", "DIRECTION", "TRAVEL RANGE", "CONTROL ", "CUT OFF",
                    "LIMIT ", "CHARACTER", "NUMBER OF POINTS", "CUSTOM", "X(", "Y("});
  const bool wasInService = !core.window.OutOfService.load();
  auto toggleService = [&] {
    const bool before = core.window.OutOfService.load();
    core.commands.postRequest(kRequestServiceToggle);
    session.waitFor([&] { return core.window.OutOfService.load() != before; }, 20000);
  };
  if (needsOutOfService && wasInService) toggleService();
  if (core.form.selectedIndex(kSetpointSourceGroup) != sourceBefore)
    session.run("setpoint source",
                [](const JobContext& job) { RadioGroupSetPointSourceClick(job, Sender::Sequence); });
  session.runSequence(kRequestSendAll);
  if (needsOutOfService && wasInService && core.window.OutOfService.load()) toggleService();

  const QStringList failed = core.form.lines(kCommunicationLog);
  const auto remaining = configurationDifferences(wanted, readDevice(session), session.separator());
  for (const QString& line : failed) console.err << "velk: " << line << "\n";
  for (const Difference& d : remaining)
    console.err << "velk: " << d.key << " did not stick: sent \"" << d.wanted << "\", device holds \""
                << d.actual << "\"\n";
  return failed.isEmpty() && remaining.empty() ? kSuccess : kFailed;
}

// Monitoring: the samples reach the printer through a page module of its own.
struct MonitorSink {
  QTextStream* out = nullptr;
  QFile* csv = nullptr;
  double start = 0;
};
MonitorSink gSink;
std::atomic<bool> gInterrupted{false};

void printSample(const JobContext&, const BurstMessage& message) {
  const double now =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  const auto& v = message.reading.BurstValue;
  auto field = [](bool has, float value) { return has ? QString::number(value, 'g', 7) : QString(); };
  const bool all = message.length == 24;
  const QString line = QString("%1,%2,%3,%4,%5\n")
                           .arg(now - gSink.start, 0, 'f', 3)
                           .arg(message.length == 8 ? QString::number(message.loopCurrent, 'g', 7)
                                                    : field(all, v[kBurstSetpoint]))
                           .arg(field(all || message.length == 5, v[kBurstPosition]))
                           .arg(field(all, v[kBurstTemperature]))
                           .arg(field(all, v[kBurstPressure]));
  if (gSink.csv) gSink.csv->write(line.toLatin1());
  *gSink.out << line;
  gSink.out->flush();
}

int monitor(const Options& options, Console& console) {
  static const PageModule sink{.name = "velk monitor", .caption = "", .afterBurstSample = &printSample};
  Session session(options, mirellLibraryLink(), {&sink});
  if (!connectOrSay(session, console)) return kNoPositioner;
  QFile csv(options.csv);
  if (!options.csv.isEmpty() && !csv.open(QIODevice::WriteOnly)) {
    console.err << "velk: could not write " << options.csv << ": " << csv.errorString() << "\n";
    return kFailed;
  }
  const QString header = "time_s,setpoint,position,temperature,pressure\n";
  console.out << header;
  if (csv.isOpen()) csv.write(header.toLatin1());
  gSink = {&console.out, csv.isOpen() ? &csv : nullptr,
           std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count()};
  std::signal(SIGINT, [](int) { gInterrupted = true; });
  std::signal(SIGTERM, [](int) { gInterrupted = true; });

  LiveData& live = session.core().live;
  live.BurstRequested.store(true);
  const int ms =
      options.seconds ? static_cast<int>(*options.seconds * 1000) : std::numeric_limits<int>::max();
  session.waitFor([] { return gInterrupted.load(); }, ms);
  // Burst mode off in the device before the program goes.
  live.BurstRequested.store(false);
  session.waitFor([&] { return !live.BurstActive.load(); }, 20000);
  const bool failed = live.BurstError.load();
  if (failed) console.err << "velk: burst mode could not be switched\n";
  gSink = {};
  return failed ? kFailed : kSuccess;
}

int raw(const Options& options, Console& console) {
  std::vector<unsigned> bytes;
  for (const QString& text : options.args) {
    bool ok = false;
    const unsigned value = text.toUInt(&ok, 0);
    if (!ok || value > 255) {
      console.err << "velk: " << text << " is no byte\n";
      return kUsage;
    }
    bytes.push_back(value);
  }
  const unsigned command = bytes.front();
  bytes.erase(bytes.begin());
  if (bytes.size() > 28) {
    console.err << "velk: at most 28 request bytes\n";
    return kUsage;
  }
  Session session(options);
  if (!connectOrSay(session, console)) return kNoPositioner;
  RawCommandOutcome outcome;
  session.run("raw", [&](const JobContext& job) {
    auto tx = job.transaction();
    outcome = sendRawCommand(tx.api(), job.window.InstrumentHandle.load(), static_cast<int>(command),
                             std::vector<int>(bytes.begin(), bytes.end()));
  });
  if (outcome.transmissionError != 0) {
    console.out << "Transmission error " << outcome.transmissionError << "\n";
    return kFailed;
  }
  console.out << "response code: " << outcome.responseCode << "\nstatus: " << outcome.deviceStatus
              << "\nreply:";
  for (unsigned b : outcome.reply) console.out << " " << b;
  console.out << "\n";
  if (outcome.responseError != 0) console.out << "Response error " << outcome.responseError << "\n";
  return outcome.responseError == 0 ? kSuccess : kFailed;
}

}  // namespace

int runCommand(const Options& o, Console& console) {
  if (o.command == "doctor") return doctor(o, console);
  if (o.command == "ports") return ports(o, console);
  if (o.command == "scan") return scan(o, console);
  if (o.command == "read") return read(o, console);
  if (o.command == "diff") return diff(o, console);
  if (o.command == "send") return send(o, console);
  if (o.command == "monitor") return monitor(o, console);
  if (o.command == "raw") return raw(o, console);
  console.err << usage();
  return kUsage;
}

}  // namespace velk::cli
