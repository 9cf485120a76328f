// Times "Read All" and "Send All" through the configurator's core and the
// link library against the paced simulator, and compares each with what the
// line itself allows for the same transactions: characters both ways at 1200
// baud, the device's turnaround and the link's settling time after each
// reply. While they run, a window's event loop is watched for its longest
// stall.
//
//   read_all_benchmark [turnaround ms]
#include <QApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"
#include "comm/configurator.h"
#include "comm/mirell_library.h"
#include "positioner_sim/simulated_positioner.h"

namespace {

using namespace velk;

constexpr double kCharacterMs = 11.0 * 1000.0 / 1200.0;  // 9.167 ms
constexpr int kPreambles = 5;
// After a reply the link keeps the line for its settling time (155 ms in
// 10 ms ticks) and may send again on the tick after.
constexpr double kSettlingMs = (155 / 10 + 1 + 1) * 10.0;

int longFrameCharacters(int byteCount) { return kPreambles + 1 + 5 + 1 + 1 + byteCount + 1; }

// The program's link, adding up the line's lower bound of every transaction
// that got its reply.
class MeasuredLink : public MirellLibrary {
 public:
  MeasuredLink(std::string path, int turnaroundMs)
      : MirellLibrary(std::move(path)), turnaroundMs_(turnaroundMs) {}

  int SendLongCommand(int command, int handle, int byteCount) override {
    requestBytes_ = byteCount;
    return MirellLibrary::SendLongCommand(command, handle, byteCount);
  }
  int WaitForResponse() override {
    const int result = MirellLibrary::WaitForResponse();
    if (GetErrorCode() == 0) {
      const int characters = longFrameCharacters(requestBytes_) + longFrameCharacters(GetMessageLength() + 2);
      boundMs += characters * kCharacterMs + turnaroundMs_ + kSettlingMs;
      ++transactions;
    }
    return result;
  }

  double boundMs = 0;
  int transactions = 0;

 private:
  int turnaroundMs_;
  int requestBytes_ = 0;
};

struct Run {
  double elapsedMs = 0;
  double boundMs = 0;
  int transactions = 0;
  qint64 longestStallMs = 0;
};

Run runSequence(Configurator& core, MeasuredLink& link, int request) {
  link.boundMs = 0;
  link.transactions = 0;
  StallMeter meter(5);
  meter.start();
  QElapsedTimer clock;
  clock.start();
  core.commands.postRequest(request);
  const bool ran = runUntil([&] { return core.window.SequenceRunning.load(); }, std::chrono::seconds(10)) &&
                   runUntil([&] { return !core.window.SequenceRunning.load(); }, std::chrono::seconds(600));
  if (!ran) std::fprintf(stderr, "the sequence did not start or did not end in time\n");
  const qint64 longest = meter.stop();
  return {static_cast<double>(clock.elapsed()), link.boundMs, link.transactions, longest};
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int turnaroundMs = argc > 1 ? std::max(0, std::atoi(argv[1])) : 20;

  sim::SimulatorConfig config;
  config.line.pace = true;
  config.line.turnaround = std::chrono::milliseconds(turnaroundMs);
  config.device.service.out_of_service = true;
  sim::SimulatedPositioner simulator(config);

  MeasuredLink* link = nullptr;
  Configurator core([&](WindowState&) {
    auto measured = std::make_unique<MeasuredLink>(MIRELL_LIBRARY_PATH, turnaroundMs);
    link = measured.get();
    return measured;
  });
  if (!connectToSimulator(core, simulator)) return 1;
  core.commands.start();

  std::printf("%-10s %12s %6s %12s %8s %14s\n", "sequence", "measured", "cmds", "line bound", "ratio",
              "longest stall");
  for (const auto& [name, request] :
       {std::pair{"Read All", kRequestReadAll}, {"Send All", kRequestSendAll}}) {
    const Run run = runSequence(core, *link, request);
    std::printf("%-10s %9.0f ms %6d %9.0f ms %8.3f %11lld ms\n", name, run.elapsedMs, run.transactions,
                run.boundMs, run.boundMs > 0 ? run.elapsedMs / run.boundMs : 0.0,
                static_cast<long long>(run.longestStallMs));
  }
  core.commands.stop();
  return 0;
}
