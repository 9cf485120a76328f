// The library's calls on a fake line: handle and registry rules, the error
// state, manual sends, refusals, replies with line errors or from elsewhere,
// and how long a wait may last on a line that never gives a turn.
#include "hart_master.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>

#include "fake_port.h"
#include "frame_builder.h"
#include "master_helpers.h"
#include "trace_file.h"

namespace mirell {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::FakePort;
using testing::FastTicker;

std::vector<RxByte> clean(const Bytes& bytes) {
    std::vector<RxByte> rx;
    for (auto b : bytes) rx.push_back({b, 0});
    return rx;
}

class MasterOnFakeLine : public ::testing::Test {
protected:
    MasterOnFakeLine()
        : master(MasterSetup{[this](int port) -> std::unique_ptr<LinkPort> {
                                 if (port != 1) return nullptr;
                                 auto p = std::make_unique<FakePort>();
                                 line = p.get();
                                 p->responder = [this](const std::vector<std::uint8_t>& frame) {
                                     return responder ? responder(frame) : std::vector<RxByte>{};
                                 };
                                 return p;
                             },
                             ClockSource::External, nullptr,
                             [this](std::string_view session) -> std::unique_ptr<FrameTrace> {
                                 if (traceTo.empty()) return nullptr;
                                 std::string notice;
                                 return startTrace(traceTo, session, notice);
                             }}) {}

    void start() {
        master.initHart(1);
        ASSERT_EQ(master.errorCode(), 0);
        ticker = std::make_unique<FastTicker>(master.link(), 300us, [this] {
            if (flooding) line->deliverClean({0xFF});
            line->waitUntilTaken();
        });
    }
    int registerPositioner() { return testing::registerPositioner(master); }
    std::string errorText() { return testing::errorText(master); }

    std::function<std::vector<RxByte>(const std::vector<std::uint8_t>&)> responder;
    std::atomic<bool> flooding{false};
    std::string traceTo;  // the frame trace's file, if any
    FakePort* line = nullptr;
    HartMaster master;
    std::unique_ptr<FastTicker> ticker;  // stops before the master
};

TEST_F(MasterOnFakeLine, HandlesAreCheckedBeforeAnythingIsSent) {
    start();
    EXPECT_EQ(master.sendLongCommand(1, 0, 0), 0);
    EXPECT_EQ(master.errorCode(), kInvalidHandle);
    EXPECT_EQ(errorText(), "  Invalid instrument handle. Cannot address any instrument.");
    EXPECT_EQ(master.sendShortCommand(1, 0, 0), 0);
    EXPECT_EQ(errorText(), "Invalid instrument handle. Cannot address any instrument.");

    ASSERT_EQ(registerPositioner(), 1);
    for (int handle : {2, 16, -1}) {
        EXPECT_EQ(master.sendLongCommand(1, handle, 0), 0) << handle;
        EXPECT_EQ(master.errorCode(), kInvalidHandle) << handle;
    }
    EXPECT_TRUE(line->written().empty());
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), kNoResponsePending);
    EXPECT_EQ(errorText(), "No response pending!");
}

TEST_F(MasterOnFakeLine, RegistryHandsOutFifteenHandlesInOrder) {
    for (int i = 1; i <= 15; ++i) {
        master.setInteger(0, 4, 0x3E610000u + static_cast<unsigned>(i));
        ASSERT_EQ(master.forceRegistration(), i);
    }
    master.setInteger(0, 4, 0x3E61FFFFu);
    EXPECT_EQ(master.forceRegistration(), 0);
    EXPECT_EQ(master.errorCode(), kRegistryFull);
    EXPECT_EQ(master.detectInstrument(), 0) << "refused before sending anything";
    EXPECT_EQ(master.errorCode(), kRegistryFull);

    master.resetInternalRegistry();
    master.setInteger(0, 4, 0x3E610001u);
    EXPECT_EQ(master.forceRegistration(), 1);
    EXPECT_EQ(master.forceRegistration(), 0) << "the same long address again";
    EXPECT_EQ(master.errorCode(), kAlreadyRegistered);
    master.setInteger(0, 4, 0x3E610002u);
    EXPECT_EQ(master.forceRegistration(), 2) << "a refused registration hands out no handle";
}

