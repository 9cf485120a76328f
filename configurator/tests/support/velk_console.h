#pragma once
// velk's commands run in the test's process as a technician types them,
// keeping what they print; a question is answered no.

#include <gtest/gtest.h>

#include <QTextStream>

#include "cli/velk_commands.h"

namespace velk::cli {

class VelkConsole {
 public:
  VelkConsole() : outStream_(&out), errStream_(&err) {}

  int run(const QStringList& args) {
    out.clear();
    err.clear();
    const Parsed parsed = parseCommandLine(args);
    EXPECT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
    Console console{outStream_, errStream_, false, [](const QString&) { return false; }};
    const int code = runCommand(parsed.options, console);
    outStream_.flush();
    errStream_.flush();
    return code;
  }

  QString out, err;

 private:
  QTextStream outStream_, errStream_;
};

}  // namespace velk::cli
