// The positioner-sim command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "positioner_sim/simulated_positioner.h"

namespace velk::sim {

struct Options {
  SimulatorConfig config;
  std::optional<Model> model;  // overrides a state file
  std::optional<std::uint8_t> software_revision;
  std::optional<std::uint8_t> polling_address;
  std::optional<std::uint32_t> device_id;
  bool write_protected = false;
  std::optional<std::uint8_t> travel_failure;  // the status travel calibrations fail with
  bool leak = false;                           // leak tests find a leak
  std::optional<float> time_scale;             // factor on calibration and self-test durations
  std::optional<std::size_t> event_log_entries;  // a past of this many events instead of the state's log
  // Write the firmware's map file there and stop.
  std::optional<std::string> map_path;
  bool show_help = false;
};

std::string usage_text();

// Parses argv[1..]; on a bad argument returns nothing and sets `error`.
std::optional<Options> parse_options(const std::vector<std::string>& arguments, std::string& error);

// The options applied to a device state (the one from the state file, or the default).
void apply_device_options(const Options& options, DeviceState& state);

}  // namespace velk::sim
