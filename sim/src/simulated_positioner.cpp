#include "positioner_sim/simulated_positioner.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <deque>
#include <stdexcept>
#include <thread>

#include "faults.h"
#include "frame_log.h"
#include "hart_ip_server.h"
#include "positioner.h"
#include "pty_line.h"
#include "slave_framing.h"

namespace velk::sim {

namespace {

// Silence inside a frame longer than this means the sender gave up on it.
constexpr auto kGapLimit = std::chrono::milliseconds(100);
// Noise that never turns into a frame is logged once it piles up this far.
constexpr std::size_t kMaxUnframedBytes = 256;
constexpr auto kIdlePoll = std::chrono::milliseconds(1000);

std::optional<HartFrame> parse_one(std::span<const std::uint8_t> bytes) {
  FrameParser parser;
  for (const auto byte : bytes) {
    if (auto frame = parser.feed(byte)) return frame;
  }
  return std::nullopt;
}

// The frame log's note on a reply: the faults it met, and how far it was cut.
std::string reply_note(const FaultSet& injected, const Answer& answer) {
  std::string note = injected.describe();
  if (answer.data_bytes == answer.full_data_bytes) return note;
  if (!injected.has(FaultKind::ShortReply)) note += note.empty() ? "short-reply" : "+short-reply";
  return note + " (" + std::to_string(answer.data_bytes) + " of " + std::to_string(answer.full_data_bytes) +
         " data bytes)";
}

}  // namespace

struct SimulatedPositioner::Impl {
  explicit Impl(SimulatorConfig config)
      : line_config(std::move(config.line)),
        line(line_config.link_path),
        log(),
        device(config.device, line_config.seed, SimClock::now()),
        faults(line_config.faults) {
    if (!line_config.log_path.empty()) log.emplace(line_config.log_path);
    if (::pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
      throw std::runtime_error("cannot create a wake-up pipe");
    next_burst_at = SimClock::now() + line_config.burst_pause;
    if (!line_config.hart_ip.empty()) start_hart_ip();
    thread = std::thread([this] { run(); });
  }

  ~Impl() {
    stop();
    ::close(wake_pipe[0]);
    ::close(wake_pipe[1]);
  }

  void stop() {
    if (hart_ip) hart_ip->stop();
    if (!thread.joinable()) return;
    stopping = true;
    wake();
    thread.join();
    save_state();  // the process values as they stand
    line.close();
  }

  void wake() {
    if (hart_ip) hart_ip->wake();
    const char byte = 0;
    [[maybe_unused]] const auto ignored = ::write(wake_pipe[1], &byte, 1);
  }

  void record_error(std::string text) {
    if (log) log->note(text);
    std::lock_guard lock(shared_mutex);
    last_error = std::move(text);
  }

  void transmit(std::span<const std::uint8_t> bytes, std::string_view note = {}) {
    if (log) log->frames("TX", bytes, note);
    line.send(bytes, line_config.pace);
  }

  SimClock::duration character_time() const {
    return line_config.pace ? SimClock::duration(kCharacterTime) : SimClock::duration::zero();
  }

  void run() {
    while (!stopping) {
      wait_for_line();
      if (stopping) break;
      receive();
      drop_stalled_frame();
      const auto now = SimClock::now();
      if (!pending.empty() && pending.front().due <= now) {
        auto request = std::move(pending.front());
        pending.pop_front();
        serve(request.frame);
      } else if (pending.empty() && parser.idle() && device.burst_mode() && next_burst_at <= now) {
        send_burst();
      }
    }
  }

  void wait_for_line() {
    const auto now = SimClock::now();
    auto deadline = now + kIdlePoll;
    if (!pending.empty()) {
      deadline = std::min(deadline, pending.front().due);
    } else if (parser.idle() && device.burst_mode()) {
      deadline = std::min(deadline, next_burst_at);
    }
    if (!parser.idle()) deadline = std::min(deadline, last_byte_at + kGapLimit);
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(std::max(deadline - now, SimClock::duration{}));

    std::array<pollfd, 2> fds{{{line.fd(), POLLIN, 0}, {wake_pipe[0], POLLIN, 0}}};
    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
    if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
      char drain[64];
      while (::read(wake_pipe[0], drain, sizeof drain) > 0) {
      }
    }
  }

  void receive() {
    std::array<std::uint8_t, 256> buffer{};
    while (const auto count = line.receive(buffer)) {
      const auto now = SimClock::now();
      for (std::size_t i = 0; i < count; ++i) take_byte(buffer[i], now);
    }
  }

