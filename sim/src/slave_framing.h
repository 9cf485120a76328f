// HART framing from the slave's side: a byte-at-a-time parser for whatever
// crosses the loop (requests, and any frame the log should decode), and the
// builder of the frames the device sends.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velk::sim {

enum class FrameType : std::uint8_t { Back = 1, Stx = 2, Ack = 6 };

inline constexpr std::uint8_t kPreamble = 0xFF;
inline constexpr std::uint8_t kLongAddressFlag = 0x80;
inline constexpr std::uint8_t kMasterBit = 0x80;
inline constexpr std::uint8_t kBurstBit = 0x40;

struct HartFrame {
  std::uint8_t delimiter = 0;
  std::size_t preambles = 0;
  std::array<std::uint8_t, 5> address{};  // a short frame uses address[0] only
  std::uint8_t command = 0;
  std::vector<std::uint8_t> data;  // byte count bytes; replies start with the two status bytes
  bool checksum_ok = false;

  FrameType type() const { return static_cast<FrameType>(delimiter & 0x07); }
  bool long_address() const { return (delimiter & kLongAddressFlag) != 0; }
  std::size_t address_size() const { return long_address() ? 5 : 1; }
  bool master_bit() const { return (address[0] & kMasterBit) != 0; }
  bool burst_bit() const { return (address[0] & kBurstBit) != 0; }
};

// One line of text for the frame log: type, address, bits, command, status.
std::string describe_frame(const HartFrame& frame);

class FrameParser {
 public:
  // Takes one received byte; returns the frame this byte completed, if any.
  std::optional<HartFrame> feed(std::uint8_t byte);
  // Nothing of a frame has been seen since the last complete frame or reset.
  bool idle() const { return phase_ == Phase::Hunting; }
  // Drops a partial frame (the line went quiet in the middle of it).
  void reset();

 private:
  enum class Phase { Hunting, Preamble, Address, Expansion, Command, ByteCount, Data, Checksum };
  void enter(Phase phase);

  Phase phase_ = Phase::Hunting;
  HartFrame frame_;
  std::size_t step_count_ = 0;  // bytes taken in the current phase
  std::size_t expected_ = 0;    // bytes the current phase needs
  std::uint8_t checksum_ = 0;
};

// The bytes of one frame: preambles, delimiter, address, command, byte count,
// data and the check byte (XOR of everything from the delimiter on).
std::vector<std::uint8_t> build_frame(std::size_t preambles, std::uint8_t delimiter,
                                      std::span<const std::uint8_t> address, std::uint8_t command,
                                      std::span<const std::uint8_t> data);

std::uint8_t delimiter_for(FrameType type, bool long_address);

}  // namespace velk::sim
