#include "trace_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
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

class TextSink final : public TraceSink {
public:
    explicit TextSink(TraceTarget target) : file_(std::move(target.file)), buffer_(std::move(target.lead)) {}

    void write(const TracedFrame& frame) override {
        buffer_ += traceTimestamp(frame.time);
        buffer_ += ' ';
        buffer_ += describeFrame(frame);
        buffer_ += '\n';
    }
    void note(TraceClock::time_point time, NoteLevel, std::string_view text) override {
        buffer_ += "# ";
        buffer_ += traceTimestamp(time);
        buffer_ += ' ';
        buffer_ += text;
        buffer_ += '\n';
    }
    void flush() override {
        file_.append(buffer_);
        buffer_.clear();
    }

private:
    TraceFile file_;
    std::string buffer_;
};

class CaptureSink final : public TraceSink {
public:
    explicit CaptureSink(TraceTarget target)
        : file_(std::move(target.file)), buffer_(std::move(target.lead)) {}

    void write(const TracedFrame& frame) override { encoder_.frame(buffer_, frame); }
    void note(TraceClock::time_point time, NoteLevel level, std::string_view text) override {
        encoder_.note(buffer_, time, level, text);
    }
    void flush() override {
        file_.append(buffer_);
        buffer_.clear();
    }

private:
    TraceFile file_;
    std::string buffer_;
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
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), failed_(other.failed_) {}

void TraceFile::append(std::string_view bytes) {
    while (!failed_ && !bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            std::fprintf(stderr, "libmirell: the frame trace to %s stopped: %s\n", path_.c_str(),
                         systemError(n < 0 ? errno : EIO).c_str());
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
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
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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
