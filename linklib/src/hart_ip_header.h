// The HART-IP message header as pure logic: eight bytes ahead of every message
// (version, message type, message ID, status, sequence number and the byte
// count of the whole message), encoded and checked without any I/O.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mirell::hartip {

inline constexpr std::uint8_t kVersion = 1;
// A secure session: its initiate goes in the clear with this version, and
// every later message inside TLS or DTLS.
inline constexpr std::uint8_t kSecureVersion = 2;
inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::uint16_t kDefaultPort = 5094;

enum class MessageType : std::uint8_t {
    Request = 0,
    Response = 1,
    Publish = 2,  // a notification the device sends unasked (burst messages)
    Error = 3,
    Nak = 15,
};

enum class MessageId : std::uint8_t {
    SessionInitiate = 0,
    SessionClose = 1,
    KeepAlive = 2,
    TokenPassing = 3,  // the body is one HART frame, without preambles
};

// Status byte of a response.
enum Status : std::uint8_t {
    kStatusSuccess = 0,
    kStatusInvalidSelection = 2,
    kStatusTooFewBytes = 5,
    kStatusTimerAdjusted = 8,           // a warning: the device chose another inactivity time
    kStatusSecurityNotInitialized = 9,  // a secured server with no key provisioned
    kStatusVersionNotSupported = 14,
    kStatusNoSession = 15,  // no session is open, or none is free
    kStatusDeviceBusy = 32,
};

// Body of a session initiate request and its response.
inline constexpr std::size_t kSessionBodySize = 5;  // master type, inactivity time in ms
inline constexpr std::uint8_t kPrimaryMaster = 1;
inline constexpr std::uint8_t kSecondaryMaster = 0;

struct Header {
    std::uint8_t version = kVersion;
    MessageType type = MessageType::Request;
    MessageId id = MessageId::TokenPassing;
    std::uint8_t status = kStatusSuccess;
    std::uint16_t sequence = 0;
    std::uint16_t byteCount = kHeaderSize;  // header and body

    friend bool operator==(const Header&, const Header&) = default;
};

enum class DecodeError {
    TooShort,           // fewer bytes than a header
    WrongVersion,       // neither version 1 nor 2
    UnknownType,        // a message type or ID this master and device do not use
    ByteCountTooSmall,  // less than the header itself
    ByteCountMismatch,  // the datagram is longer or shorter than its byte count
};

std::array<std::uint8_t, kHeaderSize> encodeHeader(const Header& header);

// A whole message: the header with its byte count set for `body`, then the
// body. Nothing when the body would not fit the 16-bit byte count.
std::optional<std::vector<std::uint8_t>> encodeMessage(Header header, std::span<const std::uint8_t> body);

struct Decoded {
    Header header;
    std::span<const std::uint8_t> body;
};

// The header at the start of `bytes` (a stream's next message may follow it).
struct HeaderResult {
    std::optional<Header> header;
    DecodeError error = DecodeError::TooShort;
};
HeaderResult decodeHeader(std::span<const std::uint8_t> bytes);

// One whole message, as a datagram carries it: `bytes` must be exactly as
// long as its byte count.
struct MessageResult {
    std::optional<Decoded> message;
    DecodeError error = DecodeError::TooShort;
};
MessageResult decodeMessage(std::span<const std::uint8_t> bytes);

// How many bytes the message starting with `header` (at least 8 bytes)
// takes on a stream, whatever its type: nothing when the stream cannot be
// delimited there (another version, or a byte count below the header's).
std::optional<std::size_t> streamedLength(std::span<const std::uint8_t> header);

const char* decodeErrorText(DecodeError error);

}  // namespace mirell::hartip
