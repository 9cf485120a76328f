#include "link_driver.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <vector>

namespace mirell {

namespace {

using std::chrono::milliseconds;

// The one-shot keying timer allows 10 ms a byte (a character takes 9.2 ms).
constexpr milliseconds kKeyingPerByte{10};
constexpr milliseconds kDrainPollInterval{2};
// After a stall (a suspended machine) the clock starts afresh instead of
// racing through the ticks it missed.
constexpr milliseconds kClockResyncAfter{100};

DeliveredFrame noReply() {
    DeliveredFrame record;
    record.flags = kFlagNoReply;
    return record;
}

}  // namespace

LinkDriver::LinkDriver(Pacer* pacer) : pacer_(pacer ? pacer : &realPacer_) {}

LinkDriver::~LinkDriver() { close(); }

bool LinkDriver::open(std::unique_ptr<LinkPort> port, bool primaryMaster, ClockSource clock) {
    close();
    if (!port) return false;
    {
        std::lock_guard lock(mutex_);
        link_ = DataLink(primaryMaster);
        tap_.reset();
        ticks_ = 0;
        stopping_ = false;
        portLost_ = false;
        clockSleeping_ = false;
        transmitting_ = false;
        open_ = true;
        port_ = std::move(port);
    }
    try {
        receiver_ = std::thread(&LinkDriver::receiveLoop, this);
        {
            std::lock_guard lock(mutex_);
            link_.linkOpened();
        }
        if (clock == ClockSource::Internal) clock_ = std::thread(&LinkDriver::clockLoop, this);
    } catch (const std::system_error&) {
        close();
        return false;
    }
    return true;
}

void LinkDriver::close() {
    {
        std::lock_guard lock(mutex_);
        if (!open_) return;
        stopping_ = true;
    }
    clockWake_.notify_all();
    changed_.notify_all();
    port_->interrupt();
    if (receiver_.joinable()) receiver_.join();
    if (clock_.joinable()) clock_.join();

    std::unique_ptr<LinkPort> port;
    {
        std::lock_guard lock(mutex_);
        if (trace_.load()) traceFrame(tap_.linkClosed(link_.parser()));
        port = std::move(port_);
        open_ = false;
    }
    // The port restores the device's settings and closes as it goes.
}

bool LinkDriver::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

bool LinkDriver::portLost() const {
    std::lock_guard lock(mutex_);
    return open_ && portLost_;
}

bool LinkDriver::clockTicking() const {
    std::lock_guard lock(mutex_);
    return clock_.joinable() && !clockSleeping_;
}

void LinkDriver::setPrimaryMaster(bool primary) {
    std::lock_guard lock(mutex_);
    link_.setPrimaryMaster(primary);
}

// ---------------------------------------------------------------------------
// Threads

void LinkDriver::receiveLoop() {
    std::vector<RxByte> bytes;
    bytes.reserve(512);
    const bool tracing = trace_.load() != nullptr;
    while (port_->receive(bytes)) {
        std::lock_guard lock(mutex_);
        // Without a line the device's answer may come before our frame could
        // have crossed one: it shows the frame was taken, and it must find
        // the link waiting for it.
        if (answerEndsTransmission_) endTransmissionLocked();
        for (const RxByte& b : bytes) {
            const int preambles = link_.parser().preambleCount();
            link_.receiveByte(b.byte, b.lineErrors);
            if (tracing) traceFrame(tap_.afterByte(link_.parser(), b.byte, preambles));
        }
        changed_.notify_all();
        wakeClock();
    }
    // Ended by close(), or by the port failing under us.
    std::lock_guard lock(mutex_);
    if (!stopping_) portLost_ = true;
    changed_.notify_all();
}

void LinkDriver::clockLoop() {
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (link_.quiescent()) {
            clockSleeping_ = true;
            clockWake_.wait(lock, [this] { return stopping_ || !link_.quiescent(); });
            clockSleeping_ = false;
            // Ticks start afresh, a whole tick after whatever woke the clock.
            next = Clock::now();
            continue;
        }
        next += milliseconds(kTickMs);
        if (Clock::now() > next + kClockResyncAfter) next = Clock::now();
        if (clockWake_.wait_until(lock, next, [this] { return stopping_; })) break;
        tickLocked();
    }
}

// Called with the lock held, after anything that may arm a timer or hand
// the link work.
void LinkDriver::wakeClock() {
    if (clockSleeping_) clockWake_.notify_all();
}

void LinkDriver::tick() {
    std::lock_guard lock(mutex_);
    tickLocked();
}

void LinkDriver::tickLocked() {
    link_.tick();
    if (trace_.load()) traceFrame(tap_.afterTick(link_.parser()));
    ++ticks_;
    changed_.notify_all();
}

