// HART frame codec: assembles master request frames and parses the received
// byte stream, one byte at a time, into frames and link events.
//
// Pure logic. The transport hands every byte in with its line-error flags, the
// link clock reports gap time-outs, and the state machine asks for frames to be
// assembled. Nothing here touches a port or reads a clock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "link_types.h"

namespace mirell {

// A request as handed to the link (copied whole when submitted).
struct Request {
    std::uint8_t pollingAddress = 0;  // short frames: low four bits are sent
    LongAddress longAddress{};        // manufacturer, device type, 3 id bytes
    std::uint8_t command = 0;
    std::uint8_t byteCount = 0;  // request data bytes
    DataField data{};            // the whole data field at the time of the send
    FrameKind kind = FrameKind::Long;
    int preambles = 5;  // preambles the addressed instrument asks for
};

// Bytes of one request frame, ready for the wire: preambles through data, then
// the check byte.
struct TxFrame {
    static constexpr std::size_t kFrameBytes = 50;  // without the check byte
    std::array<std::uint8_t, kFrameBytes + 1> bytes{};
    std::size_t length = 0;  // including the check byte

    const std::uint8_t* data() const { return bytes.data(); }
    std::size_t size() const { return length; }
};

// Number of frame bytes (without the check byte) the request needs.
std::size_t requestFrameLength(const Request& request);

// True when the request fits the 50-byte transmit buffer.
bool requestFits(const Request& request);

// Assembles the frame of `request`. `primaryMaster` sets the master bit of the
// address. Returns nothing when the request does not fit the transmit buffer;
// such a request is refused rather than truncated.
std::optional<TxFrame> assembleRequest(const Request& request, bool primaryMaster);

// Receive phases and the parse steps inside a frame.
enum class RxPhase : std::uint8_t { Hunting = 0, Preamble = 1, InFrame = 2 };
enum class RxStep : std::uint8_t { Address, Expansion, Command, ByteCount, Data, Checksum };

// Error-word bits of a received frame.
enum ErrorWordBits : std::uint32_t {
    kErrAddress = 1u << 0,
    kErrCommand = 1u << 1,
    kErrData = 1u << 2,
    kErrChecksumByte = 1u << 3,
    kErrChecksumMismatch = 1u << 5,
};

// Indices of the four line-error bytes.
enum LineErrorField : std::size_t {
    kFieldAddress = 0,
    kFieldCommand = 1,
    kFieldData = 2,
    kFieldChecksum = 3
};

// The receive work area: one frame at a time, overwritten by the next.
struct ReceivedFrame {
    std::uint32_t errorWord = 0;
    std::uint8_t delimiter = 0;
    std::array<std::uint8_t, 6> address{};  // short: [0]; long: [1..5]
    std::uint8_t command = 0;
    std::uint8_t byteCount = 0;                      // 0..255
    std::uint8_t responseCode = 0;                   // first data byte
    std::uint8_t deviceStatus = 0;                   // second data byte
    std::array<std::uint8_t, kMaxFrameData> data{};  // starting with the response code
    std::uint8_t checksum = 0;
    std::array<std::uint32_t, 4> lineErrors{};
    bool masterBit = false;
    bool burstBit = false;
    FrameType type = FrameType::Ack;
    int expansionCount = 0;
    bool longAddress = false;

    // The five long-address bytes of a long frame.
    LongAddress longAddressBytes() const {
        return {address[1], address[2], address[3], address[4], address[5]};
    }
};

class FrameParser {
public:
    explicit FrameParser(bool primaryMaster = true) : primary_(primaryMaster) {}

    void setPrimaryMaster(bool primary) { primary_ = primary; }

    // Feeds one received byte with its line-error flags (LineError bits).
    // Returns the link event the byte raises, if any.
    std::optional<LinkEvent> feed(std::uint8_t byte, std::uint8_t lineErrors);

    // No byte for the gap time: abandons a frame or preamble run in progress.
    std::optional<LinkEvent> gapTimeout();

    // Drops a run of preambles being counted (used when the link transmits
    // into a preamble flood).
    void abandonPreambles();

    RxPhase phase() const { return phase_; }
    RxStep step() const { return step_; }
    int preambleCount() const { return preambles_; }
    const ReceivedFrame& frame() const { return frame_; }

    // Response code << 8 | field-device status of the frame most recently parsed.
    std::uint16_t statusWord() const {
        return static_cast<std::uint16_t>(frame_.responseCode << 8 | frame_.deviceStatus);
    }

private:
    void startFrame(std::uint8_t delimiter);
    void enterStep(RxStep step);
    void noteLineError(std::uint8_t lineErrors, std::uint32_t bit, std::size_t field);
    LinkEvent classEvent() const;
    std::optional<LinkEvent> parseInFrame(std::uint8_t byte, std::uint8_t lineErrors);

    bool primary_;
    RxPhase phase_ = RxPhase::Hunting;
    RxStep step_ = RxStep::Address;
    int preambles_ = 0;
    int stepBytes_ = 0;
    std::uint8_t runningChecksum_ = 0;
    ReceivedFrame frame_;
};

}  // namespace mirell
