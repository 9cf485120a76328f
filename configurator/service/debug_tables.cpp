#include "service/debug_tables.h"

#include "comm/device_commands.h"

#include <algorithm>

namespace velk {

namespace {

constexpr int kEntriesPerRead = 7;
constexpr int kEntriesPerWrite = 6;

}  // namespace

bool writeMemoryBlock(const JobContext& job, const std::array<int, 4>& header, const std::uint8_t* data,
                      int count) {
  auto tx = job.transaction();
  for (int i = 0; i < 4; ++i)
    tx->SetInteger(i, 1, static_cast<unsigned>(header[static_cast<std::size_t>(i)]));
  for (int i = 0; i < count; ++i) tx->SetInteger(4 + i, 1, data[i]);
  return job.ExecuteCommand(tx, kWriteMemory, 4 + count);
}

std::optional<DebugTable> readDebugTable(const JobContext& job, int table) {
  DebugTable entries{};
  for (int block = 0; block * kEntriesPerRead < kDebugTableEntries; ++block) {
    auto tx = job.transaction();
    tx->SetInteger(0, 1, kTableArea);
    tx->SetInteger(1, 1, static_cast<unsigned>(table));
    tx->SetInteger(2, 1, static_cast<unsigned>(block));
    tx->SetInteger(3, 1, 4 * kEntriesPerRead);
    if (!job.ExecuteCommand(tx, kReadMemory, 4, 4 * kEntriesPerRead)) return std::nullopt;
    for (int i = 0; i < kEntriesPerRead; ++i)
      entries[static_cast<std::size_t>(block * kEntriesPerRead + i)] = tx->GetInteger(4 * i, 4);
  }
  return entries;
}

bool writeActiveTable(const JobContext& job, const DebugTable& entries) {
  bool written = true;
  for (int block = 0; block * kEntriesPerWrite < kDebugTableEntries; ++block) {
    const int first = block * kEntriesPerWrite;
    const int count = std::min(kEntriesPerWrite, kDebugTableEntries - first);
    auto tx = job.transaction();
    tx->SetInteger(0, 1, kTableArea);
    tx->SetInteger(1, 1, kActiveTable);
    tx->SetInteger(2, 1, static_cast<unsigned>(block));
    tx->SetInteger(3, 1, 0);
    for (int i = 0; i < count; ++i)
      tx->SetInteger(4 + 4 * i, 4, entries[static_cast<std::size_t>(first + i)]);
    written = job.ExecuteCommand(tx, kWriteMemory, 4 + 4 * count) && written;
  }
  return written;
}

bool copyDebugTable(const JobContext& job, int table) {
  const auto entries = readDebugTable(job, table);
  if (!entries) {
    job.progress(QString("Table %1 could not be read: table 1 was left as it was").arg(table));
    return false;
  }
  if (!writeActiveTable(job, *entries)) {
    job.progress(QString("Table %1 could not be copied into table 1").arg(table));
    return false;
  }
  return true;
}

}  // namespace velk
