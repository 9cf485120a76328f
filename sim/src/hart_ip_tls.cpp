#include "hart_ip_tls.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace velk::sim {

namespace {

constexpr const char* kTls12Ciphers = "PSK-AES128-GCM-SHA256:PSK-AES128-CCM:PSK-AES128-CBC-SHA256";
constexpr const char* kTls13Ciphers = "TLS_AES_128_GCM_SHA256";
constexpr long kDatagramMtu = 1400;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "IDENTITY KEYHEX" into an identity and the key TLS takes; false with what
// is wrong (never the key itself).
bool parse_identity_line(const std::string& line, PskIdentity& out, std::string& error) {
  std::istringstream words(line);
  std::string identity, hex, extra;
  words >> identity >> hex;
  if (identity.empty() || hex.empty() || (words >> extra)) {
    error = "not IDENTITY KEYHEX";
    return false;
  }
  const bool printable =
      std::all_of(identity.begin(), identity.end(), [](char c) { return c > ' ' && c < 0x7F; });
  if (identity.size() < 8 || identity.size() > 128 || !printable) {
    error = "the identity must be 8 to 128 printable characters";
    return false;
  }
  const bool digits = std::all_of(hex.begin(), hex.end(), [](char c) { return hex_digit(c) >= 0; });
  if (!digits || (hex.size() != 32 && hex.size() != 128)) {
    OPENSSL_cleanse(hex.data(), hex.size());
    error = "the key must be 32 or 128 hexadecimal digits";
    return false;
  }
  out.identity = identity;
  out.tls_key.clear();
  for (const char c : hex)
    out.tls_key.push_back(static_cast<std::uint8_t>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c));
  out.tls_key.push_back(0);
  OPENSSL_cleanse(hex.data(), hex.size());
  return true;
}

std::string openssl_failure() {
  std::string text;
  while (const unsigned long code = ERR_get_error()) {
    const char* reason = ERR_reason_error_string(code);
    if (!text.empty()) text += "; ";
    text += reason ? reason : "unknown";
  }
  return text.empty() ? "closed" : text;
}

}  // namespace

bool load_psk_identities(const std::string& path, std::vector<PskIdentity>& identities, std::string& error) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  if ((status.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    error = path + " has mode " + mode + ": group or others may read the keys (chmod 600 " + path + ")";
    return false;
  }
  std::ifstream file(path);
  if (!file) {
    error = path + ": cannot be read";
    return false;
  }
  identities.clear();
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    PskIdentity entry;
    std::string what;
    const bool parsed = parse_identity_line(line, entry, what);
    OPENSSL_cleanse(line.data(), line.size());
    if (!parsed) {
      error = path + ", line " + std::to_string(number) + ": " + what;
      return false;
    }
    identities.push_back(std::move(entry));
  }
  return true;
}

// --- the configurations ---------------------------------------------------

struct TlsServer::Contexts {
  SSL_CTX* stream = nullptr;
  SSL_CTX* datagram = nullptr;
  ~Contexts() {
    SSL_CTX_free(stream);
    SSL_CTX_free(datagram);
  }
};

namespace {

unsigned int find_key(SSL* ssl, const char* identity, unsigned char* psk, unsigned int max_psk) {
  const auto* identities =
      static_cast<const std::vector<PskIdentity>*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
  if (!identities || !identity) return 0;
  for (const PskIdentity& entry : *identities) {
    if (entry.identity != identity || entry.tls_key.size() > max_psk) continue;
    std::memcpy(psk, entry.tls_key.data(), entry.tls_key.size());
    return static_cast<unsigned int>(entry.tls_key.size());
  }
  return 0;  // unknown: the handshake fails
}

SSL_CTX* make_context(bool datagram, const std::vector<PskIdentity>& identities) {
  SSL_CTX* context = SSL_CTX_new(datagram ? DTLS_server_method() : TLS_server_method());
  if (!context) return nullptr;
  const bool configured =
      SSL_CTX_set_min_proto_version(context, datagram ? DTLS1_2_VERSION : TLS1_2_VERSION) == 1 &&
      SSL_CTX_set_cipher_list(context, kTls12Ciphers) == 1 &&
      SSL_CTX_set_ciphersuites(context, kTls13Ciphers) == 1;
  if (!configured) {
    SSL_CTX_free(context);
    return nullptr;
  }
  SSL_CTX_set_num_tickets(context, 0);  // sessions are not resumed
  SSL_CTX_set_app_data(context, const_cast<std::vector<PskIdentity>*>(&identities));
  SSL_CTX_set_psk_server_callback(context, find_key);
  return context;
}

}  // namespace

