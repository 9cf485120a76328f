// The library against a scripted slave over a pseudo-terminal, on the real
// serial port, link clock and threads: detection, the frames on the wire,
// every way a transaction can fail, burst collection, and the port's life.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>

#include "hart_master.h"
#include "master_helpers.h"
#include "scripted_slave.h"
#include "serial_port.h"

namespace mirell {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::SlaveAnswer;
using testing::SlaveRequest;

Bytes preambles(int n) { return Bytes(static_cast<std::size_t>(n), 0xFF); }

Bytes withCheck(Bytes frame, std::size_t bodyStart) {
    std::uint8_t check = 0;
    for (std::size_t i = bodyStart; i < frame.size(); ++i) check ^= frame[i];
    frame.push_back(check);
    return frame;
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

int threadCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* e = readdir(dir)) n += e->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = 5s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (condition()) return true;
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

// Process values as the positioner reports them: unit code, then a float.
const Bytes kDegC10 = {32, 0x41, 0x20, 0x00, 0x00};  // 10.0 degC

class PtyLink : public ::testing::Test {
protected:
    void start(int primary = 1) {
        master.initHartEx(1, primary);
        ASSERT_EQ(master.errorCode(), 0);
    }
    int registerPositioner() { return testing::registerPositioner(master); }
    std::string errorText() { return testing::errorText(master); }

    testing::ScriptedSlave slave;
    HartMaster master{MasterSetup{[this](int port) -> std::unique_ptr<LinkPort> {
        return port == 1 ? openSerialPort(slave.devicePath()) : nullptr;
    }}};
};

TEST_F(PtyLink, DetectsThePositionerAndAddressesItByHandle) {
    slave.setScript([](const SlaveRequest& r, int) -> SlaveAnswer {
        switch (r.command) {
            case 0: return {testing::replyTo(r, 0, 0, testing::identityData(1, 2, 3, /*preambles=*/7))};
            case 1: return {testing::replyTo(r, 0, 0x40, kDegC10)};
            case 130: return {testing::replyTo(r, 0, 0, r.data)};
            default: return {testing::replyTo(r, 0, 0)};
        }
    });
    start();
    for (int i = 0; i < 50; ++i) master.setInteger(i, 1, 0xAA);

    const int handle = master.detectInstrument();
    ASSERT_EQ(handle, 1);
    EXPECT_EQ(master.errorCode(), 0);
    ASSERT_EQ(slave.requestCount(), 1);
    EXPECT_EQ(slave.requests()[0].wire, concat(preambles(5), {0x02, 0x80, 0x00, 0x00, 0x82}));
    // The reply's 12 data bytes, zeros up to 32, the rest as it was.
    EXPECT_EQ(master.getInteger(1, 2), 0x3E61u);
    EXPECT_EQ(master.getInteger(9, 3), 0x010203u);
    EXPECT_EQ(master.getInteger(28, 4), 0u);
    EXPECT_EQ(master.getInteger(32, 1), 0xAAu);
    EXPECT_EQ(master.getInteger(49, 1), 0xAAu);
    EXPECT_EQ(master.messageLength(), 12);

    // Long frames: the registered address and the preamble count it asked for.
    ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), 0);
    EXPECT_EQ(slave.requests()[1].wire,
              concat(preambles(7), withCheck({0x82, 0xBE, 0x61, 0x01, 0x02, 0x03, 0x01, 0x00}, 0)));
    char text[128];
    master.getUnitString(0, text);
    EXPECT_STREQ(text, "degC");
    EXPECT_EQ(master.getFloat(1), 10.0f);
    EXPECT_EQ(master.messageLength(), 5);
    EXPECT_EQ(master.statusBytes(), 0x0040);
    EXPECT_EQ(master.instrumentError(text), 0);
    EXPECT_STREQ(text, "Instrument replied! No errors.");

    // Request data goes out after the byte count.
    master.setInteger(0, 2, 0x1234);
    ASSERT_EQ(master.sendLongCommand(130, handle, 2), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), 0);
    const Bytes wire = slave.requests()[2].wire;
    EXPECT_EQ(Bytes(wire.end() - 4, wire.end() - 1), (Bytes{0x02, 0x12, 0x34}));

    // A reply of status bytes only.
    ASSERT_EQ(master.sendLongCommand(38, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), 0);
    EXPECT_EQ(master.messageLength(), 0);

    // Short frames go to the polling address.
    master.setPollingAddress(handle, 3);
    ASSERT_EQ(master.sendShortCommand(1, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), 0);
    EXPECT_EQ(slave.requests()[4].wire, concat(preambles(7), {0x02, 0x83, 0x01, 0x00, 0x80}));

    // The same instrument again is refused and hands out no handle.
    EXPECT_EQ(master.detectInstrumentWithShortAddress(0), 0);
    EXPECT_EQ(master.errorCode(), kAlreadyRegistered);
    master.setInteger(0, 4, 0x3E610909u);
    EXPECT_EQ(master.forceRegistration(), 2);
}

