// Drives the data link with arbitrary input: received bytes with line-error
// flags, clock ticks, submissions and transmission ends, in any order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data_link.h"

using namespace mirell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DataLink link(size > 0 && (data[0] & 1));
    link.linkOpened();
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const std::uint8_t op = data[i];
        const std::uint8_t arg = data[i + 1];
        switch (op & 7) {
            case 5: link.tick(); break;
            case 6: {
                Request r;
                r.kind = (op & 8) ? FrameKind::Short : FrameKind::Long;
                r.command = arg;
                r.byteCount = static_cast<std::uint8_t>(op >> 2);
                r.preambles = 2 + (arg & 15);
                link.submit(r);
                break;
            }
            case 7: link.transmissionDone(); break;
            default: link.receiveByte(arg, static_cast<std::uint8_t>((op >> 3) & 7)); break;
        }
        if (static_cast<int>(link.state()) >= kStateCount) std::abort();
        const int maxLength = static_cast<int>(kMaxReplyData);
        if (auto reply = link.takeReply(); reply && (reply->dataLength < 0 || reply->dataLength > maxLength))
            std::abort();
        if (auto burst = link.takeBurst(); burst && burst->dataLength > maxLength) std::abort();
    }
    return 0;
}
