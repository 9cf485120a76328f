#include "model/graph_sample_ring.h"

#include <algorithm>

namespace velk {

const GraphSample& GraphRingSnapshot::at(int index) const {
  index %= kGraphRingSize;
  if (index < 0) index += kGraphRingSize;
  return samples[static_cast<std::size_t>(index)];
}

GraphSampleRing::GraphSampleRing(std::function<void()> appended) : appended_(std::move(appended)) {}

void GraphSampleRing::append(GraphSample sample) {
  {
    std::lock_guard lock(mutex_);
    ring_.samples[static_cast<std::size_t>(ring_.GraphIndex)] = sample;
    if (++ring_.GraphIndex >= kGraphRingSize) {
      ring_.GraphIndex = 0;
      ring_.GraphWrapped = true;
    }
  }
  if (appended_) appended_();
}

GraphRingSnapshot GraphSampleRing::snapshot() const {
  std::lock_guard lock(mutex_);
  return ring_;
}

int samplesAcross(int graphWidth) { return graphWidth / 3; }

int availableSteps(const GraphRingSnapshot& ring, int graphWidth) {
  // A graph wider than the ring cannot show a sample twice.
  const int across = std::min(samplesAcross(graphWidth), kGraphRingSize - 1);
  return (ring.GraphIndex - 1 - across >= 0 || ring.GraphWrapped) ? across : ring.GraphIndex - 1;
}

std::vector<GraphSample> samplesToSave(const GraphRingSnapshot& ring, int graphWidth) {
  const int n = availableSteps(ring, graphWidth);
  // n + 1 samples end with the newest, in slot GraphIndex - 1.
  const int first = ring.GraphIndex - 1 - n;
  std::vector<GraphSample> samples;
  samples.reserve(static_cast<std::size_t>(std::max(n + 1, 0)));
  for (int i = 0; i <= n; ++i) samples.push_back(ring.at(first + i));
  return samples;
}

void ComparisonSet::assign(const std::vector<GraphSample>& points) {
  count = static_cast<int>(std::min(points.size(), setpoint.size()));
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    setpoint[i] = points[i].setpoint;
    position[i] = points[i].position;
  }
}

}  // namespace velk
