#include "scripted_slave.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace mirell::testing {

ScriptedSlave::ScriptedSlave() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) throw std::runtime_error("no pty");
    path_ = ptsname(master_);
    wake_ = eventfd(0, EFD_CLOEXEC);
    script_ = [](const SlaveRequest&, int) { return SlaveAnswer{}; };
    thread_ = std::thread(&ScriptedSlave::run, this);
}

ScriptedSlave::~ScriptedSlave() {
    stopBursting();
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
    thread_.join();
    ::close(wake_);
    ::close(master_);
}

void ScriptedSlave::setScript(SlaveScript script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

void ScriptedSlave::send(const Bytes& bytes) {
    std::lock_guard lock(writeMutex_);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::vector<SlaveRequest> ScriptedSlave::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int ScriptedSlave::requestCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(requests_.size());
}

bool ScriptedSlave::waitForRequests(int n, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, limit, [&] { return static_cast<int>(requests_.size()) >= n; });
}

void ScriptedSlave::run() {
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) {
            // No terminal side open (the library has not opened it yet, or
            // has closed it): look again shortly instead of spinning.
            poll(&fds[1], 1, 10);
            if (fds[1].revents) return;
            continue;
        }
        std::uint8_t buffer[256];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; ++i) feed(buffer[i]);
    }
}

// Hunts for two or more preambles and a master's delimiter, then takes the
// frame whole: its length follows from the delimiter and the byte count.
void ScriptedSlave::feed(std::uint8_t byte) {
    if (expected_ == 0) {
        if (byte == 0xFF) {
            if (preambles_ == 0) frame_.clear();
            ++preambles_;
            frame_.push_back(byte);
        } else if (preambles_ >= 2 && (byte == 0x02 || byte == 0x82)) {
            frame_.push_back(byte);
            expected_ = (byte == 0x82 ? 5 : 1) + 2;  // address, command, byte count
        } else {
            preambles_ = 0;
        }
        return;
    }
    frame_.push_back(byte);
    if (--expected_ > 0) return;
    const std::size_t start = static_cast<std::size_t>(preambles_);
    const bool longFrame = frame_[start] == 0x82;
    const std::size_t header = start + 1 + (longFrame ? 5 : 1) + 2;
    const std::size_t total = header + frame_[header - 1] + 1;
    if (frame_.size() < total) {
        expected_ = static_cast<int>(total - frame_.size());
        return;
    }
    SlaveRequest request;
    request.wire = frame_;
    request.longFrame = longFrame;
    request.address0 = frame_[start + 1];
    if (longFrame)
        request.longAddress.assign(frame_.begin() + static_cast<long>(start) + 1,
                                   frame_.begin() + static_cast<long>(start) + 6);
    request.command = frame_[header - 2];
    request.data.assign(frame_.begin() + static_cast<long>(header),
                        frame_.begin() + static_cast<long>(total) - 1);
    preambles_ = 0;
    expected_ = 0;
    answer(request);
}

void ScriptedSlave::answer(const SlaveRequest& request) {
    SlaveScript script;
    int number = 0;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        number = static_cast<int>(requests_.size());
        script = script_;
    }
    arrived_.notify_all();
    const SlaveAnswer reply = script(request, number);
    if (reply.bytes.empty()) return;
    if (reply.delay.count() > 0) std::this_thread::sleep_for(reply.delay);
    send(reply.bytes);
}

void ScriptedSlave::startBursting(std::vector<Bytes> frames, std::chrono::milliseconds period) {
    stopBursting();
    bursting_ = true;
    burster_ = std::thread([this, frames = std::move(frames), period] {
        std::size_t next = 0;
        auto due = std::chrono::steady_clock::now();
        while (bursting_) {
            due += period;
            send(frames[next++ % frames.size()]);
            while (bursting_ && std::chrono::steady_clock::now() < due) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
    });
}

void ScriptedSlave::stopBursting() {
    bursting_ = false;
    if (burster_.joinable()) burster_.join();
}

Bytes identityData(std::uint8_t id0, std::uint8_t id1, std::uint8_t id2, std::uint8_t preambles) {
    return {254, 0x3E, 0x61, preambles, 5, 1, 1, 1, 0, id0, id1, id2};
}

Bytes replyTo(const SlaveRequest& request, std::uint8_t responseCode, std::uint8_t deviceStatus,
              const Bytes& data) {
    FrameSpec spec;
    const std::uint8_t first = static_cast<std::uint8_t>(request.address0 & ~0x40);
    if (request.longFrame) {
        spec.delimiter = 0x86;
        spec.address = request.longAddress;
        spec.address[0] = first;
    } else {
        spec.delimiter = 0x06;
        spec.address = {first};
    }
    spec.command = request.command;
    spec.data = {responseCode, deviceStatus};
    spec.data.insert(spec.data.end(), data.begin(), data.end());
    return frameBytes(spec);
}

}  // namespace mirell::testing
