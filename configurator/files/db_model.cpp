#include "files/db_model.h"

#include <QFont>
#include <limits>

#include "history/history_store.h"

namespace velk {

namespace {

// Pages kept beyond those on screen: enough to scroll back without reading
// again, few enough to stay small.
constexpr std::size_t kPagesKept = 32;

QDate firstDayOfPeriod(const QDate& date, HistoryGrouping grouping) {
  switch (grouping) {
    case HistoryGrouping::Day:
      return date;
    case HistoryGrouping::Week:
      return date.addDays(1 - date.dayOfWeek());
    case HistoryGrouping::Quarter:
      break;
  }
  return QDate(date.year(), (date.month() - 1) / 3 * 3 + 1, 1);
}

}  // namespace

HistoryListModel::HistoryListModel(QList<HistoryKind> kinds, QObject* parent)
    : QAbstractListModel(parent), kinds_(std::move(kinds)) {}

void HistoryListModel::setStore(HistoryStore* store) { store_ = store; }
void HistoryListModel::setFilter(const HistoryFilter& filter) { filter_ = filter; }
void HistoryListModel::setGrouping(std::optional<HistoryGrouping> grouping) { grouping_ = grouping; }
void HistoryListModel::setTimeZone(const QTimeZone& zone) { zone_ = zone; }

HistoryFilter HistoryListModel::effectiveFilter(bool& nothing) const {
  HistoryFilter filter = filter_;
  nothing = false;
  if (filter_.kinds.isEmpty()) {
    filter.kinds = kinds_;
    return filter;
  }
  filter.kinds.clear();
  for (HistoryKind kind : filter_.kinds)
    if (kinds_.contains(kind)) filter.kinds << kind;
  nothing = filter.kinds.isEmpty();
  return filter;
}

void HistoryListModel::reload() {
  beginResetModel();
  records_ = 0;
  rows_.clear();
  headings_.clear();
  pages_.clear();
  error_.clear();
  bool nothing = false;
  const HistoryFilter filter = effectiveFilter(nothing);
  if (store_ && !nothing) {
    if (!grouping_) {
      records_ = int(store_->count(filter, &error_).value_or(0));
    } else if (const auto times = store_->times(filter, &error_)) {
      records_ = int(times->size());
      rows_.reserve(times->size() + 64);
      // Newest first: a record at or after the current period's start is
      // in it, so that only a period's first record is converted to local time.
      qint64 periodStart = std::numeric_limits<qint64>::max();
      for (int i = 0; i < records_; ++i) {
        const qint64 time = (*times)[i];
        if (time < periodStart) {
          const QDate date = QDateTime::fromMSecsSinceEpoch(time, QTimeZone::utc()).toTimeZone(zone_).date();
          headings_ << periodHeading(date, *grouping_);
          rows_.push_back(-int(headings_.size()));
          periodStart = QDateTime(firstDayOfPeriod(date, *grouping_), QTime(0, 0), zone_).toMSecsSinceEpoch();
        }
        rows_.push_back(i);
      }
    }
  }
  endResetModel();
}

int HistoryListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return grouping_ ? int(rows_.size()) : records_;
}

int HistoryListModel::recordIndex(int row) const {
  if (row < 0 || row >= rowCount()) return -1;
  return grouping_ ? rows_[row] : row;
}

const HistoryRecord* HistoryListModel::record(int index) const {
  if (index < 0 || index >= records_ || !store_) return nullptr;
  const int page = index / kPageSize;
  auto found = pages_.find(page);
  if (found == pages_.end()) {
    if (pages_.size() >= kPagesKept) pages_.erase(pages_.begin());
    bool nothing = false;
    HistoryPage read = store_->list(effectiveFilter(nothing), page * kPageSize, kPageSize);
    if (!read.error.isEmpty()) error_ = read.error;
    found = pages_.emplace(page, std::move(read.records)).first;
  }
  const std::size_t at = std::size_t(index % kPageSize);
  return at < found->second.size() ? &found->second[at] : nullptr;
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const int at = recordIndex(index.row());
  if (at < 0) {
    const QString& heading = headings_[-at - 1];
    if (role == Qt::DisplayRole || role == HeadingRole) return heading;
    if (role == Qt::FontRole) {
      QFont bold;
      bold.setBold(true);
      return bold;
    }
    return {};
  }
  if (role != Qt::DisplayRole) return {};
  const HistoryRecord* r = record(at);
  return r ? (grouping_ ? "    " : "") + historyEntryText(*r, zone_) : QString();
}

Qt::ItemFlags HistoryListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // A heading is no record: nothing to load or delete.
  if (recordIndex(index.row()) < 0) return Qt::ItemIsEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

std::optional<HistoryRecord> HistoryListModel::recordAt(int row) const {
  const HistoryRecord* r = record(recordIndex(row));
  if (!r) return std::nullopt;
  return *r;
}

int HistoryListModel::rowOf(const QUuid& id) const {
  // Looked for among the newest only: a record just made, or one shown.
  const int rows = std::min(rowCount(), 2 * kPageSize);
  for (int row = 0; row < rows; ++row) {
    const HistoryRecord* r = record(recordIndex(row));
    if (r && r->id == id) return row;
  }
  return -1;
}

}  // namespace velk
