// Collects burst frames: a thread that, while switched on, moves each burst
// frame the link delivers into the burst-data buffer and marks it new.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "field_buffer.h"
#include "link_transport.h"

namespace mirell {

class BurstCollector {
public:
    // Collects from whatever transport `transport` names when it looks.
    explicit BurstCollector(const std::atomic<Transport*>& transport) : transport_(transport) {}
    ~BurstCollector() { stop(); }
    BurstCollector(const BurstCollector&) = delete;
    BurstCollector& operator=(const BurstCollector&) = delete;

    // Starts the collector; a second start while it runs changes nothing.
    void start();
    // Stops and joins it.
    void stop();
    bool running() const;

    // True once per collected frame (the mark is cleared).
    bool takeUpdated() { return updated_.exchange(false); }
    int length() const;
    // Runs `read` on the buffer while the collector cannot replace it.
    template <typename Read>
    auto read(Read&& read) const {
        std::lock_guard lock(dataMutex_);
        return read(buffer_);
    }

private:
    void run();

    const std::atomic<Transport*>& transport_;

    mutable std::mutex controlMutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;

    mutable std::mutex dataMutex_;
    FieldBuffer buffer_{.readable = 0};  // nothing to read before the first frame
    int length_ = 0;
    std::atomic<bool> updated_{false};
};

}  // namespace mirell
