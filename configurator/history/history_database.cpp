#include "history/history_database.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <atomic>

namespace velk {

namespace {

QString newConnectionName() {
  static std::atomic<int> next{0};
  return QString("velk-history-%1").arg(++next);
}

// Qt's text for a failure, on one line: the database's words where it has any.
QString errorText(const QSqlError& error) {
  QString text = error.databaseText().trimmed();
  if (text.isEmpty()) text = error.driverText().trimmed();
  if (text.isEmpty()) text = "unknown error";
  return text.replace(QRegularExpression(R"(\s*\n\s*)"), "; ");
}

// Qt binds a null string as SQL NULL; every text column is NOT NULL.
QVariant text(const QString& value) { return value.isNull() ? QString("") : value; }

const char* const kRecordColumns =
    "r.id, r.time_ms, r.kind, r.name, r.model, r.software_version, r.device_id, r.long_address, r.tag, "
    "r.descriptor, r.user_name, r.host";

// The schema, step by step from the first version; each step is applied once,
// in one transaction with the version it reaches. %BLOB% is the engine's type
// for bytes.
struct SchemaStep {
  int version;
  QStringList statements;
};
const std::vector<SchemaStep>& schemaSteps() {
  static const std::vector<SchemaStep> steps = {
      {1,
       {"CREATE TABLE schema_version (version INTEGER NOT NULL)",
        "CREATE TABLE records (id TEXT PRIMARY KEY, time_ms BIGINT NOT NULL, kind TEXT NOT NULL, "
        "name TEXT NOT NULL, model TEXT NOT NULL, software_version INTEGER NOT NULL, "
        "device_id BIGINT NOT NULL, long_address TEXT NOT NULL, tag TEXT NOT NULL, "
        "descriptor TEXT NOT NULL, user_name TEXT NOT NULL, host TEXT NOT NULL, payload %BLOB% NOT NULL)",
        // The keys a send wrote ("sent") and those that failed ("failed"), in order.
        "CREATE TABLE record_keys (record_id TEXT NOT NULL REFERENCES records (id) ON DELETE CASCADE, "
        "role TEXT NOT NULL, ordinal INTEGER NOT NULL, key_name TEXT NOT NULL, "
        "PRIMARY KEY (record_id, role, ordinal))",
        // Records kept here until the shared store they are meant for is reached.
        "CREATE TABLE pending (record_id TEXT PRIMARY KEY REFERENCES records (id) ON DELETE CASCADE, "
        "target TEXT NOT NULL)",
        // The lists, newest first: of one device, or of every device. The
        // kind in the index spares reading the records a list leaves out.
        "CREATE INDEX records_device_time ON records (device_id, time_ms, kind)",
        "CREATE INDEX records_time ON records (time_ms, kind)", "CREATE INDEX pending_target ON pending (target)"}},
      // One baseline per data set (the title of an upload's values) per
      // device; deleting the record takes its mark with it.
      {2,
       {"CREATE TABLE baselines (device_id BIGINT NOT NULL, data_set TEXT NOT NULL, "
        "record_id TEXT NOT NULL REFERENCES records (id) ON DELETE CASCADE, PRIMARY KEY (device_id, data_set))",
        "CREATE INDEX baselines_record ON baselines (record_id)"}},
  };
  return steps;
}
const QStringList kOwnTables = {"schema_version", "records", "record_keys", "pending", "baselines"};

struct Clause {
  QString sql;
  QVariantList values;
};
Clause whereClause(const HistoryFilter& filter, const QString& waitingFor) {
  QStringList parts;
  QVariantList values;
  if (filter.deviceId) {
    parts << "r.device_id = ?";
    values << *filter.deviceId;
  }
  if (!filter.tag.isEmpty()) {
    parts << "r.tag = ?";
    values << filter.tag;
  }
  if (!filter.kinds.isEmpty()) {
    QStringList marks;
    for (HistoryKind kind : filter.kinds) {
      marks << "?";
      values << historyKindName(kind);
    }
    parts << "r.kind IN (" + marks.join(", ") + ")";
  }
  if (filter.since.isValid()) {
    parts << "r.time_ms >= ?";
    values << filter.since.toMSecsSinceEpoch();
  }
  if (filter.until.isValid()) {
    parts << "r.time_ms < ?";
    values << filter.until.toMSecsSinceEpoch();
  }
  if (!waitingFor.isEmpty()) {
    parts << "r.id IN (SELECT record_id FROM pending WHERE target = ?)";
    values << waitingFor;
  }
  return {parts.isEmpty() ? QString() : " WHERE " + parts.join(" AND "), values};
}

HistoryRecord recordFrom(const QSqlQuery& q, bool whole) {
  HistoryRecord r;
  r.id = QUuid::fromString(q.value(0).toString());
  r.time = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong(), Qt::UTC);
  r.kind = historyKindFromName(q.value(2).toString()).value_or(HistoryKind::Read);
  r.name = q.value(3).toString();
  r.device.model = q.value(4).toString();
  r.device.softwareVersion = q.value(5).toInt();
  r.device.deviceId = q.value(6).toLongLong();
  r.device.longAddress = q.value(7).toString();
  r.device.tag = q.value(8).toString();
  r.device.descriptor = q.value(9).toString();
  r.user = q.value(10).toString();
  r.host = q.value(11).toString();
  if (whole) r.payload = q.value(12).toByteArray();
  return r;
}

}  // namespace

