#include "comm/mirell_library.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <future>
#include <thread>

#include "comm/configurator.h"

namespace velk {
namespace {

class MirellLibraryTest : public ::testing::Test {
 protected:
  MirellLibraryTest() { qputenv("STUB_MIRELL_TRACE", tracePath().toLocal8Bit()); }
  ~MirellLibraryTest() override { qunsetenv("STUB_MIRELL_TRACE"); }

  QString tracePath() const { return dir_.filePath("trace.txt"); }
  QStringList trace() const {
    QFile file(tracePath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
  }

  QTemporaryDir dir_;
};

TEST_F(MirellLibraryTest, LoadsAtTheFirstCallAndNotBefore) {
  MirellLibrary library(STUB_MIRELL_PATH);
  EXPECT_FALSE(library.isLoaded());
  library.ShutDownHart();  // stopping needs no library
  EXPECT_FALSE(library.isLoaded());
  EXPECT_TRUE(trace().isEmpty());
  library.SendLongCommand(0, 0, 0);
  EXPECT_TRUE(library.isLoaded());
  EXPECT_EQ(library.GetErrorCode(), 8);
  EXPECT_EQ(library.GetErrorMessage(), "  Invalid instrument handle. Cannot address any instrument.");
  EXPECT_EQ(trace(), (QStringList{"load", "SendLongCommand 0"}));
}

TEST_F(MirellLibraryTest, ReloadStopsTheLinkUnloadsAndLoadsAfresh) {
  {
    MirellLibrary library(STUB_MIRELL_PATH);
    library.GetErrorCode();
    library.reloadLibrary();
    EXPECT_TRUE(library.isLoaded());
  }
  EXPECT_EQ(trace(), (QStringList{"load", "ShutDownHart", "unload", "load", "ShutDownHart", "unload"}));
}

// The library finds a port's device in the environment, which the GUI
// thread writes only while nobody can be reading it: no port open, no thread
// inside the library (setenv beside getenv is undefined behaviour).
TEST_F(MirellLibraryTest, ThePortDeviceReachesTheLibraryOnlyWhileNoPortIsOpen) {
  Configurator core([](WindowState&) { return std::make_unique<MirellLibrary>(STUB_MIRELL_PATH); });
  core.window.setPortDevice(2, "/dev/serial/by-id/usb-modem");
  core.start();
  core.link.begin()->InitHart(2);
  EXPECT_EQ(trace().value(1), "InitHart 2 /dev/serial/by-id/usb-modem");

  core.window.setPortDevice(2, "/dev/ttyUSB1");
  core.window.LinkOpen.store(true);
  EXPECT_FALSE(core.writeLinkEnvironment());
  core.window.LinkOpen.store(false);
  std::promise<void> holding, release;
  std::thread user([&] {
    auto tx = core.link.begin();
    holding.set_value();
    release.get_future().wait();
  });
  holding.get_future().wait();
  EXPECT_FALSE(core.writeLinkEnvironment());
  release.set_value();
  user.join();
  EXPECT_EQ(qgetenv("MIRELL_COM2"), "/dev/serial/by-id/usb-modem");

  EXPECT_TRUE(core.writeLinkEnvironment());
  EXPECT_EQ(qgetenv("MIRELL_COM2"), "/dev/ttyUSB1");
  core.window.setPortDevice(2, {});  // back to its default: the variable goes
  EXPECT_TRUE(core.writeLinkEnvironment());
  EXPECT_FALSE(qEnvironmentVariableIsSet("MIRELL_COM2"));
}

TEST_F(MirellLibraryTest, PackedTextsOfEveryLengthFitTheirBuffer) {
  MirellLibrary library(STUB_MIRELL_PATH);
  EXPECT_EQ(library.GetString(0, 6).size(), 8u);
  EXPECT_EQ(library.GetString(0, 24).size(), 32u);
  EXPECT_EQ(library.GetString(0, 48).size(), 64u);
}

struct LoadFailure {
  const char* path;
  const char* reasonPart;
};

TEST_F(MirellLibraryTest, ALibraryThatCannotBeUsedIsNamedWithTheReason) {
  const LoadFailure cases[] = {
      {"/nonexistent/libmirell.so", "No such file"},
      {STUB_MIRELL_INCOMPLETE_PATH, "has no function GetBurstFloat"},
  };
  for (const LoadFailure& c : cases) {
    MirellLibrary library(c.path);
    try {
      library.InitHart(1);
      ADD_FAILURE() << "loaded " << c.path;
    } catch (const LinkLibraryError& error) {
      const std::string text = error.what();
      EXPECT_NE(text.find(c.path), std::string::npos) << text;
      EXPECT_NE(text.find(c.reasonPart), std::string::npos) << text;
    }
    EXPECT_FALSE(library.isLoaded());
    // The next call tries again rather than using a half-loaded library.
    EXPECT_THROW(library.GetErrorCode(), LinkLibraryError);
  }
}

TEST(MirellLibraryPath, EnvironmentOverridesTheProgramFolder) {
  qputenv("MIRELL_LIBRARY", "/opt/test/libmirell.so");
  EXPECT_EQ(defaultMirellLibraryPath(), "/opt/test/libmirell.so");
  qunsetenv("MIRELL_LIBRARY");
  EXPECT_EQ(defaultMirellLibraryPath(),
            (QCoreApplication::applicationDirPath() + "/libmirell.so").toStdString());
}

}  // namespace
}  // namespace velk
