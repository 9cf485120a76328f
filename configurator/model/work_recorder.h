#pragma once
// Where the pages hand over the work they finished, to be remembered in the
// device history. The window (or a command-line run) installs the history;
// until it does, and after it is gone, work is recorded nowhere. Any thread;
// it never waits for the store.
//
//   job.window.History.record({HistoryKind::Trend, trendText});

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>

#include "model/history_kind.h"

namespace velk {

struct FinishedWork {
  HistoryKind kind = HistoryKind::Read;
  QByteArray payload;  // a configuration file's text, or the values as shown
  QString name = {};   // the name a technician gave a saved configuration
  QStringList keysSent = {};
  QStringList keysFailed = {};
};

class WorkRecorder {
 public:
  using Sink = std::function<void(FinishedWork)>;

  // Empty: record nowhere. Returns once no call of the previous sink runs.
  void install(Sink sink);
  bool installed() const;
  void record(FinishedWork work) const;

 private:
  mutable std::mutex mutex_;
  Sink sink_;
};

}  // namespace velk
