#include "model/graph_sample_ring.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace velk {
namespace {

constexpr int kLiveGraphWidth = 505;

// Sample i carries setpoint i and position -i, so order and pairing show.
void append(GraphSampleRing& ring, int samples) {
  for (int i = 0; i < samples; ++i) ring.append({static_cast<float>(i), static_cast<float>(-i)});
}

GraphRingSnapshot ringWith(int samples) {
  GraphSampleRing ring;
  append(ring, samples);
  return ring.snapshot();
}

TEST(GraphSampleRing, WrapsAfter500SamplesAndStaysWrapped) {
  GraphSampleRing ring;
  append(ring, 499);
  EXPECT_EQ(ring.snapshot().GraphIndex, 499);
  EXPECT_FALSE(ring.snapshot().GraphWrapped);
  ring.append({});
  EXPECT_EQ(ring.snapshot().GraphIndex, 0);
  EXPECT_TRUE(ring.snapshot().GraphWrapped);
  for (int i = 0; i < 600; ++i) ring.append({});
  EXPECT_TRUE(ring.snapshot().GraphWrapped);
  EXPECT_EQ(ring.snapshot().GraphIndex, 100);
}

// The graphs repaint from a snapshot taken when they hear of a sample: the
// sample must be readable by then, and the ring's lock free.
TEST(GraphSampleRing, TellsOfEveryAppendOnceTheSampleCanBeRead) {
  std::vector<float> newestSeen;
  GraphSampleRing ring([&] {
    const auto s = ring.snapshot();
    newestSeen.push_back(s.at(s.GraphIndex - 1).setpoint);
  });
  append(ring, 3);
  EXPECT_EQ(newestSeen, (std::vector<float>{0, 1, 2}));
}

TEST(SamplesToSave, WritesAtMost169SamplesOldestFirstEndingWithTheNewest) {
  struct Case {
    int appended;
    int expectedCount;
  };
  const Case cases[] = {{0, 0},     {1, 1},     {100, 100}, {169, 169},
                        {170, 169}, {499, 169}, {500, 169}, {600, 169}};
  for (const auto& c : cases) {
    auto samples = samplesToSave(ringWith(c.appended), kLiveGraphWidth);
    ASSERT_EQ(static_cast<int>(samples.size()), c.expectedCount) << c.appended << " appended";
    for (int i = 0; i < c.expectedCount; ++i) {
      const float expected = static_cast<float>(c.appended - c.expectedCount + i);
      EXPECT_EQ(samples[static_cast<std::size_t>(i)], (GraphSample{expected, -expected}))
          << c.appended << " appended, line " << i;
    }
  }
}

TEST(AvailableSteps, NeverReachesASampleTwiceOnAWideGraph) {
  const auto ring = ringWith(600);
  EXPECT_EQ(availableSteps(ring, kLiveGraphWidth), 168);
  EXPECT_EQ(availableSteps(ring, 3000), 499);
  EXPECT_EQ(samplesToSave(ring, 3000).size(), 500u);
  EXPECT_EQ(availableSteps(ringWith(0), kLiveGraphWidth), -1);
}

// The sampling thread appends while the GUI thread takes snapshots: every
// snapshot must hold whole samples whose order matches its GraphIndex.
TEST(GraphSampleRing, SnapshotsTakenWhileAppendingAreConsistent) {
  GraphSampleRing ring;
  std::atomic<bool> stop{false};
  std::atomic<bool> sampled{false};
  std::thread sampler([&] {
    // Whole numbers stay exact in a float up to 2^24. Yielding lets the
    // reader in between appends, as the burst rate does in the program.
    for (int i = 1; i < (1 << 24) && !stop; ++i) {
      ring.append({static_cast<float>(i), static_cast<float>(i)});
      std::this_thread::yield();
    }
    sampled = true;
  });
  while (!ring.snapshot().GraphWrapped) std::this_thread::yield();

  // Snapshots until a hundred of them caught the sampler at different points.
  int faults = 0;
  std::set<float> newestSeen;
  while (newestSeen.size() < 100 && !sampled) {
    const auto s = ring.snapshot();
    const float newest = s.at(s.GraphIndex - 1).setpoint;
    newestSeen.insert(newest);
    for (int back = 0; back < kGraphRingSize; ++back) {
      const auto& sample = s.at(s.GraphIndex - 1 - back);
      if (sample.setpoint != sample.position || sample.setpoint != newest - static_cast<float>(back))
        ++faults;
    }
  }
  stop = true;
  sampler.join();
  EXPECT_EQ(faults, 0);
}

}  // namespace
}  // namespace velk
