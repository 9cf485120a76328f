#include "tls_channel.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace mirell {

namespace {

constexpr const char* kTls12Ciphers = "PSK-AES128-GCM-SHA256:PSK-AES128-CCM:PSK-AES128-CBC-SHA256";
// The one TLS 1.3 suite a key without a named hash may be used with.
constexpr const char* kTls13Ciphers = "TLS_AES_128_GCM_SHA256";
// A HART-IP message is far below it; handshake flights stay in one datagram.
constexpr long kDatagramMtu = 1400;
constexpr std::size_t kLargestRecord = 16384;

// Whether the failure that ended the handshake was the server's alert.
bool alertReceived() {
    bool alert = false;
    while (const unsigned long error = ERR_get_error()) {
        if (ERR_GET_LIB(error) == ERR_LIB_SSL && ERR_GET_REASON(error) >= SSL_AD_REASON_OFFSET) alert = true;
    }
    return alert;
}

}  // namespace

struct TlsChannel::Impl {
    Kind kind = Kind::Stream;
    PskKey key;
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    BIO* in = nullptr;   // what arrived, for OpenSSL to read (owned by ssl)
    BIO* out = nullptr;  // what OpenSSL wrote, to be sent (owned by ssl)
    bool done = false;

    ~Impl() {
        SSL_free(ssl);
        SSL_CTX_free(context);
        ERR_clear_error();
    }

    static unsigned int offerKey(SSL* ssl, const char* /*hint*/, char* identity, unsigned int maxIdentity,
                                 unsigned char* psk, unsigned int maxPsk) {
        const auto* self = static_cast<const Impl*>(SSL_get_app_data(ssl));
        if (!self) return 0;
        const std::string& name = self->key.identity();
        const auto secret = self->key.tlsKey();
        // OpenSSL's identity buffer has room for the terminator past maxIdentity.
        if (name.empty() || secret.empty() || name.size() > maxIdentity || secret.size() > maxPsk) return 0;
        std::memcpy(identity, name.data(), name.size());
        identity[name.size()] = '\0';
        std::memcpy(psk, secret.data(), secret.size());
        return static_cast<unsigned int>(secret.size());
    }

    bool setUp() {
        const bool stream = kind == Kind::Stream;
        context = SSL_CTX_new(stream ? TLS_client_method() : DTLS_client_method());
        if (!context) return false;
        const bool configured =
            SSL_CTX_set_min_proto_version(context, stream ? TLS1_2_VERSION : DTLS1_2_VERSION) == 1 &&
            SSL_CTX_set_cipher_list(context, kTls12Ciphers) == 1 &&
            SSL_CTX_set_ciphersuites(context, kTls13Ciphers) == 1;
        if (!configured) return false;
        SSL_CTX_set_psk_client_callback(context, &Impl::offerKey);
        ssl = SSL_new(context);
        if (!ssl) return false;
        in = BIO_new(BIO_s_mem());
        out = BIO_new(BIO_s_mem());
        if (!in || !out) {
            BIO_free(in);
            BIO_free(out);
            return false;
        }
        // An empty buffer means "more to come", not the end of the session.
        BIO_set_mem_eof_return(in, -1);
        BIO_set_mem_eof_return(out, -1);
        SSL_set_bio(ssl, in, out);
        SSL_set_app_data(ssl, this);
        if (!stream) {
            // A memory buffer has no path MTU to ask.
            SSL_set_options(ssl, SSL_OP_NO_QUERY_MTU);
            SSL_set_mtu(ssl, kDatagramMtu);
        }
        SSL_set_connect_state(ssl);
        return true;
    }

    void feed(std::span<const std::uint8_t> arrived) {
        if (!arrived.empty()) BIO_write(in, arrived.data(), static_cast<int>(arrived.size()));
    }

    void drain(std::vector<std::uint8_t>& to) {
        const std::size_t pending = BIO_ctrl_pending(out);
        if (pending == 0) return;
        const std::size_t at = to.size();
        to.resize(at + pending);
        const int got = BIO_read(out, to.data() + at, static_cast<int>(pending));
        to.resize(at + static_cast<std::size_t>(std::max(got, 0)));
    }
};

TlsChannel::TlsChannel(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

TlsChannel::~TlsChannel() = default;

std::unique_ptr<TlsChannel> TlsChannel::client(Kind kind, PskKey key) {
    auto impl = std::make_unique<Impl>();
    impl->kind = kind;
    impl->key = std::move(key);
    ERR_clear_error();
    if (!impl->setUp()) return nullptr;
    return std::unique_ptr<TlsChannel>(new TlsChannel(std::move(impl)));
}

TlsChannel::Step TlsChannel::handshake(std::span<const std::uint8_t> arrived,
                                       std::vector<std::uint8_t>& out) {
    Impl& s = *impl_;
    if (s.done) return Step::Done;
    ERR_clear_error();
    s.feed(arrived);
    const int result = SSL_do_handshake(s.ssl);
    s.drain(out);
    if (result == 1) {
        s.done = true;
        s.key = {};  // not needed again: wiped
        return Step::Done;
    }
    const int error = SSL_get_error(s.ssl, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return Step::InProgress;
    return alertReceived() ? Step::Refused : Step::Failed;
}

std::optional<std::chrono::milliseconds> TlsChannel::retransmitIn() {
    timeval left{};
    if (impl_->kind != Kind::Datagram || impl_->done || DTLSv1_get_timeout(impl_->ssl, &left) != 1)
        return std::nullopt;
    return std::chrono::milliseconds(left.tv_sec * 1000 + (left.tv_usec + 999) / 1000);
}

void TlsChannel::retransmit(std::vector<std::uint8_t>& out) {
    if (impl_->kind != Kind::Datagram) return;
    ERR_clear_error();
    DTLSv1_handle_timeout(impl_->ssl);
    impl_->drain(out);
}

bool TlsChannel::awaitingVerdict() const {
    return !impl_->done && SSL_get_state(impl_->ssl) == TLS_ST_CW_FINISHED;
}

bool TlsChannel::seal(std::span<const std::uint8_t> plain, std::vector<std::uint8_t>& out) {
    Impl& s = *impl_;
    if (!s.done || plain.empty()) return false;
    ERR_clear_error();
    const int written = SSL_write(s.ssl, plain.data(), static_cast<int>(plain.size()));
    s.drain(out);
    return written == static_cast<int>(plain.size());
}

bool TlsChannel::open(std::span<const std::uint8_t> arrived, std::vector<std::vector<std::uint8_t>>& records,
                      std::vector<std::uint8_t>& out) {
    Impl& s = *impl_;
    if (!s.done) return false;
    ERR_clear_error();
    s.feed(arrived);
    std::array<std::uint8_t, kLargestRecord> buffer;
    for (;;) {
        const int got = SSL_read(s.ssl, buffer.data(), static_cast<int>(buffer.size()));
        if (got > 0) {
            records.emplace_back(buffer.begin(), buffer.begin() + got);
            continue;
        }
        const int error = SSL_get_error(s.ssl, got);
        s.drain(out);
        ERR_clear_error();
        return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE;
    }
}

void TlsChannel::close(std::vector<std::uint8_t>& out) {
    if (!impl_->done) return;
    ERR_clear_error();
    SSL_shutdown(impl_->ssl);
    impl_->drain(out);
    ERR_clear_error();
}

}  // namespace mirell
