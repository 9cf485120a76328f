#include "frame_codec.h"

#include <algorithm>

namespace mirell {

namespace {

constexpr std::uint8_t kPreamble = 0xFF;
constexpr std::uint8_t kShortDelimiter = 0x02;
constexpr std::uint8_t kLongDelimiter = 0x82;
constexpr std::uint8_t kMasterBit = 0x80;
constexpr std::uint8_t kBurstBit = 0x40;

// A delimiter is accepted only after this many counted preambles (the 0xFF that
// ended the hunt is not counted).
constexpr int kMinCountedPreambles = 2;
constexpr int kMaxCountedPreambles = 59;
constexpr int kPreambleFloodAt = 61;

std::size_t addressLength(FrameKind kind) { return kind == FrameKind::Short ? 1 : 5; }

}  // namespace

std::size_t requestFrameLength(const Request& request) {
    const std::size_t preambles = static_cast<std::size_t>(std::max(request.preambles, 0));
    // delimiter + address + command + byte count + data
    return preambles + 1 + addressLength(request.kind) + 2 + request.byteCount;
}

bool requestFits(const Request& request) {
    return request.preambles >= 0 && request.byteCount <= kDataFieldSize &&
           requestFrameLength(request) <= TxFrame::kFrameBytes;
}

std::optional<TxFrame> assembleRequest(const Request& request, bool primaryMaster) {
    if (!requestFits(request)) return std::nullopt;

    TxFrame frame;
    std::uint8_t check = 0;
    auto append = [&](std::uint8_t b) {
        frame.bytes[frame.length++] = b;
        check ^= b;
    };

    for (int i = 0; i < request.preambles; ++i) frame.bytes[frame.length++] = kPreamble;

    const std::uint8_t master = primaryMaster ? kMasterBit : 0;
    if (request.kind == FrameKind::Short) {
        append(kShortDelimiter);
        append(static_cast<std::uint8_t>(master | (request.pollingAddress & 0x0F)));
    } else {
        append(kLongDelimiter);
        append(static_cast<std::uint8_t>(master | (request.longAddress[0] & 0x3F)));
        for (std::size_t i = 1; i < request.longAddress.size(); ++i) append(request.longAddress[i]);
    }
    append(request.command);
    append(request.byteCount);
    for (std::size_t i = 0; i < request.byteCount; ++i) append(request.data[i]);

    frame.bytes[frame.length++] = check;
    return frame;
}

// ---------------------------------------------------------------------------
// Receiving

void FrameParser::startFrame(std::uint8_t delimiter) {
    runningChecksum_ = delimiter;
    frame_.delimiter = delimiter;
    preambles_ = 0;
    switch (delimiter & 0x1F) {
        case 1: frame_.type = FrameType::Back; break;
        case 2: frame_.type = FrameType::Stx; break;
        default: frame_.type = FrameType::Ack; break;
    }
    frame_.expansionCount = (delimiter >> 5) & 0x03;
    frame_.longAddress = (delimiter & 0x80) != 0;
    frame_.errorWord = 0;
    frame_.lineErrors = {};
    // A frame too short to carry status bytes must not report the last one's.
    frame_.responseCode = 0;
    frame_.deviceStatus = 0;
    phase_ = RxPhase::InFrame;
    enterStep(RxStep::Address);
}

void FrameParser::enterStep(RxStep step) {
    step_ = step;
    stepBytes_ = 0;
}

void FrameParser::noteLineError(std::uint8_t lineErrors, std::uint32_t bit, std::size_t field) {
    if (lineErrors == 0) return;
    frame_.errorWord |= bit;
    frame_.lineErrors[field] |= lineErrors;
}

LinkEvent FrameParser::classEvent() const {
    const bool ours = frame_.masterBit == primary_;
    switch (frame_.type) {
        case FrameType::Ack:
            if (frame_.burstBit) return ours ? LinkEvent::AckOursBurst : LinkEvent::AckOtherBurst;
            return ours ? LinkEvent::AckOurs : LinkEvent::AckOther;
        case FrameType::Back: return ours ? LinkEvent::BackOurs : LinkEvent::BackOther;
        case FrameType::Stx: break;
    }
    return ours ? LinkEvent::StxOurs : LinkEvent::StxOther;
}

std::optional<LinkEvent> FrameParser::feed(std::uint8_t byte, std::uint8_t lineErrors) {
    switch (phase_) {
        case RxPhase::Hunting:
            if (byte == kPreamble && lineErrors == 0) {
                phase_ = RxPhase::Preamble;
                preambles_ = 0;
                return LinkEvent::PreambleSeen;
            }
            return std::nullopt;

        case RxPhase::Preamble: {
            if (byte == kPreamble && lineErrors == 0) {
                // Saturates: an endless flood must not overflow the count.
                if (preambles_ < kPreambleFloodAt) ++preambles_;
                if (preambles_ >= kPreambleFloodAt) return LinkEvent::TooManyPreambles;
                return std::nullopt;
            }
            const std::uint8_t kind = byte & 0x1F;
            const bool isDelimiter = kind == 1 || kind == 2 || kind == 6;
            if (lineErrors == 0 && isDelimiter && preambles_ >= kMinCountedPreambles &&
                preambles_ <= kMaxCountedPreambles) {
                startFrame(byte);
                return std::nullopt;
            }
            preambles_ = 0;
            phase_ = RxPhase::Hunting;
            return LinkEvent::Garbage;
        }

        case RxPhase::InFrame: return parseInFrame(byte, lineErrors);
    }
    return std::nullopt;
}

std::optional<LinkEvent> FrameParser::parseInFrame(std::uint8_t byte, std::uint8_t lineErrors) {
    if (step_ != RxStep::Checksum && !(step_ == RxStep::Data && stepBytes_ >= frame_.byteCount)) {
        runningChecksum_ ^= byte;
    }

    // Steps that consume no byte of their own (no expansion bytes, no data)
    // fall through to the next step with the same byte.
    for (;;) {
        switch (step_) {
            case RxStep::Address: {
                noteLineError(lineErrors, kErrAddress, kFieldAddress);
                if (stepBytes_ == 0) {
                    frame_.masterBit = (byte & kMasterBit) != 0;
                    frame_.burstBit = (byte & kBurstBit) != 0;
                    frame_.address = {};
                }
                if (frame_.longAddress) {
                    frame_.address[1 + stepBytes_] = byte;
                    if (++stepBytes_ == 5) enterStep(RxStep::Expansion);
                } else {
                    frame_.address[0] = byte;
                    enterStep(RxStep::Expansion);
                }
                return std::nullopt;
            }
            case RxStep::Expansion:
                if (stepBytes_ < frame_.expansionCount) {
                    // Expansion bytes belong to the address field.
                    noteLineError(lineErrors, kErrAddress, kFieldAddress);
                    ++stepBytes_;
                    return std::nullopt;
                }
                enterStep(RxStep::Command);
                continue;
            case RxStep::Command:
                noteLineError(lineErrors, kErrCommand, kFieldCommand);
                frame_.command = byte;
                enterStep(RxStep::ByteCount);
                return std::nullopt;
            case RxStep::ByteCount:
                noteLineError(lineErrors, kErrCommand, kFieldCommand);
                frame_.byteCount = byte;
                // A damaged byte count cannot say where the frame ends.
                if (lineErrors != 0) {
                    phase_ = RxPhase::Hunting;
                    return LinkEvent::FrameError;
                }
                enterStep(RxStep::Data);
                return std::nullopt;
            case RxStep::Data:
                if (stepBytes_ >= frame_.byteCount) {
                    enterStep(RxStep::Checksum);
                    continue;
                }
                noteLineError(lineErrors, kErrData, kFieldData);
                frame_.data[static_cast<std::size_t>(stepBytes_)] = byte;
                if (stepBytes_ == 0) frame_.responseCode = byte;
                if (stepBytes_ == 1) frame_.deviceStatus = byte;
                ++stepBytes_;
                return std::nullopt;
            case RxStep::Checksum:
                noteLineError(lineErrors, kErrChecksumByte, kFieldChecksum);
                frame_.checksum = byte;
                if (byte != runningChecksum_) frame_.errorWord |= kErrChecksumMismatch;
                phase_ = RxPhase::Hunting;
                return classEvent();
        }
    }
}

std::optional<LinkEvent> FrameParser::gapTimeout() {
    const RxPhase was = phase_;
    preambles_ = 0;
    phase_ = RxPhase::Hunting;
    if (was == RxPhase::Preamble) return LinkEvent::Garbage;
    if (was == RxPhase::InFrame) return LinkEvent::FrameError;
    return std::nullopt;
}

void FrameParser::abandonPreambles() {
    if (phase_ == RxPhase::Preamble) {
        phase_ = RxPhase::Hunting;
        preambles_ = 0;
    }
}

}  // namespace mirell