  void take_byte(std::uint8_t byte, SimClock::time_point now) {
    // When paced, a byte has arrived only once the characters before it have.
    line_free_at = std::max(line_free_at, now) + character_time();
    last_byte_at = now;
    unframed.push_back(byte);
    auto frame = parser.feed(byte);
    if (!frame) {
      if (parser.idle() && unframed.size() >= kMaxUnframedBytes) log_unframed("noise");
      return;
    }
    if (log) log->frames("RX", unframed);
    unframed.clear();
    {
      std::lock_guard lock(shared_mutex);
      ++counters.frames_received;
    }
    if (device.addressed_to_me(*frame))
      pending.push_back({std::move(*frame), line_free_at + line_config.turnaround});
  }

  void log_unframed(std::string_view what) {
    if (log) log->frames("RX", unframed, what);
    unframed.clear();
  }

  void drop_stalled_frame() {
    if (parser.idle() || SimClock::now() - last_byte_at < kGapLimit) return;
    parser.reset();
    log_unframed("incomplete frame dropped");
  }

  // The faults for a request addressed to the device, and how its reply is cut.
  std::pair<FaultSet, ReplyCut> draw_faults(const HartFrame& request) {
    std::lock_guard lock(shared_mutex);
    auto injected = faults.next();
    auto cut = faults.reply_cut(request.command, injected);
    ++counters.requests_for_us;
    if (!injected.empty()) ++counters.faults_applied;
    return {injected, cut};
  }

  // A reply cut by a command's fixed limit alone met a fault too.
  void count_cut(const FaultSet& injected, const Answer& answer) {
    if (!injected.empty() || answer.data_bytes == answer.full_data_bytes) return;
    std::lock_guard lock(shared_mutex);
    ++counters.faults_applied;
  }

  void serve(const HartFrame& request) {
    const auto [injected, cut] = draw_faults(request);
    if (injected.has(FaultKind::NoReply)) {
      if (log) log->note("request not answered [no-reply]");
    } else if (auto answer = device.answer(request, SimClock::now(), injected.has(FaultKind::Busy), cut)) {
      count_cut(injected, *answer);
      if (injected.has(FaultKind::LateReply) && !previous_reply.empty()) {
        // A slow answer to the request before reaches the master just as it
        // waits for this one's.
        transmit(previous_reply, "late-reply");
        std::this_thread::sleep_for(line_config.turnaround);
      }
      previous_reply = answer->frame;
      transmit(damage_reply(answer->frame, injected), reply_note(injected, *answer));
      {
        std::lock_guard lock(shared_mutex);
        ++counters.replies_sent;
      }
      if (answer->state_changed) save_state();
    }
    if (injected.has(FaultKind::OtherMaster)) other_master_exchange(!request.master_bit());
    if (injected.has(FaultKind::SecondBurstDevice)) {
      std::this_thread::sleep_for(line_config.turnaround);
      transmit(device.foreign_burst_frame(!request.master_bit(), SimClock::now()), "second-burst-device");
    }
    next_burst_at = SimClock::now() + line_config.burst_pause;
  }

  // The other master asks this device for its primary variable and gets it.
  void other_master_exchange(bool other_master_bit) {
    std::this_thread::sleep_for(line_config.turnaround);
    const auto request = device.other_master_request(other_master_bit);
    transmit(request, "other-master");
    const auto parsed = parse_one(request);
    if (!parsed) return;
    std::this_thread::sleep_for(line_config.turnaround);
    if (auto answer = device.answer(*parsed, SimClock::now())) transmit(answer->frame, "other-master");
  }

  void send_burst() {
    transmit(device.burst_frame(burst_master_bit, SimClock::now()));
    // Alternate the master bit so each master in turn may talk after a burst.
    burst_master_bit = !burst_master_bit;
    next_burst_at = SimClock::now() + line_config.burst_pause;
    std::lock_guard lock(shared_mutex);
    ++counters.burst_frames_sent;
  }

  void save_state() {
    if (line_config.state_path.empty()) return;
    std::lock_guard lock(save_mutex);  // the pty and HART-IP may both save
    std::string error;
    if (!save_device_state(line_config.state_path, device.snapshot(SimClock::now()), error))
      record_error(error);
  }

  // --- HART-IP: the same device and faults, on the server's thread ---------

