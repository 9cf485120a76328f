// What a transaction needs from the way to the devices, whichever it is: the
// serial data link (LinkDriver) or a HART-IP session (HartIpLink). HartMaster
// talks to one of them at a time through this seam and to nothing below it.
#pragma once

#include <cstdint>
#include <optional>

#include "data_link.h"
#include "frame_codec.h"
#include "frame_trace.h"

namespace mirell {

enum class SendResult {
    Sent,        // the frame has been transmitted
    Busy,        // an earlier request still waits for its turn
    TooLong,     // the frame would not fit the transmit buffer
    NoTurn,      // the line never let it out; it was withdrawn, or the link dropped it
    NotRunning,  // the link is not open, or its port has gone
};

class Transport {
public:
    virtual ~Transport() = default;

    // Stops every thread of the transport and lets go of the port or
    // session. Harmless when closed.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The way to the devices failed under the open transport: sends are
    // refused and waits end at once until it is opened again.
    virtual bool portLost() const = 0;
    virtual void setPrimaryMaster(bool primary) = 0;
    // Every frame from the next open on goes to `trace` (none: null). Set
    // only while closed; the trace must outlive the open transport.
    virtual void setTrace(FrameTrace* trace) = 0;

    // Transmits the request's frame.
    virtual SendResult send(const Request& request) = 0;
    // Waits for the reply to the request sent last (a time-out or broken
    // record included); a time-out record at once when not open.
    virtual DeliveredFrame awaitReply() = 0;
    virtual std::optional<DeliveredFrame> takeBurst() = 0;
    // Status word of the frame received last.
    virtual std::uint16_t lastParsedStatus() const = 0;
};

}  // namespace mirell
