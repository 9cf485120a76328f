#include "hart_ip_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "hart_ip_tls.h"

namespace velk::sim {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The message header, as this device reads and writes it.
constexpr std::size_t kHeaderBytes = 8;
constexpr std::uint8_t kVersion = 1;
// A secure session's: its initiate in the clear, then everything inside TLS.
constexpr std::uint8_t kSecureVersion = 2;
enum : std::uint8_t { kRequest = 0, kResponse = 1, kPublish = 2, kError = 3, kNak = 15 };
enum : std::uint8_t { kInitiate = 0, kClose = 1, kKeepAlive = 2, kTokenPassing = 3 };
enum : std::uint8_t {
  kSuccess = 0,
  kTooFewBytes = 5,
  kTimerAdjusted = 8,
  kSecurityNotInitialized = 9,
  kVersionNotSupported = 14,
  kNoSession = 15,
};

constexpr std::size_t kMaxSessions = 8;
constexpr milliseconds kShortestInactivity{100};
constexpr std::size_t kMaxStreamBuffer = 1 << 16;
constexpr milliseconds kIdleWait{1000};
// A secure UDP master whose session was forgotten keeps its DTLS state this
// long without a word.
constexpr milliseconds kForgottenPeerKept{60000};

bool known_version(std::uint8_t version) { return version == kVersion || version == kSecureVersion; }

struct Message {
  std::uint8_t version = kVersion;
  std::uint8_t type = 0;
  std::uint8_t id = 0;
  std::uint8_t status = 0;
  std::uint16_t sequence = 0;
  std::span<const std::uint8_t> body;
};

// Exactly one message, whose byte count is `bytes`' length.
std::optional<Message> read_message(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderBytes || !known_version(bytes[0])) return std::nullopt;
  const std::size_t count = static_cast<std::size_t>(bytes[6] << 8 | bytes[7]);
  if (count != bytes.size()) return std::nullopt;
  return Message{bytes[0], static_cast<std::uint8_t>(bytes[1] & 0x0F),           bytes[2],
                 bytes[3], static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]), bytes.subspan(kHeaderBytes)};
}

std::vector<std::uint8_t> make_message(std::uint8_t version, std::uint8_t type, std::uint8_t id,
                                       std::uint8_t status, std::uint16_t sequence,
                                       std::span<const std::uint8_t> body) {
  const std::size_t count = kHeaderBytes + body.size();
  std::vector<std::uint8_t> out(count);
  out[0] = version;
  out[1] = type;
  out[2] = id;
  out[3] = status;
  out[4] = static_cast<std::uint8_t>(sequence >> 8);
  out[5] = static_cast<std::uint8_t>(sequence & 0xFF);
  out[6] = static_cast<std::uint8_t>(count >> 8);
  out[7] = static_cast<std::uint8_t>(count & 0xFF);
  std::copy(body.begin(), body.end(), out.begin() + kHeaderBytes);
  return out;
}

// A token-passing message carries the frame from its delimiter on.
std::span<const std::uint8_t> without_preambles(std::span<const std::uint8_t> frame) {
  std::size_t at = 0;
  while (at < frame.size() && frame[at] == kPreamble) ++at;
  return frame.subspan(at);
}

std::optional<HartFrame> parse_pdu(std::span<const std::uint8_t> pdu) {
  FrameParser parser;
  parser.feed(kPreamble);
  parser.feed(kPreamble);
  for (std::size_t i = 0; i < pdu.size(); ++i) {
    // The frame must end with the message: trailing bytes make it malformed.
    if (auto frame = parser.feed(pdu[i])) return i + 1 == pdu.size() ? frame : std::nullopt;
  }
  return std::nullopt;
}

