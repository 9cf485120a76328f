// The pseudo-terminal the simulated positioner listens on, with its optional
// symlink, and the line timing of a 1200-baud HART loop.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace velk::sim {

// 11 bits a character (start, 8 data, odd parity, stop) at 1200 baud.
inline constexpr std::chrono::microseconds kCharacterTime{9167};

class PtyLine {
 public:
  // Opens a fresh pty in raw mode and links `link_path` to it when not empty.
  // Throws std::runtime_error on failure.
  explicit PtyLine(std::string link_path);
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // Removes the link and closes the pty; the device path stays known. Idempotent.
  void close();

  int fd() const { return master_fd_; }
  const std::string& device_path() const { return device_path_; }
  const std::string& link_path() const { return link_path_; }

  // Sends bytes, one character time each when paced. Bytes nobody reads are
  // lost, as on a wire, rather than blocking the device.
  void send(std::span<const std::uint8_t> bytes, bool paced);
  // Reads what has arrived (non-blocking); returns the count, 0 when none.
  std::size_t receive(std::span<std::uint8_t> buffer);

 private:
  void write_all(std::span<const std::uint8_t> bytes);
  void make_link();
  void remove_link();

  int master_fd_ = -1;
  int slave_fd_ = -1;  // kept open so the line survives a master closing and reopening it
  std::string device_path_;
  std::string link_path_;
};

}  // namespace velk::sim
