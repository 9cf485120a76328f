// The file a frame trace goes to. MIRELL_TRACE names it when InitHart starts
// the link: a name ending in ".pcap" gets a capture, any other a text trace.
// A host reloads the library at every disconnection, so each start appends to
// a trace of the same form that is already there, and never writes into a
// file that is not one: that is left alone and the trace goes to FILE.N.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "frame_trace.h"

namespace mirell {

enum class TraceFormat { Text, Capture };

TraceFormat traceFormatFor(std::string_view path);

// An open trace file, written only by appending, a whole record at a time.
class TraceFile {
public:
    // How long a pipe or terminal whose reader takes nothing may hold up the
    // trace's writer before a record is dropped.
    static constexpr std::chrono::milliseconds kStallBound{20};

    TraceFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~TraceFile();
    TraceFile(TraceFile&& other) noexcept;
    TraceFile& operator=(TraceFile&&) = delete;
    TraceFile(const TraceFile&) = delete;

    enum Outcome { Written, Dropped, Failed };
    // Writes the record whole, or drops it whole when a pipe's reader has
    // stalled (then the next records are not waited for until it takes
    // bytes again). After the first failure (a full disk, a reader that
    // left) says so once on standard error and writes nothing more.
    Outcome append(std::string_view record);
    const std::string& path() const { return path_; }

private:
    void fail(const std::string& why);

    int fd_;
    std::string path_;
    bool failed_ = false;
    bool stalled_ = false;
};

struct TraceTarget {
    TraceFile file;
    std::string lead;  // written first: a header for a new trace, or nothing
};

// Opens `path` to append a trace of `format`. A trace of the same format is
// continued (a record a crash cut short is cut off first), an empty or
// missing file begins one. A file that is no such trace, or that another
// program is tracing into, is left alone: the first PATH.N that can be used
// is taken instead, and `notice` says so. Nothing, with `notice` saying why,
// when no file can be written.
std::optional<TraceTarget> openTraceTarget(const std::string& path, TraceFormat format, std::string& notice);

std::unique_ptr<TraceSink> makeTraceSink(TraceTarget target, TraceFormat format);

// Starts a trace into `path` that begins with the note `session`; nothing
// when it cannot be written. `notice` gets what the user should be told.
std::unique_ptr<FrameTrace> startTrace(const std::string& path, std::string_view session, std::string& notice,
                                       std::size_t capacity = FrameTrace::kDefaultCapacity);

// The trace MIRELL_TRACE asks for, if any; what the user should know about
// it goes to standard error.
std::unique_ptr<FrameTrace> startTraceFromEnvironment(std::string_view session);

}  // namespace mirell
