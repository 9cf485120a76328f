// The configurator's core against the simulated positioner: the smallest
// round trip, which every page test builds on.
#include "comm/page_operation.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class EndToEnd : public SimulatorFixture {};

TEST_F(EndToEnd, ReadsTheIdentityAndLogsARejectedCommand) {
  attachInstrument();
  const JobContext context = job();
  PageOperation page(context, Sender::Sequence);
  unsigned manufacturer = 0, deviceType = 0;
  EXPECT_TRUE(page.read(0, 0, ReplyBytes{kIdentifierBytes}, [&](HartLink& reply) {
    manufacturer = reply.GetInteger(1, 1);
    deviceType = reply.GetInteger(2, 1);
  }));
  EXPECT_EQ(manufacturer, 62u);
  EXPECT_EQ(deviceType, 97u);

  EXPECT_FALSE(page.read(99, 0, ReplyBytes{0}, [](HartLink&) {}));  // not implemented by the device
  const QStringList log = form().lines(kCommunicationLog);
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].startsWith("Command 99 : Slave Reports: Command not implemented! 16384"))
      << log[0].toStdString();
}

}  // namespace
}  // namespace velk
