#pragma once
// Work for the command thread. A one-shot job runs once; a step job runs a
// step per turn of the thread (an upload a block per turn, a long transfer,
// the calibration, the self test's wait), going to the back of the queue
// after each, so burst monitoring and the other jobs get the link between
// two steps. Every long job of the program is a StepJob; pages post both
// kinds through the same helper (ui/page_widgets.h).

#include <functional>
#include <utility>

#include "comm/job_context.h"

namespace velk {

using Job = std::function<void(const JobContext&)>;

struct StepJob {
  // One step; returns whether steps remain.
  std::function<bool(const JobContext&)> step;
  // Runs if the job is dropped before its last step (a disconnection, the
  // program closing).
  std::function<void()> dropped = {};
};

// A one-shot job as a step job of one step.
inline StepJob singleStep(Job job) {
  return {[job = std::move(job)](const JobContext& context) {
    job(context);
    return false;
  }};
}

// Runs every step at once (the command line, tests).
inline void runSteps(const JobContext& context, const StepJob& job) {
  while (job.step(context)) {
  }
}

}  // namespace velk
