#include "instrument_registry.h"

namespace mirell {

bool InstrumentRegistry::registered(const LongAddress& address) const {
    for (int h = 1; h < next_; ++h) {
        if (entries_[static_cast<std::size_t>(h)].longAddress == address) return true;
    }
    return false;
}

}  // namespace mirell
