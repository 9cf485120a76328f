// The frame trace's own rules: the text form of every kind of frame the
// codec takes in (the broken ones naming their fault), and which file a
// trace goes to: its own kind is continued, anything else is left alone.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "frame_builder.h"
#include "frame_codec.h"
#include "frame_tap.h"
#include "trace_file.h"

namespace mirell {
namespace {

using testing::Bytes;
using testing::frameBytes;
using testing::FrameSpec;

struct TapCase {
    const char* name;
    Bytes wire;
    int parityErrorAt;  // index into wire, -1: none
    bool silentAfter;   // the line falls silent after the bytes
    const char* line;
};

void PrintTo(const TapCase& c, std::ostream* os) { *os << c.name; }

FrameSpec spec(std::uint8_t delimiter, Bytes address, std::uint8_t command, Bytes data) {
    FrameSpec s;
    s.delimiter = delimiter;
    s.address = std::move(address);
    s.command = command;
    s.data = std::move(data);
    return s;
}

const Bytes kReplyAddress = {0xBE, 0x61, 0x01, 0x02, 0x03};
const Bytes kReplyData = {0x00, 0x00, 0x20, 0x41, 0x20, 0x00, 0x00};

Bytes withPreambles(FrameSpec s, int preambles) {
    s.preambles = preambles;
    return frameBytes(s);
}

Bytes corrupted(FrameSpec s) {
    s.corruptChecksum = true;
    return frameBytes(s);
}

Bytes cutAfter(Bytes wire, std::size_t bytes) {
    wire.resize(bytes);
    return wire;
}

const FrameSpec kReply = spec(0x86, kReplyAddress, 1, kReplyData);

class TextForm : public ::testing::TestWithParam<TapCase> {};

TEST_P(TextForm, EachFrameIsOneLineAndABrokenOneNamesItsFault) {
    const TapCase& c = GetParam();
    FrameParser parser(true);
    FrameTap tap;
    std::vector<TracedFrame> frames;
    for (std::size_t i = 0; i < c.wire.size(); ++i) {
        const int preambles = parser.preambleCount();
        parser.feed(c.wire[i], static_cast<int>(i) == c.parityErrorAt ? kLineParity : 0);
        if (auto frame = tap.afterByte(parser, c.wire[i], preambles)) frames.push_back(*frame);
    }
    if (c.silentAfter) {
        parser.gapTimeout();
        if (auto frame = tap.afterTick(parser)) frames.push_back(*frame);
    }
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(describeFrame(frames[0]), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, TextForm,
    ::testing::Values(
        TapCase{"reply", frameBytes(kReply), -1, false,
                "RX pre=5 delim=86 addr=BE61010203 cmd=1 bc=7 status=0000 data=2041200000"},
        TapCase{"burst frame after the fewest preambles",
                withPreambles(spec(0x81, {0x7E, 0x61, 1, 2, 3}, 3, {0x00, 0x40, 0x3F}), 3), -1, false,
                "RX pre=3 delim=81 addr=7E61010203 cmd=3 bc=3 status=0040 data=3F"},
        TapCase{"short reply with an expansion byte", frameBytes([] {
                    FrameSpec s = spec(0x26, {0x80}, 0, {0x00, 0x00});
                    s.expansion = {0x5A};
                    return s;
                }()),
                -1, false, "RX pre=5 delim=26 addr=80 exp=5A cmd=0 bc=2 status=0000"},
        TapCase{"other master's request", withPreambles(spec(0x82, {0x3E, 0x61, 1, 2, 3}, 48, {0x07}), 4), -1,
                false, "RX pre=4 delim=82 addr=3E61010203 cmd=48 bc=1 data=07"},
        TapCase{"check byte wrong", corrupted(kReply), -1, false,
                "RX pre=5 delim=86 addr=BE61010203 cmd=1 bc=7 status=0000 data=2041200000 "
                "error=check byte 4B, computed 1E"},
        TapCase{"parity error in the data", frameBytes(kReply), 5 + 1 + 5 + 2 + 3, false,
                "RX pre=5 delim=86 addr=BE61010203 cmd=1 bc=7 status=0000 data=2041200000 "
                "error=parity error in the data"},
        TapCase{"parity error in the byte count", frameBytes(kReply), 5 + 1 + 5 + 1, false,
                "RX pre=5 delim=86 addr=BE61010203 cmd=1 bc=7 error=parity error in the command or byte "
                "count; frame dropped at its byte count"},
        TapCase{"line falls silent in mid-frame", cutAfter(frameBytes(kReply), 5 + 1 + 5 + 2 + 4), -1, true,
                "RX pre=5 delim=86 addr=BE61010203 cmd=1 bc=7 status=0000 data=2041 "
                "error=broken off after 12 bytes: no byte for 160 ms"}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(TextForm, ARequestAsItGoesOnTheLine) {
    Request request;
    request.kind = FrameKind::Short;
    request.pollingAddress = 3;
    request.command = 1;
    const auto frame = assembleRequest(request, true);
    ASSERT_TRUE(frame);
    EXPECT_EQ(describeFrame(tracedRequest(*frame)), "TX pre=5 delim=02 addr=83 cmd=1 bc=0");
}

// A HART 7 reply may carry 255 bytes: the trace keeps them all.
TEST(TextForm, TheLongestReplyIsTracedWhole) {
    FrameSpec s = kReply;
    s.data = Bytes(255, 0xA5);
    s.data[0] = 0;
    s.data[1] = 0;
    FrameParser parser(true);
    FrameTap tap;
    std::optional<TracedFrame> traced;
    for (const auto byte : frameBytes(s)) {
        const int preambles = parser.preambleCount();
        parser.feed(byte, 0);
        if (auto frame = tap.afterByte(parser, byte, preambles)) traced = frame;
    }
    ASSERT_TRUE(traced);
    EXPECT_EQ(traced->length, 1 + 5 + 1 + 1 + 255 + 1);
    std::string data;
    for (int i = 0; i < 253; ++i) data += "A5";
    EXPECT_EQ(describeFrame(*traced), "RX pre=5 delim=86 addr=BE61010203 cmd=1 bc=255 status=0000 data=" + data);
}

// ---------------------------------------------------------------------------
// Trace files

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

void put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// The packets of a capture, read record by record; -1 when it does not end
// on a whole record.
int captureRecords(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(0, 4, "\xD4\xC3\xB2\xA1") != 0) return -1;
    std::size_t at = 24;
    int records = 0;
    while (at + 16 <= bytes.size()) {
        const auto* h = reinterpret_cast<const unsigned char*>(bytes.data() + at + 8);
        at += 16 + (h[0] | h[1] << 8 | h[2] << 16 | static_cast<std::size_t>(h[3]) << 24);
        ++records;
    }
    return at == bytes.size() ? records : -1;
}

class TraceFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/frame-trace-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // One session with one frame; returns the notice for the user.
    std::string session(const std::string& path) {
        std::string notice;
        auto trace = startTrace(path, "session", notice);
        EXPECT_NE(trace, nullptr) << notice;
        if (trace) {
            Request request;
            trace->record(tracedRequest(*assembleRequest(request, true)));
            trace->close("end");
        }
        return notice;
    }

    std::string dir;
};

TEST_F(TraceFiles, EachSessionContinuesItsOwnTraceAndCutsOffWhatACrashTore) {
    const std::string capture = dir + "/a.pcap";
    EXPECT_EQ(session(capture), "");
    EXPECT_EQ(captureRecords(contents(capture)), 3) << "session note, frame, end note";
    put(capture, std::string("\x01\x02\x03\x04\x05\x06\x07", 7));  // half a record header
    EXPECT_EQ(session(capture), "");
    EXPECT_EQ(captureRecords(contents(capture)), 6);

    const std::string text = dir + "/a.log";
    EXPECT_EQ(session(text), "");
    put(text, "2025-01-07 10:15:02.3 RX pre=5 del");  // a line cut short
    EXPECT_EQ(session(text), "");
    const std::string lines = contents(text);
    EXPECT_EQ(lines.rfind(std::string(kTextTraceHeader) + "\n", 0), 0u);
    EXPECT_EQ(lines.find(kTextTraceHeader, 1), std::string::npos) << "one header";
    EXPECT_NE(lines.find("pre=5 del\n# "), std::string::npos);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1 + 2 * 3 + 1);
}

TEST_F(TraceFiles, AFileThatIsNoTraceOfItsKindIsLeftAlone) {
    struct Case {
        const char* name;
        std::string existing;
        std::string existingNext;  // in FILE.1
        const char* goesTo;
    };
    const std::string textTrace = std::string(kTextTraceHeader) + "\n";
    const auto header = capture::fileHeader();
    const std::string captureHeader(header.begin(), header.end());
    for (const Case& c : {
             Case{"a.pcap", "notes of the commissioning\n", "", ".1"},
             Case{"b.pcap", textTrace, "", ".1"},
             Case{"c.pcap", captureHeader + "\xFF\xFF\xFF\xFF" + std::string(12, '\xFF'), "", ".1"},
             Case{"d.log", captureHeader, "", ".1"},
             Case{"e.log", "my own log\n", "mine too\n", ".2"},
         }) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        put(path, c.existing);
        if (!c.existingNext.empty()) put(path + ".1", c.existingNext);
        const std::string notice = session(path);
        EXPECT_NE(notice.find("tracing to " + path + c.goesTo), std::string::npos) << notice;
        EXPECT_EQ(contents(path), c.existing);
        if (!c.existingNext.empty()) {
            EXPECT_EQ(contents(path + ".1"), c.existingNext);
        }
        EXPECT_NE(contents(path + c.goesTo).find("session"), std::string::npos);
    }
}

TEST_F(TraceFiles, ATraceInUseIsNotWrittenIntoByASecondSession) {
    const std::string path = dir + "/a.pcap";
    std::string notice;
    auto first = startTrace(path, "first", notice);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(session(path).find("tracing to " + path + ".1"), std::string::npos);
    first->close();
    EXPECT_EQ(captureRecords(contents(path)), 1);
    EXPECT_EQ(captureRecords(contents(path + ".1")), 3);
}

// A message longer than a record keeps (none a device should send) is
// recorded cut short, as a capture with a snap length records it, and the
// trace goes on in the same file.
TEST_F(TraceFiles, AMessageTooLongToKeepIsRecordedCutShort) {
    const std::string path = dir + "/a.pcap";
    std::string notice;
    auto trace = startTrace(path, "session", notice);
    ASSERT_NE(trace, nullptr) << notice;
    TracedFrame message;
    message.direction = TraceDirection::Received;
    message.hartIpHeaderLength = 8;
    message.hartIpHeader = {1, 1, 3, 0, 0, 1, 0x02, 0x60};  // a response of 608 bytes
    for (int i = 0; i < 600; ++i) message.append(static_cast<std::uint8_t>(i));
    EXPECT_EQ(message.notKept, 600u - TracedFrame::kMaxBytes);
    trace->record(message);
    trace.reset();

    const std::string bytes = contents(path);
    ASSERT_EQ(captureRecords(bytes), 2);
    const auto field = [&](std::size_t at) {
        const auto* h = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        return h[0] | h[1] << 8 | h[2] << 16 | h[3] << 24;
    };
    const std::size_t second = 24 + 16 + field(24 + 8);
    EXPECT_EQ(field(second + 8), 20 + 8 + 8 + 512);
    EXPECT_EQ(field(second + 12), 20 + 8 + 8 + 600);
    EXPECT_EQ(session(path), "") << "the trace is continued";
}

TEST_F(TraceFiles, AReaderLeavingAPipeEndsTheTraceNotTheProgram) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::string notice;
    auto trace = startTrace("/proc/self/fd/" + std::to_string(ends[1]), "session", notice);
    ASSERT_NE(trace, nullptr) << notice;
    ::close(ends[0]);
    Request request;
    trace->record(tracedRequest(*assembleRequest(request, true)));
    trace->close();
    ::close(ends[1]);
}

}  // namespace
}  // namespace mirell
