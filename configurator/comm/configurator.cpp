#include "comm/configurator.h"

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

Configurator::LinkFactory mirellLibraryLink() {
  return [](WindowState& window) {
    return std::make_unique<MirellLibrary>(
        defaultMirellLibraryPath(), [&window](int port) { return window.portDevice(port).toStdString(); });
  };
}

}  // namespace velk
