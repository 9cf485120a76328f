#pragma once
// One command exactly as the technician typed it, for the HART page and
// `velk raw`: no second attempt, no log line, no catalogue name. The caller
// holds the transaction, so the command never overlaps other traffic.

#include <functional>
#include <vector>

#include "comm/hart_link.h"

namespace velk {

inline constexpr int kRawRequestMaxBytes = 28;
// The library's data field: a longer reply keeps only its first bytes there.
inline constexpr int kDataFieldBytes = 50;

struct RawCommandOutcome {
  // SendLongCommand's error code: not 0, the request never went out and
  // nothing else here was filled.
  int transmissionError = 0;
  int responseCode = 0;  // of the reply's status bytes
  int deviceStatus = 0;
  int replyLength = 0;  // data bytes the reply carried, which may be more than `reply` holds
  // WaitForResponse's error code: 0 when the reply came back without error.
  int responseError = 0;
  // The reply data the data field holds (at most its 50 bytes), only after
  // a reply without error: after a failed wait the data field still holds
  // the request, which is no reply.
  std::vector<unsigned> reply;
};

// Sends `command` with the low eight bits of the first 28 values of
// `request` to the instrument `handle` and waits for its reply. `sent` runs
// once the request went out, before the wait (which may take seconds).
RawCommandOutcome sendRawCommand(HartLink& api, int handle, int command, const std::vector<int>& request,
                                 const std::function<void()>& sent = {});

}  // namespace velk
