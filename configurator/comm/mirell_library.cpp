#include "comm/mirell_library.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <vector>

namespace velk {

namespace {

// Big enough for every text the library writes (at most 100 characters plus
// the terminator for errors, 48 plus one for packed texts).
constexpr int kTextBuffer = 128;

std::string dlerrorText() {
  const char* text = dlerror();
  return text ? text : "unknown reason";
}

}  // namespace

std::string defaultMirellLibraryPath() {
  const QByteArray override = qgetenv("MIRELL_LIBRARY");
  if (!override.isEmpty()) return override.toStdString();
  const QString programDir = QCoreApplication::applicationDirPath();
  // The build tree keeps the library beside the programs.
  const QString besideProgram = programDir + "/libmirell.so";
  if (QFileInfo::exists(besideProgram)) return besideProgram.toStdString();
  // Installed: the library folder of the same prefix, by the SONAME (the bare
  // .so belongs to development packages).
  const QString installed = QDir::cleanPath(programDir + "/" VELK_BIN_TO_LIB "/" VELK_MIRELL_SONAME);
  if (QFileInfo::exists(installed)) return installed.toStdString();
  // Elsewhere on the system's library path.
  return VELK_MIRELL_SONAME;
}

MirellLibrary::MirellLibrary(std::string path) : path_(std::move(path)) {}

MirellLibrary::~MirellLibrary() { unload(); }

void MirellLibrary::load() {
  dlerror();
  void* handle = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) throw LinkLibraryError("Cannot load the HART link library " + path_ + ": " + dlerrorText());
  Functions functions;
  auto resolve = [&](auto& slot, const char* name) {
    dlerror();
    void* symbol = dlsym(handle, name);
    if (!symbol) {
      const std::string reason = dlerrorText();
      dlclose(handle);
      throw LinkLibraryError("The HART link library " + path_ + " has no function " + name + ": " + reason);
    }
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(symbol);
  };
#define VELK_MIRELL_RESOLVE(name) resolve(functions.name, #name);
  VELK_MIRELL_IMPORTS(VELK_MIRELL_RESOLVE)
#undef VELK_MIRELL_RESOLVE
  handle_ = handle;
  functions_ = functions;
}

void MirellLibrary::unload() {
  if (!handle_) return;
  // The library's threads must be joined before its code goes away.
  functions_.ShutDownHart();
  dlclose(handle_);
  handle_ = nullptr;
  functions_ = {};
  // A library that cannot leave memory (GCC's unique symbols make it so)
  // would come back with its old state: say so, it is a build fault.
  if (void* resident = dlopen(path_.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
    dlclose(resident);
    qWarning(
        "The HART link library %s stayed loaded after unloading; it keeps its state "
        "(build it with -fno-gnu-unique).",
        path_.c_str());
  }
}

void MirellLibrary::reloadLibrary() {
  unload();
  load();
}

const MirellLibrary::Functions& MirellLibrary::loaded() {
  if (!handle_) load();
  return functions_;
}

void MirellLibrary::InitHart(int port) { loaded().InitHart(port); }

void MirellLibrary::ShutDownHart() {
  // Nothing runs in a library that is not loaded; do not load it just to stop it.
  if (handle_) functions_.ShutDownHart();
}

int MirellLibrary::GetErrorCode() { return loaded().GetErrorCode(); }

std::string MirellLibrary::GetErrorMessage() {
  char text[kTextBuffer] = {};
  loaded().GetErrorMessage(text);
  return text;
}

InstrumentError MirellLibrary::GetInstrumentError() {
  char text[kTextBuffer] = {};
  const int errorClass = loaded().GetInstrumentError(text);
  return {errorClass, text};
}

int MirellLibrary::GetStatusBytes() { return loaded().GetStatusBytes(); }

int MirellLibrary::SendLongCommand(int command, int handle, int byteCount) {
  return loaded().SendLongCommand(command, handle, byteCount);
}

int MirellLibrary::WaitForResponse() { return loaded().WaitForResponse(); }
int MirellLibrary::GetMessageLength() { return loaded().GetMessageLength(); }

unsigned MirellLibrary::GetInteger(int offset, int length) { return loaded().GetInteger(offset, length); }

void MirellLibrary::SetInteger(int offset, int length, unsigned value) {
  loaded().SetInteger(offset, length, value);
}

float MirellLibrary::GetFloat(int offset) { return loaded().GetFloat(offset); }
void MirellLibrary::SetFloat(int offset, float value) { loaded().SetFloat(offset, value); }

std::string MirellLibrary::GetString(int offset, int byteLength) {
  // Four characters for every three bytes, plus the terminator.
  const int needed = 4 * ((std::max(byteLength, 0) + 2) / 3) + 1;
  std::vector<char> text(std::max(needed, kTextBuffer), '\0');
  loaded().GetString(offset, byteLength, text.data());
  return text.data();
}

void MirellLibrary::SetString(int offset, int byteLength, const std::string& text) {
  loaded().SetString(offset, byteLength, text.c_str());
}

int MirellLibrary::DetectInstrumentWithShortAddress(int pollingAddress) {
  return loaded().DetectInstrumentWithShortAddress(pollingAddress);
}

void MirellLibrary::SetPollingAddress(int handle, int address) {
  loaded().SetPollingAddress(handle, address);
}

void MirellLibrary::ProcessBurstMessages(int flag) { loaded().ProcessBurstMessages(flag); }
int MirellLibrary::BurstDataUpdated() { return loaded().BurstDataUpdated(); }
int MirellLibrary::GetBurstMessageLength() { return loaded().GetBurstMessageLength(); }

unsigned MirellLibrary::GetBurstInteger(int offset, int length) {
  return loaded().GetBurstInteger(offset, length);
}

float MirellLibrary::GetBurstFloat(int offset) { return loaded().GetBurstFloat(offset); }

}  // namespace velk
