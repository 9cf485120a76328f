#pragma once
// The commands of `velk`; each returns the exit code.

#include <QTextStream>

#include "cli/velk_options.h"

namespace velk::cli {

// Where the commands write: their output, and messages and questions.
struct Console {
  QTextStream& out;
  QTextStream& err;
  // The answer to a yes/no question; nothing when no one can answer.
  std::function<std::optional<bool>(const QString& question)> ask;
};

int runCommand(const Options& options, Console& console);

}  // namespace velk::cli
