#include "frame_codec.h"

#include <gtest/gtest.h>

#include <vector>

#include "frame_builder.h"

namespace mirell {
namespace {

using testing::Bytes;
using testing::frameBytes;
using testing::FrameSpec;

Bytes wire(const TxFrame& f) { return Bytes(f.bytes.begin(), f.bytes.begin() + f.length); }

// Feeds bytes and collects the events they raise.
std::vector<LinkEvent> feedAll(FrameParser& p, const Bytes& bytes, std::uint8_t flags = 0) {
    std::vector<LinkEvent> events;
    for (auto b : bytes) {
        if (auto e = p.feed(b, flags)) events.push_back(*e);
    }
    return events;
}

// --- assembling ---------------------------------------------------------------

TEST(AssembleRequest, ShortFrameToPollingAddress3MatchesTheWireBytes) {
    Request r;
    r.kind = FrameKind::Short;
    r.pollingAddress = 3;
    r.command = 1;
    auto f = assembleRequest(r, /*primaryMaster=*/true);
    ASSERT_TRUE(f);
    EXPECT_EQ(wire(*f), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x83, 0x01, 0x00, 0x80}));
}

TEST(AssembleRequest, LongFrameMasksManufacturerAndSetsOnlyTheMasterBit) {
    Request r;
    r.kind = FrameKind::Long;
    r.longAddress = {0xFE, 0x61, 0x0A, 0x0B, 0x0C};  // bits 7 and 6 set in the stored byte
    r.command = 179;
    r.byteCount = 2;
    r.data[0] = 0x12;
    r.data[1] = 0x34;
    r.data[2] = 0x99;  // beyond the byte count: never sent
    r.preambles = 3;

    auto primary = assembleRequest(r, true);
    ASSERT_TRUE(primary);
    const Bytes body = {0x82, 0xBE, 0x61, 0x0A, 0x0B, 0x0C, 179, 2, 0x12, 0x34};
    std::uint8_t check = 0;
    for (auto b : body) check ^= b;
    Bytes expected = {0xFF, 0xFF, 0xFF};
    expected.insert(expected.end(), body.begin(), body.end());
    expected.push_back(check);
    EXPECT_EQ(wire(*primary), expected);

    auto secondary = assembleRequest(r, false);
    ASSERT_TRUE(secondary);
    EXPECT_EQ(secondary->bytes[4], 0x3E);  // neither master nor burst bit
}

TEST(AssembleRequest, ShortFrameSendsOnlyTheLowFourBitsOfThePollingAddress) {
    Request r;
    r.kind = FrameKind::Short;
    r.pollingAddress = 0x1F;
    auto f = assembleRequest(r, false);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->bytes[6], 0x0F);
}

TEST(AssembleRequest, RefusesARequestThatWouldOverflowTheTransmitBuffer) {
    struct Case {
        FrameKind kind;
        int preambles;
        int byteCount;
        bool fits;
    };
    const Case cases[] = {
        {FrameKind::Long, 5, 37, true},   // 5 + 8 + 37 = 50
        {FrameKind::Long, 5, 38, false},  // 51
        {FrameKind::Short, 5, 41, true},  // 5 + 4 + 41 = 50
        {FrameKind::Short, 5, 42, false}, {FrameKind::Long, 20, 22, true},
        {FrameKind::Long, 20, 23, false}, {FrameKind::Long, 5, 200, false},  // beyond the data field itself
    };
    for (const auto& c : cases) {
        Request r;
        r.kind = c.kind;
        r.preambles = c.preambles;
        r.byteCount = static_cast<std::uint8_t>(c.byteCount);
        auto f = assembleRequest(r, true);
        EXPECT_EQ(f.has_value(), c.fits) << "preambles " << c.preambles << " count " << c.byteCount;
        if (f) {
            EXPECT_EQ(f->length, requestFrameLength(r) + 1);
            EXPECT_LE(f->length, TxFrame::kFrameBytes + 1);
        }
    }
}

// --- parsing --------------------------------------------------------------------

TEST(FrameParser, ParsesAReplyAndKeepsItsFields) {
    FrameParser p(true);
    auto bytes = testing::ackFrame(true, {0x00, 0x40, 0x3F, 0x80, 0x00, 0x00});
    auto events = feedAll(p, bytes);
    ASSERT_EQ(events, (std::vector{LinkEvent::PreambleSeen, LinkEvent::AckOurs}));
    const auto& f = p.frame();
    EXPECT_EQ(f.errorWord, 0u);
    EXPECT_EQ(f.type, FrameType::Ack);
    EXPECT_TRUE(f.longAddress);
    EXPECT_EQ(f.longAddressBytes(), (LongAddress{0xBE, 0x61, 0x01, 0x02, 0x03}));
    EXPECT_EQ(f.byteCount, 6);
    EXPECT_EQ(f.data[2], 0x3F);
    EXPECT_EQ(p.statusWord(), 0x0040);
    EXPECT_EQ(p.phase(), RxPhase::Hunting);
}

