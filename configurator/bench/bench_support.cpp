#include "bench_support.h"

#include <QCoreApplication>
#include <cstdio>

#include "comm/configurator.h"
#include "positioner_sim/simulated_positioner.h"
#include "registry/page_registry.h"

namespace velk {

bool connectToSimulator(Configurator& core, const sim::SimulatedPositioner& simulator) {
  installPageModules(core);
  applyStartupDefaults(core.form, core.window);
  core.window.setPortDevice(1, QString::fromStdString(simulator.device_path()));
  core.writeLinkEnvironment();
  {
    auto tx = core.link.begin();
    tx->InitHart(1);
    const int handle = tx->DetectInstrumentWithShortAddress(0);
    if (handle == 0) {
      std::fprintf(stderr, "no positioner found: %s\n", tx->GetErrorMessage().c_str());
      return false;
    }
    tx->SetPollingAddress(handle, 0);
    core.window.InstrumentHandle.store(handle);
  }
  core.window.Connected.store(true);
  core.window.OutOfService.store(true);
  core.window.WriteProtected.store(false);
  core.operations.UpdateControlStates();
  return true;
}

StallMeter::StallMeter(int intervalMs) {
  timer_.setInterval(intervalMs);
  QObject::connect(&timer_, &QTimer::timeout,
                   [this] { longest_ = std::max(longest_, sinceTick_.restart()); });
}

void StallMeter::start() {
  longest_ = 0;
  sinceTick_.start();
  timer_.start();
}

qint64 StallMeter::stop() {
  timer_.stop();
  return longest_;
}

bool runUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

}  // namespace velk
