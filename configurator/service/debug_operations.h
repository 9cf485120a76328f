#pragma once
// The DEBUG page's eight debug variables: their names and values read from
// the device, their new values written, and the debug address confirmed.
// None of them shows a progress text; a failure is logged by command and,
// where it stops the operation, told in the status bar. The array group is
// in array_transfer.h.

#include <QString>

#include "comm/page_operation.h"

namespace velk {

class FormState;
struct WindowState;

inline constexpr int kDebugVariables = 8;

// The controls of debug variable i, left to right, top row first.
struct DebugVariableControls {
  const char* name;
  const char* read;
  const char* write;
  const char* button;  // its "W"
};
extern const DebugVariableControls kDebugVariableControls[kDebugVariables];

void applyDebugDefaults(FormState& form, WindowState& window);

// "Read variables": table 2, the eight 16-bit values, least significant
// byte first. If it cannot be read the read fields are emptied.
void readDebugVariables(const JobContext& job, Sender sender);

// "Read variable names": table 3 into table 1, then each name through area
// 1: a text of at most 14 bytes, ending at the first zero.
void readDebugVariableNames(const JobContext& job, Sender sender);

// "Write variables": every write field must be a whole number (else nothing
// is sent); table 4 into table 1, then each variable's low 16 bits.
void writeDebugVariables(const JobContext& job, Sender sender);

// "W" of variable `variable`: entry `variable` of table 4 becomes entry 0 of
// table 1, then the value goes through it.
void writeDebugVariable(const JobContext& job, int variable);
template <int Variable>
void writeDebugVariableClick(const JobContext& job, Sender) {
  writeDebugVariable(job, Variable);
}

// "Confirm debug address": table 5 into table 1.
void confirmDebugAddress(const JobContext& job, Sender sender);

// The whole number a field holds, or nothing; then the user is told, as a
// conversion of a text that is no integer tells.
std::optional<long long> integerField(const JobContext& job, const QString& name);

}  // namespace velk