HistoryDatabase::HistoryDatabase(Engine engine, QString connection)
    : engine_(engine), connection_(std::move(connection)) {}

HistoryDatabase::~HistoryDatabase() {
  {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (db.isValid()) db.close();
  }
  QSqlDatabase::removeDatabase(connection_);
}

std::unique_ptr<HistoryDatabase> HistoryDatabase::openFile(const QString& path, QString& why) {
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) {
    why = path + " is not a file";
    return nullptr;
  }
  if (!QDir().mkpath(info.absolutePath())) {
    why = "could not make the folder " + info.absolutePath();
    return nullptr;
  }
  std::unique_ptr<HistoryDatabase> store(new HistoryDatabase(Engine::SQLite, newConnectionName()));
  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", store->connection_);
  if (!db.isValid()) {
    why = "Qt's SQLite driver is not installed (Debian: libqt6sql6-sqlite)";
    return nullptr;
  }
  db.setDatabaseName(path);
  // The window and velk write at the same time: wait for the other's write.
  db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=10000");
  if (!db.open()) {
    why = path + ": " + errorText(db.lastError());
    return nullptr;
  }
  // Read before anything is written: a file this program cannot use stays as it is.
  int version = 0;
  if (const QString problem = store->checkSchema(version); !problem.isEmpty()) {
    why = path + " " + problem + "; the file was left as it is";
    return nullptr;
  }
  QSqlQuery pragma(db);
  // WAL: readers never wait for the writer, and a killed writer leaves the
  // last committed record whole. FULL: a record whose write returned is on
  // the disk.
  if (!pragma.exec("PRAGMA journal_mode = WAL") || !pragma.next() ||
      pragma.value(0).toString().toLower() != "wal") {
    why = path + ": the journal cannot be switched to WAL (" + errorText(pragma.lastError()) + ")";
    return nullptr;
  }
  pragma.finish();
  for (const char* setting : {"PRAGMA synchronous = FULL", "PRAGMA foreign_keys = ON"}) {
    if (!pragma.exec(setting)) {
      why = path + ": " + errorText(pragma.lastError());
      return nullptr;
    }
  }
  pragma.finish();
  if (version < kHistorySchemaVersion && !store->migrate(why)) {
    why = path + ": " + why;
    return nullptr;
  }
  return store;
}

std::unique_ptr<HistoryDatabase> HistoryDatabase::openShared(const SharedHistory& shared, QString& why) {
  std::unique_ptr<HistoryDatabase> store(new HistoryDatabase(Engine::PostgreSQL, newConnectionName()));
  QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", store->connection_);
  if (!db.isValid()) {
    why = "Qt's PostgreSQL driver is not installed (Debian: libqt6sql6-psql)";
    return nullptr;
  }
  db.setHostName(shared.host);
  db.setPort(shared.port);
  db.setUserName(shared.user);
  db.setDatabaseName(shared.database);
  // Every wait bounded: the connection, a statement, a lock of another client.
  db.setConnectOptions("connect_timeout=5;options='-c statement_timeout=15000 -c lock_timeout=10000'");
  if (!db.open()) {
    why = errorText(db.lastError());
    return nullptr;
  }
  int version = 0;
  if (const QString problem = store->checkSchema(version); !problem.isEmpty()) {
    why = "the database " + problem + "; nothing was written to it";
    return nullptr;
  }
  if (version < kHistorySchemaVersion && !store->migrate(why)) return nullptr;
  return store;
}

