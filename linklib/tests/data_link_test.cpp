// Whole exchanges through the data link on a fake clock: every tick and every
// byte is fed by the test, so the timing is exact and repeatable.
#include "data_link.h"

#include <gtest/gtest.h>

#include "frame_builder.h"

namespace mirell {
namespace {

using testing::Bytes;

class LinkScenario : public ::testing::Test {
protected:
    explicit LinkScenario(bool primary = true) : link(primary) {}

    void open() {
        link.linkOpened();
        ASSERT_EQ(link.state(), LinkState::Watching);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) link.tick();
    }
    // Ticks until the state changes or `limit` ticks have passed; returns the count.
    int ticksUntilLeaving(LinkState s, int limit = 1000) {
        for (int i = 1; i <= limit; ++i) {
            link.tick();
            if (link.state() != s) return i;
        }
        return -1;
    }
    void receive(const Bytes& bytes) {
        for (auto b : bytes) link.receiveByte(b, 0);
    }
    Request request(std::uint8_t command = 1) {
        Request r;
        r.kind = FrameKind::Long;
        r.longAddress = {0x3E, 0x61, 1, 2, 3};
        r.command = command;
        return r;
    }
    void goIdle() {
        open();
        ticksUntilLeaving(LinkState::Watching);
        ASSERT_EQ(link.state(), LinkState::Idle);
    }

    DataLink link;
};

class SecondaryLinkScenario : public LinkScenario {
protected:
    SecondaryLinkScenario() : LinkScenario(false) {}
};

TEST_F(LinkScenario, QuietLineAfterOpeningLetsTheLinkIdle) {
    open();
    EXPECT_EQ(ticksUntilLeaving(LinkState::Watching), 40);  // T = 385 ms
    EXPECT_EQ(link.state(), LinkState::Idle);
}

TEST_F(SecondaryLinkScenario, SecondaryMasterWaitsTheLongerLineTime) {
    open();
    EXPECT_EQ(ticksUntilLeaving(LinkState::Watching), 53);  // T = 510 ms
}

TEST_F(LinkScenario, PlainTransaction) {
    goIdle();
    std::uint64_t ticket = 0;
    ASSERT_EQ(link.submit(request(1), &ticket), SubmitResult::Accepted);
    EXPECT_EQ(link.state(), LinkState::Transmitting);
    EXPECT_EQ(link.progress(ticket), RequestProgress::Built);
    EXPECT_EQ(link.builtFrame().bytes[5], 0x82);

    link.transmissionDone();
    EXPECT_EQ(link.state(), LinkState::AwaitReply);
    EXPECT_FALSE(link.requestWaiting());
    ticks(10);
    receive(testing::ackFrame(true, {0x00, 0x00, 0x41, 0x20, 0x00, 0x00}));
    EXPECT_EQ(link.state(), LinkState::Settling);

    auto reply = link.takeReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->flags, 0u);
    EXPECT_EQ(reply->dataLength, 4);
    EXPECT_EQ(reply->data[0], 0x41);
    EXPECT_FALSE(link.takeReply()) << "a reply is taken once";

    EXPECT_EQ(ticksUntilLeaving(LinkState::Settling), 17);  // 155 ms hold-off
    EXPECT_EQ(link.state(), LinkState::Idle);
}

TEST_F(LinkScenario, NoInstrumentTimesOutOnThe40thTickAfterTransmission) {
    goIdle();
    ASSERT_EQ(link.submit(request()), SubmitResult::Accepted);
    link.transmissionDone();
    EXPECT_EQ(link.replyTimerTicks(), 39);
    EXPECT_EQ(ticksUntilLeaving(LinkState::AwaitReply), 40);
    EXPECT_EQ(link.state(), LinkState::Settling);
    auto reply = link.takeReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->flags, std::uint32_t{kFlagNoReply});
    ticksUntilLeaving(LinkState::Settling);
    EXPECT_EQ(link.state(), LinkState::Idle);
}

TEST_F(LinkScenario, SecondTransmissionDoneIsIgnored) {
    goIdle();
    link.submit(request());
    link.transmissionDone();
    link.transmissionDone();  // the one-shot keying timer and the port both report
    EXPECT_EQ(link.state(), LinkState::AwaitReply);
    EXPECT_EQ(link.replyTimerTicks(), 39);
}

