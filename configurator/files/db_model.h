#pragma once
// The DB page's lists as models, without widgets: the records of some kinds,
// newest first, read from the store a page at a time as the view shows them,
// so that a history of 100,000 records lists at once. A grouped list (trends,
// logs) puts a heading row above each period's records; finding the periods
// reads the records' times only.

#include <QAbstractListModel>
#include <QTimeZone>
#include <map>
#include <optional>
#include <vector>

#include "history/history_grouping.h"
#include "history/history_record.h"

namespace velk {

class HistoryStore;

class HistoryListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // The heading's text on a heading row; empty on a record's row.
  static constexpr int HeadingRole = Qt::UserRole + 1;
  static constexpr int kPageSize = 200;

  HistoryListModel(QList<HistoryKind> kinds, QObject* parent = nullptr);

  // Not owned; null lists nothing.
  void setStore(HistoryStore* store);
  // What the list shows of its kinds: a filter's kinds narrow them.
  void setFilter(const HistoryFilter& filter);
  // None: no headings.
  void setGrouping(std::optional<HistoryGrouping> grouping);
  void setTimeZone(const QTimeZone& zone);
  // Reads the store again.
  void reload();
  // Why the last reading failed; empty when it did not.
  QString error() const { return error_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The record a row shows (without its payload); none on a heading.
  std::optional<HistoryRecord> recordAt(int row) const;
  // The row among the newest that shows the record `id`, or -1.
  int rowOf(const QUuid& id) const;
  const QList<HistoryKind>& kinds() const { return kinds_; }

 private:
  HistoryFilter effectiveFilter(bool& nothing) const;
  // The record's place in the store's order, or -1 for a heading.
  int recordIndex(int row) const;
  const HistoryRecord* record(int index) const;

  QList<HistoryKind> kinds_;
  HistoryStore* store_ = nullptr;
  HistoryFilter filter_;
  std::optional<HistoryGrouping> grouping_;
  QTimeZone zone_ = QTimeZone::systemTimeZone();
  int records_ = 0;
  // Grouped: a row's record index, or -(heading + 1).
  std::vector<int> rows_;
  QStringList headings_;
  mutable std::map<int, std::vector<HistoryRecord>> pages_;
  mutable QString error_;
};

}  // namespace velk
