// The program itself: it starts, and closes cleanly when told to end.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

TEST(Program, StartsAndEndsCleanlyOnTerminationWritingItsSettings) {
  QTemporaryDir home;
  const QString settingsFile = home.filePath("config/Velk/Velk Configuration and Diagnostics Program.conf");
  {
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue("HARTConfig/ComPort", "9");  // read as 1, written back at the end
  }
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
  environment.insert("XDG_DATA_HOME", home.filePath("data"));
  program.setProcessEnvironment(environment);
  program.start(VELK_CONFIGURATOR_PATH, {});
  ASSERT_TRUE(program.waitForStarted());

  // The start-up writes the missing settings: the window is being built.
  QSettings written(settingsFile, QSettings::IniFormat);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        written.sync();
        return written.contains("HARTConfig/DevType");
      },
      20000));
  EXPECT_EQ(written.value("HARTConfig/ComPort").toString(), "9");

  program.terminate();
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  written.sync();
  EXPECT_EQ(written.value("HARTConfig/ComPort").toString(), "1");
  EXPECT_TRUE(
      QFile::exists(home.filePath("data/Velk/Velk Configuration and Diagnostics Program/configurations")));
}

}  // namespace
