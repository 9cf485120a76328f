// The slave's framing: what the byte parser accepts and rejects, and that the
// frames the device builds decode, independently, to what was meant.
#include <gtest/gtest.h>

#include "faults.h"
#include "param_names.h"
#include "slave_framing.h"
#include "test_master.h"

namespace velk::sim {
namespace {

using ::velk::sim::PrintTo;  // lets the listing name the cases below

using test_master::Bytes;
using test_master::from_hex;

std::vector<HartFrame> parse_all(const Bytes& bytes) {
  FrameParser parser;
  std::vector<HartFrame> frames;
  for (auto byte : bytes) {
    if (auto frame = parser.feed(byte)) frames.push_back(std::move(*frame));
  }
  return frames;
}

struct ParseCase {
  const char* name;
  std::string bytes;
  std::size_t frames;
  std::uint8_t command = 0;
  std::size_t data_size = 0;
  bool checksum_ok = true;
};

class Parsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parsing, FindsTheFramesInTheStream) {
  const auto& c = GetParam();
  const auto frames = parse_all(from_hex(c.bytes));
  ASSERT_EQ(frames.size(), c.frames);
  if (c.frames == 0) return;
  EXPECT_EQ(frames.back().command, c.command);
  EXPECT_EQ(frames.back().data.size(), c.data_size);
  EXPECT_EQ(frames.back().checksum_ok, c.checksum_ok);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Parsing,
    ::testing::Values(ParseCase{"ShortCommand1", "FF FF FF FF FF 02 83 01 00 80", 1, 1},
                      ParseCase{"TwoPreamblesAreEnough", "FF FF 02 83 01 00 80", 1, 1},
                      ParseCase{"OnePreambleIsNot", "FF 02 83 01 00 80", 0},
                      ParseCase{"UnknownDelimiter", "FF FF FF 07 83 01 00 81", 0},
                      ParseCase{"PhysicalLayerBitsSet", "FF FF FF 0A 83 01 00 88", 0},
                      ParseCase{"LongWithData", "FF FF FF 82 BE 61 00 00 01 B2 01 21 CE", 1, 0xB2, 1},
                      ParseCase{"ExpansionByteSkipped", "FF FF FF A2 BE 61 00 00 01 77 03 00 08", 1, 3, 0},
                      ParseCase{"BadCheckByteFlagged", "FF FF FF 02 83 01 00 81", 1, 1, 0, false},
                      ParseCase{"NoiseBeforeFrame", "00 13 FF 57 FF FF 02 83 01 00 80", 1, 1},
                      ParseCase{"PreambleByteInsideData", "FF FF FF 02 80 99 02 FF FF 19", 1, 0x99, 2},
                      ParseCase{"TwoFramesBackToBack", "FF FF 02 83 01 00 80 FF FF 02 83 02 00 83", 2, 2},
                      ParseCase{"CutShort", "FF FF FF 02 83 01 05 01 02", 0}),
    CaseName{});

TEST(Parsing, ResetDropsAHalfFrameAndTheNextFrameStillParses) {
  FrameParser parser;
  for (auto byte : from_hex("FF FF FF 82 BE 61")) EXPECT_FALSE(parser.feed(byte));
  EXPECT_FALSE(parser.idle());
  parser.reset();
  EXPECT_TRUE(parser.idle());
  std::optional<HartFrame> frame;
  for (auto byte : from_hex("FF FF 02 83 01 00 80")) frame = parser.feed(byte);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->command, 1);
}

TEST(Building, ProducesTheKnownBytesOfAShortRequest) {
  const Bytes address{0x83};
  EXPECT_EQ(build_frame(5, 0x02, address, 1, {}), from_hex("FF FF FF FF FF 02 83 01 00 80"));
}

// Frames the device builds, read back by the test master's own decoder.
TEST(Building, ReplyAndBurstFramesDecodeIndependently) {
  const Bytes address{0xFE, 0x61, 0x12, 0x34, 0x56};  // master bit, burst bit, manufacturer 62
  const Bytes body{0x00, 0x00, 0x41, 0x40, 0x00, 0x00};
  for (auto type : {FrameType::Ack, FrameType::Back}) {
    const auto bytes = build_frame(5, delimiter_for(type, true), address, 3, body);
    const auto frames = test_master::decode(bytes);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].delimiter, type == FrameType::Ack ? 0x86 : 0x81);
    EXPECT_EQ(frames[0].preambles, 5);
    EXPECT_EQ(frames[0].address, address);
    EXPECT_TRUE(frames[0].master_bit());
    EXPECT_TRUE(frames[0].burst_bit());
    EXPECT_EQ(frames[0].command, 3);
    EXPECT_EQ(frames[0].body, body);
    EXPECT_TRUE(frames[0].checksum_ok);
  }
}

TEST(Describing, NamesTypeAddressBitsAndStatus) {
  const auto frames = parse_all(from_hex("FF FF FF FF FF 86 FE 61 00 00 01 03 02 20 00 E3"));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(describe_frame(frames[0]), "ACK long 3E:61:000001 M1 B1 cmd 3 rc 32 st 00 n2 BAD-CHECKSUM");
}

// What each fault does to a reply, seen by an independent decoder.
TEST(DamagedReplies, LookToTheMasterAsTheFaultSays) {
  const Bytes address{0xBE, 0x61, 0x00, 0x00, 0x01};
  const Bytes body{0x00, 0x00, 0x01, 0x02, 0x03, 0x04};
  const auto reply = build_frame(5, 0x86, address, 3, body);
  auto damaged = [&](FaultKind kind) {
    FaultSet faults;
    faults.add(kind);
    return damage_reply(reply, faults);
  };

  const auto bad_check = test_master::decode(damaged(FaultKind::BadChecksum));
  ASSERT_EQ(bad_check.size(), 1u);
  EXPECT_FALSE(bad_check[0].checksum_ok);

  const auto broken = damaged(FaultKind::BrokenFrame);
  EXPECT_TRUE(test_master::decode(broken).empty());
  EXPECT_EQ(broken.size(), reply.size() - 4);  // half the data and the check byte missing

  const auto flooded = test_master::decode(damaged(FaultKind::PreambleFlood));
  ASSERT_EQ(flooded.size(), 1u);
  EXPECT_EQ(flooded[0].preambles, 80);

  const auto noisy = test_master::decode(damaged(FaultKind::Garbage));
  ASSERT_EQ(noisy.size(), 1u);
  EXPECT_TRUE(noisy[0].checksum_ok);
  EXPECT_EQ(noisy[0].body, body);

  // One flipped data bit: the check byte no longer matches, nothing else moves.
  const auto corrupted = test_master::decode(damaged(FaultKind::CorruptByte));
  ASSERT_EQ(corrupted.size(), 1u);
  EXPECT_FALSE(corrupted[0].checksum_ok);
  EXPECT_EQ(corrupted[0].body.size(), body.size());
  EXPECT_NE(corrupted[0].body, body);

  EXPECT_EQ(damaged(FaultKind::Busy), reply);       // busy is decided before the command runs
  EXPECT_EQ(damaged(FaultKind::LateReply), reply);  // the line sends an old reply first
}

}  // namespace
}  // namespace velk::sim
