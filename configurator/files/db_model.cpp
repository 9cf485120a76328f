#include "files/db_model.h"

#include <QFont>
#include <limits>


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

void HistoryListModel::setReader(DbReader* reader) { reader_ = reader; }
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

quint64 HistoryListModel::restart(bool reading) {
  // Whatever is still being read for the old rows is no longer wanted.
  const quint64 request = requests_.renew();
  beginResetModel();
  records_ = 0;
  rows_.clear();
  headings_.clear();
  pages_.clear();
  asked_.clear();
  error_.clear();
  note_.clear();
  reading_ = reading;
  endResetModel();
  return request;
}

void HistoryListModel::showReading() { restart(true); }

void HistoryListModel::reload() {
  bool nothing = false;
  const HistoryFilter filter = effectiveFilter(nothing);
  const quint64 request = restart(reader_ && !nothing);
  if (!reading_) return;
  const bool grouped = grouping_.has_value();
  reader_->read<Count>(
      &requests_, request,
      [filter, grouped](HistoryStore& store) {
        Count count;
        if (grouped)
          count.times = store.times(filter, &count.error);
        else
          count.records = store.count(filter, &count.error);
        count.problem = store.problem();
        return count;
      },
      [this](const Count& count) { counted(count); });
}

void HistoryListModel::counted(const Count& count) {
  beginResetModel();
  reading_ = false;
  error_ = count.error;
  note_ = count.problem;
  if (count.records) records_ = int(*count.records);
  if (count.times && grouping_) {
    const std::vector<qint64>& times = *count.times;
    records_ = int(times.size());
    rows_.reserve(times.size() + 64);
    // Newest first: a record at or after the current period's start is
    // in it, so that only a period's first record is converted to local time.
    qint64 periodStart = std::numeric_limits<qint64>::max();
    for (int i = 0; i < records_; ++i) {
      const qint64 time = times[std::size_t(i)];
      if (time < periodStart) {
        const QDate date = QDateTime::fromMSecsSinceEpoch(time, QTimeZone::utc()).toTimeZone(zone_).date();
        headings_ << periodHeading(date, *grouping_);
        rows_.push_back(-int(headings_.size()));
        periodStart = QDateTime(firstDayOfPeriod(date, *grouping_), QTime(0, 0), zone_).toMSecsSinceEpoch();
      }
      rows_.push_back(i);
    }
  }
  endResetModel();
  Q_EMIT read();
}

void HistoryListModel::pageRead(int page, const HistoryPage& read) {
  asked_.erase(page);
  if (pages_.size() >= kPagesKept) pages_.erase(pages_.begin());
  pages_[page] = read.records;
  if (!read.error.isEmpty()) error_ = read.error;
  if (!read.note.isEmpty()) note_ = read.note;
  // Grouped rows do not map a page to one range: the few rows on screen are
  // asked again, cheaply.
  if (rowCount() > 0) Q_EMIT dataChanged(index(0), index(rowCount() - 1));
  Q_EMIT this->read();
}

int HistoryListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  // One row saying so while reading.
  if (reading_) return 1;
  return grouping_ ? int(rows_.size()) : records_;
}

int HistoryListModel::recordIndex(int row) const {
  if (reading_ || row < 0 || row >= rowCount()) return -1;
  return grouping_ ? rows_[row] : row;
}

const HistoryRecord* HistoryListModel::record(int index) const {
  if (index < 0 || index >= records_ || !reader_) return nullptr;
  const int page = index / kPageSize;
  const auto found = pages_.find(page);
  if (found == pages_.end()) {
    if (asked_.insert(page).second) {
      bool nothing = false;
      const HistoryFilter filter = effectiveFilter(nothing);
      // A view asks for rows through const calls; the page read fills them in.
      auto* self = const_cast<HistoryListModel*>(this);
      reader_->read<HistoryPage>(
          &requests_, requests_.newest(),
          [filter, page](HistoryStore& store) { return store.list(filter, page * kPageSize, kPageSize); },
          [self, page](const HistoryPage& read) { self->pageRead(page, read); });
    }
    return nullptr;
  }
  const std::size_t at = std::size_t(index % kPageSize);
  return at < found->second.size() ? &found->second[at] : nullptr;
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (reading_) return role == Qt::DisplayRole ? QVariant(QString(kReadingHistory)) : QVariant();
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
  return r ? (grouping_ ? "    " : "") + historyEntryText(*r, zone_) : QString("...");
}

Qt::ItemFlags HistoryListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // A heading (or the reading row) is no record: nothing to load or delete.
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
