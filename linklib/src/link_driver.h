// Runs the data link on a port: a receive thread feeding the codec, the 10 ms
// link clock, and transmission on the thread of the caller that submits a
// request. One lock serialises everything that touches the data link; every
// wait and every write to the port happens outside it, so a stalled adapter
// holds up only the caller that writes.
//
// The clock sleeps while the link is idle with no timer armed and nothing
// submitted (its ticks would change nothing then), and starts again with the
// next received byte, submission or armed watchdog.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "data_link.h"
#include "frame_tap.h"
#include "frame_trace.h"
#include "link_port.h"
#include "link_transport.h"

namespace mirell {

// Who drives the link clock.
enum class ClockSource {
    Internal,  // a thread ticking every 10 ms on absolute deadlines
    External,  // the owner calls tick() (tests)
};

class LinkDriver final : public Transport {
public:
    // How long a request may wait for its turn on the line, in link ticks.
    static constexpr int kTurnLimitTicks = 500;  // 5 s

    explicit LinkDriver(Pacer* pacer = nullptr);
    ~LinkDriver() override;
    LinkDriver(const LinkDriver&) = delete;
    LinkDriver& operator=(const LinkDriver&) = delete;

    // Starts the link on `port` with a fresh data link: the receive thread,
    // the clock (unless External) and the link reset. False when the threads
    // cannot be started; nothing is then left running.
    bool open(std::unique_ptr<LinkPort> port, bool primaryMaster, ClockSource clock = ClockSource::Internal);
    // Stops and joins the threads and closes the port. Harmless when closed.
    void close() override;
    bool isOpen() const override;
    // The port failed under the open link (the device vanished: a modem
    // unplugged, the other end of a pseudo-terminal closed). Sends are
    // refused and waits end at once until the link is opened again.
    bool portLost() const override;
    // Whether the clock thread is ticking (false while it sleeps through an
    // idle line).
    bool clockTicking() const;

    void setPrimaryMaster(bool primary) override;

    // Every frame sent or received from the next open on goes to `trace`
    // (none: null). Set only while the link is closed; the trace must
    // outlive the open link.
    void setTrace(FrameTrace* trace) override { trace_.store(trace); }

    // One 10 ms tick of the link clock.
    void tick();

    // Submits the request, waits for its turn and transmits its frame.
    SendResult send(const Request& request) override;

    // Arms the response watchdog and waits for the delivered reply record
    // (a time-out or broken record included). When the link is not open a
    // time-out record is returned at once.
    DeliveredFrame awaitReply() override;

    std::optional<DeliveredFrame> takeBurst() override;
    // Status word of the frame the codec parsed last.
    std::uint16_t lastParsedStatus() const override;

    // Inspection for tests.
    LinkState state() const;
    std::uint64_t ticks() const;
    CarrierKeying keying() const;
    template <typename Look>
    auto inspect(Look&& look) const {
        std::lock_guard lock(mutex_);
        return look(link_);
    }

private:
    void receiveLoop();
    void clockLoop();
    void tickLocked();
    void wakeClock();
    void transmit(const TxFrame& frame);
    bool stillTransmitting() const;
    // Raises the end of the transmission in flight, once.
    void endTransmissionLocked();
    // Stamps and records a frame the tap finished, if tracing.
    void traceFrame(std::optional<TracedFrame> frame);

    Pacer* pacer_;
    RealPacer realPacer_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;    // the data link moved on
    std::condition_variable clockWake_;  // wakes the clock thread: to stop, or to tick again
    DataLink link_;
    std::uint64_t ticks_ = 0;
    bool open_ = false;
    bool stopping_ = false;
    bool portLost_ = false;
    bool clockSleeping_ = false;
    bool transmitting_ = false;           // a frame is on its way out
    bool answerEndsTransmission_ = false;  // its port has no line (see LinkPort)

    std::atomic<FrameTrace*> trace_{nullptr};
    FrameTap tap_;  // under mutex_

    std::unique_ptr<LinkPort> port_;
    std::thread receiver_;
    std::thread clock_;
};

}  // namespace mirell
