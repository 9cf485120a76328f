// The positioner-sim program itself: usage errors, and a clean exit on
// SIGINT and SIGTERM that takes its link away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "test_master.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

pid_t start_program(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), POSITIONER_SIM_PATH);
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, POSITIONER_SIM_PATH, &quiet, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&quiet);
  return pid;
}

int exit_code(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(Program, RefusesBadArgumentsWithUsageStatus) {
  EXPECT_EQ(exit_code(start_program({"--poll-address", "99"})), 2);
  EXPECT_EQ(exit_code(start_program({"--bogus"})), 2);
  EXPECT_EQ(exit_code(start_program({"--help"})), 0);
}

TEST(Program, StopsCleanlyOnSignalsAndRemovesItsLink) {
  for (const int signal : {SIGINT, SIGTERM}) {
    const std::string link = "/tmp/sim-program-" + std::to_string(::getpid()) + "-" + std::to_string(signal);
    const pid_t pid = start_program({"--link", link, "--turnaround", "1"});
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (::access(link.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(5ms);
    }
    {
      test_master::LineMaster master(link);  // it answers through the link
      const auto reply = master.transact(test_master::request(0, {}, {false, 0}));
      ASSERT_TRUE(reply);
      EXPECT_EQ(reply->response_code(), 0);
    }
    ::kill(pid, signal);
    EXPECT_EQ(exit_code(pid), 0);
    EXPECT_NE(::access(link.c_str(), F_OK), 0);
  }
}

TEST(Program, WillNotStartOverAStateFileItCannotRead) {
  const std::string path = "/tmp/sim-program-state-" + std::to_string(::getpid());
  FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("setup.stroke_mm = lots\n", file);
  std::fclose(file);
  EXPECT_EQ(exit_code(start_program({"--state", path})), 1);
  std::remove(path.c_str());
}

}  // namespace
