#include "registry/page_sequences.h"

#include <algorithm>
#include <memory>

#include "comm/configurator.h"
#include "registry/page_registry.h"

namespace velk {

namespace {

using Operation = PageJob PageModule::*;

// One running sequence: the modules that have the operation, and the next.
struct Sequence {
  std::vector<const PageModule*> modules;
  std::size_t next = 0;
};

void finish(Configurator& core, const Sequence& sequence) {
  for (const PageModule* module : sequence.modules) core.activity.end(module->name);
  core.window.SequenceRunning.store(false);
  ++core.window.SequencesFinished;
  core.operations.ClearCommunicating();
  core.operations.UpdateControlStates();
}

void start(Configurator& core, const PageModules& modules, Operation operation, const QString& key) {
  if (core.window.SequenceRunning.exchange(true)) return;
  auto sequence = std::make_shared<Sequence>();
  for (const PageModule* module : modules)
    if (module->*operation) sequence->modules.push_back(module);
  for (const PageModule* module : sequence->modules) core.activity.begin(module->name);
  core.operations.ShowCommunicating();
  core.operations.UpdateControlStates();
  if (sequence->modules.empty()) return finish(core, *sequence);

  core.commands.postSteps(key, {[&core, sequence, operation](const JobContext& job) {
                                  const PageModule* module = sequence->modules[sequence->next++];
                                  (module->*operation)(job, Sender::Sequence);
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

void installPageSequences(Configurator& core) {
  core.commands.setRequestHandler(kRequestReadAll, [&core](const JobContext&) {
    start(core, readAllModules(), &PageModule::read, "read all");
  });
  core.commands.setRequestHandler(kRequestSendAll, [&core](const JobContext&) {
    start(core, sendAllModules(), &PageModule::send, "send all");
  });
}

}  // namespace velk
