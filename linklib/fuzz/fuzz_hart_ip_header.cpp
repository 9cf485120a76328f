// Decodes arbitrary bytes as one HART-IP datagram and as a stream of
// messages; whatever is accepted must re-encode to the same bytes, and a body
// taken as a token-passing frame must give a reply record whose length stays
// within what a byte count can announce.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "hart_ip_header.h"
#include "hart_ip_link.h"

using namespace mirell::hartip;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto decoded = decodeMessage(bytes); decoded.message) {
        if (decoded.message->body.size() + kHeaderSize != size) std::abort();
        const auto again = encodeMessage(decoded.message->header, decoded.message->body);
        if (!again || again->size() != size) std::abort();
        for (std::size_t i = 0; i < size; ++i) {
            if (i != 1 && (*again)[i] != data[i]) std::abort();  // byte 1 loses its reserved bits
        }
        const mirell::DeliveredFrame reply =
            mirell::deliveredFromPdu(decoded.message->body, (size & 1) != 0,
                                     (size & 2) != 0 ? mirell::PduRole::Answer : mirell::PduRole::Published);
        if (reply.dataLength < 0 || reply.dataLength > 253) std::abort();
    }
    std::size_t at = 0;
    while (at < size) {
        const auto length = streamedLength(bytes.subspan(at));
        if (!length) break;
        if (*length < kHeaderSize) std::abort();
        at += *length;
    }
    return 0;
}
