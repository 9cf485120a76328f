// Work handed to the GUI thread: in the order posted, across receivers and
// threads, never to a receiver that is gone, and on through a nested event
// loop (a message box) that one piece of work runs.
#include "model/thread_mailbox.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTest>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velk {
namespace {

struct Receiver : QObject {
  Receiver() : mailbox(ThreadMailbox::of(this)) {}
  ThreadMailbox& mailbox;
};

TEST(ThreadMailbox, DeliversInPostingOrderAcrossReceiversAndSkipsOnesThatAreGone) {
  Receiver first;
  Receiver second;
  auto gone = std::make_unique<Receiver>();
  std::vector<int> seen;  // only the GUI thread touches it
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) {
      Receiver& to = i % 2 ? second : first;
      to.mailbox.post(&to, [&seen, i] { seen.push_back(i); });
    }
    gone->mailbox.post(gone.get(), [&seen] { seen.push_back(-1); });
  });
  worker.join();
  gone.reset();
  first.mailbox.post(&first, [&seen] { seen.push_back(200); });
  ASSERT_TRUE(QTest::qWaitFor([&] { return !seen.empty() && seen.back() == 200; }, 5000));
  std::vector<int> expected(201);
  for (int i = 0; i <= 200; ++i) expected[static_cast<std::size_t>(i)] = i;
  EXPECT_EQ(seen, expected);
}

TEST(ThreadMailbox, WorkAfterANestedEventLoopIsDeliveredInsideIt) {
  Receiver receiver;
  bool laterRan = false;
  bool ranInsideTheLoop = false;
  receiver.mailbox.post(&receiver, [&] {
    QEventLoop box;
    receiver.mailbox.post(&receiver, [&] {
      ranInsideTheLoop = box.isRunning();
      box.quit();
    });
    box.exec();
  });
  receiver.mailbox.post(&receiver, [&] { laterRan = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return laterRan; }, 5000));
  EXPECT_TRUE(ranInsideTheLoop);
}

}  // namespace
}  // namespace velk