TEST(FrameParser, CountsPreamblesBeforeTheDelimiter) {
    struct Case {
        int preambles;  // 0xFF bytes on the wire
        std::vector<LinkEvent> events;
    };
    const Case cases[] = {
        {2, {LinkEvent::PreambleSeen, LinkEvent::Garbage}},  // only one counted
        {3, {LinkEvent::PreambleSeen, LinkEvent::AckOurs}},
        {60, {LinkEvent::PreambleSeen, LinkEvent::AckOurs}},  // 59 counted
        {61, {LinkEvent::PreambleSeen, LinkEvent::Garbage}},  // 60 counted: too many
    };
    for (const auto& c : cases) {
        FrameParser p(true);
        FrameSpec s;
        s.preambles = c.preambles;
        s.address = {0xBE, 0x61, 1, 2, 3};
        EXPECT_EQ(feedAll(p, frameBytes(s)), c.events) << c.preambles << " preambles";
    }
}

TEST(FrameParser, RaisesTooManyPreamblesFromThe61stCountedOn) {
    FrameParser p(true);
    std::vector<LinkEvent> events = feedAll(p, Bytes(62, 0xFF));  // 61 counted
    EXPECT_EQ(events, (std::vector{LinkEvent::PreambleSeen, LinkEvent::TooManyPreambles}));
    EXPECT_EQ(p.feed(0xFF, 0), LinkEvent::TooManyPreambles);
    EXPECT_EQ(p.phase(), RxPhase::Preamble);
}

TEST(FrameParser, AcceptsOnlyDelimitersWithFrameType1_2Or6) {
    struct Case {
        std::uint8_t delimiter;
        bool accepted;
    };
    const Case cases[] = {{0x86, true}, {0x06, true},  {0x81, true},  {0x82, true},
                          {0x02, true}, {0x07, false}, {0x00, false}, {0x85, false}};
    for (const auto& c : cases) {
        FrameParser p(true);
        feedAll(p, Bytes(4, 0xFF));
        auto e = p.feed(c.delimiter, 0);
        if (c.accepted) {
            EXPECT_FALSE(e) << std::hex << int(c.delimiter);
            EXPECT_EQ(p.phase(), RxPhase::InFrame);
        } else {
            EXPECT_EQ(e, LinkEvent::Garbage) << std::hex << int(c.delimiter);
            EXPECT_EQ(p.phase(), RxPhase::Hunting);
        }
    }
}

TEST(FrameParser, SkipsExpansionBytesBeforeTheCommand) {
    FrameParser p(true);
    FrameSpec s;
    s.delimiter = 0xA6;  // one expansion byte
    s.address = {0xBE, 0x61, 1, 2, 3};
    s.expansion = {0x77};
    s.command = 48;
    auto events = feedAll(p, frameBytes(s));
    EXPECT_EQ(events.back(), LinkEvent::AckOurs);
    EXPECT_EQ(p.frame().command, 48);
    EXPECT_EQ(p.frame().expansionCount, 1);
    EXPECT_EQ(p.frame().errorWord, 0u);
}

TEST(FrameParser, ShortFrameHasOneAddressByte) {
    FrameParser p(false);
    FrameSpec s;
    s.delimiter = 0x06;
    s.address = {0x05};  // secondary master bit (clear), polling address 5
    s.command = 0;
    auto events = feedAll(p, frameBytes(s));
    EXPECT_EQ(events.back(), LinkEvent::AckOurs);
    EXPECT_EQ(p.frame().address[0], 0x05);
    EXPECT_FALSE(p.frame().longAddress);
}

// HART 7 replies go beyond the 30 bytes older devices kept to; a byte
// count is good up to all its byte can say.
TEST(FrameParser, ByteCountsUpTo255AreTakenWhole) {
    for (int count : {30, 31, 34, 71, 255}) {
        SCOPED_TRACE(count);
        FrameParser p(true);
        FrameSpec s;
        s.address = {0xBE, 0x61, 1, 2, 3};
        s.data = Bytes(static_cast<std::size_t>(count), 0);
        for (int i = 0; i < count; ++i) s.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
        s.data[0] = 0;  // response code
        auto events = feedAll(p, frameBytes(s));
        ASSERT_EQ(events.back(), LinkEvent::AckOurs);
        EXPECT_EQ(p.frame().errorWord, 0u);
        EXPECT_EQ(p.frame().byteCount, count);
        EXPECT_EQ(p.frame().data[static_cast<std::size_t>(count - 1)], count);
    }
}

