// A stand-in libmirell.so for the loader's tests. It writes what happens to it
// (loaded, calls, unloaded) to the file named by STUB_MIRELL_TRACE, so a test
// can tell a fresh load from a reused one and see the order of events.
// Built twice: complete, and without GetBurstFloat.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mirell.h"

namespace {

void trace(const std::string& line) {
  const char* path = std::getenv("STUB_MIRELL_TRACE");
  if (!path) return;
  if (FILE* file = std::fopen(path, "a")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

int errorCode = 0;

__attribute__((constructor)) void onLoad() { trace("load"); }
__attribute__((destructor)) void onUnload() { trace("unload"); }

}  // namespace

extern "C" {

void InitHart(int port) {
  const std::string variable = "MIRELL_COM" + std::to_string(port);
  const char* device = std::getenv(variable.c_str());
  trace("InitHart " + std::to_string(port) + " " + (device ? device : "-"));
}
void ShutDownHart(void) { trace("ShutDownHart"); }
int GetErrorCode(void) { return errorCode; }
char* GetErrorMessage(char* text) {
  std::strcpy(text, "  Invalid instrument handle. Cannot address any instrument.");
  return text;
}
int GetInstrumentError(char* text) {
  std::strcpy(text, "Instrument replied! No errors.");
  return 0;
}
int GetStatusBytes(void) { return 0; }
int SendLongCommand(int command, int handle, int) {
  trace("SendLongCommand " + std::to_string(command));
  errorCode = handle == 0 ? 8 : 0;
  return handle != 0;
}
int WaitForResponse(void) { return 0; }
int GetMessageLength(void) { return 0; }
unsigned GetInteger(int, int) { return 0; }
void SetInteger(int, int, unsigned) {}
float GetFloat(int) { return 0; }
void SetFloat(int, float) {}
void GetString(int, int byteLength, char* text) {
  // As long a text as the byte count allows: four characters per three bytes.
  const int characters = 4 * ((byteLength + 2) / 3);
  std::memset(text, 'A', characters);
  text[characters] = '\0';
}
void SetString(int, int, const char*) {}
int DetectInstrumentWithShortAddress(int) { return 0; }
void SetPollingAddress(int, int) {}
void ProcessBurstMessages(int) {}
int BurstDataUpdated(void) { return 0; }
int GetBurstMessageLength(void) { return 0; }
unsigned GetBurstInteger(int, int) { return 0; }
#ifndef STUB_LEAVE_OUT_BURST_FLOAT
float GetBurstFloat(int) { return 0; }
#endif
}
