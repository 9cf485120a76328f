#include "field_buffer.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>

#include "link_texts.h"

namespace mirell {

namespace {

// Offsets and lengths are taken as unsigned, so a negative one is far out of
// range; the sum is formed wide enough not to wrap.
std::uint64_t extent(int offset, int length) {
    return std::uint64_t{static_cast<std::uint32_t>(offset)} + static_cast<std::uint32_t>(length);
}

bool supportedLength(int length) { return length >= 1 && length <= 4; }

int textGroups(int byteLength) { return (byteLength + 2) / 3; }

char unpackCharacter(unsigned code) {
    code &= 0x3F;
    return static_cast<char>((code & 0x20) ? code : code + 0x40);
}

}  // namespace

bool FieldBuffer::contains(int offset, int length) { return extent(offset, length) <= kDataFieldSize; }

bool FieldBuffer::canRead(int offset, int length) const {
    return contains(offset, length) && extent(offset, length) <= static_cast<std::uint64_t>(std::max(readable, 0));
}

FieldStatus FieldBuffer::getInteger(int offset, int length, unsigned& value) const {
    if (!canRead(offset, length)) return FieldStatus::OutOfRange;
    if (!supportedLength(length)) return FieldStatus::UnsupportedLength;
    value = 0;
    for (int i = 0; i < length; ++i) value = value << 8 | bytes[static_cast<std::size_t>(offset + i)];
    return FieldStatus::Ok;
}

FieldStatus FieldBuffer::setInteger(int offset, int length, unsigned value) {
    if (!contains(offset, length)) return FieldStatus::OutOfRange;
    if (!supportedLength(length)) return FieldStatus::UnsupportedLength;
    for (int i = length - 1; i >= 0; --i) {
        bytes[static_cast<std::size_t>(offset + i)] = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
    return FieldStatus::Ok;
}

FieldStatus FieldBuffer::getFloat(int offset, float& value) const {
    unsigned pattern = 0;
    const FieldStatus status = getInteger(offset, 4, pattern);
    if (status == FieldStatus::Ok) value = std::bit_cast<float>(static_cast<std::uint32_t>(pattern));
    return status;
}

FieldStatus FieldBuffer::setFloat(int offset, float value) {
    return setInteger(offset, 4, std::bit_cast<std::uint32_t>(value));
}

// A text occupies whole groups of three bytes, however many bytes were asked
// for, and at most twelve groups; all of them must lie inside the field.
FieldStatus FieldBuffer::getString(int offset, int byteLength, char* text) const {
    if (!text) return FieldStatus::Ok;
    if (!canRead(offset, byteLength) || byteLength > 3 * kMaxTextGroups) return FieldStatus::OutOfRange;
    const int groups = textGroups(byteLength);
    if (!canRead(offset, 3 * groups)) return FieldStatus::OutOfRange;
    for (int g = 0; g < groups; ++g) {
        unsigned packed = 0;
        getInteger(offset + 3 * g, 3, packed);
        for (int c = 0; c < 4; ++c) text[4 * g + c] = unpackCharacter(packed >> (18 - 6 * c));
    }
    text[4 * groups] = '\0';
    return FieldStatus::Ok;
}

FieldStatus FieldBuffer::setString(int offset, int byteLength, const char* text) {
    if (!contains(offset, byteLength) || byteLength > 3 * kMaxTextGroups) return FieldStatus::OutOfRange;
    const int groups = textGroups(byteLength);
    if (!contains(offset, 3 * groups)) return FieldStatus::OutOfRange;
    const std::size_t characters = static_cast<std::size_t>(4 * groups);
    char padded[kMaxTextLength];
    std::fill_n(padded, characters, ' ');
    if (!text) text = " ";
    const std::size_t given = strnlen(text, characters);
    for (std::size_t i = 0; i < given; ++i) {
        padded[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    }
    for (int g = 0; g < groups; ++g) {
        unsigned packed = 0;
        for (int c = 0; c < 4; ++c)
            packed = packed << 6 | (static_cast<unsigned char>(padded[4 * g + c]) & 0x3Fu);
        setInteger(offset + 3 * g, 3, packed);
    }
    return FieldStatus::Ok;
}

FieldStatus FieldBuffer::getUnitString(int offset, char* text) const {
    if (!canRead(offset, 1)) return FieldStatus::OutOfRange;
    const std::string_view name = unitName(bytes[static_cast<std::size_t>(offset)]);
    copyText(name, text, name.size());
    return FieldStatus::Ok;
}

}  // namespace mirell