TEST(FrameParser, ZeroByteCountTakesTheNextByteAsChecksum) {
    FrameParser p(true);
    FrameSpec s;
    s.address = {0xBE, 0x61, 1, 2, 3};
    s.data = {};
    auto events = feedAll(p, frameBytes(s));
    EXPECT_EQ(events.back(), LinkEvent::AckOurs);
    EXPECT_EQ(p.frame().errorWord, 0u);
    EXPECT_EQ(p.statusWord(), 0);
}

TEST(FrameParser, ChecksumMismatchIsFlaggedButTheFrameIsStillClassified) {
    FrameParser p(true);
    FrameSpec s;
    s.address = {0xBE, 0x61, 1, 2, 3};
    s.corruptChecksum = true;
    auto events = feedAll(p, frameBytes(s));
    EXPECT_EQ(events.back(), LinkEvent::AckOurs);
    EXPECT_EQ(p.frame().errorWord, std::uint32_t{kErrChecksumMismatch});
}

TEST(FrameParser, LineErrorsAreRecordedPerField) {
    FrameSpec s;
    s.address = {0xBE, 0x61, 1, 2, 3};
    s.data = {0, 0, 7};
    const Bytes bytes = frameBytes(s);
    // 5 preambles, delimiter at 5, address 6..10, command 11, count 12, data 13..15, check 16
    struct Case {
        std::size_t at;
        std::uint8_t flags;
        std::uint32_t errorBit;
        std::size_t field;
    };
    const Case cases[] = {
        {7, kLineParity, kErrAddress, kFieldAddress},
        {11, kLineFraming, kErrCommand, kFieldCommand},
        {14, kLineOverrun | kLineParity, kErrData, kFieldData},
        {16, kLineParity, kErrChecksumByte, kFieldChecksum},
    };
    for (const auto& c : cases) {
        FrameParser p(true);
        std::optional<LinkEvent> last;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (auto e = p.feed(bytes[i], i == c.at ? c.flags : 0)) last = e;
        }
        EXPECT_EQ(last, LinkEvent::AckOurs) << "error at " << c.at;
        EXPECT_EQ(p.frame().errorWord & c.errorBit, c.errorBit) << "error at " << c.at;
        EXPECT_EQ(p.frame().lineErrors[c.field], c.flags) << "error at " << c.at;
    }
}

TEST(FrameParser, LineErrorOutsideAFrame) {
    // A damaged preamble ends the run as garbage; a damaged byte count breaks the frame.
    FrameParser p(true);
    feedAll(p, Bytes(4, 0xFF));
    EXPECT_EQ(p.feed(0xFF, kLineParity), LinkEvent::Garbage);
    EXPECT_EQ(p.phase(), RxPhase::Hunting);
    EXPECT_EQ(p.feed(0xFF, kLineFraming), std::nullopt) << "hunting ignores damaged bytes";

    FrameSpec s;
    s.address = {0xBE, 0x61, 1, 2, 3};
    const Bytes bytes = frameBytes(s);
    FrameParser q(true);
    std::optional<LinkEvent> last;
    for (std::size_t i = 0; i < 12; ++i) last = q.feed(bytes[i], 0);
    EXPECT_EQ(q.feed(bytes[12], kLineParity), LinkEvent::FrameError);
}

TEST(FrameParser, ClassifiesFramesByTypeBurstBitAndMasterBit) {
    struct Case {
        std::uint8_t delimiter;
        bool masterBit;
        bool burstBit;
        LinkEvent forPrimary;
        LinkEvent forSecondary;
    };
    const Case cases[] = {
        {0x86, true, true, LinkEvent::AckOursBurst, LinkEvent::AckOtherBurst},
        {0x86, false, true, LinkEvent::AckOtherBurst, LinkEvent::AckOursBurst},
        {0x86, true, false, LinkEvent::AckOurs, LinkEvent::AckOther},
        {0x86, false, false, LinkEvent::AckOther, LinkEvent::AckOurs},
        {0x81, true, true, LinkEvent::BackOurs, LinkEvent::BackOther},
        {0x81, false, true, LinkEvent::BackOther, LinkEvent::BackOurs},
        {0x82, true, false, LinkEvent::StxOurs, LinkEvent::StxOther},
        {0x82, false, true, LinkEvent::StxOther, LinkEvent::StxOurs},
    };
    for (const auto& c : cases) {
        FrameSpec s;
        s.delimiter = c.delimiter;
        s.address = {static_cast<std::uint8_t>(0x3E | (c.masterBit ? 0x80 : 0) | (c.burstBit ? 0x40 : 0)),
                     0x61, 1, 2, 3};
        const Bytes bytes = frameBytes(s);
        FrameParser primary(true), secondary(false);
        EXPECT_EQ(feedAll(primary, bytes).back(), c.forPrimary);
        EXPECT_EQ(feedAll(secondary, bytes).back(), c.forSecondary);
    }
}

