// Deciding which faults hit a request, from a plan of rates and a script.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "positioner_sim/fault_plan.h"

namespace velk::sim {

// How much of a reply's data (the bytes after the two status bytes) goes out.
struct ReplyCut {
  std::optional<std::size_t> limit;  // at most this many bytes
  std::optional<double> share;       // from 0 up to below 1: a random shorter length
  // The data length left of `data_length` bytes; strictly shorter under a share
  // whenever there is data to cut.
  std::size_t length(std::size_t data_length) const;
};

class FaultInjector {
 public:
  explicit FaultInjector(FaultPlan plan = {});
  // The faults for the next request addressed to the device.
  FaultSet next();
  // How the reply to `command` is cut, given the faults that hit its request.
  ReplyCut reply_cut(std::uint8_t command, const FaultSet& faults);

 private:
  FaultPlan plan_;
  std::uint32_t request_number_ = 0;
  std::mt19937_64 random_;
  // Short replies draw from their own stream, so a seed gives the other kinds
  // the sequences it gave before that kind existed.
  std::mt19937_64 cut_random_;
  std::uniform_real_distribution<double> uniform_{0.0, 1.0};
};

// Reply bytes as the faults of `faults` damage them (check byte, frame cut
// short, noise or a preamble flood in front). Faults that drop the reply or
// add other traffic are the line's business and leave the bytes alone.
std::vector<std::uint8_t> damage_reply(std::span<const std::uint8_t> frame, FaultSet faults);

}  // namespace velk::sim
