#include "hart_ip_link.h"

#include <gtest/gtest.h>

#include <vector>

namespace mirell {
namespace {

TEST(HartIpAddress, PortNamesThatOpenASession) {
    struct Case {
        const char* name;
        std::optional<HartIpAddress> expected;
    };
    const Case cases[] = {
        {"hart-ip://127.0.0.1", HartIpAddress{"127.0.0.1", 5094, false}},
        {"hart-ip://127.0.0.1:20004", HartIpAddress{"127.0.0.1", 20004, false}},
        {"hart-ip+tcp://gateway.plant:5094/", HartIpAddress{"gateway.plant", 5094, true}},
        {"hart-ip://[::1]:6000", HartIpAddress{"::1", 6000, false}},
        {"hart-ip+tcp://[::1]", HartIpAddress{"::1", 5094, true}},
        {"hart-ip+tls://gateway.plant", HartIpAddress{"gateway.plant", 5094, true, true}},
        {"hart-ip+dtls://10.0.0.5:20004", HartIpAddress{"10.0.0.5", 20004, false, true}},
        // Serial devices, and addresses that name no port or host.
        {"/dev/ttyUSB0", std::nullopt},
        {"hart-ip:/127.0.0.1", std::nullopt},
        {"hart-ip://", std::nullopt},
        {"hart-ip://127.0.0.1:", std::nullopt},
        {"hart-ip://127.0.0.1:0", std::nullopt},
        {"hart-ip://127.0.0.1:65536", std::nullopt},
        {"hart-ip://127.0.0.1:50x", std::nullopt},
        {"hart-ip://[::1", std::nullopt},
        {"hart-ip://::1", std::nullopt},
        {"hart-ip+udp://127.0.0.1", std::nullopt},
        {"hart-ip+tls:/127.0.0.1", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = parseHartIpAddress(c.name);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value());
        if (!parsed) continue;
        EXPECT_EQ(parsed->host, c.expected->host);
        EXPECT_EQ(parsed->port, c.expected->port);
        EXPECT_EQ(parsed->tcp, c.expected->tcp);
        EXPECT_EQ(parsed->secure, c.expected->secure);
        const auto again = parseHartIpAddress(parsed->text());
        ASSERT_TRUE(again);
        EXPECT_EQ(again->host, parsed->host);
        EXPECT_EQ(again->secure, parsed->secure);
    }
}

// The body of a token-passing response is one whole frame from its
// delimiter on; anything else is a broken reply, never a partial one.
TEST(HartIpPdu, OnlyOneWholeFrameIsDelivered) {
    using Bytes = std::vector<std::uint8_t>;
    const Bytes reply{0x06, 0x80, 0x01, 0x07, 0x00, 0x00, 0x20, 0x41, 0x20, 0x00, 0x00};
    Bytes sound = reply;
    std::uint8_t check = 0;
    for (auto b : reply) check ^= b;
    sound.push_back(check);

    const DeliveredFrame whole = deliveredFromPdu(sound, true, PduRole::Answer);
    EXPECT_TRUE(whole.delivered);
    EXPECT_EQ(whole.brokenReply, 0u);
    EXPECT_EQ(whole.command, 1);
    EXPECT_EQ(whole.dataLength, 5);

    Bytes withPreambles{0xFF, 0xFF};
    withPreambles.insert(withPreambles.end(), sound.begin(), sound.end());
    EXPECT_EQ(deliveredFromPdu(withPreambles, true, PduRole::Answer).command, 1);

    Bytes badCheck = sound;
    badCheck.back() ^= 0x01;
    EXPECT_NE(deliveredFromPdu(badCheck, true, PduRole::Answer).errorWord & kErrChecksumMismatch, 0u);

    Bytes trailing = sound;
    trailing.push_back(0x00);
    const Bytes cases[] = {
        {}, Bytes(sound.begin(), sound.end() - 1), trailing, {0x07, 0x80}, {0x06, 0x80, 0x01, 0xF0}};
    for (const Bytes& broken : cases) {
        const DeliveredFrame record = deliveredFromPdu(broken, true, PduRole::Answer);
        EXPECT_EQ(record.brokenReply, 1u) << broken.size();
        EXPECT_EQ(record.dataLength, 0);
    }
}

// As on the line: the answer is a slave's ACK to this master (burst bit or
// not); a burst message is any slave's frame. Anything else in place of an
// answer is another station's frame, and no burst message at all.
TEST(HartIpPdu, WhatAFrameMayStandForDependsOnItsKind) {
    struct Case {
        const char* what;
        std::uint8_t delimiter;
        std::uint8_t address;  // short frame: master bit, burst bit, polling address
        bool answer;           // taken as the answer (else foreign)
        bool published;        // taken as a burst message
    };
    const Case cases[] = {
        {"ACK to this master", 0x06, 0x80, true, true},
        {"ACK of a bursting slave", 0x06, 0xC0, true, true},
        {"ACK to the other master", 0x06, 0x00, false, true},
        {"burst frame", 0x01, 0xC0, false, true},
        {"request echoed", 0x02, 0x80, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> frame{c.delimiter, c.address, 0x01, 0x03, 0x00, 0x00, 0x07};
        std::uint8_t check = 0;
        for (auto b : frame) check ^= b;
        frame.push_back(check);

        const DeliveredFrame answer = deliveredFromPdu(frame, true, PduRole::Answer);
        EXPECT_EQ(answer.foreignFrame, c.answer ? 0u : 1u);
        EXPECT_EQ((answer.flags & kFlagBrokenOrForeign) != 0, !c.answer);
        const DeliveredFrame burst = deliveredFromPdu(frame, true, PduRole::Published);
        EXPECT_EQ(burst.delivered && burst.foreignFrame == 0 && burst.brokenReply == 0, c.published);
    }
}

}  // namespace
}  // namespace mirell