// The device's answer as another frame, for the quirk that sends one.
std::vector<std::uint8_t> wrong_frame(HartIpQuirks::WrongFrame kind,
                                      std::span<const std::uint8_t> request_pdu,
                                      std::span<const std::uint8_t> answer) {
  if (kind == HartIpQuirks::WrongFrame::Echo) return {request_pdu.begin(), request_pdu.end()};
  auto frame = parse_pdu(without_preambles(answer));
  if (!frame) return {answer.begin(), answer.end()};
  std::uint8_t delimiter = frame->delimiter;
  if (kind == HartIpQuirks::WrongFrame::Burst)
    delimiter = delimiter_for(FrameType::Back, frame->long_address());
  if (kind == HartIpQuirks::WrongFrame::OtherMaster) frame->address[0] ^= kMasterBit;
  return build_frame(0, delimiter, std::span(frame->address).first(frame->address_size()), frame->command,
                     frame->data);
}

bool same_peer(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

}  // namespace

std::optional<HartIpEndpoint> parse_hart_ip_endpoint(std::string_view text, std::string& error) {
  HartIpEndpoint endpoint;
  std::string_view port_text = text;
  if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
    std::string address(text.substr(0, colon));
    if (address == "localhost") address = "127.0.0.1";
    in_addr parsed{};
    if (::inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
      error = "\"" + address + "\" is no IPv4 address";
      return std::nullopt;
    }
    endpoint.address = address;
    port_text = text.substr(colon + 1);
  }
  unsigned port = 0;
  const auto [end, status] = std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
  if (status != std::errc{} || end != port_text.data() + port_text.size() || port > 65535) {
    error = "\"" + std::string(port_text) + "\" is no port number";
    return std::nullopt;
  }
  endpoint.port = static_cast<std::uint16_t>(port);
  return endpoint;
}

bool parse_wrong_frame(std::string_view text, HartIpQuirks& quirks) {
  const auto colon = text.find(':');
  const std::string_view kind = text.substr(0, colon);
  using Kind = HartIpQuirks::WrongFrame;
  if (kind == "echo") {
    quirks.wrong_frame = Kind::Echo;
  } else if (kind == "burst") {
    quirks.wrong_frame = Kind::Burst;
  } else if (kind == "other-master") {
    quirks.wrong_frame = Kind::OtherMaster;
  } else {
    return false;
  }
  quirks.wrong_frames = 0;
  if (colon == std::string_view::npos) return true;
  const std::string_view count = text.substr(colon + 1);
  const auto [end, status] = std::from_chars(count.data(), count.data() + count.size(), quirks.wrong_frames);
  return status == std::errc{} && end == count.data() + count.size() && quirks.wrong_frames > 0;
}

struct HartIpServer::Impl {
  struct Session {
    std::uint8_t master_type = 0;
    milliseconds inactivity{0};
    Clock::time_point last_heard;
    std::uint16_t publish_sequence = 0;
    std::uint8_t version = kVersion;
  };
  // A UDP master: its session, and on a secure server its DTLS state, which
  // outlives a forgotten session.
  struct UdpPeer {
    sockaddr_in peer{};
    std::optional<Session> session;
    std::unique_ptr<TlsSession> tls;
    Clock::time_point heard;
  };
  struct TcpClient {
    int fd = -1;
    std::vector<std::uint8_t> inbox;  // on a secure connection: what TLS decrypted
    std::optional<Session> session;
    bool broken = false;
    std::unique_ptr<TlsSession> tls;
  };
  // Where an answer goes: a UDP peer, or a TCP client; through TLS when the
  // request came through it.
  struct Peer {
    const sockaddr_in* udp = nullptr;
    TcpClient* tcp = nullptr;
    TlsSession* tls = nullptr;
  };

  static bool ready(const std::unique_ptr<TlsSession>& tls) {
    return !tls || tls->state() == TlsSession::State::Open;
  }

