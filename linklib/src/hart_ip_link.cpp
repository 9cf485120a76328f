#include "hart_ip_link.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

#include "host_lookup.h"

namespace mirell {

namespace {

using Clock = std::chrono::steady_clock;
using hartip::MessageId;
using hartip::MessageType;
using std::chrono::milliseconds;

constexpr std::uint8_t kPreamble = 0xFF;
constexpr int kParserPreambles = 5;
constexpr milliseconds kShortestKeepAlive{30};
constexpr int kInitiateAttempts = 3;  // over UDP, where a datagram may be lost
constexpr std::size_t kMaxDatagram = 2048;
constexpr std::size_t kMaxStream = 1 << 16;

DeliveredFrame noReply() {
    DeliveredFrame record;
    record.flags = kFlagNoReply;
    return record;
}

DeliveredFrame brokenReply() {
    DeliveredFrame record;
    record.flags = kFlagBrokenOrForeign;
    record.brokenReply = 1;
    return record;
}

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

bool isTokenPassingAnswer(const hartip::Header& h) {
    return h.id == MessageId::TokenPassing &&
           (h.type == MessageType::Response || h.type == MessageType::Error || h.type == MessageType::Nak);
}

bool sessionRefused(const hartip::Header& h) {
    return h.type == MessageType::Nak || h.type == MessageType::Error ||
           (h.status != hartip::kStatusSuccess && h.status != hartip::kStatusTimerAdjusted);
}

// The inactivity time a session initiate response grants.
std::optional<milliseconds> grantedTime(std::span<const std::uint8_t> body) {
    if (body.size() < hartip::kSessionBodySize) return std::nullopt;
    return milliseconds(std::uint32_t{body[1]} << 24 | std::uint32_t{body[2]} << 16 |
                        std::uint32_t{body[3]} << 8 | body[4]);
}

}  // namespace

DeliveredFrame deliveredFromPdu(std::span<const std::uint8_t> pdu, bool primaryMaster, PduRole role) {
    FrameParser parser(primaryMaster);
    // The body starts at the delimiter; the parser wants the preambles a
    // frame on the line has. Preambles a device sends all the same are taken.
    for (int i = 0; i < kParserPreambles; ++i) parser.feed(kPreamble, 0);
    std::optional<LinkEvent> ended;
    for (std::size_t i = 0; i < pdu.size(); ++i) {
        const auto event = parser.feed(pdu[i], 0);
        if (!event || *event == LinkEvent::PreambleSeen) continue;
        // A whole frame must end exactly where the message does.
        if (i + 1 != pdu.size()) return brokenReply();
        ended = event;
    }
    const bool whole = ended && *ended != LinkEvent::FrameError && *ended != LinkEvent::Garbage &&
                       *ended != LinkEvent::TooManyPreambles;
    if (!whole) {
        DeliveredFrame record = brokenReply();
        record.errorWord = parser.frame().errorWord;
        return record;
    }
    const FrameType type = parser.frame().type;
    const bool taken = role == PduRole::Answer
                           ? *ended == LinkEvent::AckOurs || *ended == LinkEvent::AckOursBurst
                           : type != FrameType::Stx;
    if (!taken && role == PduRole::Published) return brokenReply();
    DeliveredFrame record;
    DataLink::copyFrame(parser.frame(), record);
    if (!taken) {
        // As on the line: another station's frame came in place of the
        // answer, and the transaction judges it so.
        record.flags |= kFlagBrokenOrForeign;
        record.foreignFrame = 1;
    }
    return record;
}

HartIpLink::HartIpLink(HartIpTiming timing) : timing_(timing) {}

HartIpLink::~HartIpLink() { close(); }

// ---------------------------------------------------------------------------
// Opening and closing

bool HartIpLink::open(const HartIpAddress& address, bool primaryMaster, PskKey key) {
    close();
    {
        std::lock_guard lock(mutex_);
        primary_ = primaryMaster;
        stopping_ = false;
        portLost_ = false;
        awaited_.reset();
        reply_.reset();
        burst_.reset();
        lastStatus_ = 0;
        sessionLost_ = false;
        unanswered_ = 0;
        keepAlive_.reset();
        initiating_.reset();
        initiateTries_ = 0;
    }
    failure_ = {};
    failure_.tcp = address.tcp;
    failure_.secure = address.secure;
    stream_.clear();
    tcp_ = address.tcp;
    secure_ = address.secure;
    version_ = secure_ ? hartip::kSecureVersion : hartip::kVersion;
    if (!connectSocket(address)) return false;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) failure_.kind = HartIpFailure::Unreachable;
    if (wakeFd_ < 0 || !initiateSession() || (secure_ && !startTls(std::move(key)))) {
        const int reason = errno;
        closeSockets();
        errno = reason;
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        open_ = true;
    }
    try {
        receiver_ = std::thread(&HartIpLink::receiveLoop, this);
    } catch (const std::system_error&) {
        close();
        failure_.kind = HartIpFailure::Unreachable;
        errno = EAGAIN;
        return false;
    }
    return true;
}

