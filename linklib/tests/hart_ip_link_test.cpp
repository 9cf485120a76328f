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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = parseHartIpAddress(c.name);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value());
        if (!parsed) continue;
        EXPECT_EQ(parsed->host, c.expected->host);
        EXPECT_EQ(parsed->port, c.expected->port);
        EXPECT_EQ(parsed->tcp, c.expected->tcp);
        EXPECT_EQ(parseHartIpAddress(parsed->text())->host, parsed->host);
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

    const DeliveredFrame whole = deliveredFromPdu(sound, true);
    EXPECT_TRUE(whole.delivered);
    EXPECT_EQ(whole.brokenReply, 0u);
    EXPECT_EQ(whole.command, 1);
    EXPECT_EQ(whole.dataLength, 5);

    Bytes withPreambles{0xFF, 0xFF};
    withPreambles.insert(withPreambles.end(), sound.begin(), sound.end());
    EXPECT_EQ(deliveredFromPdu(withPreambles, true).command, 1);

    Bytes badCheck = sound;
    badCheck.back() ^= 0x01;
    EXPECT_NE(deliveredFromPdu(badCheck, true).errorWord & kErrChecksumMismatch, 0u);

    Bytes trailing = sound;
    trailing.push_back(0x00);
    const Bytes cases[] = {
        {}, Bytes(sound.begin(), sound.end() - 1), trailing, {0x07, 0x80}, {0x06, 0x80, 0x01, 0xF0}};
    for (const Bytes& broken : cases) {
        const DeliveredFrame record = deliveredFromPdu(broken, true);
        EXPECT_EQ(record.brokenReply, 1u) << broken.size();
        EXPECT_EQ(record.dataLength, 0);
    }
}

}  // namespace
}  // namespace mirell