TEST_F(LinkScenario, RequestDuringAwaitReplyGoesOutAfterTheExchangeEnds) {
    goIdle();
    link.submit(request(1));
    link.transmissionDone();
    std::uint64_t ticket = 0;
    ASSERT_EQ(link.submit(request(2), &ticket), SubmitResult::Accepted);
    EXPECT_EQ(link.state(), LinkState::AwaitReply);
    EXPECT_EQ(link.progress(ticket), RequestProgress::Waiting);

    receive(testing::ackFrame(true));
    EXPECT_EQ(link.state(), LinkState::Settling);
    EXPECT_EQ(link.progress(ticket), RequestProgress::Waiting);
    ticksUntilLeaving(LinkState::Settling);
    EXPECT_EQ(link.state(), LinkState::Transmitting) << "sent straight from Idle";
    EXPECT_EQ(link.progress(ticket), RequestProgress::Built);
    EXPECT_EQ(link.builtFrame().bytes[5 + 6], 2);
}

TEST_F(LinkScenario, SecondRequestIsRefusedAndTheBusyWatchdogDropsTheFirst) {
    open();
    // A line flooded with preambles never lets the first request go out.
    auto noisyTick = [&] {
        link.receiveByte(0xFF, 0);
        link.tick();
    };
    std::uint64_t first = 0;
    ASSERT_EQ(link.submit(request(1), &first), SubmitResult::Accepted);
    EXPECT_EQ(link.submit(request(2)), SubmitResult::Busy);
    EXPECT_EQ(link.busyWatchdogTicks(), 250);

    for (int i = 0; i < 249; ++i) noisyTick();
    EXPECT_TRUE(link.requestWaiting());
    EXPECT_EQ(link.progress(first), RequestProgress::Waiting);
    noisyTick();
    EXPECT_FALSE(link.requestWaiting());
    EXPECT_EQ(link.state(), LinkState::Watching);
    EXPECT_EQ(link.progress(first), RequestProgress::Dropped);
    EXPECT_EQ(link.quietTimerTicks(), ticksFor(385)) << "link reset reloads the line timers";

    EXPECT_EQ(link.submit(request(3)), SubmitResult::Accepted) << "the link takes requests again";
}

TEST_F(LinkScenario, TooLongRequestIsRefusedWithoutArmingTheBusyWatchdog) {
    goIdle();
    Request r = request();
    r.byteCount = 40;
    EXPECT_EQ(link.submit(r), SubmitResult::TooLong);
    EXPECT_FALSE(link.requestWaiting());
    EXPECT_EQ(link.busyWatchdogTicks(), 0);
}

TEST_F(LinkScenario, OtherMastersRequestMakesTheLinkWaitForItsExchange) {
    open();
    receive(testing::stxFrame(/*primary=*/false));
    EXPECT_EQ(link.state(), LinkState::OtherMasterTurn);
    std::uint64_t ticket = 0;
    link.submit(request(), &ticket);
    EXPECT_EQ(link.progress(ticket), RequestProgress::Waiting);

    ticks(10);
    receive(testing::ackFrame(/*primary=*/false));  // the slave answers the other master
    EXPECT_EQ(link.state(), LinkState::Transmitting) << "our turn right after the other's reply";
    EXPECT_EQ(link.progress(ticket), RequestProgress::Built);
}

TEST_F(LinkScenario, OtherMastersUnansweredRequestEndsWithTheReplyTimer) {
    open();
    receive(testing::stxFrame(false));
    std::uint64_t ticket = 0;
    link.submit(request(), &ticket);
    const int waited = ticksUntilLeaving(LinkState::OtherMasterTurn);
    EXPECT_EQ(waited, 40);  // 385 ms
    // Settling with T - 385 = 0, then Idle, then our frame.
    ticks(2);
    EXPECT_EQ(link.state(), LinkState::Transmitting);
    EXPECT_EQ(link.progress(ticket), RequestProgress::Built);
}

