// Prints what HART-IP gives over loopback against the simulated positioner
// (no turnaround): command 3 transactions per second over a plain session
// and over a secure one (DTLS, or TLS with --tcp) with the time a secure
// transaction adds, and the CPU an open but idle secure session costs
// (keep-alives only) as a share of one core. The session asks for a 3 s
// inactivity time, so a keep-alive goes every second (twenty times as often
// as the library's own 60 s ask). The simulator runs in this process, so
// its threads count in the idle cost too.
//   hart_ip_benchmark [transactions] [idle seconds] [--tcp]   (2000, 10)
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "hart_master.h"
#include "positioner_sim/simulated_positioner.h"

namespace {

// A made-up key for loopback only.
constexpr const char* kKeyLine = "benchmark-master 0f1e2d3c4b5a69788796a5b4c3d2e1f0\n";

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Run {
  std::unique_ptr<velk::sim::SimulatedPositioner> simulator;
  std::unique_ptr<mirell::HartMaster> master;
  int handle = 0;
  double perTransactionMs = 0;
};

// Opens a session with a simulator of its own and times `transactions`
// command 3 transactions; false when no positioner answers.
bool measure(Run& run, bool tcp, bool secure, const std::string& keyFile, int transactions) {
  velk::sim::SimulatorConfig config;
  config.line.turnaround = std::chrono::milliseconds(0);
  config.line.hart_ip = "127.0.0.1:0";
  if (secure) config.line.hart_ip_psk = keyFile;
  run.simulator = std::make_unique<velk::sim::SimulatedPositioner>(config);
  const char* scheme = secure ? (tcp ? "hart-ip+tls" : "hart-ip+dtls") : (tcp ? "hart-ip+tcp" : "hart-ip");
  const std::string name =
      std::string(scheme) + "://127.0.0.1:" + std::to_string(run.simulator->hart_ip_port());

  mirell::MasterSetup setup;
  setup.portName = [name](int) { return name; };
  setup.pskFile = [keyFile] { return keyFile; };
  setup.startTrace = [](std::string_view) { return std::unique_ptr<mirell::FrameTrace>{}; };
  setup.hartIp.inactivity = std::chrono::seconds(3);
  run.master = std::make_unique<mirell::HartMaster>(setup);
  mirell::HartMaster& master = *run.master;
  const auto opening = std::chrono::steady_clock::now();
  master.initHart(1);
  const double openMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - opening).count();
  run.handle = master.errorCode() == 0 ? master.detectInstrument() : 0;
  if (run.handle == 0) {
    std::fprintf(stderr, "no positioner at %s (error %d)\n", name.c_str(), master.errorCode());
    return false;
  }

  int failed = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < transactions; ++i) {
    master.sendLongCommand(3, run.handle, 0);
    if (master.errorCode() == 0) master.waitForResponse();
    if (master.errorCode() != 0) ++failed;
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.perTransactionMs = 1000.0 * elapsed / transactions;
  std::printf(
      "%s: opened in %.1f ms; %d command 3 transactions in %.3f s = %.0f per second%s, %.3f ms each, "
      "%d failed\n",
      name.c_str(), openMs, transactions, elapsed, transactions / elapsed, secure ? " (goal > 500)" : "",
      run.perTransactionMs, failed);
  return failed == 0;
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

  char folder[] = "/tmp/hart-ip-benchmark-XXXXXX";
  if (!::mkdtemp(folder)) return 1;
  const std::string keyFile = std::string(folder) + "/benchmark.psk";
  std::ofstream(keyFile) << kKeyLine;
  ::chmod(keyFile.c_str(), 0600);

  Run plain, secure;
  bool ok = measure(plain, tcp, false, keyFile, transactions);
  const double plainMs = plain.perTransactionMs;
  plain = {};
  ok = measure(secure, tcp, true, keyFile, transactions) && ok;
  if (ok)
    std::printf("a secure transaction takes %.3f ms more than a plain one (goal: a few ms at most)\n",
                secure.perTransactionMs - plainMs);

  if (secure.handle != 0) {
    mirell::HartMaster& master = *secure.master;
    const std::uint64_t keepAlivesBefore = master.hartIpLink().keepAlivesSent();
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double cpu = processCpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf(
        "idle secure session over %.1f s: %.4f s CPU = %.4f %% of one core (goal < 0.1 %%), %llu "
        "keep-alives\n",
        wall, cpu, 100.0 * cpu / wall,
        static_cast<unsigned long long>(master.hartIpLink().keepAlivesSent() - keepAlivesBefore));
    master.shutDownHart();
  }
  secure = {};
  ::unlink(keyFile.c_str());
  ::rmdir(folder);
  return ok ? 0 : 1;
}
