// Times a fixed mix of transactions through the link library against the
// paced simulator and compares each with what the line itself allows:
// characters both ways at 1200 baud, the device's turnaround, and the
// settling time the link keeps after every reply before it may send again.
//
//   sim_link_benchmark [rounds] [turnaround ms]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mirell.h"
#include "positioner_sim/simulated_positioner.h"

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

constexpr double kCharacterMs = 11.0 * 1000.0 / 1200.0;  // 9.167 ms
constexpr int kPreambles = 5;
// After a reply the link loads its reply timer with 155 ms, counted in 10 ms
// ticks (155 / 10 + 1 of them), and may send again on the tick after.
constexpr double kSettlingMs = (155 / 10 + 1 + 1) * 10.0;

struct Kind {
  const char* name;
  int command;
  bool short_frame;
  std::vector<unsigned char> request;
  int reply_data_bytes;  // after the two status bytes
};

int frame_characters(bool short_frame, int byte_count) {
  const int address = short_frame ? 1 : 5;
  return kPreambles + 1 + address + 1 + 1 + byte_count + 1;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velk::sim;
  const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
  const int turnaround_ms = argc > 2 ? std::max(0, std::atoi(argv[2])) : 20;

  SimulatorConfig config;
  config.line.pace = true;
  config.line.turnaround = std::chrono::milliseconds(turnaround_ms);
  config.device.service.out_of_service = true;  // the 9-byte write is a configuration write
  SimulatedPositioner sim(config);
  ::setenv("MIRELL_COM1", sim.device_path().c_str(), 1);
  InitHart(1);
  const int handle = DetectInstrumentWithShortAddress(0);
  if (GetErrorCode() != 0 || handle == 0) {
    std::fprintf(stderr, "no device detected (error %d)\n", GetErrorCode());
    ShutDownHart();
    return 1;
  }

  // Travel range 0 to 100 %: unit, upper, lower.
  const std::vector<unsigned char> travel_range{57, 0x42, 0xC8, 0, 0, 0, 0, 0, 0};
  const std::vector<Kind> kinds = {
      {"command 0, short frame", 0, true, {}, 12},
      {"command 3, long frame", 3, false, {}, 24},
      {"9-byte write (35)", 35, false, travel_range, 9},
  };

  std::printf("%-24s %10s %10s %8s %8s\n", "transaction", "measured", "bound", "ratio", "errors");
  std::vector<double> all_ratios;
  for (const auto& kind : kinds) {
    const int characters = frame_characters(kind.short_frame, static_cast<int>(kind.request.size())) +
                           frame_characters(kind.short_frame, kind.reply_data_bytes + 2);
    const double bound = characters * kCharacterMs + turnaround_ms + kSettlingMs;
    std::vector<double> ratios;
    std::vector<double> times;
    int errors = 0;
    // The first round only brings the link into step; it is not counted.
    for (int round = 0; round <= rounds; ++round) {
      for (std::size_t i = 0; i < kind.request.size(); ++i)
        SetInteger(static_cast<int>(i), 1, kind.request[i]);
      const auto start = Clock::now();
      if (kind.short_frame) {
        SendShortCommand(kind.command, handle, static_cast<int>(kind.request.size()));
      } else {
        SendLongCommand(kind.command, handle, static_cast<int>(kind.request.size()));
      }
      WaitForResponse();
      const double elapsed = Millis(Clock::now() - start).count();
      if (GetErrorCode() != 0) ++errors;
      if (round == 0) continue;
      times.push_back(elapsed);
      ratios.push_back(elapsed / bound);
    }
    all_ratios.insert(all_ratios.end(), ratios.begin(), ratios.end());
    std::printf("%-24s %8.1f ms %8.1f ms %8.3f %8d\n", kind.name, median(times), bound, median(ratios),
                errors);
  }
  std::printf("median ratio over all kinds: %.3f (goal: below 1.03)\n", median(all_ratios));
  ShutDownHart();
  return 0;
}
