// The server end of secure HART-IP sessions: the identities and keys the
// device is provisioned with, and one TLS (TCP) or DTLS (UDP) session per
// master, worked between memory buffers (the HART-IP server does the I/O).
// A key is handed to TLS as gateways derive it: its lowercase hexadecimal
// text and one zero byte.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velk::sim {

struct PskIdentity {
  std::string identity;
  std::vector<std::uint8_t> tls_key;
};

// The identities and keys of FILE, one "IDENTITY KEYHEX" a line (8 to 128
// characters; 16 or 64 bytes in hexadecimal); blank lines and lines starting
// with '#' are skipped. False with what is wrong and on which line; a file
// that group or others may read is refused, as ssh refuses a private key.
bool load_psk_identities(const std::string& path, std::vector<PskIdentity>& identities, std::string& error);

class TlsSession;

// The TLS and DTLS configurations every session shares. Throws
// std::runtime_error when OpenSSL cannot be set up.
class TlsServer {
 public:
  explicit TlsServer(std::vector<PskIdentity> identities);
  ~TlsServer();
  TlsServer(const TlsServer&) = delete;
  TlsServer& operator=(const TlsServer&) = delete;

  // Without a key the server is not provisioned: it answers a secure
  // session initiate with "security not initialized".
  bool provisioned() const { return !identities_.empty(); }
  std::unique_ptr<TlsSession> accept(bool datagram) const;

 private:
  friend class TlsSession;
  struct Contexts;
  std::vector<PskIdentity> identities_;
  std::unique_ptr<Contexts> contexts_;
};

class TlsSession {
 public:
  enum class State { Handshaking, Open, Failed, Closed };
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Takes what arrived (over UDP one datagram): the content of each record
  // goes to `records`, what TLS answers to `out`.
  State receive(std::span<const std::uint8_t> arrived, std::vector<std::vector<std::uint8_t>>& records,
                std::vector<std::uint8_t>& out);
  // One message as one record, appended to `out`; false unless open.
  bool seal(std::span<const std::uint8_t> plain, std::vector<std::uint8_t>& out);
  State state() const { return state_; }
  // Why the session failed, in OpenSSL's words (for the frame log).
  const std::string& failure() const { return failure_; }

 private:
  friend class TlsServer;
  struct Handle;
  explicit TlsSession(std::unique_ptr<Handle> handle);
  std::unique_ptr<Handle> handle_;
  State state_ = State::Handshaking;
  std::string failure_;
};

}  // namespace velk::sim
