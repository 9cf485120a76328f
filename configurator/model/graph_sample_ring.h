// The live graph's sample ring: the newest 500 setpoint/position pairs from
// the device's burst messages.
//
// The sampling thread appends; the GUI thread paints and saves from a
// snapshot. Both sides take the ring's lock, so a snapshot never holds a
// half-written sample or an index that does not match the samples.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <vector>

namespace velk {

inline constexpr int kGraphRingSize = 500;

struct GraphSample {
  float setpoint = 0;  // in the device's setpoint unit
  float position = 0;  // in the device's position unit
  friend bool operator==(const GraphSample&, const GraphSample&) = default;
};

// A consistent copy of the ring.
struct GraphRingSnapshot {
  std::array<GraphSample, kGraphRingSize> samples{};
  int GraphIndex = 0;         // next slot to write, 0..499
  bool GraphWrapped = false;  // the ring has been filled once; never cleared

  // The sample in slot `index`, taken modulo the ring size.
  const GraphSample& at(int index) const;
};

class GraphSampleRing {
 public:
  // `appended` runs after every append, outside the ring's lock, on the
  // appending thread: how the graphs learn that there is something new to
  // paint, whoever stores the sample.
  explicit GraphSampleRing(std::function<void()> appended = {});

  // Writes the next slot; called for every burst message.
  void append(GraphSample sample);

  GraphRingSnapshot snapshot() const;

 private:
  mutable std::mutex mutex_;
  GraphRingSnapshot ring_;
  const std::function<void()> appended_;
};

inline constexpr int kComparisonSetSize = 250;

// A loaded recording drawn over the live graph.
struct ComparisonSet {
  std::array<float, kComparisonSetSize> setpoint{};
  std::array<float, kComparisonSetSize> position{};
  int count = 0;  // points of the last load; later entries are not drawn

  // Takes the points of a load (at most kComparisonSetSize); entries beyond
  // them keep what an earlier load left.
  void assign(const std::vector<GraphSample>& points);
};

// Samples a graph `graphWidth` pixels wide holds at 3 pixels per sample (168
// for the 505-pixel live graph). The live graph shows at most one more.
int samplesAcross(int graphWidth);

// Steps back from the newest sample that the live graph and the saved file
// reach: samplesAcross(width) (168) once the ring holds more samples than
// that, else one less than the samples held (-1 for an empty ring).
int availableSteps(const GraphRingSnapshot& ring, int graphWidth);

// The samples "Save graph" writes, oldest first and ending with the newest:
// all of them while the ring holds no more than samplesAcross(width) + 1,
// otherwise the newest samplesAcross(width) + 1 (169). Empty for an empty ring.
std::vector<GraphSample> samplesToSave(const GraphRingSnapshot& ring, int graphWidth);

}  // namespace velk
