// Small conveniences the HartMaster tests share.
#pragma once

#include <cstdint>
#include <string>

#include "hart_master.h"

namespace mirell::testing {

// Registers the positioner at 3E 61 01 02 03 without traffic.
inline int registerPositioner(HartMaster& master) {
    const std::uint8_t address[] = {0x3E, 0x61, 0x01, 0x02, 0x03};
    for (int i = 0; i < 5; ++i) master.setInteger(i, 1, address[i]);
    return master.forceRegistration();
}

inline std::string errorText(HartMaster& master) {
    char text[128];
    return master.errorMessage(text);
}

}  // namespace mirell::testing
