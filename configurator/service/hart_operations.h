#pragma once
// The HART page: any command with up to 28 request bytes, sent as typed to
// the connected positioner, and its raw answer. It runs as a job, so it
// holds the link for its transaction like all other traffic.

#include "comm/page_operation.h"

namespace velk {

class FormState;
struct WindowState;

inline constexpr const char* kRawCommandField = "Edit36";
inline constexpr const char* kRawLengthField = "Edit96";
inline constexpr const char* kRawResponseCode = "Edit65";
inline constexpr const char* kRawStatus = "Edit66";
inline constexpr const char* kRawResponseLength = "Edit95";
inline constexpr const char* kRawProgress = "Edit97";
inline constexpr int kRawByteFields = 28;

// Request byte i is Edit37 + i, reply byte i Edit67 + i.
QString requestByteField(int index);
QString replyByteField(int index);

void applyHartDefaults(FormState& form, WindowState& window);

// "Send": command and length, and each request byte below the length, as
// whole numbers; a field that holds none counts as 0 and shows "0". The
// length is kept to 0..28. The outcome: "Transmission error N" when the
// request could not go out, else "Transmission OK" while the reply is
// awaited, then the response code, status, reply length and "Response OK"
// or "Response error N". Reply bytes are shown only from
// a reply without error; the fields of a request that never went out are
// emptied.
void sendRawCommandClick(const JobContext& job, Sender sender);

}  // namespace velk
