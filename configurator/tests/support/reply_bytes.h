#pragma once
// Reply and request bytes as tests write them: big-endian singles, joined
// runs, and hex for readable comparisons.

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace velk {

using Bytes = std::vector<std::uint8_t>;

inline Bytes f32(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return {static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
          static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)};
}

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Variable {
  std::uint8_t unitCode;
  float value;
};

// Command 3's data: the loop current, then the unit code and value of each
// of the four dynamic variables.
inline Bytes dynamicVariables(float loopCurrent, const std::array<Variable, 4>& variables) {
  Bytes bytes = f32(loopCurrent);
  for (const Variable& v : variables) {
    bytes.push_back(v.unitCode);
    bytes = bytes + f32(v.value);
  }
  return bytes;
}

inline std::string hex(const Bytes& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 0xF];
  }
  return text;
}

}  // namespace velk
