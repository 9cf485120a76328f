#pragma once
// `velk history`: the device history from the command line.

#include <QString>

#include "cli/velk_commands.h"

namespace velk::cli {

QString historyHelp();
// What is wrong with a `history` command line; empty when it is good.
QString historyCommandLineError(const Options& options);
int runHistory(const Options& options, Console& console);

}  // namespace velk::cli
