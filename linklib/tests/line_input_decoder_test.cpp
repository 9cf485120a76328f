// Undoing the kernel's parity marks, with every mark split across reads at
// every possible place.
#include "line_input_decoder.h"

#include <gtest/gtest.h>

#include "link_types.h"

namespace mirell {
namespace {

using Raw = std::vector<std::uint8_t>;
using Decoded = std::vector<RxByte>;
constexpr std::uint8_t kMarked = kLineParity | kLineFraming;

Decoded decodeInPieces(const Raw& raw, std::size_t split) {
    LineInputDecoder decoder;
    Decoded out, piece;
    decoder.decode(std::span(raw.data(), split), piece);
    out.insert(out.end(), piece.begin(), piece.end());
    piece.clear();
    decoder.decode(std::span(raw.data() + split, raw.size() - split), piece);
    out.insert(out.end(), piece.begin(), piece.end());
    return out;
}

Decoded decodeByteByByte(const Raw& raw) {
    LineInputDecoder decoder;
    Decoded out;
    for (auto b : raw) decoder.decode(std::span(&b, 1), out);
    return out;
}

struct MarkCase {
    const char* name;
    Raw raw;
    Decoded decoded;
};

void PrintTo(const MarkCase& c, std::ostream* os) { *os << c.name; }

class ParityMarks : public ::testing::TestWithParam<MarkCase> {};

TEST_P(ParityMarks, SameResultHoweverTheInputIsSplit) {
    const auto& c = GetParam();
    for (std::size_t split = 0; split <= c.raw.size(); ++split) {
        EXPECT_EQ(decodeInPieces(c.raw, split), c.decoded) << "split at " << split;
    }
    EXPECT_EQ(decodeByteByByte(c.raw), c.decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, ParityMarks,
    ::testing::Values(
        MarkCase{"plain", {0x02, 0x80, 0x00}, {{0x02, 0}, {0x80, 0}, {0x00, 0}}},
        // Preambles: every 0xFF arrives doubled.
        MarkCase{"preambles", {0xFF, 0xFF, 0xFF, 0xFF, 0x86}, {{0xFF, 0}, {0xFF, 0}, {0x86, 0}}},
        MarkCase{"parity error", {0x41, 0xFF, 0x00, 0x42, 0x43}, {{0x41, 0}, {0x42, kMarked}, {0x43, 0}}},
        MarkCase{"parity error on 0xFF", {0xFF, 0x00, 0xFF, 0xFF, 0xFF}, {{0xFF, kMarked}, {0xFF, 0}}},
        MarkCase{"break", {0xFF, 0x00, 0x00, 0x01}, {{0x00, kLineFraming}, {0x01, 0}}},
        MarkCase{"data zero after a data 0xFF", {0xFF, 0xFF, 0x00}, {{0xFF, 0}, {0x00, 0}}},
        MarkCase{"unknown escape kept as data", {0xFF, 0x05}, {{0xFF, 0}, {0x05, 0}}}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (auto& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(LineInputDecoder, OverrunFlagsOnlyTheNextByte) {
    LineInputDecoder decoder;
    Decoded out;
    decoder.noteOverrun();
    const Raw raw = {0xFF, 0xFF, 0x01};
    decoder.decode(raw, out);
    EXPECT_EQ(out, (Decoded{{0xFF, kLineOverrun}, {0x01, 0}}));
}

TEST(LineInputDecoder, ResetDropsAHalfReadMark) {
    LineInputDecoder decoder;
    Decoded out;
    const Raw first = {0x10, 0xFF, 0x00};
    decoder.decode(first, out);
    decoder.reset();
    const Raw second = {0x20};
    decoder.decode(second, out);
    EXPECT_EQ(out, (Decoded{{0x10, 0}, {0x20, 0}}));
}

}  // namespace
}  // namespace mirell
