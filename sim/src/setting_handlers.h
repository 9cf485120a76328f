// Handlers for the many one-byte settings and checked float values, so that
// each area's file lists what it stores rather than repeating how.
#pragma once

#include <cmath>
#include <cstdint>

#include "command_registry.h"

namespace velk::sim {

// 0 when value lies in [low, high], else the response code that refuses it.
inline std::uint8_t range_check(float value, float low, float high) {
  if (std::isnan(value)) return response::kInvalidSelection;
  if (value > high) return response::kParameterTooLarge;
  if (value < low) return response::kParameterTooSmall;
  return response::kSuccess;
}

// A byte setting at Section.Field that takes the codes 0..Max.
template <auto Section, auto Field, std::uint8_t Max>
void write_byte_setting(CommandContext& c) {
  const auto code = c.request_u8(0);
  if (code > Max) return c.refuse(response::kInvalidSelection);
  (c.state.*Section).*Field = code;
  c.echo_request(1);
}

template <auto Section, auto Field>
void read_byte_setting(CommandContext& c) {
  c.reply_u8(static_cast<std::uint8_t>((c.state.*Section).*Field));
}

// Settings kept per travel end: request byte 0 is the end (0 low, 1 high).
inline bool valid_travel_end(CommandContext& c) {
  if (c.request_u8(0) <= 1) return true;
  c.refuse(response::kInvalidSelection);
  return false;
}

}  // namespace velk::sim
