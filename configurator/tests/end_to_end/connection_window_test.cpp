// The window during a connection search: it keeps answering, and a second
// press on the button ends the search.
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "shell/main_window.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

// Measures the longest time the GUI thread's event loop went without
// running a 5 ms timer.
class EventLoopWatchdog {
 public:
  EventLoopWatchdog() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { longest_ = std::max(longest_, clock_.restart()); });
    clock_.start();
    timer_.start();
  }
  qint64 longestStallMilliseconds() const { return longest_; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 longest_ = 0;
};

class ConnectionWindowTest : public SimulatorFixture {};

TEST_F(ConnectionWindowTest, StaysResponsiveWhileSearchingAndCancelsOnTheSecondPress) {
  QTemporaryDir dir;
  TForm1 form1(core(), {dir.filePath("settings.ini"), dir.filePath("data")});
  window().setPortDevice(1, QString::fromStdString(simulator().device_path()));
  form1.show();
  // Nobody answers at address 0: every try there runs into the link's time-outs.
  simulator().update_state([](sim::DeviceState& s) { s.identity.polling_address = 1; });
  form().setText("SearchPollStart", "0");
  form().setText("SearchPollStop", "1");
  auto* button = form1.findChild<QPushButton*>("ButtonConnect");
  ASSERT_NE(button, nullptr);

  EventLoopWatchdog watchdog;
  button->click();
  // The second try at address 0 shows that a whole detection has passed.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return form().text(kStatusBar).contains("polling address 0 (0 to 1), try 2"); }, 15000));
  EXPECT_EQ(form().text("StaticText1"), "Connecting...");
  EXPECT_EQ(button->text(), "Disconnect");
  button->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().text("StaticText1") == "DISCONNECTED"; }, 15000));
  waitForCommandThread();

  EXPECT_EQ(form().text(kStatusBar), "");  // cancelling is no failure
  EXPECT_EQ(button->text(), "Connect");
  EXPECT_FALSE(window().Connected.load());
  EXPECT_EQ(simulator().counters().requests_for_us, 0u);
  // A GUI thread that waited on a detection try would stall for a whole reply
  // window (400 ms); the margin below that is for a loaded machine
  // and the sanitizers, whose scheduling alone has cost a 5 ms timer 110 ms.
  EXPECT_LT(watchdog.longestStallMilliseconds(), 250);
}

}  // namespace
}  // namespace velk
