// The device served over HART-IP: UDP and TCP on one port, sessions opened,
// kept alive and closed by the master, each token-passing request handed to
// the same device logic the pseudo-terminal serves, and burst frames
// published to every open session. Its message framing is its own.
//
// Given pre-shared keys it serves secure sessions only, as a secured gateway
// does: a version-2 session initiate answered in the clear, then TLS (TCP)
// or DTLS (UDP) for every later message; plain requests get no answer, and
// with no key at all a secure initiate is answered "security not
// initialized". Without keys it answers a secure initiate "version not
// supported".
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hart_ip_tls.h"
#include "slave_framing.h"

namespace velk::sim {

inline constexpr std::uint16_t kHartIpPort = 5094;

struct HartIpEndpoint {
  std::string address = "127.0.0.1";  // loopback unless asked otherwise
  std::uint16_t port = kHartIpPort;   // 0: any free port
};

// "[ADDR:]PORT" with a dotted IPv4 address or "localhost".
std::optional<HartIpEndpoint> parse_hart_ip_endpoint(std::string_view text, std::string& error);

// What another server, gateway or multiplexer may do that this one does not.
struct HartIpQuirks {
  // Requests and keep-alives of a session the server does not know get no
  // answer at all, rather than a NAK saying so.
  bool ignore_unknown_sessions = false;
  // A frame other than the device's answer goes back in its place: the
  // request itself, a burst frame, or the answer addressed to the other master.
  enum class WrongFrame { None, Echo, Burst, OtherMaster };
  WrongFrame wrong_frame = WrongFrame::None;
  std::size_t wrong_frames = 0;  // for this many requests; 0: every one
};

// "echo", "burst" or "other-master", optionally ":N" (the first N requests).
bool parse_wrong_frame(std::string_view text, HartIpQuirks& quirks);

// What the device does with one token-passing request.
struct PduAnswer {
  std::vector<std::uint8_t> frame;  // the reply, preambles included; empty: lost
  bool garbage_first = false;       // a malformed datagram goes out ahead of it
  std::vector<std::uint8_t> late;   // an earlier reply that comes in first, under its own number
};

struct HartIpHooks {
  std::function<PduAnswer(const HartFrame& request)> serve;
  std::function<bool()> burst_mode;
  std::function<std::vector<std::uint8_t>()> burst_frame;
  // Every HART-IP message each way ("RX"/"TX"), for the frame log.
  std::function<void(std::string_view direction, std::span<const std::uint8_t> message,
                     std::string_view note)>
      log;
};

class HartIpServer {
 public:
  // Binds UDP and TCP on the endpoint and starts serving; with `psk`,
  // secure sessions only. Throws std::runtime_error when the sockets or TLS
  // cannot be set up.
  HartIpServer(const HartIpEndpoint& endpoint, std::chrono::milliseconds burst_pause, HartIpHooks hooks,
               HartIpQuirks quirks = {}, std::optional<std::vector<PskIdentity>> psk = std::nullopt);
  ~HartIpServer();
  HartIpServer(const HartIpServer&) = delete;
  HartIpServer& operator=(const HartIpServer&) = delete;

  // Closes every session and socket and joins the thread. Idempotent.
  void stop();
  // Makes the serving thread look at the device again (burst mode changed).
  void wake();
  // Forgets every session, as a restart would, but keeps TCP connections
  // and secure channels open; returns once the serving thread has done so.
  void forget_sessions();

  std::uint16_t port() const;
  std::size_t open_sessions() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace velk::sim