// Command 11 to the broadcast address, retries too: only the device with the
// tag answers, and it is registered under its own long address.
TEST_F(PtyLink, DetectionByTagFindsOnlyTheInstrumentCarryingIt) {
    const Bytes packedM150R7 = {0x37, 0x1D, 0x70, 0x81, 0x2D, 0xE0};
    // The slave's thread outlives this body: the script keeps its own copy.
    slave.setScript([packedM150R7](const SlaveRequest& r, int) -> SlaveAnswer {
        if (r.command == 1) return {testing::replyTo(r, 0, 0, kDegC10)};
        if (r.command != 11 || r.data != packedM150R7) return {};
        return {testing::replyTo(r, 0, 0, testing::identityData(1, 2, 3, /*preambles=*/7))};
    });
    start();

    const int handle = master.detectInstrumentWithTag("m150 r7");
    EXPECT_EQ(handle, 1);
    EXPECT_EQ(master.errorCode(), 0);
    const Bytes request = concat({0x82, 0x80, 0x00, 0x00, 0x00, 0x00, 0x0B, 0x06}, packedM150R7);
    EXPECT_EQ(slave.requests().back().wire, concat(preambles(5), withCheck(request, 0)));
    ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), 0);
    EXPECT_EQ(slave.requests().back().wire,
              concat(preambles(7), withCheck({0x82, 0xBE, 0x61, 0x01, 0x02, 0x03, 0x01, 0x00}, 0)));

    // Entry 1 still holds that address: the retries must not go there.
    master.resetInternalRegistry();
    EXPECT_EQ(master.detectInstrumentWithTag("NOSUCH"), 0);
    EXPECT_EQ(master.errorCode(), kNoReply);
    const auto requests = slave.requests();
    ASSERT_EQ(requests.size(), 2u + 4u);
    for (std::size_t i = 2; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].longAddress, (Bytes{0x80, 0x00, 0x00, 0x00, 0x00}));
        EXPECT_EQ(requests[i].command, 11);
        EXPECT_EQ(requests[i].data, (Bytes{0x38, 0xF4, 0xD5, 0x0C, 0x88, 0x20}));
    }
    EXPECT_EQ(master.detectInstrumentWithTag("M150 R7"), 1) << "the miss registered nothing";
}

// One failure per case: what the slave does for each attempt, and what the
// host must see after WaitForResponse.
struct FailureCase {
    const char* name;
    int command;
    std::function<Bytes(const SlaveRequest&, int attempt)> answer;
    int code;
    const char* text;
    int attempts;
    int instrumentClass = -1;
    const char* instrumentText = "";
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class PtyTransaction : public PtyLink, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PtyTransaction, RetriesResendTheSameRequestAndReportTheLastAttempt) {
    const auto& c = GetParam();
    slave.setScript([&c](const SlaveRequest& r, int number) -> SlaveAnswer { return {c.answer(r, number)}; });
    start();
    const int handle = registerPositioner();
    master.setInteger(0, 2, 0xBEEF);
    ASSERT_EQ(master.sendLongCommand(c.command, handle, 2), 1);
    EXPECT_EQ(master.waitForResponse(), 0);

    EXPECT_EQ(master.errorCode(), c.code);
    EXPECT_EQ(errorText(), c.text);
    const auto requests = slave.requests();
    ASSERT_EQ(static_cast<int>(requests.size()), c.attempts);
    for (const auto& r : requests)
        EXPECT_EQ(r.wire, requests[0].wire) << "every attempt sends the same frame";
    EXPECT_EQ(master.getInteger(0, 2), 0xBEEFu) << "the request, or the echo of it";
    if (c.instrumentClass >= 0) {
        char text[128];
        EXPECT_EQ(master.instrumentError(text), c.instrumentClass);
        EXPECT_STREQ(text, c.instrumentText);
    }
}

