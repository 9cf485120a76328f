#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "comm/configurator.h"
#include "comm/link.h"
#include "comm/raw_command.h"
#include "support/core_fixture.h"
#include "support/reply_bytes.h"

namespace velk {
namespace {

using Reply = FakeHartLink::Reply;

class ExecuteCommandTest : public CoreTest {
 protected:
  bool execute(int command, int byteCount = 0) {
    auto tx = core_.link.begin();
    return core_.link.ExecuteCommand(tx, command, byteCount);
  }
  QStringList log() const { return core_.form.lines(kCommunicationLog); }
};

struct FailureCase {
  const char* what;
  int handle;
  int command;
  Reply reply;
  const char* line;
};

TEST_F(ExecuteCommandTest, LogsEachFailureAsNameColonMessage) {
  const FailureCase cases[] = {
      {"no instrument",
       0,
       0,
       {},
       "Read Identifier :   Invalid instrument handle. Cannot address any instrument."},
      {"command not implemented",
       1,
       1,
       {15, 0x4000, {}},
       "Read Position : Slave Reports: Command not implemented! 16384"},
      {"response code with device status",
       1,
       148,
       {15, 0x4000 | 0x10, {}},
       "Reset Statistics : Slave Reports: Command not implemented! 16400"},
      {"device malfunction",
       1,
       3,
       {15, 0x0080, {}},
       "Read four variables and unit : Unspecified device malfunction! 128"},
      {"busy",
       1,
       159,
       {15, 0x2000, {}},
       "Start Auto Calibrate : Slave is busy. Its current task cannot be interrupted by this "
       "command. (0x2000) 8192"},
      {"no catalogue name", 1, 9, {1460, 0, {}}, "Command 9 : Timed out. Instrument didn't reply. "},
      {"above the catalogue",
       1,
       252,
       {16, 0, {}},
       "Command 252 : Checksum/Parity error in incoming message."},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    core_.form.setLines(kCommunicationLog, {});
    core_.window.InstrumentHandle.store(c.handle);
    fake_->setReply(c.command, c.reply);
    const size_t sentBefore = fake_->sentCommands().size();
    EXPECT_FALSE(execute(c.command));
    EXPECT_EQ(fake_->sentCommands().size() - sentBefore, 2u) << "two attempts";
    EXPECT_EQ(log(), QStringList{c.line});
  }
}

TEST_F(ExecuteCommandTest, SecondAttemptThatSucceedsLogsNothingAndLeavesTheReply) {
  int calls = 0;
  fake_->setResponder([&](int, const FakeHartLink::DataField&, int) {
    return ++calls == 1 ? Reply{1460, 0, {}} : Reply{0, 0, {0, 62, 97}};
  });
  auto tx = core_.link.begin();
  EXPECT_TRUE(core_.link.ExecuteCommand(tx, 0, 0));
  EXPECT_EQ(tx->GetInteger(1, 1), 62u);
  EXPECT_EQ(tx->GetInteger(2, 1), 97u);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(log().isEmpty());
}

// The library fills a reply's missing bytes with zeros: a reply with fewer
// data bytes than the caller takes is a failed command whose log line says
// how short it was. It is not tried again: the reply has overwritten the
// request in the data field.
TEST_F(ExecuteCommandTest, AReplyShorterThanTheCallerTakesIsAFailedCommand) {
  struct Case {
    const char* what;
    std::vector<std::size_t> replyLengths;  // one per attempt
    int needed;
    bool succeeds;
    QStringList log;
  };
  const Case cases[] = {
      {"exactly enough", {8}, 8, true, {}},
      {"more than taken", {12}, 8, true, {}},
      {"nothing taken", {0}, 0, true, {}},
      {"short", {5}, 8, false, {"Write High or Low end : reply too short (5 of 8 bytes)"}},
      {"empty", {0}, 1, false, {"Write High or Low end : reply too short (0 of 1 bytes)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    core_.form.setLines(kCommunicationLog, {});
    std::size_t attempt = 0;
    fake_->setResponder([&](int, const FakeHartLink::DataField&, int) {
      return Reply{0, 0, std::vector<std::uint8_t>(c.replyLengths[attempt++], 0x41)};
    });
    auto tx = core_.link.begin();
    EXPECT_EQ(core_.link.ExecuteCommand(tx, 183, 0, c.needed), c.succeeds);
    EXPECT_EQ(attempt, c.replyLengths.size());
    EXPECT_EQ(log(), c.log);
  }
}

// A calibration's status polls fail unlogged; any other command that fails
// meanwhile is logged, and counted for the operation it belongs to.
TEST_F(ExecuteCommandTest, OnlyTransactionsLeftUnloggedKeepTheirFailuresOutOfTheLog) {
  core_.window.StopRequested.store(false);  // a calibration runs
  fake_->setReply(159, {1460, 0, {}});
  fake_->setReply(158, {1460, 0, {}});
  int failed = 0;
  JobContext counted = job();
  counted.failedCommands = &failed;
  {
    auto tx = counted.transaction();
    tx.leaveFailuresUnlogged();
    EXPECT_FALSE(counted.ExecuteCommand(tx, 159, 0));
  }
  EXPECT_TRUE(log().isEmpty());
  EXPECT_EQ(failed, 0);
  {
    auto tx = counted.transaction();
    EXPECT_FALSE(counted.ExecuteCommand(tx, 158, 0));
  }
  EXPECT_EQ(log(), QStringList{"Read Calibration status : Timed out. Instrument didn't reply. "});
  EXPECT_EQ(failed, 1);
}

// HART allows 255 data bytes; the data field holds 50 of them.
TEST_F(ExecuteCommandTest, ARawReplyLongerThanTheDataFieldKeepsItsFirstBytesAndItsLength) {
  Bytes data(60);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  fake_->setReply(20, {0, 0, data});
  auto tx = core_.link.begin();
  const RawCommandOutcome outcome = sendRawCommand(tx.api(), 1, 20, {});
  EXPECT_EQ(outcome.responseError, 0);
  EXPECT_EQ(outcome.replyLength, 60);
  ASSERT_EQ(outcome.reply.size(), std::size_t{kDataFieldBytes});
  EXPECT_EQ(outcome.reply.back(), 49u);
  EXPECT_EQ(tx->GetErrorCode(), 0);  // nothing was read beyond the field
}

TEST_F(ExecuteCommandTest, RequestDataReachesTheDevice) {
  std::vector<unsigned> seen;
  fake_->setResponder([&](int, const FakeHartLink::DataField& request, int byteCount) {
    seen.assign(request.begin(), request.begin() + byteCount);
    return Reply{};
  });
  auto tx = core_.link.begin();
  tx->SetInteger(0, 1, 1);
  tx->SetFloat(1, 99.9f);
  EXPECT_TRUE(core_.link.ExecuteCommand(tx, 186, 5));
  EXPECT_EQ(seen, (std::vector<unsigned>{1, 0x42, 0xC7, 0xCC, 0xCD}));
}

// Two threads doing whole transactions (fill, send, wait, read) must never
// be inside the library at the same time.
TEST_F(ExecuteCommandTest, TransactionsFromSeveralThreadsNeverInterleave) {
  fake_->setReplyDelayMicroseconds(20);
  fake_->setResponder([](int command, const FakeHartLink::DataField& request, int) {
    return Reply{0, 0, {static_cast<std::uint8_t>(command), request[0]}};
  });
  std::atomic<int> mismatches{0};
  auto worker = [&](int command) {
    for (int i = 0; i < 150; ++i) {
      auto tx = core_.link.begin();
      tx->SetInteger(0, 1, static_cast<unsigned>(i));
      if (!core_.link.ExecuteCommand(tx, command, 1) || tx->GetInteger(0, 1) != unsigned(command) ||
          tx->GetInteger(1, 1) != unsigned(i))
        ++mismatches;
    }
  };
  std::thread a(worker, 11);
  std::thread b(worker, 12);
  worker(13);
  a.join();
  b.join();
  EXPECT_FALSE(fake_->callsOverlapped());
  EXPECT_EQ(mismatches.load(), 0);
}

TEST_F(ExecuteCommandTest, AbandonedJobsGetNoFurtherTransaction) {
  std::stop_source stop;
  {
    auto tx = core_.link.begin(stop.get_token());  // free: granted
  }
  auto held = core_.link.begin();  // someone else is on the link
  std::atomic<bool> abandoned{false};
  std::thread waiting([&] {
    try {
      auto tx = core_.link.begin(stop.get_token());
    } catch (const TransactionAbandoned&) {
      abandoned = true;
    }
  });
  stop.request_stop();
  waiting.join();  // returns although the link is still held
  EXPECT_TRUE(abandoned);
  EXPECT_THROW(core_.link.begin(stop.get_token()), TransactionAbandoned);
}

}  // namespace
}  // namespace velk
