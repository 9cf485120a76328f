// A fault soak: many transactions through libmirell.so against the simulated
// positioner while it damages the line at realistic rates, each result checked
// against the state the simulator knows. It counts what must never happen: a
// success whose data differ from the device's (a silently wrong value) and a
// call that outlives its documented bound (a hang).
//
//   link_soak [transactions] [--pace] [--seed N] [--faults SPEC]
//
// The mix repeats write tag (18), read tag (13), write current range (182),
// read current range (183), read identity (0): each command follows another,
// so a late answer to the request before always names another command. (A
// late answer to the same command from the same device cannot be told from
// the answer: HART frames carry no sequence number.)
// Exits 1 when a value was silently wrong or a call hung, 2 on a setup
// failure; so a short run serves as a test.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "mirell.h"
#include "positioner_sim/simulated_positioner.h"

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;
using Bytes = std::vector<unsigned char>;

constexpr const char* kDefaultFaults =
    "no-reply=0.01,bad-checksum=0.01,corrupt-byte=0.01,broken-frame=0.01,garbage=0.01,"
    "preamble-flood=0.005,busy=0.01,other-master=0.02,second-burst-device=0.02,late-reply=0.01";

// The bounds mirell.h states for one call.
constexpr double kSendBoundMs = 6000;   // 5 s for a turn, 1 s to write
constexpr double kWaitBoundMs = 30000;  // WaitForResponse, every retry included
// A call this far past its bound is taken as hung for good: give up.
constexpr double kGiveUpFactor = 3;

constexpr double kCharacterMs = 11.0 * 1000.0 / 1200.0;
constexpr int kPreambles = 5;
// After a reply the link keeps 155 ms (16 ticks) of settling, and may send
// on the tick after.
constexpr double kSettlingMs = (155 / 10 + 1 + 1) * 10.0;

struct Options {
  int transactions = 10000;
  bool pace = false;
  unsigned seed = 1;
  std::string faults = kDefaultFaults;
  int turnaroundMs = 5;
};

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--pace") {
      options.pace = true;
    } else if (arg == "--seed" && i + 1 < argc) {
      options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--faults" && i + 1 < argc) {
      options.faults = argv[++i];
    } else if (!arg.empty() && arg[0] != '-') {
      options.transactions = std::max(1, std::atoi(arg.c_str()));
    } else {
      return false;
    }
  }
  return true;
}

// Watches the call in progress from another thread, so a call that never
// returns ends the run with a report instead of holding it for ever.
class HangGuard {
 public:
  HangGuard()
      : thread_([this] {
          while (!done_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const auto started = started_.load();
            const double bound = bound_.load();
            if (bound > 0 && Millis(Clock::now() - started).count() > bound * kGiveUpFactor) {
              std::printf("HANG: %s has not returned after %.0f ms (bound %.0f ms)\n", call_.load(),
                          Millis(Clock::now() - started).count(), bound);
              std::fflush(stdout);
              std::_Exit(1);
            }
          }
        }) {}
  ~HangGuard() {
    done_ = true;
    thread_.join();
  }
  void enter(const char* call, double boundMs) {
    call_ = call;
    started_ = Clock::now();
    bound_ = boundMs;
  }
  void leave() { bound_ = 0; }

 private:
  std::atomic<bool> done_{false};
  std::atomic<const char*> call_{""};
  std::atomic<Clock::time_point> started_{Clock::now()};
  std::atomic<double> bound_{0};
  std::thread thread_;
};

struct Transaction {
  int command = 0;
  Bytes request;
  int replyBytes = 0;  // data bytes after the two status bytes
};

Bytes randomBytes(std::mt19937& random, std::size_t count) {
  std::uniform_int_distribution<int> byte(0, 255);
  Bytes out(count);
  for (auto& b : out) b = static_cast<unsigned char>(byte(random));
  return out;
}

void appendFloat(Bytes& out, float value) {
  unsigned bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(bits >> shift));
}

