#pragma once
// The DB page's lists read on their own thread: whether a list has answered,
// with every row's record, so that a test looks at what it shows.

#include "files/db_model.h"

namespace velk {

inline bool listRead(HistoryListModel& model) {
  if (model.reading()) return false;
  bool all = true;
  // Asking for each row's text asks for the pages not read yet.
  for (int row = 0; row < model.rowCount(); ++row) all = model.index(row).data().toString() != "..." && all;
  return all;
}

}  // namespace velk
