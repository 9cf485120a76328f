#include "firmware_memory.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "diagnostic_history.h"

namespace velk::sim {

namespace {

// The firmware's sections as its linker placed them. Each input section
// holds the symbols that follow it up to the next section.
struct InputSection {
  const char* output;  // .text, .data or .bss
  const char* name;
  const char* object;
  std::uint32_t address;
  std::uint32_t size;
};

constexpr InputSection kSections[] = {
    {".text", ".text.main", "obj/main.o", 0x08000000, 0x48},
    {".text", ".text.control_step", "obj/control.o", 0x08000048, 0x1f4},
    {".text", ".text.adc_sample", "obj/adc.o", 0x0800023c, 0xa8},
    {".text", ".text.hart_dispatch", "obj/hart.o", 0x080002e4, 0x2c0},
    {".text", ".text.debug_service", "obj/debug.o", 0x080005a4, 0xd0},
    {".text", ".text.statistics_update", "obj/statistics.o", 0x08000674, 0x80},
    {".data", ".data.tun_pid", "obj/tuning.o", 0x20000000, 0xc},
    {".data", ".data.tun_dead_band", "obj/tuning.o", 0x2000000c, 0x4},
    {".data", ".data.hart_setpoint", "obj/hart.o", 0x20000010, 0x4},
    {".data", ".data.dbg_var", "obj/debug.o", 0x20000014, 0x10},
    {".data", ".data.dbg_name", "obj/debug.o", 0x20000024, 0x70},
    {".data", ".data.trace_mode", "obj/debug.o", 0x20000094, 0x1},
    {".bss", ".bss.ctl_state", "obj/control.o", 0x20000100, 0xc},
    {".bss", ".bss.adc_values", "obj/adc.o", 0x2000010c, 0x6},
    {".bss", ".bss.stat_counters", "obj/statistics.o", 0x20000114, 0xc},
    {".bss", ".bss.diag_counters", "obj/diagnostics.o", 0x20000120, 0x8},
    {".bss", "COMMON", "obj/debug.o", 0x20000130, 0x40},
};

constexpr FirmwareSymbol kFunctions[] = {
    {"main", 0x08000000, 0x48},          {"control_step", 0x08000048, 0x1f4},
    {"adc_sample", 0x0800023c, 0xa8},    {"hart_dispatch", 0x080002e4, 0x2c0},
    {"debug_service", 0x080005a4, 0xd0}, {"statistics_update", 0x08000674, 0x80},
};

constexpr FirmwareSymbol kRamSymbols[] = {
    {"tun_pid_p", 0x20000000, 4},     {"tun_pid_i", 0x20000004, 4},        {"tun_pid_d", 0x20000008, 4},
    {"tun_dead_band", 0x2000000c, 4}, {"hart_setpoint", 0x20000010, 4},    {"dbg_var", 0x20000014, 16},
    {"dbg_name", 0x20000024, 112},    {"trace_mode", 0x20000094, 1},       {"ctl_position", 0x20000100, 4},
    {"ctl_setpoint", 0x20000104, 4},  {"ctl_deviation", 0x20000108, 4},    {"adc_temperature", 0x2000010c, 2},
    {"adc_supply", 0x2000010e, 2},    {"adc_loop_current", 0x20000110, 2}, {"stat_cycles", 0x20000114, 4},
    {"stat_travel", 0x20000118, 4},   {"stat_run_time", 0x2000011c, 4},    {"diag_minutes", 0x20000120, 4},
    {"evt_logged", 0x20000124, 4},    {"scratch", 0x20000130, 64},
};

constexpr std::uint32_t kDataEnd = 0x20000098;
constexpr std::uint32_t kBssStart = 0x20000100;
constexpr std::uint32_t kBssEnd = 0x20000170;
constexpr std::uint32_t kTextEnd = 0x080006f4;

constexpr std::uint32_t kDebugVariablesAddress = 0x20000014;
constexpr std::uint32_t kDebugNamesAddress = 0x20000024;

constexpr const char* kDebugNames[kDebugVariables] = {"kp_scale",      "ki_scale",     "kd_scale",
                                                      "pwm_offset",    "pulse_min_up", "pulse_min_down",
                                                      "filter_length", "spare"};
constexpr std::int16_t kDebugStartValues[kDebugVariables] = {100, 100, 100, 0, 12, 10, 4, 0};

std::size_t ram_offset(std::uint32_t address) { return address - kRamBase; }

void put_le(std::vector<std::uint8_t>& ram, std::uint32_t address, std::uint32_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    ram[ram_offset(address) + i] = static_cast<std::uint8_t>(value >> 8 * i);
}

std::uint32_t get_le(const std::vector<std::uint8_t>& ram, std::uint32_t address, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = value << 8 | ram[ram_offset(address) + i];
  return value;
}

std::uint32_t unsigned_count(double value) {
  return value <= 0 ? 0u : value >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

std::uint32_t scaled(float value, float scale) {
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(value * scale)));
}

// A symbol the firmware keeps in step with the device: `refresh` puts the
// device's value into RAM; `apply`, where the device takes a written value,
// hands it over.
std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

struct TiedSymbol {
  std::uint32_t address;
  std::size_t size;
  std::uint32_t (*refresh)(const DeviceState& state, const ProcessValues& live);
  void (*apply)(DeviceState& state, float value);
};

std::uint32_t float_bits(float value) { return std::bit_cast<std::uint32_t>(value); }

constexpr TiedSymbol kTiedSymbols[] = {
    {0x20000000, 4,
     [](const DeviceState& s, const ProcessValues&) { return float_bits(s.calibration.pid_p); },
     [](DeviceState& s, float v) { s.calibration.pid_p = v; }},
    {0x20000004, 4,
     [](const DeviceState& s, const ProcessValues&) { return float_bits(s.calibration.pid_i); },
     [](DeviceState& s, float v) { s.calibration.pid_i = v; }},
    {0x20000008, 4,
     [](const DeviceState& s, const ProcessValues&) { return float_bits(s.calibration.pid_d); },
     [](DeviceState& s, float v) { s.calibration.pid_d = v; }},
    {0x2000000c, 4,
     [](const DeviceState& s, const ProcessValues&) { return float_bits(s.calibration.dead_band_percent); },
     [](DeviceState& s, float v) { s.calibration.dead_band_percent = v; }},
    {0x20000010, 4,
     [](const DeviceState& s, const ProcessValues&) { return float_bits(s.control.hart_setpoint_percent); },
     [](DeviceState& s, float v) { s.control.hart_setpoint_percent = std::clamp(v, 0.0f, 100.0f); }},
    {0x20000100, 4, [](const DeviceState&, const ProcessValues& l) { return float_bits(l.position_percent); },
     nullptr},
    {0x20000104, 4, [](const DeviceState&, const ProcessValues& l) { return float_bits(l.setpoint_percent); },
     nullptr},
    {0x20000108, 4,
     [](const DeviceState& s, const ProcessValues& l) { return float_bits(control_deviation_percent(s, l)); },
     nullptr},
    {0x2000010c, 2, [](const DeviceState&, const ProcessValues& l) { return scaled(l.temperature_c, 10.0f); },
     nullptr},
    {0x2000010e, 2,
     [](const DeviceState&, const ProcessValues& l) { return scaled(l.supply_pressure_bar, 1000.0f); },
     nullptr},
    {0x20000110, 2,
     [](const DeviceState&, const ProcessValues& l) { return scaled(l.loop_current_ma, 1000.0f); }, nullptr},
    {0x20000114, 4,
     [](const DeviceState& s, const ProcessValues&) { return unsigned_count(s.statistics.cycles); }, nullptr},
    {0x20000118, 4,
     [](const DeviceState& s, const ProcessValues&) {
       return unsigned_count(s.statistics.accumulated_travel_percent);
     },
     nullptr},
    {0x2000011c, 4,
     [](const DeviceState& s, const ProcessValues&) { return unsigned_count(s.statistics.run_time_s); },
     nullptr},
    {0x20000120, 4,
     [](const DeviceState& s, const ProcessValues&) {
       return unsigned_count(static_cast<double>(s.diagnostics.clock_s / 60));
     },
     nullptr},
    {0x20000124, 4, [](const DeviceState& s, const ProcessValues&) { return s.diagnostics.events_logged; },
     nullptr},
};

void refresh_tied_symbols(DeviceState& state, const ProcessValues& live) {
  for (const TiedSymbol& tied : kTiedSymbols)
    put_le(state.firmware.ram, tied.address, tied.refresh(state, live), tied.size);
}

void put_be(std::array<std::uint8_t, kDebugTableBytes>& table, std::size_t entry, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) table[4 * entry + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::uint32_t get_be(const std::array<std::uint8_t, kDebugTableBytes>& table, std::size_t entry) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | table[4 * entry + i];
  return value;
}

}  // namespace

