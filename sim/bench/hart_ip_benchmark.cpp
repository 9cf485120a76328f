// Prints what HART-IP gives over loopback against the simulated positioner
// (no turnaround): command 3 transactions per second, and the CPU an open
// but idle session costs (keep-alives only) as a share of one core. The
// session asks for a 3 s inactivity time, so a keep-alive goes every second
// (twenty times as often as the library's own 60 s ask). The simulator runs
// in this process, so its threads count in the idle cost too.
//   hart_ip_benchmark [transactions] [idle seconds] [--tcp]   (2000, 10)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include "hart_master.h"
#include "positioner_sim/simulated_positioner.h"

namespace {

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  int transactions = 2000;
  int idleSeconds = 10;
  bool tcp = false;
  int position = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tcp") == 0) {
      tcp = true;
    } else if (position++ == 0) {
      transactions = std::max(1, std::atoi(argv[i]));
    } else {
      idleSeconds = std::max(1, std::atoi(argv[i]));
    }
  }

  velk::sim::SimulatorConfig config;
  config.line.turnaround = std::chrono::milliseconds(0);
  config.line.hart_ip = "127.0.0.1:0";
  velk::sim::SimulatedPositioner simulator(config);
  const std::string name = std::string(tcp ? "hart-ip+tcp" : "hart-ip") +
                           "://127.0.0.1:" + std::to_string(simulator.hart_ip_port());

  mirell::MasterSetup setup;
  setup.portName = [name](int) { return name; };
  setup.startTrace = [](std::string_view) { return std::unique_ptr<mirell::FrameTrace>{}; };
  setup.hartIp.inactivity = std::chrono::seconds(3);
  mirell::HartMaster master(setup);
  master.initHart(1);
  const int handle = master.errorCode() == 0 ? master.detectInstrument() : 0;
  if (handle == 0) {
    std::fprintf(stderr, "no positioner at %s (error %d)\n", name.c_str(), master.errorCode());
    return 1;
  }

  int failed = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < transactions; ++i) {
    master.sendLongCommand(3, handle, 0);
    if (master.errorCode() == 0) master.waitForResponse();
    if (master.errorCode() != 0) ++failed;
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s: %d command 3 transactions in %.3f s = %.0f per second (goal > 500), %d failed\n",
              name.c_str(), transactions, elapsed, transactions / elapsed, failed);

  const std::uint64_t keepAlivesBefore = master.hartIpLink().keepAlivesSent();
  const auto wallStart = std::chrono::steady_clock::now();
  const double cpuStart = processCpuSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
  const double cpu = processCpuSeconds() - cpuStart;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  std::printf(
      "idle session over %.1f s: %.4f s CPU = %.4f %% of one core (goal < 0.1 %%), %llu keep-alives\n", wall,
      cpu, 100.0 * cpu / wall,
      static_cast<unsigned long long>(master.hartIpLink().keepAlivesSent() - keepAlivesBefore));
  master.shutDownHart();
  return failed == 0 ? 0 : 1;
}
