#pragma once
// One connection to a history database through Qt SQL, SQLite or PostgreSQL,
// with the same schema and the same statements. A connection belongs to the
// thread that opened it (Qt SQL's rule); every thread opens its own.

#include <QString>
#include <QUuid>
#include <memory>
#include <optional>
#include <vector>

#include "history/history_location.h"
#include "history/history_record.h"

class QSqlQuery;

namespace velk {

// The newest schema this program writes; a store of a newer one is left alone.
inline constexpr int kHistorySchemaVersion = 2;

class HistoryDatabase {
 public:
  // Opens the SQLite file, making it and its folder when missing, and brings
  // its schema up to date. A file that is damaged, no SQLite database, another
  // program's or of a newer schema is not written at all: nullptr, and `why`.
  static std::unique_ptr<HistoryDatabase> openFile(const QString& path, QString& why);
  // The same for a shared PostgreSQL store; connecting waits 5 s at most.
  static std::unique_ptr<HistoryDatabase> openShared(const SharedHistory& shared, QString& why);
  ~HistoryDatabase();
  HistoryDatabase(const HistoryDatabase&) = delete;
  HistoryDatabase& operator=(const HistoryDatabase&) = delete;

  // This open made the schema: the store was new.
  bool created() const { return created_; }

  // Stores the records in one transaction; one whose id is there already
  // stays as it is, so a record sent twice is stored once. With `waitingFor`,
  // the records are marked as waiting for that shared store.
  bool insert(const std::vector<HistoryRecord>& records, QString& why, const QString& waitingFor = {});

  // Newest first, without payloads. With `waitingFor`, only the records
  // waiting for that shared store (the same below).
  std::optional<std::vector<HistoryRecord>> list(const HistoryFilter& filter, int offset, int limit,
                                                 QString& why, const QString& waitingFor = {});
  std::optional<qint64> count(const HistoryFilter& filter, QString& why, const QString& waitingFor = {});
  // The times (UTC milliseconds) of the records, in the order of list().
  std::optional<std::vector<qint64>> times(const HistoryFilter& filter, QString& why,
                                           const QString& waitingFor = {});
  // The records whose id starts with `prefix` (at most two: one is a find),
  // whole.
  std::optional<std::vector<HistoryRecord>> findByPrefix(const QString& prefix, QString& why,
                                                         const QString& waitingFor = {});
  // False when there is no such record.
  std::optional<bool> remove(const QUuid& id, QString& why, const QString& waitingFor = {});
  // The devices of the records, each once, as its newest record names it.
  std::optional<std::vector<HistoryDevice>> devices(QString& why, const QString& waitingFor = {});

  // Marks the record as its device's baseline of `dataSet`, in place of the
  // one marked before. False when the record is not there.
  std::optional<bool> setBaseline(const HistoryRecord& record, const QString& dataSet, QString& why);
  // The baseline of `dataSet` of a device, whole; none when it has none.
  std::optional<std::vector<HistoryRecord>> baseline(qint64 deviceId, const QString& dataSet, QString& why,
                                                     const QString& waitingFor = {});

  // The records waiting for a shared store, oldest first, whole.
  std::optional<std::vector<HistoryRecord>> waiting(const QString& target, int limit, QString& why);
  // Drops records that have reached their shared store.
  bool forget(const std::vector<HistoryRecord>& records, QString& why);

 private:
  enum class Engine { SQLite, PostgreSQL };
  HistoryDatabase(Engine engine, QString connection);
  bool prepare(QSqlQuery& query, const QString& sql, QString& why) const;
  bool begin(QString& why);
  bool commit(QString& why);
  bool rollback(QString& why, const QString& failure);
  QString checkSchema(int& version);
  bool migrate(QString& why);
  bool keys(std::vector<HistoryRecord>& records, QString& why);
  std::optional<std::vector<HistoryRecord>> select(const QString& where, const QVariantList& values,
                                                   const QString& tail, bool whole, QString& why);

  Engine engine_;
  QString connection_;
  bool created_ = false;
};

}  // namespace velk
