// Prints what the frame trace costs the link: the time one frame takes to
// hand to the trace (what the link's threads pay) while the writer keeps up,
// and while the queue is full and frames are dropped; how many frames a
// second the writer gets into each form of file (the line carries about ten);
// and how long closing a trace takes (what ShutDownHart waits for) when it
// goes into a pipe whose reader has stopped reading.
//   trace_record_cost [frames]      (default 50000)
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "frame_tap.h"
#include "frame_trace.h"
#include "trace_file.h"

namespace {

using Clock = std::chrono::steady_clock;

mirell::TracedFrame sampleFrame() {
    mirell::Request request;
    request.longAddress = {0x3E, 0x61, 0x01, 0x02, 0x03};
    request.command = 3;
    request.byteCount = 24;
    mirell::TracedFrame frame = mirell::tracedRequest(*mirell::assembleRequest(request, true));
    frame.time = mirell::TraceClock::now();
    return frame;
}

// A file that never takes anything: the queue fills and stays full.
class StalledSink final : public mirell::TraceSink {
public:
    void write(const mirell::TracedFrame&) override { ::pause(); }
    void note(mirell::TraceClock::time_point, mirell::NoteLevel, std::string_view) override {}
    void flush() override {}
};

double nanosecondsPerRecord(mirell::FrameTrace& trace, int frames) {
    const mirell::TracedFrame frame = sampleFrame();
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) trace.record(frame);
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / frames;
}

void intoFile(const std::string& path, int frames) {
    std::string notice;
    auto trace = mirell::startTrace(path, "benchmark", notice, static_cast<std::size_t>(frames) + 1);
    if (!trace) {
        std::fprintf(stderr, "%s\n", notice.c_str());
        std::exit(1);
    }
    const auto start = Clock::now();
    const double recordNs = nanosecondsPerRecord(*trace, frames);
    trace->close();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%-8s record %6.0f ns a frame; writer %9.0f frames/s (%s)\n",
                mirell::traceFormatFor(path) == mirell::TraceFormat::Capture ? "capture" : "text", recordNs,
                frames / seconds, std::filesystem::path(path).filename().c_str());
}

// A capture tool paused on a one-page pipe: closing must not wait for it.
void intoStalledPipe(const std::string& dir, int frames) {
    const std::string fifo = dir + "/stalled.pcap";
    if (::mkfifo(fifo.c_str(), 0600) != 0) return std::perror("mkfifo");
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ::fcntl(reader, F_SETPIPE_SZ, 4096);
    std::string notice;
    auto trace = mirell::startTrace(fifo, "benchmark", notice);
    if (!trace) {
        std::fprintf(stderr, "%s\n", notice.c_str());
        std::exit(1);
    }
    nanosecondsPerRecord(*trace, frames);
    const auto start = Clock::now();
    trace->close();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("stalled  close %6.1f ms after %d frames into a pipe nobody reads\n", ms, frames);
    std::fflush(stdout);
    trace.reset();
    ::close(reader);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 50000;
    char pattern[] = "/tmp/trace-cost-XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;
    intoFile(dir + "/trace.pcap", frames);
    intoFile(dir + "/trace.log", frames);
    intoStalledPipe(dir, frames);
    std::filesystem::remove_all(dir);

    // The writer is left blocked for good; the process ends without joining it.
    auto* stalled = new mirell::FrameTrace(std::make_unique<StalledSink>(), 1024);
    nanosecondsPerRecord(*stalled, 2048);  // fills the queue
    std::printf("full     record %6.0f ns a frame (dropped and counted)\n",
                nanosecondsPerRecord(*stalled, frames));
    std::fflush(stdout);
    std::_Exit(0);
}
