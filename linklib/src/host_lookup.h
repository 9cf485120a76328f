// Finding a HART-IP host's addresses within a bound. A numeric address needs
// no name server and is taken at once; a name is asked of the resolver in the
// background, so that a name server that never answers cannot hold InitHart.
#pragma once

#include <netdb.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace mirell {

struct FreeAddresses {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, FreeAddresses>;

enum class LookupResult {
    Found,
    NotFound,  // no such name, or no address for it
    TimedOut,  // the resolver gave no verdict within the bound
};

// The addresses of `host` (a name, an IPv4 address or an IPv6 address without
// brackets) at `port` for sockets of `socketType`.
LookupResult lookUpHost(const std::string& host, std::uint16_t port, int socketType,
                        std::chrono::milliseconds limit, AddressList& found);

}  // namespace mirell
