#include "trace_format.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "frame_codec.h"
#include "link_timers.h"
#include "link_types.h"

namespace mirell {

namespace {

constexpr std::uint8_t kPreamble = 0xFF;

void appendHex(std::string& out, std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
}

std::string hexByte(std::uint8_t b) {
    std::string out;
    appendHex(out, std::span(&b, 1));
    return out;
}

std::string lineErrorNames(std::uint8_t flags) {
    std::string out;
    auto add = [&](std::uint8_t bit, const char* name) {
        if (!(flags & bit)) return;
        if (!out.empty()) out += " and ";
        out += name;
    };
    add(kLineParity, "parity error");
    add(kLineFraming, "framing error");
    add(kLineOverrun, "overrun");
    return out;
}

}  // namespace

FrameParts splitFrame(const TracedFrame& frame) {
    FrameParts parts;
    const std::span<const std::uint8_t> bytes(frame.bytes.data(), frame.length);
    if (bytes.empty()) return parts;
    parts.delimiter = bytes[0];
    std::size_t at = 1;
    // Takes up to n of the bytes that came.
    auto take = [&](std::size_t n) {
        const std::size_t got = std::min(n, bytes.size() - at);
        const auto part = bytes.subspan(at, got);
        at += got;
        return part;
    };
    auto takeOne = [&]() -> std::optional<std::uint8_t> {
        if (at >= bytes.size()) return std::nullopt;
        return bytes[at++];
    };
    parts.address = take((parts.delimiter & 0x80) ? 5 : 1);
    parts.expansion = take((parts.delimiter >> 5) & 0x03);
    parts.command = takeOne();
    parts.byteCount = takeOne();
    if (parts.byteCount) parts.data = take(*parts.byteCount);
    // The check byte follows the whole data only.
    if (parts.byteCount && parts.data.size() == *parts.byteCount) parts.checksum = takeOne();
    const std::size_t checked = parts.checksum ? at - 1 : at;
    for (std::size_t i = 0; i < checked; ++i) parts.computedChecksum ^= bytes[i];
    return parts;
}

bool isRequestFrame(const TracedFrame& frame) {
    return frame.direction == TraceDirection::Sent || (frame.length > 0 && (frame.bytes[0] & 0x1F) == 2);
}

std::string frameError(const TracedFrame& frame) {
    if (!frame.carriesFrame()) return {};
    static constexpr const char* kFieldNames[] = {"address", "command or byte count", "data", "check byte"};
    std::string out;
    auto add = [&](const std::string& text) {
        if (!out.empty()) out += "; ";
        out += text;
    };
    for (std::size_t field = 0; field < frame.lineErrors.size(); ++field) {
        if (frame.lineErrors[field] != 0)
            add(lineErrorNames(frame.lineErrors[field]) + " in the " + kFieldNames[field]);
    }
    const FrameParts parts = splitFrame(frame);
    switch (frame.end) {
        case FrameEnd::Complete: break;
        case FrameEnd::ByteCountRefused: add("frame dropped at its byte count"); break;
        case FrameEnd::GapTimeout:
            add("broken off after " + std::to_string(frame.length) + " bytes: no byte for " +
                std::to_string(kGapTimeoutMs) + " ms");
            break;
        case FrameEnd::LinkClosed:
            add("broken off after " + std::to_string(frame.length) + " bytes: the link closed");
            break;
    }
    // A HART-IP frame is checked here: no codec parsed it on its way in.
    const bool mismatch = (frame.errorWord & kErrChecksumMismatch) ||
                          (frame.isHartIp() && parts.checksum && *parts.checksum != parts.computedChecksum);
    if (mismatch && parts.checksum) {
        add("check byte " + hexByte(*parts.checksum) + ", computed " + hexByte(parts.computedChecksum));
    }
    return out;
}

std::string traceTimestamp(TraceClock::time_point time) {
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(micros / 1'000'000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[48];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%06lld", static_cast<long long>(micros % 1'000'000));
    return text;
}

namespace {

// "request token-passing seq=5 hart-ip-status=0"
std::string hartIpHeaderText(const TracedFrame& frame) {
    const auto& h = frame.hartIpHeader;
    if (frame.hartIpHeaderLength < h.size()) {
        std::string out = "malformed header=";
        appendHex(out, std::span(h.data(), frame.hartIpHeaderLength));
        return out;
    }
    static constexpr const char* kIds[] = {"session-initiate", "session-close", "keep-alive",
                                           "token-passing"};
    std::string out;
    switch (h[1] & 0x0F) {
        case 0: out = "request"; break;
        case 1: out = "response"; break;
        case 2: out = "publish"; break;
        case 3: out = "error"; break;
        case 15: out = "nak"; break;
        default: out = "type=" + std::to_string(h[1]); break;
    }
    out += " ";
    out += h[2] < std::size(kIds) ? std::string(kIds[h[2]]) : "id=" + std::to_string(h[2]);
    out += " seq=" + std::to_string(h[4] << 8 | h[5]) + " hart-ip-status=" + std::to_string(h[3]);
    return out;
}

}  // namespace

std::string describeFrame(const TracedFrame& frame) {
    std::string out = frame.direction == TraceDirection::Sent ? "TX" : "RX";
    if (frame.isHartIp()) {
        out += " HART-IP " + hartIpHeaderText(frame);
        if (!frame.carriesFrame() || frame.length == 0) {
            if (frame.length > 0) {
                out += " body=";
                appendHex(out, std::span(frame.bytes.data(), frame.length));
            }
            if (frame.notKept != 0) out += " (" + std::to_string(frame.notKept) + " more bytes not kept)";
            return out;
        }
    } else {
        out += " pre=" + std::to_string(frame.preambles);
    }
    const FrameParts parts = splitFrame(frame);
    if (frame.length > 0) out += " delim=" + hexByte(parts.delimiter);
    if (!parts.address.empty()) {
        out += " addr=";
        appendHex(out, parts.address);
    }
    if (!parts.expansion.empty()) {
        out += " exp=";
        appendHex(out, parts.expansion);
    }
    if (parts.command) out += " cmd=" + std::to_string(*parts.command);
    if (parts.byteCount) out += " bc=" + std::to_string(*parts.byteCount);
    std::span<const std::uint8_t> data = parts.data;
    if (!isRequestFrame(frame) && data.size() >= 2) {
        out += " status=";
        appendHex(out, data.first(2));
        data = data.subspan(2);
    }
    if (!data.empty()) {
        out += " data=";
        appendHex(out, data);
    }
    if (frame.notKept != 0) out += " (" + std::to_string(frame.notKept) + " more bytes not kept)";
    const std::string error = frameError(frame);
    if (!error.empty()) out += " error=" + error;
    return out;
}

// ---------------------------------------------------------------------------
// Capture

namespace capture {

namespace {

constexpr std::uint32_t kMagicMicroseconds = 0xA1B2C3D4;
constexpr std::uint32_t kLinkTypeRawIp = 101;

void putLe16(std::uint8_t* at, std::uint16_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

void putLe32(std::uint8_t* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t le32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
           std::uint32_t{at[3]} << 24;
}

}  // namespace

std::array<std::uint8_t, kFileHeaderSize> fileHeader() {
    std::array<std::uint8_t, kFileHeaderSize> header{};
    putLe32(&header[0], kMagicMicroseconds);
    putLe16(&header[4], 2);  // format version 2.4
    putLe16(&header[6], 4);
    // Time zone and accuracy (8..15) stay 0.
    putLe32(&header[16], kSnapLength);
    putLe32(&header[20], kLinkTypeRawIp);
    return header;
}

std::optional<std::uint32_t> recordLength(std::span<const std::uint8_t, kRecordHeaderSize> header) {
    const std::uint32_t captured = le32(&header[8]);
    const std::uint32_t original = le32(&header[12]);
    // Never an empty packet; only a message too long to keep is cut short.
    if (captured == 0 || captured > kSnapLength || captured > original) return std::nullopt;
    if (le32(&header[4]) >= 1'000'000) return std::nullopt;  // microseconds
    return captured;
}

}  // namespace capture

namespace {

constexpr std::uint8_t kMasterHost = 1;  // 127.0.0.1
constexpr std::uint8_t kDeviceHost = 2;  // 127.0.0.2
constexpr std::uint16_t kHartIpPort = 5094;
constexpr std::uint16_t kSyslogPort = 514;

// HART-IP message header fields.
constexpr std::uint8_t kHartIpVersion = 1;
constexpr std::uint8_t kTypeRequest = 0;
constexpr std::uint8_t kTypeResponse = 1;
constexpr std::uint8_t kTypePublish = 2;
constexpr std::uint8_t kIdTokenPassing = 3;
constexpr std::size_t kHartIpHeaderSize = 8;

constexpr std::size_t kIpHeaderSize = 20;
constexpr std::size_t kUdpHeaderSize = 8;

void putBe16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v & 0xFF);
}

void putLe32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint16_t ipChecksum(std::string_view header) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < header.size(); i += 2) {
        sum += static_cast<std::uint32_t>(static_cast<std::uint8_t>(header[i]) << 8 |
                                          static_cast<std::uint8_t>(header[i + 1]));
    }
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::uint8_t messageType(const TracedFrame& frame) {
    if (isRequestFrame(frame)) return kTypeRequest;
    return (frame.bytes[0] & 0x1F) == 1 ? kTypePublish : kTypeResponse;
}

}  // namespace

