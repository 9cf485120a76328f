#include "burst_collector.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace mirell {

namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

}  // namespace

void BurstCollector::start() {
    std::lock_guard lock(controlMutex_);
    if (thread_.joinable()) return;
    stopping_ = false;
    try {
        thread_ = std::thread(&BurstCollector::run, this);
    } catch (const std::system_error&) {
        // Nothing runs; the host sees no burst data.
    }
}

void BurstCollector::stop() {
    std::thread finished;
    {
        std::lock_guard lock(controlMutex_);
        if (!thread_.joinable()) return;
        stopping_ = true;
        finished = std::move(thread_);
    }
    wake_.notify_all();
    finished.join();
}

bool BurstCollector::running() const {
    std::lock_guard lock(controlMutex_);
    return thread_.joinable();
}

int BurstCollector::length() const {
    std::lock_guard lock(dataMutex_);
    return length_;
}

void BurstCollector::run() {
    std::unique_lock control(controlMutex_);
    while (!stopping_) {
        control.unlock();
        if (const auto frame = transport_.load()->takeBurst()) {
            std::lock_guard lock(dataMutex_);
            // As much of the frame as the buffer holds; the length tells how
            // much of it the frame carried.
            buffer_.bytes = {};
            const auto length = std::min(static_cast<std::size_t>(frame->dataLength), kDataFieldSize);
            std::copy_n(frame->data.begin(), length, buffer_.bytes.begin());
            buffer_.readable = static_cast<int>(length);
            length_ = frame->dataLength;
            updated_ = true;
        }
        control.lock();
        wake_.wait_for(control, kPollInterval, [this] { return stopping_; });
    }
}

}  // namespace mirell
