// The HART-IP transport: one session with a HART-IP device, gateway or
// multiplexer over UDP or TCP, plain or secure. Opening initiates the session
// (as a primary or secondary master, asking for an inactivity time); a
// secure one initiates it in the clear and then runs every later message
// through TLS (TCP) or DTLS (UDP) with a pre-shared key. A receive thread
// takes responses and published burst messages, keeps the session alive
// while it is otherwise quiet, and opens it again when the device has
// forgotten it; closing ends the session and joins the thread. Each
// transaction is one token-passing request whose response carries the same
// sequence number; whatever carries another is not its answer. Nothing here
// waits on the network without a bound: a name lookup, a peer that stops
// reading and a close all end in time.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "hart_ip_address.h"
#include "hart_ip_header.h"
#include "link_texts.h"
#include "link_transport.h"
#include "psk_key_file.h"
#include "tls_channel.h"

namespace mirell {

// What a token-passing body must hold to be taken.
enum class PduRole {
    Answer,     // the response to our request: a slave's ACK to this master
    Published,  // a burst message: a slave's frame (BACK or ACK) to either master
};

// The record of a token-passing body: a whole frame as the serial link would
// deliver it; a broken record when the body is not one whole frame; a foreign
// one when the frame is not what `role` takes (a request echoed, a burst frame
// or a frame for the other master in place of the answer).
DeliveredFrame deliveredFromPdu(std::span<const std::uint8_t> pdu, bool primaryMaster, PduRole role);

struct HartIpTiming {
    // For one token-passing response: as long as the serial line allows, since
    // a gateway answers only once the device on its loop has.
    std::chrono::milliseconds reply{2500};
    // Asked of the device at session initiate; keep-alives go out at a
    // third of what it grants.
    std::chrono::milliseconds inactivity{60000};
    // For the TCP connection, for the session initiate's response and for a
    // secure session's handshake.
    std::chrono::milliseconds connect{2000};
    // For finding the addresses of a host given by name.
    std::chrono::milliseconds lookup{3000};
};

// Requests or keep-alives in a row that may go unanswered before the device
// is taken to have forgotten the session silently, and a new one is opened.
inline constexpr int kUnansweredBeforeNewSession = 2;

class HartIpLink final : public Transport {
public:
    explicit HartIpLink(HartIpTiming timing = {});
    ~HartIpLink() override;
    HartIpLink(const HartIpLink&) = delete;
    HartIpLink& operator=(const HartIpLink&) = delete;

    // Connects, initiates the session (and on a secure address completes
    // the handshake with `key`) and starts the receive thread. False (errno
    // telling why, where the system said, and failure() what happened) when
    // the host cannot be found or reached, the device does not answer or
    // refuses the session, offers no security or turns the key away;
    // nothing is then left open, and a secure address never opens a plain
    // session.
    bool open(const HartIpAddress& address, bool primaryMaster, PskKey key = {});
    HartIpOpenFailure failure() const { return failure_; }
    void close() override;
    bool isOpen() const override;
    bool portLost() const override;
    void setPrimaryMaster(bool primary) override;
    bool primaryMaster() const;
    void setTrace(FrameTrace* trace) override { trace_.store(trace); }

    SendResult send(const Request& request) override;
    DeliveredFrame awaitReply() override;
    std::optional<DeliveredFrame> takeBurst() override;
    std::uint16_t lastParsedStatus() const override;

    // Inspection for tests and benchmarks.
    bool receiverRunning() const { return receiver_.joinable(); }
    std::uint64_t keepAlivesSent() const { return keepAlives_.load(); }
    std::uint64_t sessionsInitiated() const { return initiates_.load(); }
    std::chrono::milliseconds grantedInactivity() const;

private:
    using Clock = std::chrono::steady_clock;

    bool connectSocket(const HartIpAddress& address);
    bool initiateSession();
    // The handshake of a secure session, after its initiate.
    bool startTls(PskKey key);
    // A secured server answers a secure initiate; a plain one refuses it
    // or takes it as a plain one, and hears at once that it is not.
    bool acceptsSecureSession(const hartip::Header& answer);
    std::array<std::uint8_t, hartip::kSessionBodySize> sessionBody() const;
    // Reads what has arrived and hands each whole message to `handle`;
    // false when the connection is gone.
    template <typename Handle>
    bool readMessages(Handle&& handle);
    void receiveLoop();
    void handleMessage(std::span<const std::uint8_t> bytes);
    // Sends at once what the socket takes; a stream keeps the rest for the
    // receive thread to hand over as the peer drains it. False (and a broken
    // stream lost) when the message cannot go.
    bool writeMessage(const hartip::Header& header, std::span<const std::uint8_t> body);
    bool putMessage(const std::vector<std::uint8_t>& message);
    // With writeMutex_ held: bytes as they go onto the network (over UDP one
    // datagram).
    bool putBytes(std::span<const std::uint8_t> bytes);
    bool flushOutgoing();
    // Hands what arrived to the message parser, through the secure channel
    // when there is one; false when the connection is gone.
    template <typename Handle>
    bool take(std::span<const std::uint8_t> arrived, Handle& handle);
    template <typename Handle>
    bool takeDecrypted(std::span<const std::uint8_t> plain, Handle& handle);
    std::uint16_t nextSequence();
    void traceMessage(TraceDirection direction, std::span<const std::uint8_t> bytes);
    void wakeReceiver();
    void closeSockets();

    // With mutex_ held.
    void noteUnanswered(Clock::time_point now);
    void loseSession(Clock::time_point now);
    std::chrono::milliseconds keepAliveInterval() const;

    const HartIpTiming timing_;
    int fd_ = -1;
    int wakeFd_ = -1;
    bool tcp_ = false;
    bool secure_ = false;
    std::uint8_t version_ = hartip::kVersion;  // of every message the session sends
    HartIpOpenFailure failure_;
    std::vector<std::uint8_t> stream_;  // a TCP stream's bytes not yet in a whole message

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    bool stopping_ = false;
    bool portLost_ = false;
    bool primary_ = true;
    std::optional<std::uint16_t> awaited_;
    std::optional<DeliveredFrame> reply_;
    std::optional<DeliveredFrame> burst_;
    std::uint16_t lastStatus_ = 0;
    std::chrono::milliseconds granted_{0};
    // Keeping the session: the device no longer knows it (it said so, or
    // stayed silent too often), and the new initiate the receive thread
    // sends then; a transaction waits for the round to end.
    bool sessionLost_ = false;
    int unanswered_ = 0;
    std::optional<std::uint16_t> keepAlive_;  // the keep-alive still unanswered
    std::optional<std::uint16_t> initiating_;
    int initiateTries_ = 0;
    Clock::time_point initiateDeadline_;
    Clock::time_point nextInitiate_;
    std::uint64_t initiateRounds_ = 0;

    std::mutex writeMutex_;  // one message at a time onto a stream
    std::uint16_t sequence_ = 0;
    Clock::time_point lastSent_;
    std::vector<std::uint8_t> outgoing_;  // a stream's bytes the socket has not taken yet
    // A secure session's channel once its handshake is done; every use of it
    // is under writeMutex_, so that records go out in the order they are made.
    std::unique_ptr<TlsChannel> tls_;

    std::atomic<std::uint64_t> keepAlives_{0};
    std::atomic<std::uint64_t> initiates_{0};
    std::atomic<FrameTrace*> trace_{nullptr};
    std::thread receiver_;
};

}  // namespace mirell
