#include "model/live_graph_state.h"

#include <algorithm>

namespace velk {

LiveGraphState::LiveGraphState(QObject* parent) : QObject(parent), mailbox_(ThreadMailbox::of(this)) {
  repaintTimer_.setSingleShot(true);
  connect(&repaintTimer_, &QTimer::timeout, this, [this] {
    sinceRepaint_.start();
    Q_EMIT repaintDue();
  });
}

GraphView LiveGraphState::view() const {
  std::lock_guard lock(mutex_);
  return view_;
}

void LiveGraphState::setView(const GraphView& view) {
  {
    std::lock_guard lock(mutex_);
    view_ = view;
  }
  requestRepaint();
}

std::array<ComparisonSet, 2> LiveGraphState::comparisonSets() const {
  std::lock_guard lock(mutex_);
  return sets_;
}

void LiveGraphState::loadComparisonSet(int set, const std::vector<GraphSample>& points) {
  if (set < 0 || set >= static_cast<int>(sets_.size())) return;
  {
    std::lock_guard lock(mutex_);
    sets_[static_cast<std::size_t>(set)].assign(points);
  }
  requestRepaint();
}

void LiveGraphState::requestRepaint() {
  // One queued call at a time; whatever arrives meanwhile rides along with it.
  if (repaintPosted_.exchange(true)) return;
  mailbox_.post(this, [this] {
    repaintPosted_.store(false);
    scheduleRepaint();
  });
}

void LiveGraphState::scheduleRepaint() {
  if (repaintTimer_.isActive()) return;
  const qint64 wait = sinceRepaint_.isValid() ? kMinimumRepaintIntervalMs - sinceRepaint_.elapsed() : 0;
  repaintTimer_.start(static_cast<int>(std::max<qint64>(wait, 0)));
}

}  // namespace velk