void CaptureEncoder::frame(std::string& out, const TracedFrame& frame) {
    const bool sent = frame.direction == TraceDirection::Sent;
    std::string message;
    if (frame.isHartIp()) {
        // The packet as it went over the network.
        message.append(reinterpret_cast<const char*>(frame.hartIpHeader.data()), frame.hartIpHeaderLength);
    } else {
        if (sent) ++sequence_;
        const std::size_t pduLength = frame.preambles + std::size_t{frame.length};
        message += static_cast<char>(kHartIpVersion);
        message += static_cast<char>(messageType(frame));
        message += static_cast<char>(kIdTokenPassing);
        message += '\0';  // status
        putBe16(message, sequence_);
        putBe16(message, static_cast<std::uint16_t>(kHartIpHeaderSize + pduLength));
        message.append(frame.preambles, static_cast<char>(kPreamble));
    }
    message.append(reinterpret_cast<const char*>(frame.bytes.data()), frame.length);
    packet(out, frame.time, sent ? kMasterHost : kDeviceHost, sent ? kDeviceHost : kMasterHost, kHartIpPort,
           message, frame.notKept);

    const std::string error = frameError(frame);
    if (!error.empty()) {
        note(out, frame.time, NoteLevel::Warning,
             std::string(sent ? "TX" : "RX") + " frame broken: " + error);
    }
}