bool HartIpLink::connectSocket(const HartIpAddress& address) {
    const int type = address.tcp ? SOCK_STREAM : SOCK_DGRAM;
    AddressList found;
    switch (lookUpHost(address.host, address.port, type, timing_.lookup, found)) {
        case LookupResult::Found: break;
        case LookupResult::NotFound:
            failure_.kind = HartIpFailure::NameNotFound;
            errno = EHOSTUNREACH;
            return false;
        case LookupResult::TimedOut:
            failure_.kind = HartIpFailure::NameTimedOut;
            failure_.lookupSeconds =
                static_cast<int>(std::chrono::ceil<std::chrono::seconds>(timing_.lookup).count());
            errno = ETIMEDOUT;
            return false;
    }
    int reason = ECONNREFUSED;
    // One bound for all the addresses a name has.
    const auto deadline = Clock::now() + timing_.connect;
    for (const addrinfo* at = found.get(); at; at = at->ai_next) {
        const int fd =
            ::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol);
        if (fd < 0) {
            reason = errno;
            continue;
        }
        // A connected UDP socket hears only its device, and learns when
        // nothing listens there.
        if (::connect(fd, at->ai_addr, at->ai_addrlen) != 0 && errno != EINPROGRESS) {
            reason = errno;
            ::close(fd);
            continue;
        }
        if (address.tcp) {
            pollfd p{fd, POLLOUT, 0};
            int error = 0;
            socklen_t length = sizeof error;
            if (::poll(&p, 1, remainingMs(deadline)) != 1 ||
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
                reason = error != 0 ? error : ETIMEDOUT;
                ::close(fd);
                continue;
            }
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
        fd_ = fd;
        break;
    }
    if (fd_ >= 0) return true;
    failure_.kind = reason == ECONNREFUSED ? HartIpFailure::ConnectionRefused
                    : reason == ETIMEDOUT  ? HartIpFailure::NoAnswer
                                           : HartIpFailure::Unreachable;
    errno = reason;
    return false;
}

std::array<std::uint8_t, hartip::kSessionBodySize> HartIpLink::sessionBody() const {
    const auto inactivity = static_cast<std::uint32_t>(timing_.inactivity.count());
    bool primary = true;
    {
        std::lock_guard lock(mutex_);
        primary = primary_;
    }
    return {primary ? hartip::kPrimaryMaster : hartip::kSecondaryMaster,
            static_cast<std::uint8_t>(inactivity >> 24), static_cast<std::uint8_t>(inactivity >> 16),
            static_cast<std::uint8_t>(inactivity >> 8), static_cast<std::uint8_t>(inactivity)};
}

