#include "host_lookup.h"

#include <new>
#include <string>

namespace mirell {

namespace {

// One lookup handed to the C library's resolver threads. It lives on the heap:
// a lookup that outlasts its bound and cannot be cancelled is left to them,
// since they write into it until their own time-out ends (the library may be
// unloaded by then; the heap stays).
struct PendingLookup {
    std::string host;
    std::string service;
    addrinfo hints{};
    gaicb request{};
};

timespec toTimespec(std::chrono::steady_clock::duration left) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

LookupResult verdict(int error, addrinfo* list, AddressList& found) {
    if (error != 0 || !list) {
        if (list) ::freeaddrinfo(list);
        return LookupResult::NotFound;
    }
    found.reset(list);
    return LookupResult::Found;
}

}  // namespace

LookupResult lookUpHost(const std::string& host, std::uint16_t port, int socketType,
                        std::chrono::milliseconds limit, AddressList& found) {
    found.reset();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = socketType;
    hints.ai_flags = AI_NUMERICSERV;
    const std::string service = std::to_string(port);

    addrinfo numeric = hints;
    numeric.ai_flags |= AI_NUMERICHOST;
    addrinfo* list = nullptr;
    const int asNumber = ::getaddrinfo(host.c_str(), service.c_str(), &numeric, &list);
    if (asNumber != EAI_NONAME) return verdict(asNumber, list, found);

    auto* lookup = new (std::nothrow) PendingLookup{host, service, hints, {}};
    if (!lookup) return LookupResult::NotFound;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_service = lookup->service.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* requests[] = {&lookup->request};
    if (::getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr) != 0) {
        delete lookup;
        return LookupResult::NotFound;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int state = ::gai_error(&lookup->request);
    while (state == EAI_INPROGRESS) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) break;
        const timespec wait = toTimespec(left);
        ::gai_suspend(requests, 1, &wait);
        state = ::gai_error(&lookup->request);
    }
    if (state == EAI_INPROGRESS) {
        const int cancelled = ::gai_cancel(&lookup->request);
        if (cancelled == EAI_NOTCANCELED) return LookupResult::TimedOut;  // theirs now
        state = ::gai_error(&lookup->request);
        if (cancelled == EAI_CANCELED || state == EAI_CANCELED) {
            delete lookup;
            return LookupResult::TimedOut;
        }
    }
    const LookupResult result = verdict(state, lookup->request.ar_result, found);
    delete lookup;
    return result;
}

}  // namespace mirell
