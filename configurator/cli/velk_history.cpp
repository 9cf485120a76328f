#include "cli/velk_history.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <memory>

#include "cli/velk_diff.h"
#include "registry/config_file.h"
#include "registry/configuration_comparison.h"
#include "history/history_store.h"
#include "model/file_replacement.h"
#include "model/form_state.h"
#include "model/window_state.h"
#include "registry/page_registry.h"

namespace velk::cli {

namespace {

// Each subcommand and how many arguments it takes.
const QMap<QString, int>& subcommands() {
  static const QMap<QString, int> counts = {{"list", 0},   {"show", 1}, {"diff", 2},
                                            {"delete", 1}, {"sync", 0}, {"export", 1},
                                            {"baseline", 1}};
  return counts;
}

// A date (its start) or an ISO 8601 time; UTC unless it names its offset.
std::optional<QDateTime> sinceTime(const QString& text) {
  if (const QDate date = QDate::fromString(text, Qt::ISODate); date.isValid())
    return QDateTime(date, QTime(0, 0), Qt::UTC);
  QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
  if (!time.isValid()) return std::nullopt;
  if (time.timeSpec() == Qt::LocalTime) time.setTimeSpec(Qt::UTC);
  return time.toUTC();
}

QString utcText(const QDateTime& time) { return time.toUTC().toString(Qt::ISODate); }

// The record an id (or the start of one) names; on failure the exit code.
std::optional<HistoryRecord> findRecord(HistoryStore& store, const QString& id, Console& console, int& code) {
  const HistoryLookup found = store.find(id);
  switch (found.outcome) {
    case HistoryLookup::Found:
      return found.record;
    case HistoryLookup::Unknown:
      console.err << "velk: no record " << id << " in the history " << store.location().describe() << "\n";
      code = kUsage;
      break;
    case HistoryLookup::Ambiguous:
      console.err << "velk: " << id << " is the start of more than one record's id; give more of it\n";
      code = kUsage;
      break;
    case HistoryLookup::Failed:
      console.err << "velk: " << found.error << "\n";
      code = kFailed;
      break;
  }
  return std::nullopt;
}

bool configurationOrSay(const HistoryRecord& record, Console& console) {
  if (isConfigurationKind(record.kind)) return true;
  console.err << "velk: " << historyIdText(record.id) << " is a " << historyKindName(record.kind)
              << " record, not a configuration\n";
  return false;
}

// Configuration files are ISO 8859-1: written byte for byte, whatever the
// stream's encoding.
void writeLatin1(QTextStream& out, const QByteArray& bytes) {
  out.flush();
  const QStringConverter::Encoding encoding = out.encoding();
  out.setEncoding(QStringConverter::Latin1);
  out << QString::fromLatin1(bytes);
  out.flush();
  out.setEncoding(encoding);
}

// A record of another kind: its fields, then its values as they were shown.
QByteArray recordText(const HistoryRecord& r) {
  QString text;
  auto line = [&text](const char* key, const QString& value) { text += QString(key) + ": " + value + "\n"; };
  line("id", historyIdText(r.id));
  line("time", utcText(r.time));
  line("kind", historyKindName(r.kind));
  line("model", r.device.model);
  line("software version", QString::number(r.device.softwareVersion));
  line("device id", QString::number(r.device.deviceId));
  if (!r.device.longAddress.isEmpty()) line("long address", r.device.longAddress);
  line("tag", r.device.tag);
  line("descriptor", r.device.descriptor);
  line("user", r.user);
  line("host", r.host);
  QByteArray bytes = text.toUtf8() + r.payload;
  if (!bytes.endsWith('\n')) bytes += '\n';
  return bytes;
}

int list(HistoryStore& store, const Options& options, Console& console) {
  HistoryFilter filter;
  filter.deviceId = options.deviceId;
  filter.tag = options.tag;
  if (!options.kind.isEmpty()) filter.kinds = {*historyKindFromName(options.kind)};
  if (!options.since.isEmpty()) filter.since = *sinceTime(options.since);
  constexpr int kPage = 1000;
  for (int offset = 0;; offset += kPage) {
    const HistoryPage page = store.list(filter, offset, kPage);
    if (!page.error.isEmpty()) {
      console.err << "velk: " << page.error << "\n";
      return kFailed;
    }
    for (const HistoryRecord& r : page.records)
      console.out << historyIdText(r.id) << '\t' << utcText(r.time) << '\t' << historyKindName(r.kind) << '\t'
                  << r.device.model << '\t' << r.device.deviceId << '\t' << r.device.tag << '\n';
    // Part of the history only: not a list to rely on.
    if (!page.note.isEmpty()) {
      console.err << "velk: " << page.note << "\n";
      return kFailed;
    }
    if (int(page.records.size()) < kPage) return kSuccess;
  }
}

int show(HistoryStore& store, const Options& options, Console& console) {
  int code = kSuccess;
  const auto record = findRecord(store, options.args[1], console, code);
  if (!record) return code;
  const QByteArray bytes = isConfigurationKind(record->kind) ? record->payload : recordText(*record);
  if (options.output.isEmpty()) {
    writeLatin1(console.out, bytes);
    return kSuccess;
  }
  if (const QString reason = replaceFile(options.output, bytes); !reason.isEmpty()) {
    console.err << "velk: could not write " << options.output << ": " << reason << "\n";
    return kFailed;
  }
  return kSuccess;
}

// Whether a file is a configuration the window would open (`name` for the message).
bool loadable(const QByteArray& file, const HistoryDevice& device, const QString& name, Console& console) {
  FormState form;
  WindowState window;
  applyStartupDefaults(form, window);
  window.DeviceType.store(device.model == "Q50" ? kDeviceTypeQ50 : kDeviceTypeQ5);
  if (device.softwareVersion > 0) window.DeviceVersion.store(device.softwareVersion);
  const ConfigurationLoad load = loadConfigurationText(file, form, window);
  if (!load.ok) console.err << "velk: the file " << name << " is not correct (" << load.error << ")\n";
  return load.ok;
}

// The keys whose values differ, the second playing the file of `velk diff`
// and the first the device: what the device held then and what it was given.
int diff(HistoryStore& store, const Options& options, Console& console) {
  int code = kSuccess;
  const auto first = findRecord(store, options.args[1], console, code);
  if (!first) return code;
  if (!configurationOrSay(*first, console)) return kUsage;
  const QString second = options.args[2];
  QByteArray wantedFile;
  HistoryDevice wantedDevice = first->device;
  if (QFileInfo(second).isFile()) {
    QFile file(second);
    if (!file.open(QIODevice::ReadOnly)) {
      console.err << "velk: the file " << second << " is not correct (" << file.errorString() << ")\n";
      return kFailed;
    }
    wantedFile = file.readAll();
  } else {
    const auto record = findRecord(store, second, console, code);
    if (!record) return code;
    if (!configurationOrSay(*record, console)) return kUsage;
    wantedFile = record->payload;
    wantedDevice = record->device;
  }
  const bool actualLoads = loadable(first->payload, first->device, historyIdText(first->id), console);
  if (!actualLoads || !loadable(wantedFile, wantedDevice, second, console)) return kFailed;
  std::vector<Difference> differences;
  for (const ComparedEntry& row : compareConfigurations(first->payload, wantedFile))
    if (row.differs) differences.push_back({row.key, comparedValueText(row.right), comparedValueText(row.left)});
  return printDifferences(differences, console.out);
}

int remove(HistoryStore& store, const Options& options, Console& console) {
  int code = kSuccess;
  const auto record = findRecord(store, options.args[1], console, code);
  if (!record) return code;
  const QString id = historyIdText(record->id);
  if (!options.yes) {
    if (!console.canAsk) {
      console.err << "velk: delete asks first; with no terminal to answer, use --yes\n";
      return kRefused;
    }
    if (!console.ask(QString("Delete the %1 record %2 of %3?").arg(historyKindName(record->kind), id,
                                                                     utcText(record->time))))
      return kFailed;
  }
  QString error;
  if (!store.remove(record->id, &error)) {
    console.err << "velk: " << (error.isEmpty() ? "record " + id + " was deleted meanwhile" : error) << "\n";
    return kFailed;
  }
  return kSuccess;
}

int sync(HistoryStore& store, Console& console) {
  if (!store.location().shared) {
    console.err << "velk: " << kHistoryVariable << " names no shared store; nothing waits to be sent\n";
    return kSuccess;
  }
  const HistorySync sent = store.sync();
  console.out << sent.sent << " record(s) sent to " << store.location().describe() << ", " << sent.waiting
              << " waiting\n";
  if (sent.waiting == 0) return kSuccess;
  console.err << "velk: " << sent.error << "\n";
  return kFailed;
}

// "Q5-41411-20261209T140205Z-read.txt": the device, the time (UTC), the kind.
QString exportName(const HistoryRecord& r) {
  return QString("%1-%2-%3-%4.txt")
      .arg(r.device.model, QString::number(r.device.deviceId), r.time.toUTC().toString("yyyyMMdd'T'HHmmss'Z'"),
           historyKindName(r.kind));
}

int exportAll(HistoryStore& store, const Options& options, Console& console) {
  const QDir folder(options.args[1]);
  if (!folder.mkpath(".")) {
    console.err << "velk: could not make the folder " << folder.path() << "\n";
    return kFailed;
  }
  HistoryFilter configurations;
  configurations.kinds = {HistoryKind::Read, HistoryKind::Send, HistoryKind::Save};
  QSet<QString> names;
  int code = kSuccess;
  constexpr int kPage = 500;
  for (int offset = 0;; offset += kPage) {
    const HistoryPage page = store.list(configurations, offset, kPage);
    if (!page.error.isEmpty() || !page.note.isEmpty()) {
      console.err << "velk: " << page.error << page.note << "\n";
      return kFailed;
    }
    for (const HistoryRecord& listed : page.records) {
      int lookupCode = kSuccess;
      const auto record = findRecord(store, historyIdText(listed.id), console, lookupCode);
      if (!record) {
        code = kFailed;
        continue;
      }
      QString name = exportName(*record);
      // Two records of one device in one second.
      if (names.contains(name)) name.insert(name.size() - 4, "-" + historyIdText(record->id).left(8));
      names.insert(name);
      const QString path = folder.filePath(name);
      if (const QString reason = replaceFile(path, record->payload); !reason.isEmpty()) {
        console.err << "velk: could not write " << path << ": " << reason << "\n";
        code = kFailed;
        continue;
      }
      console.out << path << "\n";
    }
    if (int(page.records.size()) < kPage) return code;
  }
}

// Marks a signature record as its device's baseline of the data set it holds.
int markBaseline(HistoryStore& store, const Options& options, Console& console) {
  int code = kSuccess;
  const auto record = findRecord(store, options.args[1], console, code);
  if (!record) return code;
  const HistoryBaselineMark mark = store.setBaseline(*record);
  if (!mark.marked) {
    console.err << "velk: " << mark.error << "\n";
    // A record that holds no data set is a wrong argument, not a failure.
    return mark.dataSet.isEmpty() ? kUsage : kFailed;
  }
  console.out << "Baseline of " << mark.dataSet << " for " << record->device.model << " "
              << record->device.deviceId << ": " << historyIdText(record->id) << " (" << utcText(record->time)
              << ")\n";
  return kSuccess;
}

}  // namespace

std::unique_ptr<HistoryStore> openHistoryStore(Console& console) {
  const HistoryLocationChoice choice = configuredHistoryLocation();
  if (!choice.error.isEmpty()) {
    console.err << "velk: " << choice.error << "\n";
    return nullptr;
  }
  auto store = std::make_unique<HistoryStore>(choice.location);
  if (!store->available()) {
    console.err << "velk: " << store->problem() << "\n";
    return nullptr;
  }
  return store;
}

QString historyHelp() {
  return "velk history COMMAND [ARGS]\n"
         "  The device history (VELK_HISTORY): every Read All, Send All, saved\n"
         "  configuration, upload and calibration, newest first. An ID may be given\n"
         "  by as much of its start as names one record; an unknown ID exits 2.\n"
         "  history list [--device ID] [--tag TAG] [--kind KIND] [--since DATE]\n"
         "    One record a line, tab-separated: id, time (ISO 8601, UTC), kind,\n"
         "    model, device ID (decimal), tag. KIND: read, send, save, signature,\n"
         "    trend, alarms, eventlog, calibration. DATE: YYYY-MM-DD or an ISO 8601\n"
         "    time, UTC unless it names its offset. Exit 1 when the shared store\n"
         "    cannot be reached (what waits here for it is listed).\n"
         "  history show ID [-o FILE]\n"
         "    A configuration record as its file, which the window opens (FILE is\n"
         "    written whole or not at all); another record as text, a value a line.\n"
         "  history diff ID ID2|FILE\n"
         "    Every key whose value differs, in the file's order, with the first\n"
         "    record as the device and the second record (or FILE) as the file,\n"
         "    in velk diff's lines: READ page values and the curve's points too.\n"
         "    Exit 0 when nothing differs, else 1.\n"
         "  history delete ID --yes\n"
         "    Deletes the record (asks without --yes).\n"
         "  history baseline ID\n"
         "    Marks a signature record as its device's baseline of the data set it\n"
         "    holds (one per data set and device; it replaces the one marked\n"
         "    before). DIAG 2 draws the baseline beside what is uploaded.\n"
         "  history sync\n"
         "    Sends the records waiting here for the shared store. Exit 0 when\n"
         "    none is left waiting, else 1.\n"
         "  history export DIR\n"
         "    Every configuration record as a file in DIR, named by model, device\n"
         "    ID, time (UTC) and kind: Q5-41411-20261209T140205Z-read.txt.\n";
}

QString historyCommandLineError(const Options& options) {
  if (options.args.isEmpty()) return "history needs list, show, diff, delete, baseline, sync or export";
  const QString sub = options.args[0];
  if (!subcommands().contains(sub)) return "unknown history command " + sub;
  const int wanted = subcommands()[sub];
  if (options.args.size() - 1 != wanted)
    return QString("history %1 takes %2").arg(sub, wanted == 0 ? QString("no arguments")
                                                   : wanted == 1 ? QString(sub == "export" ? "a folder" : "an id")
                                                                 : QString("an id and an id or a file"));
  if (!options.kind.isEmpty() && !historyKindFromName(options.kind))
    return "--kind: read, send, save, signature, trend, alarms, eventlog or calibration";
  if (!options.since.isEmpty() && !sinceTime(options.since))
    return "--since: a date (YYYY-MM-DD) or an ISO 8601 time";
  return {};
}

int runHistory(const Options& options, Console& console) {
  const auto store = openHistoryStore(console);
  if (!store) return kFailed;
  const QString sub = options.args[0];
  if (sub == "list") return list(*store, options, console);
  if (sub == "show") return show(*store, options, console);
  if (sub == "diff") return diff(*store, options, console);
  if (sub == "delete") return remove(*store, options, console);
  if (sub == "sync") return sync(*store, console);
  if (sub == "baseline") return markBaseline(*store, options, console);
  return exportAll(*store, options, console);
}

}  // namespace velk::cli
