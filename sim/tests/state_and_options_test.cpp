// The state file, the fault plan, the HART-IP key file and the command line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "faults.h"
#include "hart_ip_tls.h"
#include "options.h"

namespace velk::sim {
namespace {

DeviceState unusual_state() {
  auto state = default_device_state(Model::Q50, 101);
  state.identity.device_id = 0xABCDEF;
  state.identity.tag = {0x37, 0x1D, 0x70, 0x81, 0x2D, 0xE0};
  state.setup.stroke_mm = 157;
  state.setup.cutoff_percent[1] = 99.9f;
  state.setup.current_range_min_ma = 4.1f;
  state.characteristic.transfer_function = transfer_function::kCustom;
  state.characteristic.custom_points[17] = {51.2345f, 0.1f};
  state.units.supply_pressure = unit::kKiloPascal;
  state.units.pressure_minus = unit::kPsi;
  state.control.dynamic_variables = {5, 2, 1, 0};
  state.control.burst_mode = true;
  state.service.write_protected = true;
  state.process.temperature_c = -12.375f;
  state.records.message[23] = 0x3F;
  state.statistics.run_time_s = 90061.123456789;
  state.alarms[AlarmKind::PotPressure] = {true, {4.25f, 0, 0}, true, 3};
  state.calibration.pid_p = 7.125f;
  state.calibration.min_pulses[3] = 65535;
  state.firmware.symptom_limits[75] = 0x2EFE;
  return state;
}

TEST(StateFile, EveryFieldComesBackExactly) {
  const auto state = unusual_state();
  DeviceState loaded;
  std::string error;
  ASSERT_TRUE(parse_device_state(serialize_device_state(state), loaded, error)) << error;
  EXPECT_EQ(loaded, state);
}

TEST(StateFile, MissingKeysKeepTheirValues) {
  auto state = default_device_state();
  std::string error;
  ASSERT_TRUE(parse_device_state("# older file\nsetup.stroke_mm = 80\n\n", state, error)) << error;
  EXPECT_EQ(state.setup.stroke_mm, 80);
  EXPECT_EQ(state.identity.device_type, 97);
}

TEST(StateFile, BadLinesAreRefusedWithTheirNumberAndChangeNothing) {
  const std::pair<const char*, const char*> cases[] = {
      {"setup.stroke_mm = 80\nsetup.nonsense = 1\n", "line 2: unknown key setup.nonsense"},
      {"setup.stroke_mm = 300\n", "line 1: bad value for setup.stroke_mm"},
      {"setup.stroke_mm = 8o\n", "line 1: bad value for setup.stroke_mm"},
      {"control.burst_mode = yes\n", "line 1: bad value for control.burst_mode"},
      {"identity.tag = 371D70812DE\n", "line 1: bad value for identity.tag"},
      {"identity.date = 01 01 14\n", "line 1: bad value for identity.date"},
      {"setup.current_range_min_ma = 4,5\n", "line 1: bad value for setup.current_range_min_ma"},
      {"identity.model q5\n", "line 1: expected \"key = value\""},
  };
  for (const auto& [text, message] : cases) {
    auto state = default_device_state();
    std::string error;
    EXPECT_FALSE(parse_device_state(text, state, error)) << text;
    EXPECT_EQ(error, message);
    EXPECT_EQ(state, default_device_state());
  }
}

TEST(StateFile, SavesAndLoadsThroughAFile) {
  char directory[] = "/tmp/sim-state-XXXXXX";
  ASSERT_NE(::mkdtemp(directory), nullptr);
  const std::string path = std::string(directory) + "/device.state";
  std::string error;
  ASSERT_TRUE(save_device_state(path, unusual_state(), error)) << error;
  DeviceState loaded;
  ASSERT_TRUE(load_device_state(path, loaded, error)) << error;
  EXPECT_EQ(loaded, unusual_state());
  EXPECT_FALSE(load_device_state(path + ".missing", loaded, error));
  std::remove(path.c_str());
  ::rmdir(directory);
}

TEST(FaultPlanText, ParsesRatesScriptsAndSeed) {
  std::string error;
  const auto plan = parse_fault_plan("busy=0.25,no-reply@3,bad-checksum@4,no-reply@9,seed=7", error);
  ASSERT_TRUE(plan) << error;
  EXPECT_EQ(plan->rate[static_cast<std::size_t>(FaultKind::Busy)], 0.25);
  EXPECT_EQ(plan->seed, 7u);
  const std::vector<FaultPlan::Scripted> script{
      {3, FaultKind::NoReply}, {4, FaultKind::BadChecksum}, {9, FaultKind::NoReply}};
  EXPECT_EQ(plan->script, script);
  EXPECT_TRUE(parse_fault_plan("", error));
}

TEST(FaultPlanText, RefusesWhatItCannotMeanExactly) {
  for (const char* text :
       {"busy", "busy=1.5", "busy=-0.1", "busy=x", "jam=0.1", "busy@0", "busy@x", "seed=-1", "seed@3"}) {
    std::string error;
    EXPECT_FALSE(parse_fault_plan(text, error)) << text;
    EXPECT_FALSE(error.empty());
  }
}

TEST(FaultPlanText, ShortReplyNamesACommandAndItsDataBytes) {
  FaultPlan plan;
  EXPECT_TRUE(parse_short_reply("179:0", plan));
  EXPECT_TRUE(parse_short_reply("183:4", plan));
  EXPECT_TRUE(parse_short_reply("183:5", plan));  // the last word for a command holds
  EXPECT_EQ(plan.short_replies, (std::map<std::uint8_t, std::uint8_t>{{179, 0}, {183, 5}}));
  for (const char* text : {"179", "179:", ":4", "256:1", "179:256", "a:1", "179:4:1", "-1:2", ""}) {
    EXPECT_FALSE(parse_short_reply(text, plan)) << text;
  }
  EXPECT_EQ(plan.short_replies.size(), 2u);
}

TEST(FaultInjection, ShortRepliesAreAlwaysShorterAndLeaveTheOtherKindsAlone) {
  FaultPlan plan;
  plan.rate[static_cast<std::size_t>(FaultKind::BadChecksum)] = 0.3;
  plan.seed = 5;
  FaultPlan with_short = plan;
  with_short.rate[static_cast<std::size_t>(FaultKind::ShortReply)] = 1.0;
  with_short.short_replies[3] = 8;
  FaultInjector before(plan);
  FaultInjector after(with_short);
  std::size_t shortest = 24;
  for (int i = 0; i < 500; ++i) {
    const auto faults = after.next();
    EXPECT_EQ(before.next().has(FaultKind::BadChecksum), faults.has(FaultKind::BadChecksum));
    const auto cut = after.reply_cut(3, faults);
    EXPECT_LE(cut.length(24), 8u);
    EXPECT_LT(after.reply_cut(1, faults).length(24), 24u);
    EXPECT_EQ(after.reply_cut(1, faults).length(0), 0u);
    shortest = std::min(shortest, cut.length(24));
  }
  EXPECT_EQ(shortest, 0u);  // down to no data at all
}

TEST(FaultInjection, ScriptHitsExactlyItsRequestAndRatesAreRepeatable) {
  FaultPlan plan;
  plan.script = {{2, FaultKind::Busy}, {2, FaultKind::Garbage}, {4, FaultKind::NoReply}};
  FaultInjector scripted(plan);
  std::vector<std::string> seen;
  for (int i = 0; i < 5; ++i) seen.push_back(scripted.next().describe());
  EXPECT_EQ(seen, (std::vector<std::string>{"", "garbage+busy", "", "no-reply", ""}));

  FaultPlan rated;
  rated.rate[static_cast<std::size_t>(FaultKind::BadChecksum)] = 0.3;
  rated.rate[static_cast<std::size_t>(FaultKind::OtherMaster)] = 1.0;
  rated.seed = 99;
  FaultInjector a(rated);
  FaultInjector b(rated);
  int hits = 0;
  for (int i = 0; i < 1000; ++i) {
    const auto fa = a.next();
    EXPECT_EQ(fa.describe(), b.next().describe());
    EXPECT_TRUE(fa.has(FaultKind::OtherMaster));
    EXPECT_FALSE(fa.has(FaultKind::Busy));
    hits += fa.has(FaultKind::BadChecksum) ? 1 : 0;
  }
  EXPECT_GT(hits, 220);
  EXPECT_LT(hits, 380);
}

TEST(HartIpKeys, AKeyFileGivesEveryIdentityAndRefusesWhatAGatewayWouldNot) {
  const std::string key16 = "00112233445566778899AABBCCDDEEFF";
  const std::string key64 = key16 + key16 + key16 + key16;
  char pattern[] = "/tmp/sim-keys-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/gateway.psk";
  struct Case {
    std::string text;
    mode_t mode;
    std::size_t identities;
    std::string error;  // empty: read
  };
  const Case cases[] = {
      {"# provisioned masters\n\nmaster-one " + key16 + "\r\n  master-two\t" + key64 + "\n", 0600, 2, ""},
      {"", 0600, 0, ""},  // no key: not provisioned
      {"master-one " + key16 + "\nshort " + key16 + "\n", 0600, 0,
       path + ", line 2: the identity must be 8 to 128 printable characters"},
      {"master-one 0011\n", 0600, 0, path + ", line 1: the key must be 32 or 128 hexadecimal digits"},
      {"master-one " + key16 + " extra\n", 0600, 0, path + ", line 1: not IDENTITY KEYHEX"},
      {"master-one " + key16 + "\n", 0640, 0,
       path + " has mode 0640: group or others may read the keys (chmod 600 " + path + ")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::ofstream(path) << c.text;
    ::chmod(path.c_str(), c.mode);
    std::vector<PskIdentity> identities;
    std::string error;
    EXPECT_EQ(load_psk_identities(path, identities, error), c.error.empty());
    EXPECT_EQ(error, c.error);
    if (c.error.empty()) {
      EXPECT_EQ(identities.size(), c.identities);
    }
    if (c.identities > 0) {
      EXPECT_EQ(identities[0].identity, "master-one");
      // As gateways derive it: the lowercase hex text and one zero byte.
      const std::string tls_key(identities[0].tls_key.begin(), identities[0].tls_key.end());
      EXPECT_EQ(tls_key, std::string("00112233445566778899aabbccddeeff") + '\0');
    }
    ::unlink(path.c_str());
  }
  ::rmdir(pattern);
}

std::optional<Options> parse(std::vector<std::string> arguments, std::string* error_out = nullptr) {
  std::string error;
  auto options = parse_options(arguments, error);
  if (error_out) *error_out = error;
  return options;
}

TEST(CommandLine, TakesEveryOptionInBothSpellings) {
  const auto options = parse({"--short-reply",
                              "179:0",  // before --faults, and kept by it
                              "--link",
                              "/tmp/sim-com1",
                              "--poll-address=3",
                              "--model",
                              "q50",
                              "--version=10.1",
                              "--pace",
                              "--turnaround",
                              "0",
                              "--burst-pause=50",
                              "--faults",
                              "busy@1",
                              "--state=/tmp/s",
                              "--log",
                              "/tmp/l",
                              "--device-id",
                              "0x00BEEF",
                              "--write-protected",
                              "--seed",
                              "5",
                              "--short-reply=183:4",
                              "--hart-ip-psk",
                              "/tmp/k.psk"});
  ASSERT_TRUE(options);
  const auto& line = options->config.line;
  EXPECT_EQ(line.link_path, "/tmp/sim-com1");
  EXPECT_TRUE(line.pace);
  EXPECT_EQ(line.turnaround.count(), 0);
  EXPECT_EQ(line.burst_pause.count(), 50);
  EXPECT_EQ(line.faults.script.size(), 1u);
  EXPECT_EQ(line.state_path, "/tmp/s");
  EXPECT_EQ(line.log_path, "/tmp/l");
  EXPECT_EQ(line.seed, 5u);
  EXPECT_EQ(line.hart_ip_psk, "/tmp/k.psk");

  auto state = default_device_state();
  apply_device_options(*options, state);
  EXPECT_EQ(state.identity.polling_address, 3);
  EXPECT_EQ(state.identity.model, Model::Q50);
  EXPECT_EQ(state.identity.software_revision, 101);
  EXPECT_EQ(state.identity.device_id, 0xBEEFu);
  EXPECT_TRUE(state.service.write_protected);
}

TEST(CommandLine, ShortRepliesGivenBeforeAndAfterTheFaultsAreAllKept) {
  const auto options = parse({"--short-reply", "179:0", "--faults=busy@1", "--short-reply=183:4"});
  ASSERT_TRUE(options);
  const auto& faults = options->config.line.faults;
  EXPECT_EQ(faults.short_replies, (std::map<std::uint8_t, std::uint8_t>{{179, 0}, {183, 4}}));
  EXPECT_EQ(faults.script.size(), 1u);
}

TEST(CommandLine, OptionsNotGivenLeaveAStateFileAlone) {
  const auto options = parse({});
  ASSERT_TRUE(options);
  const auto before = unusual_state();
  auto state = before;
  apply_device_options(*options, state);
  EXPECT_EQ(state, before);
}

TEST(CommandLine, BadArgumentsSayWhatIsWrong) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--poll-address", "16"}, "--poll-address wants a number from 0 to 15, not \"16\""},
      {{"--model", "q7"}, "--model wants q5 or q50, not \"q7\""},
      {{"--version", "9.5"}, "--version wants 8.6, 9.0, 9.1, 10.0 or 10.1, not \"9.5\""},
      {{"--turnaround", "300"}, "--turnaround wants milliseconds from 0 to 250, not \"300\""},
      {{"--device-id", "0x1000000"},
       "--device-id wants a number from 0 to 16777215 (or 0x000000 to 0xFFFFFF), "
       "not \"0x1000000\""},
      {{"--link"}, "--link needs a value"},
      {{"--hart-ip", "10.0.0.300:5094"}, "--hart-ip wants [ADDR:]PORT, not \"10.0.0.300:5094\""},
      {{"--hart-ip", "65536"}, "--hart-ip wants [ADDR:]PORT, not \"65536\""},
      {{"--hart-ip-wrong-frame", "echo:0"},
       "--hart-ip-wrong-frame wants echo, burst or other-master, optionally :N, not \"echo:0\""},
      {{"--faults", "jam=1"}, "--faults: unknown fault \"jam\""},
      {{"--short-reply", "179"},
       "--short-reply wants CMD:N (a command and a data byte count, 0 to 255 each), not \"179\""},
      {{"--pace=1"}, "unknown argument \"--pace=1\""},
      {{"extra"}, "unknown argument \"extra\""},
  };
  for (const auto& [arguments, message] : cases) {
    std::string error;
    EXPECT_FALSE(parse(arguments, &error));
    EXPECT_EQ(error, message);
  }
  EXPECT_TRUE(parse({"--help"})->show_help);
}

}  // namespace
}  // namespace velk::sim
