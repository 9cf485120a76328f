// Command 250: raw data groups and arrays for the IRS page, and the symptom
// limits the LIMITS page downloads. Byte 0 picks the kind: 5 a group (byte 2
// its number), 7 an array (byte 1 the chunk, byte 2 the array), 9 a chunk of
// the limit table (byte 1 the chunk, byte 2 the key 240, bytes 3 and 4 the
// table's length, data from byte 5). Every reply starts with the request's
// first three bytes; values are 16-bit big-endian.
#include <cmath>

#include "command_registry.h"
#include "diagnostic_history.h"
#include "firmware_memory.h"

namespace velk::sim {

namespace {

constexpr std::uint8_t kGroup = 5;
constexpr std::uint8_t kArray = 7;
constexpr std::uint8_t kLimitTable = 9;
constexpr std::uint8_t kLimitKey = 240;
constexpr std::size_t kChunkBytes = 23;
constexpr std::size_t kGroupBytes = 25;
constexpr std::size_t kLimitTableBytes = 2 * kSymptomLimitEntries;

void append_u16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

std::uint16_t hundredths(float value) { return static_cast<std::uint16_t>(std::lround(value * 100.0f)); }

std::vector<std::uint8_t> limit_table_bytes(const FirmwareState& firmware) {
  std::vector<std::uint8_t> bytes;
  for (const std::uint16_t entry : firmware.symptom_limits) append_u16(bytes, entry);
  return bytes;
}

// Group 1 the process values (position and setpoint in 0.01 %, temperature
// in 0.1 degC, supply in mbar, loop current in uA); 2 the debug variables;
// 9 the start of the limit table.
std::optional<std::vector<std::uint8_t>> group_bytes(const DeviceState& state, const ProcessValues& live,
                                                     std::uint8_t group) {
  std::vector<std::uint8_t> bytes;
  switch (group) {
    case 1:
      append_u16(bytes, hundredths(live.position_percent));
      append_u16(bytes, hundredths(live.setpoint_percent));
      append_u16(bytes, static_cast<std::uint16_t>(std::lround(live.temperature_c * 10.0f)));
      append_u16(bytes, static_cast<std::uint16_t>(std::lround(live.supply_pressure_bar * 1000.0f)));
      append_u16(bytes, static_cast<std::uint16_t>(std::lround(live.loop_current_ma * 1000.0f)));
      return bytes;
    case 2: {
      const auto table = debug_table(state, 2);
      for (std::size_t i = 0; i < kDebugVariables; ++i)
        append_u16(bytes, static_cast<std::uint16_t>(table[2 * i] | table[2 * i + 1] << 8));
      return bytes;
    }
    case 9:
      bytes = limit_table_bytes(state.firmware);
      bytes.resize(kGroupBytes);
      return bytes;
    default: return std::nullopt;
  }
}

// Arrays 1 to 3 the trends of friction, deviation and position: the last 24
// hours and the mean of the last day, in 0.01 units; 4 the travel histogram
// (per mille); 9 the limit table.
std::optional<std::vector<std::uint8_t>> array_bytes(const DeviceState& state, std::uint8_t array) {
  std::vector<std::uint8_t> bytes;
  if (array >= 1 && array <= 3) {
    const auto& trend = state.diagnostics.trends[array - 1u];
    for (std::size_t hour = 0; hour < kTrendHours; ++hour)
      append_u16(bytes, static_cast<std::uint16_t>(trend[hour]));
    append_u16(bytes, static_cast<std::uint16_t>(trend[kTrendHours + kTrendDays - 1]));
    return bytes;
  }
  if (array == 4) {
    const auto histogram = travel_histogram_bytes(state.diagnostics);  // little-endian
    for (std::size_t i = 0; i + 1 < histogram.size(); i += 2)
      append_u16(bytes, static_cast<std::uint16_t>(histogram[i] | histogram[i + 1] << 8));
    return bytes;
  }
  if (array == kLimitTable) return limit_table_bytes(state.firmware);
  return std::nullopt;
}

void store_limit_chunk(CommandContext& c) {
  if (c.request.size() < 5) return c.refuse(response::kTooFewDataBytes);
  if (c.request_u8(2) != kLimitKey) return c.refuse(response::kInvalidSelection);
  if (c.state.service.write_protected) return c.refuse(response::kWriteProtected);
  const std::size_t total = std::size_t{c.request_u8(3)} << 8 | c.request_u8(4);
  const auto data = c.request.subspan(5);
  const std::size_t offset = c.request_u8(1) * kChunkBytes;
  if (total != kLimitTableBytes || offset + data.size() > total)
    return c.refuse(response::kParameterTooLarge);
  auto& entries = c.state.firmware.symptom_limits;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const std::size_t at = offset + i;
    auto& entry = entries[at / 2];
    entry = at % 2 == 0 ? static_cast<std::uint16_t>(data[i] << 8 | (entry & 0xFF))
                        : static_cast<std::uint16_t>((entry & 0xFF00) | data[i]);
  }
  c.echo_request(c.request.size());
}

void raw_data(CommandContext& c) {
  const std::uint8_t kind = c.request_u8(0);
  if (kind == kLimitTable) return store_limit_chunk(c);
  if (kind == kGroup) {
    const auto group = group_bytes(c.state, c.live, c.request_u8(2));
    if (!group) return c.refuse(response::kInvalidSelection);
    c.echo_request(3);
    c.reply().insert(c.reply().end(), group->begin(), group->end());
    return;
  }
  if (kind == kArray) {
    const auto array = array_bytes(c.state, c.request_u8(2));
    if (!array) return c.refuse(response::kInvalidSelection);
    c.echo_request(3);
    append_u16(c.reply(), static_cast<std::uint16_t>(array->size()));
    // A chunk past the end carries no data.
    const std::size_t first = std::min<std::size_t>(c.request_u8(1) * kChunkBytes, array->size());
    const std::size_t end = std::min(first + kChunkBytes, array->size());
    c.reply().insert(c.reply().end(), array->begin() + static_cast<std::ptrdiff_t>(first),
                     array->begin() + static_cast<std::ptrdiff_t>(end));
    return;
  }
  c.refuse(response::kInvalidSelection);
}

}  // namespace

void register_irs_commands(CommandRegistry& registry) {
  // Reads and the limit download share the command; the download checks the
  // write protection itself.
  registry.add(250, {3, Access::OpenWrite, raw_data});
}

}  // namespace velk::sim
