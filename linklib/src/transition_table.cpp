#include "transition_table.h"

#include <array>

namespace mirell {

namespace {

using S = LinkState;
using E = LinkEvent;
using A = LinkAction;
constexpr std::uint8_t kKeep = 10;

// clang-format off
constexpr std::array kRows = {
    Transition{S::Watching,            E::LinkReset,        A::EndOfTransmission,                 6,     S::Watching},
    Transition{S::Watching,            E::PreambleSeen,     A::None,                              kKeep, S::WatchingRx},
    Transition{S::Watching,            E::LineQuiet,        A::None,                              kKeep, S::Idle},
    Transition{S::Watching,            E::ReplyExpired,     A::None,                              kKeep, S::Idle},

    Transition{S::WatchingRx,          E::StxOurs,          A::None,                              6,     S::Watching},
    Transition{S::WatchingRx,          E::AckOurs,          A::None,                              6,     S::Watching},
    Transition{S::WatchingRx,          E::AckOursBurst,     A::None,                              6,     S::Watching},
    Transition{S::WatchingRx,          E::StxOther,         A::None,                              7,     S::OtherMasterTurn},
    Transition{S::WatchingRx,          E::AckOther,         A::None,                              12,    S::MayTransmit},
    Transition{S::WatchingRx,          E::AckOtherBurst,    A::RecordBurstAddress,                9,     S::BurstWatching},
    Transition{S::WatchingRx,          E::BackOurs,         A::RecordBurstAddress,                9,     S::BurstWatching},
    Transition{S::WatchingRx,          E::BackOther,        A::RecordBurstAddress,                13,    S::BurstMayTransmit},
    Transition{S::WatchingRx,          E::FrameError,       A::None,                              kKeep, S::Watching},
    Transition{S::WatchingRx,          E::Garbage,          A::None,                              kKeep, S::Watching},

    Transition{S::MayTransmit,         E::SendRequest,      A::BuildFrame,                        kKeep, S::Transmitting},
    Transition{S::MayTransmit,         E::HoldExpired,      A::None,                              2,     S::Settling},

    Transition{S::Transmitting,        E::TxDone,           A::EndOfTransmission,                 8,     S::AwaitReply},

    Transition{S::Idle,                E::SendRequest,      A::BuildFrame,                        kKeep, S::Transmitting},
    Transition{S::Idle,                E::PreambleSeen,     A::None,                              kKeep, S::SettlingRx},

    Transition{S::AwaitReply,          E::PreambleSeen,     A::None,                              kKeep, S::ReceivingReply},
    Transition{S::AwaitReply,          E::ReplyExpired,     A::DeliverTimeout,                    4,     S::Settling},
    Transition{S::AwaitReply,          E::SendRequest,      A::None,                              kKeep, S::AwaitReply},

    Transition{S::ReceivingReply,      E::StxOurs,          A::DeliverForeign,                    0,     S::Watching},
    Transition{S::ReceivingReply,      E::StxOther,         A::DeliverForeign,                    0,     S::Watching},
    Transition{S::ReceivingReply,      E::AckOther,         A::DeliverForeign,                    0,     S::Watching},
    Transition{S::ReceivingReply,      E::AckOtherBurst,    A::DeliverForeign,                    0,     S::Watching},
    Transition{S::ReceivingReply,      E::BackOurs,         A::DeliverForeign,                    0,     S::Watching},
    Transition{S::ReceivingReply,      E::BackOther,        A::DeliverForeign,                    0,     S::Watching},
    Transition{S::ReceivingReply,      E::AckOurs,          A::DeliverReply,                      5,     S::Settling},
    Transition{S::ReceivingReply,      E::AckOursBurst,     A::RecordBurstAddressAndDeliverReply, 9,     S::BurstWatching},
    Transition{S::ReceivingReply,      E::FrameError,       A::DeliverBroken,                     1,     S::Watching},
    Transition{S::ReceivingReply,      E::TooManyPreambles, A::None,                              kKeep, S::PreambleFlood},
    Transition{S::ReceivingReply,      E::Garbage,          A::None,                              kKeep, S::AwaitReply},

    Transition{S::Settling,            E::PreambleSeen,     A::None,                              kKeep, S::SettlingRx},
    Transition{S::Settling,            E::ReplyExpired,     A::None,                              kKeep, S::Idle},

    Transition{S::SettlingRx,          E::StxOurs,          A::None,                              6,     S::Watching},
    Transition{S::SettlingRx,          E::AckOurs,          A::None,                              6,     S::Watching},
    Transition{S::SettlingRx,          E::AckOursBurst,     A::None,                              6,     S::Watching},
    Transition{S::SettlingRx,          E::AckOther,         A::None,                              6,     S::Watching},
    Transition{S::SettlingRx,          E::AckOtherBurst,    A::None,                              6,     S::Watching},
    Transition{S::SettlingRx,          E::BackOurs,         A::None,                              6,     S::Watching},
    Transition{S::SettlingRx,          E::BackOther,        A::None,                              6,     S::Watching},
    Transition{S::SettlingRx,          E::StxOther,         A::None,                              7,     S::OtherMasterTurn},
    Transition{S::SettlingRx,          E::FrameError,       A::None,                              6,     S::Watching},
    Transition{S::SettlingRx,          E::TooManyPreambles, A::None,                              kKeep, S::PreambleFlood},
    Transition{S::SettlingRx,          E::Garbage,          A::None,                              kKeep, S::Settling},

    Transition{S::OtherMasterTurn,     E::PreambleSeen,     A::None,                              kKeep, S::OtherMasterRx},
    Transition{S::OtherMasterTurn,     E::ReplyExpired,     A::None,                              3,     S::Settling},

    Transition{S::OtherMasterRx,       E::StxOurs,          A::None,                              6,     S::Watching},
    Transition{S::OtherMasterRx,       E::AckOurs,          A::None,                              6,     S::Watching},
    Transition{S::OtherMasterRx,       E::AckOursBurst,     A::None,                              6,     S::Watching},
    Transition{S::OtherMasterRx,       E::StxOther,         A::None,                              6,     S::Watching},
    Transition{S::OtherMasterRx,       E::BackOurs,         A::None,                              6,     S::Watching},
    Transition{S::OtherMasterRx,       E::BackOther,        A::None,                              6,     S::Watching},
    Transition{S::OtherMasterRx,       E::AckOther,         A::None,                              12,    S::MayTransmit},
    Transition{S::OtherMasterRx,       E::AckOtherBurst,    A::RecordBurstAddress,                9,     S::BurstWatching},
    Transition{S::OtherMasterRx,       E::TooManyPreambles, A::None,                              kKeep, S::PreambleFlood},
    Transition{S::OtherMasterRx,       E::Garbage,          A::None,                              kKeep, S::OtherMasterTurn},
    Transition{S::OtherMasterRx,       E::FrameError,       A::None,                              6,     S::Watching},

    Transition{S::PreambleFlood,       E::SendRequest,      A::BuildFrameResetPreamble,           kKeep, S::Transmitting},
    Transition{S::PreambleFlood,       E::Garbage,          A::None,                              6,     S::Watching},

    Transition{S::BurstMayTransmit,    E::SendRequest,      A::BuildFrame,                        kKeep, S::BurstTransmitting},
    Transition{S::BurstMayTransmit,    E::HoldExpired,      A::None,                              7,     S::BurstWatching},

    Transition{S::BurstTransmitting,   E::TxDone,           A::EndOfTransmission,                 8,     S::BurstAwaitReply},

    Transition{S::BurstAwaitReply,     E::PreambleSeen,     A::None,                              kKeep, S::BurstReceivingReply},
    Transition{S::BurstAwaitReply,     E::ReplyExpired,     A::DeliverTimeout,                    11,    S::BurstWatching},
    Transition{S::BurstAwaitReply,     E::SendRequest,      A::None,                              kKeep, S::BurstAwaitReply},

    Transition{S::BurstReceivingReply, E::StxOurs,          A::DeliverForeign,                    0,     S::Watching},
    Transition{S::BurstReceivingReply, E::StxOther,         A::DeliverForeign,                    0,     S::Watching},
    Transition{S::BurstReceivingReply, E::AckOther,         A::DeliverForeign,                    0,     S::Watching},
    Transition{S::BurstReceivingReply, E::AckOtherBurst,    A::DeliverForeign,                    0,     S::Watching},
    Transition{S::BurstReceivingReply, E::BackOurs,         A::DeliverForeign,                    0,     S::Watching},
    Transition{S::BurstReceivingReply, E::BackOther,        A::DeliverForeign,                    0,     S::Watching},
    Transition{S::BurstReceivingReply, E::AckOurs,          A::CompareBurstAddress,               kKeep, S::CheckReplySource},
    Transition{S::BurstReceivingReply, E::AckOursBurst,     A::DeliverReply,                      7,     S::BurstWatching},
    Transition{S::BurstReceivingReply, E::FrameError,       A::DeliverBroken,                     1,     S::Watching},
    Transition{S::BurstReceivingReply, E::TooManyPreambles, A::None,                              kKeep, S::BurstPreambleFlood},
    Transition{S::BurstReceivingReply, E::Garbage,          A::None,                              kKeep, S::BurstAwaitReply},

    Transition{S::BurstWatching,       E::PreambleSeen,     A::None,                              kKeep, S::BurstWatchingRx},
    Transition{S::BurstWatching,       E::ReplyExpired,     A::None,                              6,     S::Watching},

    Transition{S::BurstWatchingRx,     E::StxOurs,          A::None,                              6,     S::Watching},
    Transition{S::BurstWatchingRx,     E::AckOurs,          A::None,                              6,     S::Watching},
    Transition{S::BurstWatchingRx,     E::AckOursBurst,     A::None,                              6,     S::Watching},
    Transition{S::BurstWatchingRx,     E::AckOther,         A::None,                              6,     S::Watching},
    Transition{S::BurstWatchingRx,     E::AckOtherBurst,    A::None,                              6,     S::Watching},
    Transition{S::BurstWatchingRx,     E::BackOurs,         A::DeliverBurst,                      7,     S::BurstWatching},
    Transition{S::BurstWatchingRx,     E::BackOther,        A::DeliverBurst,                      12,    S::BurstMayTransmit},
    Transition{S::BurstWatchingRx,     E::StxOther,         A::None,                              7,     S::BurstOtherMasterTurn},
    Transition{S::BurstWatchingRx,     E::FrameError,       A::None,                              6,     S::Watching},
    Transition{S::BurstWatchingRx,     E::TooManyPreambles, A::None,                              kKeep, S::BurstPreambleFlood},
    Transition{S::BurstWatchingRx,     E::Garbage,          A::None,                              kKeep, S::BurstWatching},

    Transition{S::BurstOtherMasterTurn, E::PreambleSeen,    A::None,                              kKeep, S::BurstOtherMasterRx},
    Transition{S::BurstOtherMasterTurn, E::ReplyExpired,    A::None,                              7,     S::BurstWatching},

    Transition{S::BurstOtherMasterRx,  E::StxOurs,          A::None,                              6,     S::Watching},
    Transition{S::BurstOtherMasterRx,  E::AckOurs,          A::None,                              6,     S::Watching},
    Transition{S::BurstOtherMasterRx,  E::AckOursBurst,     A::None,                              6,     S::Watching},
    Transition{S::BurstOtherMasterRx,  E::StxOther,         A::None,                              6,     S::Watching},
    Transition{S::BurstOtherMasterRx,  E::BackOurs,         A::None,                              6,     S::Watching},
    Transition{S::BurstOtherMasterRx,  E::BackOther,        A::None,                              6,     S::Watching},
    Transition{S::BurstOtherMasterRx,  E::AckOther,         A::CompareBurstAddress,               kKeep, S::CheckAckSource},
    Transition{S::BurstOtherMasterRx,  E::AckOtherBurst,    A::None,                              7,     S::BurstWatching},
    Transition{S::BurstOtherMasterRx,  E::FrameError,       A::None,                              6,     S::Watching},
    Transition{S::BurstOtherMasterRx,  E::TooManyPreambles, A::None,                              kKeep, S::BurstPreambleFlood},
    Transition{S::BurstOtherMasterRx,  E::Garbage,          A::None,                              kKeep, S::BurstOtherMasterTurn},

    Transition{S::BurstPreambleFlood,  E::SendRequest,      A::BuildFrameResetPreamble,           kKeep, S::BurstTransmitting},
    Transition{S::BurstPreambleFlood,  E::Garbage,          A::None,                              6,     S::Watching},

    Transition{S::CheckReplySource,    E::SameBurstDevice,  A::DeliverReply,                      5,     S::Settling},
    Transition{S::CheckReplySource,    E::OtherBurstDevice, A::DeliverReply,                      7,     S::BurstWatching},

    Transition{S::CheckAckSource,      E::SameBurstDevice,  A::None,                              12,    S::MayTransmit},
    Transition{S::CheckAckSource,      E::OtherBurstDevice, A::None,                              7,     S::BurstWatching},
};
// clang-format on

}  // namespace

std::span<const Transition> transitionTable() { return kRows; }

const Transition* findTransition(LinkState state, LinkEvent event) {
    for (const Transition& row : kRows) {
        if (row.state == state && row.event == event) return &row;
    }
    return nullptr;
}

const char* toString(LinkAction action) {
    switch (action) {
        case A::None: return "-";
        case A::EndOfTransmission: return "EndOfTransmission";
        case A::BuildFrame: return "BuildFrame";
        case A::BuildFrameResetPreamble: return "BuildFrameResetPreamble";
        case A::RecordBurstAddress: return "RecordBurstAddress";
        case A::RecordBurstAddressAndDeliverReply: return "RecordBurstAddressAndDeliverReply";
        case A::DeliverReply: return "DeliverReply";
        case A::DeliverBurst: return "DeliverBurst";
        case A::DeliverTimeout: return "DeliverTimeout";
        case A::DeliverBroken: return "DeliverBroken";
        case A::DeliverForeign: return "DeliverForeign";
        case A::CompareBurstAddress: return "CompareBurstAddress";
    }
    return "?";
}

const char* toString(LinkEvent event) {
    switch (event) {
        case E::SameBurstDevice: return "SameBurstDevice";
        case E::OtherBurstDevice: return "OtherBurstDevice";
        case E::FrameError: return "FrameError";
        case E::TooManyPreambles: return "TooManyPreambles";
        case E::Garbage: return "Garbage";
        case E::HoldExpired: return "HoldExpired";
        case E::LineQuiet: return "LineQuiet";
        case E::AckOursBurst: return "AckOursBurst";
        case E::AckOurs: return "AckOurs";
        case E::BackOurs: return "BackOurs";
        case E::AckOtherBurst: return "AckOtherBurst";
        case E::AckOther: return "AckOther";
        case E::BackOther: return "BackOther";
        case E::StxOther: return "StxOther";
        case E::StxOurs: return "StxOurs";
        case E::TxDone: return "TxDone";
        case E::LinkReset: return "LinkReset";
        case E::ReplyExpired: return "ReplyExpired";
        case E::SendRequest: return "SendRequest";
        case E::PreambleSeen: return "PreambleSeen";
    }
    return "?";
}

const char* toString(LinkState state) {
    // clang-format off
    static constexpr const char* kNames[kStateCount] = {
        "Watching", "WatchingRx", "MayTransmit", "Transmitting", "Idle", "AwaitReply",
        "ReceivingReply", "Settling", "SettlingRx", "OtherMasterTurn", "OtherMasterRx",
        "PreambleFlood", "BurstMayTransmit", "BurstTransmitting", "BurstAwaitReply",
        "BurstReceivingReply", "BurstWatching", "BurstWatchingRx", "BurstOtherMasterTurn",
        "BurstOtherMasterRx", "BurstPreambleFlood", "CheckReplySource", "CheckAckSource"};
    // clang-format on
    const auto i = static_cast<int>(state);
    return i < kStateCount ? kNames[i] : "?";
}

}  // namespace mirell
