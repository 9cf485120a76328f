#include "history/history_store.h"

#include <QFile>
#include <functional>

#include "history/history_database.h"
#include "history/history_values.h"

namespace velk {

namespace {

// How many waiting records go to the shared store in one transaction.
constexpr int kSendBatch = 200;

// The identity the demo configuration names; it was read from a Q5.
HistoryDevice demoDevice(const QByteArray& file) {
  HistoryDevice device;
  device.model = "Q5";
  for (QByteArray line : file.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    const QString text = QString::fromLatin1(line);
    auto value = [&](const char* key) { return text.mid(qsizetype(qstrlen(key)) + 1).trimmed(); };
    if (text.startsWith("DEVICE ID ")) device.deviceId = value("DEVICE ID").toLongLong();
    if (text.startsWith("SW VERSION ")) device.softwareVersion = value("SW VERSION").toInt();
    if (text.startsWith("HART TAG ")) device.tag = value("HART TAG");
    if (text.startsWith("HART DESCRIPTOR ")) device.descriptor = value("HART DESCRIPTOR");
  }
  return device;
}

HistoryLookup lookup(const std::vector<HistoryRecord>& found) {
  if (found.empty()) return {};
  if (found.size() > 1) return {HistoryLookup::Ambiguous, {}, {}};
  return {HistoryLookup::Found, found.front(), {}};
}

}  // namespace

HistoryStore::HistoryStore(HistoryLocation location) : location_(std::move(location)) {
  QString why;
  local_ = HistoryDatabase::openFile(location_.localFile, why);
  if (!local_) localProblem_ = "The device history cannot be used: " + why;
  // The shared store is reached when first used, so that a run that only
  // looks pays for one attempt.
  if (local_ && !location_.shared) seedIfNew(*local_);
}

HistoryStore::~HistoryStore() = default;

QString HistoryStore::target() const { return location_.shared ? location_.shared->address() : QString(); }

bool HistoryStore::available() const { return local_ || shared_; }

QString HistoryStore::problem() const {
  if (!location_.shared) return localProblem_;
  if (shared_) return {};
  return localProblem_.isEmpty() ? sharedProblem_ : sharedProblem_ + "; " + localProblem_;
}

HistoryDatabase* HistoryStore::sharedDatabase() {
  if (!shared_ && location_.shared) {
    QString why;
    shared_ = HistoryDatabase::openShared(*location_.shared, why);
    if (!shared_) {
      sharedProblem_ = QString("The shared history %1 cannot be reached (%2)").arg(target(), why);
      sharedFailedAt_ = std::chrono::steady_clock::now();
      return nullptr;
    }
    sharedProblem_.clear();
    sharedFailedAt_.reset();
    seedIfNew(*shared_);
  }
  return shared_.get();
}

void HistoryStore::sharedFailed(const QString& why) {
  // Connected again at the next use: a server that restarted is found then.
  shared_.reset();
  sharedProblem_ = QString("The shared history %1 could not be used (%2)").arg(target(), why);
  sharedFailedAt_ = std::chrono::steady_clock::now();
}

bool HistoryStore::sharedFailedLately() const {
  return !shared_ && sharedFailedAt_ && std::chrono::steady_clock::now() - *sharedFailedAt_ < kSharedRetryAfter;
}

void HistoryStore::seedIfNew(HistoryDatabase& store) {
  if (!store.created() || location_.demoConfiguration.isEmpty()) return;
  QFile file(location_.demoConfiguration);
  // Not installed (a build tree without it): an empty history is no fault.
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray text = file.readAll();
  HistoryRecord demo = newHistoryRecord(HistoryKind::Save, demoDevice(text), text);
  demo.name = kDemoConfigurationName;
  QString why;
  store.insert({demo}, why);
}

HistorySync HistoryStore::sendWaiting() {
  HistorySync result;
  if (!local_) return result;
  QString why;
  while (shared_) {
    const auto batch = local_->waiting(target(), kSendBatch, why);
    if (!batch) {
      result.error = why;
      break;
    }
    if (batch->empty()) break;
    if (!shared_->insert(*batch, why)) {
      sharedFailed(why);
      break;
    }
    // Should this fail, they are sent again and stored once all the same.
    if (!local_->forget(*batch, why)) {
      result.error = why;
      break;
    }
    result.sent += int(batch->size());
  }
  result.waiting = local_->count({}, why, target()).value_or(-1);
  if (result.waiting < 0) result.error = why;
  if (result.waiting != 0 && result.error.isEmpty()) result.error = sharedProblem_;
  return result;
}

HistorySync HistoryStore::sync() {
  if (!location_.shared) return {};
  if (!local_) return {0, 0, localProblem_};
  sharedDatabase();
  return sendWaiting();
}

HistoryWriteResult HistoryStore::write(const HistoryRecord& record) {
  return write(std::vector<HistoryRecord>{record});
}

bool HistoryStore::onShared(const std::function<QString(HistoryDatabase& shared)>& work) {
  for (int attempt = 0; attempt < 2 && sharedDatabase(); ++attempt) {
    // The older ones first.
    sendWaiting();
    if (!shared_) continue;
    const QString why = work(*shared_);
    if (why.isEmpty()) return true;
    sharedFailed(why);
  }
  return false;
}

HistoryWriteResult HistoryStore::write(const std::vector<HistoryRecord>& records) {
  QString why;
  if (location_.shared &&
      onShared([&](HistoryDatabase& shared) { return shared.insert(records, why) ? QString() : why; }))
    return {true, false, {}};
  if (!local_) return {false, false, problem()};
  if (!local_->insert(records, why, target()))
    return {false, false, "The device history could not be written: " + why};
  if (!location_.shared) return {true, false, {}};
  return {true, true, sharedProblem_ + "; kept here until it is back"};
}

template <class T>
std::optional<T> HistoryStore::ask(QString& why, QString& note,
                                   const std::function<std::optional<T>(HistoryDatabase&, const QString&)>& query,
                                   bool write) {
  if (location_.shared) {
    std::optional<T> answer;
    if ((write || !sharedFailedLately()) && onShared([&](HistoryDatabase& shared) {
          answer = query(shared, QString());
          return answer ? QString() : why;
        }))
      return answer;
    note = sharedProblem_ + "; only the records waiting here for it are shown";
  }
  if (!local_) {
    why = problem();
    return std::nullopt;
  }
  return query(*local_, target());
}

HistoryPage HistoryStore::list(const HistoryFilter& filter, int offset, int limit) {
  HistoryPage page;
  const auto records = ask<std::vector<HistoryRecord>>(
      page.error, page.note,
      [&](HistoryDatabase& db, const QString& waitingFor) {
        return db.list(filter, offset, limit, page.error, waitingFor);
      });
  if (records) {
    page.records = *records;
    page.error.clear();
  }
  return page;
}

std::optional<qint64> HistoryStore::count(const HistoryFilter& filter, QString* error) {
  QString why, note;
  const auto n = ask<qint64>(why, note, [&](HistoryDatabase& db, const QString& waitingFor) {
    return db.count(filter, why, waitingFor);
  });
  if (!n && error) *error = why;
  return n;
}

std::optional<std::vector<qint64>> HistoryStore::times(const HistoryFilter& filter, QString* error) {
  QString why, note;
  auto times = ask<std::vector<qint64>>(why, note, [&](HistoryDatabase& db, const QString& waitingFor) {
    return db.times(filter, why, waitingFor);
  });
  if (!times && error) *error = why;
  return times;
}

HistoryLookup HistoryStore::find(const QString& id) {
  QString why, note;
  const auto found = ask<std::vector<HistoryRecord>>(why, note, [&](HistoryDatabase& db, const QString& waitingFor) {
    return db.findByPrefix(id, why, waitingFor);
  });
  if (!found) return {HistoryLookup::Failed, {}, why};
  return lookup(*found);
}

bool HistoryStore::remove(const QUuid& id, QString* error) {
  QString why, note;
  const auto removed = ask<bool>(why, note, [&](HistoryDatabase& db, const QString& waitingFor) {
    return db.remove(id, why, waitingFor);
  }, true);
  if (!removed && error) *error = why;
  return removed.value_or(false);
}

std::vector<HistoryDevice> HistoryStore::devices(QString* error) {
  QString why, note;
  const auto devices = ask<std::vector<HistoryDevice>>(
      why, note, [&](HistoryDatabase& db, const QString& waitingFor) { return db.devices(why, waitingFor); });
  if (!devices && error) *error = why;
  return devices.value_or(std::vector<HistoryDevice>{});
}

HistoryBaselineMark HistoryStore::setBaseline(const HistoryRecord& record) {
  HistoryBaselineMark mark;
  const std::optional<HistoryValues> values =
      record.kind == HistoryKind::Signature ? historyValuesFrom(record.payload) : std::nullopt;
  if (!values) {
    mark.error = QString("the %1 record %2 holds no uploaded data set").arg(historyKindName(record.kind),
                                                                           historyIdText(record.id));
    return mark;
  }
  mark.dataSet = values->title;
  QString why;
  std::optional<bool> done;
  const auto work = [&](HistoryDatabase& db) {
    done = db.setBaseline(record, mark.dataSet, why);
    return done ? QString() : why;
  };
  if (location_.shared) {
    if (!onShared(work)) why = problem().isEmpty() ? why : problem();
  } else if (local_) {
    work(*local_);
  } else {
    why = problem();
  }
  mark.marked = done.value_or(false);
  if (done && !*done) why = "the record " + historyIdText(record.id) + " is no longer in the device history";
  if (!mark.marked) mark.error = why;
  return mark;
}

HistoryLookup HistoryStore::baseline(qint64 deviceId, const QString& dataSet) {
  QString why, note;
  const auto found = ask<std::vector<HistoryRecord>>(why, note, [&](HistoryDatabase& db, const QString& waitingFor) {
    return db.baseline(deviceId, dataSet, why, waitingFor);
  });
  if (!found) return {HistoryLookup::Failed, {}, why};
  return lookup(*found);
}

HistoryWriteResult recordInHistory(const HistoryRecord& record) {
  const HistoryLocationChoice choice = configuredHistoryLocation();
  if (!choice.error.isEmpty()) return {false, false, choice.error};
  HistoryStore store(choice.location);
  return store.write(record);
}

}  // namespace velk