TEST_F(LinkScenario, BurstDeviceSharingTheLoop) {
    open();
    // The burst device talks to the other master: we may transmit within the hold time.
    receive(testing::burstFrame(/*primary=*/false));
    EXPECT_EQ(link.state(), LinkState::BurstMayTransmit);
    EXPECT_EQ(link.recordedBurstAddress(), (LongAddress{0x3E, 0x61, 1, 2, 3}));

    link.submit(request());
    EXPECT_EQ(link.state(), LinkState::BurstTransmitting);
    link.transmissionDone();
    EXPECT_EQ(link.state(), LinkState::BurstAwaitReply);

    // The reply comes from the burst device itself.
    receive(testing::ackFrame(true));
    EXPECT_EQ(link.state(), LinkState::Settling);
    ASSERT_TRUE(link.takeReply());
}

TEST_F(LinkScenario, ReplyFromAnotherDeviceWhileABurstDeviceIsOnTheLoop) {
    open();
    receive(testing::burstFrame(false));
    link.submit(request());
    link.transmissionDone();
    receive(testing::ackFrame(true, {0, 0}, false, {0x3E, 0x61, 9, 9, 9}));
    EXPECT_EQ(link.state(), LinkState::BurstWatching);
    ASSERT_TRUE(link.takeReply());
}

TEST_F(LinkScenario, BurstFramesAreDeliveredOnlyInTheBurstCycle) {
    open();
    receive(testing::burstFrame(true, {0, 0, 0x11}));  // recorded, not delivered
    EXPECT_EQ(link.state(), LinkState::BurstWatching);
    EXPECT_FALSE(link.takeBurst());

    receive(testing::burstFrame(true, {0, 0, 0x22}));
    EXPECT_EQ(link.state(), LinkState::BurstWatching);
    auto burst = link.takeBurst();
    ASSERT_TRUE(burst);
    EXPECT_EQ(burst->data[0], 0x22);
    EXPECT_FALSE(link.takeBurst());

    receive(testing::burstFrame(false, {0, 0, 0x33}));
    EXPECT_EQ(link.state(), LinkState::BurstMayTransmit);
    EXPECT_EQ(link.takeBurst()->data[0], 0x33);

    // A silent burst device: back to plain watching after 385 ms.
    ticksUntilLeaving(LinkState::BurstMayTransmit);
    EXPECT_EQ(link.state(), LinkState::BurstWatching);
    ticksUntilLeaving(LinkState::BurstWatching);
    EXPECT_EQ(link.state(), LinkState::Watching);
}

TEST_F(LinkScenario, ResponseWatchdogDeliversABrokenReply) {
    open();
    link.armResponseWatchdog();
    ticks(kResponseWatchdogTicks - 1);
    EXPECT_FALSE(link.replyRecord().delivered);
    ticks(1);
    auto reply = link.takeReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->brokenReply, 1u);
    EXPECT_EQ(reply->flags & kFlagBrokenOrForeign, std::uint32_t{kFlagBrokenOrForeign});
}

// The longest reply a device may send, 20 preambles and byte count 255, at
// the line's pace (a character a tick) after most of the reply window: the
// watchdog lets it come whole.
TEST_F(LinkScenario, TheLongestReplyAtLineSpeedBeatsTheResponseWatchdog) {
    goIdle();
    link.submit(request());
    link.transmissionDone();
    link.armResponseWatchdog();
    ticks(38);
    testing::FrameSpec s;
    s.preambles = 20;
    s.data = Bytes(255, 0x5A);
    s.data[0] = 0;
    s.data[1] = 0;
    for (const auto byte : testing::frameBytes(s)) {
        link.receiveByte(byte, 0);
        link.tick();
    }
    auto reply = link.takeReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->flags, 0u);
    EXPECT_EQ(reply->dataLength, 253);
    EXPECT_EQ(reply->data[252], 0x5A);
}

TEST_F(LinkScenario, BrokenReplyIsDelivered) {
    goIdle();
    link.submit(request());
    link.transmissionDone();
    Bytes reply = testing::ackFrame(true, {0, 0, 1, 2, 3});
    reply.resize(reply.size() - 3);  // the line goes dead mid-frame
    receive(reply);
    EXPECT_EQ(link.state(), LinkState::ReceivingReply);
    ticks(17);  // gap time-out
    auto got = link.takeReply();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->brokenReply, 1u);
    EXPECT_EQ(link.state(), LinkState::Watching);
}

