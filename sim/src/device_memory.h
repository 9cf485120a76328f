// Command 252: the device's memory, read in blocks of up to 28 bytes. The
// request names an area, a start, a block number and a byte count. Each area
// is served by the file that owns its contents (alarm table, trends, event
// log, debug tables); an area nobody serves is refused as an invalid selection.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <utility>
#include <vector>

#include "command_registry.h"

namespace velk::sim {

inline constexpr std::uint8_t kMemoryBlockBytes = 28;

struct MemoryRead {
  std::uint8_t area = 0;
  std::uint8_t start = 0;
  std::uint8_t block = 0;
  std::uint8_t count = 0;  // 1 to 28
};

// Appends the `count` bytes the read asks for to the reply, or refuses it.
using MemoryArea = void (*)(CommandContext& c, const MemoryRead& read);

// Who serves which area. Where an area's start selects unrelated contents
// (area 0: start 0 the directory, starts 1 to 5 the debug tables), each start
// can have a server of its own, which takes precedence over the area's.
class MemoryAreas {
 public:
  void add(std::uint8_t area, MemoryArea serve) { areas_[area] = serve; }
  void add(std::uint8_t area, std::uint8_t start, MemoryArea serve) { starts_[{area, start}] = serve; }
  MemoryArea find(std::uint8_t area, std::uint8_t start) const {
    const auto specific = starts_.find({area, start});
    return specific != starts_.end() ? specific->second : areas_[area];
  }

 private:
  MemoryArea areas_[256] = {};
  std::map<std::pair<std::uint8_t, std::uint8_t>, MemoryArea> starts_;
};

// For an area that is one run of bytes from its start: the block's slice of
// `bytes`, zeros past its end.
void reply_memory_slice(CommandContext& c, const MemoryRead& read, std::span<const std::uint8_t> bytes);

// Each owner of memory areas adds them here.
void register_diagnostic_memory(MemoryAreas& areas);
void register_debug_memory(MemoryAreas& areas);

}  // namespace velk::sim
