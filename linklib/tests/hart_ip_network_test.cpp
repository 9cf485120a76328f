// The HART-IP transport against peers that stall: a name server that never
// answers, and a server that stops reading. Nothing may wait on them without
// a bound; each test here would hang (until the test's own time-out) if the
// transport did.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include "hart_ip_link.h"

namespace mirell {
namespace {

using namespace std::chrono_literals;

// Outcomes of the child that looks a name up behind a stalled name server.
constexpr int kTimedOut = 0;
constexpr int kWrongOutcome = 1;
// A new user namespace needs a single-threaded process and a system that
// allows it; a name may also be answered before any name server is asked.
constexpr int kNoNamespaces = 77;
constexpr int kAnsweredElsewhere = 78;

bool writeFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

// In a user, mount and network namespace of its own, the child's only name
// server is a socket on loopback that never reads, and the resolver is told
// to wait long for it (minutes in all).
int lookUpBehindAStalledNameServer() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWNET) != 0) return kNoNamespaces;
    if (!writeFile("/proc/self/setgroups", "deny") ||
        !writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
        return kNoNamespaces;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return kNoNamespaces;

    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq loopback{};
    std::snprintf(loopback.ifr_name, sizeof loopback.ifr_name, "lo");
    if (::ioctl(control, SIOCGIFFLAGS, &loopback) != 0) return kNoNamespaces;
    loopback.ifr_flags = static_cast<short>(loopback.ifr_flags | IFF_UP);
    if (::ioctl(control, SIOCSIFFLAGS, &loopback) != 0) return kNoNamespaces;

    const int server = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(53);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(server, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) return kNoNamespaces;

    char resolvConf[] = "/tmp/stalled-resolv-XXXXXX";
    const int conf = ::mkstemp(resolvConf);
    const std::string settings = "nameserver 127.0.0.1\noptions timeout:30 attempts:5\n";
    if (conf < 0 || ::write(conf, settings.data(), settings.size()) != static_cast<ssize_t>(settings.size()))
        return kNoNamespaces;
    ::close(conf);
    const bool bound = ::mount(resolvConf, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
    ::unlink(resolvConf);
    if (!bound) return kNoNamespaces;

    HartIpLink link;
    if (link.open({"gateway.stalled-name-server.invalid", 5094, false}, true)) return kWrongOutcome;
    switch (link.failure().kind) {
        case HartIpFailure::NameTimedOut: return kTimedOut;
        case HartIpFailure::NameNotFound: return kAnsweredElsewhere;
        default: return kWrongOutcome;
    }
}

TEST(HartIpNetwork, ANameServerThatNeverAnswersDoesNotHoldTheOpen) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    // Only this thread lives in the child, as a new user namespace needs.
    if (child == 0) ::_exit(lookUpBehindAStalledNameServer());
    int status = 0;
    // Far beyond the lookup's bound, far short of the resolver's own wait.
    const auto limit = std::chrono::steady_clock::now() + 90s;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > limit) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "opening a session by name waits as long as the name server does";
        }
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoNamespaces)
        GTEST_SKIP() << "no user namespace here (not allowed, or a sanitizer's thread in the process)";
    if (WEXITSTATUS(status) == kAnsweredElsewhere)
        GTEST_SKIP() << "the host's name service answers before any name server is asked";
    EXPECT_EQ(WEXITSTATUS(status), kTimedOut);
}

// A TCP server that takes the session, then never reads again; its receive
// buffer is as small as the system allows.
class StalledServer {
public:
    StalledServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int small = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof at;
        if (::bind(listener_, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length) != 0)
            throw std::runtime_error("cannot listen");
        port_ = ntohs(at.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~StalledServer() {
        thread_.join();
        if (client_ >= 0) ::close(client_);
        ::close(listener_);
    }
    std::uint16_t port() const { return port_; }

private:
    void serve() {
        client_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        std::array<std::uint8_t, hartip::kHeaderSize + hartip::kSessionBodySize> initiate{};
        if (client_ < 0 || ::recv(client_, initiate.data(), initiate.size(), MSG_WAITALL) !=
                               static_cast<ssize_t>(initiate.size()))
            return;
        const auto request = hartip::decodeMessage(initiate);
        if (!request.message) return;
        hartip::Header header = request.message->header;
        header.type = hartip::MessageType::Response;
        const auto response = hartip::encodeMessage(header, request.message->body);
        ::send(client_, response->data(), response->size(), MSG_NOSIGNAL);
    }

    int listener_ = -1;
    int client_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

// Requests pile up unread: they are handed over as the server drains them,
// never waited for; once far too much waits, the connection counts as lost,
// as one that dropped does. Closing never waits for the server either.
TEST(HartIpNetwork, AServerThatStopsReadingHoldsNeitherTheCallerNorTheClose) {
    StalledServer server;
    HartIpTiming timing;
    timing.connect = 10min;  // any wait for the server to take bytes outlasts the test
    HartIpLink link(timing);
    ASSERT_TRUE(link.open({"127.0.0.1", server.port(), true}, true));

    Request request;
    request.byteCount = 30;
    SendResult sent = SendResult::Sent;
    for (int i = 0; i < 1'000'000 && sent == SendResult::Sent; ++i) sent = link.send(request);
    EXPECT_EQ(sent, SendResult::NotRunning);
    EXPECT_TRUE(link.portLost());
    link.close();
    EXPECT_FALSE(link.receiverRunning());
}

}  // namespace
}  // namespace mirell
