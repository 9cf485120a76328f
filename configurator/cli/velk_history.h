#pragma once
// `velk history`: the device history from the command line.

#include <QString>
#include <memory>

#include "cli/velk_commands.h"

namespace velk {
class HistoryStore;
}

namespace velk::cli {

QString historyHelp();
// What is wrong with a `history` command line; empty when it is good.
QString historyCommandLineError(const Options& options);
int runHistory(const Options& options, Console& console);

// The store VELK_HISTORY names, or nullptr when it cannot be used (said on
// standard error).
std::unique_ptr<HistoryStore> openHistoryStore(Console& console);

}  // namespace velk::cli
