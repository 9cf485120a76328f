#pragma once
// HartLink on libmirell.so, loaded with dlopen at the first call into it.

#include <string>

#include "comm/hart_link.h"
#include "mirell.h"

namespace velk {

// Where the program looks for the library: $MIRELL_LIBRARY when set, else
// libmirell.so next to the executable (the build tree), else libmirell.so.N
// in the library folder of the prefix it is installed under, else
// libmirell.so.N on the system's library path.
std::string defaultMirellLibraryPath();

// The device a COM port opens the library reads from the environment
// (link_environment.h), which this class leaves alone: it is called on the
// command thread, where writing the environment is not safe.
class MirellLibrary : public HartLink {
 public:
  explicit MirellLibrary(std::string path);
  ~MirellLibrary() override;  // ShutDownHart, then unload
  MirellLibrary(const MirellLibrary&) = delete;
  MirellLibrary& operator=(const MirellLibrary&) = delete;

  const std::string& path() const { return path_; }
  bool isLoaded() const { return handle_ != nullptr; }

  VELK_HART_LINK_OVERRIDES

 private:
  // The one list of imports: the struct's members and the resolution loop are
  // both generated from it.
#define VELK_MIRELL_IMPORTS(X)                                                                          \
  X(InitHart)                                                                                           \
  X(ShutDownHart)                                                                                       \
  X(GetErrorCode)                                                                                       \
  X(GetErrorMessage) X(GetInstrumentError) X(GetStatusBytes) X(SendLongCommand) X(WaitForResponse)      \
      X(GetMessageLength) X(GetInteger) X(SetInteger) X(GetFloat) X(SetFloat) X(GetString) X(SetString) \
          X(DetectInstrumentWithShortAddress) X(SetPollingAddress) X(ProcessBurstMessages)              \
              X(BurstDataUpdated) X(GetBurstMessageLength) X(GetBurstInteger) X(GetBurstFloat)

  struct Functions {
#define VELK_MIRELL_MEMBER(name) decltype(&::name) name = nullptr;
    VELK_MIRELL_IMPORTS(VELK_MIRELL_MEMBER)
#undef VELK_MIRELL_MEMBER
  };

  const Functions& loaded();  // loads on first use; throws LinkLibraryError
  void load();
  void unload();

  std::string path_;
  void* handle_ = nullptr;
  Functions functions_;
};

}  // namespace velk
