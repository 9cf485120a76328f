// Where a HART-IP session goes: the port names that stand for a HART-IP
// device, gateway or multiplexer instead of a serial device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hart_ip_header.h"

namespace mirell {

struct HartIpAddress {
    std::string host;
    std::uint16_t port = hartip::kDefaultPort;
    bool tcp = false;
    bool secure = false;  // TLS over TCP, DTLS over UDP

    // "hart-ip://host:port", "hart-ip+tcp://...", "hart-ip+tls://..." or
    // "hart-ip+dtls://...".
    std::string text() const;
};

// A port name "hart-ip://HOST[:PORT]" (UDP), "hart-ip+tcp://HOST[:PORT]",
// "hart-ip+tls://HOST[:PORT]" (TCP, secure) or "hart-ip+dtls://HOST[:PORT]"
// (UDP, secure); nothing for any other name (a serial device). An IPv6 host
// is written in brackets.
std::optional<HartIpAddress> parseHartIpAddress(std::string_view name);

}  // namespace mirell
