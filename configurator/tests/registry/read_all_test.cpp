// "Read All" on the command thread against a scripted device: the order of
// the pages, what is disabled while it runs, and a disconnection ending it.
#include <QTest>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "support/scripted_device.h"

namespace velk {
namespace {

using namespace std::chrono_literals;

// The first progress text of each page's read, in the order Read All runs them.
const std::vector<std::string> kPageReadsInOrder = {
    "Reading language...",         // APPEARANCE
    "Reading setpoint source...",  // CONTROL
    "Reading actuator type...",    // SETUP
    "Reading characteristic curve...",
    "Reading open/close time...",  // TUNING
    "Reading deviation alarm setting...",
    "Reading device data...",  // READ
};
const QStringList kPages = {"APPEARANCE",     "TabSheet1",      "TabSheetSetup", "TabSheetCara",
                            "TabSheetTuning", "TabSheetAlarms", "TabSheetRead"};

class ReadAllTest : public ScriptedDeviceTest {
 protected:
  ReadAllTest() {
    window().Connected.store(true);
    core_.operations.UpdateControlStates();
    core_.commands.start();
  }

  // The device keeps its answer to the tuning page's first read until
  // release(): the sequence stands half way.
  void holdAtTuning() {
    answer(171, [this](const Bytes&) -> std::optional<Bytes> {
      std::unique_lock lock(mutex_);
      held_ = true;
      held_changed_.notify_all();
      held_changed_.wait_for(lock, 20s, [this] { return released_; });
      return Bytes(8, 0);
    });
  }
  void waitUntilHeld() {
    std::unique_lock lock(mutex_);
    ASSERT_TRUE(held_changed_.wait_for(lock, 20s, [this] { return held_; }));
  }
  void release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    held_changed_.notify_all();
  }

  void start() {
    core_.commands.postRequest(kRequestReadAll);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().SequenceRunning.load(); }, 10000));
  }
  void waitForTheEnd() {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window().SequenceRunning.load(); }, 20000));
    settle();
  }

  // The progress texts of kPageReadsInOrder as the commands showed them, each once.
  std::vector<std::string> pagesRead() {
    std::vector<std::string> pages;
    std::lock_guard lock(mutex_);
    for (const SentCommand& sent : sent()) {
      const bool first = std::count(kPageReadsInOrder.begin(), kPageReadsInOrder.end(), sent.progress) == 1 &&
                         std::count(pages.begin(), pages.end(), sent.progress) == 0;
      if (first) pages.push_back(sent.progress);
    }
    return pages;
  }

  std::mutex mutex_;
  std::condition_variable held_changed_;
  bool held_ = false;
  bool released_ = false;
};

TEST_F(ReadAllTest, ReadsTheSevenPagesInTheirOrder) {
  start();
  waitForTheEnd();
  EXPECT_EQ(pagesRead(), kPageReadsInOrder);
}

// While the sequence runs the pages it reads are busy and the buttons that
// would start another sequence or reset the device are disabled; all is
// given back at its end.
TEST_F(ReadAllTest, DisablesTheSequencesWhileItRuns) {
  const QStringList buttons = {"ButtonReadAll", "ButtonSendAll", "ButtonFactoryReset"};
  window().OutOfService.store(true);  // Send All and Factory Reset need it
  core_.operations.UpdateControlStates();
  settle();
  for (const QString& button : buttons) ASSERT_TRUE(form().enabled(button)) << button.toStdString();

  holdAtTuning();
  start();
  waitUntilHeld();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form().enabled("ButtonReadAll"); }, 10000));
  for (const QString& button : buttons) EXPECT_FALSE(form().enabled(button)) << button.toStdString();
  for (const QString& page : kPages) EXPECT_TRUE(core_.activity.busy(page)) << page.toStdString();
  EXPECT_EQ(form().text(kCommunicatingText), "Communicating...");

  release();
  waitForTheEnd();
  for (const QString& button : buttons) EXPECT_TRUE(form().enabled(button)) << button.toStdString();
  for (const QString& page : kPages) EXPECT_FALSE(core_.activity.busy(page)) << page.toStdString();
  EXPECT_EQ(form().text(kCommunicatingText), "");
}

// "Disconnect" pressed half way: the page being read finishes, the pages after
// it are not read, and the sequence gives everything back.
TEST_F(ReadAllTest, ADisconnectionEndsIt) {
  holdAtTuning();
  start();
  waitUntilHeld();
  window().Connected.store(false);
  core_.commands.postRequest(kRequestConnection);
  release();
  waitForTheEnd();
  EXPECT_EQ(pagesRead(), std::vector<std::string>(kPageReadsInOrder.begin(), kPageReadsInOrder.begin() + 5));
  EXPECT_TRUE(QTest::qWaitFor([&] { return form().text("StaticText1") == "DISCONNECTED"; }, 10000));
  for (const QString& page : kPages) EXPECT_FALSE(core_.activity.busy(page)) << page.toStdString();
  EXPECT_FALSE(form().enabled("ButtonReadAll"));
}

}  // namespace
}  // namespace velk
