// Turns the input of a terminal opened with parity marking (PARMRK) back into
// bytes with line-error flags. The kernel escapes its marks in-band:
//   FF FF     a data byte FF
//   FF 00 X   X received with a parity or framing error
//   FF 00 00  a break (reported as a 00 with a framing error)
// A mark may be split across reads; the decoder carries it over.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "link_port.h"

namespace mirell {

class LineInputDecoder {
public:
    // Decodes `raw` and appends the bytes to `out`.
    void decode(std::span<const std::uint8_t> raw, std::vector<RxByte>& out);
    // The port lost input (overrun): the next byte carries the overrun flag,
    // so a frame it falls into is judged broken.
    void noteOverrun() { overrun_ = true; }
    // Forgets a mark in progress (after the input was purged).
    void reset() {
        state_ = State::Plain;
        overrun_ = false;
    }

private:
    enum class State { Plain, AfterFF, AfterFF00 };
    void emit(std::uint8_t byte, std::uint8_t flags, std::vector<RxByte>& out);

    State state_ = State::Plain;
    bool overrun_ = false;
};

}  // namespace mirell
