// A small HART master for the simulator's tests, written apart from the
// simulator's own framing so that a fault in one cannot hide in the other:
// request frames built byte by byte, reply frames decoded by index.
#pragma once

#include <bit>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace test_master {

using Bytes = std::vector<std::uint8_t>;

struct Target {
  bool long_frame = true;
  std::uint8_t polling_address = 0;
  std::uint8_t manufacturer = 62;
  std::uint8_t device_type = 97;
  std::uint32_t device_id = 1;
};

Bytes request(std::uint8_t command, const Bytes& data = {}, const Target& target = {}, int preambles = 5,
              bool primary_master = true);

struct Frame {
  std::uint8_t delimiter = 0;
  int preambles = 0;
  Bytes address;
  std::uint8_t command = 0;
  Bytes body;  // all byte-count bytes, status bytes included
  bool checksum_ok = false;

  bool master_bit() const { return !address.empty() && (address[0] & 0x80) != 0; }
  bool burst_bit() const { return !address.empty() && (address[0] & 0x40) != 0; }
  std::uint8_t response_code() const { return body.size() > 0 ? body[0] : 0xFF; }
  Bytes data() const { return body.size() > 2 ? Bytes(body.begin() + 2, body.end()) : Bytes{}; }
};

// Every complete frame in `bytes`; `consumed` says how far the decode got, so
// a caller can keep the tail of a frame still arriving.
std::vector<Frame> decode(const Bytes& bytes, std::size_t* consumed = nullptr);

inline Bytes f32(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return {static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
          static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)};
}
inline float f32_at(const Bytes& data, std::size_t offset) {
  if (offset + 4 > data.size()) return -12345.0f;
  return std::bit_cast<float>(std::uint32_t{data[offset]} << 24 | std::uint32_t{data[offset + 1]} << 16 |
                              std::uint32_t{data[offset + 2]} << 8 | data[offset + 3]);
}
inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes from_hex(const std::string& text);  // "FE 3E 61" -> bytes
std::string to_hex(const Bytes& bytes);

// The master's end of the simulator's pseudo-terminal.
class LineMaster {
 public:
  explicit LineMaster(const std::string& device_path);
  ~LineMaster();
  LineMaster(const LineMaster&) = delete;
  LineMaster& operator=(const LineMaster&) = delete;

  void send(const Bytes& bytes);
  // The next complete frame, or nothing within `limit` (a guard against a
  // hang, not a timing check).
  std::optional<Frame> next_frame(std::chrono::milliseconds limit = std::chrono::milliseconds(3000));
  std::optional<Frame> transact(const Bytes& request_bytes);

 private:
  int fd_ = -1;
  Bytes pending_;
  std::vector<Frame> ready_;
};

}  // namespace test_master
