// The link driver on a fake line: carrier keying and transmission timing on
// virtual time, line errors from the byte source, a line that never lets a
// request out, a wedged adapter, a vanished port, the clock sleeping through
// an idle line, and closing.
#include "link_driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "fake_port.h"
#include "frame_builder.h"

namespace mirell {
namespace {

using namespace std::chrono_literals;
using testing::FakePacer;
using testing::FakePort;
using testing::FastTicker;
using Event = FakePort::LineEvent;

// A long request whose frame is 5 preambles + 8 + data + check byte long.
Request longRequest(int dataBytes, std::uint8_t command = 1) {
    Request r;
    r.kind = FrameKind::Long;
    r.longAddress = {0x3E, 0x61, 1, 2, 3};
    r.command = command;
    r.byteCount = static_cast<std::uint8_t>(dataBytes);
    return r;
}

void tickUntil(LinkDriver& link, LinkState state) {
    for (int i = 0; i < 1000 && link.state() != state; ++i) link.tick();
    ASSERT_EQ(link.state(), state);
}

template <typename Condition>
bool eventually(Condition condition) {
    for (int i = 0; i < 5000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

struct KeyingCase {
    const char* name;
    CarrierKeying keying;
    std::chrono::microseconds perByte;
    std::vector<Event> lineEvents;
    std::chrono::milliseconds sendReturnsAt;  // on virtual time
};

void PrintTo(const KeyingCase& c, std::ostream* os) { *os << c.name; }

class CarrierKeyingTest : public ::testing::TestWithParam<KeyingCase> {};

// A 21-byte frame: program keying holds RTS for 210 ms (10 ms a byte); the
// transmission ends once the port has drained, but never before the frame
// can have crossed the line (21 x 9.17 ms) whatever the port says, and at
// the latest with the keying timer.
TEST_P(CarrierKeyingTest, TwentyOneByteFrame) {
    const auto& c = GetParam();
    FakePacer pacer;
    auto port = std::make_unique<FakePort>(c.keying, &pacer);
    port->perByte = c.perByte;
    FakePort* line = port.get();
    LinkDriver link(&pacer);
    ASSERT_TRUE(link.open(std::move(port), true, ClockSource::External));
    tickUntil(link, LinkState::Idle);

    EXPECT_EQ(link.send(longRequest(7)), SendResult::Sent);
    EXPECT_EQ(link.state(), LinkState::AwaitReply) << "transmission done";
    EXPECT_EQ(line->events(), c.lineEvents);
    EXPECT_EQ(pacer.elapsed(), c.sendReturnsAt);
    ASSERT_EQ(line->written().size(), 1u);
    EXPECT_EQ(line->written()[0].size(), 21u);
}

INSTANTIATE_TEST_SUITE_P(
    Link, CarrierKeyingTest,
    ::testing::Values(
        KeyingCase{"ProgramKeyed",
                   CarrierKeying::Program,
                   9167us,
                   {{"RTS on", 0ms}, {"write 21", 0ms}, {"RTS off", 210ms}},
                   210ms},
        KeyingCase{"ProgramKeyedAdapterDrainsAtOnce",
                   CarrierKeying::Program,
                   1us,
                   {{"RTS on", 0ms}, {"write 21", 0ms}, {"RTS off", 210ms}},
                   210ms},
        KeyingCase{"DriverKeyed", CarrierKeying::Driver, 9167us, {{"write 21", 0ms}}, 194ms},
        KeyingCase{"DriverKeyedAdapterDrainsAtOnce", CarrierKeying::Driver, 1us, {{"write 21", 0ms}}, 194ms},
        KeyingCase{"DriverNeverDrains", CarrierKeying::Driver, 20ms, {{"write 21", 0ms}}, 210ms},
        KeyingCase{"PseudoTerminalWithNoAnswer", CarrierKeying::None, 0us, {{"write 21", 0ms}}, 194ms}),
    [](const auto& info) { return std::string(info.param.name); });

// Without a line the answer may come at once: its first byte ends the
// transmission, so it is taken as the reply rather than lost.
TEST(LinkDriver, AnAnswerOnAPseudoTerminalEndsTheTransmission) {
    auto port = std::make_unique<FakePort>();
    port->responder = [](const std::vector<std::uint8_t>&) {
        std::vector<RxByte> reply;
        for (auto b : testing::ackFrame(true, {0x00, 0x00, 0x41})) reply.push_back({b, 0});
        return reply;
    };
    // Time stands still: only the answer can end the transmission.
    class FrozenPacer final : public Pacer {
    public:
        Clock::time_point now() override { return {}; }
        void sleepUntil(Clock::time_point) override { std::this_thread::sleep_for(1ms); }
    } pacer;
    LinkDriver link(&pacer);
    ASSERT_TRUE(link.open(std::move(port), true, ClockSource::External));
    tickUntil(link, LinkState::Idle);
    ASSERT_EQ(link.send(longRequest(7)), SendResult::Sent);
    const DeliveredFrame reply = link.awaitReply();
    EXPECT_EQ(reply.flags, 0u);
    EXPECT_EQ(reply.dataLength, 1);
}

TEST(LinkDriver, LineErrorsOfReceivedBytesReachTheReplyRecord) {
    auto port = std::make_unique<FakePort>();
    FakePort* line = port.get();
    port->responder = [](const std::vector<std::uint8_t>&) {
        std::vector<RxByte> reply;
        for (auto b : testing::ackFrame(true, {0x00, 0x00, 0x41, 0x42})) reply.push_back({b, 0});
        reply[reply.size() - 3].lineErrors = kLineParity;  // the first data byte
        return reply;
    };
    LinkDriver link;
    ASSERT_TRUE(link.open(std::move(port), true, ClockSource::External));
    FastTicker ticker(link, 200us, [line] { line->waitUntilTaken(); });

    ASSERT_EQ(link.send(longRequest(0)), SendResult::Sent);
    const DeliveredFrame reply = link.awaitReply();
    EXPECT_EQ(reply.flags, 0u);
    EXPECT_EQ(reply.errorWord & kErrData, std::uint32_t{kErrData});
    EXPECT_EQ(reply.lineErrors[kFieldData], std::uint32_t{kLineParity});
}

// A line flooded with preambles never lets the link transmit. The submitter
// must not wait for ever: the request is withdrawn after the turn limit, and
// a second request meanwhile is refused.
TEST(LinkDriver, RequestThatNeverGetsItsTurnIsWithdrawn) {
    auto port = std::make_unique<FakePort>();
    FakePort* line = port.get();
    LinkDriver link;
    ASSERT_TRUE(link.open(std::move(port), true, ClockSource::External));
    {
        FastTicker flood(link, 100us, [line] {
            line->deliverClean({0xFF});
            line->waitUntilTaken();
        });
        SendResult first = SendResult::Sent;
        std::thread submitter([&] { first = link.send(longRequest(0)); });
        ASSERT_TRUE(
            eventually([&] { return link.inspect([](const DataLink& l) { return l.requestWaiting(); }); }));
        EXPECT_EQ(link.send(longRequest(0, 2)), SendResult::Busy);
        submitter.join();
        EXPECT_EQ(first, SendResult::NoTurn);
        EXPECT_FALSE(link.inspect([](const DataLink& l) { return l.requestWaiting(); }));
        EXPECT_TRUE(line->written().empty());
    }
    FastTicker quiet(link, 200us);
    EXPECT_EQ(link.send(longRequest(0, 3)), SendResult::Sent) << "the link recovers once the line is quiet";
    ASSERT_EQ(line->written().size(), 1u);
    EXPECT_EQ(line->written()[0][5 + 6], 3);
}

TEST(LinkDriver, ClosedLinkRefusesAndDoesNotWait) {
    LinkDriver link;
    EXPECT_EQ(link.send(longRequest(0)), SendResult::NotRunning);
    EXPECT_EQ(link.awaitReply().flags, std::uint32_t{kFlagNoReply});

    ASSERT_TRUE(link.open(std::make_unique<FakePort>(), true, ClockSource::External));
    EXPECT_TRUE(link.isOpen());
    link.close();
    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.send(longRequest(0)), SendResult::NotRunning);
    EXPECT_FALSE(link.open(nullptr, true)) << "no port, no link";
    EXPECT_FALSE(link.isOpen());
}

TEST(LinkDriver, ReopeningStartsAFreshLinkOnTheNewPort) {
    LinkDriver link;
    ASSERT_TRUE(link.open(std::make_unique<FakePort>(), true, ClockSource::External));
    tickUntil(link, LinkState::Idle);
    auto second = std::make_unique<FakePort>();
    FakePort* line = second.get();
    ASSERT_TRUE(link.open(std::move(second), false, ClockSource::External));
    EXPECT_EQ(link.state(), LinkState::Watching);
    EXPECT_FALSE(link.inspect([](const DataLink& l) { return l.primaryMaster(); }));
    tickUntil(link, LinkState::Idle);
    ASSERT_EQ(link.send(longRequest(0)), SendResult::Sent);
    ASSERT_EQ(line->written().size(), 1u);
    EXPECT_EQ(line->written()[0][6], 0x3E) << "a secondary master's frame carries no master bit";
}

// A write that does not return must hold up only its caller: the clock
// ticks and received bytes reach the link meanwhile.
TEST(LinkDriver, AWedgedWriteStallsNeitherTheClockNorTheReceiver) {
    auto port = std::make_unique<FakePort>();
    FakePort* line = port.get();
    LinkDriver link;
    ASSERT_TRUE(link.open(std::move(port), true, ClockSource::External));
    tickUntil(link, LinkState::Idle);
    line->holdWrites(true);
    auto sending = std::async(std::launch::async, [&] { return link.send(longRequest(0)); });
    ASSERT_TRUE(eventually([&] { return line->writeHeld(); }));

    auto ticking = std::async(std::launch::async, [&] {
        for (int i = 0; i < 5; ++i) link.tick();
        line->deliverClean({0xFF});
        line->waitUntilTaken();
        return link.state();
    });
    const bool clockRan = ticking.wait_for(5s) == std::future_status::ready;
    line->holdWrites(false);
    EXPECT_TRUE(clockRan) << "the clock waited for the write";
    EXPECT_EQ(ticking.get(), LinkState::ReceivingReply) << "the byte reached the link";
    EXPECT_EQ(sending.get(), SendResult::Sent);
}

TEST(LinkDriver, APortThatVanishesEndsTheWaitAndRefusesSends) {
    auto port = std::make_unique<FakePort>();
    FakePort* line = port.get();
    LinkDriver link;
    ASSERT_TRUE(link.open(std::move(port), true, ClockSource::External));
    tickUntil(link, LinkState::Idle);
    ASSERT_EQ(link.send(longRequest(0)), SendResult::Sent);
    // No tick runs: only the port's failure can end this wait.
    auto waiting = std::async(std::launch::async, [&] { return link.awaitReply(); });
    line->vanish();
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(waiting.get().flags, std::uint32_t{kFlagNoReply});
    EXPECT_TRUE(link.portLost());
    EXPECT_EQ(link.send(longRequest(0)), SendResult::NotRunning);
    EXPECT_EQ(line->written().size(), 1u);
    link.close();
    EXPECT_FALSE(link.portLost());
}

// Ticks on an idle line change nothing, so the clock sleeps; a byte, a send
// or an armed watchdog wake it, and the timers then run as before.
TEST(LinkDriver, TheClockSleepsThroughAnIdleLineAndWakesForWork) {
    auto port = std::make_unique<FakePort>();
    FakePort* line = port.get();
    LinkDriver link;
    ASSERT_TRUE(link.open(std::move(port), true));
    ASSERT_TRUE(eventually([&] { return !link.clockTicking(); }));
    EXPECT_EQ(link.state(), LinkState::Idle);

    line->deliverClean({0x00});  // noise: restarts the quiet and gap timers
    EXPECT_TRUE(eventually([&] { return link.clockTicking(); }));
    ASSERT_TRUE(eventually([&] { return !link.clockTicking(); }));

    const auto ticksBefore = link.ticks();
    ASSERT_EQ(link.send(longRequest(0)), SendResult::Sent);
    EXPECT_EQ(link.awaitReply().flags, std::uint32_t{kFlagNoReply}) << "the reply timer ran out";
    EXPECT_GE(link.ticks() - ticksBefore, 39u);
    EXPECT_TRUE(eventually([&] { return !link.clockTicking(); }));
}

}  // namespace
}  // namespace mirell