void CaptureEncoder::note(std::string& out, TraceClock::time_point time, NoteLevel level,
                          std::string_view text) {
    // Facility user (1); severity notice (5) or warning (4).
    const std::string message =
        std::string(level == NoteLevel::Warning ? "<12>" : "<13>") + "libmirell: " + std::string(text);
    packet(out, time, kMasterHost, kMasterHost, kSyslogPort, message);
}

void CaptureEncoder::packet(std::string& out, TraceClock::time_point time, std::uint8_t source,
                            std::uint8_t destination, std::uint16_t port, std::string_view payload,
                            std::size_t notCaptured) {
    // A packet whose end was not kept is recorded cut short, as a capture
    // with a snap length records it: its headers still give its whole length.
    const std::size_t captured = kIpHeaderSize + kUdpHeaderSize + payload.size();
    const std::size_t length = captured + notCaptured;
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
    putLe32(out, static_cast<std::uint32_t>(micros / 1'000'000));
    putLe32(out, static_cast<std::uint32_t>(micros % 1'000'000));
    putLe32(out, static_cast<std::uint32_t>(captured));
    putLe32(out, static_cast<std::uint32_t>(length));

    std::string ip;
    ip += '\x45';  // version 4, 20-byte header
    ip += '\0';
    putBe16(ip, static_cast<std::uint16_t>(length));
    putBe16(ip, ++packetId_);
    putBe16(ip, 0x4000);  // don't fragment
    ip += '\x40';         // time to live 64
    ip += '\x11';         // UDP
    putBe16(ip, 0);       // header checksum, filled in below
    for (std::uint8_t host : {source, destination}) {
        ip += '\x7F';
        ip += '\0';
        ip += '\0';
        ip += static_cast<char>(host);
    }
    const std::uint16_t check = ipChecksum(ip);
    ip[10] = static_cast<char>(check >> 8);
    ip[11] = static_cast<char>(check & 0xFF);
    out += ip;

    putBe16(out, port);
    putBe16(out, port);
    putBe16(out, static_cast<std::uint16_t>(kUdpHeaderSize + payload.size() + notCaptured));
    putBe16(out, 0);  // no UDP checksum
    out += payload;
}

}  // namespace mirell
