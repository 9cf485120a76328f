// A host as the configurator is one: it loads libmirell.so at run time, uses
// the calls in their documented order against a slave on a pseudo-terminal,
// shuts the link down, unloads the library and loads it again.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "scripted_slave.h"

namespace {

using namespace std::chrono_literals;
using mirell::testing::Bytes;
using mirell::testing::SlaveAnswer;
using mirell::testing::SlaveRequest;

int threadCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* e = readdir(dir)) n += e->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

// The calls, looked up by their plain names.
struct Library {
    explicit Library(void* handle) : handle(handle) {}
    template <typename F>
    F* call(const char* name) {
        void* symbol = dlsym(handle, name);
        EXPECT_NE(symbol, nullptr) << name;
        return reinterpret_cast<F*>(symbol);
    }
    void* handle;
};

const char* const kExports[] = {"InitHart",
                                "InitHartEx",
                                "ShutDownHart",
                                "GetMasterMode",
                                "GetHandle",
                                "GetDllTicks",
                                "GetDllVersion",
                                "GetErrorCode",
                                "GetErrorMessage",
                                "GetInstrumentError",
                                "GetStatusBytes",
                                "SendLongCommand",
                                "SendShortCommand",
                                "ManualSendCommand",
                                "WaitForResponse",
                                "GetMessageLength",
                                "GetInteger",
                                "SetInteger",
                                "GetFloat",
                                "SetFloat",
                                "GetString",
                                "SetString",
                                "GetUnitString",
                                "DetectInstrument",
                                "DetectInstrumentWithShortAddress",
                                "DetectInstrumentWithTag",
                                "ForceRegistration",
                                "ResetInternalRegistry",
                                "SetPollingAddress",
                                "GetPollingAddress",
                                "ProcessBurstMessages",
                                "BurstDataUpdated",
                                "GetBurstMessageLength",
                                "GetBurstInteger",
                                "GetBurstFloat",
                                "GetBurstString",
                                "GetBurstUnitString"};