bool HistoryDatabase::prepare(QSqlQuery& query, const QString& sql, QString& why) const {
  query = QSqlQuery(QSqlDatabase::database(connection_, false));
  query.setForwardOnly(true);
  if (query.prepare(sql)) return true;
  why = errorText(query.lastError());
  return false;
}

bool HistoryDatabase::begin(QString& why) {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  // IMMEDIATE: take the write lock (waiting for another writer) before
  // reading, so the transaction cannot fail halfway for want of it.
  if (query.exec(engine_ == Engine::SQLite ? "BEGIN IMMEDIATE" : "BEGIN")) return true;
  why = errorText(query.lastError());
  return false;
}

bool HistoryDatabase::commit(QString& why) {
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  if (query.exec("COMMIT")) return true;
  return rollback(why, errorText(query.lastError()));
}

bool HistoryDatabase::rollback(QString& why, const QString& failure) {
  why = failure;
  QSqlQuery(QSqlDatabase::database(connection_, false)).exec("ROLLBACK");
  return false;
}

// What the store holds: nothing yet (version 0), the history of some
// version, or something else, which is the text returned.
QString HistoryDatabase::checkSchema(int& version) {
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  QSqlQuery query(db);
  const char* tablesSql = engine_ == Engine::SQLite
                              ? "SELECT name FROM sqlite_master WHERE type = 'table'"
                              : "SELECT table_name FROM information_schema.tables WHERE table_schema = "
                                "current_schema()";
  if (!query.exec(tablesSql)) {
    return engine_ == Engine::SQLite
               ? "is damaged or no SQLite database (" + errorText(query.lastError()) + ")"
               : "cannot be read (" + errorText(query.lastError()) + ")";
  }
  QStringList tables;
  while (query.next()) tables << query.value(0).toString().toLower();
  query.finish();
  version = 0;
  if (!tables.contains("schema_version")) {
    // A database of a plant may hold other tables; a file is ours alone.
    const bool foreign = engine_ == Engine::SQLite
                             ? !tables.isEmpty()
                             : std::any_of(kOwnTables.begin(), kOwnTables.end(),
                                           [&](const QString& t) { return tables.contains(t); });
    return foreign ? "holds another program's tables, not a device history" : QString();
  }
  if (!query.exec("SELECT MAX(version) FROM schema_version") || !query.next())
    return "cannot be read (" + errorText(query.lastError()) + ")";
  version = query.value(0).toInt();
  if (version > kHistorySchemaVersion)
    return QString("was written by a newer version of this program (history schema %1; this one knows %2)")
        .arg(version)
        .arg(kHistorySchemaVersion);
  return {};
}

bool HistoryDatabase::migrate(QString& why) {
  if (!begin(why)) return false;
  if (engine_ == Engine::PostgreSQL) {
    // Two clients meeting a new store: one makes the schema, the other waits for it.
    QSqlQuery lock(QSqlDatabase::database(connection_, false));
    if (!lock.exec("SELECT pg_advisory_xact_lock(7346417)")) return rollback(why, errorText(lock.lastError()));
  }
  int version = 0;
  if (const QString problem = checkSchema(version); !problem.isEmpty()) return rollback(why, problem);
  QSqlQuery query(QSqlDatabase::database(connection_, false));
  const QString blob = engine_ == Engine::SQLite ? "BLOB" : "BYTEA";
  for (const SchemaStep& step : schemaSteps()) {
    if (step.version <= version) continue;
    for (QString statement : step.statements)
      if (!query.exec(statement.replace("%BLOB%", blob))) return rollback(why, errorText(query.lastError()));
  }
  if (!query.exec("DELETE FROM schema_version") ||
      !query.exec(QString("INSERT INTO schema_version (version) VALUES (%1)").arg(kHistorySchemaVersion)))
    return rollback(why, errorText(query.lastError()));
  query.finish();
  if (!commit(why)) return false;
  created_ = version == 0;
  return true;
}

