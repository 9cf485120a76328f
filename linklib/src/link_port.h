// What the link needs from the line: a byte source with per-byte line errors,
// a transmitter, the modem-control lines and a clock for pacing a
// transmission. The serial port implements them on a real device or a
// pseudo-terminal; tests put fakes in their place.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

namespace mirell {

// One received byte and its LineError flags (0 = clean).
struct RxByte {
    std::uint8_t byte = 0;
    std::uint8_t lineErrors = 0;
    friend bool operator==(const RxByte&, const RxByte&) = default;
};

// Who keys the modem's carrier (RTS) around a transmission.
enum class CarrierKeying {
    Driver,   // the kernel's RS-485 mode raises RTS while it sends
    Program,  // we raise RTS before writing and drop it when the frame is out
    None,     // no modem lines at all (a pseudo-terminal)
};

class ModemControl {
public:
    virtual ~ModemControl() = default;
    virtual void setRts(bool on) = 0;
    virtual void setDtr(bool on) = 0;
};

class LinkPort {
public:
    virtual ~LinkPort() = default;

    // Blocks until bytes arrive and appends them to `out` (which it clears
    // first). False once the port is interrupted or has failed: the caller's
    // receive loop ends.
    virtual bool receive(std::vector<RxByte>& out) = 0;
    // Makes a blocked or later receive() return false.
    virtual void interrupt() = 0;

    // Discards pending input and output.
    virtual void purge() = 0;
    // Queues the bytes for sending; false when the port refused them.
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    // True once everything written has left the transmitter, as far as the
    // port knows (many USB adapters say so once they hold the bytes).
    virtual bool outputDrained() = 0;
    // Whether written bytes reach the far end at once, with no line between
    // (a pseudo-terminal): an answer may then come before the frame could
    // have crossed a line, and its first byte shows that the frame was
    // taken whole.
    virtual bool deliversAtOnce() const = 0;

    virtual CarrierKeying keying() const = 0;
    virtual ModemControl& modemLines() = 0;
};

// How long `characters` take on the line: 11 bits each (start, 8 data,
// parity, stop) at 1200 baud.
constexpr std::chrono::microseconds lineTime(std::size_t characters) {
    return std::chrono::microseconds{static_cast<long long>(characters) * 11 * 1'000'000 / 1200};
}

// The clock a transmission is paced by (the one-shot keying timer).
class Pacer {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~Pacer() = default;
    virtual Clock::time_point now() = 0;
    virtual void sleepUntil(Clock::time_point when) = 0;
};

class RealPacer final : public Pacer {
public:
    Clock::time_point now() override { return Clock::now(); }
    void sleepUntil(Clock::time_point when) override { std::this_thread::sleep_until(when); }
};

}  // namespace mirell
