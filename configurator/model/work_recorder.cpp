#include "model/work_recorder.h"

namespace velk {

void WorkRecorder::install(Sink sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

bool WorkRecorder::installed() const {
  std::lock_guard lock(mutex_);
  return bool(sink_);
}

void WorkRecorder::record(FinishedWork work) const {
  // Under the lock, so that the history is not taken away while it is handed
  // something; a sink only queues.
  std::lock_guard lock(mutex_);
  if (sink_) sink_(std::move(work));
}

}  // namespace velk
