#include "trace_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

namespace mirell {

namespace {

constexpr int kMaxAlternatives = 99;
constexpr std::string_view kCaptureSuffix = ".pcap";

std::string systemError(int error) { return std::strerror(error); }

// Reads an existing file in large blocks, however small the reads asked of it.
class BlockReader {
public:
    BlockReader(int fd, off_t size) : fd_(fd), size_(size) {}

    bool read(off_t at, std::uint8_t* out, std::size_t n) {
        if (at < 0 || at + static_cast<off_t>(n) > size_) return false;
        if (at < blockAt_ || at + static_cast<off_t>(n) > blockAt_ + static_cast<off_t>(blockLength_)) {
            const ssize_t got = ::pread(fd_, block_.data(), block_.size(), at);
            if (got < static_cast<ssize_t>(n)) return false;
            blockAt_ = at;
            blockLength_ = static_cast<std::size_t>(got);
        }
        std::memcpy(out, block_.data() + (at - blockAt_), n);
        return true;
    }

private:
    int fd_;
    off_t size_;
    std::vector<std::uint8_t> block_ = std::vector<std::uint8_t>(64 * 1024);
    off_t blockAt_ = 0;
    std::size_t blockLength_ = 0;
};

// How an existing trace is continued.
struct Continuation {
    off_t keep = 0;    // bytes kept; a torn record beyond them is cut off
    std::string lead;  // written before the first new record
};

std::string captureHeader() {
    const auto header = capture::fileHeader();
    return std::string(header.begin(), header.end());
}

std::optional<Continuation> continueCapture(int fd, off_t size) {
    const std::string header = captureHeader();
    BlockReader reader(fd, size);
    std::uint8_t start[capture::kFileHeaderSize];
    const std::size_t have = static_cast<std::size_t>(std::min<off_t>(size, capture::kFileHeaderSize));
    if (have > 0 && !reader.read(0, start, have)) return std::nullopt;
    if (std::memcmp(start, header.data(), have) != 0) return std::nullopt;
    // Empty, or a header a crash cut short: the capture begins afresh.
    if (have < capture::kFileHeaderSize) return Continuation{0, header};

    off_t at = capture::kFileHeaderSize;
    std::array<std::uint8_t, capture::kRecordHeaderSize> record{};
    while (at + static_cast<off_t>(record.size()) <= size) {
        if (!reader.read(at, record.data(), record.size())) return std::nullopt;
        const auto length = capture::recordLength(record);
        if (!length) return std::nullopt;
        const off_t next = at + static_cast<off_t>(record.size()) + *length;
        if (next > size) break;
        at = next;
    }
    return Continuation{at, {}};
}

std::optional<Continuation> continueText(int fd, off_t size) {
    const std::string header = std::string(kTextTraceHeader) + "\n";
    if (size == 0) return Continuation{0, header};
    BlockReader reader(fd, size);
    std::string start(header.size(), '\0');
    const std::size_t have =
        static_cast<std::size_t>(std::min<off_t>(size, static_cast<off_t>(header.size())));
    if (!reader.read(0, reinterpret_cast<std::uint8_t*>(start.data()), have)) return std::nullopt;
    start.resize(have);
    if (header.compare(0, have, start) != 0) return std::nullopt;
    std::uint8_t last = 0;
    if (!reader.read(size - 1, &last, 1)) return std::nullopt;
    // A line a crash cut short is ended before the new ones.
    return Continuation{size, last == '\n' ? "" : "\n"};
}

std::string freshLead(TraceFormat format) {
    return format == TraceFormat::Capture ? captureHeader() : std::string(kTextTraceHeader) + "\n";
}

// Writes what it is given as whole records, each a frame or a note: to a
// pipe whose reader stalls a record is dropped whole, never cut, so that
// whatever the reader gets stays a trace it can read. Dropped frames are
// counted, noted in the trace once the reader takes bytes again, and said
// once on standard error when the trace ends.
class RecordSink : public TraceSink {
public:
    explicit RecordSink(TraceTarget target) : file_(std::move(target.file)), lead_(std::move(target.lead)) {}
    ~RecordSink() override {
        if (droppedTotal_ == 0) return;
        std::fprintf(stderr, "libmirell: the frame trace to %s dropped %llu %s: its reader did not keep up\n",
                     file_.path().c_str(), static_cast<unsigned long long>(droppedTotal_),
                     droppedTotal_ == 1 ? "frame" : "frames");
    }

