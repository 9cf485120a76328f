#include "frame_trace.h"

#include <pthread.h>

#include <csignal>
#include <string>

namespace mirell {

FrameTrace::FrameTrace(std::unique_ptr<TraceSink> sink, std::size_t capacity, std::string_view firstNote)
    : sink_(std::move(sink)),
      capacity_(capacity == 0 ? 1 : capacity),
      firstNote_(firstNote),
      started_(TraceClock::now()) {
    // Reserved once: recording never allocates.
    queue_.reserve(capacity_);
    writer_ = std::thread(&FrameTrace::writerLoop, this);
}

FrameTrace::~FrameTrace() { close(); }

void FrameTrace::record(const TracedFrame& frame) noexcept {
    {
        std::lock_guard lock(mutex_);
        if (closing_) return;
        if (queue_.size() >= capacity_) {
            if (droppedSinceWritten_++ == 0) firstDropped_ = frame.time;
            ++droppedTotal_;
            return;
        }
        queue_.push_back(frame);
    }
    wake_.notify_one();
}

void FrameTrace::close(std::string_view lastNote) {
    {
        std::lock_guard lock(mutex_);
        if (closing_) return;
        closing_ = true;
        lastNote_ = lastNote;
    }
    wake_.notify_one();
    if (writer_.joinable()) writer_.join();
}

std::uint64_t FrameTrace::droppedFrames() const {
    std::lock_guard lock(mutex_);
    return droppedTotal_;
}

void FrameTrace::writerLoop() {
    // Only this thread writes the file. A trace into a pipe whose reader has
    // gone must end in an error here, not in a signal that ends the host.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    if (!firstNote_.empty()) {
        sink_->note(started_, NoteLevel::Notice, firstNote_);
        sink_->flush();
    }

    std::vector<TracedFrame> batch;
    batch.reserve(capacity_);
    for (;;) {
        std::uint64_t dropped = 0;
        TraceClock::time_point since;
        bool last = false;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !queue_.empty() || droppedSinceWritten_ != 0 || closing_; });
            // The two buffers trade places: the queue keeps its reserved room.
            batch.swap(queue_);
            dropped = droppedSinceWritten_;
            droppedSinceWritten_ = 0;
            since = firstDropped_;
            last = closing_;
        }
        for (const TracedFrame& frame : batch) sink_->write(frame);
        // The dropped frames came after this batch (the queue was full of it)
        // and before anything queued since.
        if (dropped != 0) {
            sink_->note(since, NoteLevel::Warning,
                        std::to_string(dropped) + (dropped == 1 ? " frame" : " frames") +
                            " dropped here: the trace could not keep up");
        }
        if (last && !lastNote_.empty()) sink_->note(TraceClock::now(), NoteLevel::Notice, lastNote_);
        sink_->flush();
        batch.clear();
        if (last) return;
    }
}

}  // namespace mirell
