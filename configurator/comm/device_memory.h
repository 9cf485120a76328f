#pragma once
// Reading the positioner's memory with command 252: an area and a start
// select what it sends, in blocks of up to 28 bytes, as elements of 1, 2 or
// 4 bytes, least significant byte first. The DIAG ALARMS, TRENDS, DIAG 2,
// LOGS and service pages all read it so.
//
// A block that fails is not taken as data: its elements keep the values they
// had, and the result counts it, so a page never shows an old request or an
// older reply as the device's memory.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "comm/step_job.h"
#include "model/history_kind.h"

namespace velk {

inline constexpr int kMemoryBlockBytes = 28;
inline constexpr int kMemoryUploadMaxBytes = 7168;  // 256 blocks

// One command 252 with the four request bytes as given: the area, two
// selectors whose meaning the area decides, and `count` (1 to 28) bytes
// wanted. On success the bytes are in `data`; a failed read leaves it alone.
bool readMemoryBlock(const JobContext& job, int area, int selector1, int selector2, int count,
                     std::uint8_t* data);

// An element of `size` bytes (1 to 8) assembled least significant byte
// first; `isSigned` extends the top bit of its last byte.
std::int64_t memoryElement(const std::uint8_t* bytes, int size, bool isSigned);

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
  // Element by element (`count` of them): its block failed or was not read
  // (yet, or at all: beyond the cut).
  std::vector<bool> failedElements() const;

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
  std::vector<bool> blockFailed_;
};

// Several uploads one after the other, a block at a time: a page's upload as
// a job that reads one block per turn of the command thread (step_job.h), so
// burst monitoring and other jobs get the link in between.
class UploadSequence {
 public:
  using Then = std::function<void(UploadSequence& sequence)>;

  // Queues an upload into `values` (which must outlive the sequence), read
  // after those queued before. `then` runs once its last block is read, and
  // may queue more (the event log's entries, once the directory says how many).
  void add(int area, int start, int count, int size, std::vector<std::int32_t>& values, Then then = {});

  bool done() const;
  int blocks() const;  // of the uploads queued so far
  int blocksDone() const { return blocksDone_; }
  // The next block; the status bar says how far the sequence is when it has
  // more than a few blocks.
  void readNextBlock(const JobContext& job);
  // Blocks of all uploads; the blocks not read (the job was dropped) count as failed.
  MemoryUploadResult result() const;
  // The elements of all uploads in the order they were queued, each
  // true where it holds no value read from the device.
  std::vector<bool> failedElements() const;

 private:
  struct Part {
    MemoryUpload upload;
    std::vector<std::int32_t>* values;
    Then then;
  };
  std::vector<Part> parts_;
  std::size_t current_ = 0;
  int blocksDone_ = 0;
};

// What the device history keeps of an upload: its kind, and the payload
// made from what the page shows once `finish` has run, given element by
// element (UploadSequence::failedElements) which values were not read. An
// empty payload records nothing.
struct UploadRecord {
  HistoryKind kind = HistoryKind::Signature;
  std::function<QByteArray(const JobContext& job, const std::vector<bool>& failed)> payload;
};

// A page's upload: `begin` runs on the job's first turn and queues what to
// read (reading the form state as it is then); `finish` runs after the last
// block, or when the job is dropped half way, with what was read. Then, if
// any block was read, `record` hands the upload to the device history.
struct Upload {
  std::function<void(const JobContext& job, UploadSequence& sequence)> begin;
  std::function<void(const JobContext& job, const MemoryUploadResult& result)> finish;
  std::optional<UploadRecord> record = std::nullopt;
};

// The upload as a job of a block per turn.
StepJob uploadJob(Upload upload);

// What the status bar says after an upload: "Upload OK", or "Error in
// uploading" with how many blocks failed.
QString uploadOutcomeText(const MemoryUploadResult& result);

// UploadDeviceData: the whole upload in one go. Uploads of more than a few
// blocks say in the status bar how far they are.
MemoryUploadResult UploadDeviceData(const JobContext& job, int area, int start, int count, int size,
                                    std::vector<std::int32_t>& values);

}  // namespace velk
