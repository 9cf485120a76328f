#pragma once
// A long transfer of a service page as a job that runs a step (a block) per
// turn of the command thread, so burst monitoring and other jobs go on
// meanwhile, and that the page's "Cancel" stops between two steps.

#include <atomic>
#include <functional>

#include "comm/thread_commands.h"

namespace velk {

class TransferCancel {
 public:
  void request() { requested_.store(true); }
  void reset() { requested_.store(false); }
  bool requested() const { return requested_.load(); }

 private:
  std::atomic<bool> requested_{false};
};

struct TransferSteps {
  StepJob step;
  // Runs if the job is dropped half way (a disconnection, the program closing).
  std::function<void()> dropped;
};

// Runs every step at once (the command line, tests).
inline void runTransfer(const JobContext& job, const TransferSteps& steps) {
  while (steps.step(job)) {
  }
}

}  // namespace velk
