#include "pty_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace velk::sim {

namespace {

std::runtime_error system_error(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

PtyLine::PtyLine(std::string link_path) : link_path_(std::move(link_path)) {
  master_fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_fd_ < 0) throw system_error("cannot open a pseudo-terminal");
  char name[PATH_MAX] = {};
  if (::grantpt(master_fd_) != 0 || ::unlockpt(master_fd_) != 0 ||
      ::ptsname_r(master_fd_, name, sizeof name) != 0) {
    const auto error = system_error("cannot prepare the pseudo-terminal");
    ::close(master_fd_);
    throw error;
  }
  device_path_ = name;
  slave_fd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_fd_ < 0) {
    const auto error = system_error("cannot open " + device_path_);
    ::close(master_fd_);
    throw error;
  }
  // Raw until a master sets its own mode: no echo of our frames, no line editing.
  termios mode{};
  ::tcgetattr(slave_fd_, &mode);
  ::cfmakeraw(&mode);
  ::tcsetattr(slave_fd_, TCSANOW, &mode);
  ::fcntl(master_fd_, F_SETFL, ::fcntl(master_fd_, F_GETFL) | O_NONBLOCK);
  try {
    make_link();
  } catch (...) {
    ::close(slave_fd_);
    ::close(master_fd_);
    throw;
  }
}

PtyLine::~PtyLine() { close(); }

void PtyLine::close() {
  if (master_fd_ < 0) return;
  remove_link();
  ::close(slave_fd_);
  ::close(master_fd_);
  slave_fd_ = master_fd_ = -1;
}

void PtyLine::make_link() {
  if (link_path_.empty()) return;
  struct stat existing {};
  if (::lstat(link_path_.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    throw std::runtime_error(link_path_ + " exists and is not a symlink; not replacing it");
  }
  // Link beside it, then rename over a stale link left by an earlier run.
  const auto temporary = link_path_ + ".new";
  ::unlink(temporary.c_str());
  if (::symlink(device_path_.c_str(), temporary.c_str()) != 0)
    throw system_error("cannot create " + temporary);
  if (::rename(temporary.c_str(), link_path_.c_str()) != 0) {
    const auto error = system_error("cannot create " + link_path_);
    ::unlink(temporary.c_str());
    throw error;
  }
}

void PtyLine::remove_link() {
  if (link_path_.empty()) return;
  char target[PATH_MAX] = {};
  const auto length = ::readlink(link_path_.c_str(), target, sizeof target - 1);
  // Only our own link: another simulator may have taken the name over since.
  if (length > 0 && device_path_ == std::string(target, static_cast<std::size_t>(length))) {
    ::unlink(link_path_.c_str());
  }
}

void PtyLine::write_all(std::span<const std::uint8_t> bytes) {
  bool flushed = false;
  while (!bytes.empty()) {
    const auto written = ::write(master_fd_, bytes.data(), bytes.size());
    if (written > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno == EAGAIN && !flushed) {
      // Nobody is reading the line: what waits there is lost, as on a wire.
      ::tcflush(slave_fd_, TCIFLUSH);
      flushed = true;
      continue;
    }
    return;
  }
}

void PtyLine::send(std::span<const std::uint8_t> bytes, bool paced) {
  if (!paced) return write_all(bytes);
  // Each character reaches the far end when its last bit is on the line.
  auto due = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    due += kCharacterTime;
    std::this_thread::sleep_until(due);
    write_all(bytes.subspan(i, 1));
  }
}

std::size_t PtyLine::receive(std::span<std::uint8_t> buffer) {
  const auto count = ::read(master_fd_, buffer.data(), buffer.size());
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

}  // namespace velk::sim
