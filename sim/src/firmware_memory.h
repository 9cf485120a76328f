// The simulated firmware's memory as its service interface reaches it: the
// debug tables (memory area 0, starts 1 to 5), the RAM and the array memory
// that the entries of table 1 point into (area 1), and the linker map file
// that lists the RAM's symbols. Some symbols are tied to the device state:
// reading them gives the live values, writing them changes the device.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "positioner_sim/device_state.h"
#include "process_model.h"

namespace velk::sim {

inline constexpr std::uint32_t kRamBase = 0x20000000;
inline constexpr std::size_t kRamBytes = 0x400;
inline constexpr std::uint32_t kFlashBase = 0x08000000;
// A table-1 entry from kArrayPageBase on names a page of the array memory.
inline constexpr std::uint32_t kArrayPageBase = 0xA0000000;
inline constexpr std::size_t kArrayPages = 14;
// Reads step through a page in 256 blocks of 28 bytes, writes in 299 blocks
// of 24: a page is 7168 bytes to the one and 7176 to the other, and both run
// through the array memory in order.
inline constexpr std::size_t kArrayReadPageBytes = 256 * 28;
inline constexpr std::size_t kArrayWritePageBytes = 299 * 24;
inline constexpr std::size_t kArrayMemoryBytes = kArrayPages * kArrayReadPageBytes;  // 100352
inline constexpr std::size_t kDebugTableEntries = 14;
inline constexpr std::size_t kDebugVariables = 8;
inline constexpr std::size_t kDebugNameBytes = 14;

// The symbol table of the firmware's RAM, as its map file lists it.
struct FirmwareSymbol {
  const char* name;
  std::uint32_t address;
  std::uint32_t size;
};
std::span<const FirmwareSymbol> firmware_symbols();
std::optional<FirmwareSymbol> find_firmware_symbol(std::string_view name);

// The linker map file of the firmware (GNU ld's format), as shipped beside
// the simulator.
std::string firmware_map_text();

// Table k (1 to 5) as command 252 reads it: 56 bytes, entries big-endian.
// Table 2 is the eight debug variables, least significant byte first.
std::array<std::uint8_t, kDebugTableBytes> debug_table(const DeviceState& state, std::size_t table);

// Where an area-1 access lands, as an offset into RAM or the array memory.
struct FirmwareLocation {
  bool array = false;  // the array memory, else RAM
  std::size_t offset = 0;
};
enum class AccessKind { Read, Write };
// Entry `entry` of table 1 and the block of the access (28 bytes a read
// block, 24 a write block); nothing when the entry points at no memory or the
// `count` bytes would run past its end.
std::optional<FirmwareLocation> locate(const DeviceState& state, std::size_t entry, std::size_t block,
                                       std::size_t count, AccessKind kind);

// Reads or writes bytes of area 1 at a location `locate` gave. Reading RAM
// first brings the symbols tied to the device up to date; writing RAM hands
// the symbols it touched to the device.
std::vector<std::uint8_t> read_firmware(DeviceState& state, const ProcessValues& live,
                                        const FirmwareLocation& at, std::size_t count);
void write_firmware(DeviceState& state, const ProcessValues& live, const FirmwareLocation& at,
                    std::span<const std::uint8_t> bytes);

}  // namespace velk::sim
