#pragma once
// Writes finished records off the caller's thread (the GUI's, the command
// thread's), one at a time, in the order they were handed over. A write that
// fails never fails the work it records: the report says why, and says so
// again only when the reason changes.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "history/history_store.h"

namespace velk {

struct HistoryReport {
  HistoryRecord record;  // as handed over
  HistoryWriteResult result;
  // The same failure (or the same wait for the shared store) as the last
  // record's: already said.
  bool repeated = false;
};

class HistoryWriter {
 public:
  // Called on the writer's thread after each record.
  using Report = std::function<void(const HistoryReport&)>;
  // Called on the writer's thread once the store is open: why it cannot be
  // used, or why the shared store is not in use; empty when all is well.
  using Opened = std::function<void(const QString& problem)>;

  // Opens the store on a thread of its own and sends what waits there for a
  // shared store (unless `sendWaiting` is false: a store only read from, the
  // program's writer sends them).
  explicit HistoryWriter(HistoryLocation location, Report report = {}, Opened opened = {}, bool sendWaiting = true);
  // Writes every record already handed over, then ends.
  ~HistoryWriter();
  HistoryWriter(const HistoryWriter&) = delete;
  HistoryWriter& operator=(const HistoryWriter&) = delete;

  void post(HistoryRecord record);
  // Runs `query` on the writer's thread with its store, after the records
  // handed over before it: a look-up that never waits on the caller's thread.
  void post(std::function<void(HistoryStore& store)> query);
  // Until every record handed over is written; false when `timeoutMs` passed first.
  bool waitIdle(int timeoutMs);

 private:
  void run(HistoryLocation location, const Opened& opened, bool sendWaiting);

  Report report_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  struct Work {
    HistoryRecord record;
    std::function<void(HistoryStore&)> query;  // instead of writing the record
  };
  std::deque<Work> queue_;
  bool busy_ = true;  // until the store is open
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace velk