// On the opening caller's thread, before the receive thread runs.
bool HartIpLink::initiateSession() {
    const auto body = sessionBody();
    const int attempts = tcp_ ? 1 : kInitiateAttempts;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const std::uint16_t sequence = nextSequence();
        if (!writeMessage({version_, MessageType::Request, MessageId::SessionInitiate, 0, sequence}, body)) {
            failure_.kind = HartIpFailure::Unreachable;
            return false;
        }
        ++initiates_;
        const auto deadline = Clock::now() + timing_.connect / attempts;
        std::optional<bool> accepted;
        while (!accepted) {
            bool writing = false;
            {
                std::lock_guard lock(writeMutex_);
                writing = !outgoing_.empty();
            }
            pollfd p{fd_, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
            if (::poll(&p, 1, remainingMs(deadline)) != 1) break;
            if (p.revents & POLLOUT) {
                std::lock_guard lock(writeMutex_);
                flushOutgoing();
            }
            if (!(p.revents & (POLLIN | POLLERR | POLLHUP))) continue;
            const bool alive = readMessages([&](std::span<const std::uint8_t> bytes) {
                traceMessage(TraceDirection::Received, bytes);
                const auto decoded = hartip::decodeMessage(bytes);
                if (!decoded.message || accepted) return;
                const hartip::Header& h = decoded.message->header;
                if (h.id != MessageId::SessionInitiate || h.sequence != sequence) return;
                accepted = (!secure_ || acceptsSecureSession(h)) && !sessionRefused(h);
                if (!*accepted && failure_.kind == HartIpFailure::None) {
                    failure_.kind = HartIpFailure::SessionRefused;
                    failure_.status = h.status;
                }
                std::lock_guard lock(mutex_);
                granted_ = grantedTime(decoded.message->body).value_or(timing_.inactivity);
            });
            if (!alive) {
                failure_.kind = HartIpFailure::ConnectionClosed;
                errno = ECONNRESET;
                return false;
            }
        }
        if (accepted) {
            if (!*accepted)
                errno = failure_.kind == HartIpFailure::SessionRefused ? ECONNREFUSED : EPROTONOSUPPORT;
            return *accepted;
        }
    }
    failure_.kind = HartIpFailure::NoAnswer;
    errno = ETIMEDOUT;
    return false;
}

bool HartIpLink::acceptsSecureSession(const hartip::Header& answer) {
    if (answer.version == hartip::kSecureVersion) {
        if (answer.status == hartip::kStatusSecurityNotInitialized) {
            failure_.kind = HartIpFailure::NotProvisioned;
            return false;
        }
        if (answer.status != hartip::kStatusVersionNotSupported) return true;
    }
    failure_.kind = HartIpFailure::SecurityNotOffered;
    // A plain server may have opened a plain session on it: ended at once,
    // in its own version, for nothing may go over it.
    if (answer.version == hartip::kVersion && !sessionRefused(answer))
        writeMessage({hartip::kVersion, MessageType::Request, MessageId::SessionClose, 0, nextSequence()},
                     {});
    return false;
}

// On the opening caller's thread, before the receive thread runs.
bool HartIpLink::startTls(PskKey key) {
    auto channel =
        TlsChannel::client(tcp_ ? TlsChannel::Kind::Stream : TlsChannel::Kind::Datagram, std::move(key));
    if (!channel) {
        failure_.kind = HartIpFailure::NoTls;
        errno = ENOPROTOOPT;
        return false;
    }
    const auto deadline = Clock::now() + timing_.connect;
    std::vector<std::uint8_t> out;
    const auto fail = [&](HartIpFailure kind, int reason) {
        failure_.kind = kind;
        errno = reason;
        return false;
    };
    // A server that says nothing after our Finished, or hangs up on it,
    // did not take the key (a DTLS server drops what it cannot decrypt).
    const auto silent = [&](int reason) {
        return channel->awaitingVerdict() ? fail(HartIpFailure::KeyRefused, EACCES)
                                          : fail(HartIpFailure::HandshakeFailed, reason);
    };
    TlsChannel::Step step = channel->handshake({}, out);
    std::array<std::uint8_t, kMaxDatagram> buffer{};
    for (;;) {
        bool writing = false;
        {
            std::lock_guard lock(writeMutex_);
            if (!out.empty() && !putBytes(out)) return fail(HartIpFailure::Unreachable, ECONNRESET);
            out.clear();
            writing = !outgoing_.empty();
            if (step == TlsChannel::Step::Done) {
                tls_ = std::move(channel);
                return true;
            }
        }
        if (step == TlsChannel::Step::Refused) return fail(HartIpFailure::KeyRefused, EACCES);
        if (step == TlsChannel::Step::Failed) return fail(HartIpFailure::HandshakeFailed, EPROTO);
        auto wakeAt = deadline;
        if (const auto resend = channel->retransmitIn()) wakeAt = std::min(wakeAt, Clock::now() + *resend);
        pollfd p{fd_, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
        if (::poll(&p, 1, remainingMs(wakeAt)) != 1) {
            if (Clock::now() >= deadline) return silent(ETIMEDOUT);
            channel->retransmit(out);
            continue;
        }
        if (p.revents & POLLOUT) {
            std::lock_guard lock(writeMutex_);
            flushOutgoing();
        }
        if (!(p.revents & (POLLIN | POLLERR | POLLHUP))) continue;
        // One datagram at a time: DTLS reads each as one.
        while (step == TlsChannel::Step::InProgress) {
            const auto got = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) break;
            if (got < 0 && !tcp_ && errno == ECONNREFUSED) break;
            if (got < 0) return fail(HartIpFailure::Unreachable, errno);
            if (got == 0 && tcp_) return silent(ECONNRESET);
            step = channel->handshake(std::span(buffer.data(), static_cast<std::size_t>(got)), out);
        }
    }
}

