// The instruments a host has detected, named by small handles 1..15.
#pragma once

#include <array>
#include <cstdint>

#include "link_types.h"

namespace mirell {

struct Instrument {
    std::uint8_t pollingAddress = 0;
    LongAddress longAddress{};  // manufacturer, device type, 3 id bytes
    int preambles = 5;          // preambles the instrument asks for
};

class InstrumentRegistry {
public:
    static constexpr int kMaxInstruments = 15;

    // Handles are handed out in order 1, 2, 3 ...; a detection fills the next
    // entry (the candidate) and only a success commits it.
    bool full() const { return next_ > kMaxInstruments; }
    bool valid(int handle) const { return handle >= 1 && handle < next_; }
    int candidateHandle() const { return next_; }
    Instrument& candidate() { return entry(next_); }
    int commit() { return next_++; }
    // Registered instruments and the candidate (for resending a detection).
    // Anything else names the unused entry 0.
    Instrument& entry(int handle) {
        return entries_[handle >= 1 && handle <= kMaxInstruments ? static_cast<std::size_t>(handle) : 0];
    }
    bool registered(const LongAddress& address) const;
    void reset() { next_ = 1; }

private:
    // Entry 0 is never handed out; the candidate may be entry 15.
    std::array<Instrument, kMaxInstruments + 1> entries_{};
    int next_ = 1;
};

}  // namespace mirell
