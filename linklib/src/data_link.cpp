#include "data_link.h"

#include <algorithm>

namespace mirell {

namespace {

// States in which a waiting request may go out at once.
bool maySend(LinkState s) {
    return s == LinkState::MayTransmit || s == LinkState::Idle || s == LinkState::PreambleFlood ||
           s == LinkState::BurstMayTransmit || s == LinkState::BurstPreambleFlood;
}

// A time-out or a broken reply carries no frame, so no status either: a
// status left from an earlier reply must not be judged as this one's.
void clearContents(DeliveredFrame& record) {
    record.responseCode = 0;
    record.deviceStatus = 0;
    record.flags &= ~std::uint32_t{kFlagDeviceStatus};
    record.address = {};
    record.longAddress = false;
    record.command = 0;
    record.dataLength = 0;
    record.data = {};
}

}  // namespace

DataLink::DataLink(bool primaryMaster) : primary_(primaryMaster), parser_(primaryMaster) {}

void DataLink::setPrimaryMaster(bool primary) {
    primary_ = primary;
    parser_.setPrimaryMaster(primary);
}

// ---------------------------------------------------------------------------
// Inputs

void DataLink::linkOpened() { handle(LinkEvent::LinkReset); }

void DataLink::receiveByte(std::uint8_t byte, std::uint8_t lineErrors) {
    gapTimer_.load(kGapTimeoutMs);
    quietTimer_.load(lineTimingMs());
    if (auto event = parser_.feed(byte, lineErrors)) handle(*event);
}

void DataLink::tick() {
    // The order within one tick matters: gap, reply, hold, quiet, watchdogs.
    if (gapTimer_.tick()) {
        if (auto event = parser_.gapTimeout()) handle(*event);
    }
    if (replyTimer_.tick()) handle(LinkEvent::ReplyExpired);
    if (holdTimer_.tick()) handle(LinkEvent::HoldExpired);
    if (quietTimer_.tick()) handle(LinkEvent::LineQuiet);
    if (responseWatchdog_.tick()) deliverBroken();
    if (busyWatchdog_.tick()) {
        // A request that never got its turn is dropped and the link starts over.
        state_ = LinkState::Watching;
        handle(LinkEvent::LinkReset);
        handle(LinkEvent::HoldExpired);
    }
}

void DataLink::transmissionDone() { handle(LinkEvent::TxDone); }

SubmitResult DataLink::submit(const Request& request, std::uint64_t* ticket) {
    if (!requestFits(request)) return SubmitResult::TooLong;
    if (requestWaiting_) {
        busyWatchdog_.loadTicks(kWatchdogTicks);
        return SubmitResult::Busy;
    }
    busyWatchdog_.clear();
    pending_ = request;
    requestWaiting_ = true;
    pendingTicket_ = nextTicket_++;
    if (ticket) *ticket = pendingTicket_;
    sendIfAllowed();
    return SubmitResult::Accepted;
}

RequestProgress DataLink::progress(std::uint64_t ticket) const {
    if (builtTicket_ == ticket) return RequestProgress::Built;
    if (droppedTicket_ == ticket) return RequestProgress::Dropped;
    return RequestProgress::Waiting;
}

bool DataLink::withdraw(std::uint64_t ticket) {
    if (!requestWaiting_ || pendingTicket_ != ticket || builtTicket_ == ticket) return false;
    requestWaiting_ = false;
    droppedTicket_ = ticket;
    // Nothing waits any more, so there is nothing left for it to drop.
    busyWatchdog_.clear();
    return true;
}

bool DataLink::quiescent() const {
    return state_ == LinkState::Idle && !requestWaiting_ && replyTimer_.ticks() == 0 &&
           holdTimer_.ticks() == 0 && quietTimer_.ticks() == 0 && !gapTimer_.running() &&
           !responseWatchdog_.running() && !busyWatchdog_.running();
}

std::optional<DeliveredFrame> DataLink::takeReply() {
    if (!reply_.delivered) return std::nullopt;
    reply_.delivered = false;
    return reply_;
}

std::optional<DeliveredFrame> DataLink::takeBurst() {
    if (!burst_.delivered) return std::nullopt;
    burst_.delivered = false;
    return burst_;
}

// ---------------------------------------------------------------------------
// Event handling

void DataLink::handle(LinkEvent event) {
    const Transition* row = findTransition(state_, event);
    if (!row) return;
    // Timers first, then the new state, then the action (which may raise the
    // nested events 0/1 and have them handled at once).
    loadTimers(row->timerCode);
    state_ = row->next;
    run(row->action);
    sendIfAllowed();
}

void DataLink::sendIfAllowed() {
    if (requestWaiting_ && maySend(state_)) handle(LinkEvent::SendRequest);
}

void DataLink::loadTimers(int code) {
    if (code == kTimerCodeUnchanged) return;
    const TimerLoad load = timerLoadFor(code, primary_);
    if (load.replyMs >= 0) replyTimer_.load(load.replyMs);
    if (load.quietMs >= 0) quietTimer_.load(load.quietMs);
    if (load.holdMs >= 0) holdTimer_.load(load.holdMs);
}

void DataLink::run(LinkAction action) {
    switch (action) {
        case LinkAction::None: break;
        case LinkAction::EndOfTransmission: endOfTransmission(); break;
        case LinkAction::BuildFrame: buildFrame(); break;
        case LinkAction::BuildFrameResetPreamble:
            buildFrame();
            parser_.abandonPreambles();
            break;
        case LinkAction::RecordBurstAddress: recordBurstAddress(); break;
        case LinkAction::RecordBurstAddressAndDeliverReply:
            recordBurstAddress();
            deliverReply();
            break;
        case LinkAction::DeliverReply: deliverReply(); break;
        case LinkAction::DeliverBurst: deliverBurst(); break;
        case LinkAction::DeliverTimeout: deliverTimeout(); break;
        case LinkAction::DeliverBroken: deliverBroken(); break;
        case LinkAction::DeliverForeign: deliverForeign(); break;
        case LinkAction::CompareBurstAddress: compareBurstAddress(); break;
    }
}

// ---------------------------------------------------------------------------
// Actions

void DataLink::endOfTransmission() {
    // A request reset away before its frame was built is dropped, and whoever
    // submitted it must learn so rather than wait for ever.
    if (requestWaiting_ && builtTicket_ != pendingTicket_) droppedTicket_ = pendingTicket_;
    requestWaiting_ = false;
    reply_.flags = 0;
    reply_.brokenReply = 0;
    reply_.foreignFrame = 0;
    // A new exchange starts: a reply left over from an earlier one must not be
    // taken for the answer to this one.
    reply_.delivered = false;
}

void DataLink::buildFrame() {
    if (auto frame = assembleRequest(pending_, primary_)) txFrame_ = *frame;
    builtTicket_ = pendingTicket_;
}

void DataLink::recordBurstAddress() {
    burstAddress_ = parser_.frame().longAddressBytes();
    burstAddress_[0] &= 0x3F;
}

void DataLink::copyFrame(const ReceivedFrame& from, DeliveredFrame& to) {
    to.errorWord = from.errorWord;
    to.lineErrors = from.lineErrors;
    to.responseCode = from.responseCode;
    to.deviceStatus = from.deviceStatus;
    to.flags &= ~std::uint32_t{kFlagDeviceStatus};
    if (from.deviceStatus != 0) to.flags |= kFlagDeviceStatus;
    to.address = from.address;
    to.longAddress = from.longAddress;
    to.command = from.command;
    to.dataLength = std::max(static_cast<int>(from.byteCount) - 2, 0);
    to.data = {};
    std::copy_n(from.data.begin() + 2, to.dataLength, to.data.begin());
    to.delivered = true;
}

void DataLink::deliverReply() { copyFrame(parser_.frame(), reply_); }

void DataLink::deliverBurst() { copyFrame(parser_.frame(), burst_); }

void DataLink::deliverTimeout() {
    reply_.flags |= kFlagNoReply;
    clearContents(reply_);
    reply_.delivered = true;
}

void DataLink::deliverBroken() {
    reply_.flags |= kFlagBrokenOrForeign;
    reply_.brokenReply = 1;
    reply_.errorWord = parser_.frame().errorWord;
    reply_.lineErrors = parser_.frame().lineErrors;
    clearContents(reply_);
    reply_.delivered = true;
}

void DataLink::deliverForeign() {
    reply_.flags |= kFlagBrokenOrForeign;
    reply_.foreignFrame = 1;
    reply_.errorWord = parser_.frame().errorWord;
    reply_.lineErrors = parser_.frame().lineErrors;
    deliverReply();
}

void DataLink::compareBurstAddress() {
    LongAddress from = parser_.frame().longAddressBytes();
    from[0] &= 0x3F;
    handle(from == burstAddress_ ? LinkEvent::SameBurstDevice : LinkEvent::OtherBurstDevice);
}

}  // namespace mirell
