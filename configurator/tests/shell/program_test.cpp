// The program itself: it starts, and closes cleanly when told to end.
// Started with posix_spawn rather than QProcess: Qt starts children through
// a raw clone() that ThreadSanitizer's runtime cannot follow, and this test
// runs under it too.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

namespace {

// Waits up to `milliseconds` for the child to end; its wait status, or -1.
int waitForExit(pid_t pid, int milliseconds) {
  int status = 0;
  const bool ended = QTest::qWaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, milliseconds);
  return ended ? status : -1;
}

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
  std::vector<QByteArray> entries;
  for (const QString& entry : environment.toStringList()) entries.push_back(entry.toLocal8Bit());
  std::vector<char*> envp;
  for (QByteArray& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  QByteArray path = VELK_CONFIGURATOR_PATH;
  char* argv[] = {path.data(), nullptr};
  pid_t pid = -1;
  ASSERT_EQ(::posix_spawn(&pid, path.constData(), nullptr, nullptr, argv, envp.data()), 0);

  // The start-up writes the missing settings: the window is being built.
  QSettings written(settingsFile, QSettings::IniFormat);
  const bool started = QTest::qWaitFor(
      [&] {
        written.sync();
        return written.contains("HARTConfig/DevType");
      },
      20000);
  if (!started) {
    ::kill(pid, SIGKILL);
    waitForExit(pid, 5000);
    FAIL() << "the program never wrote its settings";
  }
  EXPECT_EQ(written.value("HARTConfig/ComPort").toString(), "9");

  ::kill(pid, SIGTERM);
  const int status = waitForExit(pid, 20000);
  if (status == -1) {
    ::kill(pid, SIGKILL);
    waitForExit(pid, 5000);
  }
  ASSERT_NE(status, -1) << "the program did not end on SIGTERM";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  written.sync();
  EXPECT_EQ(written.value("HARTConfig/ComPort").toString(), "1");
  EXPECT_TRUE(
      QFile::exists(home.filePath("data/Velk/Velk Configuration and Diagnostics Program/configurations")));
}

}  // namespace