Bytes corruptCheck(Bytes frame) {
    frame.back() ^= 0x5A;
    return frame;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, PtyTransaction,
    ::testing::Values(
        FailureCase{"NoReply", 130, [](const SlaveRequest&, int) { return Bytes{}; }, kNoReply,
                    "Timed out. Instrument didn't reply. ", 4},
        FailureCase{"ChecksumError", 130,
                    [](const SlaveRequest& r, int) {
                        return corruptCheck(testing::replyTo(r, 0, 0, {1, 2}));
                    },
                    kBadReply, "Checksum/Parity error in incoming message.", 4},
        FailureCase{"BrokenOffReply", 130,
                    [](const SlaveRequest& r, int) {
                        Bytes b = testing::replyTo(r, 0, 0, {1, 2, 3, 4});
                        b.resize(b.size() - 3);
                        return b;
                    },
                    kBadReply, "Framing error in incoming message.", 4},
        FailureCase{"ForeignFrameInsteadOfTheReply", 130,
                    [](const SlaveRequest&, int) { return testing::stxFrame(/*primary=*/false); }, kBadReply,
                    "Framing error in incoming message.", 4},
        FailureCase{"CommandNotImplemented", 130,
                    [](const SlaveRequest& r, int) { return testing::replyTo(r, 0x40, 0x00, r.data); },
                    kInstrumentStatus,
                    "The instrument reported an error by sending non-zero status bytes. (0x4000)", 4, 13,
                    "Slave Reports: Command not implemented!"},
        FailureCase{"CommandSpecificError", 35,
                    [](const SlaveRequest& r, int) { return testing::replyTo(r, 0x09, 0x10, r.data); },
                    kInstrumentStatus,
                    "The instrument reported an error by sending non-zero status bytes. (0x0910)", 4, 14,
                    "Error for cmd 35: Lower range value too high"},
        FailureCase{"LostFirstReplyRecovered", 130,
                    [](const SlaveRequest& r, int attempt) {
                        return attempt == 1 ? Bytes{} : testing::replyTo(r, 0, 0, r.data);
                    },
                    kNoError, "No error", 2, 0, "Instrument replied! No errors."},
        FailureCase{"ForeignFrameThenReply", 130,
                    [](const SlaveRequest& r, int attempt) {
                        return attempt == 1 ? testing::ackFrame(false, {0x00, 0x00, 0x66, 0x66})
                                            : testing::replyTo(r, 0, 0, r.data);
                    },
                    kNoError, "No error", 2}),
    [](const auto& info) { return std::string(info.param.name); });

// A device of other firmware, or a gateway, may answer the identity command
// with fewer bytes than the identity needs: no device is made of the bytes
// that are missing, and the next detection still gets the first handle.
TEST_F(PtyLink, ShortIdentityRepliesRegisterNoDevice) {
    struct Case {
        const char* name;
        int command;  // 0 by polling address, 11 by tag
        std::size_t bytes;
        int handle;
        int code;
    };
    const Case cases[] = {
        {"status bytes only", 0, 0, 0, kBadReply},
        {"one byte short", 0, 11, 0, kBadReply},
        {"by tag, one byte short", 11, 11, 0, kBadReply},
        {"the whole identity", 0, 12, 1, kNoError},
    };
    // The slave's thread may outlive this body: the script shares the count.
    auto answerBytes = std::make_shared<std::atomic<std::size_t>>(0);
    slave.setScript([answerBytes](const SlaveRequest& r, int) -> SlaveAnswer {
        Bytes identity = testing::identityData();
        identity.resize(answerBytes->load());
        return {testing::replyTo(r, 0, 0, identity)};
    });
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        *answerBytes = c.bytes;
        const int handle = c.command == 0 ? master.detectInstrument() : master.detectInstrumentWithTag("TAG");
        EXPECT_EQ(handle, c.handle);
        EXPECT_EQ(master.errorCode(), c.code);
        EXPECT_EQ(master.messageLength(), static_cast<int>(c.bytes));
    }
    EXPECT_EQ(slave.requestCount(), 4) << "a short reply is not retried";
}

