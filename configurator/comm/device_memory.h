#pragma once
// Reading the positioner's memory with command 252: an area and a start
// select what it sends, in blocks of up to 28 bytes, as elements of 1, 2 or
// 4 bytes, least significant byte first. The DIAG ALARMS, TRENDS, DIAG 2,
// LOGS and service pages all read it so.
//
// A block that fails is not taken as data: its elements keep the values they
// had, and the result counts it, so a page never shows an old request or an
// older reply as the device's memory.

#include <cstdint>
#include <vector>

#include "comm/job_context.h"

namespace velk {

inline constexpr int kMemoryBlockBytes = 28;
inline constexpr int kMemoryUploadMaxBytes = 7168;  // 256 blocks

struct MemoryUploadResult {
  int blocks = 0;        // blocks asked for
  int failedBlocks = 0;  // blocks whose elements kept their values
  bool ok() const { return blocks > 0 && failedBlocks == 0; }
};

// One upload, a block at a time, for jobs that take a turn per block.
class MemoryUpload {
 public:
  // `count` elements of `size` bytes (1, 2 or 4; any other size transfers
  // nothing), cut to kMemoryUploadMaxBytes.
  MemoryUpload(int area, int start, int count, int size);

  bool done() const { return next_ >= result_.blocks; }
  int blocksDone() const { return next_; }
  const MemoryUploadResult& result() const { return result_; }

  // Reads the next block into `values`, which grows to `count` elements
  // (new ones 0). Sizes 2 and 4 are sign-extended; size 1 gives 0..255.
  void readNextBlock(const JobContext& job, std::vector<std::int32_t>& values);

 private:
  int area_;
  int start_;
  int count_;
  int size_;
  int totalBytes_ = 0;
  int next_ = 0;
  MemoryUploadResult result_;
};

// UploadDeviceData: the whole upload in one go. Uploads of more than a few
// blocks say in the status bar how far they are.
MemoryUploadResult UploadDeviceData(const JobContext& job, int area, int start, int count, int size,
                                    std::vector<std::int32_t>& values);

}  // namespace velk
