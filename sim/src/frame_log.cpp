#include "frame_log.h"

#include <chrono>
#include <ctime>
#include <stdexcept>

#include "slave_framing.h"

namespace velk::sim {

std::string hex_bytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (const auto byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

FrameLog::FrameLog(const std::string& path) : file_(std::fopen(path.c_str(), "a")) {
  if (file_ == nullptr) throw std::runtime_error("cannot open the frame log " + path);
}

FrameLog::~FrameLog() {
  if (file_ != nullptr) std::fclose(file_);
}

void FrameLog::frames(std::string_view direction, std::span<const std::uint8_t> bytes,
                      std::string_view note) {
  if (file_ == nullptr) return;
  // Decode with a parser of its own, so what is logged is what the bytes say.
  FrameParser parser;
  std::string decode;
  for (const auto byte : bytes) {
    if (auto frame = parser.feed(byte)) {
      if (!decode.empty()) decode += " ; ";
      decode += describe_frame(*frame);
    }
  }
  if (decode.empty()) decode = "no complete frame";
  std::string text = std::string(direction) + " " + hex_bytes(bytes) + " | " + decode;
  if (!note.empty()) text += " [" + std::string(note) + "]";
  line(text);
}

void FrameLog::note(std::string_view text) {
  if (file_ != nullptr) line("-- " + std::string(text));
}

void FrameLog::line(std::string_view text) {
  const auto now = std::chrono::system_clock::now();
  const auto seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::fprintf(file_, "%s.%03lld %.*s\n", stamp, static_cast<long long>(millis),
               static_cast<int>(text.size()), text.data());
  std::fflush(file_);
}

}  // namespace velk::sim
