#include "test_master.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace test_master {

Bytes request(std::uint8_t command, const Bytes& data, const Target& target, int preambles,
              bool primary_master) {
  Bytes frame(static_cast<std::size_t>(preambles), 0xFF);
  const std::uint8_t master = primary_master ? 0x80 : 0x00;
  Bytes body;
  if (target.long_frame) {
    body = {0x82,
            static_cast<std::uint8_t>(master | (target.manufacturer & 0x3F)),
            target.device_type,
            static_cast<std::uint8_t>(target.device_id >> 16),
            static_cast<std::uint8_t>(target.device_id >> 8),
            static_cast<std::uint8_t>(target.device_id)};
  } else {
    body = {0x02, static_cast<std::uint8_t>(master | (target.polling_address & 0x0F))};
  }
  body.push_back(command);
  body.push_back(static_cast<std::uint8_t>(data.size()));
  body.insert(body.end(), data.begin(), data.end());
  std::uint8_t check = 0;
  for (auto byte : body) check ^= byte;
  frame.insert(frame.end(), body.begin(), body.end());
  frame.push_back(check);
  return frame;
}

std::vector<Frame> decode(const Bytes& bytes, std::size_t* consumed) {
  std::vector<Frame> frames;
  std::size_t done = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    // A run of at least two preambles, then a delimiter.
    std::size_t run = 0;
    while (i + run < bytes.size() && bytes[i + run] == 0xFF) ++run;
    if (run == 0) {
      done = ++i;
      continue;
    }
    const std::size_t at = i + run;
    if (at >= bytes.size()) break;  // still arriving
    const std::uint8_t delimiter = bytes[at];
    const int type = delimiter & 0x07;
    if (run < 2 || (delimiter & 0x18) != 0 || (type != 1 && type != 2 && type != 6)) {
      done = i = at + 1;
      continue;
    }
    const std::size_t address_size = (delimiter & 0x80) ? 5 : 1;
    const std::size_t expansion = (delimiter >> 5) & 0x03;
    const std::size_t count_at = at + 1 + address_size + expansion + 1;
    if (count_at >= bytes.size()) break;
    const std::size_t end = count_at + 1 + bytes[count_at] + 1;  // one past the check byte
    if (end > bytes.size()) break;
    Frame frame;
    frame.delimiter = delimiter;
    frame.preambles = static_cast<int>(run);
    frame.address.assign(bytes.begin() + static_cast<long>(at + 1),
                         bytes.begin() + static_cast<long>(at + 1 + address_size));
    frame.command = bytes[count_at - 1];
    frame.body.assign(bytes.begin() + static_cast<long>(count_at + 1),
                      bytes.begin() + static_cast<long>(end - 1));
    std::uint8_t check = 0;
    for (std::size_t k = at; k + 1 < end; ++k) check ^= bytes[k];
    frame.checksum_ok = check == bytes[end - 1];
    frames.push_back(std::move(frame));
    done = i = end;
  }
  if (consumed) *consumed = done;
  return frames;
}

Bytes from_hex(const std::string& text) {
  Bytes out;
  unsigned value = 0;
  int digits = 0;
  for (char c : text) {
    int nibble = -1;
    if (c >= '0' && c <= '9') nibble = c - '0';
    if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') nibble = c - 'a' + 10;
    if (nibble < 0) continue;
    value = value << 4 | static_cast<unsigned>(nibble);
    if (++digits == 2) {
      out.push_back(static_cast<std::uint8_t>(value));
      value = 0;
      digits = 0;
    }
  }
  return out;
}

std::string to_hex(const Bytes& bytes) {
  std::string text;
  char part[4];
  for (auto byte : bytes) {
    std::snprintf(part, sizeof part, text.empty() ? "%02X" : " %02X", byte);
    text += part;
  }
  return text;
}

LineMaster::LineMaster(const std::string& device_path) {
  fd_ = ::open(device_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("cannot open " + device_path);
  termios mode{};
  ::tcgetattr(fd_, &mode);
  ::cfmakeraw(&mode);
  ::tcsetattr(fd_, TCSANOW, &mode);
}

LineMaster::~LineMaster() { ::close(fd_); }

void LineMaster::send(const Bytes& bytes) {
  if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    throw std::runtime_error("short write to the line");
  }
}

std::optional<Frame> LineMaster::next_frame(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (ready_.empty()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd waiting{fd_, POLLIN, 0};
    if (::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) continue;
    std::uint8_t buffer[256];
    const auto count = ::read(fd_, buffer, sizeof buffer);
    if (count <= 0) continue;
    pending_.insert(pending_.end(), buffer, buffer + count);
    std::size_t consumed = 0;
    for (auto& frame : decode(pending_, &consumed)) ready_.push_back(std::move(frame));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(consumed));
  }
  Frame frame = std::move(ready_.front());
  ready_.erase(ready_.begin());
  return frame;
}

std::optional<Frame> LineMaster::transact(const Bytes& request_bytes) {
  send(request_bytes);
  return next_frame();
}

}  // namespace test_master
