// The firmware's service interface straight through the command table: the
// debug tables and the memory table 1 reaches (252, 253), the raw data and
// symptom limits of command 250, and the shipped map file.
#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <sstream>

#include "command_registry.h"
#include "firmware_memory.h"

namespace velk::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr ProcessValues kLive{25.0f, 50.0f, 20.0f, 5.0f, 12.0f};

class ServiceInterface : public ::testing::Test {
 protected:
  CommandOutcome run(std::uint8_t command, const Bytes& request) {
    return registry_.execute(command, request, state_, kLive);
  }
  Bytes read(const Bytes& request) {
    const auto outcome = run(252, request);
    EXPECT_EQ(outcome.response_code, 0) << int(request[0]) << " " << int(request[1]);
    return outcome.data;
  }
  void write(Bytes request) { EXPECT_EQ(run(253, request).response_code, 0); }

  // Table k into table 1, as the DEBUG page copies it: read in blocks of 28, written in blocks of 24.
  void copyTable(std::uint8_t table) {
    Bytes entries = read({0, table, 0, 28});
    const Bytes second = read({0, table, 1, 28});
    entries.insert(entries.end(), second.begin(), second.end());
    for (std::uint8_t block = 0; block < 3; ++block) {
      Bytes request{0, 1, block, 0};
      const auto first = entries.begin() + 24 * block;
      request.insert(request.end(), first, first + (block < 2 ? 24 : 8));
      write(request);
    }
  }

  CommandRegistry registry_ = positioner_commands();
  DeviceState state_ = default_device_state();
};

TEST_F(ServiceInterface, NamesAndVariablesGoThroughTheirTemplates) {
  copyTable(3);
  const Bytes name = read({1, 5, 0, 14});
  EXPECT_EQ(std::string(name.begin(), name.end()), "pulse_min_down");  // 14 characters, no zero
  const Bytes spare = read({1, 7, 0, 14});
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(spare.data())), "spare");

  copyTable(4);
  write({1, 6, 0, 0, 0x34, 0x12});
  const Bytes values = read({0, 2, 0, 16});
  EXPECT_EQ(values[12], 0x34);
  EXPECT_EQ(values[13], 0x12);
  EXPECT_EQ(values[0], 100);  // variable 0 as it started
}

TEST_F(ServiceInterface, ArrayReadsAndWritesMeetInOneMemory) {
  // Table 1 starts as table 5: the array's pages. Reads step 7168 bytes a
  // page, writes 7176; both reach offset 7224 as page 1, block 2.
  Bytes request{1, 1, 2, 0};
  for (std::uint8_t i = 0; i < 24; ++i) request.push_back(static_cast<std::uint8_t>(0xA0 + i));
  write(request);
  EXPECT_EQ(state_.firmware.array_memory[7224], 0xA0);
  EXPECT_EQ(state_.firmware.array_memory[7247], 0xB7);
  const Bytes block = read({1, 1, 2, 28});
  EXPECT_EQ(block[0], 0xA0);
  EXPECT_EQ(block[23], 0xB7);
  EXPECT_EQ(block[24], state_.firmware.array_memory[7248]);

  // The last read block of the largest array, and nothing past its end.
  EXPECT_EQ(read({1, 13, 255, 28}).size(), 28u);
  EXPECT_EQ(run(252, {1, 14, 0, 28}).response_code, 2);
  EXPECT_EQ(run(253, {1, 13, 42, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9}).response_code, 2);
}

TEST_F(ServiceInterface, SymbolsShowTheDeviceAndTakeWrites) {
  const auto address = [](const char* name) { return find_firmware_symbol(name)->address; };
  state_.calibration.pid_p = 7.5f;
  state_.diagnostics.events_logged = 4321;
  const auto entry = [](std::uint32_t a) {
    return Bytes{static_cast<std::uint8_t>(a >> 24), static_cast<std::uint8_t>(a >> 16),
                 static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a)};
  };
  Bytes table{0, 1, 0, 0};
  for (const char* name : {"tun_pid_p", "evt_logged", "adc_loop_current", "tun_dead_band"}) {
    const Bytes e = entry(address(name));
    table.insert(table.end(), e.begin(), e.end());
  }
  write(table);

  const Bytes pid = read({1, 0, 0, 4});
  EXPECT_EQ(std::bit_cast<float>(std::uint32_t(pid[0] | pid[1] << 8 | pid[2] << 16 | pid[3] << 24)), 7.5f);
  const Bytes events = read({1, 1, 0, 4});
  EXPECT_EQ(events[0] | events[1] << 8, 4321);
  const Bytes current = read({1, 2, 0, 2});
  EXPECT_EQ(current[0] | current[1] << 8, 12000);  // 12 mA in uA

  const auto bits = std::bit_cast<std::uint32_t>(1.25f);
  write({1, 3, 0, 0, std::uint8_t(bits), std::uint8_t(bits >> 8), std::uint8_t(bits >> 16),
         std::uint8_t(bits >> 24)});
  EXPECT_EQ(state_.calibration.dead_band_percent, 1.25f);

  // An entry that points at no memory.
  write({0, 1, 0, 0, 0x30, 0, 0, 0});
  EXPECT_EQ(run(252, {1, 0, 0, 4}).response_code, 2);
}

TEST_F(ServiceInterface, LimitChunksAreStoredAndReadBackAsAnArray) {
  // Seven chunks of 23 data bytes (the last 14) carrying entries 0, 1, 2, ...
  Bytes stream;
  for (int entry = 0; entry < 76; ++entry) {
    stream.push_back(static_cast<std::uint8_t>(entry >> 8));
    stream.push_back(static_cast<std::uint8_t>(entry * 3));
  }
  for (std::uint8_t chunk = 0; chunk * 23 < 152; ++chunk) {
    Bytes request{9, chunk, 240, 0, 152};
    const auto first = stream.begin() + chunk * 23;
    request.insert(request.end(), first, first + std::min(23, 152 - chunk * 23));
    EXPECT_EQ(run(250, request).response_code, 0);
  }
  EXPECT_EQ(state_.firmware.symptom_limits[75], 75 * 3 & 0xFF);
  EXPECT_EQ(run(250, {9, 0, 239, 0, 152, 1}).response_code, 2);

  Bytes read;
  for (std::uint8_t chunk = 0;; ++chunk) {
    const auto outcome = run(250, {7, chunk, 9});
    ASSERT_EQ(outcome.response_code, 0);
    ASSERT_GE(outcome.data.size(), 5u);
    EXPECT_EQ(outcome.data[3] << 8 | outcome.data[4], 152);
    if (outcome.data.size() == 5) break;
    read.insert(read.end(), outcome.data.begin() + 5, outcome.data.end());
  }
  EXPECT_EQ(read, stream);

  const auto group = run(250, {5, 0, 1});
  EXPECT_EQ(group.data, (Bytes{5, 0, 1, 0x09, 0xC4, 0x13, 0x88, 0x00, 0xC8, 0x13, 0x88, 0x2E, 0xE0}));
  EXPECT_EQ(run(250, {5, 0, 77}).response_code, 2);
}

TEST(FirmwareMap, TheShippedFileIsTheFirmwares) {
  std::ifstream shipped(FIRMWARE_MAP_PATH);
  std::stringstream text;
  text << shipped.rdbuf();
  EXPECT_EQ(text.str(), firmware_map_text())
      << "regenerate it: positioner-sim --write-map " FIRMWARE_MAP_PATH;
}

}  // namespace
}  // namespace velk::sim
