// The data-link state machine's transition table, as data.
#pragma once

#include <cstdint>
#include <span>

#include "link_types.h"

namespace mirell {

enum class LinkAction : std::uint8_t {
    None,
    EndOfTransmission,
    BuildFrame,
    BuildFrameResetPreamble,
    RecordBurstAddress,
    RecordBurstAddressAndDeliverReply,
    DeliverReply,
    DeliverBurst,
    DeliverTimeout,
    DeliverBroken,
    DeliverForeign,
    CompareBurstAddress,
};

struct Transition {
    LinkState state;
    LinkEvent event;
    LinkAction action;
    std::uint8_t timerCode;  // 10: timers unchanged
    LinkState next;
};

// All rows, grouped by state, in search order.
std::span<const Transition> transitionTable();

// The first row of `state` that names `event`, or null when the event is
// ignored in that state.
const Transition* findTransition(LinkState state, LinkEvent event);

const char* toString(LinkAction action);

}  // namespace mirell
