// Deciding which faults hit a request, from a plan of rates and a script.
#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "positioner_sim/fault_plan.h"

namespace velk::sim {

class FaultInjector {
 public:
  explicit FaultInjector(FaultPlan plan = {});
  // The faults for the next request addressed to the device.
  FaultSet next();

 private:
  FaultPlan plan_;
  std::uint32_t request_number_ = 0;
  std::mt19937_64 random_;
  std::uniform_real_distribution<double> uniform_{0.0, 1.0};
};

// Reply bytes as the faults of `faults` damage them (check byte, frame cut
// short, noise or a preamble flood in front). Faults that drop the reply or
// add other traffic are the line's business and leave the bytes alone.
std::vector<std::uint8_t> damage_reply(std::span<const std::uint8_t> frame, FaultSet faults);

}  // namespace velk::sim
