// Reading the device's memory with command 252 against a scripted device
// whose memory is a run of bytes counted from 0.
#include "comm/device_memory.h"

#include <gtest/gtest.h>

#include <set>

#include "support/core_fixture.h"
#include "support/reply_bytes.h"

namespace velk {
namespace {

class DeviceMemoryTest : public CoreTest {
 protected:
  DeviceMemoryTest() {
    fake_->setResponder([this](int command, const FakeHartLink::DataField& request, int length) {
      requests_.push_back(hex(Bytes(request.begin(), request.begin() + length)));
      const int block = request[2];
      if (command != 252 || failing_.count(block)) return FakeHartLink::Reply{15, 2 << 8, {}};
      Bytes data;
      for (int i = 0; i < request[3]; ++i)
        data.push_back(memory_.at(static_cast<std::size_t>(28 * block + i)));
      return FakeHartLink::Reply{0, 0, data};
    });
  }

  Bytes memory_;
  std::set<int> failing_;
  std::vector<std::string> requests_;
};

TEST_F(DeviceMemoryTest, ReadsBlocksOf28BytesIntoLittleEndianElements) {
  memory_ = {0x01, 0x02, 0xFE, 0xFF, 0x00, 0x80};
  memory_.resize(100, 0x11);
  struct Case {
    int count;
    int size;
    std::vector<std::string> requests;  // area, start, block, bytes
    std::vector<std::int32_t> first;
  };
  const Case cases[] = {
      {6, 1, {"09030006"}, {1, 2, 0xFE, 0xFF, 0, 0x80}},
      {3, 2, {"09030006"}, {0x0201, -2, -32768}},
      {1, 4, {"09030004"}, {static_cast<std::int32_t>(0xFFFE0201)}},
      // 100 bytes: blocks of 28, 28, 28 and 16.
      {25, 4, {"0903001C", "0903011C", "0903021C", "09030310"}, {}},
  };
  for (const Case& c : cases) {
    requests_.clear();
    std::vector<std::int32_t> values;
    const MemoryUploadResult result = UploadDeviceData(job(), 9, 3, c.count, c.size, values);
    EXPECT_EQ(requests_, c.requests) << c.count << " x " << c.size;
    EXPECT_TRUE(result.ok());
    ASSERT_EQ(values.size(), static_cast<std::size_t>(c.count));
    EXPECT_EQ(std::vector<std::int32_t>(values.begin(), values.begin() + static_cast<long>(c.first.size())),
              c.first);
  }
}

TEST_F(DeviceMemoryTest, AFailedBlockKeepsItsElementsAndIsCounted) {
  memory_.assign(87, 1);
  failing_ = {1};
  std::vector<std::int32_t> values(87, 7);
  const MemoryUploadResult result = UploadDeviceData(job(), 9, 0, 87, 1, values);
  EXPECT_EQ(result.blocks, 4);
  EXPECT_EQ(result.failedBlocks, 1);
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(values[27], 1);
  EXPECT_EQ(values[28], 7);  // the failed block's
  EXPECT_EQ(values[55], 7);
  EXPECT_EQ(values[56], 1);
  EXPECT_EQ(values[86], 1);
}

TEST_F(DeviceMemoryTest, AnUnknownSizeSendsNothingAndALongUploadIsCutTo256Blocks) {
  memory_.assign(7168, 1);
  std::vector<std::int32_t> values{5};
  EXPECT_EQ(UploadDeviceData(job(), 2, 0, 10, 35, values).blocks, 0);
  EXPECT_TRUE(requests_.empty());
  EXPECT_EQ(values, std::vector<std::int32_t>{5});

  const MemoryUploadResult result = UploadDeviceData(job(), 2, 0, 3000, 4, values);
  EXPECT_EQ(result.blocks, 256);
  EXPECT_EQ(requests_.size(), 256u);
  EXPECT_EQ(values.size(), 3000u);
  EXPECT_EQ(values[1791], 0x01010101);
  EXPECT_EQ(values[1792], 0);  // beyond the cut: never read
}

}  // namespace
}  // namespace velk

