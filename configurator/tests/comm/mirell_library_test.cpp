#include "comm/mirell_library.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

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

TEST_F(MirellLibraryTest, HandsThePortDeviceToTheLibraryBeforeInitHart) {
  MirellLibrary library(STUB_MIRELL_PATH, [](int port) {
    return port == 2 ? std::string("/dev/serial/by-id/usb-modem") : std::string();
  });
  library.InitHart(2);
  EXPECT_EQ(trace().value(1), "InitHart 2 /dev/serial/by-id/usb-modem");
  qunsetenv("MIRELL_COM2");
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
