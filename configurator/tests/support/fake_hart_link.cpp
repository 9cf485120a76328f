#include "support/fake_hart_link.h"

#include <bit>
#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

namespace velk {

namespace {

std::string libraryErrorText(int code) {
  switch (code) {
    case 0: return "No error";
    case 2: return "Unable to initialize the serial port.";
    case 4: return "Internal error. The request was incorrectly formatted.";
    case 6: return "Attempted to read/write outside the maximum valid length of the datafield.";
    case 7: return "GetInteger/SetInteger reports: Unsupported integer length.";
    case 16: return "Checksum/Parity error in incoming message.";
    case 17: return "No response pending!";
    case 1460: return "Timed out. Instrument didn't reply. ";
    default: return "Unknown error";
  }
}

std::string responseCodeText(int status) {
  char text[101];
  switch ((status >> 8) & 0x7F) {
    case 2: return "Slave reports: Invalid selection!";
    case 3: return "Slave reports: Passed parameter too large!";
    case 4: return "Slave reports: Passed parameter too small!";
    case 5: return "Slave reports: Too few data bytes received!";
    case 6: return "Slave reports: Transmitter-specific command error!";
    case 7: return "Slave reports: In write protect mode!";
    case 16: return "Slave reports: Access restricted!";
    case 32:
      std::snprintf(text, sizeof text,
                    "Slave is busy. Its current task cannot be interrupted by this command. (0x%04x)",
                    status);
      return text;
    case 64: return "Slave Reports: Command not implemented!";
    default:
      std::snprintf(text, sizeof text, "Error code not specified by HART-protocol (%04hx)",
                    static_cast<unsigned short>(status));
      return text;
  }
}

}  // namespace

// Counts the calls in progress: two at once means the caller let two threads
// into a library that is not reentrant.
class FakeHartLink::CallGuard {
 public:
  explicit CallGuard(FakeHartLink& link) : link_(link) {
    if (link_.activeCalls_.fetch_add(1) != 0) link_.overlapped_.store(true);
  }
  ~CallGuard() { link_.activeCalls_.fetch_sub(1); }

