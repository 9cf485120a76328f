// Writing a file whole or not at all: what a reader finds at the path after
// a write that was not finished, and after one the system refused.
#include "model/file_replacement.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace velk {
namespace {

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

TEST(FileReplacement, AnExistingFileIsReplacedOnlyByACompleteNewOne) {
  QTemporaryDir dir;
  const QString path = dir.filePath("a.txt");
  ASSERT_TRUE(replaceFile(path, "old\n").isEmpty());
  {
    FileReplacement unfinished(path);
    ASSERT_TRUE(unfinished.open());
    ASSERT_TRUE(unfinished.write("new, but never committed\n"));
    EXPECT_EQ(contents(path), "old\n");
  }
  EXPECT_EQ(contents(path), "old\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.txt"});  // nothing left beside it

  EXPECT_TRUE(replaceFile(path, "new\n").isEmpty());
  EXPECT_EQ(contents(path), "new\n");
}

TEST(FileReplacement, AWriteTheSystemRefusesIsReportedWithItsReason) {
  QTemporaryDir dir;
  struct Case {
    QString path;
    const char* reason;  // empty: any
  };
  const Case cases[] = {
      {"/dev/full", "No space left on device"},
      {dir.path(), ""},  // a folder
      {dir.filePath("no such folder/a.txt"), ""},
  };
  for (const Case& c : cases) {
    const QString reason = replaceFile(c.path, QByteArray(70000, 'x'));
    EXPECT_FALSE(reason.isEmpty()) << c.path.toStdString();
    if (*c.reason) {
      EXPECT_EQ(reason, c.reason) << c.path.toStdString();
    }
  }
  struct stat device {};
  ASSERT_EQ(stat("/dev/full", &device), 0);
  EXPECT_TRUE(S_ISCHR(device.st_mode));
}

// A pipe is written as it is: renaming a file over it would take its place.
TEST(FileReplacement, APipeIsWrittenDirectlyAndStaysAPipe) {
  QTemporaryDir dir;
  const QByteArray fifo = dir.filePath("pipe").toLocal8Bit();
  ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
  const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(replaceFile(QString::fromLocal8Bit(fifo), "through\n").isEmpty());
  char buffer[16] = {};
  EXPECT_EQ(::read(reader, buffer, sizeof buffer), 8);
  EXPECT_STREQ(buffer, "through\n");
  ::close(reader);
  struct stat pipe {};
  ASSERT_EQ(stat(fifo.constData(), &pipe), 0);
  EXPECT_TRUE(S_ISFIFO(pipe.st_mode));
}

}  // namespace
}  // namespace velk