TlsServer::TlsServer(std::vector<PskIdentity> identities)
    : identities_(std::move(identities)), contexts_(std::make_unique<Contexts>()) {
  contexts_->stream = make_context(false, identities_);
  contexts_->datagram = make_context(true, identities_);
  if (!contexts_->stream || !contexts_->datagram)
    throw std::runtime_error("HART-IP: cannot set up TLS: " + openssl_failure());
}

TlsServer::~TlsServer() {
  contexts_.reset();
  for (PskIdentity& entry : identities_) OPENSSL_cleanse(entry.tls_key.data(), entry.tls_key.size());
}

// --- one session ----------------------------------------------------------

struct TlsSession::Handle {
  SSL* ssl = nullptr;
  BIO* in = nullptr;
  BIO* out = nullptr;
  ~Handle() { SSL_free(ssl); }

  void drain(std::vector<std::uint8_t>& to) {
    const std::size_t pending = BIO_ctrl_pending(out);
    if (pending == 0) return;
    const std::size_t at = to.size();
    to.resize(at + pending);
    const int got = BIO_read(out, to.data() + at, static_cast<int>(pending));
    to.resize(at + static_cast<std::size_t>(std::max(got, 0)));
  }
};

std::unique_ptr<TlsSession> TlsServer::accept(bool datagram) const {
  auto handle = std::make_unique<TlsSession::Handle>();
  handle->ssl = SSL_new(datagram ? contexts_->datagram : contexts_->stream);
  handle->in = BIO_new(BIO_s_mem());
  handle->out = BIO_new(BIO_s_mem());
  if (!handle->ssl || !handle->in || !handle->out) {
    BIO_free(handle->in);
    BIO_free(handle->out);
    return nullptr;
  }
  BIO_set_mem_eof_return(handle->in, -1);
  BIO_set_mem_eof_return(handle->out, -1);
  SSL_set_bio(handle->ssl, handle->in, handle->out);
  if (datagram) {
    SSL_set_options(handle->ssl, SSL_OP_NO_QUERY_MTU);
    SSL_set_mtu(handle->ssl, kDatagramMtu);
  }
  SSL_set_accept_state(handle->ssl);
  return std::unique_ptr<TlsSession>(new TlsSession(std::move(handle)));
}

TlsSession::TlsSession(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

TlsSession::~TlsSession() = default;

TlsSession::State TlsSession::receive(std::span<const std::uint8_t> arrived,
                                      std::vector<std::vector<std::uint8_t>>& records,
                                      std::vector<std::uint8_t>& out) {
  if (state_ == State::Failed || state_ == State::Closed) return state_;
  ERR_clear_error();
  if (!arrived.empty()) BIO_write(handle_->in, arrived.data(), static_cast<int>(arrived.size()));
  if (state_ == State::Handshaking) {
    const int result = SSL_do_handshake(handle_->ssl);
    handle_->drain(out);
    if (result != 1) {
      const int error = SSL_get_error(handle_->ssl, result);
      if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return state_;
      failure_ = openssl_failure();
      return state_ = State::Failed;
    }
    state_ = State::Open;
  }
  std::array<std::uint8_t, 16384> buffer;
  for (;;) {
    const int got = SSL_read(handle_->ssl, buffer.data(), static_cast<int>(buffer.size()));
    if (got > 0) {
      records.emplace_back(buffer.begin(), buffer.begin() + got);
      continue;
    }
    const int error = SSL_get_error(handle_->ssl, got);
    handle_->drain(out);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) break;
    if (error == SSL_ERROR_ZERO_RETURN) {
      SSL_shutdown(handle_->ssl);  // our close_notify in return
      handle_->drain(out);
      state_ = State::Closed;
    } else {
      failure_ = openssl_failure();
      state_ = State::Failed;
    }
    break;
  }
  ERR_clear_error();
  return state_;
}

bool TlsSession::seal(std::span<const std::uint8_t> plain, std::vector<std::uint8_t>& out) {
  if (state_ != State::Open || plain.empty()) return false;
  ERR_clear_error();
  const int written = SSL_write(handle_->ssl, plain.data(), static_cast<int>(plain.size()));
  handle_->drain(out);
  ERR_clear_error();
  return written == static_cast<int>(plain.size());
}

}  // namespace velk::sim