  Impl(const HartIpEndpoint& endpoint, milliseconds pause, HartIpHooks h, HartIpQuirks q,
       std::optional<std::vector<PskIdentity>> psk)
      : burst_pause(pause), hooks(std::move(h)), quirks(q) {
    if (psk) tls_server = std::make_unique<TlsServer>(std::move(*psk));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    if (::inet_pton(AF_INET, endpoint.address.c_str(), &address.sin_addr) != 1)
      throw std::runtime_error("HART-IP: no IPv4 address: " + endpoint.address);
    try {
      udp_fd = open_socket(SOCK_DGRAM, address);
      // Port 0 asks for any free port: TCP then takes the one UDP got.
      socklen_t length = sizeof address;
      ::getsockname(udp_fd, reinterpret_cast<sockaddr*>(&address), &length);
      bound_port = ntohs(address.sin_port);
      listen_fd = open_socket(SOCK_STREAM, address);
      if (::listen(listen_fd, 8) != 0) throw std::runtime_error("HART-IP: cannot listen on TCP");
      if (::pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("HART-IP: cannot create a wake-up pipe");
    } catch (...) {
      close_all();
      throw;
    }
    thread = std::thread([this] { run(); });
  }

  ~Impl() {
    stop();
    close_all();
  }

  static int open_socket(int type, const sockaddr_in& address) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) throw std::runtime_error("HART-IP: cannot create a socket");
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      const std::string reason = std::strerror(errno);
      ::close(fd);
      throw std::runtime_error(std::string("HART-IP: cannot bind ") + (type == SOCK_DGRAM ? "UDP" : "TCP") +
                               " port " + std::to_string(ntohs(address.sin_port)) + ": " + reason);
    }
    return fd;
  }

  void close_all() {
    for (int* fd : {&udp_fd, &listen_fd, &wake_pipe[0], &wake_pipe[1]}) {
      if (*fd >= 0) ::close(*fd);
      *fd = -1;
    }
    for (auto& client : clients) ::close(client.fd);
    clients.clear();
    udp_sessions.clear();
  }

  void stop() {
    if (!thread.joinable()) return;
    {
      std::lock_guard lock(forget_mutex);
      stopping = true;
    }
    forgotten_changed.notify_all();
    wake();
    thread.join();
  }

  void wake() {
    const char byte = 0;
    if (wake_pipe[1] >= 0) [[maybe_unused]]
      const auto ignored = ::write(wake_pipe[1], &byte, 1);
  }

  void forget_sessions() {
    std::unique_lock lock(forget_mutex);
    if (stopping) return;
    const auto asked = ++forget_asked;
    wake();
    forgotten_changed.wait(lock, [&] { return forget_done >= asked || stopping; });
  }

  // --- the serving thread ------------------------------------------------

  void run() {
    next_publish = Clock::now() + burst_pause;
    while (!stopping) {
      wait();
      if (stopping) break;
      forget_if_asked();
      receive_datagrams();
      accept_clients();
      for (auto& client : clients) receive_stream(client);
      const auto now = Clock::now();
      expire(now);
      if (now >= next_publish) {
        if (burst_due()) publish(hooks.burst_frame());
        next_publish = now + burst_pause;
      }
      update_count();
    }
  }

  void forget_if_asked() {
    std::lock_guard lock(forget_mutex);
    if (forget_done == forget_asked) return;
    // The secure channels stay, as TCP connections do.
    for (auto& u : udp_sessions) u.session.reset();
    std::erase_if(udp_sessions, [](const UdpPeer& u) { return !u.tls; });
    for (auto& client : clients) client.session.reset();
    update_count();
    log_note("--", {}, "every session forgotten");
    forget_done = forget_asked;
    forgotten_changed.notify_all();
  }

  bool any_session() const { return session_count() > 0; }

  bool burst_due() const { return any_session() && hooks.burst_mode && hooks.burst_mode(); }

  void wait() {
    const auto now = Clock::now();
    auto deadline = now + kIdleWait;
    if (burst_due()) deadline = std::min(deadline, next_publish);
    for (const auto& u : udp_sessions) {
      if (u.session) deadline = std::min(deadline, u.session->last_heard + u.session->inactivity);
    }
    for (const auto& c : clients) {
      if (c.session) deadline = std::min(deadline, c.session->last_heard + c.session->inactivity);
    }
    const auto wait_ms = std::chrono::ceil<milliseconds>(std::max(deadline - now, Clock::duration{}));

    std::vector<pollfd> fds{{udp_fd, POLLIN, 0}, {listen_fd, POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
    for (const auto& client : clients) fds.push_back({client.fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), static_cast<int>(wait_ms.count())) > 0 && (fds[2].revents & POLLIN)) {
      char drain[64];
      while (::read(wake_pipe[0], drain, sizeof drain) > 0) {
      }
    }
  }

  void receive_datagrams() {
    std::array<std::uint8_t, 2048> buffer{};
    for (;;) {
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const auto got =
          ::recvfrom(udp_fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (got < 0) return;
      datagram(std::span(buffer.data(), static_cast<std::size_t>(got)), from);
    }
  }

  UdpPeer* udp_peer(const sockaddr_in& address) {
    for (auto& u : udp_sessions) {
      if (same_peer(u.peer, address)) return &u;
    }
    return nullptr;
  }

  void datagram(std::span<const std::uint8_t> bytes, const sockaddr_in& from) {
    UdpPeer* entry = udp_peer(from);
    if (entry) entry->heard = Clock::now();
    // A HART-IP message starts with its version; a DTLS record with its
    // content type (20 to 25), never 1 or 2.
    const bool in_clear = !bytes.empty() && known_version(bytes[0]);
    if (!entry || !entry->tls || in_clear) {
      handle(bytes, Peer{&from, nullptr, nullptr}, false);
      return;
    }
    std::vector<std::vector<std::uint8_t>> records;
    std::vector<std::uint8_t> out;
    const auto state = entry->tls->receive(bytes, records, out);
    update_count();  // a session counts once its handshake is done
    send_raw(Peer{&entry->peer, nullptr, nullptr}, out);
    if (state == TlsSession::State::Failed || state == TlsSession::State::Closed) {
      if (state == TlsSession::State::Failed)
        log_note("RX", {}, "secure session failed: " + entry->tls->failure());
      udp_sessions.remove_if([&](const UdpPeer& u) { return &u == entry; });
      update_count();
      return;
    }
    for (const auto& record : records) handle(record, Peer{&entry->peer, nullptr, entry->tls.get()}, true);
  }

  void accept_clients() {
    for (;;) {
      const int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (fd < 0) return;
      if (clients.size() >= kMaxSessions) {
        ::close(fd);
        continue;
      }
      clients.push_back({fd, {}, std::nullopt, false, nullptr});
    }
  }

  void receive_stream(TcpClient& client) {
    std::array<std::uint8_t, 2048> buffer{};
    for (;;) {
      const auto got = ::recv(client.fd, buffer.data(), buffer.size(), 0);
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        client.broken = true;
        break;
      }
      if (got < 0) break;
      take_stream(client, std::span(buffer.data(), static_cast<std::size_t>(got)));
    }
    // Whole messages, as their byte counts delimit them.
    std::size_t at = 0;
    while (!client.broken && client.inbox.size() - at >= kHeaderBytes) {
      const std::size_t count = static_cast<std::size_t>(client.inbox[at + 6] << 8 | client.inbox[at + 7]);
      if (!known_version(client.inbox[at]) || count < kHeaderBytes) {
        // The stream has lost its footing (or a master started TLS before
        // its session initiate): no later message can be found.
        log_note("RX", std::span(client.inbox).subspan(at), "malformed HART-IP stream, connection closed");
        client.broken = true;
        break;
      }
      if (client.inbox.size() - at < count) break;
      const bool secured = client.tls != nullptr;
      handle(std::span(client.inbox).subspan(at, count), Peer{nullptr, &client, client.tls.get()}, secured);
      at += count;
      if (!secured && client.tls) {
        // The secure initiate was answered: what follows it is the handshake.
        const std::vector<std::uint8_t> rest(client.inbox.begin() + static_cast<std::ptrdiff_t>(at),
                                             client.inbox.end());
        client.inbox.clear();
        at = 0;
        take_stream(client, rest);
      }
    }
    client.inbox.erase(client.inbox.begin(), client.inbox.begin() + static_cast<std::ptrdiff_t>(at));
    if (client.inbox.size() > kMaxStreamBuffer) client.broken = true;
  }

  // Bytes off a connection into its inbox, through TLS once it runs.
  void take_stream(TcpClient& client, std::span<const std::uint8_t> bytes) {
    if (!client.tls) {
      client.inbox.insert(client.inbox.end(), bytes.begin(), bytes.end());
      return;
    }
    std::vector<std::vector<std::uint8_t>> records;
    std::vector<std::uint8_t> out;
    const auto state = client.tls->receive(bytes, records, out);
    update_count();
    send_raw(Peer{nullptr, &client, nullptr}, out);
    for (const auto& record : records) client.inbox.insert(client.inbox.end(), record.begin(), record.end());
    if (state == TlsSession::State::Failed)
      log_note("RX", {}, "secure session failed: " + client.tls->failure());
    if (state == TlsSession::State::Failed || state == TlsSession::State::Closed) client.broken = true;
  }

  Session* session_of(const Peer& peer) {
    if (peer.tcp) return peer.tcp->session ? &*peer.tcp->session : nullptr;
    UdpPeer* entry = udp_peer(*peer.udp);
    return entry && entry->session ? &*entry->session : nullptr;
  }

  // Sessions that may be served: a secure one once its handshake is done.
  std::size_t session_count() const {
    const auto udp = std::count_if(udp_sessions.begin(), udp_sessions.end(),
                                   [](const UdpPeer& u) { return u.session && ready(u.tls); });
    const auto tcp = std::count_if(clients.begin(), clients.end(),
                                   [](const TcpClient& c) { return c.session && ready(c.tls); });
    return static_cast<std::size_t>(udp + tcp);
  }

  void handle(std::span<const std::uint8_t> bytes, const Peer& peer, bool secured) {
    const auto message = read_message(bytes);
    if (!message || message->type != kRequest) {
      log_note("RX", bytes, "not a HART-IP request, ignored");
      return;
    }
    const bool secure_initiate = !secured && message->version == kSecureVersion && message->id == kInitiate;
    if (!secured && message->version == kSecureVersion && !secure_initiate) {
      log_note("RX", bytes, "version 2 outside a secure session, ignored");
      return;
    }
    if (tls_server && !secured && !secure_initiate) {
      // As a secured gateway: nothing in the clear but a secure initiate.
      log_note("RX", bytes, "plain HART-IP to a server of secure sessions only, ignored");
      return;
    }
    log_note("RX", bytes, {});
    const auto answer = [&](std::uint8_t type, std::uint8_t status, std::span<const std::uint8_t> body = {}) {
      send(peer, make_message(message->version, type, message->id, status, message->sequence, body));
    };
    if (secure_initiate && !tls_server) {
      // A plain server: no secure sessions here.
      send(peer, make_message(kVersion, kResponse, kInitiate, kVersionNotSupported, message->sequence, {}));
      return;
    }
    if (secure_initiate && !tls_server->provisioned()) {
      answer(kResponse, kSecurityNotInitialized);
      return;
    }
    Session* session = session_of(peer);
    if (session) session->last_heard = Clock::now();
    switch (message->id) {
      case kInitiate:
        if (initiate(*message, peer, session, answer) && secure_initiate) start_tls(peer);
        break;
      case kClose:
        end_session(peer);
        answer(kResponse, kSuccess);
        break;
      case kKeepAlive:
        if (session) {
          answer(kResponse, kSuccess);
        } else if (!quirks.ignore_unknown_sessions) {
          answer(kNak, kNoSession);
        }
        break;
      case kTokenPassing:
        if (!session) {
          if (!quirks.ignore_unknown_sessions) answer(kNak, kNoSession);
          break;
        }
        token_passing(*message, peer, answer);
        break;
      default: answer(kError, kTooFewBytes); break;
    }
  }

  // True when a session was opened.
  template <typename Answer>
  bool initiate(const Message& message, const Peer& peer, Session* session, Answer& answer) {
    if (message.body.size() < 5) {
      answer(kResponse, kTooFewBytes);
      return false;
    }
    if (!session && session_count() >= kMaxSessions) {
      answer(kResponse, kNoSession);
      return false;
    }
    auto requested = milliseconds(static_cast<std::uint32_t>(message.body[1]) << 24 | message.body[2] << 16 |
                                  message.body[3] << 8 | message.body[4]);
    const bool adjusted = requested < kShortestInactivity;
    requested = std::max(requested, kShortestInactivity);
    Session fresh{message.body[0], requested, Clock::now(), 0, message.version};
    if (session) {
      fresh.publish_sequence = session->publish_sequence;
      *session = fresh;
    } else if (peer.tcp) {
      peer.tcp->session = fresh;
    } else if (UdpPeer* entry = udp_peer(*peer.udp)) {
      entry->session = fresh;
    } else {
      udp_sessions.push_back({*peer.udp, fresh, nullptr, Clock::now()});
    }
    update_count();  // before the answer, which a master may act on at once
    const auto ms = static_cast<std::uint32_t>(requested.count());
    const std::uint8_t body[] = {message.body[0], static_cast<std::uint8_t>(ms >> 24),
                                 static_cast<std::uint8_t>(ms >> 16), static_cast<std::uint8_t>(ms >> 8),
                                 static_cast<std::uint8_t>(ms)};
    answer(kResponse, adjusted ? kTimerAdjusted : kSuccess, body);
    return true;
  }

  // After a secure initiate answered in the clear: the handshake comes next.
  // A DTLS handshake a repeated initiate crossed goes on as it is.
  void start_tls(const Peer& peer) {
    if (peer.tcp) {
      peer.tcp->tls = tls_server->accept(false);
      if (!peer.tcp->tls) peer.tcp->broken = true;
      return;
    }
    UdpPeer* entry = udp_peer(*peer.udp);
    if (!entry || (entry->tls && entry->tls->state() == TlsSession::State::Handshaking)) return;
    entry->tls = tls_server->accept(true);
  }

  template <typename Answer>
  void token_passing(const Message& message, const Peer& peer, Answer& answer) {
    const auto request = parse_pdu(message.body);
    if (!request) {
      answer(kNak, kTooFewBytes);
      return;
    }
    const PduAnswer reply = hooks.serve(*request);
    if (reply.frame.empty()) return;  // not for this device, or lost
    if (!reply.late.empty()) {
      send(peer,
           make_message(message.version, kResponse, kTokenPassing, kSuccess,
                        static_cast<std::uint16_t>(message.sequence - 1), without_preambles(reply.late)));
    }
    // Noise on a stream would end the connection, not cost an attempt.
    if (reply.garbage_first && peer.udp) {
      static constexpr std::uint8_t kNoise[] = {0x02, 0x7F, 0x03, 0xFF, 0x00};
      send(peer, std::vector<std::uint8_t>(std::begin(kNoise), std::end(kNoise)));
    }
    if (quirks.wrong_frame != HartIpQuirks::WrongFrame::None &&
        (quirks.wrong_frames == 0 || wrong_frames_sent < quirks.wrong_frames)) {
      ++wrong_frames_sent;
      answer(kResponse, kSuccess, wrong_frame(quirks.wrong_frame, message.body, reply.frame));
      return;
    }
    answer(kResponse, kSuccess, without_preambles(reply.frame));
  }

  void end_session(const Peer& peer) {
    if (peer.tcp) {
      peer.tcp->session.reset();
    } else if (UdpPeer* entry = udp_peer(*peer.udp)) {
      // A secure master's close_notify follows its close.
      entry->session.reset();
      if (!entry->tls) udp_sessions.remove_if([&](const UdpPeer& u) { return &u == entry; });
    }
    update_count();
  }

  void expire(Clock::time_point now) {
    std::erase_if(udp_sessions, [&](const UdpPeer& u) {
      return u.session ? now >= u.session->last_heard + u.session->inactivity
                       : now >= u.heard + kForgottenPeerKept;
    });
    for (auto& client : clients) {
      if (client.session && now >= client.session->last_heard + client.session->inactivity)
        client.broken = true;
    }
    std::erase_if(clients, [](const TcpClient& c) {
      if (c.broken) ::close(c.fd);
      return c.broken;
    });
  }

  void publish(const std::vector<std::uint8_t>& frame) {
    const auto pdu = without_preambles(frame);
    for (auto& u : udp_sessions) {
      if (!u.session || !ready(u.tls)) continue;
      send(Peer{&u.peer, nullptr, u.tls.get()}, make_message(u.session->version, kPublish, kTokenPassing,
                                                             kSuccess, u.session->publish_sequence++, pdu));
    }
    for (auto& client : clients) {
      if (!client.session || client.broken || !ready(client.tls)) continue;
      send(Peer{nullptr, &client, client.tls.get()},
           make_message(client.session->version, kPublish, kTokenPassing, kSuccess,
                        client.session->publish_sequence++, pdu));
    }
  }

  void send(const Peer& peer, const std::vector<std::uint8_t>& message) {
    log_note("TX", message, {});
    if (!peer.tls) {
      send_raw(peer, message);
      return;
    }
    std::vector<std::uint8_t> sealed;
    if (peer.tls->seal(message, sealed)) send_raw(peer, sealed);
  }

  void send_raw(const Peer& peer, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    if (peer.udp) {
      ::sendto(udp_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(peer.udp),
               sizeof *peer.udp);
      return;
    }
    // A client that cannot take a short message at once is gone.
    const auto sent = ::send(peer.tcp->fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent != static_cast<ssize_t>(bytes.size())) peer.tcp->broken = true;
  }

  void log_note(std::string_view direction, std::span<const std::uint8_t> bytes, std::string_view note) {
    if (hooks.log) hooks.log(direction, bytes, note);
  }

  void update_count() { sessions_open = session_count(); }

  const milliseconds burst_pause;
  const HartIpHooks hooks;
  const HartIpQuirks quirks;
  std::unique_ptr<TlsServer> tls_server;  // null: plain sessions only
  int udp_fd = -1;
  int listen_fd = -1;
  int wake_pipe[2] = {-1, -1};
  std::uint16_t bound_port = 0;
  std::atomic<bool> stopping{false};
  std::atomic<std::size_t> sessions_open{0};
  std::thread thread;

  std::mutex forget_mutex;
  std::condition_variable forgotten_changed;
  std::uint64_t forget_asked = 0;
  std::uint64_t forget_done = 0;

  // Owned by the serving thread.
  std::size_t wrong_frames_sent = 0;
  std::list<UdpPeer> udp_sessions;  // answers point into it: a list keeps them in place
  std::vector<TcpClient> clients;
  Clock::time_point next_publish;
};

HartIpServer::HartIpServer(const HartIpEndpoint& endpoint, milliseconds burst_pause, HartIpHooks hooks,
                           HartIpQuirks quirks, std::optional<std::vector<PskIdentity>> psk)
    : impl_(std::make_unique<Impl>(endpoint, burst_pause, std::move(hooks), quirks, std::move(psk))) {}

HartIpServer::~HartIpServer() = default;

void HartIpServer::stop() { impl_->stop(); }

void HartIpServer::wake() { impl_->wake(); }

void HartIpServer::forget_sessions() { impl_->forget_sessions(); }

std::uint16_t HartIpServer::port() const { return impl_->bound_port; }

std::size_t HartIpServer::open_sessions() const { return impl_->sessions_open; }

}  // namespace velk::sim
