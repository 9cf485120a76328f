#include "comm/page_operation.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "support/core_fixture.h"

namespace velk {
namespace {

using Reply = FakeHartLink::Reply;

class PageOperationTest : public CoreTest {};

TEST_F(PageOperationTest, ClickShowsCommunicatingAndEveryRunClearsTheStatusBar) {
  fake_->setReply(175, {0, 0, {1}});
  const JobContext context = job();
  for (Sender sender : {Sender::Click, Sender::Sequence}) {
    core_.form.setText(kCommunicatingText, "before");
    {
      PageOperation page(context, sender);
      settle();
      EXPECT_EQ(core_.form.text(kCommunicatingText), sender == Sender::Click ? "Communicating..." : "before");
      page.progress("Reading actuator type...");
      EXPECT_EQ(core_.form.text(kStatusBar), "Reading actuator type...");
    }
    settle();
    EXPECT_EQ(core_.form.text(kStatusBar), "");
    EXPECT_EQ(core_.form.text(kCommunicatingText), sender == Sender::Click ? "" : "before");
  }
}

// A failed item, unanswered or answered with fewer bytes than its decode
// takes, is not decoded: its controls keep what they showed.
TEST_F(PageOperationTest, FailedItemIsNotReadAndTheNextItemStillRuns) {
  fake_->setResponder([](int command, const FakeHartLink::DataField& request, int) -> Reply {
    if (command == 185) return {1460, 0, {}};
    return {0, 0, {request[0], 7}};
  });
  const JobContext context = job();
  PageOperation page(context, Sender::Sequence);
  int reads = 0;
  EXPECT_FALSE(page.read(
      185, 1, ReplyBytes{2}, [](HartLink& r) { r.SetInteger(0, 1, 0); }, [&](HartLink&) { ++reads; }));
  EXPECT_FALSE(page.read(
      187, 1, ReplyBytes{5}, [](HartLink& r) { r.SetInteger(0, 1, 1); }, [&](HartLink&) { ++reads; }));
  unsigned echoed = 0;
  EXPECT_TRUE(page.read(
      187, 1, ReplyBytes{2}, [](HartLink& r) { r.SetInteger(0, 1, 1); },
      [&](HartLink& r) { echoed = r.GetInteger(0, 1); }));
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(echoed, 1u);
  EXPECT_EQ(fake_->sentCommands().back(), 187);
}

}  // namespace
}  // namespace velk
