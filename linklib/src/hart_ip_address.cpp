#include "hart_ip_address.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace mirell {

namespace {

constexpr std::string_view kUdpScheme = "hart-ip://";
constexpr std::string_view kTcpScheme = "hart-ip+tcp://";
constexpr std::string_view kTlsScheme = "hart-ip+tls://";
constexpr std::string_view kDtlsScheme = "hart-ip+dtls://";

}  // namespace

std::string HartIpAddress::text() const {
    const bool v6 = host.find(':') != std::string::npos;
    const std::string_view scheme =
        secure ? (tcp ? kTlsScheme : kDtlsScheme) : (tcp ? kTcpScheme : kUdpScheme);
    return std::string(scheme) + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<HartIpAddress> parseHartIpAddress(std::string_view name) {
    struct Scheme {
        std::string_view prefix;
        bool tcp;
        bool secure;
    };
    static constexpr Scheme kSchemes[] = {{kUdpScheme, false, false},
                                          {kTcpScheme, true, false},
                                          {kTlsScheme, true, true},
                                          {kDtlsScheme, false, true}};
    HartIpAddress address;
    const auto scheme = std::find_if(std::begin(kSchemes), std::end(kSchemes),
                                     [&](const Scheme& s) { return name.starts_with(s.prefix); });
    if (scheme == std::end(kSchemes)) return std::nullopt;
    address.tcp = scheme->tcp;
    address.secure = scheme->secure;
    name.remove_prefix(scheme->prefix.size());
    if (!name.empty() && name.back() == '/') name.remove_suffix(1);
    std::string_view port;
    if (name.starts_with('[')) {
        const auto close = name.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        address.host = std::string(name.substr(1, close - 1));
        const auto rest = name.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return std::nullopt;
            port = rest.substr(1);
        }
    } else if (const auto colon = name.find(':'); colon != std::string_view::npos) {
        address.host = std::string(name.substr(0, colon));
        port = name.substr(colon + 1);
        if (port.find(':') != std::string_view::npos) return std::nullopt;
    } else {
        address.host = std::string(name);
    }
    if (address.host.empty()) return std::nullopt;
    if (!port.empty() || name.ends_with(':')) {
        unsigned value = 0;
        const auto [end, status] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (status != std::errc{} || end != port.data() + port.size() || value == 0 || value > 65535)
            return std::nullopt;
        address.port = static_cast<std::uint16_t>(value);
    }
    return address;
}

}  // namespace mirell
