#pragma once
// One run of `velk`: the configurator's core with its page modules and the
// link library, the port and device chosen by the options (or the window's
// settings), and waiting for the command thread's work while the event loop
// delivers its results.

#include <QString>
#include <cstdio>
#include <functional>
#include <memory>

#include "cli/velk_options.h"
#include "comm/configurator.h"

namespace velk::cli {

class Session {
 public:
  // The link: the library `velk` loads, or a test's.
  explicit Session(const Options& options, Configurator::LinkFactory link = mirellLibraryLink(),
                   PageModules extraModules = {});
  ~Session();

  Configurator& core() { return *core_; }
  char separator() const;

  // The connection search; on failure `why` says what failed.
  bool connect(QString& why);
  // "Read All" (666) or "Send All" (667), to its end.
  void runSequence(int request);
  // Runs `job` on the command thread and waits for it.
  void run(const QString& key, const std::function<void(const JobContext&)>& job);
  // Waits, handling events, until `done` or `timeoutMs` has passed.
  bool waitFor(const std::function<bool()>& done, int timeoutMs = 600000);

  // A progress line on standard error, when that is a terminal.
  void progress(const QString& text) const;
  // Errors the operations report (the window's message boxes).
  const QStringList& reportedErrors() const { return errors_; }

 private:
  std::unique_ptr<Configurator> core_;
  PageModules modules_;
  QStringList errors_;
  bool interactive_ = false;
};

}  // namespace velk::cli
