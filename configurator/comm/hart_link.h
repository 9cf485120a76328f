#pragma once
// The calls the configurator makes into the HART link library, as a C++
// interface so the program can run against the loaded library or a fake.
//
// These are the 22 of the library's exports the program uses; texts come back
// as copies, so nothing of the library's crosses this line. Like the library,
// none of this is reentrant: use it only inside a Link transaction.

#include <stdexcept>
#include <string>

namespace velk {

// GetInstrumentError's answer: the class (0, 11, 13 or 14) and its text.
struct InstrumentError {
  int errorClass = 0;
  std::string text;
};

class HartLink {
 public:
  virtual ~HartLink() = default;

  virtual void InitHart(int port) = 0;
  virtual void ShutDownHart() = 0;

  virtual int GetErrorCode() = 0;
  virtual std::string GetErrorMessage() = 0;
  virtual InstrumentError GetInstrumentError() = 0;
  virtual int GetStatusBytes() = 0;

  virtual int SendLongCommand(int command, int handle, int byteCount) = 0;
  virtual int WaitForResponse() = 0;
  virtual int GetMessageLength() = 0;
  virtual unsigned GetInteger(int offset, int length) = 0;
  virtual void SetInteger(int offset, int length, unsigned value) = 0;
  virtual float GetFloat(int offset) = 0;
  virtual void SetFloat(int offset, float value) = 0;
  virtual std::string GetString(int offset, int byteLength) = 0;
  virtual void SetString(int offset, int byteLength, const std::string& text) = 0;

  virtual int DetectInstrumentWithShortAddress(int pollingAddress) = 0;
  virtual void SetPollingAddress(int handle, int address) = 0;

  virtual void ProcessBurstMessages(int flag) = 0;
  virtual int BurstDataUpdated() = 0;
  virtual int GetBurstMessageLength() = 0;
  virtual unsigned GetBurstInteger(int offset, int length) = 0;
  virtual float GetBurstFloat(int offset) = 0;

  // Stops the link (ShutDownHart), unloads the library and loads it afresh, so
  // the next InitHart starts from a clean registry and opens its port again.
  virtual void reloadLibrary() = 0;
};

// What every implementation of HartLink declares, listed once.
#define VELK_HART_LINK_OVERRIDES                                                \
  void InitHart(int port) override;                                             \
  void ShutDownHart() override;                                                 \
  int GetErrorCode() override;                                                  \
  std::string GetErrorMessage() override;                                       \
  InstrumentError GetInstrumentError() override;                                \
  int GetStatusBytes() override;                                                \
  int SendLongCommand(int command, int handle, int byteCount) override;         \
  int WaitForResponse() override;                                               \
  int GetMessageLength() override;                                              \
  unsigned GetInteger(int offset, int length) override;                         \
  void SetInteger(int offset, int length, unsigned value) override;             \
  float GetFloat(int offset) override;                                          \
  void SetFloat(int offset, float value) override;                              \
  std::string GetString(int offset, int byteLength) override;                   \
  void SetString(int offset, int byteLength, const std::string& text) override; \
  int DetectInstrumentWithShortAddress(int pollingAddress) override;            \
  void SetPollingAddress(int handle, int address) override;                     \
  void ProcessBurstMessages(int flag) override;                                 \
  int BurstDataUpdated() override;                                              \
  int GetBurstMessageLength() override;                                         \
  unsigned GetBurstInteger(int offset, int length) override;                    \
  float GetBurstFloat(int offset) override;                                     \
  void reloadLibrary() override;

// The library could not be loaded or lacks a function. The text names the
// library file and the reason.
class LinkLibraryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace velk
