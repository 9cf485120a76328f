// The 37 exported calls of libmirell.so, each forwarding to the one library
// instance.
//
// The instance lives in static storage and is never destroyed, so unloading
// runs no destructor that could touch a half-torn-down library. The unload
// hook only makes sure no thread of the library outlives its code when a host
// unloads without ShutDownHart.
#include <dlfcn.h>

#include <chrono>
#include <cstdint>
#include <new>

#include "hart_master.h"
#include "mirell.h"

namespace {

alignas(mirell::HartMaster) unsigned char g_storage[sizeof(mirell::HartMaster)];
mirell::HartMaster* g_master = nullptr;
int g_loadTicks = 0;
int g_moduleHandle = 0;

mirell::HartMaster& master() { return *g_master; }

__attribute__((constructor)) void attachLibrary() {
    g_master = new (g_storage) mirell::HartMaster();
    g_loadTicks = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now().time_since_epoch())
                                       .count());
    // The load address names this copy of the library; its page number is a
    // stable, non-zero handle.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&attachLibrary), &info) != 0 && info.dli_fbase) {
        g_moduleHandle = static_cast<int>(reinterpret_cast<std::uintptr_t>(info.dli_fbase) >> 12);
    }
    if (g_moduleHandle == 0) g_moduleHandle = 1;
}

__attribute__((destructor)) void detachLibrary() {
    if (g_master) g_master->shutDownHart();
}

}  // namespace

extern "C" {

void InitHart(int port) { master().initHart(port); }
void InitHartEx(int port, int primary) { master().initHartEx(port, primary); }
void ShutDownHart(void) { master().shutDownHart(); }
int GetMasterMode(void) { return master().masterMode(); }
int GetHandle(void) { return g_moduleHandle; }
int GetDllTicks(void) { return g_loadTicks; }

int GetDllVersion(int* major, int* minor, int* release, int* build) {
    if (major) *major = MIRELL_VERSION_MAJOR;
    if (minor) *minor = MIRELL_VERSION_MINOR;
    if (release) *release = MIRELL_VERSION_RELEASE;
    if (build) *build = MIRELL_VERSION_BUILD;
    return 1;
}

int GetErrorCode(void) { return master().errorCode(); }
char* GetErrorMessage(char* text) { return master().errorMessage(text); }
int GetInstrumentError(char* text) { return master().instrumentError(text); }
int GetStatusBytes(void) { return master().statusBytes(); }

int SendLongCommand(int command, int handle, int byteCount) {
    return master().sendLongCommand(command, handle, byteCount);
}
int SendShortCommand(int command, int handle, int byteCount) {
    return master().sendShortCommand(command, handle, byteCount);
}
void ManualSendCommand(int command, int addressMode, int byteCount, int addressOffset) {
    master().manualSendCommand(command, addressMode, byteCount, addressOffset);
}
int WaitForResponse(void) { return master().waitForResponse(); }
int GetMessageLength(void) { return master().messageLength(); }

unsigned GetInteger(int offset, int length) { return master().getInteger(offset, length); }
void SetInteger(int offset, int length, unsigned value) { master().setInteger(offset, length, value); }
float GetFloat(int offset) { return master().getFloat(offset); }
void SetFloat(int offset, float value) { master().setFloat(offset, value); }
void GetString(int offset, int byteLength, char* text) { master().getString(offset, byteLength, text); }
void SetString(int offset, int byteLength, const char* text) { master().setString(offset, byteLength, text); }
void GetUnitString(int offset, char* text) { master().getUnitString(offset, text); }

int DetectInstrument(void) { return master().detectInstrument(); }
int DetectInstrumentWithShortAddress(int pollingAddress) {
    return master().detectInstrumentWithShortAddress(pollingAddress);
}
int DetectInstrumentWithTag(const char* tag) { return master().detectInstrumentWithTag(tag); }
int ForceRegistration(void) { return master().forceRegistration(); }
void ResetInternalRegistry(void) { master().resetInternalRegistry(); }
void SetPollingAddress(int handle, int address) { master().setPollingAddress(handle, address); }
int GetPollingAddress(int handle) { return master().getPollingAddress(handle); }

void ProcessBurstMessages(int flag) { master().processBurstMessages(flag); }
int BurstDataUpdated(void) { return master().burstDataUpdated(); }
int GetBurstMessageLength(void) { return master().burstMessageLength(); }
unsigned GetBurstInteger(int offset, int length) { return master().getBurstInteger(offset, length); }
float GetBurstFloat(int offset) { return master().getBurstFloat(offset); }
void GetBurstString(int offset, int byteLength, char* text) {
    master().getBurstString(offset, byteLength, text);
}
void GetBurstUnitString(int offset, char* text) { master().getBurstUnitString(offset, text); }

}  // extern "C"
