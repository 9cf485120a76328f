#include "hart_master.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "serial_port.h"
#include "trace_file.h"

namespace mirell {

namespace {

constexpr int kDetectionPreambles = 5;
constexpr int kIdentifyCommand = 0;
constexpr int kIdentifyByTagCommand = 11;
constexpr int kTagBytes = 6;
// All zero; the codec adds the master bit.
constexpr LongAddress kBroadcastAddress{};
// A reply's first 32 bytes always reach the data field, zero past its end;
// a longer reply (HART 7) fills it up to its 50 bytes.
constexpr std::size_t kReplyBytesCleared = 32;
constexpr unsigned kMaxPollingAddress = 15;

// Reply bytes of the identity command.
constexpr std::size_t kIdManufacturer = 1;
constexpr std::size_t kIdDeviceType = 2;
constexpr std::size_t kIdPreambles = 3;
constexpr std::size_t kIdDeviceId = 9;  // three bytes
constexpr int kIdentityBytes = static_cast<int>(kIdDeviceId) + 3;

// Error-word bits that make a received frame unsound: a checksum mismatch or
// a line error (parity, framing, overrun) on any of its bytes.
constexpr std::uint32_t kUnsoundFrame =
    kErrChecksumMismatch | kErrAddress | kErrCommand | kErrData | kErrChecksumByte;

std::string pskFileFromEnvironment() {
    const char* path = std::getenv(kPskFileVariable);
    return path ? path : "";
}

MasterSetup withDefaults(MasterSetup setup) {
    if (!setup.openPort) setup.openPort = openComPort;
    if (!setup.startTrace) setup.startTrace = startTraceFromEnvironment;
    if (!setup.portName) setup.portName = comPortPath;
    if (!setup.pskFile) setup.pskFile = pskFileFromEnvironment;
    return setup;
}

}  // namespace

HartMaster::HartMaster(MasterSetup setup)
    : setup_(withDefaults(std::move(setup))),
      link_(setup_.pacer),
      hartIp_(setup_.hartIp),
      burst_(transport_) {}

HartMaster::~HartMaster() { shutDownHart(); }

// ---------------------------------------------------------------------------
// Starting and stopping

void HartMaster::initHartEx(int port, int primary) {
    primary_ = primary != 0;
    initHart(port);
}

void HartMaster::initHart(int port) {
    registry_.reset();
    responsePending_ = false;
    const std::string name = setup_.portName(port);
    const std::optional<HartIpAddress> hartIpAddress = parseHartIpAddress(name);
    // A port that vanished under the link (and may be back now) is opened
    // afresh; a running one is kept. A HART-IP session names its master
    // type when it starts, so another one starts a new session.
    Transport& current = transport();
    if (current.isOpen() && port == openPort_ && name == openName_ && !current.portLost() &&
        (!hartIpAddress || hartIp_.primaryMaster() == primary_)) {
        current.setPrimaryMaster(primary_);
        reportNoError();
        return;
    }
    link_.close();
    hartIp_.close();
    lastReply_.reset();
    errno = 0;
    if (hartIpAddress) {
        openHartIp(port, *hartIpAddress);
        return;
    }
    transport_ = &link_;
    std::unique_ptr<LinkPort> opened = setup_.openPort(port);
    // The host may show the system's reason: it is left in errno.
    const int reason = opened ? 0 : errno;
    // The trace starts before the link's threads do, so it has every frame;
    // a port reopened under a running trace goes on in it.
    if (opened && !trace_) {
        trace_ = setup_.startTrace("session started: COM " + std::to_string(port) +
                                   (primary_ ? ", primary master" : ", secondary master"));
    }
    link_.setTrace(trace_.get());
    if (!link_.open(std::move(opened), primary_, setup_.clock)) {
        stopTrace();
        report(kPortFailed, text::kPortFailed);
        errno = reason;
        return;
    }
    openPort_ = port;
    openName_ = name;
    reportNoError();
}

void HartMaster::openHartIp(int port, const HartIpAddress& address) {
    transport_ = &hartIp_;
    // The key is checked before anything goes onto the network: a secure
    // port never opens without one.
    PskKey key;
    if (address.secure) {
        const std::string path = setup_.pskFile();
        std::string problem = "A secure HART-IP port needs a key file: set MIRELL_HARTIP_PSK_FILE.";
        errno = ENOKEY;
        if (path.empty() || !readPskKeyFile(path, key, problem)) {
            const int reason = errno;
            report(kPortFailed, problem);
            errno = reason;
            return;
        }
    }
    // The trace starts first, so that it has the session's initiation too.
    if (!trace_) {
        trace_ = setup_.startTrace("session started: COM " + std::to_string(port) + ", " + address.text() +
                                   (primary_ ? ", primary master" : ", secondary master"));
    }
    hartIp_.setTrace(trace_.get());
    if (!hartIp_.open(address, primary_, std::move(key))) {
        const int reason = errno;
        const std::string why = hartIpFailureText(hartIp_.failure(), address.host, address.port);
        stopTrace("session not opened: " + why);
        report(hartIp_.failure().kind == HartIpFailure::KeyRefused ? kKeyRefused : kPortFailed, why);
        errno = reason;
        return;
    }
    openPort_ = port;
    openName_ = setup_.portName(port);
    reportNoError();
}

void HartMaster::shutDownHart() {
    // Every thread of the library ends here, so a host may unload it next.
    // The instance itself is never destroyed: nothing of it may stay on the
    // heap either, or an unload would leak it.
    burst_.stop();
    std::string().swap(openName_);
    if (!transport().isOpen()) {
        stopTrace();
        return;
    }
    link_.close();
    hartIp_.close();
    stopTrace();
    responsePending_ = false;
    reportNoError();
}

void HartMaster::stopTrace(std::string_view note) {
    link_.setTrace(nullptr);
    hartIp_.setTrace(nullptr);
    if (!trace_) return;
    trace_->close(note);
    trace_.reset();
}

// ---------------------------------------------------------------------------
// Errors

char* HartMaster::errorMessage(char* text) const {
    copyText(error_.text(), text, ErrorState::kMaxText);
    return text;
}

int HartMaster::statusBytes() const {
    // The status of the host's own last reply; before there is one, that of
    // whatever frame the link parsed last.
    return lastReply_ ? lastReply_->statusWord() : transport().lastParsedStatus();
}

int HartMaster::instrumentError(char* text) const {
    const InstrumentError judged =
        classifyInstrumentStatus(static_cast<std::uint16_t>(statusBytes()), last_.command);
    copyText(judged.text, text, ErrorState::kMaxText);
    return judged.errorClass;
}

// ---------------------------------------------------------------------------
// Transactions

int HartMaster::sendLongCommand(int command, int handle, int byteCount) {
    return sendCommand(FrameKind::Long, command, handle, byteCount);
}

int HartMaster::sendShortCommand(int command, int handle, int byteCount) {
    return sendCommand(FrameKind::Short, command, handle, byteCount);
}

int HartMaster::sendCommand(FrameKind kind, int command, int handle, int byteCount) {
    if (!registry_.valid(handle)) {
        report(kInvalidHandle, kind == FrameKind::Long ? text::kInvalidHandleLong : text::kInvalidHandle);
        return 0;
    }
    last_ = {command, kind, byteCount, handle};
    if (!submitTo(registry_.entry(handle), kind, command, byteCount)) return 0;
    responsePending_ = true;
    return 1;
}

bool HartMaster::submitTo(const Instrument& target, FrameKind kind, int command, int byteCount) {
    preamblesInForce_ = target.preambles;
    return submit(kind, target.pollingAddress, target.longAddress, command, byteCount);
}

bool HartMaster::submit(FrameKind kind, std::uint8_t pollingAddress, const LongAddress& longAddress,
                        int command, int byteCount) {
    // A command or byte count that does not fit its byte is refused, not
    // sent cut down.
    const bool wellFormed = command >= 0 && command <= 0xFF && byteCount >= 0 && byteCount <= 0xFF;
    Request request;
    request.kind = kind;
    request.pollingAddress = pollingAddress;
    request.longAddress = longAddress;
    request.preambles = preamblesInForce_;
    request.command = static_cast<std::uint8_t>(command);
    request.byteCount = static_cast<std::uint8_t>(byteCount);
    request.data = field_.bytes;
    if (!wellFormed || transport().send(request) != SendResult::Sent) {
        if (!reportIfPortLost()) report(kRequestRefused, text::kRequestRefused);
        return false;
    }
    lastSent_ = {kind, pollingAddress, longAddress, request.command};
    reportNoError();
    return true;
}

void HartMaster::manualSendCommand(int command, int addressMode, int byteCount, int addressOffset) {
    const FrameKind kind = addressMode == 1 ? FrameKind::Long : FrameKind::Short;
    const int addressBytes = kind == FrameKind::Long ? 5 : 1;
    // The address is read from the data field, so it must lie inside it.
    if (!FieldBuffer::contains(addressOffset, addressBytes)) {
        report(kOutsideDataField, text::kOutsideDataField);
        return;
    }
    const auto at = static_cast<std::size_t>(addressOffset);
    LongAddress longAddress{};
    std::uint8_t pollingAddress = field_.bytes[at];
    if (kind == FrameKind::Long) std::copy_n(field_.bytes.begin() + at, 5, longAddress.begin());
    last_.command = command;
    last_.kind = kind;
    last_.byteCount = byteCount;
    submit(kind, pollingAddress, longAddress, command, byteCount);
}

int HartMaster::waitForResponse() {
    if (!responsePending_) {
        report(kNoResponsePending, text::kNoResponsePending);
        return 0;
    }
    responsePending_ = false;
    reportNoError();
    bool sent = true;  // the first attempt went out with the send call
    for (int attempt = 1;; ++attempt) {
        if (sent) {
            judge(transport().awaitReply());
        } else {
            // No reply can come to a request the link refused: the attempt
            // ends now, with what the response watchdog would have said.
            DeliveredFrame none;
            none.flags = kFlagBrokenOrForeign;
            none.brokenReply = 1;
            reportNoError();  // the refusal's 4 gives way to the attempt's verdict
            judge(none);
        }
        if (error_.code() == kNoError) {
            std::fill_n(field_.bytes.begin(), kReplyBytesCleared, std::uint8_t{0});
            const auto length = std::min(static_cast<std::size_t>(lastReply_->dataLength), kDataFieldSize);
            std::copy_n(lastReply_->data.begin(), length, field_.bytes.begin());
            return 0;
        }
        // No retry can reach a device whose port has gone.
        if (reportIfPortLost()) return 0;
        if (attempt == kAttempts) return 0;
        sent = resendLastRequest();
    }
}

bool HartMaster::reportIfPortLost() {
    if (!transport().portLost()) return false;
    report(kPortLost, std::string(text::kPortLost) + openName_);
    return true;
}

// A retry sends the last request again with the data field as it stands (it
// still holds the request). During a detection the handle is the candidate
// entry, which is not handed out yet; it is addressed all the same.
bool HartMaster::resendLastRequest() {
    return submitTo(registry_.entry(last_.handle), last_.kind, last_.command, last_.byteCount);
}

// HART has no sequence numbers: a reply is ours when it comes from the
// device we addressed, in the frame format we used, and names our command.
// Anything else (a late answer to an earlier request, say) is not our answer.
bool HartMaster::answersLastSent(const DeliveredFrame& reply) const {
    if (reply.command != lastSent_.command) return false;
    if (lastSent_.kind == FrameKind::Short)
        return !reply.longAddress && (reply.address[0] & 0x0F) == (lastSent_.pollingAddress & 0x0F);
    if (!reply.longAddress) return false;
    // Sent to the broadcast address, the answer names the device's own.
    if (lastSent_.longAddress == kBroadcastAddress) return true;
    LongAddress from{reply.address[1], reply.address[2], reply.address[3], reply.address[4],
                     reply.address[5]};
    from[0] &= 0x3F;
    LongAddress to = lastSent_.longAddress;
    to[0] &= 0x3F;
    return from == to;
}

// Each test may overwrite the verdict of the one before; the later ones only
// judge a reply the earlier ones found nothing wrong with.
void HartMaster::judge(DeliveredFrame reply) {
    const bool frameCame = (reply.flags & kFlagNoReply) == 0 && !reply.brokenReply && !reply.foreignFrame;
    const bool unsound = (reply.errorWord & kUnsoundFrame) != 0;
    // A damaged frame is judged by its damage; a sound one from elsewhere,
    // or about another command, is taken as a foreign frame.
    if (frameCame && !unsound && !answersLastSent(reply)) {
        reply.flags |= kFlagBrokenOrForeign;
        reply.foreignFrame = 1;
    }
    if (reply.foreignFrame) {
        // Another station's frame came in place of the reply: nothing in it
        // belongs to our request.
        reply.responseCode = 0;
        reply.deviceStatus = 0;
        reply.dataLength = 0;
        reply.data = {};
    }
    if (reply.flags & kFlagNoReply) report(kNoReply, text::kNoReply);
    if (error_.code() == kNoError && unsound) report(kBadReply, text::kChecksumError);
    if (error_.code() == kNoError && (reply.brokenReply || reply.foreignFrame)) {
        report(kBadReply, text::kFramingError);
    }
    lastReply_ = reply;
    const std::uint16_t status = reply.statusWord();
    if (status & 0xFF00) report(kInstrumentStatus, instrumentStatusText(status));
}

// ---------------------------------------------------------------------------
// Data field

bool HartMaster::reportField(FieldStatus status) {
    switch (status) {
        case FieldStatus::Ok: reportNoError(); return true;
        case FieldStatus::OutOfRange: report(kOutsideDataField, text::kOutsideDataField); return false;
        case FieldStatus::UnsupportedLength:
            report(kUnsupportedIntegerLength, text::kUnsupportedIntegerLength);
            return false;
    }
    return false;
}

unsigned HartMaster::getInteger(int offset, int length) {
    unsigned value = 0;
    return reportField(field_.getInteger(offset, length, value)) ? value : 0;
}

void HartMaster::setInteger(int offset, int length, unsigned value) {
    reportField(field_.setInteger(offset, length, value));
}

float HartMaster::getFloat(int offset) {
    float value = 0;
    return reportField(field_.getFloat(offset, value)) ? value : 0.0f;
}

void HartMaster::setFloat(int offset, float value) { reportField(field_.setFloat(offset, value)); }

void HartMaster::getString(int offset, int byteLength, char* text) {
    if (!text) return;
    reportField(field_.getString(offset, byteLength, text));
}

void HartMaster::setString(int offset, int byteLength, const char* text) {
    reportField(field_.setString(offset, byteLength, text));
}

void HartMaster::getUnitString(int offset, char* text) { reportField(field_.getUnitString(offset, text)); }

// ---------------------------------------------------------------------------
// Instruments

int HartMaster::detectInstrument() { return detectInstrumentWithShortAddress(0); }

int HartMaster::detectInstrumentWithShortAddress(int pollingAddress) {
    return detect(FrameKind::Short, kIdentifyCommand, pollingAddress, 0);
}

// Command 0 would be answered by whatever device sits at polling address 0,
// whatever its tag; command 11 to the broadcast address is answered only by
// the device carrying the tag.
int HartMaster::detectInstrumentWithTag(const char* tag) {
    field_.setString(0, kTagBytes, tag);
    return detect(FrameKind::Long, kIdentifyByTagCommand, 0, kTagBytes);
}

int HartMaster::detect(FrameKind kind, int command, int pollingAddress, int requestBytes) {
    if (registry_.full()) {
        report(kRegistryFull, text::kRegistryFull);
        return 0;
    }
    if (requestBytes == 0) field_.bytes[0] = 0;
    Instrument& candidate = registry_.candidate();
    candidate.pollingAddress = static_cast<std::uint8_t>(pollingAddress);
    // Retries are rebuilt from the candidate entry, so it holds the broadcast
    // address until the reply names the device's own.
    candidate.longAddress = kBroadcastAddress;
    candidate.preambles = kDetectionPreambles;
    last_ = {command, kind, requestBytes, registry_.candidateHandle()};
    if (!submitTo(candidate, kind, command, requestBytes)) return 0;
    responsePending_ = true;
    waitForResponse();
    if (error_.code() != kNoError) return 0;
    // A reply too short to hold the identity (a device of other firmware, a
    // gateway) names no device: the address would be made of missing bytes.
    if (lastReply_->dataLength < kIdentityBytes) {
        report(kBadReply, text::kFramingError);
        return 0;
    }

    const DataField& reply = field_.bytes;
    candidate.longAddress = {reply[kIdManufacturer], reply[kIdDeviceType], reply[kIdDeviceId],
                             reply[kIdDeviceId + 1], reply[kIdDeviceId + 2]};
    if (registry_.registered(candidate.longAddress)) {
        report(kAlreadyRegistered, text::kAlreadyRegistered);
        return 0;
    }
    candidate.preambles = reply[kIdPreambles];
    reportNoError();
    return registry_.commit();
}

int HartMaster::forceRegistration() {
    if (registry_.full()) {
        report(kRegistryFull, text::kRegistryFull);
        return 0;
    }
    preamblesInForce_ = kDetectionPreambles;
    Instrument& candidate = registry_.candidate();
    candidate.preambles = kDetectionPreambles;
    std::copy_n(field_.bytes.begin(), candidate.longAddress.size(), candidate.longAddress.begin());
    if (registry_.registered(candidate.longAddress)) {
        report(kAlreadyRegistered, text::kAlreadyRegistered);
        return 0;
    }
    reportNoError();
    return registry_.commit();
}

void HartMaster::setPollingAddress(int handle, int address) {
    if (!registry_.valid(handle)) {
        report(kInvalidHandle, text::kInvalidHandle);
        return;
    }
    if (static_cast<unsigned>(address) > kMaxPollingAddress) {
        report(kInvalidPollingAddress, text::kInvalidPollingAddress);
        return;
    }
    registry_.entry(handle).pollingAddress = static_cast<std::uint8_t>(address);
}

int HartMaster::getPollingAddress(int handle) {
    if (!registry_.valid(handle)) {
        report(kInvalidHandle, text::kInvalidHandle);
        return 0;
    }
    return registry_.entry(handle).pollingAddress;
}

// ---------------------------------------------------------------------------
// Burst data

void HartMaster::processBurstMessages(int flag) {
    if (flag != 0) {
        burst_.start();
    } else {
        burst_.stop();
    }
}

unsigned HartMaster::getBurstInteger(int offset, int length) {
    unsigned value = 0;
    const FieldStatus status =
        burst_.read([&](const FieldBuffer& b) { return b.getInteger(offset, length, value); });
    return reportField(status) ? value : 0;
}

float HartMaster::getBurstFloat(int offset) {
    float value = 0;
    const FieldStatus status = burst_.read([&](const FieldBuffer& b) { return b.getFloat(offset, value); });
    return reportField(status) ? value : 0.0f;
}

void HartMaster::getBurstString(int offset, int byteLength, char* text) {
    if (!text) return;
    reportField(burst_.read([&](const FieldBuffer& b) { return b.getString(offset, byteLength, text); }));
}

void HartMaster::getBurstUnitString(int offset, char* text) {
    reportField(burst_.read([&](const FieldBuffer& b) { return b.getUnitString(offset, text); }));
}

}  // namespace mirell
