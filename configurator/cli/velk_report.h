#pragma once
// `velk report`: the as-found/as-left report of a device as a PDF, from the
// device history.

#include <QString>

#include "cli/velk_commands.h"

namespace velk::cli {

QString reportHelp();
// What is wrong with a `report` command line; empty when it is good.
QString reportCommandLineError(const Options& options);
// Needs a QGuiApplication.
int runReport(const Options& options, Console& console);

}  // namespace velk::cli
