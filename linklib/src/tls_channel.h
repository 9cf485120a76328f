// The client end of a TLS (over TCP) or DTLS (over UDP) session with a
// pre-shared key, as pure logic: the caller hands in what arrived from the
// server and sends what comes out; nothing here touches a socket. OpenSSL
// works between two memory buffers.
//
// Offered: TLS 1.2 or 1.3 (DTLS 1.2), PSK-AES128-GCM-SHA256, PSK-AES128-CCM
// and PSK-AES128-CBC-SHA256 (TLS_AES_128_GCM_SHA256 under TLS 1.3).
//
// Not thread-safe: the owner serialises every call.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "psk_key_file.h"

namespace mirell {

class TlsChannel {
public:
    enum class Kind { Stream, Datagram };
    enum class Step {
        InProgress,  // waiting for the server
        Done,        // application messages may go
        Refused,     // the server turned the identity or key away
        Failed,      // the server does not speak TLS, or broke off
    };

    // A client that will offer `key`; null when OpenSSL cannot be set up.
    static std::unique_ptr<TlsChannel> client(Kind kind, PskKey key);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Moves the handshake on with what arrived (over datagrams one datagram,
    // or nothing), appending what is to be sent to `out` (over datagrams one
    // datagram). Once done, the key is wiped.
    Step handshake(std::span<const std::uint8_t> arrived, std::vector<std::uint8_t>& out);
    // Over datagrams: how long until the handshake sends its last flight
    // again (nothing once done, or over a stream); retransmit() sends it.
    std::optional<std::chrono::milliseconds> retransmitIn();
    void retransmit(std::vector<std::uint8_t>& out);
    // The handshake has sent its Finished and waits for the server's verdict
    // on the key (a DTLS server drops a record it cannot decrypt unanswered).
    bool awaitingVerdict() const;

    // Encrypts one message as one record, appended to `out`.
    bool seal(std::span<const std::uint8_t> plain, std::vector<std::uint8_t>& out);
    // Decrypts what arrived: each record's content is appended to `records`
    // as one entry (a datagram's record holds one whole message; a stream's
    // content is a stream). What TLS itself answers goes to `out`. False once
    // the server closed the session or broke it; a datagram that is no
    // record of this session is dropped.
    bool open(std::span<const std::uint8_t> arrived, std::vector<std::vector<std::uint8_t>>& records,
              std::vector<std::uint8_t>& out);
    // The close_notify alert, appended to `out`.
    void close(std::vector<std::uint8_t>& out);

private:
    struct Impl;
    explicit TlsChannel(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace mirell
