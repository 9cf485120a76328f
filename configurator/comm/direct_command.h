#pragma once
// Commands sent straight to the library, without ExecuteCommand's second
// attempt and log line: burst switching and the process values read while
// connecting decide themselves how often to try and report nothing.

#include "comm/hart_link.h"

namespace velk {

// One attempt at `command` with the request already in the data field.
// True when the reply came back without error (it is then in the data field).
inline bool attemptCommand(HartLink& api, int command, int handle, int requestByteCount) {
  api.SendLongCommand(command, handle, requestByteCount);
  if (api.GetErrorCode() != 0) return false;  // nothing is pending to wait for
  api.WaitForResponse();
  return api.GetErrorCode() == 0;
}

// Up to `attempts` attempts, stopping at the first success.
inline bool attemptCommand(HartLink& api, int command, int handle, int requestByteCount, int attempts) {
  for (int attempt = 0; attempt < attempts; ++attempt)
    if (attemptCommand(api, command, handle, requestByteCount)) return true;
  return false;
}

}  // namespace velk