TEST_F(MasterOnFakeLine, PollingAddressesChangeTheErrorStateOnlyWhenRefused) {
    ASSERT_EQ(registerPositioner(), 1);
    master.getInteger(0, 5);  // leaves error 7 standing
    ASSERT_EQ(master.errorCode(), kUnsupportedIntegerLength);
    master.setPollingAddress(1, 0);
    EXPECT_EQ(master.getPollingAddress(1), 0);
    master.setPollingAddress(1, 15);
    EXPECT_EQ(master.getPollingAddress(1), 15);
    EXPECT_EQ(master.errorCode(), kUnsupportedIntegerLength);

    master.setPollingAddress(1, 16);
    EXPECT_EQ(master.errorCode(), kInvalidPollingAddress);
    EXPECT_EQ(master.getPollingAddress(1), 15);
    master.setPollingAddress(1, -1);
    EXPECT_EQ(master.errorCode(), kInvalidPollingAddress);
    master.setPollingAddress(2, 3);
    EXPECT_EQ(master.errorCode(), kInvalidHandle);
    EXPECT_EQ(master.getPollingAddress(0), 0);
    EXPECT_EQ(errorText(), "Invalid instrument handle. Cannot address any instrument.");
}

TEST_F(MasterOnFakeLine, AccessorsReportTheirOutcome) {
    master.setInteger(0, 4, 1);
    EXPECT_EQ(master.errorCode(), 0);
    EXPECT_EQ(master.getInteger(0, 5), 0u);
    EXPECT_EQ(master.errorCode(), kUnsupportedIntegerLength);
    EXPECT_EQ(errorText(), "GetInteger/SetInteger reports: Unsupported integer length.");
    EXPECT_EQ(master.getInteger(47, 4), 0u);
    EXPECT_EQ(errorText(), "Attempted to read/write outside the maximum valid length of the datafield.");
    EXPECT_EQ(master.getInteger(0, 4), 1u);
    EXPECT_EQ(master.errorCode(), 0);

    // Before the first burst frame there is nothing to read.
    EXPECT_EQ(master.getBurstInteger(0, 1), 0u);
    EXPECT_EQ(master.errorCode(), kOutsideDataField);
    char text[64] = "kept";
    master.getBurstUnitString(0, text);
    EXPECT_EQ(master.errorCode(), kOutsideDataField);
    EXPECT_STREQ(text, "kept");
}

TEST_F(MasterOnFakeLine, ManualSendAddressesFromTheDataFieldAndLeavesNothingPending) {
    start();
    responder = [](const std::vector<std::uint8_t>&) { return clean(testing::ackFrame(true)); };
    const std::uint8_t address[] = {0x3E, 0x61, 0x0A, 0x0B, 0x0C};
    for (int i = 0; i < 5; ++i) master.setInteger(10 + i, 1, address[i]);
    master.manualSendCommand(13, 1, 0, 10);
    EXPECT_EQ(master.errorCode(), 0);
    const auto written = line->written();
    ASSERT_EQ(written.size(), 1u);
    const Bytes expected = {0x82, 0xBE, 0x61, 0x0A, 0x0B, 0x0C, 13, 0};
    EXPECT_EQ(Bytes(written[0].begin() + 5, written[0].begin() + 13), expected);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), kNoResponsePending);

    master.manualSendCommand(13, 1, 0, 46);
    EXPECT_EQ(master.errorCode(), kOutsideDataField) << "the address would reach past the field";
    master.manualSendCommand(13, 0, 0, 50);
    EXPECT_EQ(master.errorCode(), kOutsideDataField);
    EXPECT_EQ(line->written().size(), 1u);
}