  void start_hart_ip() {
    std::string error;
    const auto endpoint = parse_hart_ip_endpoint(line_config.hart_ip, error);
    if (!endpoint) throw std::runtime_error("--hart-ip: " + error);
    HartIpHooks hooks;
    hooks.serve = [this](const HartFrame& request) { return serve_hart_ip(request); };
    hooks.burst_mode = [this] { return device.burst_mode(); };
    hooks.burst_frame = [this] {
      {
        std::lock_guard lock(shared_mutex);
        ++counters.burst_frames_sent;
      }
      return device.burst_frame(true, SimClock::now());
    };
    hooks.log = [this](std::string_view direction, std::span<const std::uint8_t> message,
                       std::string_view note) {
      if (!log) return;
      std::string text = std::string(direction) + " HART-IP " + hex_bytes(message);
      if (!note.empty()) text += std::string(" [") + std::string(note) + "]";
      log->note(text);
    };
    hart_ip = std::make_unique<HartIpServer>(*endpoint, line_config.burst_pause, std::move(hooks));
  }

  PduAnswer serve_hart_ip(const HartFrame& request) {
    {
      std::lock_guard lock(shared_mutex);
      ++counters.frames_received;
    }
    if (!device.addressed_to_me(request)) return {};
    const auto [injected, cut] = draw_faults(request);
    if (injected.has(FaultKind::NoReply)) {
      if (log) log->note("HART-IP request not answered [no-reply]");
      return {};
    }
    auto answer = device.answer(request, SimClock::now(), injected.has(FaultKind::Busy), cut);
    if (!answer) return {};
    count_cut(injected, *answer);
    if (log && answer->data_bytes != answer->full_data_bytes)
      log->note("HART-IP " + reply_note(injected, *answer));
    // Damage to the frame itself; noise and floods belong to a wire.
    FaultSet damage;
    for (const auto kind : {FaultKind::BadChecksum, FaultKind::BrokenFrame, FaultKind::CorruptByte}) {
      if (injected.has(kind)) damage.add(kind);
    }
    PduAnswer out;
    out.frame = damage_reply(answer->frame, damage);
    out.garbage_first = injected.has(FaultKind::Garbage);
    if (injected.has(FaultKind::LateReply)) out.late = previous_hart_ip_reply;
    previous_hart_ip_reply = answer->frame;
    {
      std::lock_guard lock(shared_mutex);
      ++counters.replies_sent;
    }
    if (answer->state_changed) save_state();
    return out;
  }

  struct PendingRequest {
    HartFrame frame;
    SimClock::time_point due;
  };

  LineConfig line_config;
  PtyLine line;
  std::optional<FrameLog> log;
  Positioner device;
  int wake_pipe[2] = {-1, -1};
  std::thread thread;
  std::atomic<bool> stopping{false};

  mutable std::mutex shared_mutex;  // guards what other threads read or replace below
  LineCounters counters;
  FaultInjector faults;
  std::string last_error;

  // Owned by the serving thread.
  FrameParser parser;
  std::vector<std::uint8_t> unframed;
  SimClock::time_point line_free_at{};
  SimClock::time_point last_byte_at{};
  std::deque<PendingRequest> pending;
  std::vector<std::uint8_t> previous_reply;          // as it was before any damage
  std::vector<std::uint8_t> previous_hart_ip_reply;  // the HART-IP server's thread only
  std::mutex save_mutex;
  std::unique_ptr<HartIpServer> hart_ip;  // started before the line's thread, stopped first
  SimClock::time_point next_burst_at{};
  bool burst_master_bit = true;
};

SimulatedPositioner::SimulatedPositioner(SimulatorConfig config)
    : impl_(std::make_unique<Impl>(std::move(config))) {}

SimulatedPositioner::~SimulatedPositioner() = default;

void SimulatedPositioner::stop() { impl_->stop(); }

const std::string& SimulatedPositioner::device_path() const { return impl_->line.device_path(); }

const std::string& SimulatedPositioner::link_path() const { return impl_->line.link_path(); }

std::uint16_t SimulatedPositioner::hart_ip_port() const {
  return impl_->hart_ip ? impl_->hart_ip->port() : 0;
}

std::size_t SimulatedPositioner::hart_ip_sessions() const {
  return impl_->hart_ip ? impl_->hart_ip->open_sessions() : 0;
}

DeviceState SimulatedPositioner::state() const { return impl_->device.snapshot(SimClock::now()); }

void SimulatedPositioner::update_state(const std::function<void(DeviceState&)>& change) {
  impl_->device.modify(change);
  impl_->wake();
}

void SimulatedPositioner::set_faults(const FaultPlan& plan) {
  std::lock_guard lock(impl_->shared_mutex);
  impl_->faults = FaultInjector(plan);
}

LineCounters SimulatedPositioner::counters() const {
  std::lock_guard lock(impl_->shared_mutex);
  return impl_->counters;
}

std::string SimulatedPositioner::last_error() const {
  std::lock_guard lock(impl_->shared_mutex);
  return impl_->last_error;
}

}  // namespace velk::sim