TEST_F(LinkScenario, StaleReplyIsNotTakenForTheNextOne) {
    goIdle();
    link.submit(request());
    link.transmissionDone();
    receive(testing::ackFrame(true, {0, 0, 0x55}));
    ticksUntilLeaving(LinkState::Settling);
    // Nobody took that reply; the next exchange must not find it.
    link.submit(request());
    link.transmissionDone();
    EXPECT_FALSE(link.takeReply());
}

TEST_F(LinkScenario, ForeignFrameInsteadOfTheReplyIsMarked) {
    goIdle();
    link.submit(request());
    link.transmissionDone();
    receive(testing::stxFrame(false));
    EXPECT_EQ(link.state(), LinkState::Watching);
    auto got = link.takeReply();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->foreignFrame, 1u);
    EXPECT_EQ(got->flags & kFlagBrokenOrForeign, std::uint32_t{kFlagBrokenOrForeign});
}

TEST_F(LinkScenario, PreambleFloodLetsAWaitingRequestCutIn) {
    goIdle();
    link.submit(request());
    link.transmissionDone();
    receive(Bytes(70, 0xFF));
    EXPECT_EQ(link.state(), LinkState::PreambleFlood);
    std::uint64_t ticket = 0;
    link.submit(request(2), &ticket);
    EXPECT_EQ(link.state(), LinkState::Transmitting);
    EXPECT_EQ(link.progress(ticket), RequestProgress::Built);
    EXPECT_EQ(link.parser().phase(), RxPhase::Hunting);
}

TEST_F(LinkScenario, WithdrawnRequestIsDroppedAndTheLinkTakesTheNextOne) {
    open();
    std::uint64_t ticket = 0;
    ASSERT_EQ(link.submit(request(1), &ticket), SubmitResult::Accepted);
    EXPECT_EQ(link.submit(request(2)), SubmitResult::Busy);  // arms the busy watchdog

    EXPECT_TRUE(link.withdraw(ticket));
    EXPECT_EQ(link.progress(ticket), RequestProgress::Dropped);
    EXPECT_FALSE(link.requestWaiting());
    EXPECT_EQ(link.busyWatchdogTicks(), 0) << "nothing left for the busy watchdog to drop";
    EXPECT_FALSE(link.withdraw(ticket)) << "withdrawing twice changes nothing";

    // The line goes quiet: the withdrawn request must not be sent after all.
    ticksUntilLeaving(LinkState::Watching);
    EXPECT_EQ(link.state(), LinkState::Idle);
    std::uint64_t next = 0;
    ASSERT_EQ(link.submit(request(3), &next), SubmitResult::Accepted);
    EXPECT_EQ(link.progress(next), RequestProgress::Built);
    EXPECT_EQ(link.builtFrame().bytes[5 + 6], 3);
}

TEST_F(LinkScenario, BuiltRequestCannotBeWithdrawn) {
    goIdle();
    std::uint64_t ticket = 0;
    ASSERT_EQ(link.submit(request(), &ticket), SubmitResult::Accepted);
    EXPECT_FALSE(link.withdraw(ticket));
    EXPECT_EQ(link.progress(ticket), RequestProgress::Built);
    EXPECT_TRUE(link.requestWaiting()) << "still to be transmitted";
}

TEST_F(LinkScenario, TimeOutAndBrokenRecordsCarryNoStatusOfAnEarlierReply) {
    goIdle();
    link.submit(request());
    link.transmissionDone();
    receive(testing::ackFrame(true, {0x40, 0x80}));  // rejected, device malfunction
    ASSERT_EQ(link.takeReply()->statusWord(), 0x4080);
    ticksUntilLeaving(LinkState::Settling);

    link.submit(request());
    link.transmissionDone();
    ticksUntilLeaving(LinkState::AwaitReply);
    auto timeout = link.takeReply();
    ASSERT_TRUE(timeout);
    EXPECT_EQ(timeout->flags, std::uint32_t{kFlagNoReply});
    EXPECT_EQ(timeout->statusWord(), 0);

    link.armResponseWatchdog();
    ticks(kResponseWatchdogTicks);
    auto broken = link.takeReply();
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->brokenReply, 1u);
    EXPECT_EQ(broken->statusWord(), 0);
}

}  // namespace
}  // namespace mirell