bool loaded() {
    void* again = dlopen(MIRELL_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (again) dlclose(again);
    return again != nullptr;
}

class LibraryHost : public ::testing::Test {
protected:
    void SetUp() override {
        slave.setScript([](const SlaveRequest& r, int) -> SlaveAnswer {
            if (r.command == 0) return {mirell::testing::replyTo(r, 0, 0, mirell::testing::identityData())};
            if (r.command == 1) return {mirell::testing::replyTo(r, 0, 0, {32, 0x41, 0x20, 0x00, 0x00})};
            return {mirell::testing::replyTo(r, 0x40, 0)};
        });
        ::setenv("MIRELL_COM3", slave.devicePath().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("MIRELL_COM3"); }

    mirell::testing::ScriptedSlave slave;
};

TEST_F(LibraryHost, CallingOrderThenUnloadAndReload) {
    const int threadsBefore = threadCount();
    int firstLoadTicks = 0;
    for (int load = 1; load <= 2; ++load) {
        SCOPED_TRACE("load " + std::to_string(load));
        void* handle = dlopen(MIRELL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        Library lib(handle);
        for (const char* name : kExports) EXPECT_NE(dlsym(handle, name), nullptr) << name;

        auto GetErrorCode = lib.call<int()>("GetErrorCode");
        auto GetErrorMessage = lib.call<char*(char*)>("GetErrorMessage");
        lib.call<void(int, int)>("InitHartEx")(3, 1);
        ASSERT_EQ(GetErrorCode(), 0);
        EXPECT_EQ(lib.call<int()>("GetMasterMode")(), 1);
        EXPECT_NE(lib.call<int()>("GetHandle")(), 0);
        int v[4] = {-1, -1, -1, -1};
        EXPECT_EQ(lib.call<int(int*, int*, int*, int*)>("GetDllVersion")(&v[0], &v[1], &v[2], &v[3]), 1);
        EXPECT_GE(v[0], 0);
        const int ticks = lib.call<int()>("GetDllTicks")();
        if (load == 1)
            firstLoadTicks = ticks;
        else
            EXPECT_GT(ticks, firstLoadTicks) << "a fresh copy of the library";

        const int instrument = lib.call<int()>("DetectInstrument")();
        EXPECT_EQ(instrument, 1) << "each load starts with an empty registry";

        lib.call<void(int, int, unsigned)>("SetInteger")(0, 1, 0);
        ASSERT_EQ(lib.call<int(int, int, int)>("SendLongCommand")(1, instrument, 1), 1);
        EXPECT_EQ(lib.call<int()>("WaitForResponse")(), 0);
        ASSERT_EQ(GetErrorCode(), 0);
        EXPECT_EQ(lib.call<int()>("GetMessageLength")(), 5);
        EXPECT_EQ(lib.call<float(int)>("GetFloat")(1), 10.0f);
        char text[128] = {};
        lib.call<void(int, char*)>("GetUnitString")(0, text);
        EXPECT_STREQ(text, "degC");

        lib.call<int()>("WaitForResponse")();
        EXPECT_EQ(GetErrorCode(), 17);
        EXPECT_EQ(GetErrorMessage(text), text);
        EXPECT_STREQ(text, "No response pending!");

        if (load == 1) {
            // A rejected command: code 15, worded by GetInstrumentError.
            lib.call<int(int, int, int)>("SendLongCommand")(200, instrument, 0);
            lib.call<int()>("WaitForResponse")();
            EXPECT_EQ(GetErrorCode(), 15);
            EXPECT_EQ(lib.call<int()>("GetStatusBytes")(), 0x4000);
            EXPECT_EQ(lib.call<int(char*)>("GetInstrumentError")(text), 13);
            EXPECT_STREQ(text, "Slave Reports: Command not implemented!");
        }

        slave.startBursting({mirell::testing::burstFrame(false, {0, 0, 32, 0x3F, 0x80, 0, 0})}, 150ms);
        lib.call<void(int)>("ProcessBurstMessages")(1);
        auto BurstDataUpdated = lib.call<int()>("BurstDataUpdated");
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (BurstDataUpdated() == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(lib.call<float(int)>("GetBurstFloat")(1), 1.0f);
        EXPECT_EQ(lib.call<int()>("GetBurstMessageLength")(), 5);
        lib.call<void(int)>("ProcessBurstMessages")(0);
        slave.stopBursting();

        lib.call<void()>("ShutDownHart")();
        EXPECT_EQ(GetErrorCode(), 0);
        EXPECT_EQ(threadCount(), threadsBefore) << "nothing of the library runs after ShutDownHart";
        ASSERT_EQ(dlclose(handle), 0);
        EXPECT_FALSE(loaded()) << "really unloaded";
    }
}

// A host that forgets ShutDownHart must not be left with threads running in
// unloaded code.
TEST_F(LibraryHost, UnloadingWithTheLinkRunningStopsItFirst) {
    const int threadsBefore = threadCount();
    void* handle = dlopen(MIRELL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    Library lib(handle);
    lib.call<void(int)>("InitHart")(3);
    ASSERT_EQ(lib.call<int()>("GetErrorCode")(), 0);
    lib.call<void(int)>("ProcessBurstMessages")(1);
    EXPECT_EQ(threadCount(), threadsBefore + 3);
    ASSERT_EQ(dlclose(handle), 0);
    EXPECT_FALSE(loaded());
    EXPECT_EQ(threadCount(), threadsBefore);
}

TEST_F(LibraryHost, MissingPortReportsErrorTwo) {
    ::setenv("MIRELL_COM5", "/dev/no-such-modem", 1);
    void* handle = dlopen(MIRELL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    Library lib(handle);
    lib.call<void(int)>("InitHart")(5);
    EXPECT_EQ(lib.call<int()>("GetErrorCode")(), 2);
    char text[128];
    EXPECT_STREQ(lib.call<char*(char*)>("GetErrorMessage")(text), "Unable to initialize the serial port.");
    lib.call<void()>("ShutDownHart")();
    EXPECT_EQ(lib.call<int()>("GetErrorCode")(), 2) << "nothing ran, so nothing to report";
    dlclose(handle);
    ::unsetenv("MIRELL_COM5");
}

}  // namespace
