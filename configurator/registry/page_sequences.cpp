#include "registry/page_sequences.h"

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

void start(Configurator& core, const QStringList& pages, Operation operation, const QString& key) {
  if (core.window.SequenceRunning.exchange(true)) return;
  auto sequence = std::make_shared<Sequence>();
  for (const QString& page : pages)
    if (const PageModule* module = findPageModule(page); module && module->*operation)
      sequence->modules.push_back(module);
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

}  // namespace

const QStringList& readAllPages() {
  static const QStringList pages = {"APPEARANCE",     "TabSheet1",      "TabSheetSetup", "TabSheetCara",
                                    "TabSheetTuning", "TabSheetAlarms", "TabSheetRead"};
  return pages;
}

const QStringList& sendAllPages() {
  static const QStringList pages = readAllPages().mid(0, 6);
  return pages;
}

void installPageSequences(Configurator& core) {
  core.commands.setRequestHandler(kRequestReadAll, [&core](const JobContext&) {
    start(core, readAllPages(), &PageModule::read, "read all");
  });
  core.commands.setRequestHandler(kRequestSendAll, [&core](const JobContext&) {
    start(core, sendAllPages(), &PageModule::send, "send all");
  });
}

}  // namespace velk