FirmwareState firmware_at_power_on() {
  FirmwareState firmware;
  firmware.ram.assign(kRamBytes, 0);
  for (std::size_t i = 0; i < kDebugVariables; ++i) {
    put_le(firmware.ram, kDebugVariablesAddress + 2 * static_cast<std::uint32_t>(i),
           static_cast<std::uint16_t>(kDebugStartValues[i]), 2);
    const std::size_t name = ram_offset(kDebugNamesAddress) + kDebugNameBytes * i;
    std::memcpy(&firmware.ram[name], kDebugNames[i], std::min(std::strlen(kDebugNames[i]), kDebugNameBytes));
  }
  // The array memory counts up in 16-bit steps, so that a read shows where it came from.
  firmware.array_memory.resize(kArrayMemoryBytes);
  for (std::size_t i = 0; i < kArrayMemoryBytes; ++i)
    firmware.array_memory[i] = static_cast<std::uint8_t>(i % 2 == 0 ? (i / 2) & 0xFF : (i / 2) >> 8);
  for (std::size_t page = 0; page < kArrayPages; ++page)
    put_be(firmware.active_table, page, kArrayPageBase + static_cast<std::uint32_t>(page));
  return firmware;
}

std::span<const FirmwareSymbol> firmware_symbols() { return kRamSymbols; }

