#include "options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>

#include "hart_ip_server.h"

namespace velk::sim {

namespace {

template <class Number>
bool parse_number(const std::string& text, Number& value, Number low, Number high, int base = 10) {
  Number parsed{};
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), parsed, base);
  if (status != std::errc{} || end != text.data() + text.size() || parsed < low || parsed > high)
    return false;
  value = parsed;
  return true;
}

// Decimal, or hexadecimal with a 0x prefix.
bool parse_device_id(const std::string& text, std::uint32_t& value) {
  if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
    return parse_number(text.substr(2), value, 0u, 0xFFFFFFu, 16);
  }
  return parse_number(text, value, 0u, 0xFFFFFFu);
}

}  // namespace

std::string usage_text() {
  return "Usage: positioner-sim [options]\n"
         "A simulated Q5/Q50 valve positioner: a HART slave on a pseudo-terminal.\n"
         "\n"
         "  --link PATH          make PATH a symlink to the pseudo-terminal (for MIRELL_COM<n>)\n"
         "  --poll-address N     polling address, 0 to 15 (default 0)\n"
         "  --model q5|q50       positioner model (default q5)\n"
         "  --version V          software version: 8.6, 9.0, 9.1, 10.0 or 10.1 (default 8.6)\n"
         "  --device-id N        device identification, 24 bits, decimal or 0x hex (default 1)\n"
         "  --hart-ip [ADDR:]PORT  serve the device over HART-IP too, UDP and TCP on\n"
         "                       PORT (5094 is the usual one), on ADDR (default\n"
         "                       127.0.0.1: this machine only)\n"
         "  --hart-ip-psk FILE   serve secure HART-IP sessions only (TLS over TCP,\n"
         "                       DTLS over UDP) with the pre-shared keys in FILE, one\n"
         "                       \"IDENTITY KEYHEX\" a line (mode 0600); plain sessions\n"
         "                       get no answer; a file with no key: not provisioned\n"
         "  --hart-ip-ignore-unknown  no answer at all to a HART-IP session the\n"
         "                       server does not know (as some do), rather than a NAK\n"
         "  --hart-ip-wrong-frame KIND[:N]  another frame in place of the device's\n"
         "                       HART-IP answer: echo (the request), burst or\n"
         "                       other-master; for the first N requests, else all\n"
         "  --pace               send and receive at the speed of a 1200-baud line\n"
         "  --turnaround MS      pause before each reply, 0 to 250 ms (default 20)\n"
         "  --burst-pause MS     silence after each burst frame, 20 to 300 ms (default 120)\n"
         "  --faults SPEC        faults, comma-separated: KIND=RATE (0 to 1, per request)\n"
         "                       or KIND@N (on the N-th request), and seed=N; kinds:\n"
         "                       no-reply, bad-checksum, broken-frame, garbage,\n"
         "                       preamble-flood, busy, other-master, second-burst-device,\n"
         "                       corrupt-byte, late-reply, short-reply (a whole reply\n"
         "                       with fewer data bytes: a random shorter length)\n"
         "  --short-reply CMD:N  cut every reply to command CMD to N data bytes (after\n"
         "                       the status bytes), as a device of other firmware\n"
         "                       would answer; may be given several times\n"
         "  --write-protected    start with the write-protection jumper set\n"
         "  --calibration-failure N  travel calibrations fail with status N, 2 to 5\n"
         "                       (2 no movement, 3 pot failure, 4 and 5 dampers)\n"
         "  --leak               leak tests find a leak (tuning still follows)\n"
         "  --time-scale F       factor on calibration and self-test durations, 0.001\n"
         "                       to 100 (default 1: a calibration takes about 30 s)\n"
         "  --event-log N        start with N past events in the event log, 0 to 200\n"
         "  --state FILE         keep the device state in FILE across restarts\n"
         "  --log FILE           append every frame, both ways, to FILE\n"
         "  --write-map FILE     write the linker map file of the simulated firmware\n"
         "                       (for the MAP page) to FILE and stop\n"
         "  --seed N             seed of the process model's noise and drift (default 1)\n"
         "  --help               show this text\n";
}

