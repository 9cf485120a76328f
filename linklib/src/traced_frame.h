// One frame as the frame trace keeps it: when it passed, which way, and its
// bytes from the delimiter on, with what the codec found wrong with it.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace mirell {

// Wall-clock time: a trace is read beside other logs.
using TraceClock = std::chrono::system_clock;

enum class TraceDirection : std::uint8_t { Sent, Received };

// How a traced frame ended.
enum class FrameEnd : std::uint8_t {
    Complete,          // through its check byte (which may still be wrong)
    ByteCountRefused,  // the codec gave up at the byte count
    GapTimeout,        // the line fell silent in mid-frame
    LinkClosed,        // the link closed in mid-frame
};

struct TracedFrame {
    // A request is at most 51 bytes with its check byte; a received frame at
    // most 267 from its delimiter on (byte count 255), and a HART-IP message
    // that carries one a few preambles more. Of a longer message (none that
    // a device should send) the first bytes are kept and the rest counted.
    static constexpr std::size_t kMaxBytes = 512;

    TraceClock::time_point time;
    TraceDirection direction = TraceDirection::Sent;
    FrameEnd end = FrameEnd::Complete;
    std::uint8_t preambles = 0;
    std::uint16_t length = 0;
    std::uint32_t notKept = 0;                    // bytes past kMaxBytes
    std::array<std::uint8_t, kMaxBytes> bytes{};  // from the delimiter on
    std::uint32_t errorWord = 0;                  // the codec's ErrorWordBits
    std::array<std::uint8_t, 4> lineErrors{};     // LineError bits per LineErrorField
    // A HART-IP message: its header here (as many bytes of it as came), its
    // body in `bytes` (a token-passing frame from its delimiter on).
    std::uint8_t hartIpHeaderLength = 0;  // 0: a frame on the serial line
    std::array<std::uint8_t, 8> hartIpHeader{};

    bool isHartIp() const { return hartIpHeaderLength != 0; }
    // A HART-IP message whose body is a HART frame.
    bool carriesFrame() const { return !isHartIp() || (hartIpHeaderLength == 8 && hartIpHeader[2] == 3); }

    void append(std::uint8_t byte) {
        if (length < kMaxBytes) {
            bytes[length++] = byte;
        } else {
            ++notKept;
        }
    }
};

}  // namespace mirell
