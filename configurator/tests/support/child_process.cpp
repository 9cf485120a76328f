#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <algorithm>
#include <vector>

extern char** environ;

namespace velk {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? int(left) : 0;
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (running()) {
    ::kill(pid_, SIGKILL);
    reap(true);
  }
  if (outputFd_ >= 0) ::close(outputFd_);
}

bool ChildProcess::start(const QString& program, const QStringList& arguments, const QStringList& environment,
                         const QString& folder) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    problem_ = std::string("no pipe: ") + std::strerror(errno);
    return false;
  }
  std::vector<QByteArray> argumentBytes{program.toLocal8Bit()};
  for (const QString& argument : arguments) argumentBytes.push_back(argument.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& argument : argumentBytes) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<QByteArray> environmentBytes;
  for (const QString& entry : environment) environmentBytes.push_back(entry.toLocal8Bit());
  std::vector<char*> envp;
  for (QByteArray& entry : environmentBytes) envp.push_back(entry.data());
  envp.push_back(nullptr);
  const QByteArray folderBytes = folder.toLocal8Bit();

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  if (!folder.isEmpty()) posix_spawn_file_actions_addchdir_np(&actions, folderBytes.constData());
  const int failed = ::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(),
                                    environment.isEmpty() ? environ : envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (failed != 0) {
    ::close(pipeFds[0]);
    pid_ = -1;
    problem_ = "could not start " + program.toStdString() + ": " + std::strerror(failed);
    return false;
  }
  outputFd_ = pipeFds[0];
  return true;
}

bool ChildProcess::readAvailable(int milliseconds) {
  if (outputFd_ < 0) return false;
  pollfd watched{outputFd_, POLLIN, 0};
  if (::poll(&watched, 1, milliseconds) <= 0) return false;
  char buffer[4096];
  const ssize_t got = ::read(outputFd_, buffer, sizeof buffer);
  if (got > 0) {
    output_.append(buffer, got);
    return true;
  }
  if (got == 0) {  // every writer closed it: nothing more will come
    ::close(outputFd_);
    outputFd_ = -1;
  }
  return false;
}

void ChildProcess::reap(bool block) {
  if (pid_ <= 0 || ended_) return;
  if (::waitpid(pid_, &status_, block ? 0 : WNOHANG) == pid_) ended_ = true;
}

bool ChildProcess::waitForOutput(const std::function<bool(const QByteArray&)>& enough, int milliseconds) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (!enough(output_) && !ended_ && Clock::now() < deadline) {
    if (outputFd_ >= 0)
      readAvailable(std::min(remainingMs(deadline), 50));
    else
      ::usleep(10000);
    reap(false);
  }
  // What it wrote before it ended is still in the pipe. Only what is there now
  // is read: a program it started may hold the pipe open long after.
  while (readAvailable(0)) {
  }
  return enough(output_);
}

bool ChildProcess::waitForExit(int milliseconds) {
  waitForOutput([](const QByteArray&) { return false; }, milliseconds);
  return ended_;
}

void ChildProcess::signal(int number) {
  if (running()) ::kill(pid_, number);
}

bool ChildProcess::exitedWith(int code) const {
  return ended_ && WIFEXITED(status_) && WEXITSTATUS(status_) == code;
}

std::string ChildProcess::endText() const {
  std::string text = !ended_                ? "still running"
                     : WIFEXITED(status_)   ? "exit code " + std::to_string(WEXITSTATUS(status_))
                                            : "signal " + std::to_string(WTERMSIG(status_));
  return text + "; it printed: " + output_.toStdString();
}

}  // namespace velk
