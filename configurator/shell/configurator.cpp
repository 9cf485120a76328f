#include "shell/configurator.h"

#include "comm/mirell_library.h"

namespace velk {

Configurator::Configurator(const LinkFactory& makeLink)
    : operations(window, form),
      api(makeLink(window)),
      link(*api, window, form),
      commands(link, form, window, operations, live) {}

Configurator::~Configurator() { commands.stop(); }

Configurator::LinkFactory mirellLibraryLink() {
  return [](WindowState& window) {
    return std::make_unique<MirellLibrary>(defaultMirellLibraryPath(), [&window](int port) {
      return window.portDevice(port).toStdString();
    });
  };
}

}  // namespace velk
