// Stand-ins for the line: a port whose received bytes (with line-error flags)
// the test supplies, modem lines that record what was switched when, a pacer
// on virtual time, and a ticker that drives the link clock faster than real.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link_driver.h"
#include "link_port.h"

namespace mirell::testing {

// Virtual time: sleeping moves it on at once.
class FakePacer final : public Pacer {
public:
    Clock::time_point now() override { return now_.load(); }
    void sleepUntil(Clock::time_point when) override {
        if (when > now_.load()) now_ = when;
    }
    std::chrono::milliseconds elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now_.load() - Clock::time_point{});
    }

private:
    std::atomic<Clock::time_point> now_{Clock::time_point{}};
};

class FakePort final : public LinkPort, public ModemControl {
public:
    // What the port saw, stamped with the pacer's time when there is one.
    struct LineEvent {
        std::string what;  // "RTS on", "RTS off", "DTR on", "DTR off", "write N"
        std::chrono::milliseconds at{};
        friend bool operator==(const LineEvent&, const LineEvent&) = default;
    };

    explicit FakePort(CarrierKeying keying = CarrierKeying::None, FakePacer* pacer = nullptr)
        : keying_(keying), pacer_(pacer) {}

    // Answers each written frame with the bytes it returns (queued at once).
    std::function<std::vector<RxByte>(const std::vector<std::uint8_t>&)> responder;
    // How long a written byte takes until the port reports it drained
    // (zero: no line, as a pseudo-terminal, whose answer may come at once).
    std::chrono::microseconds perByte{0};
    // While set, write() blocks (a wedged adapter) until released.
    void holdWrites(bool hold) {
        {
            std::lock_guard lock(mutex_);
            holdWrites_ = hold;
        }
        ready_.notify_all();
    }
    bool writeHeld() const {
        std::lock_guard lock(mutex_);
        return writerHeld_;
    }
    // The device vanishes: receive() fails as on an unplugged adapter.
    void vanish() {
        {
            std::lock_guard lock(mutex_);
            vanished_ = true;
        }
        ready_.notify_all();
        taken_.notify_all();
    }

    void deliver(const std::vector<RxByte>& bytes) {
        {
            std::lock_guard lock(mutex_);
            queue_.insert(queue_.end(), bytes.begin(), bytes.end());
        }
        ready_.notify_all();
    }
    void deliverClean(const std::vector<std::uint8_t>& bytes) {
        std::vector<RxByte> rx;
        for (auto b : bytes) rx.push_back({b, 0});
        deliver(rx);
    }
    // Waits until the receive side has handed everything delivered to the
    // link and waits for more, so a fast clock cannot run ahead of bytes
    // still on their way.
    void waitUntilTaken() {
        std::unique_lock lock(mutex_);
        taken_.wait_for(lock, std::chrono::seconds(1),
                        [&] { return interrupted_ || vanished_ || (queue_.empty() && receiverWaiting_); });
    }
    std::vector<LineEvent> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::vector<std::uint8_t>> written() const {
        std::lock_guard lock(mutex_);
        return written_;
    }

    bool receive(std::vector<RxByte>& out) override {
        out.clear();
        std::unique_lock lock(mutex_);
        receiverWaiting_ = true;
        taken_.notify_all();
        ready_.wait(lock, [&] { return interrupted_ || vanished_ || !queue_.empty(); });
        receiverWaiting_ = false;
        if (interrupted_ || vanished_) return false;
        out.assign(queue_.begin(), queue_.end());
        queue_.clear();
        return true;
    }
    void interrupt() override {
        {
            std::lock_guard lock(mutex_);
            interrupted_ = true;
        }
        ready_.notify_all();
        taken_.notify_all();
    }
    void purge() override {}
    bool write(std::span<const std::uint8_t> bytes) override {
        std::vector<std::uint8_t> frame(bytes.begin(), bytes.end());
        {
            std::unique_lock lock(mutex_);
            writerHeld_ = holdWrites_;
            ready_.wait(lock, [&] { return !holdWrites_ || interrupted_; });
            writerHeld_ = false;
            written_.push_back(frame);
            events_.push_back({"write " + std::to_string(frame.size()), stamp()});
            writtenAt_ = pacer_ ? pacer_->now() : Pacer::Clock::now();
            writtenBytes_ = frame.size();
        }
        if (responder) deliver(responder(frame));
        return true;
    }
    // Drained once the written bytes can have crossed the line.
    bool outputDrained() override {
        std::lock_guard lock(mutex_);
        const auto now = pacer_ ? pacer_->now() : Pacer::Clock::now();
        return now >= writtenAt_ + perByte * static_cast<long>(writtenBytes_);
    }
    bool deliversAtOnce() const override { return perByte.count() == 0; }
    CarrierKeying keying() const override { return keying_; }
    ModemControl& modemLines() override { return *this; }

    void setRts(bool on) override { note(on ? "RTS on" : "RTS off"); }
    void setDtr(bool on) override { note(on ? "DTR on" : "DTR off"); }

private:
    std::chrono::milliseconds stamp() const {
        return pacer_ ? pacer_->elapsed() : std::chrono::milliseconds{};
    }
    void note(const char* what) {
        std::lock_guard lock(mutex_);
        events_.push_back({what, stamp()});
    }

    CarrierKeying keying_;
    FakePacer* pacer_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable taken_;
    std::deque<RxByte> queue_;
    bool interrupted_ = false;
    bool vanished_ = false;
    bool holdWrites_ = false;
    bool writerHeld_ = false;
    bool receiverWaiting_ = false;
    std::vector<LineEvent> events_;
    std::vector<std::vector<std::uint8_t>> written_;
    Pacer::Clock::time_point writtenAt_{};
    std::size_t writtenBytes_ = 0;
};

// Drives a link clock from a thread, a tick every `interval` of real time;
// `beforeTick` runs ahead of each tick (to put bytes on the line, say).
class FastTicker {
public:
    FastTicker(LinkDriver& link, std::chrono::microseconds interval, std::function<void()> beforeTick = {})
        : thread_([this, &link, interval, beforeTick = std::move(beforeTick)] {
              while (!stop_) {
                  if (beforeTick) beforeTick();
                  link.tick();
                  std::this_thread::sleep_for(interval);
              }
          }) {}
    ~FastTicker() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace mirell::testing