TEST_F(PtyLink, BurstFramesAreCollectedAndDoNotDisturbTheHostsStatus) {
    slave.setScript(
        [](const SlaveRequest& r, int) -> SlaveAnswer { return {testing::replyTo(r, 0, 0x40, kDegC10)}; });
    start();
    const int handle = registerPositioner();
    // A burst device alternates the master bit, leaving each master a turn;
    // its frames carry a status of their own.
    const Bytes value1 = {0x10, 0x00, 32, 0x3F, 0x80, 0x00, 0x00};  // 1.0 degC
    const Bytes value2 = {0x10, 0x00, 32, 0x40, 0x00, 0x00, 0x00};  // 2.0 degC
    slave.startBursting({testing::burstFrame(false, value1), testing::burstFrame(true, value2)}, 150ms);

    const int threadsBefore = threadCount();
    master.processBurstMessages(1);
    master.processBurstMessages(1);
    EXPECT_EQ(threadCount(), threadsBefore + 1) << "one collector, however often it is started";

    ASSERT_TRUE(eventually([&] { return master.burstDataUpdated() == 1; }));
    EXPECT_EQ(master.burstDataUpdated(), 0) << "the mark is cleared by reading it";
    EXPECT_EQ(master.burstMessageLength(), 5);
    char text[64];
    master.getBurstUnitString(0, text);
    EXPECT_STREQ(text, "degC");
    const float value = master.getBurstFloat(1);
    EXPECT_TRUE(value == 1.0f || value == 2.0f) << value;
    // Past the five bytes the frame carried there is nothing to read.
    EXPECT_EQ(master.getBurstInteger(4, 1), 0u);
    EXPECT_EQ(master.errorCode(), 0);
    for (const auto& read : std::initializer_list<std::function<unsigned()>>{
             [&] { return master.getBurstInteger(5, 1); }, [&] { return master.getBurstInteger(32, 4); },
             [&] { return static_cast<unsigned>(master.getBurstFloat(2)); },
             [&] { return (master.getBurstString(0, 6, text), 0u); },
             [&] { return (master.getBurstUnitString(5, text), 0u); }}) {
        std::strcpy(text, "kept");
        EXPECT_EQ(read(), 0u);
        EXPECT_EQ(master.errorCode(), kOutsideDataField);
        EXPECT_STREQ(text, "kept");
    }
    EXPECT_TRUE(eventually([&] { return master.getBurstFloat(1) != value; })) << "both frames are collected";

    // A transaction in the burst cycle; the host's status is its own reply's.
    ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), 0);
    EXPECT_EQ(master.getFloat(1), 10.0f);
    ASSERT_TRUE(eventually([&] { return master.link().lastParsedStatus() == 0x1000; }));
    EXPECT_EQ(master.statusBytes(), 0x0040);

    // Stopped, the collector takes nothing; restarted, it picks up the last frame.
    master.processBurstMessages(0);
    EXPECT_FALSE(master.burstCollectorRunning());
    master.burstDataUpdated();
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(master.burstDataUpdated(), 0);
    master.processBurstMessages(1);
    EXPECT_TRUE(eventually([&] { return master.burstDataUpdated() == 1; }, 1s));
    slave.stopBursting();
}

TEST_F(PtyLink, ShutDownStopsEverythingAndASecondInitOpensThePortAgain) {
    slave.setScript(
        [](const SlaveRequest& r, int) -> SlaveAnswer { return {testing::replyTo(r, 0, 0, kDegC10)}; });
    const int threadsBefore = threadCount();
    start();
    master.processBurstMessages(1);
    EXPECT_EQ(threadCount(), threadsBefore + 3) << "receive, clock, burst collector";

    master.getInteger(0, 5);
    master.shutDownHart();
    EXPECT_EQ(master.errorCode(), 0);
    EXPECT_EQ(threadCount(), threadsBefore);
    EXPECT_FALSE(master.burstCollectorRunning());
    master.getInteger(0, 5);
    master.shutDownHart();
    EXPECT_EQ(master.errorCode(), kUnsupportedIntegerLength) << "a second shutdown changes nothing";

    start();
    EXPECT_TRUE(master.link().isOpen());
    const int handle = registerPositioner();
    ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
    master.waitForResponse();
    EXPECT_EQ(master.errorCode(), 0);
}

