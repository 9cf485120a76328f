// The frame trace: the link hands every frame it sends or receives to a
// bounded queue, and the trace's own thread writes them out. The link never
// waits for the file: a full queue drops the frame and counts it, and the
// trace writes how many it dropped where they went missing.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "trace_format.h"
#include "traced_frame.h"

namespace mirell {

// Where the trace's thread writes to.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void write(const TracedFrame& frame) = 0;
    virtual void note(TraceClock::time_point time, NoteLevel level, std::string_view text) = 0;
    // Hands what was written on to the file (after each batch, and at the end).
    virtual void flush() = 0;
};

class FrameTrace {
public:
    static constexpr std::size_t kDefaultCapacity = 1024;

    // Starts the writer thread, which writes `firstNote` (if any) first;
    // throws std::system_error when it cannot.
    explicit FrameTrace(std::unique_ptr<TraceSink> sink, std::size_t capacity = kDefaultCapacity,
                        std::string_view firstNote = {});
    ~FrameTrace();
    FrameTrace(const FrameTrace&) = delete;
    FrameTrace& operator=(const FrameTrace&) = delete;

    // Queues the frame, or drops and counts it when the queue is full. Never
    // waits for the writer.
    void record(const TracedFrame& frame) noexcept;
    // Writes everything queued and then `lastNote` (if any), ends and joins
    // the writer. Frames recorded afterwards are ignored.
    void close(std::string_view lastNote = {});

    std::uint64_t droppedFrames() const;

private:
    void writerLoop();

    std::unique_ptr<TraceSink> sink_;
    const std::size_t capacity_;
    const std::string firstNote_;
    const TraceClock::time_point started_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<TracedFrame> queue_;
    std::uint64_t droppedSinceWritten_ = 0;
    std::uint64_t droppedTotal_ = 0;
    TraceClock::time_point firstDropped_;
    bool closing_ = false;
    std::string lastNote_;
    std::thread writer_;
};

}  // namespace mirell