namespace velk {
namespace {

TEST_F(DeviceMemoryTest, ASequenceReadsOneBlockPerStepAndAPartMayQueueTheNext) {
  memory_.assign(100, 0);
  memory_[0] = 2;  // the first part says how many bytes the second reads
  std::vector<std::int32_t> head, tail;
  int finished = 0;
  MemoryUploadResult outcome;
  const StepJob steps = uploadJob({
      [&](const JobContext&, UploadSequence& sequence) {
        sequence.add(1, 0, 1, 1, head, [&](UploadSequence& next) { next.add(2, 0, 28 * head[0], 1, tail); });
      },
      [&](const JobContext&, const MemoryUploadResult& result) {
        ++finished;
        outcome = result;
      },
  });
  EXPECT_TRUE(steps.step(job()));
  EXPECT_EQ(requests_.size(), 1u);
  EXPECT_TRUE(steps.step(job()));
  EXPECT_FALSE(steps.step(job()));
  EXPECT_EQ(requests_, (std::vector<std::string>{"01000001", "0200001C", "0200011C"}));
  EXPECT_EQ(finished, 1);
  EXPECT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.blocks, 3);
}

TEST_F(DeviceMemoryTest, AnUploadDroppedHalfWayFinishesWithTheBlocksNotReadAsFailed) {
  memory_.assign(100, 1);
  std::vector<std::int32_t> values;
  std::vector<MemoryUploadResult> finishes;
  const Upload upload{
      [&](const JobContext&, UploadSequence& sequence) { sequence.add(9, 0, 87, 1, values); },
      [&](const JobContext&, const MemoryUploadResult& result) { finishes.push_back(result); },
  };
  uploadJob(upload).dropped();  // before its first turn: nothing began, nothing to show
  EXPECT_TRUE(finishes.empty());

  const StepJob steps = uploadJob(upload);
  EXPECT_TRUE(steps.step(job()));
  steps.dropped();
  steps.dropped();
  ASSERT_EQ(finishes.size(), 1u);
  EXPECT_EQ(finishes[0].blocks, 4);
  EXPECT_EQ(finishes[0].failedBlocks, 3);
  EXPECT_EQ(uploadOutcomeText(finishes[0]), "Error in uploading: 3 of 4 blocks failed");
}

// What an upload hands to the device history: its values with those of
// failed or unread blocks marked, and nothing when no block was read.
TEST_F(DeviceMemoryTest, AnUploadIsRecordedWithTheValuesOfFailedBlocksMarked) {
  memory_.assign(100, 1);
  std::vector<FinishedWork> recorded;
  window().History.install([&](FinishedWork work) { recorded.push_back(std::move(work)); });
  struct Case {
    std::set<int> failing;
    int steps;  // before the job is dropped; -1: to its end
    std::vector<bool> failed;  // of 10 elements of 4 bytes: blocks of 7 and 3
    bool recordedAtAll;
  };
  const std::vector<bool> none(10, false), second(7, false);
  std::vector<bool> secondFailed = second;
  secondFailed.insert(secondFailed.end(), 3, true);
  const Case cases[] = {
      {{}, -1, none, true},
      {{1}, -1, secondFailed, true},
      {{}, 1, secondFailed, true},  // dropped after the first block
      {{0, 1}, -1, {}, false},
  };
  for (const Case& c : cases) {
    failing_ = c.failing;
    recorded.clear();
    std::vector<std::int32_t> values;
    std::vector<bool> given;
    const StepJob steps = uploadJob({
        [&](const JobContext&, UploadSequence& sequence) { sequence.add(5, 0, 10, 4, values); },
        [](const JobContext&, const MemoryUploadResult&) {},
        UploadRecord{HistoryKind::Trend,
                     [&](const JobContext&, const std::vector<bool>& failed) {
                       given = failed;
                       return QByteArray("values\n");
                     }},
    });
    for (int step = 0; c.steps < 0 || step < c.steps; ++step)
      if (!steps.step(job())) break;
    if (c.steps >= 0) steps.dropped();
    ASSERT_EQ(recorded.size(), c.recordedAtAll ? 1u : 0u) << c.failing.size() << " " << c.steps;
    if (!c.recordedAtAll) continue;
    EXPECT_EQ(recorded[0].kind, HistoryKind::Trend);
    EXPECT_EQ(recorded[0].payload, "values\n");
    EXPECT_EQ(given, c.failed) << c.failing.size() << " " << c.steps;
  }
  window().History.install({});
}

}  // namespace
}  // namespace velk
