#pragma once
// The device's debug interface as the service pages use it. Command 252
// reads and 253 writes a block; area 0 holds five tables of 14 four-byte
// entries: table 1 directs every access to area 1 (the device's memory),
// tables 3, 4 and 5 are templates copied into it, table 2 holds the eight
// debug variables. What an entry addresses belongs to the firmware.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "comm/job_context.h"

namespace velk {

inline constexpr int kDebugTableEntries = 14;
inline constexpr int kTableArea = 0;
inline constexpr int kFirmwareArea = 1;
inline constexpr int kActiveTable = 1;
inline constexpr int kWriteBlockBytes = 24;  // data bytes of one command 253

using DebugTable = std::array<std::uint32_t, kDebugTableEntries>;

// Command 253: the four header bytes, then `count` (at most 24) data bytes.
bool writeMemoryBlock(const JobContext& job, const std::array<int, 4>& header, const std::uint8_t* data,
                      int count);

// Table `table`, read in two blocks of seven entries; nothing if a block failed.
std::optional<DebugTable> readDebugTable(const JobContext& job, int table);

// Writes the 14 entries into table 1 in three blocks (6, 6 and 2 entries),
// each entry's four bytes as they are. All three are tried; true when all
// went through.
bool writeActiveTable(const JobContext& job, const DebugTable& entries);

// Copies table `table` into table 1. A table that could not be read is not
// copied: table 1 would point wherever the failed reply left it. On failure
// the status bar says so, and the caller stops before touching area 1.
bool copyDebugTable(const JobContext& job, int table);

}  // namespace velk
