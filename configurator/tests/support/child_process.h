#pragma once
// A program a test starts and watches: what it prints (standard output and
// error in one stream), bounded waits for a line or for its end, a signal.
// Started with posix_spawn rather than QProcess: Qt starts children through a
// raw clone() that ThreadSanitizer's runtime cannot follow, and the tests run
// under it too.
//
//   ChildProcess child;
//   ASSERT_TRUE(child.start("/usr/bin/env", {"true"})) << child.problem();
//   ASSERT_TRUE(child.waitForExit(10000));
//   EXPECT_TRUE(child.exitedWith(0)) << child.endText();

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace velk {

class ChildProcess {
 public:
  ChildProcess() = default;
  // A child still running is killed and reaped.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // `program` without a slash is looked up on PATH. `environment` holds
  // "NAME=VALUE" entries, the test's own environment when empty; `folder` is
  // its working folder, the test's when empty.
  bool start(const QString& program, const QStringList& arguments, const QStringList& environment = {},
             const QString& folder = {});
  std::string problem() const { return problem_; }

  // Reads what the child prints until `enough(output())` holds, the child
  // ends or `milliseconds` pass; whether `enough` held at the end.
  bool waitForOutput(const std::function<bool(const QByteArray&)>& enough, int milliseconds);
  // Whether it ended within `milliseconds`; what it printed is read meanwhile.
  bool waitForExit(int milliseconds);
  void signal(int number);

  const QByteArray& output() const { return output_; }
  bool running() const { return pid_ > 0 && !ended_; }
  bool exitedWith(int code) const;
  // "exit code N", "signal N" or "still running", with what it printed.
  std::string endText() const;

 private:
  bool readAvailable(int milliseconds);
  void reap(bool block);

  pid_t pid_ = -1;
  int outputFd_ = -1;
  bool ended_ = false;
  int status_ = 0;
  QByteArray output_;
  std::string problem_;
};

}  // namespace velk
