#include "checks/self_test.h"

#include <atomic>
#include <memory>
#include <optional>

#include "checks/additional_status.h"
#include "comm/device_commands.h"
#include "model/form_state.h"

namespace velk {

namespace {

std::chrono::steady_clock::time_point steadyNow() { return std::chrono::steady_clock::now(); }
std::atomic<SelfTestClock> selfTestClock{&steadyNow};

class SelfTest {
 public:
  explicit SelfTest(Sender sender) : sender_(sender) {}

  // One turn: the start, then a look at the clock each turn until the
  // device is done. Returns whether turns remain.
  bool step(const JobContext& job) {
    if (!deadline_) return start(job);
    if (selfTestClock.load()() < *deadline_) return true;
    {
      PageOperation page(job, Sender::Sequence);
      readAdditionalStatus(page);
    }
    end(job.operations);
    return false;
  }

  void end(WindowOperations& operations) const {
    if (sender_ == Sender::Click) operations.ClearCommunicating();
  }

 private:
  bool start(const JobContext& job) {
    job.form.setText("LabelSelfTest", kSelfTestWaitText);
    if (sender_ == Sender::Click) job.operations.ShowCommunicating();
    bool started = false;
    {
      auto tx = job.transaction();
      started = job.ExecuteCommand(tx, kRunSelfTest, 0);
    }
    if (!started) {
      end(job.operations);
      return false;
    }
    deadline_ = selfTestClock.load()() + kSelfTestWait;
    return true;
  }

  Sender sender_;
  std::optional<std::chrono::steady_clock::time_point> deadline_;
};

}  // namespace

SelfTestClock setSelfTestClock(SelfTestClock clock) { return selfTestClock.exchange(clock); }

StepJob ButtonSelfTestClick(WindowOperations& operations, Sender sender) {
  auto test = std::make_shared<SelfTest>(sender);
  return {[test](const JobContext& job) { return test->step(job); },
          // A disconnection ends the wait: there is nothing left to read.
          [test, &operations] { test->end(operations); }};
}

}  // namespace velk
