#include "service/array_transfer.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "comm/device_memory.h"
#include "model/form_state.h"
#include "model/window_operations.h"
#include "service/debug_operations.h"
#include "service/debug_tables.h"

namespace velk {

namespace {

constexpr int kBlocksPerPage = 299;

std::int64_t blocksOf(std::int64_t bytes, int blockBytes) { return (bytes + blockBytes - 1) / blockBytes; }

// What both transfers share: the shape of the array, the job they run in
// (from their first step on), how far they are and how they end.
struct Transfer {
  std::shared_ptr<ArrayGrid> grid;
  std::shared_ptr<TransferCancel> cancel;
  QString folder;
  const char* what;  // "Read array", "Write array"

  std::optional<JobContext> job;
  bool started = false;
  bool over = false;
  int elementSize = 1;
  std::int64_t total = 0;
  int blocks = 0;
  int next = 0;
  int failed = 0;
  std::int64_t elements = 0;

  // Reads the shape from the page; false when there is nothing to do.
  bool readShape(const JobContext& context) {
    const auto length = integerField(context, kArrayLength);
    const auto dataSize = length ? integerField(context, kDataSize) : std::nullopt;
    if (!length || !dataSize) return false;
    elementSize = arrayElementSize(*dataSize);
    total = arrayTotalBytes(*length, elementSize);
    return total >= 0;
  }

  // Runs the steps around `block`, which does one block and says whether
  // the transfer goes on.
  template <typename Begin, typename Block, typename End>
  bool step(const JobContext& context, Begin begin, Block block, End end) {
    if (!started) {
      started = true;
      job.emplace(context);
      if (!begin(context)) {
        over = true;
        return false;
      }
    }
    if (over) return false;
    if (cancel->requested()) {
      finish(QString("%1 cancelled after %2 of %3 blocks").arg(what).arg(next).arg(blocks), end);
      return false;
    }
    context.progress(QString("%1... block %2 of %3").arg(what).arg(next + 1).arg(blocks));
    if (block(context)) return true;
    finish(QString(), end);
    return false;
  }

  // `outcome` empty: the transfer ran its course.
  template <typename End>
  void finish(const QString& outcome, End end) {
    if (over) return;
    over = true;
    QString text = outcome;
    if (text.isEmpty() && failed > 0)
      text = QString("%1: %2 of %3 blocks failed").arg(what).arg(failed).arg(next);
    end(text);
  }
};

struct ReadRun : Transfer {
  bool isSigned = false;
  std::ofstream file;
  QString path;
  bool saving = false;

  bool begin(const JobContext& context) {
    if (!readShape(context)) return false;
    isSigned = context.form.checked(kArraySigned);
    grid->clear(ArrayGrid::Read);
    path = QDir(folder).filePath(kReadArrayFileName);
    file.open(QFile::encodeName(path).toStdString(), std::ios::out | std::ios::trunc);
    saving = file.is_open();
    context.form.setText(kArrayFile, saving ? path : QString());
    if (!saving)
      context.operations.reportError(QString("%1 could not be created: %2. The grid shows what is read.")
                                         .arg(path, std::strerror(errno)));
    blocks = static_cast<int>(blocksOf(total, kReadBlockBytes));
    if (blocks == 0) end(QString());
    return blocks > 0;
  }

  bool block(const JobContext& context) {
    const int block = next++;
    const int count = static_cast<int>(
        std::min<std::int64_t>(total - std::int64_t{block} * kReadBlockBytes, kReadBlockBytes));
    std::uint8_t data[kReadBlockBytes] = {};
    const bool read = readMemoryBlock(context, kFirmwareArea, block / 256, block % 256, count, data);
    if (!read) ++failed;
    std::string lines;
    for (int i = 0; i < count; i += elementSize) {
      const int piece = std::min(elementSize, count - i);
      const auto value = read ? std::optional(memoryElement(data + i, piece, isSigned)) : std::nullopt;
      grid->set(elements++, ArrayGrid::Read, value);
      lines += (value ? std::to_string(*value) : std::string()) + "\n";
    }
    context.form.setText(kElementsDone, QString::number(elements));
    if (saving && !(file << lines << std::flush)) {
      saving = false;
      context.operations.reportError(QString("%1 could not be written: %2").arg(path, std::strerror(errno)));
    }
    return next < blocks;
  }

  void end(const QString& outcome) {
    const bool saved = saving;
    file.close();
    if (!job) return;
    QString text = outcome.isEmpty()
                       ? QString("%1: %2 elements in %3 blocks").arg(what).arg(elements).arg(blocks)
                       : outcome;
    text += saved ? QString(", saved in %1").arg(path) : QString(", not saved in a file");
    job->progress(text);
  }
};

struct WriteRun : Transfer {
  std::vector<std::int64_t> values;
  QString path;