TEST(FrameParser, GapTimeoutEndsWhatIsInProgress) {
    FrameParser p(true);
    EXPECT_EQ(p.gapTimeout(), std::nullopt);

    feedAll(p, Bytes(3, 0xFF));
    EXPECT_EQ(p.gapTimeout(), LinkEvent::Garbage);
    EXPECT_EQ(p.phase(), RxPhase::Hunting);
    EXPECT_EQ(p.preambleCount(), 0);

    feedAll(p, Bytes{0xFF, 0xFF, 0xFF, 0x86, 0xBE});
    EXPECT_EQ(p.gapTimeout(), LinkEvent::FrameError);
    EXPECT_EQ(p.phase(), RxPhase::Hunting);
}

// A gap at any offset loses the frame in progress with the event of its phase,
// and the parser is ready for the next frame at once.
TEST(FrameParser, GapAtEveryOffsetLosesOnlyTheFrameInProgress) {
    FrameSpec s;
    s.address = {0xBE, 0x61, 1, 2, 3};
    s.data = {0, 0, 1, 2, 3, 4};
    const Bytes bytes = frameBytes(s);
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
        FrameParser p(true);
        for (std::size_t i = 0; i < cut; ++i) p.feed(bytes[i], 0);
        const auto expected = cut <= 5 ? LinkEvent::Garbage : LinkEvent::FrameError;
        EXPECT_EQ(p.gapTimeout(), expected) << "cut at " << cut;
        EXPECT_EQ(feedAll(p, bytes).back(), LinkEvent::AckOurs) << "cut at " << cut;
        EXPECT_EQ(p.frame().data[5], 4) << "cut at " << cut;
    }
}

// Two frames back to back with noise between, split into every pair of chunks:
// byte-at-a-time parsing must not depend on how the transport hands bytes in.
TEST(FrameParser, BackToBackFramesWithNoiseBetween) {
    FrameSpec a;
    a.address = {0xBE, 0x61, 1, 2, 3};
    a.data = {0, 0, 0xAA};
    FrameSpec b = a;
    b.command = 3;
    b.data = {0x20, 0x00};
    Bytes stream = frameBytes(a);
    for (auto x : {0x00, 0x13, 0xFE}) stream.push_back(static_cast<std::uint8_t>(x));
    Bytes second = frameBytes(b);
    stream.insert(stream.end(), second.begin(), second.end());

    FrameParser p(true);
    std::vector<LinkEvent> frames;
    std::vector<std::uint16_t> statuses;
    for (auto byte : stream) {
        if (auto e = p.feed(byte, 0); e && *e == LinkEvent::AckOurs) {
            frames.push_back(*e);
            statuses.push_back(p.statusWord());
        }
    }
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_EQ(statuses, (std::vector<std::uint16_t>{0x0000, 0x2000}));
    EXPECT_EQ(p.frame().command, 3);
}

TEST(FrameParser, AssembledRequestsParseBackAsOurOwnRequests) {
    for (int count = 0; count <= 30; ++count) {
        for (FrameKind kind : {FrameKind::Short, FrameKind::Long}) {
            Request r;
            r.kind = kind;
            r.pollingAddress = 7;
            r.longAddress = {0x3E, 0x61, 9, 8, 7};
            r.command = static_cast<std::uint8_t>(count + 100);
            r.byteCount = static_cast<std::uint8_t>(count);
            for (int i = 0; i < count; ++i)
                r.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
            auto f = assembleRequest(r, true);
            ASSERT_TRUE(f);
            FrameParser p(true);
            auto events = feedAll(p, wire(*f));
            ASSERT_EQ(events.back(), LinkEvent::StxOurs);
            EXPECT_EQ(p.frame().errorWord, 0u);
            EXPECT_EQ(p.frame().command, r.command);
            EXPECT_EQ(p.frame().byteCount, count);
        }
    }
}

}  // namespace
}  // namespace mirell
