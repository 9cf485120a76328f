// A 50-byte field of typed values: big-endian integers of 1 to 4 bytes, IEEE
// 754 singles, HART packed-ASCII texts and unit codes. Every access is checked
// against the field's bounds before it touches a byte; a refused access
// changes neither the field nor the caller's text.
#pragma once

#include <cstdint>

#include "link_types.h"

namespace mirell {

enum class FieldStatus {
    Ok,
    OutOfRange,         // offset and length reach past the field
    UnsupportedLength,  // an integer length other than 1..4
};

class FieldBuffer {
public:
    // The longest text: 12 groups of three bytes, four characters each.
    static constexpr int kMaxTextGroups = 12;
    static constexpr int kMaxTextLength = 4 * kMaxTextGroups;

    // True when `length` bytes from `offset` lie inside the field.
    static bool contains(int offset, int length);

    FieldStatus getInteger(int offset, int length, unsigned& value) const;
    FieldStatus setInteger(int offset, int length, unsigned value);
    FieldStatus getFloat(int offset, float& value) const;
    FieldStatus setFloat(int offset, float value);
    // Writes 4 * ((byteLength + 2) / 3) characters and a terminator.
    FieldStatus getString(int offset, int byteLength, char* text) const;
    // Stores the upper-cased text, padded with blanks, packed into whole
    // groups of three bytes. A null text stores blanks.
    FieldStatus setString(int offset, int byteLength, const char* text);
    // Writes the name of the unit code at `offset` (at most 30 characters).
    FieldStatus getUnitString(int offset, char* text) const;

    DataField bytes{};
    // How many bytes from offset 0 hold something to read: a buffer filled
    // from a frame that carried fewer than 50 says so, and reading past them
    // is refused as reading past the field is. Writes may use the whole field.
    int readable = static_cast<int>(kDataFieldSize);

private:
    bool canRead(int offset, int length) const;
};

}  // namespace mirell
