// positioner-sim: a simulated Q5/Q50 positioner on a pseudo-terminal.
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "firmware_memory.h"
#include "options.h"

namespace {

constexpr int kUsageError = 2;

const char* model_name(velk::sim::Model model) { return model == velk::sim::Model::Q50 ? "Q50" : "Q5"; }

}  // namespace

int main(int argc, char** argv) {
  using namespace velk::sim;
  std::string error;
  auto options = parse_options(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "positioner-sim: %s\n(try --help)\n", error.c_str());
    return kUsageError;
  }
  if (options->show_help) {
    std::fputs(usage_text().c_str(), stdout);
    return 0;
  }
  if (options->map_path) {
    FILE* map = std::fopen(options->map_path->c_str(), "w");
    const std::string text = firmware_map_text();
    bool written = map && std::fwrite(text.data(), 1, text.size(), map) == text.size();
    if (map && std::fclose(map) != 0) written = false;
    if (!written) {
      std::fprintf(stderr, "positioner-sim: cannot write %s\n", options->map_path->c_str());
      return 1;
    }
    std::printf("positioner-sim: firmware map written to %s\n", options->map_path->c_str());
    return 0;
  }

  auto& config = options->config;
  const auto& state_path = config.line.state_path;
  struct stat existing {};
  if (!state_path.empty() && ::stat(state_path.c_str(), &existing) == 0 &&
      !load_device_state(state_path, config.device, error)) {
    // Never start over a state file we cannot read: saving would destroy it.
    std::fprintf(stderr, "positioner-sim: %s\n", error.c_str());
    return 1;
  }
  apply_device_options(*options, config.device);

  // The serving thread must not take these signals; this thread waits for them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  try {
    SimulatedPositioner simulator(config);
    const auto& id = config.device.identity;
    std::printf("positioner-sim: %s %s, device id %u, polling address %u, listening on %s",
                model_name(id.model), software_version_text(id.software_revision).c_str(),
                static_cast<unsigned>(id.device_id), static_cast<unsigned>(id.polling_address),
                simulator.device_path().c_str());
    if (!simulator.link_path().empty()) std::printf(" (link %s)", simulator.link_path().c_str());
    if (simulator.hart_ip_port() != 0)
      std::printf(" and HART-IP %s (UDP and TCP port %u%s)", config.line.hart_ip.c_str(),
                  static_cast<unsigned>(simulator.hart_ip_port()),
                  config.line.hart_ip_psk.empty() ? "" : ", secure sessions only: DTLS and TLS");
    std::printf("%s\n", config.line.pace ? ", paced at 1200 baud" : "");
    std::fflush(stdout);

    std::string reported;
    const timespec check_every{1, 0};
    while (sigtimedwait(&stop_signals, nullptr, &check_every) < 0) {
      const auto latest = simulator.last_error();
      if (latest != reported) {
        std::fprintf(stderr, "positioner-sim: %s\n", latest.c_str());
        reported = latest;
      }
    }
    simulator.stop();
    std::printf("positioner-sim: stopped\n");
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "positioner-sim: %s\n", failure.what());
    return 1;
  }
  return 0;
}