bool HistoryDatabase::insert(const std::vector<HistoryRecord>& records, QString& why, const QString& waitingFor) {
  if (!begin(why)) return false;
  QSqlQuery record, key, pending;
  if (!prepare(record,
               "INSERT INTO records (id, time_ms, kind, name, model, software_version, device_id, "
               "long_address, tag, descriptor, user_name, host, payload) "
               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (id) DO NOTHING",
               why) ||
      !prepare(key, "INSERT INTO record_keys (record_id, role, ordinal, key_name) VALUES (?, ?, ?, ?)", why) ||
      !prepare(pending, "INSERT INTO pending (record_id, target) VALUES (?, ?)", why))
    return rollback(why, why);
  for (const HistoryRecord& r : records) {
    const QString id = historyIdText(r.id);
    const QVariantList values = {id,
                                 r.time.toMSecsSinceEpoch(),
                                 historyKindName(r.kind),
                                 text(r.name),
                                 text(r.device.model),
                                 r.device.softwareVersion,
                                 r.device.deviceId,
                                 text(r.device.longAddress),
                                 text(r.device.tag),
                                 text(r.device.descriptor),
                                 text(r.user),
                                 text(r.host),
                                 r.payload.isNull() ? QByteArray("") : r.payload};
    for (const QVariant& value : values) record.addBindValue(value);
    if (!record.exec()) return rollback(why, errorText(record.lastError()));
    // There already: stored once, whoever stored it first.
    if (record.numRowsAffected() == 0) continue;
    for (const auto& [role, list] : {std::pair{"sent", &r.keysSent}, std::pair{"failed", &r.keysFailed}}) {
      for (qsizetype i = 0; i < list->size(); ++i) {
        key.addBindValue(id);
        key.addBindValue(QString(role));
        key.addBindValue(int(i));
        key.addBindValue(text(list->at(i)));
        if (!key.exec()) return rollback(why, errorText(key.lastError()));
      }
    }
    if (!waitingFor.isEmpty()) {
      pending.addBindValue(id);
      pending.addBindValue(waitingFor);
      if (!pending.exec()) return rollback(why, errorText(pending.lastError()));
    }
  }
  record.finish();
  return commit(why);
}

std::optional<std::vector<HistoryRecord>> HistoryDatabase::select(const QString& where, const QVariantList& values,
                                                                  const QString& tail, bool whole, QString& why) {
  QSqlQuery query;
  const QString columns = QString(kRecordColumns) + (whole ? ", r.payload" : "");
  if (!prepare(query, "SELECT " + columns + " FROM records r" + where + tail, why)) return std::nullopt;
  for (const QVariant& value : values) query.addBindValue(value);
  if (!query.exec()) {
    why = errorText(query.lastError());
    return std::nullopt;
  }
  std::vector<HistoryRecord> records;
  while (query.next()) records.push_back(recordFrom(query, whole));
  if (query.lastError().isValid()) {
    why = errorText(query.lastError());
    return std::nullopt;
  }
  query.finish();
  if (whole && !keys(records, why)) return std::nullopt;
  return records;
}

bool HistoryDatabase::keys(std::vector<HistoryRecord>& records, QString& why) {
  QSqlQuery query;
  if (!prepare(query, "SELECT role, key_name FROM record_keys WHERE record_id = ? ORDER BY role, ordinal", why))
    return false;
  for (HistoryRecord& r : records) {
    query.addBindValue(historyIdText(r.id));
    if (!query.exec()) {
      why = errorText(query.lastError());
      return false;
    }
    while (query.next()) (query.value(0).toString() == "sent" ? r.keysSent : r.keysFailed) << query.value(1).toString();
  }
  return true;
}

std::optional<std::vector<HistoryRecord>> HistoryDatabase::list(const HistoryFilter& filter, int offset, int limit,
                                                                 QString& why, const QString& waitingFor) {
  Clause where = whereClause(filter, waitingFor);
  where.values << limit << offset;
  return select(where.sql, where.values, " ORDER BY r.time_ms DESC, r.id DESC LIMIT ? OFFSET ?", false, why);
}

std::optional<qint64> HistoryDatabase::count(const HistoryFilter& filter, QString& why, const QString& waitingFor) {
  const Clause where = whereClause(filter, waitingFor);
  QSqlQuery query;
  if (!prepare(query, "SELECT COUNT(*) FROM records r" + where.sql, why)) return std::nullopt;
  for (const QVariant& value : where.values) query.addBindValue(value);
  if (!query.exec() || !query.next()) {
    why = errorText(query.lastError());
    return std::nullopt;
  }
  return query.value(0).toLongLong();
}

std::optional<std::vector<qint64>> HistoryDatabase::times(const HistoryFilter& filter, QString& why,
                                                          const QString& waitingFor) {
  const Clause where = whereClause(filter, waitingFor);
  QSqlQuery query;
  if (!prepare(query, "SELECT r.time_ms FROM records r" + where.sql + " ORDER BY r.time_ms DESC, r.id DESC", why))
    return std::nullopt;
  for (const QVariant& value : where.values) query.addBindValue(value);
  if (!query.exec()) {
    why = errorText(query.lastError());
    return std::nullopt;
  }
  std::vector<qint64> times;
  while (query.next()) times.push_back(query.value(0).toLongLong());
  return times;
}

