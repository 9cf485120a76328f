// The error codes and texts the library reports, the classes and texts of an
// instrument's status bytes, and the names of the engineering-unit codes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mirell {

enum ErrorCode : int {
    kNoError = 0,
    kPortFailed = 2,
    kPortLost = 3,
    kRequestRefused = 4,
    kAlreadyRegistered = 5,
    kOutsideDataField = 6,
    kUnsupportedIntegerLength = 7,
    kInvalidHandle = 8,
    kInvalidPollingAddress = 9,
    kRegistryFull = 10,
    kInstrumentStatus = 15,
    kBadReply = 16,
    kNoResponsePending = 17,
    kKeyRefused = 18,
    kNoReply = 1460,
};

namespace text {
inline constexpr std::string_view kNoError = "No error";
inline constexpr std::string_view kPortFailed = "Unable to initialize the serial port.";
// Followed by the port's name (its device, or its HART-IP address).
inline constexpr std::string_view kPortLost = "Port gone (unplugged or closed): ";
inline constexpr std::string_view kRequestRefused = "Internal error. The request was incorrectly formatted.";
inline constexpr std::string_view kAlreadyRegistered = "Instrument already detected and registered.";
inline constexpr std::string_view kOutsideDataField =
    "Attempted to read/write outside the maximum valid length of the datafield.";
inline constexpr std::string_view kUnsupportedIntegerLength =
    "GetInteger/SetInteger reports: Unsupported integer length.";
inline constexpr std::string_view kInvalidHandle =
    "Invalid instrument handle. Cannot address any instrument.";
// SendLongCommand's variant of the same message.
inline constexpr std::string_view kInvalidHandleLong =
    "  Invalid instrument handle. Cannot address any instrument.";
inline constexpr std::string_view kInvalidPollingAddress =
    "Invalid polling address. Instruments must be polled in the short address range 1-15.";
inline constexpr std::string_view kRegistryFull =
    "No more instruments can be connected in a Multidropped configuration. (Max 15)";
inline constexpr std::string_view kChecksumError = "Checksum/Parity error in incoming message.";
inline constexpr std::string_view kFramingError = "Framing error in incoming message.";
inline constexpr std::string_view kNoResponsePending = "No response pending!";
inline constexpr std::string_view kNoReply = "Timed out. Instrument didn't reply. ";
}  // namespace text

// Why a HART-IP session could not be opened (error code 2, or 18 for a key
// the server refused).
enum class HartIpFailure : std::uint8_t {
    None,
    NameNotFound,       // the resolver knows no such host
    NameTimedOut,       // no verdict from the resolver in time
    Unreachable,        // no route, no socket, ...
    ConnectionRefused,  // nothing listens at the TCP port
    NoAnswer,           // no session initiate response in time
    SessionRefused,     // the server answered the initiate with an error
    ConnectionClosed,   // the server closed the TCP connection instead
    // A secure port only:
    SecurityNotOffered,  // a plain server: it answered the secure initiate as one
    NotProvisioned,      // a secured server without a key of its own yet
    KeyRefused,          // the handshake turned the identity or key away
    HandshakeFailed,     // the handshake broke off or did not end in time
    NoTls,               // OpenSSL could not be set up
};

struct HartIpOpenFailure {
    HartIpFailure kind = HartIpFailure::None;
    int status = 0;         // the HART-IP status of a refusal
    int lookupSeconds = 0;  // the bound a name lookup had
    // Which port it was: a plain one that no server answered may have met a
    // secured server, one that wants the secure port of the same transport.
    bool tcp = false;
    bool secure = false;
};

// What the error text says about a failed session with `host` at `port`,
// e.g. "The HART-IP server at 10.0.0.5:5094 did not answer."
std::string hartIpFailureText(const HartIpOpenFailure& failure, std::string_view host, std::uint16_t port);

// "The instrument reported an error ... (0x%04x)" for status word `status`.
std::string instrumentStatusText(std::uint16_t status);

// Classes of an instrument's status bytes.
enum InstrumentErrorClass : int {
    kInstrumentOk = 0,
    kDeviceMalfunction = 11,
    kResponseCodeError = 13,
    kCommandSpecificCode = 14,
};

struct InstrumentError {
    int errorClass;
    std::string text;
};

// Judges status word `status` (response code << 8 | field-device status) of
// a reply to `command`.
InstrumentError classifyInstrumentStatus(std::uint16_t status, int command);

// Text of a command-specific response code (8..15) for `command`.
std::string commandSpecificText(int command, int code);

// Name of an engineering-unit code; "???" for codes without one.
std::string_view unitName(std::uint8_t code);

// The error state every call reports into: the last code and a copy of its
// text, at most 100 characters.
class ErrorState {
public:
    static constexpr std::size_t kMaxText = 100;

    void report(int code, std::string_view text);
    int code() const { return code_; }
    const char* text() const { return text_.data(); }

private:
    int code_ = kNoError;
    std::array<char, kMaxText + 1> text_{"No error"};
};

// Copies `from` into a caller's buffer of at least `limit` + 1 bytes.
void copyText(std::string_view from, char* to, std::size_t limit);

}  // namespace mirell