// ---------------------------------------------------------------------------
// Requests and replies

SendResult LinkDriver::send(const Request& request) {
    std::unique_lock lock(mutex_);
    if (!open_ || portLost_) return SendResult::NotRunning;
    std::uint64_t ticket = 0;
    const SubmitResult submitted = link_.submit(request, &ticket);
    wakeClock();  // a refusal arms the busy watchdog
    switch (submitted) {
        case SubmitResult::Busy: return SendResult::Busy;
        case SubmitResult::TooLong: return SendResult::TooLong;
        case SubmitResult::Accepted: break;
    }
    const std::uint64_t submittedAt = ticks_;
    changed_.wait(lock, [&] {
        return link_.progress(ticket) != RequestProgress::Waiting ||
               ticks_ - submittedAt >= kTurnLimitTicks || stopping_ || portLost_;
    });
    switch (link_.progress(ticket)) {
        case RequestProgress::Waiting: link_.withdraw(ticket); return SendResult::NoTurn;
        case RequestProgress::Dropped: return SendResult::NoTurn;
        case RequestProgress::Built: break;
    }
    const TxFrame frame = link_.builtFrame();
    // Recorded before the write, so that it comes ahead of its answer.
    if (trace_.load()) traceFrame(tracedRequest(frame));
    lock.unlock();
    transmit(frame);
    return SendResult::Sent;
}

// The port is written without the link lock: a stalled adapter may hold up
// this caller, never the clock or the receive thread.
void LinkDriver::transmit(const TxFrame& frame) {
    LinkPort& port = *port_;
    const std::size_t length = frame.size();
    const bool programKeyed = port.keying() == CarrierKeying::Program;

    port.purge();
    const auto start = pacer_->now();
    // Whatever the port says, the frame is not out before its characters
    // can have crossed the line: a pseudo-terminal, and many USB adapters,
    // report it sent as soon as they hold it, and the reply window must not
    // open while the device still listens.
    const auto onLine = start + lineTime(length);
    const auto keyedUntil = std::max(onLine, start + kKeyingPerByte * static_cast<int>(length));
    {
        std::lock_guard lock(mutex_);
        transmitting_ = true;
        answerEndsTransmission_ = port.deliversAtOnce();
    }
    if (programKeyed) port.modemLines().setRts(true);
    port.write(std::span(frame.data(), length));
    // Done when the port has drained, but never before the frame can have
    // crossed the line, and at the latest when the keying timer runs out.
    for (;;) {
        const auto now = pacer_->now();
        if (now >= keyedUntil || (now >= onLine && port.outputDrained()) || !stillTransmitting()) break;
        pacer_->sleepUntil(std::min(now + kDrainPollInterval, keyedUntil));
    }
    {
        std::lock_guard lock(mutex_);
        endTransmissionLocked();
    }
    if (programKeyed) {
        pacer_->sleepUntil(keyedUntil);
        port.modemLines().setRts(false);
    }
}

bool LinkDriver::stillTransmitting() const {
    std::lock_guard lock(mutex_);
    return transmitting_;
}

void LinkDriver::endTransmissionLocked() {
    if (!transmitting_) return;
    transmitting_ = false;
    link_.transmissionDone();
    changed_.notify_all();
    wakeClock();
}

// The trace only queues the frame: no file is written under the link lock.
void LinkDriver::traceFrame(std::optional<TracedFrame> frame) {
    FrameTrace* trace = trace_.load();
    if (!frame || !trace) return;
    frame->time = TraceClock::now();
    trace->record(*frame);
}

DeliveredFrame LinkDriver::awaitReply() {
    std::unique_lock lock(mutex_);
    if (!open_ || portLost_) return noReply();
    link_.armResponseWatchdog();
    wakeClock();
    std::optional<DeliveredFrame> reply;
    changed_.wait(lock, [&] {
        reply = link_.takeReply();
        return reply.has_value() || stopping_ || portLost_;
    });
    link_.disarmResponseWatchdog();
    return reply ? *reply : noReply();
}

std::optional<DeliveredFrame> LinkDriver::takeBurst() {
    std::lock_guard lock(mutex_);
    return link_.takeBurst();
}

std::uint16_t LinkDriver::lastParsedStatus() const {
    std::lock_guard lock(mutex_);
    return link_.parser().statusWord();
}

LinkState LinkDriver::state() const {
    std::lock_guard lock(mutex_);
    return link_.state();
}

std::uint64_t LinkDriver::ticks() const {
    std::lock_guard lock(mutex_);
    return ticks_;
}

CarrierKeying LinkDriver::keying() const {
    std::lock_guard lock(mutex_);
    return port_ ? port_->keying() : CarrierKeying::None;
}

}  // namespace mirell
