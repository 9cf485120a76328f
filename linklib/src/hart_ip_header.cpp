#include "hart_ip_header.h"

#include <limits>

namespace mirell::hartip {

namespace {

bool knownType(std::uint8_t type) {
    switch (static_cast<MessageType>(type)) {
        case MessageType::Request:
        case MessageType::Response:
        case MessageType::Publish:
        case MessageType::Error:
        case MessageType::Nak: return true;
    }
    return false;
}

bool knownId(std::uint8_t id) { return id <= static_cast<std::uint8_t>(MessageId::TokenPassing); }

bool knownVersion(std::uint8_t version) { return version == kVersion || version == kSecureVersion; }

}  // namespace

std::array<std::uint8_t, kHeaderSize> encodeHeader(const Header& header) {
    return {header.version,
            static_cast<std::uint8_t>(header.type),
            static_cast<std::uint8_t>(header.id),
            header.status,
            static_cast<std::uint8_t>(header.sequence >> 8),
            static_cast<std::uint8_t>(header.sequence & 0xFF),
            static_cast<std::uint8_t>(header.byteCount >> 8),
            static_cast<std::uint8_t>(header.byteCount & 0xFF)};
}

std::optional<std::vector<std::uint8_t>> encodeMessage(Header header, std::span<const std::uint8_t> body) {
    if (body.size() > std::numeric_limits<std::uint16_t>::max() - kHeaderSize) return std::nullopt;
    header.byteCount = static_cast<std::uint16_t>(kHeaderSize + body.size());
    const auto head = encodeHeader(header);
    std::vector<std::uint8_t> message(head.begin(), head.end());
    message.insert(message.end(), body.begin(), body.end());
    return message;
}

HeaderResult decodeHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) return {std::nullopt, DecodeError::TooShort};
    if (!knownVersion(bytes[0])) return {std::nullopt, DecodeError::WrongVersion};
    // The upper bits of the type byte are reserved.
    const std::uint8_t type = bytes[1] & 0x0F;
    if (!knownType(type) || !knownId(bytes[2])) return {std::nullopt, DecodeError::UnknownType};
    Header header;
    header.version = bytes[0];
    header.type = static_cast<MessageType>(type);
    header.id = static_cast<MessageId>(bytes[2]);
    header.status = bytes[3];
    header.sequence = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    header.byteCount = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    if (header.byteCount < kHeaderSize) return {std::nullopt, DecodeError::ByteCountTooSmall};
    return {header, DecodeError::TooShort};
}

MessageResult decodeMessage(std::span<const std::uint8_t> bytes) {
    const HeaderResult head = decodeHeader(bytes);
    if (!head.header) return {std::nullopt, head.error};
    if (bytes.size() != head.header->byteCount) return {std::nullopt, DecodeError::ByteCountMismatch};
    return {Decoded{*head.header, bytes.subspan(kHeaderSize)}, DecodeError::TooShort};
}

std::optional<std::size_t> streamedLength(std::span<const std::uint8_t> header) {
    if (header.size() < kHeaderSize || !knownVersion(header[0])) return std::nullopt;
    const std::size_t count = static_cast<std::size_t>(header[6] << 8 | header[7]);
    if (count < kHeaderSize) return std::nullopt;
    return count;
}

const char* decodeErrorText(DecodeError error) {
    switch (error) {
        case DecodeError::TooShort: return "shorter than a HART-IP header";
        case DecodeError::WrongVersion: return "not HART-IP version 1 or 2";
        case DecodeError::UnknownType: return "unknown message type or ID";
        case DecodeError::ByteCountTooSmall: return "byte count smaller than the header";
        case DecodeError::ByteCountMismatch: return "length differs from the byte count";
    }
    return "malformed";
}

}  // namespace mirell::hartip
