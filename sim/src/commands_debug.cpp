// The firmware's debug interface: command 252 reads the debug tables (area 0,
// starts 1 to 5) and the memory that table 1 points into (area 1); command 253
// writes table 1 and that memory. What table 1's entries mean is in
// firmware_memory.h.
#include "device_memory.h"
#include "firmware_memory.h"

namespace velk::sim {

namespace {

constexpr std::uint8_t kTableArea = 0;
constexpr std::uint8_t kFirmwareArea = 1;
constexpr std::uint8_t kActiveTable = 1;
constexpr std::size_t kWriteBlockBytes = 24;
constexpr std::size_t kWriteHeaderBytes = 4;

template <std::size_t Table>
void serve_table(CommandContext& c, const MemoryRead& read) {
  reply_memory_slice(c, read, debug_table(c.state, Table));
}

void serve_firmware(CommandContext& c, const MemoryRead& read) {
  const auto at = locate(c.state, read.start, read.block, read.count, AccessKind::Read);
  if (!at) return c.refuse(response::kInvalidSelection);
  for (const std::uint8_t byte : read_firmware(c.state, c.live, *at, read.count)) c.reply_u8(byte);
}

// Request: area, then for table 1 its number and a block of 24 bytes; for
// area 1 the entry of table 1 and a block number (low byte, high byte); the
// data from byte 4.
void write_memory(CommandContext& c) {
  const auto data = c.request.subspan(kWriteHeaderBytes);
  const std::uint8_t area = c.request_u8(0);
  if (area == kTableArea) {
    if (c.request_u8(1) != kActiveTable) return c.refuse(response::kInvalidSelection);
    const std::size_t offset = c.request_u8(2) * kWriteBlockBytes;
    if (offset + data.size() > kDebugTableBytes) return c.refuse(response::kParameterTooLarge);
    std::copy(data.begin(), data.end(),
              c.state.firmware.active_table.begin() + static_cast<std::ptrdiff_t>(offset));
  } else if (area == kFirmwareArea) {
    const std::size_t block = c.request_u8(2) + 256u * c.request_u8(3);
    const auto at = locate(c.state, c.request_u8(1), block, data.size(), AccessKind::Write);
    if (!at) return c.refuse(response::kInvalidSelection);
    write_firmware(c.state, c.live, *at, data);
  } else {
    return c.refuse(response::kInvalidSelection);
  }
  c.echo_request(c.request.size());
}

}  // namespace

void register_debug_memory(MemoryAreas& areas) {
  areas.add(kTableArea, 1, serve_table<1>);
  areas.add(kTableArea, 2, serve_table<2>);
  areas.add(kTableArea, 3, serve_table<3>);
  areas.add(kTableArea, 4, serve_table<4>);
  areas.add(kTableArea, 5, serve_table<5>);
  areas.add(kFirmwareArea, serve_firmware);
}

void register_debug_commands(CommandRegistry& registry) {
  // The debug interface ignores the write-protection jumper: it reaches RAM,
  // not the configuration.
  registry.add(253, {kWriteHeaderBytes, Access::OpenWrite, write_memory});
}

}  // namespace velk::sim