Transaction nextTransaction(int index, std::mt19937& random) {
  switch (index % 5) {
    case 0: return {18, randomBytes(random, 21), 21};
    case 1: return {13, {}, 21};
    case 2: {
      // A valid current range: low in 4.0..11.9 mA, high above it up to 19.9.
      std::uniform_int_distribution<int> tenths(0, 79);
      const float low = 4.0f + static_cast<float>(tenths(random)) / 10.0f;
      const float high = low + 0.1f + static_cast<float>(tenths(random)) / 10.0f;
      Bytes request;
      appendFloat(request, low);
      appendFloat(request, high);
      return {182, request, 8};
    }
    case 3: return {183, {}, 8};
    default: return {0, {}, 12};
  }
}

// What the device's state says the reply data must be.
Bytes expectedReply(const Transaction& t, const velk::sim::DeviceState& state) {
  const auto& id = state.identity;
  switch (t.command) {
    case 18: return t.request;
    case 13: {
      Bytes out(id.tag.begin(), id.tag.end());
      out.insert(out.end(), id.descriptor.begin(), id.descriptor.end());
      out.insert(out.end(), id.date.begin(), id.date.end());
      return out;
    }
    case 182: return t.request;
    case 183: {
      Bytes out;
      appendFloat(out, state.setup.current_range_min_ma);
      appendFloat(out, state.setup.current_range_max_ma);
      return out;
    }
    default:
      return {254,
              id.manufacturer_id,
              id.device_type,
              id.request_preambles,
              id.universal_revision,
              id.device_revision,
              id.software_revision,
              static_cast<unsigned char>((id.hardware_revision & 0x1F) << 3),  // + the signalling code
              0,
              static_cast<unsigned char>(id.device_id >> 16),
              static_cast<unsigned char>(id.device_id >> 8),
              static_cast<unsigned char>(id.device_id)};
  }
}

// A write whose state differs from what it wrote was reported as done but
// is not: as wrong as a wrong read.
bool stateHoldsWrite(const Transaction& t, const velk::sim::DeviceState& state) {
  return expectedReply(t.command == 18 ? Transaction{13, {}, 0} : Transaction{183, {}, 0}, state) ==
         t.request;
}

int frameCharacters(int byteCount) { return kPreambles + 1 + 5 + 1 + 1 + byteCount + 1; }

double lineBoundMs(const Transaction& t, const Options& options) {
  const double characterMs = options.pace ? kCharacterMs : 0.0;
  const int characters =
      frameCharacters(static_cast<int>(t.request.size())) + frameCharacters(t.replyBytes + 2);
  return characters * characterMs + options.turnaroundMs + kSettlingMs;
}

double percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(share * values.size()))];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velk::sim;
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: link_soak [transactions] [--pace] [--seed N] [--faults SPEC]\n");
    return 2;
  }
  std::string error;
  auto plan = parse_fault_plan(options.faults, error);
  if (!plan) {
    std::fprintf(stderr, "link_soak: %s\n", error.c_str());
    return 2;
  }
  plan->seed = options.seed;

  SimulatorConfig config;
  config.line.pace = options.pace;
  config.line.turnaround = std::chrono::milliseconds(options.turnaroundMs);
  config.line.seed = options.seed;
  config.device.service.out_of_service = true;  // 182 is a configuration write
  SimulatedPositioner sim(config);
  ::setenv("MIRELL_COM1", sim.device_path().c_str(), 1);
  InitHart(1);
  const int handle = DetectInstrumentWithShortAddress(0);
  if (GetErrorCode() != 0 || handle == 0) {
    std::fprintf(stderr, "link_soak: no device detected (error %d)\n", GetErrorCode());
    ShutDownHart();
    return 2;
  }
  sim.set_faults(*plan);
  std::printf("link soak: %d transactions, faults %s, seed %u%s\n", options.transactions,
              options.faults.c_str(), options.seed, options.pace ? ", paced at 1200 baud" : "");
  std::fflush(stdout);

  std::mt19937 random(options.seed);
  HangGuard guard;
  std::map<int, int> failures;
  int successes = 0;
  int silentlyWrong = 0;
  int hangs = 0;
  std::vector<double> times;
  double boundSum = 0;
  times.reserve(static_cast<std::size_t>(options.transactions));

  for (int i = 0; i < options.transactions; ++i) {
    const Transaction t = nextTransaction(i, random);
    for (std::size_t b = 0; b < t.request.size(); ++b) SetInteger(static_cast<int>(b), 1, t.request[b]);

    const auto start = Clock::now();
    guard.enter("SendLongCommand", kSendBoundMs);
    SendLongCommand(t.command, handle, static_cast<int>(t.request.size()));
    const double sendMs = Millis(Clock::now() - start).count();
    guard.leave();
    double waitMs = 0;
    if (GetErrorCode() == 0) {
      const auto waitStart = Clock::now();
      guard.enter("WaitForResponse", kWaitBoundMs);
      WaitForResponse();
      waitMs = Millis(Clock::now() - waitStart).count();
      guard.leave();
    }
    const double elapsed = Millis(Clock::now() - start).count();
    times.push_back(elapsed);
    boundSum += lineBoundMs(t, options);
    if (sendMs > kSendBoundMs || waitMs > kWaitBoundMs) {
      ++hangs;
      std::printf("transaction %d (command %d) outlived its bound: send %.0f ms, wait %.0f ms\n", i,
                  t.command, sendMs, waitMs);
    }

    const int code = GetErrorCode();
    if (code != 0) {
      ++failures[code];
      continue;
    }
    ++successes;
    const DeviceState state = sim.state();
    Bytes reply(static_cast<std::size_t>(GetMessageLength()));
    for (std::size_t b = 0; b < reply.size(); ++b)
      reply[b] = static_cast<unsigned char>(GetInteger(static_cast<int>(b), 1));
    Bytes expected = expectedReply(t, state);
    if (t.command == 0 && reply.size() > 7) expected[7] |= reply[7] & 0x07;
    const bool write = t.command == 18 || t.command == 182;
    if (reply != expected || (write && !stateHoldsWrite(t, state))) {
      ++silentlyWrong;
      if (silentlyWrong <= 10)
        std::printf("transaction %d (command %d): success with data the device does not hold\n", i,
                    t.command);
    }
    if ((i + 1) % 1000 == 0) {
      std::printf("  %d transactions, %d silently wrong, %d hangs\n", i + 1, silentlyWrong, hangs);
      std::fflush(stdout);
    }
  }
  ShutDownHart();
  const LineCounters counters = sim.counters();

  std::printf("transactions: %d\nsuccesses: %d\nfailures by error code:", options.transactions, successes);
  if (failures.empty()) std::printf(" none");
  for (const auto& [code, count] : failures) std::printf(" %d: %d;", code, count);
  std::printf("\nsilently wrong values: %d (goal 0)\nhangs: %d (goal 0)\n", silentlyWrong, hangs);
  double sum = 0;
  for (const double t : times) sum += t;
  const double mean = times.empty() ? 0 : sum / static_cast<double>(times.size());
  const double bound = times.empty() ? 0 : boundSum / static_cast<double>(times.size());
  std::printf(
      "time per transaction: mean %.1f ms, median %.1f ms, p99 %.1f ms, max %.1f ms; fault-free line bound "
      "%.1f ms (mean / bound %.2f)\n",
      mean, percentile(times, 0.5), percentile(times, 0.99), percentile(times, 1.0), bound,
      bound > 0 ? mean / bound : 0.0);
  std::printf("simulator: %llu requests for it, %llu met a fault\n",
              static_cast<unsigned long long>(counters.requests_for_us),
              static_cast<unsigned long long>(counters.faults_applied));
  return silentlyWrong == 0 && hangs == 0 ? 0 : 1;
}
