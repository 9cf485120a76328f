#include "cli/velk_commands.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <mutex>

#include "cli/velk_devices.h"
#include "cli/velk_diff.h"
#include "cli/velk_history.h"
#include "cli/velk_report.h"
#include "cli/velk_session.h"
#include "comm/connection.h"
#include "comm/raw_command.h"
#include "history/program_history.h"
#include "model/file_replacement.h"
#include "registry/config_file.h"
#include "registry/configuration.h"
#include "registry/connection_doctor.h"
#include "registry/device_settings.h"
#include "registry/page_registry.h"
#include "registry/page_sequences.h"

namespace velk::cli {

namespace {

bool connectOrSay(Session& session, Console& console) {
  QString why;
  if (session.connect(why)) return true;
  console.err << "velk: " << why << "\n";
  return false;
}

QString portInUse(Session& session) {
  const WindowState& window = session.core().window;
  return window.portDevice(window.ComPort.load());
}

// The commands that failed since the last call: the communication log's
// lines, which it then forgets.
QStringList takeFailures(Session& session) {
  const QStringList failed = session.core().form.lines(kCommunicationLog);
  session.core().form.setLines(kCommunicationLog, {});
  return failed;
}

void listFailures(const QStringList& failed, Console& console) {
  for (const QString& line : failed) console.err << "velk: " << line << "\n";
}

// While it lives, finished work goes to the device history; a record that
// could not be kept is a warning, never a failed run.
struct RecordingHistory : CommandLineHistory {
  RecordingHistory(Session& session, Console& console)
      : CommandLineHistory(session.core().form, session.core().window, [&console](const QString& message) {
          console.err << "velk: warning: the device history could not be written: " << message << "\n";
        }) {}
};

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
  QString why;
  QList<ProbeAnswer> answers;
  const bool opened = withOpenPort(session, why, [&](const JobContext& job, Link::Transaction& tx) {
    for (const AnsweringDevice& device : findDevices(session, job, tx, options.first, options.last))
      answers.append({device.pollingAddress, device.manufacturer, device.deviceType});
  });
  return probeFindings(portInUse(session), opened, why, answers, options.first, options.last);
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

void printDevice(const AnsweringDevice& device, Console& console) {
  console.out << "polling address: " << device.pollingAddress << "\n";
  if (device.identified) {
    console.out << "manufacturer: " << device.manufacturer << "\n"
                << "device type: " << device.deviceType << "\n"
                << "device id: " << device.deviceId << "\n"
                << "software revision: " << device.softwareRevision << "\n"
                << "hardware revision: " << device.hardwareRevision << "\n"
                << "tag: " << device.tag << "\n";
  } else {
    console.out << "identity: not read\n";
  }
  console.out << "Q5/Q50: " << (device.isPositioner() ? "yes" : "no") << "\n";
}

int scan(const Options& options, Console& console) {
  Session session(options);
  QString why;
  QList<AnsweringDevice> devices;
  if (!withOpenPort(session, why, [&](const JobContext& job, Link::Transaction& tx) {
        devices = findDevices(session, job, tx, options.first, options.last);
      })) {
    console.err << "velk: could not open " << portInUse(session) << ": " << why << "\n";
    return kNoPositioner;
  }
  for (qsizetype i = 0; i < devices.size(); ++i) {
    if (i > 0) console.out << "\n";
    printDevice(devices[i], console);
  }
  listFailures(takeFailures(session), console);
  if (std::any_of(devices.begin(), devices.end(), [](const AnsweringDevice& d) { return d.isPositioner(); }))
    return kSuccess;
  if (devices.isEmpty()) {
    console.err << "velk: no HART device answered at polling addresses " << options.first << " to "
                << options.last << " on " << portInUse(session) << "\n";
  } else {
    QStringList answered;
    for (const AnsweringDevice& device : devices) answered.append(describe(device));
    console.err << "velk: no Q5/Q50 positioner answered; what answered: " << answered.join("; ") << "\n";
  }
  return kNoPositioner;
}

// The device's configuration as a file would hold it, after a Read All, and
// the commands that failed in it (and since the last look, the connection's).
struct DeviceReading {
  QByteArray file;
  QStringList failed;
};
DeviceReading readDevice(Session& session) {
  session.runSequence(kRequestReadAll);
  return {configurationText(session.core().form, session.core().window).bytes, takeFailures(session)};
}

int read(const Options& options, Console& console) {
  Session session(options);
  if (!connectOrSay(session, console)) return kNoPositioner;
  // Read All keeps what it read whole (with a failed command: nothing).
  const RecordingHistory history(session, console);
  const DeviceReading device = readDevice(session);
  if (!device.failed.isEmpty()) {
    // A field of a failed command holds no value of this device.
    listFailures(device.failed, console);
    console.err << "velk: " << device.failed.size() << " command(s) failed, so "
                << (options.output.isEmpty() ? QString("no configuration was printed")
                                             : options.output + " was not written")
                << "\n";
    return kFailed;
  }
  if (options.output.isEmpty()) {
    console.out << QString::fromLatin1(device.file);
    return kSuccess;
  }
  if (const QString reason = replaceFile(options.output, device.file); !reason.isEmpty()) {
    console.err << "velk: could not write " << options.output << ": " << reason << "\n";
    return kFailed;
  }
  return kSuccess;
}

// What differs is not known when a read failed: the fields of its commands
// keep values that are not the device's.
bool readWhole(const DeviceReading& device, Console& console, const char* consequence) {
  if (device.failed.isEmpty()) return true;
  listFailures(device.failed, console);
  console.err << "velk: the device could not be read whole, so what differs is not known" << consequence
              << "\n";
  return false;
}

// The file into the form, followed by the pages as the window's File > Open
// is; what differs is sent by the caller, not by the pages. A file that is
// not correct is said.
ConfigurationLoad loadFile(Configurator& core, const QString& path, Console& console) {
  const ConfigurationLoad load = loadConfiguration(path, core.form, core.window);
  if (load.ok)
    followLoadedConfiguration(core, load.changedControls, false);
  else
    console.err << "velk: the file " << path << " is not correct (" << load.error << ")\n";
  return load;
}

int diff(const Options& options, Console& console) {
  Session session(options);
  // The file first: a file that does not load is a usage problem, found before any traffic.
  Configurator& core = session.core();
  const ConfigurationLoad load = loadFile(core, options.args[0], console);
  if (!load.ok) return kFailed;
  const QByteArray wanted = configurationText(core.form, core.window).bytes;
  if (!connectOrSay(session, console)) return kNoPositioner;
  const DeviceReading device = readDevice(session);
  if (!readWhole(device, console, "")) return kFailed;
  return printDifferences(configurationDifferences(wanted, device.file, session.separator()), console.out);
}

// Puts the device out of service or back in, as the window's button does;
// false when the device did not follow.
bool setOutOfService(Session& session, bool outOfService) {
  Configurator& core = session.core();
  if (core.window.OutOfService.load() != outOfService) {
    core.commands.postRequest(kRequestServiceToggle);
    // The thread runs one piece of work at a time: a job posted once it has
    // taken the request runs after the switch.
    session.waitFor([&] { return !core.window.RequestPending.load(); }, 10000);
    session.run("service switched", [](const JobContext&) {});
  }
  return core.window.OutOfService.load() == outOfService;
}

// The pages to send, in Send All's order: every page, or those whose keys differ.
PageModules pagesToSend(const std::vector<Difference>& differences, bool all) {
  PageModules pages;
  for (const PageModule* page : sendAllModules()) {
    const bool differs = std::any_of(differences.begin(), differences.end(),
                                     [&](const Difference& d) { return moduleSendingKey(d.key) == page; });
    if (all || differs) pages.push_back(page);
  }
  return pages;
}

// Whether the file changed a field whose key the page's send writes.
bool changesWhatPageSends(const PageModule& page, const QStringList& changedControls) {
  const auto& entries = configurationEntries();
  return std::any_of(entries.begin(), entries.end(), [&](const ConfigEntry& entry) {
    return changedControls.contains(QLatin1String(entry.control)) && moduleSendingKey(entry.key) == &page;
  });
}

// What a send did: the commands that failed, and the pages whose send had
// a command fail.
struct Sent {
  QStringList failures;
  PageModules failedPages;
};

// Page by page in Send All's order, so that a failure is known by its page.
Sent sendPages(Session& session, const PageModules& pages, bool all, const QStringList& changedControls) {
  Sent sent;
  for (const PageModule* page : pages) {
    QStringList failures;
    const auto sendIt = [&](PageJob job) {
      session.run(page->name, [job](const JobContext& context) { job(context, Sender::Sequence); });
      failures += takeFailures(session);
    };
    if (!all) {
      sendIt(page->sendFromFile ? page->sendFromFile : page->send);
    } else {
      // Send All's own send of a page may leave out what the file changed
      // (CONTROL's does not write the loaded source).
      if (page->sendFromFile && changesWhatPageSends(*page, changedControls)) sendIt(page->sendFromFile);
      sendIt(page->send);
    }
    if (!failures.isEmpty()) sent.failedPages.push_back(page);
    sent.failures += failures;
  }
  return sent;
}

// The device as left: as read back (where a read failed, its fields keep
// what was sent), with the keys of the pages sent, and as failed those of
// pages whose send failed and those the device does not hold.
void recordSend(Session& session, Console& console, const PageModules& pages, const PageModules& failedPages,
                const QByteArray& left, const std::vector<Difference>& remaining) {
  const WindowState& window = session.core().window;
  FinishedWork work{HistoryKind::Send, left};
  work.keysSent = keysSentBy(pages, window);
  work.keysFailed = keysSentBy(failedPages, window);
  for (const Difference& d : remaining)
    if (!work.keysFailed.contains(d.key)) work.keysFailed.append(d.key);
  const RecordingHistory history(session, console);
  session.core().window.History.record(std::move(work));
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
  const DeviceReading device = readDevice(session);
  if (!options.all && !readWhole(device, console, "; nothing was sent (--all sends every page)"))
    return kFailed;
  const ConfigurationLoad load = loadFile(core, options.args[0], console);
  if (!load.ok) return kFailed;
  const QByteArray wanted = configurationText(core.form, core.window).bytes;
  const auto differences = configurationDifferences(wanted, device.file, session.separator());
  printDifferences(differences, console.out);
  if (options.dryRun) return differences.empty() ? kSuccess : kFailed;
  if (differences.empty()) {
    console.err << "velk: the device already holds this configuration\n";
    return kSuccess;
  }
  if (!options.yes && !console.ask("Send these to the positioner?")) return kFailed;

  const PageModules pages = pagesToSend(differences, options.all);
  const bool outOfServiceFirst =
      !core.window.OutOfService.load() && std::any_of(pages.begin(), pages.end(), [](const PageModule* page) {
        return page->sentOutOfServiceOnly;
      });
  QStringList failed = device.failed;
  if (outOfServiceFirst && !setOutOfService(session, true)) {
    listFailures(failed + takeFailures(session), console);
    console.err << "velk: the positioner could not be taken out of service; nothing was sent\n";
    return kFailed;
  }
  const Sent sent = sendPages(session, pages, options.all, load.changedControls);
  failed += sent.failures;
  const bool backInService = !outOfServiceFirst || setOutOfService(session, false);
  failed += takeFailures(session);

  const DeviceReading after = readDevice(session);
  failed += after.failed;
  const auto remaining = configurationDifferences(wanted, after.file, session.separator());
  recordSend(session, console, pages, sent.failedPages, after.file, remaining);
  listFailures(failed, console);
  for (const Difference& d : remaining)
    console.err << "velk: " << d.key << " did not stick: sent \"" << d.wanted << "\", device holds \""
                << d.actual << "\"\n";
  if (!backInService) console.err << "velk: the positioner could not be put back in service\n";
  return failed.isEmpty() && remaining.empty() && backInService ? kSuccess : kFailed;
}

// Monitoring: the samples reach the printer through a page module of its own,
// on the command thread.
struct MonitorSink {
  QTextStream* out = nullptr;
  FileReplacement* csv = nullptr;
  double start = 0;
};
MonitorSink gSink;
std::mutex gSinkMutex;
std::atomic<bool> gInterrupted{false};
std::atomic<bool> gCsvFailed{false};

double secondsNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void printSample(const JobContext&, const BurstMessage& message) {
  const auto& v = message.reading.BurstValue;
  auto field = [](bool has, float value) { return has ? QString::number(value, 'g', 7) : QString(); };
  const bool all = message.command == BurstCommand::DynamicVariables;
  const QString line =
      QString("%1,%2,%3,%4,%5\n")
          .arg(secondsNow() - gSink.start, 0, 'f', 3)
          .arg(message.command == BurstCommand::LoopCurrent ? QString::number(message.loopCurrent, 'g', 7)
                                                            : field(all, v[kBurstSetpoint]))
          .arg(field(all || message.command == BurstCommand::Position, v[kBurstPosition]))
          .arg(field(all, v[kBurstTemperature]))
          .arg(field(all, v[kBurstPressure]));
  std::lock_guard lock(gSinkMutex);
  if (!gSink.out) return;  // a sample after monitoring ended
  if (gSink.csv && !gCsvFailed.load() && !gSink.csv->write(line.toLatin1())) gCsvFailed = true;
  *gSink.out << line;
  gSink.out->flush();
}

int monitor(const Options& options, Console& console) {
  static const PageModule sink{.name = "velk monitor", .caption = "", .afterBurstSample = &printSample};
  Session session(options, mirellLibraryLink(), {&sink});
  if (!connectOrSay(session, console)) return kNoPositioner;
  const QString header = "time_s,setpoint,position,temperature,pressure\n";
  std::unique_ptr<FileReplacement> csv;
  if (!options.csv.isEmpty()) {
    csv = std::make_unique<FileReplacement>(options.csv);
    if (!csv->open() || !csv->write(header.toLatin1())) {
      console.err << "velk: could not write " << options.csv << ": " << csv->reason() << "\n";
      return kFailed;
    }
  }
  console.out << header;
  gCsvFailed = false;
  {
    std::lock_guard lock(gSinkMutex);
    gSink = {&console.out, csv.get(), secondsNow()};
  }
  std::signal(SIGINT, [](int) { gInterrupted = true; });
  std::signal(SIGTERM, [](int) { gInterrupted = true; });

  LiveData& live = session.core().live;
  live.BurstRequested.store(true);
  const int ms =
      options.seconds ? static_cast<int>(*options.seconds * 1000) : std::numeric_limits<int>::max();
  session.waitFor([] { return gInterrupted.load() || gCsvFailed.load(); }, ms);
  // Burst mode off in the device before the program goes.
  live.BurstRequested.store(false);
  session.waitFor([&] { return !live.BurstActive.load(); }, 20000);
  {
    std::lock_guard lock(gSinkMutex);
    gSink = {};
  }
  int code = kSuccess;
  if (live.BurstError.load()) {
    console.err << "velk: burst mode could not be switched\n";
    code = kFailed;
  }
  if (csv && !csv->commit()) {
    console.err << "velk: could not write " << options.csv << ": " << csv->reason() << "\n";
    code = kFailed;
  }
  return code;
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
  if (bytes.size() > kRawRequestMaxBytes) {
    console.err << "velk: at most " << kRawRequestMaxBytes << " request bytes\n";
    return kUsage;
  }
  Session session(options);
  QString why;
  bool answered = false;
  RawCommandOutcome outcome;
  // Whatever answers at the address, positioner or not.
  if (!withOpenPort(session, why, [&](const JobContext&, Link::Transaction& tx) {
        const int handle = tx->DetectInstrumentWithShortAddress(options.address);
        if (handle == 0) return;
        tx->SetPollingAddress(handle, options.address);
        answered = true;
        outcome = sendRawCommand(tx.api(), handle, static_cast<int>(command),
                                 std::vector<int>(bytes.begin(), bytes.end()));
      })) {
    console.err << "velk: could not open " << portInUse(session) << ": " << why << "\n";
    return kNoPositioner;
  }
  if (!answered) {
    console.err << "velk: no HART device answers at polling address " << options.address << " on "
                << portInUse(session) << "\n";
    return kNoPositioner;
  }
  if (outcome.transmissionError != 0) {
    console.out << "Transmission error " << outcome.transmissionError << "\n";
    return kFailed;
  }
  console.out << "response code: " << outcome.responseCode << "\nstatus: " << outcome.deviceStatus
              << "\nreply:";
  for (unsigned b : outcome.reply) console.out << " " << b;
  console.out << "\n";
  if (outcome.responseError != 0) console.out << "Response error " << outcome.responseError << "\n";
  if (outcome.responseError == 0 && outcome.replyLength > static_cast<int>(outcome.reply.size()))
    console.out << "The reply carried " << outcome.replyLength
                << " data bytes; the data field holds the first " << outcome.reply.size() << ".\n";
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
  if (o.command == "history") return runHistory(o, console);
  if (o.command == "report") return runReport(o, console);
  console.err << usage();
  return kUsage;
}

}  // namespace velk::cli
