#include "comm/thread_commands.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

#include "comm/configurator.h"
#include "comm/page_operation.h"
#include "support/core_fixture.h"

namespace velk {
namespace {

class ThreadCommandsTest : public CoreTest {
 protected:
  ThreadCommandsTest() { core_.commands.start(); }
};

TEST_F(ThreadCommandsTest, RunsPostedJobsInOrderOffTheGuiThread) {
  std::vector<int> order;
  std::promise<std::thread::id> ranOn;
  for (int i = 0; i < 5; ++i)
    core_.commands.post(QString("job %1").arg(i), [&, i](const JobContext& job) {
      auto tx = job.transaction();
      job.ExecuteCommand(tx, 1, 0);
      order.push_back(i);  // jobs run one at a time on one thread
      if (i == 4) ranOn.set_value(std::this_thread::get_id());
    });
  EXPECT_NE(ranOn.get_future().get(), std::this_thread::get_id());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(ThreadCommandsTest, AJobPostedAgainWhileWaitingRunsOnce) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> reads{0};
  core_.commands.post("busy", [released](const JobContext&) { released.wait(); });
  for (int i = 0; i < 3; ++i) core_.commands.post("read", [&](const JobContext&) { ++reads; });
  std::promise<void> done;
  core_.commands.post("last", [&](const JobContext&) { done.set_value(); });
  release.set_value();
  done.get_future().wait();
  EXPECT_EQ(reads.load(), 1);
}

// Closing the window while a long job runs: the job ends at its next
// transaction, the jobs behind it never start, and stop() returns.
TEST_F(ThreadCommandsTest, StopAbandonsTheJobInFlightAtATransactionBoundary) {
  std::promise<void> started;
  std::atomic<bool> abandoned{false};
  std::atomic<bool> laterJobRan{false};
  core_.commands.post("endless", [&](const JobContext& job) {
    started.set_value();
    try {
      for (;;) {
        auto tx = job.transaction();
        job.ExecuteCommand(tx, 0, 0);
      }
    } catch (const TransactionAbandoned&) {
      abandoned = true;
      throw;
    }
  });
  core_.commands.post("later", [&](const JobContext&) { laterJobRan = true; });
  started.get_future().wait();
  core_.commands.stop();
  EXPECT_FALSE(core_.commands.isRunning());
  EXPECT_TRUE(abandoned);
  EXPECT_FALSE(laterJobRan);
}

TEST_F(ThreadCommandsTest, AFailingJobIsReportedAndLeavesNoProgressTexts) {
  QSignalSpy reported(&core_.operations, &WindowOperations::errorReported);
  core_.commands.post("read", [](const JobContext& job) {
    job.operations.ShowCommunicating();
    job.progress("Reading stroke...");
    throw LinkLibraryError("Cannot load the HART link library /x/libmirell.so: missing");
  });
  ASSERT_TRUE(reported.wait(5000));
  EXPECT_EQ(reported.at(0).at(0).toString(), "Cannot load the HART link library /x/libmirell.so: missing");
  QTest::qWait(0);
  EXPECT_EQ(core_.form.text(kStatusBar), "");
  EXPECT_EQ(core_.form.text(kCommunicatingText), "");
}

// A failure shows where the technician looks: the status bar says how many
// commands of an operation (a long job's over all its steps) failed, until
// the next operation starts; an operation's own text of what failed stays.
TEST_F(ThreadCommandsTest, AnOperationThatEndsWithFailedCommandsSaysSoInTheStatusBar) {
  fake_->setReply(179, {1460, 0, {}});
  auto waitForStatus = [&](const QString& text) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return core_.form.text(kStatusBar) == text; }, 5000))
        << core_.form.text(kStatusBar).toStdString();
  };
  int steps = 0;
  core_.commands.postSteps("two steps", {[&](const JobContext& job) {
                             PageOperation page(job, Sender::Click);
                             page.progress("Reading stroke...");
                             page.read(179, 0, ReplyBytes{0}, {});
                             page.read(1, 0, ReplyBytes{0}, {});
                             return ++steps < 2;
                           }});
  waitForStatus("2 commands failed: see LOGS");

  std::promise<void> ran;
  core_.commands.post("quiet", [&](const JobContext&) { ran.set_value(); });
  ran.get_future().wait();
  waitForStatus("");

  core_.commands.post("upload", [](const JobContext& job) {
    PageOperation(job, Sender::Click).read(179, 0, ReplyBytes{0}, {});
    job.progress("Error in uploading: 1 of 1 blocks failed");
  });
  waitForStatus("Error in uploading: 1 of 1 blocks failed");
  core_.commands.post("read", [](const JobContext& job) {
    PageOperation(job, Sender::Click).read(179, 0, ReplyBytes{0}, {});
  });
  waitForStatus("1 command failed: see LOGS");
  EXPECT_EQ(core_.form.lines(kCommunicationLog).size(), 4);
}

TEST_F(ThreadCommandsTest, ALongJobLetsOtherJobsRunBetweenItsSteps) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  core_.commands.post("busy", [released](const JobContext&) { released.wait(); });
  std::vector<std::string> order;
  int steps = 0;
  std::promise<void> done;
  core_.commands.postSteps("long", {[&](const JobContext&) {
                             order.push_back("step " + std::to_string(++steps));
                             if (steps == 3) done.set_value();
                             return steps < 3;
                           }},
                           "TabSheetCalibrate");
  core_.commands.post("other", [&](const JobContext&) { order.push_back("other"); });
  release.set_value();
  done.get_future().wait();
  EXPECT_EQ(order, (std::vector<std::string>{"step 1", "other", "step 2", "step 3"}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !core_.activity.busy("TabSheetCalibrate"); }));
}

TEST_F(ThreadCommandsTest, ALongJobDroppedBeforeItsLastStepIsTold) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  core_.commands.post("busy", [released](const JobContext&) { released.wait(); });
  bool dropped = false;
  core_.commands.postSteps("long", {[](const JobContext&) { return true; }, [&] { dropped = true; }},
                           "TabSheetCalibrate");
  EXPECT_TRUE(core_.activity.busy("TabSheetCalibrate"));
  core_.commands.dropWaitingJobs();
  release.set_value();
  EXPECT_TRUE(dropped);
  EXPECT_FALSE(core_.activity.busy("TabSheetCalibrate"));

  // A step that throws ends its job the same way (a Read All would otherwise
  // keep its buttons off for good).
  std::promise<void> droppedAfterThrow;
  core_.commands.postSteps("throws",
                           {[](const JobContext&) -> bool { throw std::runtime_error("reply decoding failed"); },
                            [&] { droppedAfterThrow.set_value(); }},
                           "TabSheetCalibrate");
  EXPECT_EQ(droppedAfterThrow.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !core_.activity.busy("TabSheetCalibrate"); }));
}

}  // namespace
}  // namespace velk
