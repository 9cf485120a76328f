#pragma once
// The DEBUG page's array grid (StringGrid1): per element its number, the
// value read and the value written. An array reaches 100352 elements, more
// than the form state's rows are made for, so the grid keeps its own
// store. Written from the command thread; `changed` arrives on the grid's
// own (GUI) thread, once for a burst of writes.

#include <QObject>
#include <QString>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>
#include "model/thread_mailbox.h"

namespace velk {

class ArrayGrid : public QObject {
  Q_OBJECT

 public:
  enum Column { Element = 0, Read = 1, Written = 2 };
  static constexpr int kInitialRows = 49;  // element rows under the heading

  explicit ArrayGrid(QObject* parent = nullptr);

  int rowCount() const;
  // Empty where nothing was put.
  QString cell(int row, Column column) const;

  // Element `element` gets `value` in the column (nothing: left empty, as
  // for a block that failed); the grid grows to hold it and numbers it.
  void set(std::int64_t element, Column column, std::optional<std::int64_t> value);
  // Empties a column before a new transfer fills it.
  void clear(Column column);

 Q_SIGNALS:
  void changed();

 private:
  void announce();
  void deliver();

  mutable std::mutex mutex_;
  ThreadMailbox& mailbox_;  // of the thread it lives in
  std::int64_t numbered_ = 0;
  std::vector<std::optional<std::int64_t>> read_;
  std::vector<std::optional<std::int64_t>> written_;
  bool pending_ = false;
};

}  // namespace velk
