#include "support/core_fixture.h"

#include <QCoreApplication>

#include "registry/page_registry.h"

namespace velk {

namespace {

void setUpCore(Configurator& core) {
  installPageModules(core);
  core.window.InstrumentHandle.store(1);
}

}  // namespace

Configurator::LinkFactory fakeLink(FakeHartLink** fake) {
  return [fake](WindowState&) {
    auto link = std::make_unique<FakeHartLink>();
    if (fake) *fake = link.get();
    return link;
  };
}

// Not delegating: the address of fake_ may be taken only once the object's
// construction has begun, as it has when its members are initialized.
CoreTest::CoreTest() : core_(fakeLink(&fake_)) { setUpCore(core_); }

CoreTest::CoreTest(const Configurator::LinkFactory& makeLink) : core_(makeLink) { setUpCore(core_); }

void CoreTest::applyDefaults() { applyStartupDefaults(core_.form, core_.window, "."); }

void CoreTest::settle() {
  // Store notifications, then the handlers they queue in turn.
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace velk