void HartIpLink::close() {
    {
        std::lock_guard lock(mutex_);
        if (!open_) return;
        stopping_ = true;
    }
    changed_.notify_all();
    wakeReceiver();
    if (receiver_.joinable()) receiver_.join();
    bool lost = false;
    {
        std::lock_guard lock(mutex_);
        lost = portLost_;
    }
    // The device may free the session now rather than at its inactivity
    // time, if the network takes the message at once: nothing waits for a
    // peer that stopped reading.
    if (!lost) {
        writeMessage({version_, MessageType::Request, MessageId::SessionClose, 0, nextSequence()}, {});
        std::lock_guard lock(writeMutex_);
        if (tls_) {
            std::vector<std::uint8_t> notify;
            tls_->close(notify);
            if (!notify.empty()) putBytes(notify);
        }
    }
    closeSockets();
    std::lock_guard lock(mutex_);
    open_ = false;
    awaited_.reset();
}

// Once the receive thread has ended, or before it starts.
void HartIpLink::closeSockets() {
    std::lock_guard lock(writeMutex_);
    if (fd_ >= 0) ::close(fd_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
    fd_ = -1;
    wakeFd_ = -1;
    tls_.reset();
    // Nothing stays on the heap once closed (the library may be unloaded next).
    std::vector<std::uint8_t>().swap(stream_);
    std::vector<std::uint8_t>().swap(outgoing_);
}

void HartIpLink::wakeReceiver() {
    const std::uint64_t one = 1;
    if (wakeFd_ >= 0) [[maybe_unused]]
        const auto ignored = ::write(wakeFd_, &one, sizeof one);
}

bool HartIpLink::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

bool HartIpLink::portLost() const {
    std::lock_guard lock(mutex_);
    return open_ && portLost_;
}

void HartIpLink::setPrimaryMaster(bool primary) {
    std::lock_guard lock(mutex_);
    primary_ = primary;
}

bool HartIpLink::primaryMaster() const {
    std::lock_guard lock(mutex_);
    return primary_;
}

std::chrono::milliseconds HartIpLink::grantedInactivity() const {
    std::lock_guard lock(mutex_);
    return granted_;
}

// ---------------------------------------------------------------------------
// Sending and receiving

std::uint16_t HartIpLink::nextSequence() {
    std::lock_guard lock(writeMutex_);
    return ++sequence_;
}

bool HartIpLink::writeMessage(const hartip::Header& header, std::span<const std::uint8_t> body) {
    const auto message = hartip::encodeMessage(header, body);
    if (!message) return false;
    if (putMessage(*message)) return true;
    if (tcp_) {
        // Part of a message may be out: the device would read the next one
        // out of step. A stream that broke does not come back.
        std::lock_guard lock(mutex_);
        portLost_ = true;
        changed_.notify_all();
    }
    return false;
}

bool HartIpLink::putMessage(const std::vector<std::uint8_t>& message) {
    std::lock_guard lock(writeMutex_);
    if (fd_ < 0) return false;
    // The trace has the message itself, never its record.
    traceMessage(TraceDirection::Sent, message);
    lastSent_ = Clock::now();
    if (!tls_) return putBytes(message);
    std::vector<std::uint8_t> sealed;
    return tls_->seal(message, sealed) && putBytes(sealed);
}

bool HartIpLink::putBytes(std::span<const std::uint8_t> bytes) {
    if (!tcp_) {
        const auto sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        return sent == static_cast<ssize_t>(bytes.size());
    }
    outgoing_.insert(outgoing_.end(), bytes.begin(), bytes.end());
    if (!flushOutgoing()) return false;
    // A peer that has not taken this much has stopped reading long ago.
    if (outgoing_.size() > kMaxStream) return false;
    if (!outgoing_.empty()) wakeReceiver();  // to hand over the rest
    return true;
}

// With writeMutex_ held.
bool HartIpLink::flushOutgoing() {
    while (!outgoing_.empty()) {
        const auto sent = ::send(fd_, outgoing_.data(), outgoing_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        outgoing_.erase(outgoing_.begin(), outgoing_.begin() + sent);
    }
    return true;
}

SendResult HartIpLink::send(const Request& request) {
    bool primary = true;
    {
        std::unique_lock lock(mutex_);
        if (!open_ || portLost_) return SendResult::NotRunning;
        if (sessionLost_) {
            // The receive thread opens a new session now; the request goes
            // after it, or once the initiate's own wait has passed.
            nextInitiate_ = Clock::now();
            wakeReceiver();
            const std::uint64_t round = initiateRounds_;
            changed_.wait_for(lock, timing_.connect, [&] {
                return !sessionLost_ || initiateRounds_ != round || stopping_ || portLost_;
            });
            if (portLost_ || stopping_) return SendResult::NotRunning;
        }
        primary = primary_;
    }
    const std::optional<TxFrame> frame = assembleRequest(request, primary);
    if (!frame) return SendResult::TooLong;
    // A token-passing body carries the frame without its preambles.
    const auto preambles = static_cast<std::size_t>(std::max(request.preambles, 0));
    const std::span<const std::uint8_t> pdu(frame->data() + preambles, frame->size() - preambles);
    const std::uint16_t sequence = nextSequence();
    {
        std::lock_guard lock(mutex_);
        awaited_ = sequence;
        reply_.reset();
    }
    if (!writeMessage({version_, MessageType::Request, MessageId::TokenPassing, 0, sequence}, pdu)) {
        std::lock_guard lock(mutex_);
        awaited_.reset();
        // A datagram the system refused may go next time.
        return tcp_ ? SendResult::NotRunning : SendResult::NoTurn;
    }
    return SendResult::Sent;
}

DeliveredFrame HartIpLink::awaitReply() {
    std::unique_lock lock(mutex_);
    if (!open_ || portLost_ || !awaited_) return noReply();
    const bool came =
        changed_.wait_for(lock, timing_.reply, [&] { return reply_ || stopping_ || portLost_; });
    awaited_.reset();
    if (!came) noteUnanswered(Clock::now());
    if (!came || !reply_) return noReply();
    DeliveredFrame reply = *reply_;
    reply_.reset();
    return reply;
}

std::optional<DeliveredFrame> HartIpLink::takeBurst() {
    std::lock_guard lock(mutex_);
    std::optional<DeliveredFrame> burst;
    burst.swap(burst_);
    return burst;
}

std::uint16_t HartIpLink::lastParsedStatus() const {
    std::lock_guard lock(mutex_);
    return lastStatus_;
}

template <typename Handle>
bool HartIpLink::readMessages(Handle&& handle) {
    std::array<std::uint8_t, kMaxDatagram> buffer{};
    for (;;) {
        const auto got = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return true;
            // Nothing listens at the device's port (yet): over UDP its
            // transactions time out, as on a line with no device.
            return !tcp_ && errno == ECONNREFUSED;
        }
        if (tcp_ && got == 0) return false;
        if (!take(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got)), handle))
            return false;
    }
}

