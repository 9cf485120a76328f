#include "comm/raw_command.h"

#include <algorithm>

namespace velk {

RawCommandOutcome sendRawCommand(HartLink& api, int handle, int command, const std::vector<int>& request,
                                 const std::function<void()>& sent) {
  const int length = std::min(static_cast<int>(request.size()), kRawRequestMaxBytes);
  for (int i = 0; i < length; ++i)
    api.SetInteger(i, 1, static_cast<unsigned>(request[static_cast<std::size_t>(i)]) & 0xFF);
  RawCommandOutcome outcome;
  api.SendLongCommand(command, handle, length);
  outcome.transmissionError = api.GetErrorCode();
  if (outcome.transmissionError != 0) return outcome;
  if (sent) sent();
  api.WaitForResponse();
  const int status = api.GetStatusBytes();
  outcome.responseCode = (status >> 8) & 0xFF;
  outcome.deviceStatus = status & 0xFF;
  outcome.replyLength = api.GetMessageLength();
  outcome.responseError = api.GetErrorCode();
  if (outcome.responseError == 0)
    for (int i = 0; i < std::min(outcome.replyLength, kDataFieldBytes); ++i)
      outcome.reply.push_back(api.GetInteger(i, 1));
  return outcome;
}

}  // namespace velk
