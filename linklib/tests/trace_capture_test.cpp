// A session traced into a capture as a support engineer would take one: the
// host loads the library, talks to the device, unloads it at a disconnection
// and loads it again, all into one file that tshark decodes.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "scripted_slave.h"

namespace {

using namespace std::chrono_literals;
using mirell::testing::Bytes;
using mirell::testing::SlaveAnswer;
using mirell::testing::SlaveRequest;

std::vector<std::string> outputLines(const std::string& command) {
    std::vector<std::string> lines;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return lines;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        lines.push_back(text);
    }
    ::pclose(pipe);
    return lines;
}

template <typename F>
F* call(void* library, const char* name) {
    return reinterpret_cast<F*>(dlsym(library, name));
}

// One connection: load, find the device, a command (whose first answer
// arrives spoiled), burst frames, disconnect and unload.
void connection(mirell::testing::ScriptedSlave& slave, int command) {
    void* library = dlopen(MIRELL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto GetErrorCode = call<int()>(library, "GetErrorCode");
    call<void(int)>(library, "InitHart")(3);
    ASSERT_EQ(GetErrorCode(), 0);
    const int instrument = call<int()>(library, "DetectInstrument")();
    ASSERT_EQ(instrument, 1);
    call<int(int, int, int)>(library, "SendLongCommand")(command, instrument, 0);
    call<int()>(library, "WaitForResponse")();
    EXPECT_EQ(GetErrorCode(), 0) << "the retry gets through";

    slave.startBursting({mirell::testing::burstFrame(false, {0, 0, 32, 0x3F, 0x80, 0, 0})}, 150ms);
    call<void(int)>(library, "ProcessBurstMessages")(1);
    auto BurstDataUpdated = call<int()>(library, "BurstDataUpdated");
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (BurstDataUpdated() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    call<void(int)>(library, "ProcessBurstMessages")(0);
    slave.stopBursting();
    call<void()>(library, "ShutDownHart")();
    ASSERT_EQ(dlclose(library), 0);
}

TEST(TraceCapture, AReconnectedSessionDecodesInTshark) {
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) GTEST_SKIP() << "tshark is not installed";
    char pattern[] = "/tmp/trace-capture-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string capture = std::string(pattern) + "/session.pcap";

    int answered = 0;
    mirell::testing::ScriptedSlave slave;
    slave.setScript([&answered](const SlaveRequest& r, int) -> SlaveAnswer {
        if (r.command == 0) return {mirell::testing::replyTo(r, 0, 0, mirell::testing::identityData())};
        Bytes reply = mirell::testing::replyTo(r, 0, 0, {32, 0x41, 0x20, 0x00, 0x00});
        if (answered++ % 2 == 0) reply.back() ^= 0x55;
        return {reply};
    });
    ::setenv("MIRELL_COM3", slave.devicePath().c_str(), 1);
    ::setenv("MIRELL_TRACE", capture.c_str(), 1);
    for (int command : {1, 48}) connection(slave, command);
    ::unsetenv("MIRELL_TRACE");
    ::unsetenv("MIRELL_COM3");

    const auto lines = outputLines("tshark -r " + capture +
                                   " -T fields -E separator=' ' -e ip.src -e hart_ip.message_type"
                                   " -e hart_ip.pt.command -e hart_ip.pt.length -e syslog.msg 2>/dev/null");
    std::vector<std::string> exchanges;  // without the burst frames, which come as they like
    int bursts = 0;
    for (const std::string& line : lines) {
        if (line.rfind("127.0.0.2 2 3 7", 0) == 0) {
            ++bursts;
        } else {
            exchanges.push_back(line);
        }
    }
    const std::vector<std::string> expected = {
        "127.0.0.1    libmirell: session started: COM 3, primary master",
        "127.0.0.1 0 0 0 ",
        "127.0.0.2 1 0 14 ",
        "127.0.0.1 0 1 0 ",
        "127.0.0.2 1 1 7 ",
        "127.0.0.1    libmirell: RX frame broken: check byte 4B, computed 1E",
        "127.0.0.1 0 1 0 ",
        "127.0.0.2 1 1 7 ",
        "127.0.0.1    libmirell: session ended: ShutDownHart",
        "127.0.0.1    libmirell: session started: COM 3, primary master",
        "127.0.0.1 0 0 0 ",
        "127.0.0.2 1 0 14 ",
        "127.0.0.1 0 48 0 ",
        "127.0.0.2 1 48 7 ",
        "127.0.0.1    libmirell: RX frame broken: check byte 7A, computed 2F",
        "127.0.0.1 0 48 0 ",
        "127.0.0.2 1 48 7 ",
        "127.0.0.1    libmirell: session ended: ShutDownHart",
    };
    EXPECT_EQ(exchanges, expected);
    EXPECT_GE(bursts, 2) << "burst frames of both connections";
    std::filesystem::remove_all(pattern);
}

}  // namespace