template <typename Handle>
bool HartIpLink::take(std::span<const std::uint8_t> arrived, Handle& handle) {
    if (!tls_) return takeDecrypted(arrived, handle);
    std::vector<std::vector<std::uint8_t>> records;
    bool alive = false;
    {
        std::lock_guard lock(writeMutex_);
        std::vector<std::uint8_t> answer;
        alive = tls_->open(arrived, records, answer);
        if (!answer.empty()) putBytes(answer);
    }
    for (const auto& record : records)
        if (!takeDecrypted(record, handle)) return false;
    return alive;
}

template <typename Handle>
bool HartIpLink::takeDecrypted(std::span<const std::uint8_t> plain, Handle& handle) {
    if (!tcp_) {
        handle(plain);
        return true;
    }
    stream_.insert(stream_.end(), plain.begin(), plain.end());
    std::size_t at = 0;
    while (stream_.size() - at >= hartip::kHeaderSize) {
        const auto length = hartip::streamedLength(std::span(stream_).subspan(at));
        // A stream out of step cannot find its next message again.
        if (!length) return false;
        if (stream_.size() - at < *length) break;
        handle(std::span<const std::uint8_t>(stream_).subspan(at, *length));
        at += *length;
    }
    stream_.erase(stream_.begin(), stream_.begin() + static_cast<std::ptrdiff_t>(at));
    return stream_.size() <= kMaxStream;
}