std::optional<Options> parse_options(const std::vector<std::string>& arguments, std::string& error) {
  Options options;
  auto& line = options.config.line;
  const auto fail = [&error](std::string message) {
    error = std::move(message);
    return std::optional<Options>{};
  };
  using Setter = std::function<bool(const std::string&)>;
  const std::map<std::string, std::pair<Setter, const char*>> with_value = {
      {"--link",
       {[&](const std::string& v) {
          line.link_path = v;
          return !v.empty();
        },
        "a path"}},
      {"--hart-ip",
       {[&](const std::string& v) {
          std::string ignored;
          line.hart_ip = v;
          return parse_hart_ip_endpoint(v, ignored).has_value();
        },
        "[ADDR:]PORT"}},
      {"--hart-ip-psk",
       {[&](const std::string& v) {
          line.hart_ip_psk = v;
          return !v.empty();
        },
        "a key file"}},
      {"--hart-ip-wrong-frame",
       {[&](const std::string& v) {
          HartIpQuirks ignored;
          line.hart_ip_wrong_frame = v;
          return parse_wrong_frame(v, ignored);
        },
        "echo, burst or other-master, optionally :N"}},
      {"--log",
       {[&](const std::string& v) {
          line.log_path = v;
          return !v.empty();
        },
        "a path"}},
      {"--state",
       {[&](const std::string& v) {
          line.state_path = v;
          return !v.empty();
        },
        "a path"}},
      {"--poll-address",
       {[&](const std::string& v) {
          std::uint8_t address = 0;
          if (!parse_number<std::uint8_t>(v, address, 0, 15)) return false;
          options.polling_address = address;
          return true;
        },
        "a number from 0 to 15"}},
      {"--model",
       {[&](const std::string& v) {
          if (v == "q5")
            options.model = Model::Q5;
          else if (v == "q50")
            options.model = Model::Q50;
          else
            return false;
          return true;
        },
        "q5 or q50"}},
      {"--version",
       {[&](const std::string& v) {
          const auto revision = software_revision_from_text(v);
          if (revision == 0) return false;
          options.software_revision = revision;
          return true;
        },
        "8.6, 9.0, 9.1, 10.0 or 10.1"}},
      {"--device-id",
       {[&](const std::string& v) {
          std::uint32_t id = 0;
          if (!parse_device_id(v, id)) return false;
          options.device_id = id;
          return true;
        },
        "a number from 0 to 16777215 (or 0x000000 to 0xFFFFFF)"}},
      {"--turnaround",
       {[&](const std::string& v) {
          int ms = 0;
          if (!parse_number(v, ms, 0, 250)) return false;
          line.turnaround = std::chrono::milliseconds(ms);
          return true;
        },
        "milliseconds from 0 to 250"}},
      {"--burst-pause",
       {[&](const std::string& v) {
          int ms = 0;
          if (!parse_number(v, ms, 20, 300)) return false;
          line.burst_pause = std::chrono::milliseconds(ms);
          return true;
        },
        "milliseconds from 20 to 300"}},
      {"--calibration-failure",
       {[&](const std::string& v) {
          std::uint8_t status = 0;
          if (!parse_number<std::uint8_t>(v, status, 2, 5)) return false;
          options.travel_failure = status;
          return true;
        },
        "a status from 2 to 5"}},
      {"--time-scale",
       {[&](const std::string& v) {
          float scale = 0;
          const auto [end, status] = std::from_chars(v.data(), v.data() + v.size(), scale);
          if (status != std::errc{} || end != v.data() + v.size() || !(scale >= 0.001f && scale <= 100.0f))
            return false;
          options.time_scale = scale;
          return true;
        },
        "a factor from 0.001 to 100"}},
      {"--event-log",
       {[&](const std::string& v) {
          std::size_t entries = 0;
          if (!parse_number<std::size_t>(v, entries, 0, kEventLogCapacity)) return false;
          options.event_log_entries = entries;
          return true;
        },
        "a number from 0 to 200"}},
      {"--write-map",
       {[&](const std::string& v) {
          if (v.empty()) return false;
          options.map_path = v;
          return true;
        },
        "a file name"}},
      {"--short-reply",
       {[&](const std::string& v) { return parse_short_reply(v, line.faults); },
        "CMD:N (a command and a data byte count, 0 to 255 each)"}},
      {"--seed",
       {[&](const std::string& v) { return parse_number(v, line.seed, std::uint64_t{0}, UINT64_MAX); },
        "a whole number"}},
  };

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    std::optional<std::string> value;
    if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    if (name == "--help" || name == "-h") {
      options.show_help = true;
    } else if (name == "--hart-ip-ignore-unknown" && !value) {
      line.hart_ip_ignore_unknown = true;
    } else if (name == "--pace" && !value) {
      line.pace = true;
    } else if (name == "--write-protected" && !value) {
      options.write_protected = true;
    } else if (name == "--leak" && !value) {
      options.leak = true;
    } else if (name == "--faults") {
      if (!value) {
        if (i + 1 == arguments.size()) return fail("--faults needs a value");
        value = arguments[++i];
      }
      std::string fault_error;
      auto plan = parse_fault_plan(*value, fault_error);
      if (!plan) return fail("--faults: " + fault_error);
      plan->short_replies = std::move(line.faults.short_replies);  // given by --short-reply
      line.faults = *plan;
    } else if (const auto option = with_value.find(name); option != with_value.end()) {
      if (!value) {
        if (i + 1 == arguments.size()) return fail(name + " needs a value");
        value = arguments[++i];
      }
      if (!option->second.first(*value)) {
        return fail(name + " wants " + option->second.second + ", not \"" + *value + "\"");
      }
    } else {
      return fail("unknown argument \"" + arguments[i] + "\"");
    }
  }
  return options;
}

void apply_device_options(const Options& options, DeviceState& state) {
  if (options.model) state.identity.model = *options.model;
  if (options.software_revision) state.identity.software_revision = *options.software_revision;
  if (options.polling_address) state.identity.polling_address = *options.polling_address;
  if (options.device_id) state.identity.device_id = *options.device_id;
  if (options.write_protected) state.service.write_protected = true;
  if (options.travel_failure) state.calibration.travel_failure = *options.travel_failure;
  if (options.leak) state.calibration.leak = true;
  if (options.time_scale) state.calibration.time_scale = *options.time_scale;
  if (options.event_log_entries) {
    const auto past = diagnostic_history(state.identity.device_id, *options.event_log_entries);
    state.diagnostics.events = past.events;
    state.diagnostics.events_logged = past.events_logged;
    state.diagnostics.clock_s = std::max(state.diagnostics.clock_s, past.clock_s);
  }
}

}  // namespace velk::sim