  bool begin(const JobContext& context) {
    if (!readShape(context)) return false;
    context.form.setText(kElementsDone, QString());
    path = QDir(folder).filePath(kWriteArrayFileName);
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
      context.form.setText(kArrayFile, QString());
      context.operations.reportError(QString("%1 could not be read: %2").arg(path, source.errorString()));
      context.progress(QString("%1: nothing was written").arg(what));
      return false;
    }
    context.form.setText(kArrayFile, path);
    // Numbers up to the first text that is none, and no more than the array holds.
    const std::int64_t wanted = blocksOf(total, elementSize);
    QTextStream in(&source);
    while (static_cast<std::int64_t>(values.size()) < wanted) {
      QString token;
      in >> token;
      bool number = false;
      const qlonglong value = token.toLongLong(&number, 10);
      if (!number) break;
      values.push_back(value);
    }
    grid->clear(ArrayGrid::Written);
    blocks = static_cast<int>(blocksOf(total, kWriteBlockBytes));
    if (values.empty()) {
      context.progress(QString("%1: %2 holds no number to write").arg(what, path));
      return false;
    }
    return true;
  }

  bool block(const JobContext& context) {
    const int block = next++;
    const int count = static_cast<int>(
        std::min<std::int64_t>(total - std::int64_t{block} * kWriteBlockBytes, kWriteBlockBytes));
    std::uint8_t data[kWriteBlockBytes] = {};
    int filled = 0;
    while (filled < count && elements < static_cast<std::int64_t>(values.size())) {
      const std::int64_t value = values[static_cast<std::size_t>(elements)];
      const int piece = std::min(elementSize, count - filled);
      for (int i = 0; i < piece; ++i) data[filled + i] = static_cast<std::uint8_t>(value >> (8 * i));
      grid->set(elements++, ArrayGrid::Written, value);
      filled += piece;
    }
    const WriteBlockAddress at = writeBlockAddress(block);
    if (!writeMemoryBlock(context, {kFirmwareArea, at.page, at.low, at.high}, data, filled)) ++failed;
    context.form.setText(kElementsDone, QString::number(elements));
    return next < blocks && elements < static_cast<std::int64_t>(values.size());
  }

  void end(const QString& outcome) {
    if (!job) return;
    job->progress(
        outcome.isEmpty()
            ? QString("%1: %2 elements in %3 blocks from %4").arg(what).arg(elements).arg(next).arg(path)
            : outcome);
  }
};

template <typename Run>
StepJob transferSteps(std::shared_ptr<Run> run) {
  StepJob steps;
  steps.step = [run](const JobContext& job) {
    return run->step(
        job, [&](const JobContext& context) { return run->begin(context); },
        [&](const JobContext& context) { return run->block(context); },
        [&](const QString& outcome) { run->end(outcome); });
  };
  steps.dropped = [run] {
    if (!run->started) return;  // never began: there is nothing to tell
    run->finish(QString("%1 stopped after %2 of %3 blocks: the connection was closed")
                    .arg(run->what)
                    .arg(run->next)
                    .arg(run->blocks),
                [&](const QString& outcome) { run->end(outcome); });
  };
  return steps;
}

}  // namespace

void applyArrayDefaults(FormState& form) {
  form.setText(kArrayLength, "100");
  form.setText(kDataSize, "2");
  form.setChecked(kArraySigned, false);
  form.setText(kElementsDone, QString());
  form.setText(kArrayFile, QString());
}

int arrayElementSize(std::int64_t dataSize) {
  if (dataSize < 1) return 1;
  if (dataSize == 3 || dataSize >= 5) return 4;
  return static_cast<int>(dataSize);
}

std::int64_t arrayTotalBytes(std::int64_t length, int elementSize) {
  // A length beyond any array still must not overflow.
  const std::int64_t limit = kArrayMaxBytes / elementSize + 1;
  return std::min(std::min(length, limit) * elementSize, kArrayMaxBytes);
}

WriteBlockAddress writeBlockAddress(int block) {
  const int within = block % kBlocksPerPage;
  return {block / kBlocksPerPage, within % 256, within / 256};
}

StepJob readArray(std::shared_ptr<ArrayGrid> grid, std::shared_ptr<TransferCancel> cancel,
                  const QString& folder) {
  auto run = std::make_shared<ReadRun>();
  run->grid = std::move(grid);
  run->cancel = std::move(cancel);
  run->folder = folder;
  run->what = "Read array";
  return transferSteps(run);
}

StepJob writeArray(std::shared_ptr<ArrayGrid> grid, std::shared_ptr<TransferCancel> cancel,
                   const QString& folder) {
  auto run = std::make_shared<WriteRun>();
  run->grid = std::move(grid);
  run->cancel = std::move(cancel);
  run->folder = folder;
  run->what = "Write array";
  return transferSteps(run);
}

}  // namespace velk
