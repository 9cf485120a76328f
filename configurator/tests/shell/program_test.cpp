// The program itself: it starts, and closes cleanly when told to end.

#include <signal.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "support/child_process.h"

namespace {

TEST(Program, StartsAndEndsCleanlyOnTerminationWritingItsSettings) {
  QTemporaryDir home;
  const QString settingsFile = home.filePath("config/Velk/Velk Configuration and Diagnostics Program.conf");
  {
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue("HARTConfig/ComPort", "9");  // read as 1, written back at the end
  }
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
  environment.insert("XDG_DATA_HOME", home.filePath("data"));
  velk::ChildProcess program;
  ASSERT_TRUE(program.start(VELK_CONFIGURATOR_PATH, {}, environment.toStringList())) << program.problem();

  // The start-up writes the missing settings: the window is being built.
  QSettings written(settingsFile, QSettings::IniFormat);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        written.sync();
        return written.contains("HARTConfig/DevType");
      },
      20000))
      << program.endText();
  EXPECT_EQ(written.value("HARTConfig/ComPort").toString(), "9");

  program.signal(SIGTERM);
  ASSERT_TRUE(program.waitForExit(20000)) << "it did not end on SIGTERM";
  EXPECT_TRUE(program.exitedWith(0)) << program.endText();
  written.sync();
  EXPECT_EQ(written.value("HARTConfig/ComPort").toString(), "1");
  EXPECT_TRUE(
      QFile::exists(home.filePath("data/Velk/Velk Configuration and Diagnostics Program/configurations")));
}

}  // namespace