// ---------------------------------------------------------------------------
// Keeping the session

std::chrono::milliseconds HartIpLink::keepAliveInterval() const {
    // A device granting no time at all is kept alive as asked.
    const milliseconds inactivity = granted_.count() > 0 ? granted_ : timing_.inactivity;
    return std::max(inactivity / 3, kShortestKeepAlive);
}

// A device that restarted, or dropped the session for a reason of its own,
// may say nothing at all to a session it does not know.
void HartIpLink::noteUnanswered(Clock::time_point now) {
    if (sessionLost_ || ++unanswered_ < kUnansweredBeforeNewSession) return;
    loseSession(now);
    wakeReceiver();
}

void HartIpLink::loseSession(Clock::time_point now) {
    sessionLost_ = true;
    unanswered_ = 0;
    keepAlive_.reset();
    nextInitiate_ = now;
}

void HartIpLink::receiveLoop() {
    const int initiateTries = tcp_ ? 1 : kInitiateAttempts;
    for (;;) {
        Clock::time_point lastSent;
        bool writing = false;
        {
            std::lock_guard lock(writeMutex_);
            lastSent = lastSent_;
            writing = !outgoing_.empty();
        }
        std::optional<MessageId> sendNow;
        Clock::time_point wakeAt;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            const auto now = Clock::now();
            const milliseconds every = keepAliveInterval();
            if (initiating_ && now >= initiateDeadline_) {
                initiating_.reset();
                if (initiateTries_ >= initiateTries) {
                    // Nobody answered this round: again later, or as soon
                    // as a transaction needs the session.
                    initiateTries_ = 0;
                    ++initiateRounds_;
                    nextInitiate_ = now + every;
                    // A DTLS server that restarted knows neither the session
                    // nor its keys, and nothing sent under them reaches it
                    // again: the port is gone, as a dropped TCP connection is.
                    if (secure_ && !tcp_) portLost_ = true;
                    changed_.notify_all();
                    if (portLost_) return;
                }
            }
            if (!sessionLost_ && now >= lastSent + every) {
                // Nothing at all came from the device for a whole interval
                // since the last keep-alive.
                if (keepAlive_) noteUnanswered(now);
                if (!sessionLost_) sendNow = MessageId::KeepAlive;
            }
            if (sessionLost_ && !initiating_ && now >= nextInitiate_) sendNow = MessageId::SessionInitiate;
            wakeAt = !sessionLost_ ? lastSent + every : initiating_ ? initiateDeadline_ : nextInitiate_;
        }
        if (sendNow) {
            const std::uint16_t sequence = nextSequence();
            {
                std::lock_guard lock(mutex_);
                if (*sendNow == MessageId::KeepAlive) {
                    keepAlive_ = sequence;
                } else {
                    initiating_ = sequence;
                    ++initiateTries_;
                    initiateDeadline_ = Clock::now() + timing_.connect / initiateTries;
                }
            }
            if (*sendNow == MessageId::KeepAlive) {
                writeMessage({version_, MessageType::Request, MessageId::KeepAlive, 0, sequence}, {});
                ++keepAlives_;
            } else {
                writeMessage({version_, MessageType::Request, MessageId::SessionInitiate, 0, sequence},
                             sessionBody());
                ++initiates_;
            }
            continue;
        }
        std::array<pollfd, 2> fds{
            {{fd_, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0}, {wakeFd_, POLLIN, 0}}};
        ::poll(fds.data(), fds.size(), remainingMs(wakeAt));
        if (fds[1].revents & POLLIN) {
            std::uint64_t drained = 0;
            [[maybe_unused]] const auto ignored = ::read(wakeFd_, &drained, sizeof drained);
        }
        bool alive = true;
        if (fds[0].revents & POLLOUT) {
            std::lock_guard lock(writeMutex_);
            alive = flushOutgoing();
        }
        if (alive && (fds[0].revents & (POLLIN | POLLERR | POLLHUP)))
            alive = readMessages([this](std::span<const std::uint8_t> bytes) { handleMessage(bytes); });
        if (!alive) {
            std::lock_guard lock(mutex_);
            portLost_ = true;
            changed_.notify_all();
            return;
        }
    }
}

