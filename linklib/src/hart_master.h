// The library's state and operations behind the exported calls: the link,
// the error state, the data field, transactions with their retries, the
// instrument registry with detection, and the burst data.
//
// Not reentrant, as the exported calls: one caller at a time. Inside, the
// link's threads and the burst collector run on their own.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "burst_collector.h"
#include "data_link.h"
#include "field_buffer.h"
#include "frame_trace.h"
#include "hart_ip_link.h"
#include "instrument_registry.h"
#include "link_driver.h"
#include "link_texts.h"

namespace mirell {

struct MasterSetup {
    // Opens COM port n (null when it cannot be opened).
    std::function<std::unique_ptr<LinkPort>(int)> openPort;
    ClockSource clock = ClockSource::Internal;
    Pacer* pacer = nullptr;
    // Starts the frame trace of a session that InitHart opens, beginning
    // with the note `session` (null: no trace). By default the one
    // MIRELL_TRACE names.
    std::function<std::unique_ptr<FrameTrace>(std::string_view session)> startTrace = {};
    // The name of COM port n: a serial device, or a HART-IP address
    // (hart-ip://HOST[:PORT], hart-ip+tcp://, hart-ip+tls://, hart-ip+dtls://)
    // that InitHart opens a session with instead. By default the one
    // MIRELL_COM<n> names.
    std::function<std::string(int)> portName = {};
    // The key file of a secure HART-IP port, read at each InitHart that
    // opens one. By default the one MIRELL_HARTIP_PSK_FILE names (empty: none).
    std::function<std::string()> pskFile = {};
    HartIpTiming hartIp = {};
};

class HartMaster {
public:
    // Attempts per transaction: the first and three retries.
    static constexpr int kAttempts = 4;

    explicit HartMaster(MasterSetup setup = {});
    ~HartMaster();
    HartMaster(const HartMaster&) = delete;
    HartMaster& operator=(const HartMaster&) = delete;

    // Starting and stopping
    void initHart(int port);
    void initHartEx(int port, int primary);
    void shutDownHart();
    int masterMode() const { return primary_ ? 1 : 0; }

    // Errors
    int errorCode() const { return error_.code(); }
    char* errorMessage(char* text) const;
    int instrumentError(char* text) const;
    int statusBytes() const;

    // Transactions
    int sendLongCommand(int command, int handle, int byteCount);
    int sendShortCommand(int command, int handle, int byteCount);
    void manualSendCommand(int command, int addressMode, int byteCount, int addressOffset);
    int waitForResponse();
    int messageLength() const { return lastReply_ ? lastReply_->dataLength : 0; }

    // Data field
    unsigned getInteger(int offset, int length);
    void setInteger(int offset, int length, unsigned value);
    float getFloat(int offset);
    void setFloat(int offset, float value);
    void getString(int offset, int byteLength, char* text);
    void setString(int offset, int byteLength, const char* text);
    void getUnitString(int offset, char* text);

    // Instruments
    int detectInstrument();
    int detectInstrumentWithShortAddress(int pollingAddress);
    int detectInstrumentWithTag(const char* tag);
    int forceRegistration();
    void resetInternalRegistry() { registry_.reset(); }
    void setPollingAddress(int handle, int address);
    int getPollingAddress(int handle);

    // Burst data
    void processBurstMessages(int flag);
    int burstDataUpdated() { return burst_.takeUpdated() ? 1 : 0; }
    int burstMessageLength() const { return burst_.length(); }
    unsigned getBurstInteger(int offset, int length);
    float getBurstFloat(int offset);
    void getBurstString(int offset, int byteLength, char* text);
    void getBurstUnitString(int offset, char* text);

    // For tests and the host's unload hook.
    LinkDriver& link() { return link_; }
    HartIpLink& hartIpLink() { return hartIp_; }
    // Whichever of the two InitHart opened last.
    Transport& transport() { return *transport_.load(); }
    const Transport& transport() const { return *transport_.load(); }
    const FieldBuffer& dataField() const { return field_; }
    bool burstCollectorRunning() const { return burst_.running(); }

private:
    // What a retry resends, and the command whose response codes are judged.
    struct LastRequest {
        int command = 0;
        FrameKind kind = FrameKind::Long;
        int byteCount = 0;
        int handle = 0;
    };
    // Whom the frame last put on the line was addressed to, and with what
    // command: its answer must come from there and name that command.
    struct SentRequest {
        FrameKind kind = FrameKind::Long;
        std::uint8_t pollingAddress = 0;
        LongAddress longAddress{};
        std::uint8_t command = 0;
    };

    void report(int code, std::string_view text) { error_.report(code, text); }
    void reportNoError() { report(kNoError, text::kNoError); }
    // Reports 0, 6 or 7 for an accessor's outcome; true when it succeeded.
    bool reportField(FieldStatus status);

    int sendCommand(FrameKind kind, int command, int handle, int byteCount);
    // Hands a request to the link with the data field as its data; reports
    // 0 or 4. submitTo makes the instrument's preamble count the one in force.
    bool submitTo(const Instrument& target, FrameKind kind, int command, int byteCount);
    bool submit(FrameKind kind, std::uint8_t pollingAddress, const LongAddress& longAddress, int command,
                int byteCount);
    bool resendLastRequest();
    // Reports 3 with the port's name when the port went away under the
    // open link; true then.
    bool reportIfPortLost();
    void judge(DeliveredFrame reply);
    bool answersLastSent(const DeliveredFrame& reply) const;
    // Sends an identity request (whose reply has the layout of command 0)
    // for the candidate entry and registers the device that answers.
    int detect(FrameKind kind, int command, int pollingAddress, int requestBytes);
    // Writes the trace's tail and stops it; the link must be closed.
    void stopTrace(std::string_view note = "session ended: ShutDownHart");
    // Opens a HART-IP session in place of the serial link.
    void openHartIp(int port, const HartIpAddress& address);

    MasterSetup setup_;
    std::unique_ptr<FrameTrace> trace_;  // declared before the link it serves
    LinkDriver link_;
    HartIpLink hartIp_;
    std::atomic<Transport*> transport_{&link_};
    int openPort_ = 0;
    std::string openName_;  // the port name InitHart opened
    std::atomic<bool> primary_{true};

    ErrorState error_;
    FieldBuffer field_;
    LastRequest last_;
    SentRequest lastSent_;
    bool responsePending_ = false;
    std::optional<DeliveredFrame> lastReply_;  // the reply record WaitForResponse took last
    int preamblesInForce_ = 5;
    InstrumentRegistry registry_;

    BurstCollector burst_;
};

}  // namespace mirell
