#include "device_memory.h"

namespace velk::sim {

namespace {

const MemoryAreas& memory_areas() {
  static const MemoryAreas areas = [] {
    MemoryAreas table;
    register_diagnostic_memory(table);
    register_debug_memory(table);
    return table;
  }();
  return areas;
}

void read_memory(CommandContext& c) {
  const MemoryRead read{c.request_u8(0), c.request_u8(1), c.request_u8(2), c.request_u8(3)};
  if (read.count == 0) return c.refuse(response::kParameterTooSmall);
  if (read.count > kMemoryBlockBytes) return c.refuse(response::kParameterTooLarge);
  const MemoryArea serve = memory_areas().find(read.area, read.start);
  if (serve == nullptr) return c.refuse(response::kInvalidSelection);
  serve(c, read);
}

}  // namespace

void reply_memory_slice(CommandContext& c, const MemoryRead& read, std::span<const std::uint8_t> bytes) {
  const std::size_t offset = std::size_t{read.block} * kMemoryBlockBytes;
  for (std::size_t i = 0; i < read.count; ++i) c.reply_u8(offset + i < bytes.size() ? bytes[offset + i] : 0);
}

void register_memory_commands(CommandRegistry& registry) {
  registry.add(252, {4, Access::Read, read_memory});
}

}  // namespace velk::sim
