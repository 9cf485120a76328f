#pragma once
// The device's memory self test, started from the TUNING page ("Memory self
// test") and the DIAG ALARMS page: command 41, a 12 s wait while the device
// tests, then the command 48 read into Edit4, Edit5 and Edit6. The wait is a
// long job's turns on the command thread, so neither the window nor burst
// monitoring stands still meanwhile.

#include <QString>
#include <chrono>

#include "comm/page_operation.h"
#include "comm/step_job.h"

namespace velk {

inline constexpr const char* kSelfTestWaitText = "Wait for Q5 to finish test";
inline constexpr auto kSelfTestWait = std::chrono::milliseconds(12000);

// The clock the wait is measured by. Tests put in one they move themselves,
// so none waits 12 s. Returns the clock it replaced.
using SelfTestClock = std::chrono::steady_clock::time_point (*)();
SelfTestClock setSelfTestClock(SelfTestClock clock);

// ButtonSelfTestClick: the self test as the job the page posts. Started by a
// click, it shows "Communicating..." until it ends. LabelSelfTest keeps its
// waiting text until the alarms diagnosis empties it.
StepJob ButtonSelfTestClick(WindowOperations& operations, Sender sender = Sender::Click);

}  // namespace velk
