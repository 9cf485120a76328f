#include "comm/configurator.h"

#include "comm/link_environment.h"
#include "comm/mirell_library.h"

namespace velk {

Configurator::Configurator(const LinkFactory& makeLink)
    : operations(window, form),
      api(makeLink(window)),
      link(*api, window, form),
      commands(link, form, window, operations, live, activity) {}

Configurator::~Configurator() { commands.stop(); }

void Configurator::installModules(const PageModules& modules, ControlStateRules rules) {
  operations.setControlRules(std::move(rules));
  commands.setModules(modules);
}

void Configurator::start() {
  writeLinkEnvironment();
  commands.start();
}

bool Configurator::writeLinkEnvironment() {
  const EnvironmentVariables variables = linkEnvironment(window);
  if (!commands.isRunning()) {
    writeEnvironment(variables);
    return true;
  }
  if (window.Connected.load() || window.LinkOpen.load()) return false;
  // Holding the link keeps every thread of ours out of the library; with no
  // port open it runs no thread of its own.
  const auto tx = link.tryBegin();
  if (!tx || window.LinkOpen.load()) return false;
  writeEnvironment(variables);
  return true;
}

Configurator::LinkFactory mirellLibraryLink() {
  return [](WindowState&) { return std::make_unique<MirellLibrary>(defaultMirellLibraryPath()); };
}

}  // namespace velk
