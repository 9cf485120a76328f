// The two forms of the frame trace: a readable line per frame, and a classic
// pcap capture in which every frame is the payload of a HART-IP token-passing
// message in a UDP datagram on port 5094, the master at 127.0.0.1 and the
// device at 127.0.0.2, which protocol analysers decode.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "traced_frame.h"

namespace mirell {

// The parts of a traced frame, as far as it got.
struct FrameParts {
    std::uint8_t delimiter = 0;
    std::span<const std::uint8_t> address;  // 1 or 5 bytes, fewer when cut short
    std::span<const std::uint8_t> expansion;
    std::optional<std::uint8_t> command;
    std::optional<std::uint8_t> byteCount;
    std::span<const std::uint8_t> data;  // the data bytes that came
    std::optional<std::uint8_t> checksum;
    std::uint8_t computedChecksum = 0;  // over the bytes before the check byte
};
FrameParts splitFrame(const TracedFrame& frame);

// A request (STX) carries no status bytes ahead of its data.
bool isRequestFrame(const TracedFrame& frame);

// What the codec found wrong with the frame; empty when nothing.
std::string frameError(const TracedFrame& frame);

// Local time to the microsecond: "2025-01-07 10:15:02.301270".
std::string traceTimestamp(TraceClock::time_point time);

// The frame's line without its time, e.g.
// "RX pre=5 delim=86 addr=BE61010203 cmd=1 bc=7 status=0000 data=2041200000",
// ending in " error=..." when the frame is broken.
std::string describeFrame(const TracedFrame& frame);

// The first line of every text trace; a file that starts otherwise is none.
inline constexpr std::string_view kTextTraceHeader =
    "# HART frame trace: time, direction, preambles, delimiter, address, command, byte count, "
    "status, data, error";

enum class NoteLevel { Notice, Warning };

namespace capture {

inline constexpr std::size_t kFileHeaderSize = 24;
inline constexpr std::size_t kRecordHeaderSize = 16;
inline constexpr std::uint32_t kSnapLength = 65535;

// The file header every capture of the trace starts with (microsecond
// timestamps, raw IPv4 packets).
std::array<std::uint8_t, kFileHeaderSize> fileHeader();

// Length of the packet a record header announces, when the header fits a
// capture of the trace.
std::optional<std::uint32_t> recordLength(std::span<const std::uint8_t, kRecordHeaderSize> header);

}  // namespace capture

// Turns frames and notes into capture records. Each request sent starts a
// new HART-IP sequence number; what is received until the next request
// carries the same one, so an analyser pairs a request with its answer.
class CaptureEncoder {
public:
    // Appends the record of `frame`, and a note naming its fault if broken.
    void frame(std::string& out, const TracedFrame& frame);
    // Appends a note: a syslog message from the master, which analysers show
    // as text among the frames.
    void note(std::string& out, TraceClock::time_point time, NoteLevel level, std::string_view text);

private:
    void packet(std::string& out, TraceClock::time_point time, std::uint8_t source, std::uint8_t destination,
                std::uint16_t port, std::string_view payload, std::size_t notCaptured = 0);

    std::uint16_t sequence_ = 0;
    std::uint16_t packetId_ = 0;
};

}  // namespace mirell
