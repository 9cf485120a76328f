#include "line_input_decoder.h"

#include "link_types.h"

namespace mirell {

namespace {

constexpr std::uint8_t kMarkEscape = 0xFF;
// The kernel marks parity and framing errors alike, so a marked byte carries
// both flags; the codec only needs to know that the byte is unsound.
constexpr std::uint8_t kMarkedError = kLineParity | kLineFraming;
constexpr std::uint8_t kBreakError = kLineFraming;

}  // namespace

void LineInputDecoder::emit(std::uint8_t byte, std::uint8_t flags, std::vector<RxByte>& out) {
    if (overrun_) {
        flags |= kLineOverrun;
        overrun_ = false;
    }
    out.push_back({byte, flags});
}

void LineInputDecoder::decode(std::span<const std::uint8_t> raw, std::vector<RxByte>& out) {
    for (const std::uint8_t b : raw) {
        switch (state_) {
            case State::Plain:
                if (b == kMarkEscape) {
                    state_ = State::AfterFF;
                } else {
                    emit(b, 0, out);
                }
                break;
            case State::AfterFF:
                if (b == kMarkEscape) {
                    emit(kMarkEscape, 0, out);
                    state_ = State::Plain;
                } else if (b == 0x00) {
                    state_ = State::AfterFF00;
                } else {
                    // Not a mark the kernel writes: take both bytes as data
                    // rather than lose one.
                    emit(kMarkEscape, 0, out);
                    emit(b, 0, out);
                    state_ = State::Plain;
                }
                break;
            case State::AfterFF00:
                emit(b, b == 0x00 ? kBreakError : kMarkedError, out);
                state_ = State::Plain;
                break;
        }
    }
}

}  // namespace mirell
