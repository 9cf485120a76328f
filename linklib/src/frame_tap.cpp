#include "frame_tap.h"

#include <algorithm>

namespace mirell {

namespace {

constexpr std::uint8_t kPreamble = 0xFF;

}  // namespace

TracedFrame tracedRequest(const TxFrame& frame) {
    TracedFrame traced;
    traced.direction = TraceDirection::Sent;
    // A delimiter is never 0xFF, so the leading run is exactly the preambles.
    std::size_t at = 0;
    while (at < frame.size() && frame.bytes[at] == kPreamble) ++at;
    traced.preambles = static_cast<std::uint8_t>(at);
    for (; at < frame.size(); ++at) traced.append(frame.bytes[at]);
    return traced;
}

std::optional<TracedFrame> FrameTap::afterByte(const FrameParser& parser, std::uint8_t byte,
                                               int preamblesBefore) {
    const bool inFrame = parser.phase() == RxPhase::InFrame;
    if (!collecting_) {
        if (!inFrame) return std::nullopt;
        // The byte was a delimiter. The 0xFF that ended the hunt is not in
        // the codec's count.
        frame_ = TracedFrame{};
        frame_.direction = TraceDirection::Received;
        frame_.preambles = static_cast<std::uint8_t>(std::min(preamblesBefore + 1, 255));
        frame_.append(byte);
        collecting_ = true;
        return std::nullopt;
    }
    frame_.append(byte);
    if (inFrame) return std::nullopt;
    // The codec stays at the step that ended the frame.
    return finish(parser,
                  parser.step() == RxStep::Checksum ? FrameEnd::Complete : FrameEnd::ByteCountRefused);
}

std::optional<TracedFrame> FrameTap::afterTick(const FrameParser& parser) {
    if (!collecting_ || parser.phase() == RxPhase::InFrame) return std::nullopt;
    return finish(parser, FrameEnd::GapTimeout);
}

std::optional<TracedFrame> FrameTap::linkClosed(const FrameParser& parser) {
    if (!collecting_) return std::nullopt;
    return finish(parser, FrameEnd::LinkClosed);
}

TracedFrame FrameTap::finish(const FrameParser& parser, FrameEnd end) {
    collecting_ = false;
    frame_.end = end;
    const ReceivedFrame& parsed = parser.frame();
    frame_.errorWord = parsed.errorWord;
    for (std::size_t i = 0; i < frame_.lineErrors.size(); ++i)
        frame_.lineErrors[i] = static_cast<std::uint8_t>(parsed.lineErrors[i]);
    return frame_;
}

}  // namespace mirell