 private:
  FakeHartLink& link_;
};

void FakeHartLink::setReply(int command, Reply reply) {
  std::lock_guard lock(recordMutex_);
  replies_[command] = std::move(reply);
}

void FakeHartLink::setResponder(Responder responder) {
  std::lock_guard lock(recordMutex_);
  responder_ = std::move(responder);
}

std::vector<int> FakeHartLink::sentCommands() const {
  std::lock_guard lock(recordMutex_);
  return sent_;
}

void FakeHartLink::setError(int code, std::string text) {
  errorCode_ = code;
  errorText_ = std::move(text);
}

bool FakeHartLink::fits(int offset, int length) {
  if (offset >= 0 && length >= 0 && offset + length <= kDataFieldSize) return true;
  setError(6, libraryErrorText(6));
  return false;
}

void FakeHartLink::InitHart(int port) {
  CallGuard guard(*this);
  initPort_ = port;
  setError(0, "No error");
}

void FakeHartLink::ShutDownHart() {
  CallGuard guard(*this);
  ++shutDowns_;
}

int FakeHartLink::GetErrorCode() {
  CallGuard guard(*this);
  return errorCode_;
}

std::string FakeHartLink::GetErrorMessage() {
  CallGuard guard(*this);
  return errorText_;
}

InstrumentError FakeHartLink::GetInstrumentError() {
  CallGuard guard(*this);
  const int s = statusBytes_;
  if ((s & 0xFF80) == 0) return {0, "Instrument replied! No errors."};
  if (s & 0x80) return {11, "Unspecified device malfunction!"};
  if (s & 0x0800) return {14, "Command-specific error"};
  return {13, responseCodeText(s)};
}

int FakeHartLink::GetStatusBytes() {
  CallGuard guard(*this);
  return statusBytes_;
}

int FakeHartLink::SendLongCommand(int command, int handle, int byteCount) {
  CallGuard guard(*this);
  {
    std::lock_guard lock(recordMutex_);
    sent_.push_back(command);
  }
  if (handle == 0 || handle != instrumentHandle) {
    setError(8, "  Invalid instrument handle. Cannot address any instrument.");
    return 0;
  }
  setError(0, "No error");
  pendingCommand_ = command;
  pendingByteCount_ = byteCount;
  return 1;
}

int FakeHartLink::WaitForResponse() {
  CallGuard guard(*this);
  if (pendingCommand_ < 0) {
    setError(17, libraryErrorText(17));
    return 0;
  }
  if (replyDelayMicroseconds_ > 0)
    std::this_thread::sleep_for(std::chrono::microseconds(replyDelayMicroseconds_));
  const int command = std::exchange(pendingCommand_, -1);
  Reply reply;
  {
    std::lock_guard lock(recordMutex_);
    if (responder_)
      reply = responder_(command, field_, pendingByteCount_);
    else if (auto found = replies_.find(command); found != replies_.end())
      reply = found->second;
  }
  statusBytes_ = reply.statusBytes;
  if (reply.errorCode == 15) {
    char text[101];
    std::snprintf(text, sizeof text,
                  "The instrument reported an error by sending non-zero status bytes. (0x%04x)",
                  reply.statusBytes);
    setError(15, text);
  } else if (reply.errorCode != 0) {
    setError(reply.errorCode, libraryErrorText(reply.errorCode));
  } else {
    setError(0, "No error");
    field_.fill(0);
    std::copy_n(reply.data.begin(), std::min<std::size_t>(reply.data.size(), kDataFieldSize), field_.begin());
    // As the library: the reply's true length, of which the field holds the first 50 bytes.
    messageLength_ = static_cast<int>(std::min<std::size_t>(reply.data.size(), 255));
  }
  return 0;
}

int FakeHartLink::GetMessageLength() {
  CallGuard guard(*this);
  return messageLength_;
}

unsigned FakeHartLink::GetInteger(int offset, int length) {
  CallGuard guard(*this);
  if (length < 1 || length > 4) {
    setError(7, libraryErrorText(7));
    return 0;
  }
  if (!fits(offset, length)) return 0;
  setError(0, "No error");
  unsigned value = 0;
  for (int i = 0; i < length; ++i) value = value << 8 | field_[offset + i];
  return value;
}

void FakeHartLink::SetInteger(int offset, int length, unsigned value) {
  CallGuard guard(*this);
  if (length < 1 || length > 4) {
    setError(7, libraryErrorText(7));
    return;
  }
  if (!fits(offset, length)) return;
  setError(0, "No error");
  for (int i = length - 1; i >= 0; --i, value >>= 8) field_[offset + i] = static_cast<std::uint8_t>(value);
}

float FakeHartLink::GetFloat(int offset) {
  const unsigned bits = GetInteger(offset, 4);
  return std::bit_cast<float>(bits);
}

void FakeHartLink::SetFloat(int offset, float value) {
  SetInteger(offset, 4, std::bit_cast<unsigned>(value));
}

// Texts are kept as plain bytes here: packing is the library's business.
std::string FakeHartLink::GetString(int offset, int byteLength) {
  CallGuard guard(*this);
  if (!fits(offset, byteLength)) return {};
  std::string text(field_.begin() + offset, field_.begin() + offset + byteLength);
  return text.substr(0, text.find('\0'));
}

void FakeHartLink::SetString(int offset, int byteLength, const std::string& text) {
  CallGuard guard(*this);
  if (!fits(offset, byteLength)) return;
  for (int i = 0; i < byteLength; ++i)
    field_[offset + i] = i < static_cast<int>(text.size()) ? static_cast<std::uint8_t>(text[i]) : 0;
}

int FakeHartLink::DetectInstrumentWithShortAddress(int) {
  CallGuard guard(*this);
  return instrumentHandle;
}

void FakeHartLink::SetPollingAddress(int, int) { CallGuard guard(*this); }
void FakeHartLink::ProcessBurstMessages(int) { CallGuard guard(*this); }

int FakeHartLink::BurstDataUpdated() {
  CallGuard guard(*this);
  return 0;
}

int FakeHartLink::GetBurstMessageLength() {
  CallGuard guard(*this);
  return 0;
}

unsigned FakeHartLink::GetBurstInteger(int, int) {
  CallGuard guard(*this);
  return 0;
}

float FakeHartLink::GetBurstFloat(int) {
  CallGuard guard(*this);
  return 0;
}

void FakeHartLink::reloadLibrary() {
  CallGuard guard(*this);
  ++shutDowns_;
  ++reloads_;
}

}  // namespace velk
