#include "slave_framing.h"

#include <cstdio>

namespace velk::sim {

namespace {

constexpr std::size_t kMinimumPreambles = 2;
constexpr std::uint8_t kExpansionMask = 0x60;
constexpr std::uint8_t kPhysicalLayerMask = 0x18;

bool is_delimiter(std::uint8_t byte) {
  const auto type = byte & 0x07;
  return (byte & kPhysicalLayerMask) == 0 && (type == 1 || type == 2 || type == 6);
}

const char* type_name(const HartFrame& frame) {
  switch (frame.type()) {
    case FrameType::Back: return "BACK";
    case FrameType::Stx: return "STX";
    case FrameType::Ack: return "ACK";
  }
  return "?";
}

}  // namespace

std::string describe_frame(const HartFrame& frame) {
  char text[160];
  int used = 0;
  if (frame.long_address()) {
    used = std::snprintf(text, sizeof text, "%s long %02X:%02X:%02X%02X%02X", type_name(frame),
                         frame.address[0] & 0x3F, frame.address[1], frame.address[2], frame.address[3],
                         frame.address[4]);
  } else {
    used = std::snprintf(text, sizeof text, "%s short @%d", type_name(frame), frame.address[0] & 0x0F);
  }
  used += std::snprintf(text + used, sizeof text - used, " M%d B%d cmd %d", frame.master_bit() ? 1 : 0,
                        frame.burst_bit() ? 1 : 0, frame.command);
  if (frame.type() != FrameType::Stx && frame.data.size() >= 2) {
    used += std::snprintf(text + used, sizeof text - used, " rc %d st %02X", frame.data[0], frame.data[1]);
  }
  used += std::snprintf(text + used, sizeof text - used, " n%zu", frame.data.size());
  if (!frame.checksum_ok) std::snprintf(text + used, sizeof text - used, " BAD-CHECKSUM");
  return text;
}

void FrameParser::reset() {
  phase_ = Phase::Hunting;
  step_count_ = 0;
}

void FrameParser::enter(Phase phase) {
  phase_ = phase;
  step_count_ = 0;
}

std::optional<HartFrame> FrameParser::feed(std::uint8_t byte) {
  switch (phase_) {
    case Phase::Hunting:
      if (byte == kPreamble) {
        enter(Phase::Preamble);
        step_count_ = 1;
      }
      return std::nullopt;

    case Phase::Preamble:
      if (byte == kPreamble) {
        ++step_count_;
        return std::nullopt;
      }
      if (step_count_ < kMinimumPreambles || !is_delimiter(byte)) {
        reset();
        return std::nullopt;
      }
      frame_ = HartFrame{};
      frame_.delimiter = byte;
      frame_.preambles = step_count_;
      checksum_ = byte;
      enter(Phase::Address);
      expected_ = frame_.address_size();
      return std::nullopt;

    default: break;
  }

  if (phase_ != Phase::Checksum) checksum_ ^= byte;
  switch (phase_) {
    case Phase::Address:
      frame_.address[step_count_++] = byte;
      if (step_count_ == expected_) {
        expected_ = (frame_.delimiter & kExpansionMask) >> 5;
        enter(expected_ > 0 ? Phase::Expansion : Phase::Command);
      }
      break;
    case Phase::Expansion:
      if (++step_count_ == expected_) enter(Phase::Command);
      break;
    case Phase::Command:
      frame_.command = byte;
      enter(Phase::ByteCount);
      break;
    case Phase::ByteCount:
      expected_ = byte;
      frame_.data.reserve(byte);
      enter(byte > 0 ? Phase::Data : Phase::Checksum);
      break;
    case Phase::Data:
      frame_.data.push_back(byte);
      if (++step_count_ == expected_) enter(Phase::Checksum);
      break;
    case Phase::Checksum:
      frame_.checksum_ok = byte == checksum_;
      reset();
      return std::move(frame_);
    default: break;
  }
  return std::nullopt;
}

std::uint8_t delimiter_for(FrameType type, bool long_address) {
  return static_cast<std::uint8_t>(static_cast<std::uint8_t>(type) | (long_address ? kLongAddressFlag : 0));
}

std::vector<std::uint8_t> build_frame(std::size_t preambles, std::uint8_t delimiter,
                                      std::span<const std::uint8_t> address, std::uint8_t command,
                                      std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> out(preambles, kPreamble);
  const auto body_start = out.size();
  out.push_back(delimiter);
  out.insert(out.end(), address.begin(), address.end());
  out.push_back(command);
  out.push_back(static_cast<std::uint8_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  std::uint8_t check = 0;
  for (auto i = body_start; i < out.size(); ++i) check ^= out[i];
  out.push_back(check);
  return out;
}

}  // namespace velk::sim
