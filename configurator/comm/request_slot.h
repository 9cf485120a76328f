#pragma once
// The window's one request slot (RequestCode, RequestPending): the window
// posts, the command thread takes. Posting and taking are each one step under
// a lock, so the thread never pairs a new code with an old pending flag.

#include <mutex>
#include <optional>

#include "model/window_state.h"

namespace velk {

class RequestSlot {
 public:
  explicit RequestSlot(WindowState& window) : window_(window) {}

  // A newer request replaces a waiting one.
  void post(int code) {
    std::lock_guard lock(mutex_);
    window_.RequestCode.store(code);
    window_.RequestPending.store(1);
  }

  // Posts `code` only while no request of another kind waits: a ramp's
  // setpoint, posted every two seconds, must not swallow a click on
  // "Disconnect" that the thread has not taken yet. Returns whether posted.
  bool postUnlessOtherWaiting(int code) {
    std::lock_guard lock(mutex_);
    if (window_.RequestPending.load() && window_.RequestCode.load() != code) return false;
    window_.RequestCode.store(code);
    window_.RequestPending.store(1);
    return true;
  }

  // The waiting request, which is cleared: one posted while it is served
  // waits for the next pass.
  std::optional<int> take() {
    std::lock_guard lock(mutex_);
    if (!window_.RequestPending.load()) return std::nullopt;
    window_.RequestPending.store(0);
    return window_.RequestCode.load();
  }

  bool waiting(int code) const {
    std::lock_guard lock(mutex_);
    return window_.RequestPending.load() && window_.RequestCode.load() == code;
  }

  // Drops a waiting request of this kind: it has been answered already.
  void discard(int code) {
    std::lock_guard lock(mutex_);
    if (window_.RequestCode.load() == code) window_.RequestPending.store(0);
  }

 private:
  WindowState& window_;
  mutable std::mutex mutex_;
};

}  // namespace velk
