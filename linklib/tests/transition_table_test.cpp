// Every row of the transition table, driven through the link one at a time:
// the next state, the timers the row loads, and the action's visible effect.
#include "transition_table.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "data_link.h"
#include "frame_builder.h"

namespace mirell {
namespace {

constexpr LinkEvent kAllEvents[] = {
    LinkEvent::SameBurstDevice,  LinkEvent::OtherBurstDevice, LinkEvent::FrameError,
    LinkEvent::TooManyPreambles, LinkEvent::Garbage,          LinkEvent::HoldExpired,
    LinkEvent::LineQuiet,        LinkEvent::AckOursBurst,     LinkEvent::AckOurs,
    LinkEvent::BackOurs,         LinkEvent::AckOtherBurst,    LinkEvent::AckOther,
    LinkEvent::BackOther,        LinkEvent::StxOther,         LinkEvent::StxOurs,
    LinkEvent::TxDone,           LinkEvent::LinkReset,        LinkEvent::ReplyExpired,
    LinkEvent::SendRequest,      LinkEvent::PreambleSeen};

TEST(TransitionTable, HasOneRowPerStateAndEventAndCoversEveryState) {
    std::set<std::pair<int, int>> seen;
    std::set<int> states;
    for (const auto& row : transitionTable()) {
        EXPECT_TRUE(seen.emplace(int(row.state), int(row.event)).second)
            << "duplicate row " << toString(row.state) << " / " << toString(row.event);
        states.insert(int(row.state));
        EXPECT_LT(int(row.next), kStateCount);
    }
    EXPECT_EQ(states.size(), std::size_t(kStateCount));
    EXPECT_EQ(transitionTable().size(), 110u);
}

struct TimerTicks {
    int reply, quiet, hold;
};

TimerTicks expectedTicks(int code, bool primary, const TimerTicks& before) {
    if (code == kTimerCodeUnchanged) return before;
    auto load = timerLoadFor(code, primary);
    return {ticksFor(load.replyMs), ticksFor(load.quietMs), ticksFor(load.holdMs)};
}

class EveryRow : public ::testing::TestWithParam<bool> {};

// Sets a link up in `row.state` with a received frame in the work area that
// makes the row's action observable, then raises the row's event.
TEST_P(EveryRow, TakesItsNextStateLoadsItsTimersAndRunsItsAction) {
    const bool primary = GetParam();
    for (const auto& row : transitionTable()) {
        SCOPED_TRACE(std::string(toString(row.state)) + " / " + toString(row.event));
        DataLink link(primary);
        // A reply in the work area, from the device at 3E 61 01 02 03.
        for (auto b : testing::ackFrame(primary, {0x00, 0x10, 0xAB})) link.receiveByte(b, 0);
        (void)link.takeReply();
        link.forceState(row.state);
        const TimerTicks before{link.replyTimerTicks(), link.quietTimerTicks(), link.holdTimerTicks()};

        link.raise(row.event);

        LinkState expectedNext = row.next;
        int expectedCode = row.timerCode;
        LinkAction action = row.action;
        if (row.action == LinkAction::CompareBurstAddress) {
            // No burst address recorded: the reply is from another device, and the
            // nested event is handled at once.
            const Transition* nested = findTransition(row.next, LinkEvent::OtherBurstDevice);
            ASSERT_NE(nested, nullptr);
            expectedNext = nested->next;
            expectedCode = nested->timerCode;
            action = nested->action;
        }
        EXPECT_EQ(link.state(), expectedNext);
        const TimerTicks want = expectedTicks(expectedCode, primary, before);
        EXPECT_EQ(link.replyTimerTicks(), want.reply);
        EXPECT_EQ(link.quietTimerTicks(), want.quiet);
        EXPECT_EQ(link.holdTimerTicks(), want.hold);

        const auto& reply = link.replyRecord();
        switch (action) {
            case LinkAction::DeliverReply:
            case LinkAction::RecordBurstAddressAndDeliverReply:
                EXPECT_TRUE(reply.delivered);
                EXPECT_EQ(reply.dataLength, 1);
                EXPECT_EQ(reply.data[0], 0xAB);
                EXPECT_EQ(reply.flags, std::uint32_t{kFlagDeviceStatus});
                break;
            case LinkAction::DeliverForeign:
                EXPECT_TRUE(reply.delivered);
                EXPECT_EQ(reply.foreignFrame, 1u);
                EXPECT_EQ(reply.flags & kFlagBrokenOrForeign, std::uint32_t{kFlagBrokenOrForeign});
                break;
            case LinkAction::DeliverTimeout:
                EXPECT_TRUE(reply.delivered);
                EXPECT_EQ(reply.flags, std::uint32_t{kFlagNoReply});
                EXPECT_EQ(reply.dataLength, 0);
                break;
            case LinkAction::DeliverBroken:
                EXPECT_TRUE(reply.delivered);
                EXPECT_EQ(reply.brokenReply, 1u);
                EXPECT_EQ(reply.dataLength, 0);
                break;
            case LinkAction::DeliverBurst:
                EXPECT_TRUE(link.burstRecord().delivered);
                EXPECT_FALSE(reply.delivered);
                break;
            default:
                EXPECT_FALSE(reply.delivered);
                EXPECT_FALSE(link.burstRecord().delivered);
                break;
        }
        if (row.action == LinkAction::RecordBurstAddress ||
            row.action == LinkAction::RecordBurstAddressAndDeliverReply) {
            EXPECT_EQ(link.recordedBurstAddress(), (LongAddress{0x3E, 0x61, 1, 2, 3}));
        }
    }
}

TEST_P(EveryRow, EventsAStateDoesNotNameAreIgnored) {
    const bool primary = GetParam();
    for (int s = 0; s < kStateCount; ++s) {
        for (LinkEvent e : kAllEvents) {
            const auto state = static_cast<LinkState>(s);
            if (findTransition(state, e)) continue;
            DataLink link(primary);
            link.forceState(state);
            link.raise(e);
            EXPECT_EQ(link.state(), state) << toString(state) << " / " << toString(e);
            EXPECT_EQ(link.replyTimerTicks(), 0);
            EXPECT_EQ(link.quietTimerTicks(), 0);
            EXPECT_EQ(link.holdTimerTicks(), 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(MasterModes, EveryRow, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Primary" : "Secondary"; });

TEST(TimerCodes, LoadTheLineTimingOfTheMasterMode) {
    struct Case {
        int code;
        bool primary;
        TimerLoad load;
    };
    const Case cases[] = {
        {0, true, {1155, 385, 0}}, {6, false, {1530, 510, 0}}, {2, true, {770, 0, 0}},
        {3, true, {0, 0, 0}},      {4, false, {125, 0, 0}},    {5, false, {155, 0, 0}},
        {9, false, {385, 0, 0}},   {12, true, {0, 0, 100}},    {10, true, {-1, -1, -1}},
    };
    for (const auto& c : cases) {
        auto l = timerLoadFor(c.code, c.primary);
        EXPECT_EQ(l.replyMs, c.load.replyMs) << c.code;
        EXPECT_EQ(l.quietMs, c.load.quietMs) << c.code;
        EXPECT_EQ(l.holdMs, c.load.holdMs) << c.code;
    }
}

TEST(LinkTimers, MillisecondsBecomeTicksRoundedUpPlusOne) {
    const std::pair<int, int> cases[] = {{0, 1},    {9, 1},    {10, 2},   {100, 11},
                                         {155, 16}, {160, 17}, {385, 39}, {510, 52}};
    for (auto [ms, ticks] : cases) EXPECT_EQ(ticksFor(ms), ticks) << ms;
}

TEST(LinkTimers, RepeatingTimerFiresFromTheTickAfterItReachesZero) {
    RepeatingTimer t;
    t.load(0);
    EXPECT_FALSE(t.tick());
    EXPECT_TRUE(t.tick());
    EXPECT_TRUE(t.tick());

    t.load(385);
    int firstFire = 0;
    for (int i = 1; i <= 50 && !firstFire; ++i) {
        if (t.tick()) firstFire = i;
    }
    EXPECT_EQ(firstFire, 40);
}

TEST(LinkTimers, OneShotTimerActsOnceWhenSteppingFromOneToZero) {
    OneShotTimer t;
    EXPECT_FALSE(t.tick()) << "an unloaded timer never acts";
    t.load(160);
    int fired = 0, at = 0;
    for (int i = 1; i <= 40; ++i) {
        if (t.tick()) {
            ++fired;
            at = i;
        }
    }
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(at, 17);
}

}  // namespace
}  // namespace mirell
