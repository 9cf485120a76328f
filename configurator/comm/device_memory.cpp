#include "comm/device_memory.h"

#include <algorithm>
#include <optional>

#include "comm/device_commands.h"

namespace velk {

namespace {

constexpr int kRequestBytes = 4;
// Fewer blocks go by too quickly for a progress text to be read.
constexpr int kBlocksWorthAProgressText = 4;

bool validElementSize(int size) { return size == 1 || size == 2 || size == 4; }

// Size 1 reads 0..255, sizes 2 and 4 are sign-extended.
std::int32_t element(const std::uint8_t* bytes, int size) {
  return static_cast<std::int32_t>(memoryElement(bytes, size, size != 1));
}

}  // namespace

bool readMemoryBlock(const JobContext& job, int area, int selector1, int selector2, int count,
                     std::uint8_t* data) {
  auto tx = job.transaction();
  tx->SetInteger(0, 1, static_cast<unsigned>(area));
  tx->SetInteger(1, 1, static_cast<unsigned>(selector1));
  tx->SetInteger(2, 1, static_cast<unsigned>(selector2));
  tx->SetInteger(3, 1, static_cast<unsigned>(count));
  // A block shorter than asked fails as a whole, as a block without reply does.
  if (!job.ExecuteCommand(tx, kReadMemory, kRequestBytes, count)) return false;
  for (int i = 0; i < count; ++i) data[i] = static_cast<std::uint8_t>(tx->GetInteger(i, 1));
  return true;
}

std::int64_t memoryElement(const std::uint8_t* bytes, int size, bool isSigned) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  if (isSigned && size > 0 && size < 8 && (bytes[size - 1] & 0x80)) value |= ~std::uint64_t{0} << (8 * size);
  return static_cast<std::int64_t>(value);
}

MemoryUpload::MemoryUpload(int area, int start, int count, int size)
    : area_(area), start_(start), count_(std::max(count, 0)), size_(size) {
  if (!validElementSize(size_)) return;
  totalBytes_ = std::min(count_ * size_, kMemoryUploadMaxBytes);
  result_.blocks = (totalBytes_ + kMemoryBlockBytes - 1) / kMemoryBlockBytes;
  blockFailed_.assign(static_cast<std::size_t>(result_.blocks), false);
}

std::vector<bool> MemoryUpload::failedElements() const {
  std::vector<bool> failed(static_cast<std::size_t>(count_), true);
  for (int element = 0; element < count_; ++element) {
    const int offset = element * size_;
    if (offset + size_ > totalBytes_) continue;
    const int block = offset / kMemoryBlockBytes;
    failed[static_cast<std::size_t>(element)] = block >= next_ || blockFailed_[static_cast<std::size_t>(block)];
  }
  return failed;
}

void MemoryUpload::readNextBlock(const JobContext& job, std::vector<std::int32_t>& values) {
  if (done()) return;
  const int block = next_++;
  const int offset = block * kMemoryBlockBytes;
  const int bytes = std::min(totalBytes_ - offset, kMemoryBlockBytes);
  if (static_cast<int>(values.size()) < count_) values.resize(static_cast<std::size_t>(count_), 0);

  std::uint8_t data[kMemoryBlockBytes] = {};
  if (!readMemoryBlock(job, area_, start_, block, bytes, data)) {
    ++result_.failedBlocks;
    blockFailed_[static_cast<std::size_t>(block)] = true;
    return;
  }
  // 28 is a multiple of every element size: no element straddles two blocks.
  for (int i = 0; i + size_ <= bytes; i += size_)
    values[static_cast<std::size_t>((offset + i) / size_)] = element(data + i, size_);
}

void UploadSequence::add(int area, int start, int count, int size, std::vector<std::int32_t>& values,
                         Then then) {
  parts_.push_back({MemoryUpload(area, start, count, size), &values, std::move(then)});
}

bool UploadSequence::done() const { return current_ >= parts_.size(); }

int UploadSequence::blocks() const {
  int blocks = 0;
  for (const Part& part : parts_) blocks += part.upload.result().blocks;
  return blocks;
}

void UploadSequence::readNextBlock(const JobContext& job) {
  bool blockRead = false;
  while (current_ < parts_.size()) {
    Part& part = parts_[current_];
    if (!part.upload.done()) {
      if (blockRead) return;
      const int total = blocks();
      if (total > kBlocksWorthAProgressText)
        job.progress(QString("Uploading... block %1 of %2").arg(blocksDone_ + 1).arg(total));
      part.upload.readNextBlock(job, *part.values);
      ++blocksDone_;
      blockRead = true;
      if (!part.upload.done()) return;
    }
    // A part is over (or had nothing to read): its follow-up may queue more,
    // which can move the parts in memory.
    Then then = std::move(part.then);
    ++current_;
    if (then) then(*this);
  }
}

MemoryUploadResult UploadSequence::result() const {
  MemoryUploadResult result;
  for (const Part& part : parts_) {
    result.blocks += part.upload.result().blocks;
    result.failedBlocks += part.upload.result().failedBlocks;
  }
  result.failedBlocks += result.blocks - blocksDone_;
  return result;
}

std::vector<bool> UploadSequence::failedElements() const {
  std::vector<bool> failed;
  for (const Part& part : parts_) {
    const std::vector<bool> partFailed = part.upload.failedElements();
    failed.insert(failed.end(), partFailed.begin(), partFailed.end());
  }
  return failed;
}

StepJob uploadJob(Upload upload) {
  struct Run {
    Upload upload;
    UploadSequence sequence;
    std::optional<JobContext> job;  // from the first turn on
    bool finished = false;
    void finish() {
      if (finished || !job) return;
      finished = true;
      const MemoryUploadResult result = sequence.result();
      upload.finish(*job, result);
      // An upload that read nothing has nothing of the device to remember.
      if (!upload.record || result.failedBlocks >= result.blocks) return;
      QByteArray payload = upload.record->payload(*job, sequence.failedElements());
      if (!payload.isEmpty()) job->window.History.record({upload.record->kind, std::move(payload)});
    }
  };
  auto run = std::make_shared<Run>();
  run->upload = std::move(upload);
  StepJob steps;
  steps.step = [run](const JobContext& job) {
    if (!run->job) {
      run->job.emplace(job);
      run->upload.begin(job, run->sequence);
    }
    if (!run->sequence.done()) run->sequence.readNextBlock(job);
    if (!run->sequence.done()) return true;
    run->finish();
    return false;
  };
  // Dropped before its first turn it never began: there is nothing to show.
  steps.dropped = [run] { run->finish(); };
  return steps;
}

QString uploadOutcomeText(const MemoryUploadResult& result) {
  if (result.ok()) return "Upload OK";
  return QString("Error in uploading: %1 of %2 blocks failed").arg(result.failedBlocks).arg(result.blocks);
}

MemoryUploadResult UploadDeviceData(const JobContext& job, int area, int start, int count, int size,
                                    std::vector<std::int32_t>& values) {
  MemoryUpload upload(area, start, count, size);
  const int blocks = upload.result().blocks;
  while (!upload.done()) {
    if (blocks > kBlocksWorthAProgressText)
      job.progress(QString("Uploading... block %1 of %2").arg(upload.blocksDone() + 1).arg(blocks));
    upload.readNextBlock(job, values);
  }
  if (blocks > kBlocksWorthAProgressText) job.progress({});
  return upload.result();
}

}  // namespace velk