std::optional<FirmwareSymbol> find_firmware_symbol(std::string_view name) {
  for (const FirmwareSymbol& symbol : kRamSymbols)
    if (name == symbol.name) return symbol;
  return std::nullopt;
}

std::array<std::uint8_t, kDebugTableBytes> debug_table(const DeviceState& state, std::size_t table) {
  std::array<std::uint8_t, kDebugTableBytes> bytes{};
  switch (table) {
    case 1: return state.firmware.active_table;
    case 2:
      std::copy_n(
          state.firmware.ram.begin() + static_cast<std::ptrdiff_t>(ram_offset(kDebugVariablesAddress)),
          2 * kDebugVariables, bytes.begin());
      break;
    case 3:
      for (std::size_t i = 0; i < kDebugVariables; ++i)
        put_be(bytes, i, kDebugNamesAddress + static_cast<std::uint32_t>(kDebugNameBytes * i));
      break;
    case 4:
      for (std::size_t i = 0; i < kDebugVariables; ++i)
        put_be(bytes, i, kDebugVariablesAddress + static_cast<std::uint32_t>(2 * i));
      break;
    case 5:
      for (std::size_t page = 0; page < kArrayPages; ++page)
        put_be(bytes, page, kArrayPageBase + static_cast<std::uint32_t>(page));
      break;
    default: break;
  }
  return bytes;
}

std::optional<FirmwareLocation> locate(const DeviceState& state, std::size_t entry, std::size_t block,
                                       std::size_t count, AccessKind kind) {
  if (entry >= kDebugTableEntries) return std::nullopt;
  const std::uint32_t target = get_be(state.firmware.active_table, entry);
  const std::size_t step = kind == AccessKind::Read ? 28 : 24;
  if (target >= kArrayPageBase && target < kArrayPageBase + kArrayPages) {
    const std::size_t page_bytes = kind == AccessKind::Read ? kArrayReadPageBytes : kArrayWritePageBytes;
    const std::size_t offset = (target - kArrayPageBase) * page_bytes + block * step;
    if (offset + count > kArrayMemoryBytes) return std::nullopt;
    return FirmwareLocation{true, offset};
  }
  if (target >= kRamBase && target < kRamBase + kRamBytes) {
    const std::size_t offset = ram_offset(target) + block * step;
    if (offset + count > kRamBytes) return std::nullopt;
    return FirmwareLocation{false, offset};
  }
  return std::nullopt;
}

std::vector<std::uint8_t> read_firmware(DeviceState& state, const ProcessValues& live,
                                        const FirmwareLocation& at, std::size_t count) {
  if (!at.array) refresh_tied_symbols(state, live);
  const auto& memory = at.array ? state.firmware.array_memory : state.firmware.ram;
  const auto begin = memory.begin() + static_cast<std::ptrdiff_t>(at.offset);
  return {begin, begin + static_cast<std::ptrdiff_t>(count)};
}

void write_firmware(DeviceState& state, const ProcessValues& live, const FirmwareLocation& at,
                    std::span<const std::uint8_t> bytes) {
  if (at.array) {
    std::copy(bytes.begin(), bytes.end(),
              state.firmware.array_memory.begin() + static_cast<std::ptrdiff_t>(at.offset));
    return;
  }
  // Bytes of a tied symbol that the write leaves alone keep the device's value.
  refresh_tied_symbols(state, live);
  std::copy(bytes.begin(), bytes.end(), state.firmware.ram.begin() + static_cast<std::ptrdiff_t>(at.offset));
  const std::size_t first = at.offset;
  const std::size_t end = at.offset + bytes.size();
  for (const TiedSymbol& tied : kTiedSymbols) {
    const std::size_t begin = ram_offset(tied.address);
    if (!tied.apply || begin >= end || begin + tied.size <= first) continue;
    const float value = std::bit_cast<float>(get_le(state.firmware.ram, tied.address, tied.size));
    // A value the firmware cannot use is not taken: the next read shows the old one.
    if (std::isfinite(value)) tied.apply(state, value);
  }
}

