// Reply layouts, write-then-read round trips and refusals of every command,
// straight through the command table.
#include <gtest/gtest.h>

#include <cmath>

#include "command_registry.h"
#include "param_names.h"
#include "test_master.h"
#include "units.h"

namespace velk::sim {
namespace {

using ::velk::sim::PrintTo;  // lets the listing name the cases below

using test_master::Bytes;
using test_master::f32;
using test_master::operator+;
using test_master::from_hex;
using test_master::to_hex;

// Fixed live values, so the process-value commands have exact bytes.
constexpr ProcessValues kLive{25.0f, 50.0f, 20.0f, 5.0f, 12.0f};

DeviceState out_of_service_state() {
  auto state = default_device_state();
  state.service.out_of_service = true;
  return state;
}

struct Exchange {
  CommandOutcome outcome;
  DeviceState state;
};

Exchange run(std::uint8_t command, const Bytes& request, DeviceState state = out_of_service_state()) {
  const auto registry = positioner_commands();
  auto outcome = registry.execute(command, request, state, kLive);
  return {outcome, state};
}

struct LayoutCase {
  std::uint8_t command;
  std::string request;
  std::string reply;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
  *out << "command " << int(c.command) << " " << c.request;
}

class ReplyLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ReplyLayout, MatchesTheDocumentedBytes) {
  const auto& c = GetParam();
  const auto result = run(c.command, from_hex(c.request), default_device_state());
  ASSERT_EQ(result.outcome.response_code, 0);
  EXPECT_EQ(to_hex(result.outcome.data), to_hex(from_hex(c.reply)));
}

INSTANTIATE_TEST_SUITE_P(
    ReadCommands, ReplyLayout,
    ::testing::Values(
        // expansion, manufacturer, type, preambles, revisions, hardware rev << 3, flags, device id
        LayoutCase{0, "", "FE 3E 61 05 05 01 56 08 00 000001"}, LayoutCase{1, "", "39 41C80000"},
        LayoutCase{2, "", "41400000 42480000"},
        // loop current, then unit and value of position, setpoint, temperature, pressure
        LayoutCase{3, "", "41400000 39 41C80000 39 42480000 20 41A00000 07 40A00000"},
        // alarm, transfer function, range unit, upper, lower, damping, write protect, label
        LayoutCase{15, "", "00 00 39 42C80000 00000000 00000000 00 3E"}, LayoutCase{139, "", "01"},
        LayoutCase{141, "", "00"}, LayoutCase{151, "", "F0"}, LayoutCase{153, "", "01"},
        LayoutCase{156, "", "00"}, LayoutCase{175, "", "00"}, LayoutCase{177, "", "00"},
        LayoutCase{179, "", "32"}, LayoutCase{183, "", "40800000 41A00000"}, LayoutCase{185, "00", "00 01"},
        LayoutCase{185, "01", "01 01"}, LayoutCase{187, "00", "00 3DCCCCCD"},
        LayoutCase{187, "01", "01 42C7CCCD"}, LayoutCase{189, "00", "00 00000000"},
        LayoutCase{189, "01", "01 42C80000"}, LayoutCase{191, "", "21"},
        LayoutCase{193, "01", "01 40480000 40480000"}, LayoutCase{211, "", "00"}, LayoutCase{213, "", "00"},
        // device-specific status, diagnostic alert, extended status, diagnostic status word
        LayoutCase{48, "0000000000000000000000", "0000000000 00 00 00000000"},
        // extended status; per slot code, classification, unit, value, status (an unknown
        // code is not used); the first slot's time
        LayoutCase{9, "02 00 F0", "00 02 00 20 41A00000 C0 00 00 39 41C80000 C0 F0 00 FA 7FA00000 30 00000000"},
        // the long tag, 32 bytes of Latin-1 (HART 7): a byte count of 34
        LayoutCase{20, "", "56454C4B20513520504F534954494F4E4552 0000000000000000000000000000"}));

// Each write is read back with its read command; the write itself echoes
// what it was sent.
struct RoundTripCase {
  const char* name;
  std::uint8_t write;
  Bytes write_data;
  std::uint8_t read;
  Bytes read_request;
  Bytes expected_read;
};

class WriteThenRead : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(WriteThenRead, ReadsBackWhatWasWritten) {
  const auto& c = GetParam();
  auto written = run(c.write, c.write_data);
  ASSERT_EQ(written.outcome.response_code, 0);
  EXPECT_EQ(to_hex(written.outcome.data), to_hex(c.write_data));
  EXPECT_TRUE(written.outcome.state_changed);
  const auto read = run(c.read, c.read_request, written.state);
  ASSERT_EQ(read.outcome.response_code, 0);
  EXPECT_EQ(to_hex(read.outcome.data), to_hex(c.expected_read));
}

const Bytes kNone{};
// "M150 R7", "FIRST VALVE", 24 May 2021.
const Bytes kTagDescriptorDate = from_hex("371D70812DE0 189493520581316160820820 18 05 15");

INSTANTIATE_TEST_SUITE_P(
    Settings, WriteThenRead,
    ::testing::Values(
        RoundTripCase{"ActuatorType", 174, {1}, 175, kNone, {1}},
        RoundTripCase{"Stroke", 178, {157}, 179, kNone, {157}},
        RoundTripCase{"ActuatorSize", 152, {3}, 153, kNone, {3}},
        RoundTripCase{"ActuatorFunction", 138, {0}, 139, kNone, {0}},
        RoundTripCase{"CurrentRange", 182, f32(4.5f) + f32(19.25f), 183, kNone, f32(4.5f) + f32(19.25f)},
        RoundTripCase{"Direction", 176, {1}, 177, kNone, {1}},
        RoundTripCase{"TravelRange", 35, Bytes{57} + f32(95.5f) + f32(2.25f), 15, kNone,
                      Bytes{0, 0, 57} + f32(95.5f) + f32(2.25f) + f32(0.0f) + Bytes{0, 62}},
        RoundTripCase{"TravelControlLow", 184, {0, 2}, 185, {0}, {0, 2}},
        RoundTripCase{"TravelControlHigh", 184, {1, 0}, 185, {1}, {1, 0}},
        RoundTripCase{"CutoffLow", 186, Bytes{0} + f32(-20.0f), 187, {0}, Bytes{0} + f32(-20.0f)},
        RoundTripCase{"CutoffHigh", 186, Bytes{1} + f32(120.0f), 187, {1}, Bytes{1} + f32(120.0f)},
        RoundTripCase{"LimitedLow", 188, Bytes{0} + f32(3.5f), 189, {0}, Bytes{0} + f32(3.5f)},
        RoundTripCase{"LimitedHigh", 188, Bytes{1} + f32(97.0f), 189, {1}, Bytes{1} + f32(97.0f)},
        RoundTripCase{"SquareRootCurve",
                      47,
                      {240},
                      15,
                      kNone,
                      Bytes{0, 240, 57} + f32(100.0f) + f32(0.0f) + f32(0.0f) + Bytes{0, 62}},
        RoundTripCase{"CustomPointCount", 190, {9}, 191, kNone, {9}},
        RoundTripCase{"CustomPoint",
                      192,
                      Bytes{32} + f32(99.5f) + f32(12.0f),
                      193,
                      {32},
                      Bytes{32} + f32(99.5f) + f32(12.0f)},
        RoundTripCase{"TagDescriptorDate", 18, kTagDescriptorDate, 13, kNone, kTagDescriptorDate},
        RoundTripCase{"LongTag", 22, Bytes(32, 0x41), 20, kNone, Bytes(32, 0x41)},
        RoundTripCase{"Language", 210, {5}, 211, kNone, {5}},
        RoundTripCase{"DefaultDisplay", 212, {3}, 213, kNone, {3}},
        RoundTripCase{"SetpointSource", 140, {2}, 141, kNone, {2}},
        RoundTripCase{"OutOfService", 150, {241}, 151, kNone, {241}},
        RoundTripCase{"BackInService", 150, {240}, 151, kNone, {240}},
        // Units by slot: pressure is the fourth variable, its unit shows at byte 19 of command 3.
        RoundTripCase{"PressureUnit",
                      53,
                      {3, 12},
                      3,
                      kNone,
                      f32(12.0f) + Bytes{57} + f32(25.0f) + Bytes{57} + f32(50.0f) + Bytes{32} + f32(20.0f) +
                          Bytes{12} + f32(500.0f)},
        RoundTripCase{"Assignment",
                      51,
                      {5, 2, 1, 0},
                      3,
                      kNone,
                      f32(12.0f) + Bytes{7} + f32(5.0f) + Bytes{32} + f32(20.0f) + Bytes{57} + f32(50.0f) +
                          Bytes{57} + f32(25.0f)}),
    CaseName{});

TEST(Setpoint, IsTakenOnlyWhileTheSourceIsHart) {
  auto state = default_device_state();
  EXPECT_EQ(run(142, f32(42.0f), state).outcome.response_code, 16);
  state.control.setpoint_source = setpoint_source::kHart;
  const auto written = run(142, f32(42.0f), state);
  ASSERT_EQ(written.outcome.response_code, 0);
  EXPECT_EQ(written.state.control.hart_setpoint_percent, 42.0f);
}

TEST(BurstControl, SelectsTheCommandAndSwitchesEvenWhileWriteProtected) {
  auto state = default_device_state();
  state.service.write_protected = true;
  auto selected = run(108, {1}, state);
  ASSERT_EQ(selected.outcome.response_code, 0);
  auto switched = run(109, {1}, selected.state);
  ASSERT_EQ(switched.outcome.response_code, 0);
  EXPECT_EQ(switched.state.control.burst_command, 1);
  EXPECT_TRUE(switched.state.control.burst_mode);
}

struct RefusalCase {
  const char* name;
  std::uint8_t command;
  Bytes request;
  std::uint8_t response_code;
  void (*prepare)(DeviceState&) = nullptr;
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, GivesTheResponseCodeAndLeavesTheStateAlone) {
  const auto& c = GetParam();
  auto state = out_of_service_state();
  if (c.prepare) c.prepare(state);
  const auto result = run(c.command, c.request, state);
  EXPECT_EQ(result.outcome.response_code, c.response_code);
  EXPECT_TRUE(result.outcome.data.empty());
  EXPECT_FALSE(result.outcome.state_changed);
  EXPECT_EQ(result.state, state);
}

void write_protect(DeviceState& s) { s.service.write_protected = true; }
void put_in_service(DeviceState& s) { s.service.out_of_service = false; }

INSTANTIATE_TEST_SUITE_P(
    Commands, Refusal,
    ::testing::Values(
        RefusalCase{"NotImplemented", 99, {}, 64}, RefusalCase{"TooFewBytes", 182, f32(4.0f), 5},
        RefusalCase{"TooFewForAPoint", 192, {0, 1, 2, 3, 4, 5, 6, 7}, 5},
        RefusalCase{"WriteProtectedStroke", 178, {60}, 7, write_protect},
        RefusalCase{"WriteProtectedUnits", 53, {0, 49}, 7, write_protect},
        RefusalCase{"WriteProtectedService", 150, {241}, 7, write_protect},
        RefusalCase{"InServiceStroke", 178, {60}, 16, put_in_service},
        RefusalCase{"InServiceCurve", 47, {1}, 16, put_in_service},
        RefusalCase{"InServiceRange", 35, Bytes{57} + f32(90.0f) + f32(5.0f), 16, put_in_service},
        RefusalCase{"StrokeTooLong", 178, {158}, 3}, RefusalCase{"StrokeTooShort", 178, {4}, 4},
        RefusalCase{"ActuatorTypeUnknown", 174, {2}, 2}, RefusalCase{"ActuatorSizeUnknown", 152, {4}, 2},
        RefusalCase{"CurrentAbove20", 182, f32(4.0f) + f32(20.5f), 3},
        RefusalCase{"CurrentBelow4", 182, f32(3.9f) + f32(20.0f), 4},
        RefusalCase{"CurrentRangeInverted", 182, f32(12.0f) + f32(8.0f), 9},
        RefusalCase{"CurrentNotANumber", 182, f32(std::nanf("")) + f32(20.0f), 2},
        RefusalCase{"RangeUnitNotPercent", 35, Bytes{49} + f32(90.0f) + f32(5.0f), 2},
        RefusalCase{"LowerRangeTooHigh", 35, Bytes{57} + f32(100.0f) + f32(91.0f), 9},
        RefusalCase{"LowerRangeTooLow", 35, Bytes{57} + f32(100.0f) + f32(-1.0f), 10},
        RefusalCase{"UpperRangeTooHigh", 35, Bytes{57} + f32(101.0f) + f32(0.0f), 11},
        RefusalCase{"UpperRangeTooLow", 35, Bytes{57} + f32(9.0f) + f32(0.0f), 12},
        RefusalCase{"BothRangeValuesOut", 35, Bytes{57} + f32(5.0f) + f32(95.0f), 13},
        RefusalCase{"RangeInverted", 35, Bytes{57} + f32(40.0f) + f32(60.0f), 9},
        RefusalCase{"TravelEndUnknown", 184, {2, 1}, 2}, RefusalCase{"TravelControlUnknown", 184, {0, 3}, 2},
        RefusalCase{"TravelEndUnknownOnRead", 187, {2}, 2},
        RefusalCase{"MemoryAreaNobodyServes", 252, {200, 0, 0, 28}, 2},
        RefusalCase{"MemoryBlockOver28Bytes", 252, {9, 0, 0, 29}, 3},
        RefusalCase{"FactoryResetWrongPassword", 235, {0x1D, 0xBE}, 2},
        RefusalCase{"FactoryResetInService", 235, {0x1D, 0xBF}, 16, put_in_service},
        RefusalCase{"CutoffTooHigh", 186, Bytes{0} + f32(120.5f), 3},
        RefusalCase{"TransferFunctionUnknown", 47, {4}, 2}, RefusalCase{"PointCountUnknown", 190, {4}, 2},
        RefusalCase{"PointBeyondTable", 192, Bytes{33} + f32(1.0f) + f32(1.0f), 2},
        RefusalCase{"PointOutputAbove100", 192, Bytes{3} + f32(1.0f) + f32(100.5f), 3},
        RefusalCase{"PointReadBeyondTable", 193, {33}, 2}, RefusalCase{"UnitsSlotUnknown", 53, {4, 57}, 11},
        RefusalCase{"UnitWrongForVariable", 53, {0, 33}, 12},
        RefusalCase{"AssignmentUnknownVariable", 51, {0, 1, 9, 255}, 2},
        RefusalCase{"UnitOfAFixedUnitVariable",
                    53,
                    {1, 49},
                    12,
                    [](DeviceState& s) { s.control.dynamic_variables[1] = device_variable::kDeviation; }},
        RefusalCase{"LanguageUnknown", 210, {6}, 2}, RefusalCase{"DefaultDisplayUnknown", 212, {4}, 2},
        RefusalCase{"SetpointSourceUnknown", 140, {3}, 2},
        RefusalCase{"SetpointAbove100", 142, f32(100.5f), 3,
                    [](DeviceState& s) { s.control.setpoint_source = setpoint_source::kHart; }},
        RefusalCase{"BurstCommandUnknown", 108, {4}, 2}, RefusalCase{"BurstModeUnknown", 109, {2}, 2},
        RefusalCase{"ServiceCodeUnknown", 150, {1}, 2}),
    CaseName{});

struct UnitCase {
  std::uint8_t variable;
  std::uint8_t unit_code;
  float expected;
};

void PrintTo(const UnitCase& c, std::ostream* out) {
  *out << "variable " << int(c.variable) << " unit " << int(c.unit_code);
}

class VariableInUnit : public ::testing::TestWithParam<UnitCase> {};

// Live values: position 25 %, setpoint 50 %, 20 degrees C, 5 bar; stroke 50 mm;
// the noiseless position 50 %; single acting, so C+ holds the spring at 1.8 bar.
TEST_P(VariableInUnit, IsConverted) {
  const auto& c = GetParam();
  auto state = default_device_state();
  if (auto* stored = unit_of(state.units, c.variable)) *stored = c.unit_code;
  const auto reading = read_device_variable(c.variable, state, kLive);
  EXPECT_EQ(reading.unit_code, c.unit_code);
  EXPECT_NEAR(reading.value, c.expected, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Units, VariableInUnit,
                         ::testing::Values(UnitCase{0, 57, 25.0f}, UnitCase{0, 49, 12.5f},
                                           UnitCase{0, 48, 1.25f}, UnitCase{0, 47, 0.492126f},
                                           UnitCase{0, 143, 22.5f}, UnitCase{1, 39, 12.0f},
                                           UnitCase{1, 49, 25.0f}, UnitCase{2, 33, 68.0f},
                                           UnitCase{2, 35, 293.15f}, UnitCase{5, 6, 72.51887f},
                                           UnitCase{5, 12, 500.0f}, UnitCase{3, 12, 180.0f},
                                           UnitCase{6, 6, 0.0f}, UnitCase{8, 49, 25.0f}));

// Every code a master can assign, and 255 for "leave this slot": command 3
// then reports the variables with values of their own.
TEST(Assignment, TakesEveryVariableAnd255KeepsTheSlot) {
  const auto kept = run(51, {255, 3, 255, 8});
  ASSERT_EQ(kept.outcome.response_code, 0);
  EXPECT_EQ(to_hex(kept.outcome.data), "00 03 02 08");  // the assignment as it stands
  EXPECT_EQ(to_hex(run(3, {}, kept.state).outcome.data),
            to_hex(f32(12.0f) + Bytes{57} + f32(25.0f) + Bytes{7} + f32(1.8f) + Bytes{32} + f32(20.0f) +
                   Bytes{57} + f32(50.0f)));

  const auto rest = run(51, {4, 6, 7, 255}, kept.state);
  ASSERT_EQ(rest.outcome.response_code, 0);
  EXPECT_EQ(to_hex(run(3, {}, rest.state).outcome.data),
            to_hex(f32(12.0f) + Bytes{57} + f32(25.0f) + Bytes{7} + f32(0.0f) + Bytes{251} + f32(1023.0f) +
                   Bytes{57} + f32(50.0f)));

  auto double_acting = rest.state;
  double_acting.setup.actuator_function = 0;
  EXPECT_EQ(to_hex(run(1, {}, run(51, {3, 255, 255, 255}, double_acting).state).outcome.data),
            to_hex(Bytes{7} + f32(2.25f)));  // 45 % of the 5 bar supply at a quarter of the travel
}

TEST(FactoryReset, PutsTheSettingsBackAndKeepsWhoTheDeviceIs) {
  auto state = out_of_service_state();
  state.setup.stroke_mm = 90;
  state.appearance.language = 2;
  state.identity.device_id = 4711;
  const auto result = run(235, {0x1D, 0xBF}, state);  // 7615
  ASSERT_EQ(result.outcome.response_code, 0);
  EXPECT_EQ(result.state.setup, default_device_state().setup);
  EXPECT_EQ(result.state.appearance, default_device_state().appearance);
  EXPECT_EQ(result.state.identity.device_id, 4711u);
  EXPECT_TRUE(result.state.service.out_of_service);
}

}  // namespace
}  // namespace velk::sim
