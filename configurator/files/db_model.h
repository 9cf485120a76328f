#pragma once
// The DB page's lists as models, without widgets: the records of some kinds,
// newest first, read from the store a page at a time as the view shows them,
// so that a history of 100,000 records lists at once. A grouped list (trends,
// logs) puts a heading row above each period's records; finding the periods
// reads the records' times only. Every read runs on the page's reader: until
// its answer the list shows that it is reading.

#include <QAbstractListModel>
#include <QTimeZone>
#include <map>
#include <set>
#include <optional>
#include <vector>

#include "files/db_reader.h"
#include "history/history_grouping.h"
#include "history/history_record.h"
#include "history/history_store.h"

namespace velk {

inline constexpr const char* kReadingHistory = "Reading the device history ...";

class HistoryListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // The heading's text on a heading row; empty on a record's row.
  static constexpr int HeadingRole = Qt::UserRole + 1;
  static constexpr int kPageSize = 200;

  HistoryListModel(QList<HistoryKind> kinds, QObject* parent = nullptr);

  // Not owned; null lists nothing.
  void setReader(DbReader* reader);
  // What the list shows of its kinds: a filter's kinds narrow them.
  void setFilter(const HistoryFilter& filter);
  // None: no headings.
  void setGrouping(std::optional<HistoryGrouping> grouping);
  void setTimeZone(const QTimeZone& zone);
  // Reads the store again; read() says when the rows are known.
  void reload();
  // Says it is reading until the next reload: the store is being opened.
  void showReading();
  // A reload has not answered yet.
  bool reading() const { return reading_; }
  // Why the last reading failed; empty when it did not.
  QString error() const { return error_; }
  // Why the records shown may not be all (the shared store cannot be reached).
  QString note() const { return note_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The record a row shows (without its payload); none on a heading.
  std::optional<HistoryRecord> recordAt(int row) const;
  // The row among the newest that shows the record `id`, or -1.
  int rowOf(const QUuid& id) const;
  const QList<HistoryKind>& kinds() const { return kinds_; }

 Q_SIGNALS:
  // A reload or a page of records has been read (or failed).
  void read();

 private:
  HistoryFilter effectiveFilter(bool& nothing) const;
  // The record's place in the store's order, or -1 for a heading.
  int recordIndex(int row) const;
  const HistoryRecord* record(int index) const;
  struct Count {
    std::optional<qint64> records;
    std::optional<std::vector<qint64>> times;
    QString error;
    QString problem;
  };
  // Forgets the rows; the request that supersedes those before it.
  quint64 restart(bool reading);
  void counted(const Count& count);
  void pageRead(int page, const HistoryPage& read);

  QList<HistoryKind> kinds_;
  DbReader* reader_ = nullptr;
  DbRequests requests_;
  bool reading_ = false;
  HistoryFilter filter_;
  std::optional<HistoryGrouping> grouping_;
  QTimeZone zone_ = QTimeZone::systemTimeZone();
  int records_ = 0;
  // Grouped: a row's record index, or -(heading + 1).
  std::vector<int> rows_;
  QStringList headings_;
  mutable std::map<int, std::vector<HistoryRecord>> pages_;
  mutable std::set<int> asked_;  // pages being read
  QString error_;
  QString note_;
};

}  // namespace velk