TEST_F(MasterOnFakeLine, RequestsTheLinkCannotCarryAreRefused) {
    EXPECT_EQ(master.sendLongCommand(1, registerPositioner(), 0), 0) << "no link yet";
    EXPECT_EQ(master.errorCode(), kRequestRefused);
    EXPECT_EQ(errorText(), "Internal error. The request was incorrectly formatted.");

    start();
    const int handle = registerPositioner();
    for (const auto& [command, bytes] :
         std::vector<std::pair<int, int>>{{256, 0}, {-1, 0}, {1, 38}, {1, -2}}) {
        EXPECT_EQ(master.sendLongCommand(command, handle, bytes), 0) << command << " " << bytes;
        EXPECT_EQ(master.errorCode(), kRequestRefused);
    }
    EXPECT_TRUE(line->written().empty());
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), kNoResponsePending);
}

TEST_F(MasterOnFakeLine, SendOnALineThatNeverFallsQuietGivesUp) {
    flooding = true;
    start();
    const int handle = registerPositioner();
    EXPECT_EQ(master.sendLongCommand(1, handle, 0), 0);
    EXPECT_EQ(master.errorCode(), kRequestRefused);
    EXPECT_TRUE(line->written().empty());
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), kNoResponsePending);
}

// A byte received with a parity error makes the reply unsound even when its
// checksum happens to match.
TEST_F(MasterOnFakeLine, ReplyWithALineErrorIsRetriedAndReported) {
    start();
    const int handle = registerPositioner();
    int cleanFrom = 99;
    responder = [&](const std::vector<std::uint8_t>&) {
        auto reply = clean(testing::ackFrame(true, {0x00, 0x00, 0x41, 0x42}));
        if (static_cast<int>(line->written().size()) < cleanFrom)
            reply[reply.size() - 3].lineErrors = kLineParity;
        return reply;
    };
    ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), kBadReply);
    EXPECT_EQ(errorText(), "Checksum/Parity error in incoming message.");
    EXPECT_EQ(line->written().size(), 4u);

    cleanFrom = 6;  // the second attempt of the next transaction is clean
    ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), 0);
    EXPECT_EQ(line->written().size(), 6u);
    EXPECT_EQ(master.getInteger(0, 2), 0x4142u);
}

struct StrayReplyCase {
    const char* name;
    Bytes firstReply;  // answers the first attempt; the others get the real answer
};
void PrintTo(const StrayReplyCase& c, std::ostream* os) { *os << c.name; }

class StrayReplyTest : public MasterOnFakeLine, public ::testing::WithParamInterface<StrayReplyCase> {};

// HART carries no sequence number: a late answer to an earlier request must
// not pass for the answer to this one. It is judged a framing error and the
// request is sent again.
TEST_P(StrayReplyTest, IsNotTakenAsTheAnswer) {
    start();
    const int handle = registerPositioner();
    responder = [&](const std::vector<std::uint8_t>&) {
        return clean(line->written().size() == 1 ? GetParam().firstReply
                                                 : testing::ackFrame(true, {0x00, 0x00, 0x41, 0x42}));
    };
    ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), 0);
    EXPECT_EQ(line->written().size(), 2u);
    EXPECT_EQ(master.getInteger(0, 2), 0x4142u);

    responder = [&](const std::vector<std::uint8_t>&) { return clean(GetParam().firstReply); };
    ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), kBadReply);
    EXPECT_EQ(errorText(), "Framing error in incoming message.");
    EXPECT_EQ(master.statusBytes(), 0) << "nothing of a stray frame is ours";
    EXPECT_EQ(master.getInteger(0, 2), 0x4142u) << "the data field still holds the request";
}

testing::FrameSpec strayReply() {
    testing::FrameSpec s;
    s.data = {0x40, 0x00, 0x66, 0x66};  // would read as "command not implemented"
    return s;
}