    void write(const TracedFrame& frame) override {
        Record record{{}, frame.time, true};
        encodeFrame(record.bytes, frame);
        records_.push_back(std::move(record));
    }
    void note(TraceClock::time_point time, NoteLevel level, std::string_view text) override {
        Record record{{}, time, false};
        encodeNote(record.bytes, time, level, text);
        records_.push_back(std::move(record));
    }
    void flush() override {
        for (const Record& record : records_) {
            // Nothing goes before the file's header, nor past a gap before
            // its note.
            if (!lead_.empty()) {
                const auto outcome = file_.append(lead_);
                if (outcome != TraceFile::Written) {
                    countDropped(record, outcome);
                    continue;
                }
                lead_.clear();
            }
            if (droppedSince_ != 0) {
                std::string gap;
                encodeNote(gap, firstDropped_, NoteLevel::Warning,
                           std::to_string(droppedSince_) + (droppedSince_ == 1 ? " frame" : " frames") +
                               " dropped here: the trace's reader did not keep up");
                const auto outcome = file_.append(gap);
                if (outcome != TraceFile::Written) {
                    countDropped(record, outcome);
                    continue;
                }
                droppedSince_ = 0;
            }
            countDropped(record, file_.append(record.bytes));
        }
        records_.clear();
    }

protected:
    virtual void encodeFrame(std::string& out, const TracedFrame& frame) = 0;
    virtual void encodeNote(std::string& out, TraceClock::time_point time, NoteLevel level,
                            std::string_view text) = 0;

private:
    struct Record {
        std::string bytes;
        TraceClock::time_point time;
        bool frame;
    };

    // A record that a stalled reader cost (not one a failed file refused).
    void countDropped(const Record& record, TraceFile::Outcome outcome) {
        if (outcome != TraceFile::Dropped || !record.frame) return;
        if (droppedSince_++ == 0) firstDropped_ = record.time;
        ++droppedTotal_;
    }

    TraceFile file_;
    std::string lead_;  // the file's header, until written
    std::vector<Record> records_;
    std::uint64_t droppedSince_ = 0;
    TraceClock::time_point firstDropped_;
    std::uint64_t droppedTotal_ = 0;
};

class TextSink final : public RecordSink {
public:
    using RecordSink::RecordSink;

private:
    void encodeFrame(std::string& out, const TracedFrame& frame) override {
        out += traceTimestamp(frame.time);
        out += ' ';
        out += describeFrame(frame);
        out += '\n';
    }
    void encodeNote(std::string& out, TraceClock::time_point time, NoteLevel, std::string_view text) override {
        out += "# ";
        out += traceTimestamp(time);
        out += ' ';
        out += text;
        out += '\n';
    }
};

class CaptureSink final : public RecordSink {
public:
    using RecordSink::RecordSink;

private:
    void encodeFrame(std::string& out, const TracedFrame& frame) override { encoder_.frame(out, frame); }
    void encodeNote(std::string& out, TraceClock::time_point time, NoteLevel level,
                    std::string_view text) override {
        encoder_.note(out, time, level, text);
    }