std::string firmware_map_text() {
  std::string text;
  char line[160];
  auto add = [&text](const char* piece) { text += piece; };
  auto symbol_line = [&](std::uint32_t address, const char* name) {
    std::snprintf(line, sizeof line, "                0x%08x                %s\n", address, name);
    add(line);
  };
  // As the linker writes them: a name too long for its column goes on a line of its own.
  auto section_line = [&](const char* indent, const char* name, std::uint32_t address, std::uint32_t size,
                          const std::string& tail) {
    const int width = indent[0] ? 14 : 15;
    const std::string size_text = hex(size);
    if (static_cast<int>(std::strlen(name)) > width)
      std::snprintf(line, sizeof line, "%s%s\n                0x%08x %10s%s\n", indent, name, address,
                    size_text.c_str(), tail.c_str());
    else
      std::snprintf(line, sizeof line, "%s%-*s 0x%08x %10s%s\n", indent, width, name, address,
                    size_text.c_str(), tail.c_str());
    add(line);
  };

  add("Discarded input sections\n\n");
  section_line(" ", ".text", 0, 0, " obj/main.o");
  section_line(" ", ".data", 0, 0, " obj/main.o");
  section_line(" ", ".bss.unused_trace", 0, 0x20, " obj/debug.o");
  add("\nMemory Configuration\n\n");
  add("Name             Origin             Length             Attributes\n");
  add("FLASH            0x08000000         0x00020000         xr\n");
  std::snprintf(line, sizeof line, "RAM              0x%08x         0x%08zx         xrw\n", kRamBase,
                kRamBytes);
  add(line);
  add("*default*        0x00000000         0xffffffff\n\n");
  add("Linker script and memory map\n\n");
  for (const char* object : {"obj/main.o", "obj/control.o", "obj/adc.o", "obj/hart.o", "obj/debug.o",
                             "obj/tuning.o", "obj/statistics.o", "obj/diagnostics.o"}) {
    add("LOAD ");
    add(object);
    add("\n");
  }
  std::snprintf(line, sizeof line,
                "                0x%08zx                _estack = (ORIGIN (RAM) + LENGTH (RAM))\n",
                kRamBase + kRamBytes);
  add(line);

  struct Output {
    const char* name;
    std::uint32_t start;
    std::uint32_t end;
    const char* pattern;
  };
  const Output outputs[] = {{".text", kFlashBase, kTextEnd, " *(.text*)\n"},
                            {".data", kRamBase, kDataEnd, " *(.data*)\n"},
                            {".bss", kBssStart, kBssEnd, " *(.bss*)\n *(COMMON)\n"}};
  for (const Output& output : outputs) {
    add("\n");
    char tail[40] = "";
    if (std::strcmp(output.name, ".data") == 0)
      std::snprintf(tail, sizeof tail, " load address 0x%08x", kTextEnd);
    section_line("", output.name, output.start, output.end - output.start, tail);
    if (std::strcmp(output.name, ".text") != 0) {
      std::snprintf(line, sizeof line, "                0x%08x                _s%s = .\n", output.start,
                    output.name + 1);
      add(line);
    }
    add(output.pattern);
    std::uint32_t at = output.start;
    for (const InputSection& section : kSections) {
      if (std::strcmp(section.output, output.name) != 0) continue;
      if (section.address > at) {
        std::snprintf(line, sizeof line, " *fill*         0x%08x %10s \n", at,
                      hex(section.address - at).c_str());
        add(line);
      }
      section_line(" ", section.name, section.address, section.size, std::string(" ") + section.object);
      const std::span<const FirmwareSymbol> symbols = std::strcmp(output.name, ".text") == 0
                                                          ? std::span<const FirmwareSymbol>(kFunctions)
                                                          : firmware_symbols();
      for (const FirmwareSymbol& symbol : symbols)
        if (symbol.address >= section.address && symbol.address < section.address + section.size)
          symbol_line(symbol.address, symbol.name);
      at = section.address + section.size;
    }
    if (std::strcmp(output.name, ".text") != 0) {
      std::snprintf(line, sizeof line, "                0x%08x                _e%s = .\n", output.end,
                    output.name + 1);
      add(line);
    }
  }
  add("\nOUTPUT(build/q5-firmware.elf elf32-little)\n");
  return text;
}

}  // namespace velk::sim