void HartIpLink::handleMessage(std::span<const std::uint8_t> bytes) {
    traceMessage(TraceDirection::Received, bytes);
    const auto decoded = hartip::decodeMessage(bytes);
    if (!decoded.message) return;  // malformed: no answer to anything
    const hartip::Header& h = decoded.message->header;
    std::lock_guard lock(mutex_);
    if (h.id == MessageId::SessionInitiate && initiating_ && h.sequence == *initiating_) {
        // Refused or not, the device hears us again: a refusal shows in the
        // answer to the next request.
        initiating_.reset();
        initiateTries_ = 0;
        ++initiateRounds_;
        sessionLost_ = false;
        unanswered_ = 0;
        if (const auto granted = grantedTime(decoded.message->body); granted && !sessionRefused(h))
            granted_ = *granted;
        changed_.notify_all();
        return;
    }
    // The device forgot the session (it timed out, or restarted): the next
    // turn of the receive thread initiates a new one. Anything else it says
    // shows it still knows the session.
    if ((h.type == MessageType::Nak || h.type == MessageType::Error) &&
        h.status == hartip::kStatusNoSession) {
        if (!sessionLost_) loseSession(Clock::now());
    } else {
        unanswered_ = 0;
        keepAlive_.reset();
    }
    if (h.id == MessageId::TokenPassing && h.type == MessageType::Publish) {
        const DeliveredFrame frame = deliveredFromPdu(decoded.message->body, primary_, PduRole::Published);
        if (frame.delivered && frame.errorWord == 0) {
            burst_ = frame;
            lastStatus_ = frame.statusWord();
        }
        return;
    }
    if (!isTokenPassingAnswer(h) || !awaited_ || h.sequence != *awaited_ || reply_) return;
    // An error or refusal in place of the response answers the request with
    // no frame: the library's retries take it from there.
    if (h.type != MessageType::Response || h.status != hartip::kStatusSuccess) {
        reply_ = brokenReply();
    } else {
        reply_ = deliveredFromPdu(decoded.message->body, primary_, PduRole::Answer);
        if (reply_->delivered) lastStatus_ = reply_->statusWord();
    }
    changed_.notify_all();
}

void HartIpLink::traceMessage(TraceDirection direction, std::span<const std::uint8_t> bytes) {
    FrameTrace* trace = trace_.load();
    if (!trace) return;
    TracedFrame frame;
    frame.time = TraceClock::now();
    frame.direction = direction;
    frame.hartIpHeaderLength = static_cast<std::uint8_t>(std::min(bytes.size(), hartip::kHeaderSize));
    std::copy_n(bytes.begin(), frame.hartIpHeaderLength, frame.hartIpHeader.begin());
    for (std::size_t i = frame.hartIpHeaderLength; i < bytes.size(); ++i) frame.append(bytes[i]);
    trace->record(frame);
}

}  // namespace mirell
