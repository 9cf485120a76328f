// Rebuilds, for the frame trace, the frames the link sends and the frames its
// codec parses: the receive side watches the codec's phase around each byte
// it is fed and each tick of the link clock, so a frame is traced exactly as
// far as the codec took it.
#pragma once

#include <optional>

#include "frame_codec.h"
#include "traced_frame.h"

namespace mirell {

// The frame of a request as it goes onto the line (its time left unset).
TracedFrame tracedRequest(const TxFrame& frame);

class FrameTap {
public:
    // After `byte` was fed to `parser`, whose preamble count was
    // `preamblesBefore` before it. A frame the byte ended is returned.
    std::optional<TracedFrame> afterByte(const FrameParser& parser, std::uint8_t byte, int preamblesBefore);
    // After a tick of the link clock: a gap time-out ends a frame.
    std::optional<TracedFrame> afterTick(const FrameParser& parser);
    // The link closes: a frame in progress ends unfinished.
    std::optional<TracedFrame> linkClosed(const FrameParser& parser);
    void reset() { collecting_ = false; }

private:
    TracedFrame finish(const FrameParser& parser, FrameEnd end);

    bool collecting_ = false;
    TracedFrame frame_;
};

}  // namespace mirell
