// Big-endian integers and IEEE 754 singles, as HART carries them.
#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <vector>

namespace velk::sim {

inline void append_u8(std::vector<std::uint8_t>& out, std::uint8_t value) { out.push_back(value); }

inline void append_u24(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 16));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

inline void append_u32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 24));
  append_u24(out, value & 0xFFFFFFu);
}

inline void append_f32(std::vector<std::uint8_t>& out, float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  out.push_back(static_cast<std::uint8_t>(bits >> 24));
  append_u24(out, bits & 0xFFFFFFu);
}

// Out-of-range reads give 0: the command table checks request lengths first,
// so this only guards against a handler reading past what it declared.
inline std::uint8_t read_u8(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return offset < bytes.size() ? bytes[offset] : 0;
}

inline float read_f32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (offset + 4 > bytes.size()) return 0.0f;
  const std::uint32_t bits = std::uint32_t{bytes[offset]} << 24 | std::uint32_t{bytes[offset + 1]} << 16 |
                             std::uint32_t{bytes[offset + 2]} << 8 | std::uint32_t{bytes[offset + 3]};
  return std::bit_cast<float>(bits);
}

}  // namespace velk::sim