TEST_F(PtyLink, PortsThatCannotBeOpenedLeaveNothingRunning) {
    const int threadsBefore = threadCount();
    master.initHart(2);  // no such device
    EXPECT_EQ(master.errorCode(), kPortFailed);
    EXPECT_EQ(errorText(), "Unable to initialize the serial port.");
    EXPECT_FALSE(master.link().isOpen());
    EXPECT_EQ(threadCount(), threadsBefore);

    const int other = ::open(slave.devicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    master.initHart(1);
    EXPECT_EQ(master.errorCode(), kPortFailed) << "held by another program";
    EXPECT_EQ(threadCount(), threadsBefore);
    ::close(other);
}

TEST_F(PtyLink, SecondaryMasterSendsWithoutTheMasterBitAndCanBecomePrimary) {
    slave.setScript([](const SlaveRequest& r, int) -> SlaveAnswer {
        return {testing::replyTo(r, 0, 0, testing::identityData())};
    });
    start(/*primary=*/0);
    EXPECT_EQ(master.masterMode(), 0);
    EXPECT_EQ(master.detectInstrument(), 1);
    EXPECT_EQ(slave.requests()[0].wire, concat(preambles(5), {0x02, 0x00, 0x00, 0x00, 0x02}));

    start(/*primary=*/1);  // the running link takes the new mode
    EXPECT_EQ(master.masterMode(), 1);
    EXPECT_EQ(master.detectInstrument(), 1) << "InitHart forgets the registry";
    EXPECT_EQ(slave.requests()[1].wire, concat(preambles(5), {0x02, 0x80, 0x00, 0x00, 0x82}));
}

// A trace whose file has stalled (a hung network share, say): the link goes
// on at its own pace, and the trace says how many frames it had to drop.
struct StalledFile {
    std::mutex mutex;
    std::condition_variable resumed;
    bool stalled = true;
    int written = 0;
    std::vector<std::string> notes;
};

class StalledSink final : public TraceSink {
public:
    explicit StalledSink(std::shared_ptr<StalledFile> file) : file_(std::move(file)) {}
    void write(const TracedFrame&) override {
        std::unique_lock lock(file_->mutex);
        file_->resumed.wait(lock, [&] { return !file_->stalled; });
        ++file_->written;
    }
    void note(TraceClock::time_point, NoteLevel, std::string_view text) override {
        std::lock_guard lock(file_->mutex);
        file_->notes.emplace_back(text);
    }
    void flush() override {}

private:
    std::shared_ptr<StalledFile> file_;
};

TEST(TracedLink, AStalledTraceNeverHoldsUpATransaction) {
    testing::ScriptedSlave slave;
    slave.setScript(
        [](const SlaveRequest& r, int) { return SlaveAnswer{testing::replyTo(r, 0, 0, kDegC10)}; });
    auto file = std::make_shared<StalledFile>();
    HartMaster master{
        MasterSetup{[&](int) -> std::unique_ptr<LinkPort> { return openSerialPort(slave.devicePath()); },
                    ClockSource::Internal, nullptr,
                    [&](std::string_view) {
                        return std::make_unique<FrameTrace>(std::make_unique<StalledSink>(file), 4);
                    }}};
    master.initHart(1);
    const int handle = testing::registerPositioner(master);
    constexpr int kTransactions = 12;
    for (int i = 0; i < kTransactions; ++i) {
        ASSERT_EQ(master.sendLongCommand(1, handle, 0), 1);
        master.waitForResponse();
        ASSERT_EQ(master.errorCode(), 0) << "transaction " << i;
    }
    {
        std::lock_guard lock(file->mutex);
        file->stalled = false;
    }
    file->resumed.notify_all();
    master.shutDownHart();

    ASSERT_EQ(file->notes.size(), 2u);
    EXPECT_NE(file->notes[0].find(" frames dropped here"), std::string::npos) << file->notes[0];
    EXPECT_EQ(file->written + std::stoi(file->notes[0]), 2 * kTransactions)
        << "each frame written or counted";
    EXPECT_LE(file->written, 2 + 4) << "what the writer held, and a full queue";
}

}  // namespace
}  // namespace mirell
