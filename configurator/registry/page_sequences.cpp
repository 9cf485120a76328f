#include "registry/page_sequences.h"

#include <algorithm>
#include <memory>

#include "comm/configurator.h"
#include "registry/config_file.h"
#include "registry/page_registry.h"

namespace velk {

namespace {

using Operation = PageJob PageModule::*;

// The custom curve's lines in the configuration file.
constexpr const char* kCurveCountKey = "CUSTOM CURVE TABLE SIZE";
QString curvePointKey(char axis, int point) { return QString("%1(%2)").arg(QChar(axis)).arg(point); }

// One running sequence: the modules that have the operation, the next, and
// those whose operation had a command fail.
struct Sequence {
  HistoryKind kind = HistoryKind::Read;
  PageModules modules;
  std::size_t next = 0;
  PageModules failed;
};

// What the device history keeps of a sequence: a Read All only with every
// command answered (else fields hold values not of this device); every Send
// All, also one cut short, since the device may have taken part of it. The
// configuration is the form's: read back where a page reads back, else as sent.
void record(Configurator& core, const Sequence& sequence) {
  const bool sent = sequence.kind == HistoryKind::Send;
  if (!sent && (!sequence.failed.empty() || sequence.next < sequence.modules.size())) return;
  FinishedWork work{sequence.kind, configurationText(core.form, core.window).bytes};
  if (sent) {
    // Pages the sequence did not reach count as failed: the device does not hold them.
    PageModules notSent = sequence.failed;
    notSent.insert(notSent.end(), sequence.modules.begin() + std::ptrdiff_t(sequence.next), sequence.modules.end());
    work.keysSent = keysSentBy(sequence.modules, core.window);
    work.keysFailed = keysSentBy(notSent, core.window);
  }
  core.window.History.record(std::move(work));
}

void finish(Configurator& core, const Sequence& sequence) {
  // Handed over first: whoever waits for the sequence's end finds it recorded.
  record(core, sequence);
  for (const PageModule* module : sequence.modules) core.activity.end(module->name);
  core.window.SequenceRunning.store(false);
  ++core.window.SequencesFinished;
  core.operations.ClearCommunicating();
  core.operations.UpdateControlStates();
}

void start(Configurator& core, const PageModules& modules, Operation operation, HistoryKind kind,
           const QString& key) {
  if (core.window.SequenceRunning.exchange(true)) return;
  auto sequence = std::make_shared<Sequence>();
  sequence->kind = kind;
  for (const PageModule* module : modules)
    if (module->*operation) sequence->modules.push_back(module);
  for (const PageModule* module : sequence->modules) core.activity.begin(module->name);
  core.operations.ShowCommunicating();
  core.operations.UpdateControlStates();
  if (sequence->modules.empty()) return finish(core, *sequence);

  core.commands.postSteps(key, {[&core, sequence, operation](const JobContext& job) {
                                  // Counted once it returns: a page whose operation throws
                                  // is one the sequence did not get through.
                                  const PageModule* module = sequence->modules[sequence->next];
                                  const int failedBefore = job.failedCommands ? *job.failedCommands : 0;
                                  (module->*operation)(job, Sender::Sequence);
                                  ++sequence->next;
                                  if (job.failedCommands && *job.failedCommands != failedBefore)
                                    sequence->failed.push_back(module);
                                  const bool more = sequence->next < sequence->modules.size();
                                  if (!more) finish(core, *sequence);
                                  return more;
                                },
                                [&core, sequence] { finish(core, *sequence); }});
}

bool writesKey(const PageModule& module, const QString& key) {
  return std::any_of(module.sentKeys.begin(), module.sentKeys.end(), [&key](const char* sent) {
    const QLatin1String k(sent);
    const bool prefix = k.endsWith(' ') || k.endsWith('(');
    return prefix ? key.startsWith(k) : key == k;
  });
}

}  // namespace

const PageModules& readAllModules() {
  static const PageModules modules = modulesByPlace(&PageModule::readAllPlace);
  return modules;
}

const PageModules& sendAllModules() {
  static const PageModules modules = modulesByPlace(&PageModule::sendAllPlace);
  return modules;
}

const PageModule* moduleSendingKey(const QString& key) {
  for (const PageModule* module : sendAllModules())
    if (writesKey(*module, key)) return module;
  return nullptr;
}

QStringList keysSentBy(const PageModules& modules, const WindowState& window) {
  QStringList keys;
  const int version = window.DeviceVersion.load();
  for (const ConfigEntry& entry : configurationEntries())
    if (version >= entry.minimumVersion) keys.append(entry.key);
  keys.append(kCurveCountKey);
  for (int point = 0; point < window.CustomCurve.get().count; ++point)
    keys << curvePointKey('X', point) << curvePointKey('Y', point);
  QStringList sent;
  for (const QString& key : keys)
    if (std::any_of(modules.begin(), modules.end(), [&](const PageModule* m) { return writesKey(*m, key); }))
      sent.append(key);
  return sent;
}

void installPageSequences(Configurator& core) {
  core.commands.setRequestHandler(kRequestReadAll, [&core](const JobContext&) {
    start(core, readAllModules(), &PageModule::read, HistoryKind::Read, "read all");
  });
  core.commands.setRequestHandler(kRequestSendAll, [&core](const JobContext&) {
    start(core, sendAllModules(), &PageModule::send, HistoryKind::Send, "send all");
  });
}

}  // namespace velk
