#pragma once
// A long transfer of a service page as a job that runs a step (a block) per
// turn of the command thread, so burst monitoring and other jobs go on
// meanwhile, and that the page's "Cancel" stops between two steps.

#include <atomic>

#include "comm/step_job.h"

namespace velk {

class TransferCancel {
 public:
  void request() { requested_.store(true); }
  void reset() { requested_.store(false); }
  bool requested() const { return requested_.load(); }

 private:
  std::atomic<bool> requested_{false};
};

}  // namespace velk
