// The typed accessors of the data field: byte order, bounds, packed ASCII.
#include "field_buffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace mirell {
namespace {

using S = FieldStatus;

struct IntegerCase {
    int offset;
    int length;
    S status;
};

void PrintTo(const IntegerCase& c, std::ostream* os) { *os << c.offset << "," << c.length; }

class IntegerBounds : public ::testing::TestWithParam<IntegerCase> {};

// Both directions obey the same rule: offset + length up to 50, length 1..4.
TEST_P(IntegerBounds, GetAndSetAgreeAndARefusedSetWritesNothing) {
    const auto c = GetParam();
    FieldBuffer field;
    field.bytes.fill(0x5A);
    const DataField before = field.bytes;
    unsigned value = 0xDEAD;
    EXPECT_EQ(field.getInteger(c.offset, c.length, value), c.status);
    EXPECT_EQ(field.setInteger(c.offset, c.length, 0x01020304u), c.status);
    if (c.status != S::Ok) {
        EXPECT_EQ(value, 0xDEADu) << "a refused read leaves the output alone";
        EXPECT_EQ(field.bytes, before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Field, IntegerBounds,
    ::testing::Values(IntegerCase{0, 1, S::Ok}, IntegerCase{46, 4, S::Ok}, IntegerCase{48, 2, S::Ok},
                      IntegerCase{49, 1, S::Ok}, IntegerCase{47, 4, S::OutOfRange},
                      IntegerCase{49, 2, S::OutOfRange}, IntegerCase{50, 1, S::OutOfRange},
                      IntegerCase{-1, 2, S::OutOfRange}, IntegerCase{2, -1, S::OutOfRange},
                      IntegerCase{INT_MAX, 2, S::OutOfRange}, IntegerCase{0, 5, S::UnsupportedLength},
                      IntegerCase{0, 0, S::UnsupportedLength}));

TEST(FieldBuffer, IntegersAreBigEndianAndKeepOnlyTheirLowBytes) {
    FieldBuffer field;
    ASSERT_EQ(field.setInteger(48, 2, 0xAB1234u), S::Ok);
    EXPECT_EQ(field.bytes[48], 0x12);
    EXPECT_EQ(field.bytes[49], 0x34);
    ASSERT_EQ(field.setInteger(0, 4, 0x80000001u), S::Ok);
    unsigned v = 0;
    field.getInteger(0, 4, v);
    EXPECT_EQ(v, 0x80000001u) << "a 4-byte value comes back as the whole 32-bit pattern";
    field.getInteger(1, 3, v);
    EXPECT_EQ(v, 0x000001u);
}

TEST(FieldBuffer, FloatsAreBigEndianSingles) {
    FieldBuffer field;
    ASSERT_EQ(field.setFloat(46, 1.0f), S::Ok);
    EXPECT_EQ(field.bytes[46], 0x3F);
    EXPECT_EQ(field.bytes[47], 0x80);
    EXPECT_EQ(field.bytes[48], 0x00);
    EXPECT_EQ(field.bytes[49], 0x00);
    float f = 0;
    ASSERT_EQ(field.getFloat(46, f), S::Ok);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(field.setFloat(47, 2.0f), S::OutOfRange);
    EXPECT_EQ(field.getFloat(47, f), S::OutOfRange);
    EXPECT_EQ(f, 1.0f);
}

TEST(FieldBuffer, ShortTextIsUpperCasedPaddedAndPackedIntoWholeGroups) {
    FieldBuffer field;
    field.bytes.fill(0xEE);
    ASSERT_EQ(field.setString(0, 6, "abcd"), S::Ok);
    // "ABCD" and "    " in 6-bit codes: 01 02 03 04 | 20 20 20 20.
    const std::uint8_t packed[] = {0x04, 0x20, 0xC4, 0x82, 0x08, 0x20};
    EXPECT_EQ(0, std::memcmp(field.bytes.data(), packed, sizeof packed));
    EXPECT_EQ(field.bytes[6], 0xEE);

    char text[64];
    std::memset(text, '#', sizeof text);
    ASSERT_EQ(field.getString(0, 6, text), S::Ok);
    EXPECT_STREQ(text, "ABCD    ") << "exactly four characters a group, not trimmed";
}

TEST(FieldBuffer, TextRoundTripsEverySixBitCharacter) {
    FieldBuffer field;
    const std::string all = "@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_ !\"#$%&'()*+,-./0123456789:;<=>?";
    ASSERT_EQ(all.size(), 64u);
    // 48 characters fill the 12 groups of one text; the rest go in a second.
    ASSERT_EQ(field.setString(0, 36, all.substr(0, 48).c_str()), S::Ok);
    ASSERT_EQ(field.setString(36, 12, all.substr(48).c_str()), S::Ok);
    char text[64];
    ASSERT_EQ(field.getString(0, 36, text), S::Ok);
    EXPECT_EQ(std::string(text), all.substr(0, 48));
    ASSERT_EQ(field.getString(36, 12, text), S::Ok);
    EXPECT_EQ(std::string(text), all.substr(48));
}

TEST(FieldBuffer, TextRulesForNullsPartialGroupsAndExtraCharacters) {
    FieldBuffer field;
    field.bytes.fill(0xEE);
    char text[64];
    ASSERT_EQ(field.setString(10, 3, nullptr), S::Ok);
    field.getString(10, 3, text);
    EXPECT_STREQ(text, "    ");

    // Four bytes asked for: two whole groups are written.
    ASSERT_EQ(field.setString(0, 4, "tag-one-too-long"), S::Ok);
    EXPECT_EQ(field.bytes[6], 0xEE);
    field.getString(0, 4, text);
    EXPECT_STREQ(text, "TAG-ONE-") << "characters past the groups are not stored";

    ASSERT_EQ(field.getString(0, 0, text), S::Ok);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(field.getString(0, 6, nullptr), S::Ok) << "no buffer, nothing happens";
}

struct TextBoundsCase {
    int offset;
    int byteLength;
    S status;
};

void PrintTo(const TextBoundsCase& c, std::ostream* os) { *os << c.offset << "," << c.byteLength; }

class TextBounds : public ::testing::TestWithParam<TextBoundsCase> {};

// A text that would not fit the field, or would overrun the 48 characters of
// a text, is refused whole: neither the field nor the caller's text changes.
TEST_P(TextBounds, RefusedTextsTouchNothing) {
    const auto c = GetParam();
    FieldBuffer field;
    field.bytes.fill(0x11);
    const DataField before = field.bytes;
    char text[80];
    std::memset(text, '#', sizeof text);
    text[79] = '\0';
    EXPECT_EQ(field.getString(c.offset, c.byteLength, text), c.status);
    EXPECT_EQ(field.setString(c.offset, c.byteLength, "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZ"),
              c.status);
    if (c.status != S::Ok) {
        EXPECT_EQ(field.bytes, before);
        EXPECT_EQ(text[0], '#');
    } else {
        EXPECT_EQ(std::strlen(text), static_cast<std::size_t>(4 * ((c.byteLength + 2) / 3)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Field, TextBounds,
    ::testing::Values(TextBoundsCase{0, 36, S::Ok}, TextBoundsCase{14, 36, S::Ok},
                      TextBoundsCase{44, 6, S::Ok}, TextBoundsCase{0, 37, S::OutOfRange},  // 13 groups
                      TextBoundsCase{0, 50, S::OutOfRange}, TextBoundsCase{45, 6, S::OutOfRange},
                      TextBoundsCase{48, 2, S::OutOfRange},  // the group reaches past 50
                      TextBoundsCase{-3, 6, S::OutOfRange}, TextBoundsCase{0, -1, S::OutOfRange},
                      TextBoundsCase{0, INT_MAX, S::OutOfRange}));

TEST(FieldBuffer, UnitNames) {
    FieldBuffer field;
    char text[40];
    struct {
        std::uint8_t code;
        const char* name;
    } const cases[] = {{32, "degC"},
                       {1, "InH20"},
                       {57, "%"},
                       {123, "standard_cubic_feet_per_minute"},
                       {239, "mm_H2O_4_degC"},
                       {0, "???"},
                       {156, "???"},
                       {200, "???"},
                       {255, "???"}};
    for (const auto& c : cases) {
        field.bytes[49] = c.code;
        ASSERT_EQ(field.getUnitString(49, text), S::Ok);
        EXPECT_STREQ(text, c.name) << int{c.code};
    }
    std::strcpy(text, "kept");
    EXPECT_EQ(field.getUnitString(50, text), S::OutOfRange);
    EXPECT_STREQ(text, "kept");
}

}  // namespace
}  // namespace mirell