INSTANTIATE_TEST_SUITE_P(Replies, StrayReplyTest,
                         ::testing::Values(StrayReplyCase{"ToAnotherCommand",
                                                          [] {
                                                              auto s = strayReply();
                                                              s.command = 2;
                                                              return testing::frameBytes(s);
                                                          }()},
                                           StrayReplyCase{"FromAnotherDevice",
                                                          [] {
                                                              auto s = strayReply();
                                                              s.address = {0xBE, 0x61, 0x09, 0x09, 0x09};
                                                              return testing::frameBytes(s);
                                                          }()},
                                           StrayReplyCase{"InAShortFrame",
                                                          [] {
                                                              auto s = strayReply();
                                                              s.delimiter = 0x06;
                                                              s.address = {0x80};
                                                              return testing::frameBytes(s);
                                                          }()}),
                         [](const auto& info) { return std::string(info.param.name); });

// The first attempt is answered by the other master's request; from then on
// the line is flooded and never gives the link a turn. Each retry is refused
// after the turn limit and ends its attempt at once, so the wait lasts three
// turn limits and no response watchdog on top of them.
TEST_F(MasterOnFakeLine, RefusedRetriesEndTheWaitWithinItsBound) {
    start();
    const int handle = registerPositioner();
    responder = [&](const std::vector<std::uint8_t>&) {
        flooding = true;
        return clean(testing::stxFrame(/*primary=*/false));
    };
    ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
    const auto before = master.link().ticks();
    master.waitForResponse();
    const auto waited = master.link().ticks() - before;
    EXPECT_EQ(master.errorCode(), kBadReply);
    EXPECT_EQ(errorText(), "Framing error in incoming message.");
    EXPECT_EQ(line->written().size(), 1u);
    const auto turnLimit = static_cast<std::uint64_t>(LinkDriver::kTurnLimitTicks);
    EXPECT_GE(waited, 3 * turnLimit);
    EXPECT_LE(waited, 3 * turnLimit + 10) << "a refused retry waited for a reply that cannot come";
}

// A trace into a pipe whose reader opened it and then stopped reading (a
// paused capture tool): the link goes on at its pace, the trace drops frames
// and says how many, and ShutDownHart does not wait for the reader.
TEST_F(MasterOnFakeLine, AStalledTracePipeCostsFramesNotTheShutdown) {
    char folder[] = "/tmp/stalled-trace-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    traceTo = std::string(folder) + "/frames.log";
    ASSERT_EQ(::mkfifo(traceTo.c_str(), 0600), 0);
    const int reader = ::open(traceTo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_GE(::fcntl(reader, F_SETPIPE_SZ, 4096), 0) << "a pipe of one page";

    responder = [](const std::vector<std::uint8_t>&) { return clean(testing::ackFrame(true)); };
    start();
    const int handle = registerPositioner();
    constexpr int kTransactions = 300;
    for (int i = 0; i < kTransactions; ++i) {
        ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
        master.waitForResponse();
        ASSERT_EQ(master.errorCode(), 0) << "transaction " << i;
    }

    ticker.reset();  // it ticks the port that shutting down lets go of
    ::testing::internal::CaptureStderr();
    auto shutdown = std::async(std::launch::async, [this] { master.shutDownHart(); });
    const bool returned = shutdown.wait_for(10s) == std::future_status::ready;
    // Should it hang, reading frees it, so that the test can end.
    std::array<char, 4096> drain{};
    while (shutdown.wait_for(1ms) != std::future_status::ready) (void)::read(reader, drain.data(), drain.size());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(returned) << "ShutDownHart waited for the trace's reader";

    const std::string lead = "libmirell: the frame trace to " + traceTo + " dropped ";
    ASSERT_EQ(said.rfind(lead, 0), 0u) << said;
    const int dropped = std::stoi(said.substr(lead.size()));
    EXPECT_GT(dropped, kTransactions) << "most of the 600 frames: one page holds a few dozen lines";
    EXPECT_EQ(said.substr(said.find(' ', lead.size())), " frames: its reader did not keep up\n");
    ::close(reader);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace mirell
