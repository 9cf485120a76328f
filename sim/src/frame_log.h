// The frame log: one line per frame each way, time-stamped, in hex with a
// one-line decode, so a support case can be read back byte by byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace velk::sim {

class FrameLog {
 public:
  FrameLog() = default;
  explicit FrameLog(const std::string& path);  // throws std::runtime_error when it cannot be opened
  ~FrameLog();
  FrameLog(const FrameLog&) = delete;
  FrameLog& operator=(const FrameLog&) = delete;

  bool enabled() const { return file_ != nullptr; }
  // "RX" or "TX"; the decode of every frame in `bytes`, then `note` if any.
  void frames(std::string_view direction, std::span<const std::uint8_t> bytes, std::string_view note = {});
  void note(std::string_view text);

 private:
  void line(std::string_view text);
  std::FILE* file_ = nullptr;
};

// "FF FF 82 ..." for the log and for messages.
std::string hex_bytes(std::span<const std::uint8_t> bytes);

}  // namespace velk::sim