    CaptureEncoder encoder_;
};

}  // namespace

TraceFormat traceFormatFor(std::string_view path) {
    if (path.size() < kCaptureSuffix.size()) return TraceFormat::Text;
    const std::string_view end = path.substr(path.size() - kCaptureSuffix.size());
    const bool capture = std::equal(end.begin(), end.end(), kCaptureSuffix.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
    return capture ? TraceFormat::Capture : TraceFormat::Text;
}

TraceFile::~TraceFile() {
    if (fd_ >= 0) ::close(fd_);  // also releases the claim on the file
}

TraceFile::TraceFile(TraceFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      failed_(other.failed_),
      stalled_(other.stalled_) {}

void TraceFile::fail(const std::string& why) {
    failed_ = true;
    std::fprintf(stderr, "libmirell: the frame trace to %s stopped: %s\n", path_.c_str(), why.c_str());
}

// A regular file blocks as files do. A pipe or terminal is written without
// blocking: a reader that takes nothing for kStallBound costs the record,
// and while it still takes nothing the next ones go at once.
TraceFile::Outcome TraceFile::append(std::string_view record) {
    using Clock = std::chrono::steady_clock;
    if (failed_) return Failed;
    auto deadline = Clock::now() + (stalled_ ? Clock::duration::zero() : kStallBound);
    std::size_t done = 0;
    while (done < record.size()) {
        const ssize_t n = ::write(fd_, record.data() + done, record.size() - done);
        if (n > 0) {
            // A record begun must end, or the reader's stream would be cut
            // in the middle of one: it gets a bound of its own.
            if (done == 0 && static_cast<std::size_t>(n) < record.size()) deadline = Clock::now() + kStallBound;
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left > 0) {
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, static_cast<int>(left));
                continue;
            }
            if (done != 0) {
                fail("its reader stopped in the middle of a record");
                return Failed;
            }
            stalled_ = true;
            return Dropped;
        }
        fail(systemError(n < 0 ? errno : EIO));
        return Failed;
    }
    stalled_ = false;
    return Written;
}

std::optional<TraceTarget> openTraceTarget(const std::string& path, TraceFormat format, std::string& notice) {
    notice.clear();
    const char* kind = format == TraceFormat::Capture ? "a frame capture" : "a frame trace";
    std::string passedOver;  // why the file asked for was not used
    for (int n = 0; n <= kMaxAlternatives; ++n) {
        const std::string candidate = n == 0 ? path : path + "." + std::to_string(n);
        auto skip = [&](const std::string& why) {
            if (n == 0) passedOver = why;
        };
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
            if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
                // A terminal or a pipe: there is nothing to continue. A pipe
                // with no reader is refused rather than waited for.
                const int fd = ::open(candidate.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
                if (fd < 0) {
                    notice = "cannot write the frame trace to " + candidate + ": " + systemError(errno);
                    return std::nullopt;
                }
                // It stays non-blocking: a reader that stalls must cost
                // frames, never hold up the trace (and ShutDownHart with it).
                return TraceTarget{TraceFile(fd, candidate), freshLead(format)};
            }
            skip("is not a regular file");
            continue;
        }
        const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_APPEND | O_NOCTTY | O_CLOEXEC, 0644);
        if (fd < 0) {
            notice = "cannot write the frame trace to " + candidate + ": " + systemError(errno);
            return std::nullopt;
        }
        TraceFile file(fd, candidate);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            skip("is being traced into by another program");
            continue;
        }
        if (::fstat(fd, &info) != 0) {
            notice = "cannot read " + candidate + ": " + systemError(errno);
            return std::nullopt;
        }
        const auto continuation = format == TraceFormat::Capture ? continueCapture(fd, info.st_size)
                                                                 : continueText(fd, info.st_size);
        if (!continuation) {
            skip(std::string("is not ") + kind + " of this library");
            continue;
        }
        if (continuation->keep < info.st_size && ::ftruncate(fd, continuation->keep) != 0) {
            notice = "cannot continue the frame trace in " + candidate + ": " + systemError(errno);
            return std::nullopt;
        }
        if (n > 0) notice = path + " " + passedOver + ": tracing to " + candidate + " instead";
        return TraceTarget{std::move(file), continuation->lead};
    }
    notice = path + " " + passedOver + ", nor can any of " + path + ".1 to ." +
             std::to_string(kMaxAlternatives) + " be used: no frame trace";
    return std::nullopt;
}

std::unique_ptr<TraceSink> makeTraceSink(TraceTarget target, TraceFormat format) {
    if (format == TraceFormat::Capture) return std::make_unique<CaptureSink>(std::move(target));
    return std::make_unique<TextSink>(std::move(target));
}

std::unique_ptr<FrameTrace> startTrace(const std::string& path, std::string_view session, std::string& notice,
                                       std::size_t capacity) {
    const TraceFormat format = traceFormatFor(path);
    auto target = openTraceTarget(path, format, notice);
    if (!target) return nullptr;
    try {
        return std::make_unique<FrameTrace>(makeTraceSink(std::move(*target), format), capacity, session);
    } catch (const std::system_error& e) {
        notice = std::string("cannot start the frame trace: ") + e.what();
        return nullptr;
    }
}

std::unique_ptr<FrameTrace> startTraceFromEnvironment(std::string_view session) {
    const char* path = std::getenv("MIRELL_TRACE");
    if (!path || !*path) return nullptr;
    std::string notice;
    auto trace = startTrace(path, session, notice);
    if (!notice.empty()) std::fprintf(stderr, "libmirell: %s\n", notice.c_str());
    return trace;
}

}  // namespace mirell