std::optional<std::vector<HistoryRecord>> HistoryDatabase::findByPrefix(const QString& prefix, QString& why,
                                                                        const QString& waitingFor) {
  const QString id = prefix.toLower();
  // Only what an id is made of: the prefix goes into a LIKE pattern.
  static const QRegularExpression idCharacters("^[0-9a-f-]+$");
  if (!idCharacters.match(id).hasMatch()) return std::vector<HistoryRecord>{};
  Clause where = whereClause({}, waitingFor);
  const QString match = id.size() == 36 ? "r.id = ?" : "r.id LIKE ?";
  where.sql = (where.sql.isEmpty() ? " WHERE " : where.sql + " AND ") + match;
  where.values << (id.size() == 36 ? id : id + "%");
  return select(where.sql, where.values, " ORDER BY r.id LIMIT 2", true, why);
}

std::optional<bool> HistoryDatabase::remove(const QUuid& id, QString& why, const QString& waitingFor) {
  QSqlQuery query;
  QString sql = "DELETE FROM records WHERE id = ?";
  if (!waitingFor.isEmpty()) sql += " AND id IN (SELECT record_id FROM pending WHERE target = ?)";
  if (!prepare(query, sql, why)) return std::nullopt;
  query.addBindValue(historyIdText(id));
  if (!waitingFor.isEmpty()) query.addBindValue(waitingFor);
  if (!query.exec()) {
    why = errorText(query.lastError());
    return std::nullopt;
  }
  return query.numRowsAffected() > 0;
}

std::optional<std::vector<HistoryDevice>> HistoryDatabase::devices(QString& why, const QString& waitingFor) {
  const Clause where = whereClause({}, waitingFor);
  const auto newest = select(" JOIN (SELECT r.device_id, MAX(r.time_ms) AS newest FROM records r" + where.sql +
                                 " GROUP BY r.device_id) d ON r.device_id = d.device_id AND r.time_ms = d.newest",
                             where.values, " ORDER BY r.device_id", false, why);
  if (!newest) return std::nullopt;
  std::vector<HistoryDevice> devices;
  for (const HistoryRecord& r : *newest)
    if (devices.empty() || devices.back().deviceId != r.device.deviceId) devices.push_back(r.device);
  return devices;
}

std::optional<bool> HistoryDatabase::setBaseline(const HistoryRecord& record, const QString& dataSet,
                                                QString& why) {
  QSqlQuery query;
  // Only a record that is there: the mark of a record deleted meanwhile would
  // break the reference, and says so.
  if (!prepare(query,
               "INSERT INTO baselines (device_id, data_set, record_id) "
               "SELECT device_id, ?, id FROM records WHERE id = ? "
               "ON CONFLICT (device_id, data_set) DO UPDATE SET record_id = excluded.record_id",
               why))
    return std::nullopt;
  query.addBindValue(text(dataSet));
  query.addBindValue(historyIdText(record.id));
  if (!query.exec()) {
    why = errorText(query.lastError());
    return std::nullopt;
  }
  return query.numRowsAffected() > 0;
}

std::optional<std::vector<HistoryRecord>> HistoryDatabase::baseline(qint64 deviceId, const QString& dataSet,
                                                                    QString& why, const QString& waitingFor) {
  Clause where = whereClause({}, waitingFor);
  where.sql = " JOIN baselines b ON b.record_id = r.id WHERE b.device_id = ? AND b.data_set = ?" +
              QString(where.sql).replace(" WHERE ", " AND ");
  where.values.prepend(dataSet);
  where.values.prepend(deviceId);
  return select(where.sql, where.values, " LIMIT 1", true, why);
}

std::optional<std::vector<HistoryRecord>> HistoryDatabase::waiting(const QString& target, int limit, QString& why) {
  return select(" JOIN pending p ON p.record_id = r.id WHERE p.target = ?", {target, limit},
                " ORDER BY r.time_ms, r.id LIMIT ?", true, why);
}

bool HistoryDatabase::forget(const std::vector<HistoryRecord>& records, QString& why) {
  if (!begin(why)) return false;
  QSqlQuery query;
  if (!prepare(query, "DELETE FROM records WHERE id = ?", why)) return rollback(why, why);
  for (const HistoryRecord& r : records) {
    query.addBindValue(historyIdText(r.id));
    if (!query.exec()) return rollback(why, errorText(query.lastError()));
  }
  return commit(why);
}

}  // namespace velk
