#pragma once
// What the benchmarks share: a configurator connected to the simulated
// positioner without the connection's own reads, a meter of the event loop's
// longest stall, and a bounded wait that keeps the event loop turning.

#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <functional>

namespace velk {

class Configurator;
namespace sim {
class SimulatedPositioner;
}

// Installs the pages, puts the window to its start values and finds the
// device at polling address 0 on port 1, the simulator's; the device counts
// as connected and out of service. False, said on stderr, when no device answers.
bool connectToSimulator(Configurator& core, const sim::SimulatedPositioner& simulator);

// Notes the longest gap between the ticks of a timer on the event loop.
class StallMeter {
 public:
  explicit StallMeter(int intervalMs);
  void start();
  qint64 stop();  // the longest gap since start, in ms

 private:
  QTimer timer_;
  QElapsedTimer sinceTick_;
  qint64 longest_ = 0;
};

// Runs the event loop until `done`; false after `limit`.
bool runUntil(const std::function<bool()>& done, std::chrono::seconds limit);

}  // namespace velk
