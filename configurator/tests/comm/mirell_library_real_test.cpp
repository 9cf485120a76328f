// The configurator against the real link library, with no device attached.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "comm/configurator.h"
#include "comm/mirell_library.h"

namespace velk {
namespace {

TEST(RealLibrary, CommandWithoutAnInstrumentIsLoggedWithTheLibrarysText) {
  Configurator core([](WindowState&) { return std::make_unique<MirellLibrary>(MIRELL_LIBRARY_PATH); });
  core.window.InstrumentHandle.store(0);
  auto tx = core.link.begin();
  EXPECT_FALSE(core.link.ExecuteCommand(tx, 0, 0));
  EXPECT_EQ(core.form.lines(kCommunicationLog),
            QStringList{"Read Identifier :   Invalid instrument handle. Cannot address any instrument."});
}

// A reload must start from a fresh library: one that cannot leave memory
// would keep its registry and its port.
TEST(RealLibrary, UnloadsCompletelyOnReload) {
  {
    MirellLibrary library(MIRELL_LIBRARY_PATH);
    EXPECT_EQ(library.GetErrorCode(), 0);
    library.reloadLibrary();
    EXPECT_EQ(library.GetErrorCode(), 0);
  }
  void* resident = dlopen(MIRELL_LIBRARY_PATH, RTLD_LAZY | RTLD_NOLOAD);
  EXPECT_EQ(resident, nullptr);
  if (resident) dlclose(resident);
}

}  // namespace
}  // namespace velk
