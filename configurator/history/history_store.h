#pragma once
// The device history as the pages and `velk` use it: an SQLite file, or a
// plant's shared PostgreSQL store with the SQLite file as the place where
// records wait while it cannot be reached. Waiting records are sent, oldest
// first and each exactly once (the id is the key), when the shared store is
// back: at the next open, before the next record, or on sync().
//
// A store that cannot be used (a damaged file, another program's, a newer
// schema) is never written: it stays unavailable and says why. A HistoryStore
// belongs to the thread that made it; HistoryWriter writes from a thread of
// its own.

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "history/history_location.h"
#include "history/history_record.h"

namespace velk {

class HistoryDatabase;

struct HistoryWriteResult {
  bool stored = false;   // in the store, or waiting here for the shared store
  bool waiting = false;  // the shared store could not be reached
  QString message;       // why it is not stored, or why it waits; empty when all went well
};

struct HistoryPage {
  std::vector<HistoryRecord> records;  // newest first, without payloads
  QString error;                       // the query failed
  QString note;                        // the shared store could not be reached: only what waits here
};

struct HistoryLookup {
  enum Outcome { Found, Unknown, Ambiguous, Failed } outcome = Unknown;
  HistoryRecord record;  // whole, with its payload and keys
  QString error;
};

struct HistoryBaselineMark {
  bool marked = false;
  QString dataSet;  // what the record holds: "Ramp signature", "Pressure over position", ...
  QString error;    // why it was not marked
};

struct HistorySync {
  int sent = 0;
  qint64 waiting = 0;  // still here
  QString error;       // why they wait
};

class HistoryStore {
 public:
  explicit HistoryStore(HistoryLocation location);
  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  const HistoryLocation& location() const { return location_; }
  // Records can be kept: in the store, or waiting for the shared one.
  bool available() const;
  // Why nothing can be kept, or why the shared store is not in use now;
  // empty while all is well.
  QString problem() const;

  HistoryWriteResult write(const HistoryRecord& record);
  // In one transaction: all are stored or none.
  HistoryWriteResult write(const std::vector<HistoryRecord>& records);

  HistoryPage list(const HistoryFilter& filter, int offset, int limit);
  std::optional<qint64> count(const HistoryFilter& filter, QString* error = nullptr);
  // The records' times (UTC milliseconds), in the order of list(): what a
  // list grouped by periods needs without reading the records.
  std::optional<std::vector<qint64>> times(const HistoryFilter& filter, QString* error = nullptr);
  // By the whole id or an unambiguous start of it.
  HistoryLookup find(const QString& id);
  // False with no error: no such record.
  bool remove(const QUuid& id, QString* error = nullptr);
  // The devices the records name, each as its newest record has it.
  std::vector<HistoryDevice> devices(QString* error = nullptr);

  // Marks a signature record (an upload's values) as its device's baseline
  // of the data set it holds, in place of the one marked before. Not while
  // the shared store cannot be reached: a mark kept here could not follow
  // its record there.
  HistoryBaselineMark setBaseline(const HistoryRecord& record);
  // The device's baseline of `dataSet`: Found or Unknown (none marked).
  HistoryLookup baseline(qint64 deviceId, const QString& dataSet);

  // Sends what waits for the shared store.
  HistorySync sync();

  // A read within this long of the shared store failing goes straight to the
  // records waiting here: a server that does not answer would otherwise cost
  // its connect timeout at every read. Writes and sync() try every time.
  static constexpr std::chrono::seconds kSharedRetryAfter{30};

 private:
  HistoryDatabase* sharedDatabase();
  // Runs `work` on the shared store after sending what waits for it; once
  // more on a new connection when it fails (a server that restarted drops
  // the old one). `work` returns why it failed, or nothing. False when it
  // could not be done.
  bool onShared(const std::function<QString(HistoryDatabase& shared)>& work);
  void sharedFailed(const QString& why);
  HistorySync sendWaiting();
  void seedIfNew(HistoryDatabase& store);
  QString target() const;
  // Asks the shared store (sending what waits first), or, while it cannot be
  // reached, the records waiting here for it (`note` says so); or the file.
  // `write`: a change (a delete) that tries the shared store even right
  // after it failed.
  template <class T>
  std::optional<T> ask(QString& why, QString& note,
                       const std::function<std::optional<T>(HistoryDatabase&, const QString& waitingFor)>& query,
                       bool write = false);
  bool sharedFailedLately() const;

  HistoryLocation location_;
  std::unique_ptr<HistoryDatabase> local_;
  std::unique_ptr<HistoryDatabase> shared_;
  QString localProblem_;
  QString sharedProblem_;
  std::optional<std::chrono::steady_clock::time_point> sharedFailedAt_;
};

// Opens the store VELK_HISTORY names, writes the record and closes it: for a
// command-line run that records its work once.
HistoryWriteResult recordInHistory(const HistoryRecord& record);

}  // namespace velk
