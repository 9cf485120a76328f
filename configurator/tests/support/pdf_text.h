#pragma once
// A written PDF's text as a reader gets it: poppler's pdftotext with its
// layout kept, so that a table's row stays one line. Skips the test, saying
// why, where pdftotext is not installed (scripts/install-deps installs it).

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QString>

#include "support/child_process.h"

namespace velk {

inline bool pdftotextInstalled() { return !QStandardPaths::findExecutable("pdftotext").isEmpty(); }

#define VELK_SKIP_WITHOUT_PDFTOTEXT()                                                  \
  if (!::velk::pdftotextInstalled())                                                   \
  GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: scripts/install-deps"

// Empty, with a failure added, when the file is no PDF pdftotext reads.
inline QString pdfText(const QString& path) {
  ChildProcess pdftotext;
  if (!pdftotext.start("pdftotext", {"-layout", "-q", path, "-"})) {
    ADD_FAILURE() << pdftotext.problem();
    return {};
  }
  if (!pdftotext.waitForExit(30000) || !pdftotext.exitedWith(0)) {
    ADD_FAILURE() << "pdftotext " << path.toStdString() << ": " << pdftotext.endText();
    return {};
  }
  return QString::fromUtf8(pdftotext.output());
}

}  // namespace velk
