// Prints what appending a line to the communication log costs as the log
// grows: the time per line over the first and the last block of a long
// session, with the window's reader taking a copy now and then as it does.
//   log_append_cost [lines]      (default 200000)
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "model/form_state.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int lines = argc > 1 ? std::max(2000, std::atoi(argv[1])) : 200000;
  const int block = lines / 10;
  velk::FormState form;
  const QString log = "Memo1";
  const QString line = "Read stroke : Timed out. Instrument didn't reply. ";

  using Clock = std::chrono::steady_clock;
  double firstBlock = 0;
  double lastBlock = 0;
  auto blockStart = Clock::now();
  for (int i = 1; i <= lines; ++i) {
    form.appendLine(log, line);
    // The window reads the value once per delivered change.
    if (i % 50 == 0) {
      const qsizetype shown = form.value(log).lines.size();
      if (shown != i) return 1;
    }
    if (i % block == 0) {
      const double perLine =
          std::chrono::duration<double, std::micro>(Clock::now() - blockStart).count() / block;
      if (i == block) firstBlock = perLine;
      lastBlock = perLine;
      blockStart = Clock::now();
    }
  }
  std::printf(
      "log append over %d lines: %.3f us a line in the first %d, %.3f us in the last %d (ratio %.2f, goal "
      "~1)\n",
      lines, firstBlock, block, lastBlock, block, lastBlock / firstBlock);
  return 0;
}
