#pragma once
// What the live graph shows besides the samples: its view (scales, offsets,
// the 4092 mode), the two comparison sets loaded from graph files, and when
// it repaints. Shared by the CONTROL graph and its axes, the graph file
// operations, and the DIAG 2 page's scale buttons and graph.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <atomic>
#include <mutex>
#include <vector>

#include "model/graph_sample_ring.h"
#include "model/graph_view.h"
#include "model/thread_mailbox.h"

namespace velk {

// The live graph's paint box; the samples saved to a file are those it shows.
inline constexpr int kLiveGraphWidth = 505;
inline constexpr int kLiveGraphHeight = 408;

// Bursts arrive every few hundred milliseconds, but a faster device or a
// burst of requests must not flood the window with repaints.
inline constexpr int kMinimumRepaintIntervalMs = 40;

class LiveGraphState : public QObject {
  Q_OBJECT

 public:
  // Must be built on the GUI thread: repaints are announced there.
  explicit LiveGraphState(QObject* parent = nullptr);

  GraphView view() const;
  void setView(const GraphView& view);

  std::array<ComparisonSet, 2> comparisonSets() const;
  // Set 0 is "Loaded set 1", set 1 "Loaded set 2".
  void loadComparisonSet(int set, const std::vector<GraphSample>& points);

  // From any thread: the graphs have something new to show. However often it
  // is called, repaintDue follows once, no sooner than kMinimumRepaintIntervalMs
  // after the previous one.
  void requestRepaint();

 Q_SIGNALS:
  // On the GUI thread: the graphs and their axes repaint.
  void repaintDue();

 private:
  void scheduleRepaint();

  mutable std::mutex mutex_;
  ThreadMailbox& mailbox_;  // of the thread it lives in
  GraphView view_;
  std::array<ComparisonSet, 2> sets_;

  std::atomic<bool> repaintPosted_{false};
  QTimer repaintTimer_;
  QElapsedTimer sinceRepaint_;
};

}  // namespace velk
