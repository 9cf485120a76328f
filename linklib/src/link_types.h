// Vocabulary shared by the codec, the link timers and the data-link state machine.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace mirell {

inline constexpr std::size_t kDataFieldSize = 50;  // request and reply data field
// The largest byte count a frame may carry: all its one byte can say. Older
// devices stay within 30; HART 7 commands (9, 20, 21, 48) go beyond.
inline constexpr std::size_t kMaxFrameData = 255;
// Data bytes of the longest reply after its two status bytes.
inline constexpr std::size_t kMaxReplyData = kMaxFrameData - 2;

using DataField = std::array<std::uint8_t, kDataFieldSize>;
using LongAddress = std::array<std::uint8_t, 5>;

enum class FrameKind : int { Long = 0, Short = 1 };

// Frame type decoded from the low bits of the delimiter.
enum class FrameType : int { Ack = 0, Back = 1, Stx = 2 };

// Line-error flags the transport attaches to each received byte.
enum LineError : std::uint8_t {
    kLineOverrun = 1u << 0,
    kLineFraming = 1u << 1,
    kLineParity = 1u << 2,
};

enum class LinkEvent : std::uint8_t {
    SameBurstDevice = 0,
    OtherBurstDevice = 1,
    FrameError = 3,
    TooManyPreambles = 4,
    Garbage = 5,
    HoldExpired = 6,
    LineQuiet = 8,
    AckOursBurst = 9,
    AckOurs = 10,
    BackOurs = 11,
    AckOtherBurst = 12,
    AckOther = 13,
    BackOther = 14,
    StxOther = 15,
    StxOurs = 16,
    TxDone = 17,
    LinkReset = 18,
    ReplyExpired = 19,
    SendRequest = 20,
    PreambleSeen = 21,
};

enum class LinkState : std::uint8_t {
    Watching = 0,
    WatchingRx = 1,
    MayTransmit = 2,
    Transmitting = 3,
    Idle = 4,
    AwaitReply = 5,
    ReceivingReply = 6,
    Settling = 7,
    SettlingRx = 8,
    OtherMasterTurn = 9,
    OtherMasterRx = 10,
    PreambleFlood = 11,
    BurstMayTransmit = 12,
    BurstTransmitting = 13,
    BurstAwaitReply = 14,
    BurstReceivingReply = 15,
    BurstWatching = 16,
    BurstWatchingRx = 17,
    BurstOtherMasterTurn = 18,
    BurstOtherMasterRx = 19,
    BurstPreambleFlood = 20,
    CheckReplySource = 21,
    CheckAckSource = 22,
};

inline constexpr int kStateCount = 23;

const char* toString(LinkEvent event);
const char* toString(LinkState state);

}  // namespace mirell
