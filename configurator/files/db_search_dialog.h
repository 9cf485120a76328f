#pragma once
// "Search ...": the tag, device ID, days and kind the DB page's lists are
// narrowed to.

#include <optional>

#include "files/db_operations.h"

class QWidget;

namespace velk {

// None when cancelled.
std::optional<HistorySearch> askHistorySearch(QWidget* parent, const HistorySearch& current);

}  // namespace velk
