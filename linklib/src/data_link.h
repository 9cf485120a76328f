// The data-link layer as pure logic: the frame codec, the link timers and the
// table-driven state machine, fed with bytes, clock ticks and transport events
// by its owner. Not thread-safe by itself: the owner serialises every call
// (one lock around the whole object), which is what serialises event handling.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "frame_codec.h"
#include "link_timers.h"
#include "link_types.h"
#include "transition_table.h"

namespace mirell {

// Flags word of a delivered record.
enum DeliveredFlags : std::uint32_t {
    kFlagNoReply = 1u << 0,          // time-out
    kFlagBrokenOrForeign = 1u << 1,  // reply broken or replaced by a foreign frame
    kFlagDeviceStatus = 1u << 2,     // field-device status not 0
};

// A received frame as handed to the transaction layer or the burst collector.
struct DeliveredFrame {
    std::uint32_t flags = 0;
    std::uint32_t errorWord = 0;
    std::array<std::uint32_t, 4> lineErrors{};
    std::uint32_t brokenReply = 0;
    std::uint32_t foreignFrame = 0;
    std::uint8_t responseCode = 0;
    std::uint8_t deviceStatus = 0;
    std::array<std::uint8_t, 6> address{};  // as the codec's: short [0], long [1..5]
    bool longAddress = false;
    std::uint8_t command = 0;
    int dataLength = 0;                              // byte count - 2, within 0..253
    std::array<std::uint8_t, kMaxReplyData> data{};  // the bytes after the two status bytes
    bool delivered = false;

    std::uint16_t statusWord() const { return static_cast<std::uint16_t>(responseCode << 8 | deviceStatus); }
};

enum class SubmitResult {
    Accepted,  // the request waits for its turn on the line
    Busy,      // an earlier request has not been transmitted yet
    TooLong,   // the frame would not fit the transmit buffer
};

// What became of the request a ticket names.
enum class RequestProgress {
    Waiting,  // not yet on its way
    Built,    // its frame is assembled and must be transmitted now
    Dropped,  // the link was reset before the request could go out
};

class DataLink {
public:
    explicit DataLink(bool primaryMaster = false);

    // Master mode: sets the master bit of our frames and the line timing T.
    void setPrimaryMaster(bool primary);
    bool primaryMaster() const { return primary_; }
    int lineTimingMs() const { return mirell::lineTimingMs(primary_); }

    // --- inputs -----------------------------------------------------------
    // The port was opened: link reset.
    void linkOpened();
    // One received byte with its LineError flags.
    void receiveByte(std::uint8_t byte, std::uint8_t lineErrors);
    // One 10 ms tick of the link clock.
    void tick();
    // The transmitter has sent the last byte of the frame.
    void transmissionDone();
    // Hands a request to the link. On acceptance `ticket` names it.
    SubmitResult submit(const Request& request, std::uint64_t* ticket = nullptr);
    RequestProgress progress(std::uint64_t ticket) const;
    // Takes back a request whose turn never came (its submitter gives up).
    // False when its frame has been built meanwhile: it must then be sent.
    bool withdraw(std::uint64_t ticket);
    // The frame of the last built request.
    const TxFrame& builtFrame() const { return txFrame_; }

    // --- the response watchdog (armed while a caller waits for a reply) ----
    void armResponseWatchdog() { responseWatchdog_.loadTicks(kResponseWatchdogTicks); }
    void disarmResponseWatchdog() { responseWatchdog_.clear(); }

    // --- delivered records --------------------------------------------------
    // Takes the delivered reply (clearing its mark), if one is there.
    std::optional<DeliveredFrame> takeReply();
    std::optional<DeliveredFrame> takeBurst();
    const DeliveredFrame& replyRecord() const { return reply_; }
    const DeliveredFrame& burstRecord() const { return burst_; }

    // --- inspection -----------------------------------------------------------
    // True when ticks would change nothing: idle, no request waiting and every
    // timer at 0 (the three that repeat then only raise events that the idle
    // state ignores).
    bool quiescent() const;
    LinkState state() const { return state_; }
    bool requestWaiting() const { return requestWaiting_; }
    const FrameParser& parser() const { return parser_; }
    const LongAddress& recordedBurstAddress() const { return burstAddress_; }
    int replyTimerTicks() const { return replyTimer_.ticks(); }
    int quietTimerTicks() const { return quietTimer_.ticks(); }
    int holdTimerTicks() const { return holdTimer_.ticks(); }
    int gapTimerTicks() const { return gapTimer_.ticks(); }
    int busyWatchdogTicks() const { return busyWatchdog_.ticks(); }
    int responseWatchdogTicks() const { return responseWatchdog_.ticks(); }

    // A received frame as it is delivered.
    static void copyFrame(const ReceivedFrame& from, DeliveredFrame& to);

    // Test seam: puts the machine into a state, as if it had got there.
    void forceState(LinkState state) { state_ = state; }
    // Test seam: handles one event exactly as the link would.
    void raise(LinkEvent event) { handle(event); }

private:
    void handle(LinkEvent event);
    void loadTimers(int code);
    void run(LinkAction action);
    void sendIfAllowed();

    void endOfTransmission();
    void buildFrame();
    void recordBurstAddress();
    void deliverReply();
    void deliverBurst();
    void deliverTimeout();
    void deliverBroken();
    void deliverForeign();
    void compareBurstAddress();

    bool primary_;
    LinkState state_ = LinkState::Watching;
    FrameParser parser_;

    RepeatingTimer replyTimer_;
    RepeatingTimer holdTimer_;
    RepeatingTimer quietTimer_;
    OneShotTimer gapTimer_;
    OneShotTimer responseWatchdog_;
    OneShotTimer busyWatchdog_;

    Request pending_;
    bool requestWaiting_ = false;
    std::uint64_t nextTicket_ = 1;
    std::uint64_t pendingTicket_ = 0;
    std::uint64_t builtTicket_ = 0;
    std::uint64_t droppedTicket_ = 0;
    TxFrame txFrame_;

    LongAddress burstAddress_{};
    DeliveredFrame reply_;
    DeliveredFrame burst_;
};

}  // namespace mirell
