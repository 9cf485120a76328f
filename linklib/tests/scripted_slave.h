// A scripted HART slave on the master side of a pseudo-terminal: the library
// opens the terminal side as its serial port. The slave parses the request
// frames it receives (on its own, not with the library's codec), records them
// and answers each as its script says.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "frame_builder.h"

namespace mirell::testing {

// One request as received.
struct SlaveRequest {
    Bytes wire;  // every byte from the first preamble to the check byte
    bool longFrame = false;
    std::uint8_t address0 = 0;  // short: the address byte; long: the first address byte
    Bytes longAddress;          // long frames: the five address bytes
    std::uint8_t command = 0;
    Bytes data;
    bool primaryMaster() const { return (address0 & 0x80) != 0; }
    std::uint8_t pollingAddress() const { return address0 & 0x0F; }
};

struct SlaveAnswer {
    Bytes bytes;  // empty: stay silent
    // None by default: a pseudo-terminal delivers the request at once, and the
    // library must cope with an answer that follows as fast.
    std::chrono::milliseconds delay{0};
};

using SlaveScript = std::function<SlaveAnswer(const SlaveRequest&, int requestNumber)>;

class ScriptedSlave {
public:
    ScriptedSlave();
    ~ScriptedSlave();

    // The terminal device the library opens.
    const std::string& devicePath() const { return path_; }

    void setScript(SlaveScript script);
    // Writes bytes unasked (burst frames, noise).
    void send(const Bytes& bytes);

    std::vector<SlaveRequest> requests() const;
    int requestCount() const;
    // Waits (up to `limit`) until at least n requests have arrived.
    bool waitForRequests(int n, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

    // Repeats `frames` in turn every `period` until stopped.
    void startBursting(std::vector<Bytes> frames, std::chrono::milliseconds period);
    void stopBursting();

private:
    void run();
    void feed(std::uint8_t byte);
    void answer(const SlaveRequest& request);

    int master_ = -1;
    int wake_ = -1;
    std::string path_;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    SlaveScript script_;
    std::vector<SlaveRequest> requests_;
    std::mutex writeMutex_;

    // Parser state (slave thread only).
    Bytes frame_;
    int preambles_ = 0;
    int expected_ = 0;

    std::thread thread_;

    std::atomic<bool> bursting_{false};
    std::thread burster_;
};

// The identity reply of the simulated positioner at long address
// 3E 61 <id0 id1 id2>, asking for `preambles` preambles.
Bytes identityData(std::uint8_t id0 = 0x01, std::uint8_t id1 = 0x02, std::uint8_t id2 = 0x03,
                   std::uint8_t preambles = 5);

// An ACK answering `request` in its own frame format, from long address
// 3E 61 01 02 03, carrying response code, device status and `data`.
Bytes replyTo(const SlaveRequest& request, std::uint8_t responseCode, std::uint8_t deviceStatus,
              const Bytes& data = {});

}  // namespace mirell::testing
