// The HART-IP transport: one session with a HART-IP device, gateway or
// multiplexer over UDP or TCP. Opening initiates the session (as a primary
// or secondary master, asking for an inactivity time); a receive thread
// takes responses and published burst messages and keeps the session alive
// while it is otherwise quiet; closing ends the session and joins the thread.
// Each transaction is one token-passing request whose response carries the
// same sequence number; whatever carries another is not its answer.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "hart_ip_header.h"
#include "link_transport.h"

namespace mirell {

struct HartIpAddress {
    std::string host;
    std::uint16_t port = hartip::kDefaultPort;
    bool tcp = false;

    // "hart-ip://host:port" or "hart-ip+tcp://host:port".
    std::string text() const;
};

// A port name "hart-ip://HOST[:PORT]" (UDP) or "hart-ip+tcp://HOST[:PORT]";
// nothing for any other name (a serial device). An IPv6 host is written in
// brackets.
std::optional<HartIpAddress> parseHartIpAddress(std::string_view name);

// The reply record of a token-passing body: a whole frame as the serial
// link would deliver it, or a broken record when the body is not one whole
// frame.
DeliveredFrame deliveredFromPdu(std::span<const std::uint8_t> pdu, bool primaryMaster);

struct HartIpTiming {
    // For one token-passing response: as long as the serial line allows, since
    // a gateway answers only once the device on its loop has.
    std::chrono::milliseconds reply{2500};
    // Asked of the device at session initiate; keep-alives go out at a
    // third of what it grants.
    std::chrono::milliseconds inactivity{60000};
    // For the TCP connection and for the session initiate's response.
    std::chrono::milliseconds connect{2000};
};

class HartIpLink final : public Transport {
public:
    explicit HartIpLink(HartIpTiming timing = {});
    ~HartIpLink() override;
    HartIpLink(const HartIpLink&) = delete;
    HartIpLink& operator=(const HartIpLink&) = delete;

    // Connects, initiates the session and starts the receive thread. False
    // (errno telling why, where the system said) when the host cannot be
    // reached or the device refuses the session; nothing is then left open.
    bool open(const HartIpAddress& address, bool primaryMaster);
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
    std::chrono::milliseconds grantedInactivity() const;

private:
    bool connectSocket(const HartIpAddress& address);
    bool initiateSession();
    // Reads what has arrived and hands each whole message to `handle`;
    // false when the connection is gone.
    template <typename Handle>
    bool readMessages(Handle&& handle);
    void receiveLoop();
    void handleMessage(std::span<const std::uint8_t> bytes);
    bool writeMessage(const hartip::Header& header, std::span<const std::uint8_t> body);
    std::uint16_t nextSequence();
    void traceMessage(TraceDirection direction, std::span<const std::uint8_t> bytes);
    void closeSockets();

    const HartIpTiming timing_;
    int fd_ = -1;
    int wakeFd_ = -1;
    bool tcp_ = false;
    std::vector<std::uint8_t> stream_;  // a TCP stream's bytes not yet in a whole message

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    bool stopping_ = false;
    bool portLost_ = false;
    bool primary_ = true;
    bool sessionLost_ = false;  // the device no longer knows the session: initiate again
    std::uint16_t sequence_ = 0;
    std::optional<std::uint16_t> awaited_;
    std::optional<DeliveredFrame> reply_;
    std::optional<DeliveredFrame> burst_;
    std::uint16_t lastStatus_ = 0;
    std::chrono::milliseconds granted_{0};
    std::chrono::steady_clock::time_point lastSent_;

    std::mutex writeMutex_;  // one message at a time onto a stream
    std::atomic<std::uint64_t> keepAlives_{0};
    std::atomic<FrameTrace*> trace_{nullptr};
    std::thread receiver_;
};

}  // namespace mirell
