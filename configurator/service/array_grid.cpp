#include "service/array_grid.h"

#include <algorithm>

namespace velk {

ArrayGrid::ArrayGrid(QObject* parent) : QObject(parent), mailbox_(ThreadMailbox::of(this)) {}

int ArrayGrid::rowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::max<std::int64_t>(numbered_, kInitialRows));
}

QString ArrayGrid::cell(int row, Column column) const {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= numbered_) return {};
  if (column == Element) return QString::number(row);
  const auto& values = column == Read ? read_ : written_;
  const auto& value = values[static_cast<std::size_t>(row)];
  return value ? QString::number(*value) : QString();
}

void ArrayGrid::set(std::int64_t element, Column column, std::optional<std::int64_t> value) {
  if (element < 0 || column == Element) return;
  {
    std::lock_guard lock(mutex_);
    if (element >= numbered_) {
      numbered_ = element + 1;
      read_.resize(static_cast<std::size_t>(numbered_));
      written_.resize(static_cast<std::size_t>(numbered_));
    }
    (column == Read ? read_ : written_)[static_cast<std::size_t>(element)] = value;
  }
  announce();
}

void ArrayGrid::clear(Column column) {
  if (column == Element) return;
  {
    std::lock_guard lock(mutex_);
    auto& values = column == Read ? read_ : written_;
    std::fill(values.begin(), values.end(), std::nullopt);
  }
  announce();
}

void ArrayGrid::announce() {
  {
    std::lock_guard lock(mutex_);
    if (pending_) return;
    pending_ = true;
  }
  mailbox_.post(this, [this] { deliver(); });
}

void ArrayGrid::deliver() {
  {
    std::lock_guard lock(mutex_);
    pending_ = false;
  }
  Q_EMIT changed();
}

}  // namespace velk
