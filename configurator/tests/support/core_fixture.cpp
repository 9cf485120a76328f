#include "support/core_fixture.h"

#include <QCoreApplication>

#include "registry/page_registry.h"

namespace velk {

Configurator::LinkFactory fakeLink(FakeHartLink** fake) {
  return [fake](WindowState&) {
    auto link = std::make_unique<FakeHartLink>();
    if (fake) *fake = link.get();
    return link;
  };
}

CoreTest::CoreTest() : CoreTest(fakeLink(&fake_)) {}

CoreTest::CoreTest(const Configurator::LinkFactory& makeLink) : core_(makeLink) {
  installPageModules(core_);
  core_.window.InstrumentHandle.store(1);
}

void CoreTest::applyDefaults() { applyStartupDefaults(core_.form, core_.window, "."); }

void CoreTest::settle() {
  // Store notifications, then the handlers they queue in turn.
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace velk
