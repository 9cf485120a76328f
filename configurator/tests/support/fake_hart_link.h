#pragma once
// A HartLink for tests: one instrument whose replies each test scripts per
// command, the library's error texts, a 50-byte data field, and a record of
// what was called. It notices calls from two threads at once.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "comm/hart_link.h"

namespace velk {

class FakeHartLink : public HartLink {
 public:
  static constexpr int kDataFieldSize = 50;
  using DataField = std::array<std::uint8_t, kDataFieldSize>;

  struct Reply {
    int errorCode = 0;    // what WaitForResponse reports; 15 with statusBytes
    int statusBytes = 0;  // response code * 256 + device status
    std::vector<std::uint8_t> data;
  };
  // Answers a command from the request data; replaces any scripted reply.
  using Responder = std::function<Reply(int command, const DataField& request, int byteCount)>;

  FakeHartLink() = default;

  void setReply(int command, Reply reply);
  void setResponder(Responder responder);
  // How long WaitForResponse takes, to give other threads a chance to interfere.
  void setReplyDelayMicroseconds(int microseconds) { replyDelayMicroseconds_ = microseconds; }

  // The handle detection gave; SendLongCommand refuses every other one.
  int instrumentHandle = 1;

  std::vector<int> sentCommands() const;
  bool callsOverlapped() const { return overlapped_.load(); }
  int initPort() const { return initPort_; }
  int shutDowns() const { return shutDowns_; }
  int reloads() const { return reloads_; }

  VELK_HART_LINK_OVERRIDES

 private:
  class CallGuard;
  void setError(int code, std::string text);
  bool fits(int offset, int length);

  mutable std::mutex recordMutex_;
  std::vector<int> sent_;
  std::map<int, Reply> replies_;
  Responder responder_;
  int replyDelayMicroseconds_ = 0;

  std::atomic<int> activeCalls_{0};
  std::atomic<bool> overlapped_{false};

  DataField field_{};
  int messageLength_ = 0;
  int pendingCommand_ = -1;
  int pendingByteCount_ = 0;
  int errorCode_ = 0;
  std::string errorText_ = "No error";
  int statusBytes_ = 0;
  int initPort_ = 0;
  int shutDowns_ = 0;
  int reloads_ = 0;
};

}  // namespace velk
