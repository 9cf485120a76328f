#pragma once
// The commands of `velk`; each returns the exit code.

#include <QTextStream>

#include "cli/velk_options.h"

namespace velk::cli {

// Where the commands write: their output, and messages and questions.
struct Console {
  QTextStream& out;
  QTextStream& err;
  // Whether someone can answer a question (standard input is a terminal).
  bool canAsk = false;
  // The answer to a yes/no question.
  std::function<bool(const QString& question)> ask;
};

int runCommand(const Options& options, Console& console);

}  // namespace velk::cli
