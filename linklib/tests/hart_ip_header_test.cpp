#include "hart_ip_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace mirell::hartip {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HartIpHeader, EncodesEveryFieldBigEndianAndRoundTrips) {
    const Header header{kVersion, MessageType::Response, MessageId::TokenPassing, kStatusDeviceBusy, 0x1234,
                        0x0010};
    const auto bytes = encodeHeader(header);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), (Bytes{0x01, 0x01, 0x03, 0x20, 0x12, 0x34, 0x00, 0x10}));
    const auto decoded = decodeHeader(bytes);
    ASSERT_TRUE(decoded.header);
    EXPECT_EQ(*decoded.header, header);
}

TEST(HartIpHeader, MessageByteCountCoversHeaderAndBody) {
    const Bytes body{0x01, 0x00, 0x00, 0x75, 0x30};
    const auto message = encodeMessage({kVersion, MessageType::Request, MessageId::SessionInitiate}, body);
    ASSERT_TRUE(message);
    ASSERT_EQ(message->size(), 13u);
    EXPECT_EQ((*message)[7], 13);
    const auto decoded = decodeMessage(*message);
    ASSERT_TRUE(decoded.message);
    EXPECT_EQ(Bytes(decoded.message->body.begin(), decoded.message->body.end()), body);
    EXPECT_EQ(decoded.message->header.id, MessageId::SessionInitiate);
}

TEST(HartIpHeader, ReservedTypeBitsAreIgnored) {
    const Bytes keepAlive{0x01, 0xF0, 0x02, 0x00, 0x00, 0x07, 0x00, 0x08};
    const auto decoded = decodeMessage(keepAlive);
    ASSERT_TRUE(decoded.message);
    EXPECT_EQ(decoded.message->header.type, MessageType::Request);
    EXPECT_EQ(decoded.message->header.sequence, 7);
}

TEST(HartIpHeader, MalformedDatagramsAreRejectedWithTheirReason) {
    struct Case {
        const char* name;
        Bytes bytes;
        DecodeError error;
    };
    const Case cases[] = {
        {"empty", {}, DecodeError::TooShort},
        {"seven bytes", {0x01, 0x00, 0x03, 0x00, 0x00, 0x01, 0x00}, DecodeError::TooShort},
        {"version 3", {0x03, 0x00, 0x03, 0x00, 0x00, 0x01, 0x00, 0x08}, DecodeError::WrongVersion},
        {"version 0", {0x00, 0x00, 0x03, 0x00, 0x00, 0x01, 0x00, 0x08}, DecodeError::WrongVersion},
        {"type 7", {0x01, 0x07, 0x03, 0x00, 0x00, 0x01, 0x00, 0x08}, DecodeError::UnknownType},
        {"message id 9", {0x01, 0x00, 0x09, 0x00, 0x00, 0x01, 0x00, 0x08}, DecodeError::UnknownType},
        {"byte count 7", {0x01, 0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x07}, DecodeError::ByteCountTooSmall},
        {"byte count 0", {0x01, 0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00}, DecodeError::ByteCountTooSmall},
        {"body missing",
         {0x01, 0x00, 0x03, 0x00, 0x00, 0x01, 0x00, 0x0A, 0x02},
         DecodeError::ByteCountMismatch},
        {"bytes past the count",
         {0x01, 0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x08, 0xFF},
         DecodeError::ByteCountMismatch},
        {"count far past the datagram",
         {0x01, 0x01, 0x03, 0x00, 0x00, 0x01, 0xFF, 0xFF},
         DecodeError::ByteCountMismatch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto decoded = decodeMessage(c.bytes);
        EXPECT_FALSE(decoded.message);
        EXPECT_EQ(decoded.error, c.error);
    }
}

// A stream is delimited by byte counts alone: a message of a kind this
// master does not know is stepped over, not taken as a broken stream.
TEST(HartIpHeader, StreamedMessagesAreDelimitedByTheirByteCount) {
    EXPECT_EQ(streamedLength(Bytes{0x01, 0x01, 0x03, 0x00, 0x00, 0x02, 0x00, 0x20, 0x06}), 0x20u);
    EXPECT_EQ(streamedLength(Bytes{0x01, 0x00, 0x80, 0x00, 0x00, 0x02, 0x00, 0x0A}), 0x0Au);
    EXPECT_EQ(streamedLength(Bytes{0x02, 0x00, 0x03, 0x00, 0x00, 0x02, 0x00, 0x0A}), 0x0Au);
    // A TLS record where a message should be: no version of HART-IP.
    EXPECT_FALSE(streamedLength(Bytes{0x16, 0x03, 0x01, 0x00, 0x00, 0x02, 0x00, 0x0A}));
    EXPECT_FALSE(streamedLength(Bytes{0x01, 0x00, 0x03, 0x00, 0x00, 0x02, 0x00, 0x07}));
    EXPECT_FALSE(streamedLength(Bytes{0x01, 0x00, 0x03}));
}

}  // namespace
}  // namespace mirell::hartip
